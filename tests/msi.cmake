# The MSI example of integration/msi: example.wxs with the npm package's procsweep.wxi, built
# with the package's procsweep-wixl as docs/windows-installer.md says (Debian's wixl and msitools,
# which `make` installs), and run with Wine's msiexec: upgrades, uninstalls and each UI level, with
# the application running; and what procsweep-wixl writes and refuses.
# Where wixl is missing the entry is reported as skipped, with the reason.
if(Python3_Interpreter_FOUND AND NOT CMAKE_HOST_WIN32)
  add_test(NAME msi
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/msi
      -t ${CMAKE_SOURCE_DIR} -p "*_test.py" -v)
  set_tests_properties(msi PROPERTIES TIMEOUT 900
    ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}"
    SKIP_REGULAR_EXPRESSION "skipped .wixl not found")
endif()
