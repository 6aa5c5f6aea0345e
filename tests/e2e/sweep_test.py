"""probe, close, clean and force with real processes of a real installation under Wine."""

import os
import shutil
import unittest

from tests.e2e.harness import (FAILURE, HELPERS_RUNNING, MAIN_EXE, MAIN_RUNNING, PROCSWEEP_EXE,
                               E2ETestCase, event, exited, image_through_link, log_bytes, matched,
                               needs_code_page_1252, read_records, run_tool, stdout_bytes)
from tools.windows_programs import (ESBUILD, FFMPEG, HELPERS, NODE, RECHECK, UNDER_WINE,
                                    linux_path, win_path)


class ProbeTest(E2ETestCase):
    def test_probe_exit_code_says_what_runs(self):
        inst = self.installation("inst")
        log = self.file("events.log")
        self.assertRun(run_tool("probe", inst.win, "App.exe"), 0)

        _, node, _ = self.start(inst.path(NODE))
        self.assertRun(run_tool("probe", inst.win, "App.exe"), 11,
                       stdout_bytes([matched(node, inst.image(NODE))]))

        _, main, _ = self.start(inst.path())
        run = run_tool("--log", win_path(log), "probe", inst.win, "App.exe")
        both = [[[matched(main, inst.image())], [matched(node, inst.image(NODE))]]]
        self.assertRunInAnyProcessOrder(run, 10, both)
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([run.stdout.decode("ascii")]))
        # A relative installation directory is taken from the current directory.
        self.assertRunInAnyProcessOrder(run_tool("probe", "inst", "App.exe", cwd=self.work), 10,
                                        both)

    @needs_code_page_1252
    def test_probe_matches_in_a_folder_outside_the_code_page(self):
        folder = "Prog Files \u0416\u00e9\u20ac\u0100\u4e2d\uff3c end"
        inst = self.installation(folder, helpers=[], marker=False)
        log = self.file("events.log")
        _, pid, _ = self.start(inst.path())
        line = matched(pid, inst.image())
        self.assertRun(run_tool("--log", win_path(log), "probe", inst.win, "App.exe"), 10,
                       stdout_bytes([line]))
        self.assertIn(b"\\Prog Files ?\xe9\x80??? end\\App.exe\r\n", stdout_bytes([line]))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([line]))

    def test_installation_reached_through_a_link_still_matches(self):
        inst = self.installation("inst")
        link_root = os.path.join(self.work, "inst-link")
        os.symlink(inst.root, link_root)
        link = win_path(link_root)
        # One process started through the link, one from the folder itself: both resolve to the
        # installation's files, whatever path the first reports as its image.
        (main_popen, main, _), (node_popen, node, _) = self.start_all([
            (os.path.join(link_root, "App.exe"), "wait"), (inst.path(NODE), "wait")])
        main_image = image_through_link(os.path.join(link_root, "App.exe"), inst.path())
        expected = [[[matched(main, main_image)], [matched(node, inst.image(NODE))]]]
        for directory in [link, inst.win]:
            with self.subTest(directory=directory):
                self.assertRunInAnyProcessOrder(run_tool("probe", directory, "App.exe"), 10,
                                                expected)
        run = run_tool("force", link, "App.exe")
        self.assertRunInAnyProcessOrder(run, 0, [[
            [matched(main, main_image), exited(main, main_image)],
            [matched(node, inst.image(NODE)), exited(node, inst.image(NODE))]]])
        self.assertEndsWith(main_popen, 0)
        self.assertEndsWith(node_popen, 0)

    def test_main_executable_named_like_a_helper_is_matched_once_per_process(self):
        # Both processes pass the name test of both targets; each matches only its own file.
        inst = self.installation("inst", main="node.exe", helpers=[NODE])
        (_, main, _), (_, helper, _) = self.start_all([(inst.path(), "wait"),
                                                        (inst.path(NODE), "wait")])
        self.assertRunInAnyProcessOrder(run_tool("probe", inst.win, "node.exe"), 10, [[
            [matched(main, inst.image())], [matched(helper, inst.image(NODE))]]])


class CloseTest(E2ETestCase):
    def test_close_posts_one_close_to_the_visible_unowned_window_only(self):
        inst = self.installation("inst")
        *mains, (node_popen, node, _) = self.start_all([
            (inst.path(), "windows"), (inst.path(), "windows"), (inst.path(NODE), "wait")])
        run = run_tool("close", inst.win, "App.exe")
        self.assertRunInAnyProcessOrder(run, 0, [
            [[matched(pid, inst.image())] for _, pid, _ in mains] +
            [[matched(node, inst.image(NODE))]]])
        # Each instance ends by itself on its main window's close; the helper is left alone.
        for popen, pid, record in mains:
            self.assertEndsWith(popen, 0)
            self.assertEqual(read_records(record), [f"ready {pid}", "close visible", "exit"])
        self.assertRunning(node_popen)

    def test_close_without_the_main_executable_running_posts_nothing(self):
        inst = self.installation("inst")
        elsewhere = self.installation("elsewhere", helpers=[], marker=False)
        (other_popen, _, record), (node_popen, node, _) = self.start_all([
            (elsewhere.path(), "windows"), (inst.path(NODE), "wait")])
        self.assertRun(run_tool("close", inst.win, "App.exe"), 0,
                       stdout_bytes([matched(node, inst.image(NODE))]))
        self.assertRun(run_tool("probe", inst.win, "App.exe"), 11,
                       stdout_bytes([matched(node, inst.image(NODE))]))
        self.assertRunning(other_popen)
        self.assertRunning(node_popen)
        self.assertEqual(len(read_records(record)), 1)


class CleanTest(E2ETestCase):
    def test_clean_ends_the_helpers_when_the_main_executable_does_not_run(self):
        inst = self.installation("inst")
        (node_popen, node, _), (ffmpeg_popen, ffmpeg, _) = self.start_all([
            (inst.path(NODE), "wait"), (inst.path(FFMPEG), "wait")])
        node_image, ffmpeg_image = inst.image(NODE), inst.image(FFMPEG)
        run = run_tool("clean", inst.win, "App.exe")
        self.assertRunInAnyProcessOrder(run, 0, [
            [[matched(node, node_image)], [matched(ffmpeg, ffmpeg_image)]],
            [[matched(node, node_image), exited(node, node_image)],
             [matched(ffmpeg, ffmpeg_image), exited(ffmpeg, ffmpeg_image)]],
        ])
        self.assertEndsWith(node_popen, 0)
        self.assertEndsWith(ffmpeg_popen, 0)
        self.assertRun(run_tool("clean", inst.win, "App.exe"), 0)

    def test_clean_ends_nothing_while_the_main_executable_runs(self):
        inst = self.installation("inst")
        (main_popen, main, _), (esbuild_popen, esbuild, _) = self.start_all([
            (inst.path(), "wait"), (inst.path(ESBUILD), "wait")])
        run = run_tool("clean", inst.win, "App.exe")
        self.assertRunInAnyProcessOrder(run, 10, [[[matched(main, inst.image())],
                                                   [matched(esbuild, inst.image(ESBUILD))]]])
        self.assertRunning(main_popen)
        self.assertRunning(esbuild_popen)


class ForceTest(E2ETestCase):
    def test_force_ends_every_process_of_the_installation_and_no_other(self):
        inst = self.installation("inst")
        # The same program, under the same names, run from another folder.
        other = self.installation("other", helpers=[NODE, RECHECK])
        ours = [inst.path(), *(inst.path(helper) for helper in HELPERS)]
        theirs = [other.path(), other.path(NODE), other.path(RECHECK)]
        started = self.start_all([(inst.path(), "windows")] +
                                 [(exe, "wait") for exe in ours[1:] + theirs])
        ours_started, theirs_started = started[:len(ours)], started[len(ours):]
        log = self.file("events.log")
        run = run_tool("--log", win_path(log), "force", inst.win, "App.exe")
        self.assertRunInAnyProcessOrder(run, 0, [[
            [matched(pid, win_path(exe)), exited(pid, win_path(exe))]
            for exe, (_, pid, _) in zip(ours, ours_started)]])
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([run.stdout.decode("ascii")]))
        for popen, _, _ in ours_started:
            self.assertEndsWith(popen, 0)
        # Ended, not closed: the window program never saw a close.
        self.assertEqual(read_records(ours_started[0][2]), [f"ready {ours_started[0][1]}"])
        for popen, _, _ in theirs_started:
            self.assertRunning(popen)
        self.assertRun(run_tool("force", inst.win, "App.exe"), 0)
        self.assertRunInAnyProcessOrder(run_tool("probe", other.win, "App.exe"), 10, [[
            [matched(pid, win_path(exe))] for exe, (_, pid, _) in zip(theirs, theirs_started)]])

    def test_force_never_ends_the_tool_itself(self):
        # An installer that puts the tool into the installation under the main executable's
        # name: the run finds itself, leaves itself running and says so with its exit code.
        inst = self.installation("inst", main=None, helpers=[])
        shutil.copyfile(PROCSWEEP_EXE, inst.path(MAIN_EXE))
        run = run_tool("force", inst.win, MAIN_EXE, exe=inst.path(MAIN_EXE))
        self.assertEqual(run.code, MAIN_RUNNING, run)
        lines = run.stdout.decode("ascii").splitlines()
        self.assertEqual(len(lines), 2, run)
        own_pid = lines[0].split()[1]
        self.assertEqual(lines, [f"matched {own_pid} win32-error=0 {inst.image(MAIN_EXE)}"] * 2)


class LongInstallationPathTest(E2ETestCase):
    def test_long_installation_path_in_device_form_is_never_taken_for_a_missing_one(self):
        # Over MAX_PATH characters, in a device form: the path reaches the system whole (behind
        # "\\?\" when the system would clean it up and hold it to MAX_PATH). Wine 8 cannot read
        # a final path longer than about 260 characters, so here the run may report that; what
        # it must never do is end with 0 and say nothing while a helper runs there. Windows
        # reads the final path, and the helper is found.
        deep = os.path.join(self.work, *(["d" * 60] * 5))
        inst = self.installation(deep)
        # Wine starts no program from a path that long: the helper is started through a short
        # link to the installation.
        short = os.path.join(self.work, "short")
        os.symlink(deep, short)
        self.start(linux_path(short, NODE))
        for device_form in ["//?/" + inst.win.replace("\\", "/"), "\\??\\" + inst.win,
                            "\\\\?/" + inst.win, "/\\.\\" + inst.win]:
            with self.subTest(form=device_form[:4]):
                self.assertGreaterEqual(len(device_form), 300)
                run = run_tool("probe", device_form, MAIN_EXE)
                self.assertIn(run.code, (HELPERS_RUNNING, FAILURE) if UNDER_WINE
                              else (HELPERS_RUNNING,), run)
                self.assertNotEqual(run.stdout, b"", run)
                if run.code == FAILURE:
                    self.assertRun(run, FAILURE, stdout_bytes([
                        event("installation-path-failed", 0, 234, device_form)]))


if __name__ == "__main__":
    unittest.main()
