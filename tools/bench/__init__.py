"""make bench: measures procsweep.exe and writes docs/benchmarks.md.

    python3 -m tools.bench [--build DIR] [--baseline COMMIT] [--rounds N] ...

(`python3 -m tools.bench --help` lists the options.) The package's parts:

  session.py    the Windows side: the bench's own Wine prefix, and the runs of programs/runner.cpp
                that start, time and measure Windows command lines from inside the system
  baseline.py   the procsweep.exe of another commit, built to be compared with (--baseline)
  scenarios.py  the installation the runs look at, and the four measured situations
  installing.py what the electron-builder include costs a silent one-click install (the
                electron-builder entry's installer, built with the include and without it)
  stats.py      paired medians, ratios and their confidence intervals
  report.py     the goals, the verdicts, and docs/benchmarks.md's prose
  programs/     the Windows programs (floors, runner, window), built by CMake (bench.cmake)
"""
