# Adds every immediate subfolder of DIR that has a CMakeLists.txt.
function(ks_add_subdirs dir)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# ks_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [TIMEOUT s])
# A GoogleTest executable whose cases are registered one by one with CTest
# (as one test per executable when cross-compiled and run under an emulator).
function(ks_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Under Wine every start of a program is a small chance of Wine's own
    # failure: 3 of 2500 starts in a stress run lost their server connection
    # ("wine client error:0: recvmsg: Connection reset by peer") or were
    # killed before main. One start per executable, no listing at build
    # time, keeps that out of the results; the output still names each case.
    add_test(NAME ${name} COMMAND ${name})
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  else()
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  endif()
endfunction()
