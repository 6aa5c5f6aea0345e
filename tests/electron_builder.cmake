# The electron-builder example of integration/electron-builder: installers built by
# electron-builder itself, offline, on every machine, for a stand-in Electron application, and
# run under Wine, 32-bit programs as they are (through the emulated 32-bit Wine where the kernel
# runs no 32-bit code). Needs Node.js, the npm package electron-builder, makensis and 7-Zip,
# which `make` installs.
if(Python3_Interpreter_FOUND AND NOT CMAKE_HOST_WIN32)
  # The stand-in for electron.exe: the fixture program, stripped and with version information,
  # as electron-builder's resource editor rejects an executable with symbols or without them.
  add_executable(fixture_electron tests/fixtures/fixture_app.cpp tests/fixtures/fixture_electron.rc)
  target_compile_definitions(fixture_electron PRIVATE UNICODE _UNICODE)
  target_link_libraries(fixture_electron PRIVATE user32 advapi32)
  if(MINGW)
    target_link_options(fixture_electron PRIVATE -municode -static -mwindows -s)
  endif()

  add_test(NAME electron-builder
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/electron_builder
      -t ${CMAKE_SOURCE_DIR} -p "*_test.py" -v)
  set_tests_properties(electron-builder PROPERTIES TIMEOUT 3600
    ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT};ELECTRON_STAND_IN=$<TARGET_FILE:fixture_electron>")
endif()
