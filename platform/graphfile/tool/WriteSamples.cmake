# cmake -DWINE=wine.sh -DTOOL=GraphFileTool.exe -DPREFIX=wineprefix "-DCOMPONENTS=a.dll;b.dll" -P WriteSamples.cmake
# Writes the bench's sample graph files at its default path in the Wine prefix, once the
# components are registered: the generated chain with default settings (Test.GRF), the same
# with other settings (TestSettings.GRF), and the resizer fed from a video file through the
# platform's splitter (TestFile.GRF, beside its TestFile.avi). A sample newer than the tool
# and every component is left as it is. Needs a display: the graphs hold a video renderer.
set(dir ${PREFIX}/drive_c/CVS/Dev/Filters/Video/Lumivar/Graphs)
set(windir "C:\\CVS\\Dev\\Filters\\Video\\Lumivar\\Graphs")
file(MAKE_DIRECTORY ${dir})
set(log ${CMAKE_CURRENT_BINARY_DIR}/graph-samples.log)

function(write_sample name)
  set(file ${dir}/${name})
  set(stale FALSE)
  foreach(input IN LISTS TOOL COMPONENTS)
    if(NOT EXISTS ${file} OR ${input} IS_NEWER_THAN ${file})
      set(stale TRUE)
    endif()
  endforeach()
  if(NOT stale)
    return()
  endif()
  # Output to a file: a pipe would be held open by Wine's service processes.
  execute_process(COMMAND ${WINE} ${TOOL} ${ARGN} RESULT_VARIABLE rc OUTPUT_FILE ${log} ERROR_FILE ${log})
  if(NOT rc EQUAL 0)
    file(REMOVE ${file})
    file(READ ${log} output)
    message(FATAL_ERROR "writing the sample ${name} failed: ${rc}\n${output}")
  endif()
endfunction()

write_sample(Test.GRF write vidgen "${windir}\\Test.GRF")
write_sample(TestSettings.GRF write vidgen "${windir}\\TestSettings.GRF"
             --size 800x600 --algorithm 7 --clip 80,60,720,540 --output 480x360)
write_sample(TestFile.avi avi "${windir}\\TestFile.avi" --size 320x240 --frames 50)
write_sample(TestFile.GRF write file "${windir}\\TestFile.GRF" --source "${windir}\\TestFile.avi")
