# make release's promise: tools/release.py builds the same bytes in two different directories,
# and its signed copy (a throwaway certificate) verifies, runs, and without its signature is
# those bytes again. Each build is the tool alone, not the tests.
if(Python3_Interpreter_FOUND)
  add_test(NAME release
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/release/release_test.py)
  set_tests_properties(release PROPERTIES ENVIRONMENT
    "PROCSWEEP_SOURCE_DIR=${CMAKE_SOURCE_DIR};PROCSWEEP_BUILD_DIR=${CMAKE_BINARY_DIR}")
endif()
