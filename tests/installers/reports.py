"""What a silently run installer leaves readable, and how the tests run one: its report file
read while it runs, the runs of procsweep.exe in it, and the batch file that passes a command
line to it as NSIS reads it (Wine would quote an argument with a space, such as /D=)."""

import glob
import os
import re
import subprocess
import time

from tests.e2e.harness import WineSession, stop_process
from tools.windows_programs import ENV, command, win_path

INSTALLER_TIMEOUT_S = 180


def run_quietly(args, cwd=None, env=None):
    completed = subprocess.run(args, cwd=cwd, env=env or ENV, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               timeout=INSTALLER_TIMEOUT_S)
    if completed.returncode != 0:
        raise AssertionError(f"{args} ended with {completed.returncode}:\n"
                             f"{completed.stdout.decode(errors='replace')}")
    return completed.stdout.decode(errors="replace")


def windows_temp_folder(folder="%TEMP%"):
    """The Linux path of %TEMP% (or of another folder of Windows') in the Wine prefix, where the
    installers keep their reports."""
    return run_quietly(command("cmd", "/c", "winepath", "-u", folder)).strip()


class Report:
    """What an installer left readable: the lines of its report file, each with the moment the
    test first saw it, and the runs of procsweep.exe among them."""

    def __init__(self, code, lines, seen):
        self.code = code
        self.lines = lines
        self.seen = seen
        self.runs = []
        current = None
        for index, line in enumerate(lines):
            if line.startswith("procsweep.exe "):
                current = {"mode": line.split()[1], "start": index, "events": []}
            elif current is not None and line.startswith("exit code "):
                current.update(code=line[len("exit code "):], end=index)
                self.runs.append(current)
                current = None
            elif current is not None:
                current["events"].append(line)

    def steps(self):
        return " ".join(f"{run['mode']} {run['code']}" for run in self.runs)

    def events(self, mode):
        return [line for run in self.runs if run["mode"] == mode for line in run["events"]]

    def __repr__(self):
        return f"exit code {self.code}; report:\n  " + "\n  ".join(self.lines)


def complete_lines(text):
    """The lines of a file being written, without a last one that has no line end yet."""
    return text.split("\r\n")[:-1]


def run_watched(args, read_lines):
    """Runs an installer to its end, noting when each line of its report first appears."""
    WineSession.ensure()
    popen = subprocess.Popen(args, env=ENV, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + INSTALLER_TIMEOUT_S
    seen = []
    try:
        while True:
            ended = popen.poll() is not None
            lines = read_lines()
            now = time.monotonic()
            seen.extend([now] * (len(lines) - len(seen)))
            if ended:
                return Report(popen.returncode, lines, seen)
            if now > deadline:
                raise AssertionError(f"{args} did not end within {INSTALLER_TIMEOUT_S} s")
            time.sleep(0.02)
    finally:
        stop_process(popen)


class NewReport:
    """The report a run that starts now keeps with procsweep.nsh's ProcsweepKeepReport: a new
    file in `folder` named after `name` with the run's date and time before its extension
    ("App setup procsweep 20261211-093015.log", or "... 20261211-093015 2.log" for a second run
    in that second, or "... 20261211-093015 0123456789abcdef.log", 16 random hexadecimal digits,
    when all those were taken). Files of that form already there are not it."""

    def __init__(self, folder, name):
        stem, extension = os.path.splitext(name)
        self.folder = folder
        self.pattern = re.compile(re.escape(stem) + r" \d{8}-\d{6}( [2-9]| [0-9a-f]{16})?"
                                  + re.escape(extension) + "$")
        self.before = set(self.all())

    def all(self):
        try:
            return [name for name in os.listdir(self.folder) if self.pattern.match(name)]
        except FileNotFoundError:
            return []

    def path(self):
        """The new report's path, or None while there is none (or, after the run, when none
        was kept)."""
        new = [name for name in self.all() if name not in self.before]
        assert len(new) <= 1, f"more than one new report in {self.folder}: {new}"
        return os.path.join(self.folder, new[0]) if new else None


def report_names(name, seconds, counts=range(2, 10)):
    """The names a report ProcsweepKeepReport keeps from now on, for `seconds`, can take: `name`
    with each second's date and time (local and UTC) before its extension, and after it each of
    `counts` (" 2" to " 9": more runs in the same second)."""
    stem, extension = os.path.splitext(name)
    now = time.time()
    return sorted({f"{stem} {time.strftime('%Y%m%d-%H%M%S', convert(now + second))}{suffix}"
                   f"{extension}"
                   for second in range(-2, seconds) for convert in [time.localtime, time.gmtime]
                   for suffix in ["", *(f" {count}" for count in counts)]})


def utf16_report(report):
    """Reads the lines of a UTF-16 report: at a path, or the NewReport once it is there."""
    def read():
        path = report.path() if isinstance(report, NewReport) else report
        if path is None:
            return []
        try:
            with open(path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        if data.startswith(b"\xff\xfe"):
            data = data[2:]
        return complete_lines(data[:len(data) // 2 * 2].decode("utf-16-le", errors="replace"))
    return read


def live_or_kept(kept, live):
    """An installer's report read while it runs and after: the file it writes into while it runs
    (`live`, a glob pattern: its $PLUGINSDIR, a folder of %TEMP% that it makes under a new name
    and removes when it ends) and the copy it keeps (`kept`), whichever has more lines."""
    def read():
        readings = [utf16_report(path)() for path in [kept, *glob.glob(live)]]
        return max(readings, key=len)
    return read


def batch_text(line, code):
    """A batch file that runs the command line `line`, as the program it starts reads it, and
    writes its whole exit code to the file `code`: Linux sees a Windows program's exit code
    modulo 256 (3010 would read 194). The redirection comes first: in `echo 3>"file"` cmd reads
    "3>" as a redirection of handle 3, and writes no digit."""
    return f'@echo off\r\n{line}\r\n>"{win_path(code)}" echo %ERRORLEVEL%\r\n'


def batch_file(test, line):
    """A batch file in the test's folder that runs the command line `line`, as NSIS reads it,
    and ends with its exit code, which it also writes to a file beside itself (batch_code):
    Linux sees a Windows program's exit code modulo 256."""
    path = os.path.join(test.work, f"run-{len(os.listdir(test.work))}.bat")
    return test.file(os.path.basename(path), content=(
        batch_text(line, path + ".code") + "exit /b %ERRORLEVEL%\r\n").encode())


def batch_code(batch, returncode):
    """The whole exit code of the command line a batch file of batch_file ran: what it wrote,
    or, where it wrote nothing, `returncode`."""
    try:
        with open(batch + ".code") as f:
            return int(f.read())
    except (FileNotFoundError, ValueError):
        return returncode


def run_batch(test, line, report, live=None):
    """Runs the command line `line` from a batch file in the test's folder, watching the UTF-16
    report file `report` (a path, removed first so that only this run's lines are read, or a
    NewReport made before the run). With `live`, `report` is the copy the installer keeps of the
    file it writes while it runs, a glob pattern (see live_or_kept)."""
    batch = batch_file(test, line)
    stale = [] if isinstance(report, NewReport) else [report]
    for path in stale + (glob.glob(live) if live else []):
        if os.path.exists(path):
            os.remove(path)
    read = live_or_kept(report, live) if live else utf16_report(report)
    report = run_watched(command("cmd", "/c", win_path(batch)), read)
    report.code = batch_code(batch, report.code)
    return report


def read_report(code, report):
    """What a run that has ended left in the UTF-16 report file `report`."""
    return Report(code, utf16_report(report)(), [])
