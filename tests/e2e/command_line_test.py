"""The driver's outcomes on real command lines: malformed lines, main executable names, missing
and unresolvable installations, and the --log option."""

import os
import unittest

from tests.e2e.harness import (E2ETestCase, Installation, event, log_bytes, needs_code_page_1252,
                               run_tool, stdout_bytes)
from tools.windows_programs import UNDER_WINE, final_path, win_path

BAD_NAMES = ["", "sub\\App.exe", "sub/App.exe", "C:App.exe", "*.exe", "App?.exe"]


class MalformedCommandLineTest(E2ETestCase):
    def test_malformed_command_lines_end_with_2_and_write_nothing(self):
        inst = self.installation("inst")
        some_file = win_path(inst.path())
        earlier = log_bytes(["earlier\r\n"])
        log = self.file("events.log", content=earlier)
        log_win = win_path(log)
        cases = [
            (),
            ("probe",),
            ("owners",),
            ("owners", some_file, some_file, some_file),
            ("probe", inst.win),
            ("probe", inst.win, "App.exe", "extra"),
            ("legacy-owners", inst.win),
            # After the log option fewer than two arguments remain.
            ("--log", log_win, "owners"),
            # Two arguments in all: "--log" is the mode word, and no log file is used.
            ("--log", log_win),
            ("--log", log_win, "probe", inst.win),
            ("--log", log_win, "probe", inst.win, "App.exe", "extra"),
            # Only the first "--log" is the option; the second is a mode word with 3 operands.
            ("--log", log_win, "--log", log_win, "owners", some_file),
            # An installer whose directory variable was never set passes an empty directory.
            ("probe", "", "App.exe"),
            ("force", "", "App.exe"),
            ("--log", log_win, "legacy-owners", "", "App.exe"),
        ]
        for args in cases:
            with self.subTest(args=args):
                self.assertRun(run_tool(*args), 2)
        with open(log, "rb") as f:
            self.assertEqual(f.read(), earlier)

    def test_bad_main_executable_names_end_with_2_before_the_installation_is_looked_at(self):
        inst = self.installation("inst")
        missing = win_path(os.path.join(self.work, "missing"))
        unresolvable = win_path(os.path.join(self.work, "bad<name>"))
        log = self.file("events.log")
        for name in BAD_NAMES:
            for args in [("probe", inst.win, name), ("force", missing, name),
                         ("legacy-owners", unresolvable, name),
                         ("--log", win_path(log), "close", unresolvable, name)]:
                with self.subTest(args=args):
                    self.assertRun(run_tool(*args), 2)
        self.assertEqual(os.path.getsize(log), 0)

    def test_names_with_other_punctuation_pass_the_name_check(self):
        missing = win_path(os.path.join(self.work, "missing"))
        for name in ["a<b>.exe", "a|b.exe", 'a"b.exe', "App .exe"]:
            with self.subTest(name=name):
                self.assertRun(run_tool("probe", missing, name), 0)


class InstallationDirectoryTest(E2ETestCase):
    def test_missing_installation_ends_with_0_and_writes_nothing(self):
        inst = self.installation("inst")
        log = self.file("events.log")
        missing = os.path.join(self.work, "missing")
        # Under Wine a path below an existing file is "not found" (3) as well; NTFS calls it no
        # directory (267): windows_only_test.PathBelowAFileTest.
        below_file = win_path(inst.path()) + "\\sub"
        for directory in [win_path(missing), win_path(missing) + "\\deeper", below_file]:
            for words in [("probe",), ("close",), ("clean",), ("force",), ("legacy-owners",),
                          ("owners",), ("PROBE",), ("--log", win_path(log), "force")]:
                args = (*words, directory, "App.exe")
                with self.subTest(args=args):
                    if directory == below_file and not UNDER_WINE:
                        self.skipTest("NTFS calls a path below a file no directory (267)")
                    self.assertRun(run_tool(*args), 0)
        self.assertEqual(os.path.getsize(log), 0)

    def test_unresolvable_installation_reports_its_error_with_the_argument_as_typed(self):
        bad_name = win_path(os.path.join(self.work, "inst<1>"))
        # Wine 8 cannot read a final path much past 260 characters (234): a short link to a deep
        # folder has a path that opens but whose final path cannot be read.
        deep = self.folder(*(["d" * 100] * 3))
        os.symlink(deep, os.path.join(self.work, "deep-link"))
        deep_link = win_path(os.path.join(self.work, "deep-link"))
        for args, error, text in [
            (("probe", bad_name, "App.exe"), 123, bad_name),
            (("legacy-owners", bad_name + "\\", "App.exe"), 123, bad_name + "\\"),
            (("force", deep_link, "App.exe"), 234, deep_link),
            (("owners", deep_link, "App.exe"), 234, deep_link),
        ]:
            with self.subTest(args=args):
                if error == 234 and not UNDER_WINE:
                    self.skipTest("Wine 8's limit on final paths; Windows resolves them")
                line = event("installation-path-failed", 0, error, text)
                self.assertRun(run_tool(*args), 2, stdout_bytes([line]))

    def test_unresolvable_installation_reaches_the_log_file(self):
        bad_name = win_path(os.path.join(self.work, "inst<1>"))
        log = self.file("events.log")
        line = event("installation-path-failed", 0, 123, bad_name)
        self.assertRun(run_tool("--log", win_path(log), "clean", bad_name, "App.exe"), 2,
                       stdout_bytes([line]))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([line]))

    def test_log_word_in_second_place_is_the_installation_directory(self):
        # "probe --log App.exe": "--log" is a folder relative to the current directory.
        self.assertRun(run_tool("probe", "--log", "App.exe", cwd=self.work), 0)
        inst = Installation(os.path.join(self.work, "--log"), main=None, helpers=[])
        outside = self.installation("outside", helpers=[], marker=False)
        os.symlink(outside.path(), inst.path("App.exe"))
        line = event("redirected-executable-skipped", 0, 0,
                     final_path(inst.root) + "\\App.exe")
        self.assertRun(run_tool("probe", "--log", "App.exe", cwd=self.work), 0,
                       stdout_bytes([line]))


class LogFileTest(E2ETestCase):
    def owners_lines(self, text):
        return [event("restart-manager-file", 0, 0, text),
                event("restart-manager-no-owner-reported")]

    def test_existing_log_gets_each_event_appended_after_its_content_without_bom(self):
        target = win_path(self.file("data.txt"))
        lines = self.owners_lines(target)
        for name, earlier in [("utf16.log", log_bytes(["earlier line\r\n"])),
                              ("odd.log", b"\x00\xff\x01"), ("empty.log", b"")]:
            with self.subTest(log=name):
                log = self.file(name, content=earlier)
                self.assertRun(run_tool("--log", win_path(log), "owners", target), 0,
                               stdout_bytes(lines))
                with open(log, "rb") as f:
                    self.assertEqual(f.read(), earlier + log_bytes(lines))

    def test_second_run_appends_again(self):
        target = win_path(self.file("data.txt"))
        log = self.file("events.log")
        for _ in range(2):
            run_tool("--log", win_path(log), "owners", target)
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes(self.owners_lines(target) * 2))

    def test_relative_log_path_is_taken_from_the_current_directory(self):
        target = win_path(self.file("data.txt"))
        log = self.file("events.log")
        self.assertRun(run_tool("--log", "events.log", "owners", target, cwd=self.work), 0,
                       stdout_bytes(self.owners_lines(target)))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes(self.owners_lines(target)))

    def test_log_that_cannot_be_opened_leaves_standard_output_and_exit_code_alone(self):
        target = win_path(self.file("data.txt"))
        missing = os.path.join(self.work, "missing.log")
        folder = self.folder("a-folder.log")
        for log in [win_path(missing), win_path(folder), ""]:
            with self.subTest(log=log):
                self.assertRun(run_tool("--log", log, "owners", target), 0,
                               stdout_bytes(self.owners_lines(target)))
        self.assertFalse(os.path.exists(missing))
        self.assertEqual(os.listdir(folder), [])


@needs_code_page_1252
class EventTextTest(E2ETestCase):
    # Spaces; Cyrillic, an accented Latin letter and the euro sign (both in code page 1252);
    # a letter whose best fit would be "A"; CJK; a fullwidth reverse solidus whose best fit
    # would be a real backslash.
    FOLDER = "Prog Files \u0416\u00e9\u20ac\u0100\u4e2d\uff3c end"
    FOLDER_1252 = b"Prog Files ?\xe9\x80??? end"

    def test_text_outside_the_code_page_is_question_marks_on_stdout_and_exact_in_the_log(self):
        folder = self.folder(self.FOLDER)
        target = self.file(self.FOLDER, "data.txt")
        log = self.file(self.FOLDER, "events.log")
        run = run_tool("--log", win_path(log), "owners", win_path(target))
        folder_1252 = win_path(self.work).encode("ascii") + b"\\" + self.FOLDER_1252
        self.assertRun(run, 0,
                       b"restart-manager-file pid=0 win32-error=0 " + folder_1252 +
                       b"\\data.txt\r\nrestart-manager-no-owner-reported pid=0 win32-error=0 \r\n")
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes([
                event("restart-manager-file", 0, 0, win_path(folder) + "\\data.txt"),
                event("restart-manager-no-owner-reported")]))

    def test_carriage_return_and_line_feed_in_text_are_question_marks_in_both_channels(self):
        log = self.file("events.log")
        argument = win_path(self.work) + "\\first\nsecond\rthird\r\n.txt"
        shown = win_path(self.work) + "\\first?second?third??.txt"
        lines = [event("restart-manager-file", 0, 0, shown),
                 event("restart-manager-no-owner-reported")]
        self.assertRun(run_tool("--log", win_path(log), "owners", argument), 0,
                       stdout_bytes(lines))
        with open(log, "rb") as f:
            self.assertEqual(f.read(), log_bytes(lines))


if __name__ == "__main__":
    unittest.main()
