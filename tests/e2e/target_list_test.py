"""The target list on real installation trees: what is admitted, and what a Linux symbolic link
(which Wine follows and reports by its real final path) keeps out."""

import os
import unittest

from tests.e2e.harness import (E2ETestCase, event, exited, log_bytes, map_drive, matched, run_tool,
                               stdout_bytes)
from tools.windows_programs import (ESBUILD, FFMPEG, MARKER, NODE, RECHECK, UNDER_WINE, final_path,
                                    win_path)


class TargetListTest(E2ETestCase):
    def test_complete_installation_with_nothing_running_writes_nothing(self):
        inst = self.installation("inst")
        for mode in ["probe", "close", "clean", "force"]:
            with self.subTest(mode=mode):
                self.assertRun(run_tool(mode, inst.win, "App.exe"), 0)

    def test_mode_word_that_names_no_plan_ends_with_2_after_the_list_is_built(self):
        inst = self.installation("inst")
        outside = self.installation("outside", helpers=[], marker=False)
        os.remove(inst.path())
        os.symlink(outside.path(), inst.path())
        line = event("redirected-executable-skipped", 0, 0, inst.candidate())
        for words in [("PROBE",), ("owners",), ("sweep",)]:
            with self.subTest(words=words):
                self.assertRun(run_tool(*words, inst.win, "App.exe"), 2, stdout_bytes([line]))
        self.assertRun(run_tool("PROBE", inst.win + "\\nothing-here", "App.exe"), 0)

    def test_main_executable_linked_to_a_program_elsewhere_is_skipped_and_never_ended(self):
        inst = self.installation("inst")
        outside = self.installation("elsewhere", helpers=[], marker=False)
        os.remove(inst.path())
        os.symlink(outside.path(), inst.path())
        popen, _, _ = self.start(outside.path())
        skipped = event("redirected-executable-skipped", 0, 0, inst.candidate())
        log = self.file("events.log")
        for mode in ["probe", "force"]:
            with self.subTest(mode=mode):
                self.assertRun(run_tool("--log", win_path(log), mode, inst.win, "App.exe"), 0,
                               stdout_bytes([skipped]))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([skipped] * 2))
        self.assertRunning(popen)

    def test_helper_folder_linked_elsewhere_skips_each_helper_below_it(self):
        # node_modules is a link to a folder elsewhere holding the same three helpers; one of
        # them runs through the link. The node helper, outside the link, is judged by itself.
        inst = self.installation("inst", helpers=[NODE])
        elsewhere = self.installation("elsewhere", main=None, helpers=[FFMPEG, ESBUILD, RECHECK],
                                      marker=False)
        node_modules = "resources\\app.asar.unpacked\\node_modules"
        os.makedirs(os.path.dirname(inst.path(node_modules)))
        os.symlink(elsewhere.path(node_modules), inst.path(node_modules))
        (ffmpeg, _, _), (node, node_pid, _) = self.start_all([(inst.path(FFMPEG), "wait"),
                                                              (inst.path(NODE), "wait")])
        skipped = [event("redirected-executable-skipped", 0, 0, inst.candidate(helper))
                   for helper in [FFMPEG, ESBUILD, RECHECK]]
        node_image = inst.image(NODE)
        self.assertRun(run_tool("probe", inst.win, "App.exe"), 11, stdout_bytes(
            skipped + [matched(node_pid, node_image)]))
        self.assertRun(run_tool("force", inst.win, "App.exe"), 0, stdout_bytes(
            skipped + [matched(node_pid, node_image),
                       exited(node_pid, node_image)]))
        self.assertEndsWith(node, 0)
        self.assertRunning(ffmpeg)

    def test_helpers_are_looked_for_only_with_the_main_executable_or_the_marker_file(self):
        with_marker = self.installation("with-marker", main=None, helpers=[NODE])
        without_marker = self.installation("without-marker", main=None, helpers=[NODE],
                                           marker=False)
        folder_as_main = self.installation("folder-as-main", main=None, helpers=[NODE],
                                           marker=False)
        os.makedirs(folder_as_main.path("App.exe"))
        started = self.start_all([(inst.path(NODE), "wait")
                                  for inst in [with_marker, without_marker, folder_as_main]])
        pid = started[0][1]
        self.assertRun(run_tool("probe", with_marker.win, "App.exe"), 11,
                       stdout_bytes([matched(pid, with_marker.image(NODE))]))
        self.assertRun(run_tool("probe", without_marker.win, "App.exe"), 0)
        self.assertRun(run_tool("probe", folder_as_main.win, "App.exe"), 0)

    def test_main_executable_named_in_other_letter_case_is_admitted(self):
        inst = self.installation("inst", helpers=[], marker=False)
        _, pid, _ = self.start(inst.path())
        self.assertRun(run_tool("probe", inst.win, "APP.EXE"), 10,
                       stdout_bytes([matched(pid, inst.image())]))

    def test_candidate_that_cannot_be_examined_ends_the_run_with_2(self):
        inst = self.installation("inst")
        # Wine refuses these characters in a file name (123), as Windows does.
        name = "a<b>|.exe"
        self.assertRun(run_tool("probe", inst.win, name), 2, stdout_bytes([
            event("executable-attributes-failed", 0, 123, inst.candidate(name))]))

    @unittest.skipUnless(UNDER_WINE, "Wine 8's limit on final paths; Windows resolves them")
    def test_first_helper_that_cannot_be_resolved_stops_the_list(self):
        # Wine 8 cannot read a final path of more than about 265 characters (234): with the
        # installation root at 217, node's path (253) resolves and ffmpeg's (285) does not.
        # The helpers after it are not tried, and nothing is swept.
        parent = self.folder()
        padding = 217 - len(final_path(parent)) - 1
        if padding < 1:
            self.skipTest("the build directory's path is too long for this layout")
        inst = self.installation("p" * padding)
        self.assertEqual(len(final_path(inst.root)), 217)
        node, _, _ = self.start(inst.path(NODE))
        self.assertRun(run_tool("force", inst.win, "App.exe"), 2, stdout_bytes([
            event("executable-path-failed", 0, 234, inst.candidate(FFMPEG))]))
        self.assertRunning(node)

    def test_installation_on_a_volume_root_joins_with_one_backslash(self):
        inst = self.installation("volume", helpers=[NODE, FFMPEG])
        drive = map_drive(self, inst.root)
        root = drive + "\\"
        (main_popen, main, _), (node_popen, node, _) = self.start_all([
            (inst.path(), "wait"), (inst.path(NODE), "wait")])
        main_image, node_image = root + "App.exe", root + NODE
        self.assertRunInAnyProcessOrder(run_tool("probe", root, "App.exe"), 10, [[
            [matched(main, main_image)], [matched(node, node_image)]]])
        # The sampled paths are plain paths, joined as typed.
        self.assertRun(run_tool("legacy-owners", root, "App.exe"), 0, stdout_bytes([
            event("restart-manager-legacy-sample", 0, 0, root),
            *(event("restart-manager-sampled-file", 0, 0, root + "\\" + relative)
              for relative in ["App.exe", MARKER, NODE, FFMPEG]),
            event("restart-manager-no-owner-reported")]))
        self.assertRunInAnyProcessOrder(run_tool("force", root, "App.exe"), 0, [[
            [matched(main, main_image), exited(main, main_image)],
            [matched(node, node_image), exited(node, node_image)]]])
        self.assertEndsWith(main_popen, 0)
        self.assertEndsWith(node_popen, 0)
        # A link there is reported with the candidate path of a single join.
        os.remove(inst.path())
        os.symlink(inst.path(NODE), inst.path())
        self.assertRun(run_tool("probe", root, "App.exe"), 0, stdout_bytes([
            event("redirected-executable-skipped", 0, 0, "\\\\?\\" + root + "App.exe")]))

    def test_a_bare_drive_is_the_drives_root_from_any_folder_of_it(self):
        # NSIS names an installation at a drive's root "Y:", without the backslash; Windows
        # would read that as the drive's current folder, here the one the tool is started in.
        inst = self.installation("volume", helpers=[NODE])
        downloads = os.path.join(inst.root, "Downloads")
        os.makedirs(downloads)
        drive = map_drive(self, inst.root)
        [(main_popen, main, _)] = self.start_all([(inst.path(), "wait")])
        main_image = drive + "\\App.exe"
        self.assertRun(run_tool("probe", drive, "App.exe", cwd=downloads), 10,
                       stdout_bytes([matched(main, main_image)]))
        self.assertRun(run_tool("force", drive, "App.exe", cwd=downloads), 0,
                       stdout_bytes([matched(main, main_image), exited(main, main_image)]))
        self.assertEndsWith(main_popen, 0)

    def test_installation_reached_through_a_link_is_the_link_target(self):
        inst = self.installation("inst")
        os.symlink(inst.root, os.path.join(self.work, "inst-link"))
        link = win_path(os.path.join(self.work, "inst-link"))
        for mode in ["probe", "force"]:
            with self.subTest(mode=mode):
                self.assertRun(run_tool(mode, link, "App.exe"), 0)


if __name__ == "__main__":
    unittest.main()
