"""Shared ground of the end-to-end tests: the programs under test, the expected event lines,
the runs of procsweep.exe and of the fixture program, and a test case that cleans up after
itself. Programs are started through tools.windows_programs.

They run the real procsweep.exe under Wine (tools/wine-run, the build directory's private
prefix), or directly on Windows, on real files, folders and processes made under the build
directory, and compare the exact bytes of standard output and of the log file, and the exit
code.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import atexit
import itertools
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from tools import windows_programs
from tools.windows_programs import (BUILD_DIR, HELPERS, MARKER, NODE, UNDER_WINE, final_path,
                                    linux_path, win_path)

PROCSWEEP_EXE = os.path.normpath(os.environ.get("PROCSWEEP_EXE",
                                               os.path.join(BUILD_DIR, "procsweep.exe")))
FIXTURE_APP = os.path.normpath(os.environ.get("FIXTURE_APP",
                                             os.path.join(BUILD_DIR, "fixture_app.exe")))
# procsweep.exe's stand-in where a test needs programs that hold the installation's files, which
# Wine's Restart Manager never names (tests/fixtures/holders_stand_in.cpp): put in the tool's
# place, it runs the real tool for every mode but legacy-owners.
HOLDERS_STAND_IN = os.path.normpath(os.environ.get(
    "HOLDERS_STAND_IN", os.path.join(BUILD_DIR, "holders_stand_in.exe")))
WORK_ROOT = os.path.join(BUILD_DIR, "e2e-work")

TOOL_TIMEOUT_S = 120
READY_TIMEOUT_S = 30
EXIT_TIMEOUT_S = 15

MAIN_EXE = "App.exe"
# The files that legacy-owners samples, in the order it reports them.
SAMPLES = [MAIN_EXE, MARKER] + HELPERS

SUCCESS, FAILURE, MAIN_RUNNING, HELPERS_RUNNING = 0, 2, 10, 11


def event(name, pid=0, error=0, text=""):
    """One event line as the tool writes it, line end included."""
    return f"{name} pid={pid} win32-error={error} {text}\r\n"


def matched(pid, image):
    return event("matched", pid, 0, image)


def exited(pid, image):
    return event("exited", pid, 0, image)


def ansi_code_page():
    """The code page of standard output: 1252 under Wine here, the system's own on Windows."""
    if UNDER_WINE:
        return "cp1252"
    import ctypes
    return f"cp{ctypes.windll.kernel32.GetACP()}"


# For tests whose expected bytes are written out in code page 1252, Wine's here.
needs_code_page_1252 = unittest.skipUnless(ansi_code_page() == "cp1252",
                                           "expects standard output in code page 1252")

# Set by the Windows workflow (docs/windows.md): there a Windows confirmation that cannot be
# staged fails instead of being skipped, so that a run meant to confirm cannot pass without.
CONFIRM_ON_WINDOWS = os.environ.get("PROCSWEEP_CONFIRM_ON_WINDOWS") == "1"


def cannot_confirm(testcase, reason):
    """Skips a Windows confirmation that this machine cannot stage, or fails it where
    PROCSWEEP_CONFIRM_ON_WINDOWS=1 asks for every confirmation."""
    if CONFIRM_ON_WINDOWS:
        testcase.fail(f"not confirmed: {reason}")
    testcase.skipTest(reason)


def image_through_link(started_from, file_itself):
    """The image path that a process started through a link reports: Wine gives the path it was
    started by, Windows the path of the file itself, its links resolved
    (QueryFullProcessImageNameW). The tool relies on neither: it resolves the image itself."""
    return win_path(started_from if UNDER_WINE else file_itself)


def stdout_bytes(lines):
    """Standard output in the ANSI code page: a character the code page lacks becomes '?'."""
    return "".join(lines).encode(ansi_code_page(), errors="replace")


def log_bytes(lines):
    return "".join(lines).encode("utf-16-le")


class ToolRun:
    def __init__(self, args, completed):
        self.args = args
        self.code = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr

    def __repr__(self):
        return (f"procsweep.exe {self.args!r}\n  exit code {self.code}\n"
                f"  stdout {self.stdout!r}\n  stderr {self.stderr!r}")


# Every program started and not yet ended, so that no way out of the run leaves one behind.
_running = set()


def start_tool(*args, cwd=None, exe=PROCSWEEP_EXE):
    """Starts procsweep.exe (or a copy of it at exe) and returns at once; finish_tool collects
    its run."""
    WineSession.ensure()
    popen = windows_programs.start(exe, *args, cwd=cwd, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
    popen.args_given = args
    _running.add(popen)
    return popen


def finish_tool(popen):
    try:
        stdout, stderr = popen.communicate(timeout=TOOL_TIMEOUT_S)
    finally:
        stop_process(popen)
    return ToolRun(popen.args_given, subprocess.CompletedProcess(
        popen.args, popen.returncode, stdout, stderr))


def run_tool(*args, cwd=None, exe=PROCSWEEP_EXE):
    """Runs procsweep.exe (or a copy of it at exe) with args."""
    return finish_tool(start_tool(*args, cwd=cwd, exe=exe))


def start_fixture(exe_linux_path, command, record_file):
    """Starts a copy of the fixture program and returns its Popen.

    Its standard handles are closed: a program holding a pipe of ours would keep it open.
    """
    popen = windows_programs.start(exe_linux_path, command, win_path(record_file),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _running.add(popen)
    return popen


def read_records(record_file):
    try:
        with open(record_file, "rb") as f:
            return f.read().decode("ascii").splitlines()
    except FileNotFoundError:
        return []


def wait_ready(popen, record_file, timeout=READY_TIMEOUT_S):
    """Bounded poll for the fixture's "ready <pid>" record; returns the Windows pid."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for record in read_records(record_file):
            if record.startswith("ready "):
                return int(record.split()[1])
        if popen.poll() is not None:
            raise AssertionError(f"fixture ended with {popen.returncode} before it was ready")
        time.sleep(0.05)
    raise AssertionError(f"fixture not ready within {timeout} s: {record_file}")


def stop_process(popen):
    """Ends a started program from the Linux side; Wine's server notices its end."""
    if popen.poll() is None:
        popen.kill()
    try:
        popen.wait(timeout=EXIT_TIMEOUT_S)
    except subprocess.TimeoutExpired:
        pass
    _running.discard(popen)


class WineSession:
    """Keeps the prefix's Wine server up for the whole run.

    The first program started in a prefix brings up the Wine server and its system services,
    which inherit that program's standard handles: a run whose output the test reads through
    a pipe would then wait for the services to end before the pipe closes (seconds each time).
    So a small program, started with its handles closed, holds the session open until the
    test process exits; the Wine server then ends by itself.
    """

    _anchor = None

    @classmethod
    def ensure(cls):
        if not UNDER_WINE:
            return
        if cls._anchor is not None and cls._anchor.poll() is None:
            return
        folder = os.path.join(WORK_ROOT, "anchor")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        exe = os.path.join(folder, "e2e-session.exe")
        shutil.copyfile(FIXTURE_APP, exe)
        record = os.path.join(folder, "record.txt")
        anchor = start_fixture(exe, "wait", record)
        cls._anchor = anchor
        wait_ready(anchor, record, timeout=120)

    @classmethod
    def end(cls):
        for popen in list(_running):
            stop_process(popen)
        if cls._anchor is not None:
            cls._anchor = None
            shutil.rmtree(os.path.join(WORK_ROOT, "anchor"), ignore_errors=True)
            # Wait for the server to end, so that the run leaves nothing behind.
            windows_programs.wait_for_server(timeout=TOOL_TIMEOUT_S)


def _end_on_signal(signum, frame):
    WineSession.end()
    os._exit(128 + signum)


atexit.register(WineSession.end)
# A run stopped from outside (CTest's timeout, Ctrl-C) still ends what it started. Windows has
# no SIGHUP.
for _signal in ("SIGTERM", "SIGINT", "SIGHUP"):
    if hasattr(signal, _signal):
        signal.signal(getattr(signal, _signal), _end_on_signal)


def copy_fixture(destination):
    os.makedirs(os.path.dirname(destination), exist_ok=True)
    shutil.copyfile(FIXTURE_APP, destination)


class Installation:
    """A sample installation: the main executable, the marker file and the helpers."""

    def __init__(self, root, main=MAIN_EXE, helpers=HELPERS, marker=True):
        self.root = root
        self.main = main
        os.makedirs(root, exist_ok=True)
        if main is not None:
            copy_fixture(os.path.join(root, main))
        for helper in helpers:
            copy_fixture(linux_path(root, helper))
        if marker:
            os.makedirs(os.path.join(root, "resources"), exist_ok=True)
            with open(linux_path(root, MARKER), "wb") as f:
                f.write(b"asar")

    @property
    def win(self):
        return win_path(self.root)

    def path(self, relative=None):
        return linux_path(self.root, relative or self.main)

    def image(self, relative=None):
        """The Windows path of one of its executables, as a process started from it reports."""
        return win_path(self.path(relative))

    def candidate(self, relative=None):
        """The candidate path the target list builds (the installation root is a final path)."""
        return final_path(self.root) + "\\" + (relative or self.main)


class Namesakes:
    """A main executable and a Node.js helper of the same names as an installation's, run from
    another folder named like it all along: an installer must never touch them. The main
    executable shows a window, so that a close request sent to it would end it."""

    def __init__(self, folder, app_name, main):
        self.installation = Installation(os.path.join(folder, "elsewhere", app_name), main=main)
        self.running = {}
        for relative, command in [(main, "windows"), (NODE, "wait")]:
            record = os.path.join(folder, f"elsewhere-{command}.txt")
            popen = start_fixture(self.installation.path(relative), command, record)
            wait_ready(popen, record)
            self.running[relative] = (popen, record)

    def check_untouched(self, testcase, lines, message=None):
        """Fails `testcase` when a copy has ended or got a close request, or one of `lines` (what
        an installer reported) names their folder."""
        for relative, (popen, record) in self.running.items():
            testcase.assertIsNone(popen.poll(), f"the copy of {relative} elsewhere was ended")
            testcase.assertEqual(len(read_records(record)), 1, "the copy elsewhere got a close")
        testcase.assertFalse([line for line in lines if self.installation.win in line],
                             message or lines)

    def stop(self):
        for popen, _ in self.running.values():
            stop_process(popen)


def holders_stand_in_folder(folder, holders):
    """Fills `folder` with what the holders' stand-in reads: the real tool, and the holders it
    names, each (runs, pid, application name): named by the first `runs` runs of legacy-owners,
    0 for every run. Returns the folder as Windows sees it, for PROCSWEEP_STAND_IN_DIR."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep-real.exe"))
    with open(os.path.join(folder, "holders.txt"), "w", encoding="utf-8") as f:
        f.write("".join(f"{runs} {pid} {name}\n" for runs, pid, name in holders))
    return win_path(folder)


def stand_in_holders(testcase, *holders):
    """Has the holders' stand-in, wherever a program the test starts runs it, name `holders`
    ((runs, pid, application name) each, see holders_stand_in_folder) until the test ends.
    Returns the stand-in's folder."""
    folder = testcase.folder("stand-in")
    windows_programs.ENV["PROCSWEEP_STAND_IN_DIR"] = holders_stand_in_folder(folder, holders)
    testcase.addCleanup(windows_programs.ENV.pop, "PROCSWEEP_STAND_IN_DIR", None)
    return folder


# Wine 8 cannot read a final path much past 260 characters: an installation reached through a
# short link to a deep folder exists, but procsweep.exe cannot resolve it and answers 2.
DEEP = ["d" * 100] * 3


def unresolvable_installation(testcase, root, main=MAIN_EXE):
    """A sample installation that exists at `root` but that procsweep.exe cannot resolve, so
    that it answers 2: `root` is a short link to it in a folder deeper than Wine 8 resolves a
    final path. Returns the deep folder."""
    short = os.path.join(testcase.work, "short", os.path.basename(root))
    Installation(short, main=main)
    deep = os.path.join(testcase.work, *DEEP, os.path.basename(root))
    os.makedirs(os.path.dirname(deep))
    os.rename(short, deep)
    os.symlink(deep, root)
    return deep


def map_drive(testcase, linux_folder):
    """Makes linux_folder the root of a new drive of the Wine prefix, until the test ends.

    Wine then reports every path below it on that drive ("Y:\\..."), final paths included.
    Returns the drive ("Y:").
    """
    if not UNDER_WINE:
        testcase.skipTest("maps a drive letter in Wine's prefix (dosdevices)")
    dosdevices = os.path.join(windows_programs.ENV["WINEPREFIX"], "dosdevices")
    for letter in "yxwvutsrqp":
        link = os.path.join(dosdevices, letter + ":")
        if not os.path.lexists(link):
            os.symlink(linux_folder, link)
            testcase.addCleanup(os.remove, link)
            return letter.upper() + ":"
    testcase.skipTest("no free drive letter in the Wine prefix")


class E2ETestCase(unittest.TestCase):
    """Gives each test its own folder under the build directory and ends what it started."""

    maxDiff = None

    def setUp(self):
        os.makedirs(WORK_ROOT, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix=self.id().rsplit(".", 1)[-1][:40] + "-", dir=WORK_ROOT)
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self._records = itertools.count()

    def folder(self, *parts):
        path = os.path.join(self.work, *parts)
        os.makedirs(path, exist_ok=True)
        return path

    def file(self, *parts, content=b""):
        path = os.path.join(self.work, *parts)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def installation(self, *parts, **layout):
        return Installation(os.path.join(self.work, *parts), **layout)

    def start(self, exe_linux_path, command="wait"):
        """Starts the fixture program from exe_linux_path and waits until it is ready.

        Returns (popen, Windows pid, record file). The process is ended when the test ends,
        whatever the test's outcome.
        """
        processes = self.start_all([(exe_linux_path, command)])
        return processes[0]

    def start_all(self, programs):
        """Starts several fixture programs at once; the same result as start, one per program."""
        WineSession.ensure()
        started = []
        for exe, command in programs:
            record = os.path.join(self.work, f"record-{next(self._records)}.txt")
            popen = start_fixture(exe, command, record)
            self.addCleanup(stop_process, popen)
            started.append((popen, record))
        return [(popen, wait_ready(popen, record), record) for popen, record in started]

    def assertRun(self, run, code, stdout=b""):
        self.assertEqual((run.code, run.stdout), (code, stdout), run)

    def assertRunInAnyProcessOrder(self, run, code, passes):
        """Standard output made of sweep passes, each a list of per-process blocks of lines.

        The snapshot decides the order in which a pass meets the processes; every pass keeps
        each process's lines together and in order.
        """
        candidates = [
            stdout_bytes([line for blocks in ordering for block in blocks for line in block])
            for ordering in itertools.product(*(itertools.permutations(p) for p in passes))]
        self.assertEqual(run.code, code, run)
        self.assertIn(run.stdout, candidates, run)

    def assertRunning(self, popen):
        self.assertIsNone(popen.poll(), "the process should still run")

    def assertEndsWith(self, popen, code):
        try:
            popen.wait(timeout=EXIT_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            self.fail("the process should have ended")
        self.assertEqual(popen.returncode, code)
