# The Windows programs that `make bench` (python3 -m tools.bench) measures procsweep.exe with,
# in programs/: the floors, a minimal process-snapshot walk with or without resolving each
# namesake's image (floor.cpp); the runner, which starts and times programs from inside Windows;
# and the window the measured `close` finds (window.cpp).
foreach(benchTool floor runner window)
  add_executable(bench_${benchTool} ${CMAKE_CURRENT_LIST_DIR}/programs/${benchTool}.cpp)
  target_compile_definitions(bench_${benchTool} PRIVATE UNICODE _UNICODE)
  if(MINGW)
    target_link_options(bench_${benchTool} PRIVATE -municode -static -s)
  endif()
endforeach()
target_link_libraries(bench_window PRIVATE user32)
