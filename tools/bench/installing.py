"""What the electron-builder include costs an installation: the same silent one-click installer
built twice from the electron-builder entry's project (tests/electron_builder), once wired to the
procsweep package as its README says and once with an empty check of the author's own in its
place, each installing afresh with nothing of the application running, the two taking turns.

The installers are electron-builder's own, 32-bit programs: under emulation where the kernel runs
no 32-bit code (tools/wine32-emulated.sh), which the report says, as it slows every one of their
instructions.
"""

import os
import shutil
import subprocess
from dataclasses import dataclass

from tests.electron_builder import electron_builder_test as entry
from tools import package
from tools.bench.session import fresh_start, run, timed_runs
from tools.windows_programs import WINE_RUN, win_path

KIND = "one-click"
VERSION = "1.0.0"
# An include that leaves electron-builder's check empty: the installer without procsweep.
EMPTY_CHECK = "!macro customCheckAppRunning\n!macroend\n"


@dataclass
class Installing:
    """A silent one-click install, nothing running: with the include, with the empty check
    (milliseconds per round), and how its 32-bit programs ran ("native" or "emulated")."""
    include: list
    empty: list
    thirty_two_bit: str


def build(session):
    """The two installers, built once into the bench's work folder."""
    work = os.path.join(session.work, "installers")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    tarball = package.package_exe(os.path.join(work, "package"), session.exe)
    tools = {"env": entry.offline_environment(work), "electron": entry.electron_dist(work)}
    installers = {}
    for name, include in [("include", None), ("empty", EMPTY_CHECK)]:
        installers[name] = entry.build_installer(KIND, VERSION, tools, tarball,
                                                 work=os.path.join(work, name),
                                                 include=include)["installer"]
    return work, installers


def thirty_two_bit_wine():
    """How tools/wine-run runs a 32-bit program here: "emulated" (QEMU) or "native"."""
    setup = subprocess.run([WINE_RUN, "--setup"], stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout
    return "emulated" if b"emulated" in setup else "native"


def installing(session, settings):
    if not entry.RUNS_32_BIT_PROGRAMS:
        raise SystemExit(f"the installer benchmark cannot run: {entry.NOT_RUN}")
    work, installers = build(session)
    root = os.path.join(work, "installed")
    forget = entry.forget_file(work)
    commands = {name: f'"{win_path(installer)}" /S /D={win_path(root)}'
                for name, installer in installers.items()}
    fresh_start(session)
    times = {name: [] for name in commands}
    for round_number in range(settings.install_rounds):
        order = list(commands)
        if round_number % 2:
            order.reverse()
        for name in order:
            # Each install is a first one: no installation left, nothing recorded of one.
            shutil.rmtree(root, ignore_errors=True)
            run(session, "regedit", "/S", win_path(forget))
            times[name] += timed_runs(session, 1, [commands[name]], [0])[0]
    shutil.rmtree(root, ignore_errors=True)
    return Installing(times["include"], times["empty"], thirty_two_bit_wine())
