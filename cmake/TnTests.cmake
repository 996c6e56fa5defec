# The helpers that build the test programs: the GoogleTest programs of tests/ and the fuzz targets.
include(GoogleTest)

# tn_add_test(<name> SOURCES <file>... LIBS <library>... [QT] [SERIAL] [TEST_PREFIX <prefix>])
# A GoogleTest program whose every test is a test of its own. QT: run by a QApplication on Qt's
# offscreen platform (fakes/QtTestMain.cpp) instead of gtest_main. SERIAL: its tests run one at a time.
function(tn_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QT;SERIAL" "TEST_PREFIX" "SOURCES;LIBS")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(properties)
  if(arg_SERIAL)
    list(APPEND properties RUN_SERIAL TRUE)
  endif()
  if(arg_QT)
    target_link_libraries(${name} PRIVATE ${arg_LIBS} tn_qt_test_main)
    list(APPEND properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest_main)
  endif()
  set(prefix)
  if(arg_TEST_PREFIX)
    set(prefix TEST_PREFIX ${arg_TEST_PREFIX})
  endif()
  gtest_discover_tests(${name} ${prefix} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# tn_add_fuzz(<name> <source>...): a libFuzzer target from <name>.cpp and the sources it parses with,
# put into the top of the build folder.
function(tn_add_fuzz name)
  add_executable(${name} ${name}.cpp ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -O1 -g -fsanitize=fuzzer,address,undefined
                                         -fno-sanitize-recover=undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()
