# The installer examples of integration/ (NSIS, Inno Setup), built as docs/nsis.md and
# docs/inno-setup.md say and run silently under Wine on a sample installation; and the code of the
# guide's pages (docs/) and of the READMEs checked against the files they come from. Needs
# makensis, the npm package innosetup and Node.js, which `make` installs.
if(Python3_Interpreter_FOUND AND NOT CMAKE_HOST_WIN32)
  add_test(NAME installers
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/installers
      -t ${CMAKE_SOURCE_DIR} -p "*_test.py" -v)
  set_tests_properties(installers PROPERTIES TIMEOUT 1800
    ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}")
endif()
