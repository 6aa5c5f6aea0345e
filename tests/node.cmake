# The npm package (package/) as an author installs it: packed around the build's procsweep.exe,
# installed from its tarball into a fresh project (npm, offline), its module's tests run there
# with Node's own test runner, its types checked with TypeScript, and the Node.js examples of
# integration/node run with it. They run procsweep.exe for real (under Wine when not on Windows).
find_program(PROCSWEEP_NODE_EXECUTABLE node)
find_program(PROCSWEEP_NPM_EXECUTABLE npm)
if(PROCSWEEP_NODE_EXECUTABLE AND PROCSWEEP_NPM_EXECUTABLE AND Python3_Interpreter_FOUND)
  add_test(NAME node
    COMMAND ${Python3_EXECUTABLE} -m unittest -v tests.node.installed_package_test
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(node PROPERTIES ENVIRONMENT "${PROCSWEEP_TEST_ENVIRONMENT}")
else()
  message(WARNING "Node.js, npm or Python 3 not found: the tests of the npm package are not "
    "registered")
endif()
