"""What only Windows itself can show (docs/windows.md lists each as a row to confirm): links that
Wine cannot make (junctions, 8.3 short names), the Restart Manager naming the processes that
hold a file, a namesake that refuses to be opened, and NTFS's answer for a path below a file.

Under Wine every class here is skipped, saying what Wine lacks. On Windows a confirmation that
the machine cannot stage (a volume without short names, say) is skipped too, with its reason, or
fails where PROCSWEEP_CONFIRM_ON_WINDOWS=1 asks for every confirmation (the Windows workflow).
"""

import csv
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from tests.e2e.harness import (E2ETestCase, Installation, ansi_code_page, cannot_confirm, event,
                               exited, matched, run_tool, stdout_bytes)
from tools.windows_programs import (ESBUILD, FFMPEG, MARKER, NODE, RECHECK, UNDER_WINE,
                                    final_path, win_path)

OWNER_LINE = re.compile(r"restart-manager-owner pid=([1-9][0-9]*) win32-error=0 [^\r\n]*\r\n")


def lines_of(run):
    return run.stdout.decode(ansi_code_page(), errors="replace").splitlines(keepends=True)


def make_junction(testcase, link, target):
    """Makes `link` a junction to the folder `target`: a mount point, which any user may make
    (symbolic links need a privilege), and which Wine cannot make at all."""
    made = subprocess.run(["cmd", "/c", "mklink", "/J", link, target], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if made.returncode != 0:
        cannot_confirm(testcase, f"mklink /J failed: {made.stderr!r}")


def short_path(testcase, path):
    """`path` with every component in its 8.3 short name, where the volume keeps them."""
    import ctypes
    buffer = ctypes.create_unicode_buffer(32768)
    length = ctypes.windll.kernel32.GetShortPathNameW(path, buffer, len(buffer))
    short = buffer.value if 0 < length < len(buffer) else path
    if os.path.basename(short).lower() == os.path.basename(path).lower():
        cannot_confirm(testcase, f"no 8.3 short name for {path} (fsutil 8dot3name query)")
    return short


def pids_of(image_name):
    """The pids of every process whose image has that file name, from tasklist."""
    listed = subprocess.run(["tasklist", "/fi", f"IMAGENAME eq {image_name}", "/fo", "csv",
                             "/nh"], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    return {int(row[1]) for row in csv.reader(listed.stdout.splitlines())
            if len(row) > 1 and row[0].lower() == image_name.lower()}


@unittest.skipIf(UNDER_WINE, "Windows itself: Wine makes no junctions and, on a Unix file "
                 "system, no 8.3 short names")
class LinksOnlyWindowsMakesTest(E2ETestCase):
    """GetFinalPathNameByHandleW resolves junctions and short names as it resolves symbolic
    links (the other tests make those, under Wine from the Linux side)."""

    def long_named_installation(self):
        """An installation whose folder and main executable have names that get short names,
        on the system's volume (the one most likely to keep them), its path a final path."""
        parent = os.path.realpath(tempfile.mkdtemp(prefix="procsweep-"))
        self.addCleanup(shutil.rmtree, parent, ignore_errors=True)
        return Installation(os.path.join(parent, "Example Installation"),
                            main="Example Application.exe")

    def test_installation_named_through_a_junction_or_a_short_name_is_its_final_path(self):
        for kind in ["junction", "short name"]:
            with self.subTest(kind=kind):
                inst = self.long_named_installation()
                if kind == "junction":
                    name = os.path.join(self.work, "junction")
                    make_junction(self, name, inst.root)
                else:
                    name = short_path(self, inst.root)
                popen, pid, _ = self.start(inst.path())
                self.assertRun(run_tool("probe", name, inst.main), 10,
                               stdout_bytes([matched(pid, inst.image())]))
                self.assertRun(run_tool("force", name, inst.main), 0,
                               stdout_bytes([matched(pid, inst.image()), exited(pid, inst.image())]))
                self.assertEndsWith(popen, 0)

    def test_executables_reached_through_a_junction_or_a_short_name_are_never_targets(self):
        # A junction: the folder of three helpers leads to another folder, and one of them runs
        # through it. A short name: the main executable is named by its short name, which is another
        # spelling of the file. Neither is a target; what runs through them is never ended.
        for kind in ["junction", "short name"]:
            with self.subTest(kind=kind):
                if kind == "junction":
                    inst = self.installation("inst", helpers=[NODE])
                    elsewhere = self.installation("elsewhere", main=None,
                                                  helpers=[FFMPEG, ESBUILD, RECHECK], marker=False)
                    node_modules = "resources\\app.asar.unpacked\\node_modules"
                    os.makedirs(os.path.dirname(inst.path(node_modules)))
                    make_junction(self, inst.path(node_modules), elsewhere.path(node_modules))
                    outside, _, _ = self.start(inst.path(FFMPEG))
                    main_name = "App.exe"
                    skipped = [inst.candidate(helper) for helper in [FFMPEG, ESBUILD, RECHECK]]
                else:
                    inst = self.long_named_installation()
                    outside, _, _ = self.start(inst.path())
                    main_name = os.path.basename(short_path(self, inst.path()))
                    skipped = [final_path(inst.root) + "\\" + main_name]
                lines = [event("redirected-executable-skipped", 0, 0, text) for text in skipped]
                for mode in ["probe", "force"]:
                    self.assertRun(run_tool(mode, inst.win, main_name), 0, stdout_bytes(lines))
                self.assertRunning(outside)


@unittest.skipIf(UNDER_WINE, "Windows itself: Wine's Restart Manager never names a holder, and "
                 "Wine opens every process")
class RestartManagerTest(E2ETestCase):
    def holders(self, run, lines):
        """The pids of the owner lines that make up `lines`, in order."""
        pids = []
        for line in lines:
            match = OWNER_LINE.fullmatch(line)
            self.assertIsNotNone(match, run)
            pids.append(int(match.group(1)))
        return pids

    def test_owners_and_legacy_owners_name_the_processes_that_run_the_files(self):
        inst = self.installation("inst", helpers=[NODE])
        (_, main, _), (_, node, _) = self.start_all([(inst.path(), "wait"),
                                                     (inst.path(NODE), "wait")])
        run = run_tool("owners", inst.image())
        lines = lines_of(run)
        self.assertEqual(run.code, 0, run)
        self.assertEqual(lines[:1], [event("restart-manager-file", 0, 0, inst.image())], run)
        self.assertEqual(self.holders(run, lines[1:]), [main])

        # One query about every sample: each holder is named once.
        run = run_tool("legacy-owners", inst.win, "App.exe")
        lines = lines_of(run)
        samples = [event("restart-manager-legacy-sample", 0, 0, inst.win)] + [
            event("restart-manager-sampled-file", 0, 0, inst.win + "\\" + relative)
            for relative in ["App.exe", MARKER, NODE]]
        self.assertEqual(run.code, 0, run)
        self.assertEqual(lines[:len(samples)], samples, run)
        self.assertEqual(sorted(self.holders(run, lines[len(samples):])), sorted([main, node]))

    def test_a_namesake_that_refuses_to_be_opened_is_ruled_out_by_the_restart_manager(self):
        # OpenProcess refuses the CSRSS processes (one per session) to user-level code with
        # ERROR_ACCESS_DENIED, as its documentation says: each is a namesake of an
        # installation's "csrss.exe" that the tool cannot look at. The Restart Manager, asked
        # whether it holds the installation's file, says no: each is ruled out, and the run
        # ends with 0.
        system = pids_of("csrss.exe")
        if not system:
            cannot_confirm(self, "tasklist lists no csrss.exe")
        inst = self.installation("inst", main="csrss.exe", helpers=[], marker=False)
        run = run_tool("probe", inst.win, "csrss.exe")
        if not os.path.exists(inst.path()):
            cannot_confirm(self, "the installation's csrss.exe was taken away (an antivirus?)")
        if run.code == 0 and not run.stdout:
            cannot_confirm(self, "no csrss.exe refused this run (SeDebugPrivilege enabled?)")
        self.assertEqual(run.code, 0, run)
        self.assertEqual(sorted(lines_of(run)), sorted(
            event("inaccessible-process-not-reported-for-target", pid, 0, win_path(inst.path()))
            for pid in system), run)


@unittest.skipIf(UNDER_WINE, "Windows itself: Wine calls a path below a file not found (3)")
class PathBelowAFileTest(E2ETestCase):
    def test_a_path_below_a_file_is_no_directory_and_one_further_down_is_not_found(self):
        # NTFS calls a folder named below a file no directory (267): it is no missing
        # installation, and the tool says so. One more level down is "path not found" (3).
        inst = self.installation("inst")
        below_file = win_path(inst.path()) + "\\sub"
        self.assertRun(run_tool("probe", below_file, "App.exe"), 2, stdout_bytes([
            event("installation-path-failed", 0, 267, below_file)]))
        self.assertRun(run_tool("probe", below_file + "\\deeper", "App.exe"), 0)


if __name__ == "__main__":
    unittest.main()
