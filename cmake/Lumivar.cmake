# Build helpers shared by every folder of the tree.

# The emulator that runs Windows binaries: Wine with the build's own prefix.
set(LUMIVAR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine.sh.in ${CMAKE_BINARY_DIR}/wine.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine.sh)

# Options every target of our own gets: Unicode Win32, warnings as errors.
function(lumivar_defaults target)
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE STRSAFE_NO_DEPRECATE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unknown-pragmas)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

# A DLL that registers itself (DllRegisterServer) in the build's Wine prefix.
function(lumivar_register_component target)
  set_property(GLOBAL APPEND PROPERTY LUMIVAR_COMPONENTS ${target})
endfunction()

# The `register` target builds and registers every component; the test
# `register_components` (fixture `components`) registers what has been built,
# so that `ctest -R name` always runs against the freshest DLLs.
function(lumivar_finish_registration)
  get_property(components GLOBAL PROPERTY LUMIVAR_COMPONENTS)
  set(files)
  foreach(target IN LISTS components)
    list(APPEND files $<TARGET_FILE:${target}>)
  endforeach()
  set(script ${CMAKE_SOURCE_DIR}/cmake/RegisterComponents.cmake)
  add_custom_target(register
    COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_BINARY_DIR}/wine.sh "-DFILES=${files}" -P ${script}
    COMMENT "Registering components in ${LUMIVAR_WINEPREFIX}" VERBATIM)
  if(components)
    add_dependencies(register ${components})
  endif()
  add_test(NAME register_components
    COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_BINARY_DIR}/wine.sh "-DFILES=${files}" -P ${script})
  set_tests_properties(register_components PROPERTIES FIXTURES_SETUP components TIMEOUT 120)
endfunction()

# A GoogleTest executable run as one test under Wine.
# Usage: lumivar_test(name SOURCES ... [LIBS ...] [COMPONENTS])
function(lumivar_test name)
  cmake_parse_arguments(T "COMPONENTS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  lumivar_defaults(${name})
  target_link_libraries(${name} PRIVATE lumivar_test_harness ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(T_COMPONENTS)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED components)
  endif()
endfunction()
