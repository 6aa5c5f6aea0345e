# The two test layers: unit tests against the simulated Windows, and end-to-end tests that run
# the real procsweep.exe under Wine (or on Windows) against real files and processes.

if(EXISTS "${PROCSWEEP_GTEST_SOURCE_DIR}/CMakeLists.txt")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${PROCSWEEP_GTEST_SOURCE_DIR}" googletest EXCLUDE_FROM_ALL SYSTEM)

  add_executable(procsweep_unit_tests
    tests/support/simulated_world.cpp
    tests/support/simulated_console.cpp
    tests/support/simulated_strings.cpp
    tests/support/simulated_paths.cpp
    tests/support/simulated_files.cpp
    tests/support/simulated_processes.cpp
    tests/support/simulated_loader.cpp
    tests/support/simulated_user32.cpp
    tests/support/simulated_restart_manager.cpp
    tests/unit/command_line_test.cpp
    tests/unit/report_event_test.cpp
    tests/unit/final_path_test.cpp
    tests/unit/unique_handle_test.cpp
    tests/unit/target_list_test.cpp
    tests/unit/file_owners_test.cpp
    tests/unit/owner_reports_test.cpp
    tests/unit/inaccessible_process_test.cpp
    tests/unit/sweep_test.cpp
    tests/unit/termination_test.cpp
    tests/unit/sweep_plan_test.cpp
    tests/unit/robustness_test.cpp
  )
  target_include_directories(procsweep_unit_tests PRIVATE tests)
  target_link_libraries(procsweep_unit_tests PRIVATE procsweep_core gtest gtest_main)
  if(MINGW)
    target_link_options(procsweep_unit_tests PRIVATE -static)
  endif()
  # One CTest entry for the whole program: each start under Wine costs half a second.
  add_test(NAME unit COMMAND procsweep_unit_tests --gtest_brief=1)
else()
  message(WARNING "GoogleTest sources not found in ${PROCSWEEP_GTEST_SOURCE_DIR}: no unit tests")
endif()

# Small programs the end-to-end tests start as the installation's executables.
add_executable(fixture_app tests/fixtures/fixture_app.cpp)
target_compile_definitions(fixture_app PRIVATE UNICODE _UNICODE)
target_link_libraries(fixture_app PRIVATE user32 advapi32)
if(MINGW)
  target_link_options(fixture_app PRIVATE -municode -static -mwindows)
endif()

# procsweep.exe's stand-in where a test needs programs holding the installation's files, which
# Wine's Restart Manager never names: the real tool for every mode but legacy-owners.
add_executable(holders_stand_in tests/fixtures/holders_stand_in.cpp)
target_compile_definitions(holders_stand_in PRIVATE UNICODE _UNICODE)
if(MINGW)
  target_link_options(holders_stand_in PRIVATE -municode -static)
endif()

# What every test that starts a program is told: the programs under test, and where the checkout
# and its build lie.
set(PROCSWEEP_TEST_ENVIRONMENT
  "PROCSWEEP_EXE=$<TARGET_FILE:procsweep>"
  "FIXTURE_APP=$<TARGET_FILE:fixture_app>"
  "HOLDERS_STAND_IN=$<TARGET_FILE:holders_stand_in>"
  "PROCSWEEP_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
  "PROCSWEEP_BUILD_DIR=${CMAKE_BINARY_DIR}")

# The Python suites import the shared code as packages of the checkout (tests.e2e.harness,
# tools.windows_programs): unittest's discovery puts the checkout's root (-t) on the path.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME e2e
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/e2e
      -t ${CMAKE_SOURCE_DIR} -p "*_test.py" -v)
  set_tests_properties(e2e PROPERTIES ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}")
endif()

include(tests/node.cmake)
include(tests/installers.cmake)
include(tests/msi.cmake)
include(tests/electron_builder.cmake)
include(tests/release.cmake)
