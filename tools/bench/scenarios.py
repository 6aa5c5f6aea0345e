"""The installation the benchmarks look at, and the four situations they measure (and, in
tools/bench/installing.py, a fifth: an installer with the electron-builder include). Each situation
starts from a fresh Wine session, and the commands it compares take turns in it."""

import os
import shutil
import time
from dataclasses import dataclass

from tools.bench.installing import installing
from tools.bench.session import (BenchError, end_all, fresh_start, peak_memory_kib, run, spawn,
                                 timed_runs)
from tools.windows_programs import HELPER_NAMES, HELPERS, MARKER, linux_path, win_path

MAIN_EXE = "App.exe"
TASKKILL = "C:\\windows\\system32\\taskkill.exe"
# Copies of each of the four helpers that run while helpers are measured.
HELPER_COPIES = 5
RUNNING_HELPERS = HELPER_COPIES * len(HELPERS)
ENDED_TIMEOUT_S = 60


@dataclass
class Settings:
    rounds: int = 51        # runs of each command in a timed comparison
    force_rounds: int = 7   # of `force` and `taskkill /F`, each on freshly started helpers
    memory_runs: int = 5    # peak memory readings of each program
    install_rounds: int = 21  # silent installs with the include and without it, each
    other_counts: tuple = (50, 200)  # other processes running while nothing of ours runs


@dataclass
class Layout:
    """The installation: the main executable (a window program, running only while `close` is
    measured), the marker and the four helpers (copies of the runner's wait mode); and one more
    copy of it elsewhere, as the other processes."""
    root: str
    main: str
    helpers: list
    other: str


def lay_out(session):
    session.clear_work()
    root = os.path.join(session.work, "installation")
    main = os.path.join(root, MAIN_EXE)
    os.makedirs(os.path.join(root, "resources"))
    shutil.copyfile(session.window, main)
    with open(linux_path(root, MARKER), "wb") as f:
        f.write(b"asar")
    helpers = []
    for helper in HELPERS:
        path = linux_path(root, helper)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(session.runner, path)
        helpers.append(path)
    other = os.path.join(session.work, "others", "other.exe")
    os.makedirs(os.path.dirname(other))
    shutil.copyfile(session.runner, other)
    return Layout(root, main, helpers, other)


def quoted(path):
    return '"' + win_path(path) + '"'


def sweep_command(layout, word, exe):
    return f"{quoted(exe)} {word} {quoted(layout.root)} {MAIN_EXE}"


def floor_command(session, resolving=False):
    return " ".join([quoted(session.floor), *(["--resolve"] if resolving else []), MAIN_EXE,
                     *HELPER_NAMES])


def all_helpers(layout):
    return [(path, HELPER_COPIES) for path in layout.helpers]


@dataclass
class Idle:
    """`probe` with nothing of the installation running, the floor, a `taskkill /IM` scan for a
    name that does not run, and the baseline's `probe` (or None); milliseconds per round. Peak
    memory in KiB by program (probe, floor, baseline), measured with the first count only."""
    probe: list
    floor: list
    taskkill: list
    baseline: list
    memory: dict


def idle_installation(session, layout, settings, others, baseline_exe):
    fresh_start(session)
    spawn(session, [(layout.other, others)])
    commands = {"probe": (sweep_command(layout, "probe", session.exe), 0),
                "floor": (floor_command(session), 0),
                "taskkill": (f"{TASKKILL} /IM {MAIN_EXE}", None)}
    if baseline_exe:
        commands["baseline"] = (sweep_command(layout, "probe", baseline_exe), 0)
    times = dict(zip(commands, timed_runs(
        session, settings.rounds, [command for command, _ in commands.values()],
        [code for _, code in commands.values()])))
    memory = None
    if others == settings.other_counts[0]:
        memory = {name: sorted(peak_memory_kib(session, command)
                               for _ in range(settings.memory_runs))
                  for name, (command, _) in commands.items() if name != "taskkill"}
    return Idle(times["probe"], times["floor"], times["taskkill"], times.get("baseline"), memory)


@dataclass
class Helpers:
    """`probe` with the helpers running, the resolving floor and the snapshot walk alone."""
    probe: list
    resolving: list
    floor: list


def running_helpers(session, layout, settings):
    fresh_start(session)
    spawn(session, all_helpers(layout))
    probe, resolving, floor = timed_runs(
        session, settings.rounds,
        [sweep_command(layout, "probe", session.exe), floor_command(session, resolving=True),
         floor_command(session)],
        [11, 1, 1])
    return Helpers(probe, resolving, floor)


@dataclass
class Closing:
    """`close` on the main executable showing a window that stays, `probe` of the same processes,
    and the baseline's `close` (or None)."""
    close: list
    probe: list
    baseline: list


def closing_window(session, layout, settings, baseline_exe):
    fresh_start(session)
    spawn(session, [(layout.other, settings.other_counts[0]), (layout.main, 1)])
    commands = [sweep_command(layout, "close", session.exe),
                sweep_command(layout, "probe", session.exe)]
    codes = [0, 10]
    if baseline_exe:
        commands.append(sweep_command(layout, "close", baseline_exe))
        codes.append(0)
    times = timed_runs(session, settings.rounds, commands, codes)
    return Closing(times[0], times[1], times[2] if baseline_exe else None)


@dataclass
class Ending:
    """`force` on the running helpers and `taskkill /F` on their names, each on fresh copies."""
    force: list
    taskkill: list


def ending_helpers(session, layout, settings):
    fresh_start(session)
    kill = " ".join([TASKKILL, "/F"] + [f"/IM {name}" for name in HELPER_NAMES])
    force, taskkill = [], []
    for round_number in range(settings.force_rounds):
        order = [("force", sweep_command(layout, "force", session.exe), force),
                 ("taskkill", kill, taskkill)]
        if round_number % 2:
            order.reverse()
        for name, command, times in order:
            spawn(session, all_helpers(layout))
            times += timed_runs(session, 1, [command], [0])[0]
            wait_until_ended(session, layout, name)
    return Ending(force, taskkill)


def wait_until_ended(session, layout, name):
    # taskkill does not wait for the processes it ends; the next round must start clean.
    deadline = time.monotonic() + ENDED_TIMEOUT_S
    while True:
        code, _ = run(session, session.exe, "probe", win_path(layout.root), MAIN_EXE,
                              check=False)
        if code == 0:
            return
        if time.monotonic() > deadline:
            raise BenchError(f"helpers still running after {name}")
        time.sleep(0.2)


@dataclass
class Results:
    idle: dict  # other process count: Idle
    helpers: Helpers
    closing: Closing
    ending: Ending
    installing: object  # tools.bench.installing.Installing
    size: int   # of procsweep.exe, in bytes


def measure(session, settings, baseline_exe):
    layout = lay_out(session)
    idle = {others: idle_installation(session, layout, settings, others, baseline_exe)
            for others in settings.other_counts}
    helpers = running_helpers(session, layout, settings)
    closing = closing_window(session, layout, settings, baseline_exe)
    ending = ending_helpers(session, layout, settings)
    installs = installing(session, settings)
    end_all(session)
    return Results(idle, helpers, closing, ending, installs, os.path.getsize(session.exe))
