# The Node.js integration module's tests (integration/node), run with Node's own test runner.
# With procsweep.exe built, they also run it for real (under Wine when not on Windows).
find_program(PROCSWEEP_NODE_EXECUTABLE node)
if(PROCSWEEP_NODE_EXECUTABLE)
  add_test(NAME node
    COMMAND ${PROCSWEEP_NODE_EXECUTABLE} --test
      ${CMAKE_SOURCE_DIR}/integration/node/procsweep.test.js)
  set_tests_properties(node PROPERTIES ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}")
else()
  message(WARNING "Node.js not found: the tests of integration/node are not registered")
endif()
