# cmake -DWINE=wine.sh -DFILES="a.dll;b.exe" -P RegisterComponents.cmake
# Registers each component that has been built; a failing registration fails.
# Output goes to a file: a pipe would be held open by any Wine service process that the
# registration starts, and this script would wait for it forever.
set(quiet OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/register.log ERROR_FILE ${CMAKE_CURRENT_BINARY_DIR}/register.log)
foreach(file IN LISTS FILES)
  if(NOT EXISTS ${file})
    message(STATUS "not built, not registered: ${file}")
    continue()
  endif()
  if(file MATCHES "\\.exe$")
    execute_process(COMMAND ${WINE} ${file} /RegServer RESULT_VARIABLE rc ${quiet})
  else()
    execute_process(COMMAND ${WINE} regsvr32 /s ${file} RESULT_VARIABLE rc ${quiet})
  endif()
  if(NOT rc EQUAL 0)
    file(READ ${CMAKE_CURRENT_BINARY_DIR}/register.log output)
    message(FATAL_ERROR "registering ${file} failed: ${rc}\n${output}")
  endif()
endforeach()
