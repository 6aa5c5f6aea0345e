"""The owners and legacy-owners reports on real files. Wine's Restart Manager answers every
query and never names a holder, so each report ends in "restart-manager-no-owner-reported"."""

import os
import unittest

from tests.e2e.harness import SAMPLES, E2ETestCase, event, log_bytes, run_tool, stdout_bytes
from tools.windows_programs import HELPERS, MARKER, UNDER_WINE, win_path

NO_OWNER = event("restart-manager-no-owner-reported")


class OwnersTest(E2ETestCase):
    def test_owners_reports_the_file_argument_unchanged_and_no_holder(self):
        data = self.file("data file.txt")
        inst = self.installation("inst", helpers=[], marker=False)
        self.start(inst.path())
        for argument in [win_path(data), "data file.txt", win_path(inst.path()),
                         win_path(os.path.join(self.work, "missing.txt"))]:
            with self.subTest(argument=argument):
                if argument == win_path(inst.path()) and not UNDER_WINE:
                    self.skipTest("a running program's file: Windows names its holder")
                self.assertRun(run_tool("owners", argument, cwd=self.work), 0, stdout_bytes([
                    event("restart-manager-file", 0, 0, argument), NO_OWNER]))


class LegacyOwnersTest(E2ETestCase):
    def sample_lines(self, directory, relatives):
        return ([event("restart-manager-legacy-sample", 0, 0, directory)] +
                [event("restart-manager-sampled-file", 0, 0, directory + "\\" + relative)
                 for relative in relatives])

    def test_every_sample_of_a_complete_installation_is_queried_once(self):
        inst = self.installation("inst")
        log = self.file("events.log", content=b"\xff\xfe")
        lines = self.sample_lines(inst.win, SAMPLES) + [NO_OWNER]
        self.assertRun(run_tool("--log", win_path(log), "legacy-owners", inst.win, "App.exe"), 0,
                       stdout_bytes(lines))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), b"\xff\xfe" + log_bytes(lines))

    def test_trailing_backslash_on_the_directory_gives_doubled_backslashes(self):
        inst = self.installation("inst")
        directory = inst.win + "\\"
        lines = self.sample_lines(directory, SAMPLES) + [NO_OWNER]
        self.assertRun(run_tool("legacy-owners", directory, "App.exe"), 0, stdout_bytes(lines))
        self.assertIn(b"\\\\App.exe", stdout_bytes(lines))

    def test_directory_is_sampled_as_typed_through_a_link(self):
        inst = self.installation("inst", helpers=HELPERS[:1])
        os.symlink(inst.root, os.path.join(self.work, "link"))
        link = win_path(os.path.join(self.work, "link"))
        lines = self.sample_lines(link, ["App.exe", MARKER, HELPERS[0]]) + [NO_OWNER]
        self.assertRun(run_tool("legacy-owners", link, "App.exe"), 0, stdout_bytes(lines))

    def test_missing_samples_and_folders_are_skipped_silently(self):
        partial = self.installation("partial", main=None, helpers=HELPERS[1:3], marker=False)
        os.makedirs(partial.path(MARKER))
        os.makedirs(partial.path("App.exe"))
        empty = self.folder("empty")
        lines = self.sample_lines(partial.win, HELPERS[1:3]) + [NO_OWNER]
        self.assertRun(run_tool("legacy-owners", partial.win, "App.exe"), 0, stdout_bytes(lines))
        # Nothing sampled: no query, no verdict.
        self.assertRun(run_tool("legacy-owners", win_path(empty), "App.exe"), 0,
                       stdout_bytes(self.sample_lines(win_path(empty), [])))

    def test_main_executable_name_is_sampled_as_given(self):
        inst = self.installation("inst", helpers=[], marker=False)
        lines = self.sample_lines(inst.win, ["app.EXE"]) + [NO_OWNER]
        self.assertRun(run_tool("legacy-owners", inst.win, "app.EXE"), 0, stdout_bytes(lines))


if __name__ == "__main__":
    unittest.main()
