"""The Windows side of the benchmarks: a Wine prefix of their own, and the runs of bench_runner.exe
(programs/runner.cpp), which starts and times Windows command lines from inside the system so
that the figures leave out how a Linux process becomes a Wine one.

Programs are started through tools.windows_programs, in <build directory>/bench-wineprefix; every
process of that prefix is ended when the session ends, whatever happens.
"""

import os
import shutil
import subprocess

from tools import windows_programs
from tools.windows_programs import win_path

RUN_TIMEOUT_S = 900


class BenchError(Exception):
    pass


class Session:
    """The programs of one build and the prefix the benchmarks run them in."""

    def __init__(self, build_dir):
        self.build = os.path.abspath(build_dir)
        self.exe = os.path.join(self.build, "procsweep.exe")
        self.floor = os.path.join(self.build, "bench_floor.exe")
        self.runner = os.path.join(self.build, "bench_runner.exe")
        self.window = os.path.join(self.build, "bench_window.exe")
        for program in (self.exe, self.floor, self.runner, self.window):
            if not os.path.isfile(program):
                raise BenchError(f"missing {program}: build first (make bench builds)")
        self.work = os.path.join(self.build, "bench-work")
        self.env = windows_programs.environment(
            prefix=os.path.join(self.build, "bench-wineprefix"))
        self.semaphores = 0
        self.outputs = 0

    def clear_work(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)


def run(session, *args, check=True):
    """Runs a Windows program; returns (exit code, standard output and error as text).

    Output goes through a file, not a pipe: the first program of a prefix starts Wine's
    services, which inherit its handles and would keep a pipe open long after it ended.
    """
    session.outputs += 1
    path = os.path.join(session.work, f"output-{session.outputs}.txt")
    with open(path, "wb") as output:
        code = windows_programs.run(*args, env=session.env, stdout=output,
                                    stderr=subprocess.STDOUT, timeout=RUN_TIMEOUT_S).returncode
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", errors="replace")
    os.remove(path)
    if check and code != 0:
        raise BenchError(f"{args!r} ended with {code}: {text}")
    return code, text


def end_all(session):
    """Ends every process of the bench prefix and waits for its Wine server to go."""
    windows_programs.end_all(env=session.env)


def fresh_start(session):
    """Ends everything, then starts the Wine server and its services again with one run of the
    floor, so that no measurement pays for that start."""
    end_all(session)
    run(session, session.floor, "warm-up", check=False)


def spawn(session, pairs):
    """Starts copies of the runner's wait mode that keep running: pairs of (local path, count)."""
    session.semaphores += 1
    args = [session.runner, "spawn", f"procsweep-bench-{os.getpid()}-{session.semaphores}"]
    for path, count in pairs:
        args += [win_path(path), str(count)]
    run(session, *args)


def timed_runs(session, rounds, commands, expected_codes):
    """Times Windows command lines taking turns, `rounds` times each; returns one list of
    milliseconds per command. An expected code of None accepts any exit code."""
    _, text = run(session, session.runner, "time", str(rounds), *commands)
    times = [[] for _ in commands]
    for line in text.splitlines():
        parts = line.split()
        if len(parts) != 3 or not parts[0].isdigit():
            continue
        index, ms, code = int(parts[0]), float(parts[1]), int(parts[2])
        if expected_codes[index] is not None and code != expected_codes[index]:
            raise BenchError(f"{commands[index]} ended with {code}, not {expected_codes[index]}")
        times[index].append(ms)
    if any(len(t) != rounds for t in times):
        raise BenchError(f"runner output incomplete: {text}")
    return times


def peak_memory_kib(session, command):
    """Peak working set of one run of a Windows command line, as the system reports it to the
    runner while the program runs (under Wine: the resident high-water mark of its Unix process,
    Wine's own libraries and the program together)."""
    _, text = run(session, session.runner, "memory", command)
    return int(text.split()[-2])
