"""Several procsweep.exe runs appending to one log file at the same time, as when an installer
and an updater, or several instances of one, share a log: no line is lost, split or merged.

Windows appends each write through an append-only handle at the file's end in one step. Wine 8
does not: for such a handle its NtWriteFile reads the file's size with fstat() and then writes
there with pwrite(), so two processes that write at the same moment can both write at the old
end, and the later write overwrites the start of the earlier one (seen here: a whole line lost
and the tail of another left as a line of its own, in 3 of about 45 runs of this test here).
The tool cannot prevent that without locking or retrying, so under Wine the lines of the log are
checked only when PROCSWEEP_E2E_STRICT_APPEND=1 asks for it; on Windows always.
"""

import collections
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get(
    "PROCSWEEP_SOURCE_DIR",
    os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
BUILD_DIR = os.environ.get("PROCSWEEP_BUILD_DIR", os.path.join(SOURCE_DIR, "build"))
EXE = os.environ.get("PROCSWEEP_EXE", os.path.join(BUILD_DIR, "procsweep.exe"))
WINE_RUN = os.path.join(SOURCE_DIR, "tools", "wine-run")
RUNNER = [] if os.name == "nt" else [WINE_RUN]
# Wine passes non-ASCII arguments on as UTF-16 only under a UTF-8 locale.
WINE_ENV = dict(os.environ, LC_ALL="C.UTF-8")
WINE_ENV.setdefault("WINEPREFIX", os.path.join(BUILD_DIR, "wineprefix"))
RUN_TIMEOUT_S = 120

INSTANCES = 4
ROUNDS = 3
MAIN_EXE = "App.exe"
# The six files that legacy-owners samples, in the order it reports them.
SAMPLES = [
    MAIN_EXE,
    "resources\\app.asar",
    "resources\\runtime\\node\\node.exe",
    "resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    "resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    "resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
]
EVENT_LINE = re.compile(r"[a-z]+(-[a-z]+)* pid=(0|[1-9][0-9]{0,9}) win32-error=(0|[1-9][0-9]{0,9}) "
                        r"[^\r\n]*")
EARLIER = "a line written before the runs\r\n".encode("utf-16-le")


def win_path(path):
    """The path as the tool sees it: Wine shows the Linux root as drive Z:."""
    return path if os.name == "nt" else "Z:" + path.replace("/", "\\")


def event(name, text=""):
    return f"{name} pid=0 win32-error=0 {text}"


def ansi_code_page():
    if os.name == "nt":
        import ctypes
        return f"cp{ctypes.windll.kernel32.GetACP()}"
    return "cp1252"


def stdout_bytes(lines):
    """Standard output in the ANSI code page: a character it lacks becomes '?'."""
    return "".join(line + "\r\n" for line in lines).encode(ansi_code_page(), errors="replace")


def expected_lines(directory):
    """What legacy-owners writes for a complete installation; Wine's Restart Manager never
    names a holder."""
    return ([event("restart-manager-legacy-sample", directory)] +
            [event("restart-manager-sampled-file", directory + "\\" + sample)
             for sample in SAMPLES] +
            [event("restart-manager-no-owner-reported")])


UNDER_WINE = os.name != "nt"
STRICT_APPEND = os.environ.get("PROCSWEEP_E2E_STRICT_APPEND") == "1"


class LogConcurrencyTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        root = os.path.join(BUILD_DIR, "e2e-work")
        os.makedirs(root, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix="log-concurrency-", dir=root)
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.running = []
        self.addCleanup(self.end_running)

    def end_running(self):
        for popen in self.running:
            if popen.poll() is None:
                popen.kill()
            popen.wait()

    def installation(self, name):
        root = os.path.join(self.work, name)
        for sample in SAMPLES:
            path = os.path.join(root, *sample.split("\\"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"sample")
        return win_path(root)

    def start(self, args, output_name):
        # Standard output goes to a file, not a pipe: Wine's services, started by the first
        # program of a prefix, inherit its handles and would hold a pipe open after it ended.
        with open(os.path.join(self.work, output_name), "wb") as output:
            popen = subprocess.Popen([*RUNNER, EXE, *args], env=WINE_ENV,
                                     stdin=subprocess.DEVNULL, stdout=output,
                                     stderr=subprocess.DEVNULL)
        self.running.append(popen)
        return popen

    def finish(self, popen, output_name):
        code = popen.wait(timeout=RUN_TIMEOUT_S)
        with open(os.path.join(self.work, output_name), "rb") as f:
            return code, f.read()

    def test_four_runs_at_once_append_every_line_whole(self):
        # Long, distinct directories, one with a character outside the ANSI code page: long
        # lines make overlapping writes likelier, and each line tells which run wrote it.
        directories = [self.installation(f"installation {i} " + "x" * 60 + ("\u0436" if i == 0
                                                                            else ""))
                       for i in range(INSTANCES)]
        log = os.path.join(self.work, "shared.log")
        with open(log, "wb") as f:
            f.write(EARLIER)

        # One run alone first: it brings the prefix's Wine server up, so that the concurrent
        # runs all start alike, and it shows what a single run writes.
        warm_up = self.start(["legacy-owners", directories[0], MAIN_EXE], "warm-up.txt")
        code, output = self.finish(warm_up, "warm-up.txt")
        self.assertEqual((code, output), (0, stdout_bytes(expected_lines(directories[0]))))

        for round_number in range(ROUNDS):
            runs = [(self.start(["--log", win_path(log), "legacy-owners", directory, MAIN_EXE],
                                f"round-{round_number}-{i}.txt"), f"round-{round_number}-{i}.txt")
                    for i, directory in enumerate(directories)]
            for (popen, output_name), directory in zip(runs, directories):
                code, output = self.finish(popen, output_name)
                with self.subTest(round=round_number, directory=directory):
                    self.assertEqual((code, output), (0, stdout_bytes(expected_lines(directory))))

        with open(log, "rb") as f:
            content = f.read()
        self.assertEqual(content[:len(EARLIER)], EARLIER)
        if UNDER_WINE and not STRICT_APPEND:
            self.skipTest("the log's lines: Wine 8 appends with fstat() and pwrite(), not "
                          "atomically; PROCSWEEP_E2E_STRICT_APPEND=1 checks them anyway")
        written = content[len(EARLIER):]
        self.assertEqual(len(written) % 2, 0, "the log holds a partial UTF-16 unit")
        text = written.decode("utf-16-le")
        self.assertTrue(text.endswith("\r\n"), text[-200:])
        lines = text[:-2].split("\r\n")
        for line in lines:
            self.assertIsNotNone(EVENT_LINE.fullmatch(line), f"not a whole event line: {line!r}")

        expected = collections.Counter()
        for directory in directories:
            expected.update(expected_lines(directory) * ROUNDS)
        self.assertEqual(collections.Counter(lines), expected)
        # Each run's own lines stay in the order it wrote them.
        for directory in directories:
            own = [line for line in lines if line.split(" ", 3)[3].startswith(directory)]
            self.assertEqual(own, expected_lines(directory)[:-1] * ROUNDS)


if __name__ == "__main__":
    unittest.main()
