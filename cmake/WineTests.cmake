# Test harness: every test program is a Windows program run by CTest under
# Wine, in a prefix that belongs to this build folder.
set(LUMAVOX_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
set(LUMAVOX_WINE_RUN "${CMAKE_BINARY_DIR}/wine_run.sh")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine_run.sh.in ${LUMAVOX_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine_env.sh.in ${CMAKE_BINARY_DIR}/wine_env.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMAVOX_WINE_RUN})

add_test(NAME wine_setup COMMAND ${CMAKE_BINARY_DIR}/wine_env.sh start)
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
add_test(NAME wine_teardown COMMAND ${CMAKE_BINARY_DIR}/wine_env.sh stop)
set_tests_properties(wine_teardown PROPERTIES FIXTURES_CLEANUP wine)

# lumavox_add_test(<name> SOURCES ... [LIBS ...] [DEPENDS ...] [WRAPPER cmd ...] [TIMEOUT s])
# Builds <name>.exe from the sources with GoogleTest and registers it as one
# CTest entry. WRAPPER puts a command in front (for example one that starts a
# local server); it receives the wine runner and the program as its last
# arguments. DEPENDS names targets (fixture programs) the test needs built.
function(lumavox_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;DEPENDS;WRAPPER" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(T_WRAPPER)
    add_test(NAME ${name} COMMAND ${T_WRAPPER} ${LUMAVOX_WINE_RUN} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "LUMAVOX_BUILD_DIR=${CMAKE_BINARY_DIR};LUMAVOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
