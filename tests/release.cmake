# make release's promise: tools/release.py builds the same bytes in two different directories,
# and its signed copy (a throwaway certificate) verifies, runs, and without its signature is
# those bytes again. Each build is the tool alone, not the tests.
if(Python3_Interpreter_FOUND)
  add_test(NAME release
    COMMAND ${Python3_EXECUTABLE} -m unittest -v tests.release.release_test
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(release PROPERTIES ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}")
endif()
