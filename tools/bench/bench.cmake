# Programs that tools/bench.py (make bench) measures procsweep.exe with: the floor, a minimal
# process-snapshot walk (also as bench_floor_user32, the same walk with USER32 loaded), and the
# runner, which starts and times programs from inside Windows.
foreach(benchTool floor runner)
  add_executable(bench_${benchTool} ${CMAKE_CURRENT_LIST_DIR}/${benchTool}.cpp)
  target_compile_definitions(bench_${benchTool} PRIVATE UNICODE _UNICODE)
  if(MINGW)
    target_link_options(bench_${benchTool} PRIVATE -municode -static -s)
  endif()
endforeach()

add_executable(bench_floor_user32 ${CMAKE_CURRENT_LIST_DIR}/floor.cpp)
target_compile_definitions(bench_floor_user32 PRIVATE UNICODE _UNICODE BENCH_FLOOR_IMPORTS_USER32)
target_link_libraries(bench_floor_user32 PRIVATE user32)
if(MINGW)
  target_link_options(bench_floor_user32 PRIVATE -municode -static -s)
endif()
