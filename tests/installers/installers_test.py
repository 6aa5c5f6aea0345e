"""The installer examples of integration/, built as docs/nsis.md and docs/inno-setup.md say and
run silently under Wine, as an installer author would ship them: NSIS's installer and uninstaller
(makensis, its default 32-bit target, or 64-bit Windows on a machine where no 32-bit program runs
at all) and Inno Setup's setup and uninstaller (ISCC from the npm package innosetup; skipped on
such a machine). Where the kernel runs no 32-bit code, tools/wine-run runs 32-bit programs
through the emulated 32-bit Wine.

Each runs on a sample installation laid out from the fixture program, in each situation an
installer meets: nothing running; only a helper; the main executable with a window and a
helper; the main executable without a window; a folder whose name holds a backtick, an
apostrophe, a comma and brackets; procsweep.exe answering 2; and, for Inno Setup,
whose example copies the tool's lines into its own logs, an installation folder named outside
the ANSI code page. Same-named copies of the main executable and a helper run from another
folder all along and must survive every run.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import glob
import itertools
import os
import re
import shutil
import subprocess
import time
import unittest

from tests.e2e.harness import (DEEP, HOLDERS_STAND_IN, PROCSWEEP_EXE, E2ETestCase,
                               Installation, Namesakes, WineSession, map_drive, read_records,
                               stand_in_holders, unresolvable_installation)
from tests.installers import guide
from tests.installers.reports import (NewReport, complete_lines, run_batch, run_quietly,
                                      run_watched, windows_temp_folder)
from tools.windows_programs import (BUILD_DIR, NO_32_BIT_PROGRAMS, NODE, SOURCE_DIR, command,
                                    linux_path, runs_32_bit_programs, win_path)

APP_NAME = "Example App"
MAIN_EXE = "Example App.exe"
# The installers carry this archive; the sample installation has the harness's b"asar".
NEW_ARCHIVE = b"asar 2"
OLD_ARCHIVE = b"asar"
# The examples give the application this long to close by itself.
CLOSE_TIMEOUT_S = 10
ISCC = os.path.join(SOURCE_DIR, "node_modules", "innosetup", "bin", "ISCC.exe")
# The Inno Setup code that example.iss includes, as the npm package carries it.
INNO_INCLUDE = os.path.join(SOURCE_DIR, "package", "procsweep.iss")
WORK = os.path.join(BUILD_DIR, "installers-work")


def lay_out_payload(folder):
    """The application's files as the installers carry them (electron-builder's win-unpacked)."""
    app = Installation(os.path.join(folder, "app"), main=MAIN_EXE)
    with open(app.path("resources\\app.asar"), "wb") as f:
        f.write(NEW_ARCHIVE)


# NSIS's installers are 32-bit programs unless built for 64-bit Windows. Where no 32-bit program
# runs at all (neither the machine's 32-bit Wine nor the emulated one), the same scripts are built
# for 64-bit Windows, so that they still run here. Inno Setup's compiler and setups have no such
# choice.
RUNS_32_BIT_PROGRAMS = runs_32_bit_programs()
NSIS_TARGET = [] if RUNS_32_BIT_PROGRAMS else ["-XTarget amd64-unicode"]


def build_nsis():
    """The guide's steps: the example, the include, procsweep.exe and app\\ in one folder."""
    folder = os.path.join(WORK, "nsis")
    os.makedirs(folder)
    shutil.copy(os.path.join(SOURCE_DIR, "integration", "nsis", "example.nsi"), folder)
    shutil.copy(os.path.join(SOURCE_DIR, "package", "procsweep.nsh"), folder)
    shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep.exe"))
    lay_out_payload(folder)
    if shutil.which("makensis") is None:
        raise AssertionError("makensis not found: `make` installs Debian's nsis")
    makensis, *arguments = guide.build_command("makensis")
    output = run_quietly([makensis, *NSIS_TARGET, *arguments], cwd=folder)
    if "warning" in output.lower():
        raise AssertionError(f"makensis warned:\n{output}")
    return os.path.join(folder, "example-app-setup.exe")


def compile_inno(args, folder):
    """Runs Inno Setup's compiler in `folder`; fails on any warning it prints, as makensis -WX
    does."""
    output = run_quietly(command(ISCC, *args), cwd=folder)
    if re.search(r"^\s*Warning", output, re.M):
        raise AssertionError(f"ISCC warned:\n{output}")
    return output


def build_inno(name="inno", tool=PROCSWEEP_EXE):
    folder = os.path.join(WORK, name)
    os.makedirs(folder)
    # The guide's steps: the example, the package's include, procsweep.exe and app\.
    shutil.copy(os.path.join(SOURCE_DIR, "integration", "inno", "example.iss"), folder)
    shutil.copy(INNO_INCLUDE, folder)
    shutil.copy(tool, os.path.join(folder, "procsweep.exe"))
    lay_out_payload(folder)
    if not os.path.exists(ISCC):
        raise AssertionError(f"{ISCC} not found: `make` installs it (npm ci)")
    words = guide.build_command("ISCC.exe")
    compile_inno(words[1:], folder)
    return os.path.join(folder, "Output", "example-app-setup.exe")


def nsis_updater_command_line(installer, install_dir):
    """The command line that the Node.js updater example starts the installer with."""
    node = shutil.which("node")
    if node is None:
        raise AssertionError("node not found: `make` installs Debian's nodejs")
    script = ("const m = require(process.argv[1]);"
              "process.stdout.write(m.windowsCommandLine("
              "m.nsisInstallerSpawn(process.argv[2], process.argv[3])));")
    module = os.path.join(SOURCE_DIR, "integration", "node", "nsis-installer.js")
    return subprocess.run([node, "-e", script, module, installer, install_dir], check=True,
                          stdout=subprocess.PIPE, timeout=60).stdout.decode()


# The include's macros, as a script uses them; ProcsweepExtract comes first, in .onInit.
MACRO_USES = {
    "ProcsweepRun": "!insertmacro ProcsweepRun probe",
    "ProcsweepCloseAndWait": "!insertmacro ProcsweepCloseAndWait 1000",
    "ProcsweepForEachEvent": "!insertmacro ProcsweepForEachEvent {un}ShowEvent",
    "ProcsweepNote": '!insertmacro ProcsweepNote "done"',
    "ProcsweepHolders": "!insertmacro ProcsweepHolders",
    "ProcsweepKeepReport": '!insertmacro ProcsweepKeepReport "kept.log"',
}


def include_code(un, macros, write_uninstaller=False):
    """The installer's (un "") or the uninstaller's (un "un.") code of a script that uses the
    include's ProcsweepExtract and these of its macros."""
    lines = [f"Function {un}ShowEvent", "FunctionEnd"] if "ProcsweepForEachEvent" in macros else []
    lines += ["Function un.onInit" if un else "Function .onInit",
              f'  !insertmacro ProcsweepExtract "$TEMP\\{"uninstall" if un else "setup"}.log"',
              "FunctionEnd",
              "Section Uninstall" if un else "Section"]
    lines += ["  " + MACRO_USES[macro].format(un=un) for macro in macros]
    if write_uninstaller:
        lines.append('  WriteUninstaller "$INSTDIR\\uninstall.exe"')
    return lines + ["SectionEnd"]


def include_script(installer, uninstaller=None, uninstaller_first=False):
    """A script that uses the include in its installer and, unless None, its uninstaller."""
    header = ["Unicode true",
              '!define PROCSWEEP_EXE "procsweep.exe"',
              '!define PROCSWEEP_MAIN_EXE "Example App.exe"',
              '!include "procsweep.nsh"']
    parts = [include_code("", installer, write_uninstaller=uninstaller is not None)]
    if uninstaller is not None:
        parts.insert(0 if uninstaller_first else 1, include_code("un.", uninstaller))
    return header + [line for part in parts for line in part]


def build_script(folder, name, lines, *defines):
    """Writes name.nsi into folder and builds name.exe from it with makensis -WX (any warning
    fails) and these -D options."""
    with open(os.path.join(folder, name + ".nsi"), "w") as f:
        f.write("\n".join(lines + [f'OutFile "{name}.exe"']) + "\n")
    run_quietly(["makensis", *NSIS_TARGET, "-WX", *(f"-D{define}" for define in defines),
                 name + ".nsi"], cwd=folder)
    return os.path.join(folder, name + ".exe")


class IncludeTest(unittest.TestCase):
    def test_installer_and_uninstaller_code_in_any_order_build_without_warnings(self):
        folder = os.path.join(WORK, "nsis")
        everything = list(MACRO_USES)
        for name, lines in [
                ("uninstaller-first",
                 include_script(everything, everything, uninstaller_first=True)),
                ("installer-only", include_script(everything))]:
            with self.subTest(name=name):
                self.assertTrue(os.path.exists(build_script(folder, name, lines)))

    def test_any_part_of_the_include_builds_without_warnings(self):
        # makensis -WX fails on an unused function (6010), a variable never set (6001), or
        # uninstaller code in an installer that writes no uninstaller (6020).
        folder = os.path.join(WORK, "nsis")
        for count in range(len(MACRO_USES) + 1):
            for macros in itertools.combinations(MACRO_USES, count):
                for installer, uninstaller in [(macros, None), ((), macros), (macros, macros)]:
                    with self.subTest(installer=installer, uninstaller=uninstaller):
                        lines = include_script(list(installer),
                                               None if uninstaller is None else list(uninstaller))
                        self.assertTrue(os.path.exists(build_script(folder, "part", lines)))


# Inno Setup's log: UTF-8 with a byte-order mark, each line after a time stamp.
INNO_LINE = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}   (.*)$")


def inno_log(path):
    def read():
        try:
            with open(path, "rb") as f:
                text = f.read().decode("utf-8-sig", errors="replace")
        except FileNotFoundError:
            return []
        return [m.group(1) for m in map(INNO_LINE.match, complete_lines(text)) if m]
    return read


class Nsis:
    """example.nsi's installer, started as the Node.js updater starts it (a batch file: Wine
    would quote the /D= argument), and the uninstaller it writes, run in place with _?=.

    Each writes its report in its $PLUGINSDIR while it runs and keeps a copy, a new file named
    with the run's time, which is in the system's temporary folder here: under Wine every
    program runs elevated."""

    uninstaller = "uninstall.exe"
    install_failure = 2
    uninstall_failure = 2
    not_ended_note = "Example App could not be ended: nothing was changed."

    def __init__(self, installer):
        self.installer = installer
        self.temp = windows_temp_folder()
        self.kept = windows_temp_folder("%WINDIR%\\Temp")

    def run(self, test, line, side):
        """Runs the command line `line` of the installer ("setup") or the uninstaller
        ("uninstall") and reads its report, as it writes it and as it keeps it."""
        return run_batch(test, line, NewReport(self.kept, f"Example App {side} procsweep.log"),
                         live=os.path.join(glob.escape(self.temp), "ns*.tmp", "procsweep.log"))

    def install(self, test, root):
        line = nsis_updater_command_line(win_path(self.installer), win_path(root))
        return self.run(test, line, "setup")

    def uninstall(self, test, root):
        line = f'"{win_path(root)}\\uninstall.exe" /S _?={win_path(root)}'
        return self.run(test, line, "uninstall")


class Inno:
    """example.iss's setup and its uninstaller, with their logs where /LOG= puts them."""

    uninstaller = "unins000.exe"
    install_failure = 7
    uninstall_failure = 1
    not_ended_note = "Example App could not be ended (procsweep exit code 2)."

    def __init__(self, installer):
        self.installer = installer

    def _log(self, test, name):
        return os.path.join(test.work, f"{name}-{len(os.listdir(test.work))}.log")

    def install(self, test, root):
        log = self._log(test, "setup")
        return run_watched(command(self.installer, "/VERYSILENT", "/SUPPRESSMSGBOXES",
                                   "/LOG=" + win_path(log), "/DIR=" + win_path(root)),
                           inno_log(log))

    def uninstall(self, test, root):
        log = self._log(test, "uninstall")
        uninstaller = os.path.join(root, self.uninstaller)
        report = run_watched(command(uninstaller, "/VERYSILENT", "/SUPPRESSMSGBOXES",
                                     "/LOG=" + win_path(log)), inno_log(log))
        # The uninstaller works from a copy of itself, which removes the original last.
        deadline = time.monotonic() + 30
        while report.code == 0 and os.path.exists(uninstaller) and time.monotonic() < deadline:
            time.sleep(0.05)
        return report


# Built once for the whole run, in setUpModule: the installer kinds that can run here, and the
# programs of the installation's names in another folder.
KINDS = {}
ELSEWHERE = {}


def setUpModule():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    WineSession.ensure()
    KINDS["nsis"] = Nsis(build_nsis())
    # ISCC and the setups it makes are 32-bit programs.
    if RUNS_32_BIT_PROGRAMS:
        KINDS["inno"] = Inno(build_inno())
    ELSEWHERE["namesakes"] = Namesakes(WORK, APP_NAME, MAIN_EXE)


def tearDownModule():
    if "namesakes" in ELSEWHERE:
        ELSEWHERE["namesakes"].stop()


class Installing:
    """Runs the installer over an earlier version of the application."""

    @staticmethod
    def prepare(test, kind, root):
        Installation(root, main=MAIN_EXE)

    @staticmethod
    def act(test, kind, root):
        return kind.install(test, root)

    @staticmethod
    def failure_code(kind):
        return kind.install_failure

    @staticmethod
    def assert_done(test, kind, root):
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            test.assertEqual(f.read(), NEW_ARCHIVE)
        test.assertTrue(os.path.exists(os.path.join(root, kind.uninstaller)))

    @staticmethod
    def assert_untouched(test, kind, root):
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            test.assertEqual(f.read(), OLD_ARCHIVE)
        test.assertFalse(os.path.exists(os.path.join(root, kind.uninstaller)))


class Uninstalling:
    """Runs the uninstaller of an installation that its own installer made."""

    @staticmethod
    def prepare(test, kind, root):
        report = kind.install(test, root)
        test.assertEqual((report.code, report.steps()), (0, "probe 0"), report)

    @staticmethod
    def act(test, kind, root):
        return kind.uninstall(test, root)

    @staticmethod
    def failure_code(kind):
        return kind.uninstall_failure

    @staticmethod
    def assert_done(test, kind, root):
        test.assertFalse(os.path.exists(os.path.join(root, MAIN_EXE)))
        test.assertFalse(os.path.exists(os.path.join(root, "resources")))

    @staticmethod
    def assert_untouched(test, kind, root):
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            test.assertEqual(f.read(), NEW_ARCHIVE)
        for relative in [MAIN_EXE, NODE, kind.uninstaller]:
            test.assertTrue(os.path.exists(linux_path(root, relative)), relative)


class Scenarios:
    """The situations an installer meets; a subclass names the installer kind and direction."""

    kind_name = None
    direction = None

    def setUp(self):
        if self.kind_name not in KINDS:
            self.skipTest(NO_32_BIT_PROGRAMS)
        super().setUp()
        self.kind = KINDS[self.kind_name]
        self.root = os.path.join(self.work, APP_NAME)

    def act(self):
        report = self.direction.act(self, self.kind, self.root)
        self.assertElsewhereUntouched(report)
        return report

    def assertElsewhereUntouched(self, report):
        ELSEWHERE["namesakes"].check_untouched(self, report.lines, report)

    def assertSteps(self, report, code, steps):
        self.assertEqual(report.code, code, report)
        self.assertRegex(report.steps(), f"^{steps}$", report)

    def image(self, relative):
        return win_path(linux_path(self.root, relative))

    def test_nothing_running(self):
        self.direction.prepare(self, self.kind, self.root)
        report = self.act()
        self.assertSteps(report, 0, "probe 0")
        self.direction.assert_done(self, self.kind, self.root)

    def test_only_a_helper_runs_and_is_ended(self):
        # The second folder's name holds what an installer script could read as its own syntax
        # were a path spliced into a call: a backtick, an apostrophe, a comma and brackets.
        for index, name in enumerate([APP_NAME, "Example (`beta`), 'one'"]):
            with self.subTest(folder=name):
                self.root = os.path.join(self.folder(f"helper-{index}"), name)
                self.direction.prepare(self, self.kind, self.root)
                popen, pid, _ = self.start(linux_path(self.root, NODE))
                report = self.act()
                self.assertSteps(report, 0, "probe 11 clean 0")
                self.assertIn(f"exited pid={pid} win32-error=0 {self.image(NODE)}",
                              report.events("clean"), report)
                self.assertEndsWith(popen, 0)
                self.direction.assert_done(self, self.kind, self.root)

    def test_main_executable_with_a_window_is_closed_and_the_helper_ended(self):
        self.direction.prepare(self, self.kind, self.root)
        (main, main_pid, record), (helper, helper_pid, _) = self.start_all([
            (linux_path(self.root, MAIN_EXE), "windows"), (linux_path(self.root, NODE), "wait")])
        report = self.act()
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 11 clean 0")
        # It ended by itself on its window's close request, not by a forced end.
        self.assertEndsWith(main, 0)
        self.assertEqual(read_records(record), [f"ready {main_pid}", "close visible", "exit"])
        self.assertIn(f"exited pid={helper_pid} win32-error=0 {self.image(NODE)}",
                      report.events("clean"), report)
        self.assertEndsWith(helper, 0)
        self.direction.assert_done(self, self.kind, self.root)

    def test_main_executable_without_a_window_is_ended_after_the_wait(self):
        self.direction.prepare(self, self.kind, self.root)
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE))
        report = self.act()
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)+ force 0")
        self.assertIn(f"exited pid={pid} win32-error=0 {self.image(MAIN_EXE)}",
                      report.events("force"), report)
        self.assertEqual(read_records(record), [f"ready {pid}"])
        self.assertEndsWith(main, 0)
        self.direction.assert_done(self, self.kind, self.root)
        # The wait is a stated behaviour of the examples: from the end of "close" to the start
        # of "force", ten seconds, within a second. No look starts after the deadline, so the
        # wait overshoots by one look at most (a tenth of a second or two under Wine here).
        # The lines are seen up to a poll later than written: a quarter second of slack.
        close, last_look, force = report.runs[1], report.runs[-2], report.runs[-1]
        closed = report.seen[close["end"]]
        waited = report.seen[force["start"]] - closed
        last_look_began = report.seen[last_look["start"]] - closed
        self.assertLessEqual(last_look_began, CLOSE_TIMEOUT_S + 0.25, f"waited {waited:.2f} s")
        self.assertGreaterEqual(waited, CLOSE_TIMEOUT_S - 0.25, f"waited {waited:.2f} s")
        self.assertLess(waited, CLOSE_TIMEOUT_S + 1, f"waited {waited:.2f} s")

    def test_procsweep_answering_2_aborts_with_nothing_written_and_the_reason_kept(self):
        # The installation is reached through a short link to a deep folder: it exists, but
        # procsweep.exe cannot resolve its final path.
        short = os.path.join(self.work, "short", APP_NAME)
        os.makedirs(short)
        os.symlink(short, self.root)
        self.direction.prepare(self, self.kind, self.root)
        deep = os.path.join(self.work, *DEEP, APP_NAME)
        os.makedirs(os.path.dirname(deep))
        os.rename(short, deep)
        os.remove(self.root)
        os.symlink(deep, self.root)
        helper, _, _ = self.start(linux_path(self.root, NODE))
        report = self.act()
        # Then who holds the files is asked, of the same folder: 2 again.
        self.assertSteps(report, self.direction.failure_code(self.kind),
                         "probe 2 legacy-owners 2")
        self.assertEqual(report.events("probe"), [
            f"installation-path-failed pid=0 win32-error=234 {win_path(self.root)}"])
        self.assertIn(self.kind.not_ended_note, " ".join(report.lines), report)
        self.assertRunning(helper)
        self.direction.assert_untouched(self, self.kind, deep)


class FolderOutsideTheAnsiCodePage:
    """Inno Setup's example reads the tool's UTF-16 log itself and copies its lines into the
    setup and uninstall logs: a folder name outside the ANSI code page (1252 under Wine here)
    must reach them unchanged. NSIS's report is the tool's own log file, and its installer is
    started from a batch file, which cmd reads in the OEM code page."""

    def test_a_folder_named_outside_the_ansi_code_page_is_reported_exactly(self):
        # "Č" and "č" are U+010C and U+010D: a reader that kept only the low byte of each
        # UTF-16 unit would write a form feed and a CR in their place.
        self.root = os.path.join(self.work, "Účetnictví Čech")
        self.direction.prepare(self, self.kind, self.root)
        helper, pid, _ = self.start(linux_path(self.root, NODE))
        report = self.act()
        self.assertSteps(report, 0, "probe 11 clean 0")
        self.assertIn(f'procsweep.exe probe "{win_path(self.root)}" "{MAIN_EXE}"', report.lines,
                      report)
        matched = f"matched pid={pid} win32-error=0 {self.image(NODE)}"
        exited = f"exited pid={pid} win32-error=0 {self.image(NODE)}"
        self.assertEqual(report.events("probe"), [matched], report)
        # clean's first look, its terminating pass, and a last look that finds nothing.
        self.assertEqual(report.events("clean"), [matched, matched, exited], report)
        self.assertEndsWith(helper, 0)
        self.direction.assert_done(self, self.kind, self.root)


class NsisInstallerTest(Scenarios, E2ETestCase):
    kind_name, direction = "nsis", Installing


class NsisUninstallerTest(Scenarios, E2ETestCase):
    kind_name, direction = "nsis", Uninstalling


class InnoSetupTest(FolderOutsideTheAnsiCodePage, Scenarios, E2ETestCase):
    kind_name, direction = "inno", Installing


class InnoUninstallerTest(FolderOutsideTheAnsiCodePage, Scenarios, E2ETestCase):
    kind_name, direction = "inno", Uninstalling


class InUseTest(E2ETestCase):
    """An application that cannot be ended: the examples name the programs that hold its files
    (the holders stand in, see stand_in_holders; the installers, the examples' code and the
    reports are real), and NSIS's ends with the code its author chose."""

    def test_the_nsis_example_ends_with_the_authors_code_and_names_the_holders(self):
        folder = os.path.join(WORK, "nsis")
        installer = build_script(folder, "in-use-setup", ['!include "example.nsi"'],
                                 f"PROCSWEEP_EXE={HOLDERS_STAND_IN}",
                                 "PROCSWEEP_IN_USE_EXIT_CODE=1618")
        stand_in_holders(self, (0, 4242, "Code Editor"))
        root = os.path.join(self.work, APP_NAME)
        deep = unresolvable_installation(self, root, MAIN_EXE)
        report = Nsis(installer).install(self, root)
        self.assertEqual((report.code, report.steps()), (1618, "probe 2 legacy-owners 0"), report)
        self.assertIn("restart-manager-owner pid=4242 win32-error=0 Code Editor", report.lines)
        Installing.assert_untouched(self, KINDS["nsis"], deep)

    def test_the_inno_setup_example_names_the_holders(self):
        if "inno" not in KINDS:
            self.skipTest(NO_32_BIT_PROGRAMS)
        setup = Inno(build_inno("inno-holders", tool=HOLDERS_STAND_IN))
        stand_in_holders(self, (0, 4242, "Code Editor"), (0, 77, "Backup Agent"))
        root = os.path.join(self.work, APP_NAME)
        deep = unresolvable_installation(self, root, MAIN_EXE)
        report = setup.install(self, root)
        self.assertEqual(report.code, setup.install_failure, report)
        # The reason is one entry of the setup log, its lines after the first indented.
        [log] = glob.glob(os.path.join(glob.escape(self.work), "setup-*.log"))
        with open(log, encoding="utf-8-sig") as f:
            self.assertIn("Example App could not be ended (procsweep exit code 2). These programs "
                          "are using files of Example App: Code Editor (PID 4242) Backup Agent "
                          "(PID 77) Nothing was changed.", " ".join(f.read().split()), report)
        Installing.assert_untouched(self, setup, deep)


class NsisReportPlaceTest(E2ETestCase):
    def test_no_name_fixed_in_advance_in_temp_is_written_through(self):
        # Every program the user runs can put a link in %TEMP% at a name known in advance; an
        # elevated installer (under Wine, every one) that wrote there would write through it.
        nsis = KINDS["nsis"]
        target = self.file("not the report.txt", content=b"the user's own file")
        for side in ["setup", "uninstall"]:
            link = os.path.join(nsis.temp, f"Example App {side} procsweep.log")
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(target, link)
            self.addCleanup(os.remove, link)
        root = os.path.join(self.work, APP_NAME)
        Installation(root, main=MAIN_EXE)
        reports = [act(self, root) for act in [nsis.install, nsis.uninstall]]
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"the user's own file")
        for report in reports:
            self.assertEqual((report.code, report.steps()), (0, "probe 0"), report)


class NsisDriveRootTest(E2ETestCase):
    def test_an_installation_at_a_drive_root_is_ended_before_a_file_is_written(self):
        # At a drive's root NSIS gives $INSTDIR as "R:", which Windows reads as the current
        # folder of drive R. Passed on as it is from an installer started in R:\Downloads, the
        # tool would look there, find nothing, and the installer would write over the running
        # application.
        installer = build_script(os.path.join(WORK, "nsis"), "drive-root-setup",
                                 ["AllowRootDirInstall true", '!include "example.nsi"'],
                                 f"PROCSWEEP_EXE={PROCSWEEP_EXE}")
        root = self.folder("drive")
        drive = map_drive(self, root)
        Installation(root, main=MAIN_EXE)
        shutil.copy(installer, self.folder("drive", "Downloads"))
        main, pid, record = self.start(linux_path(root, MAIN_EXE), "windows")
        nsis = KINDS["nsis"]
        report = nsis.run(self, f"cd /d {drive}\\Downloads\r\n"
                                f'"{drive}\\Downloads\\drive-root-setup.exe" /S /D={drive}\\',
                          "setup")
        self.assertEqual(report.code, 0, report)
        self.assertRegex(report.steps(), "^probe 10 close 0( probe 10)* probe 0$", report)
        self.assertEqual(report.lines[0], f'procsweep.exe probe "{drive}\\\\" "{MAIN_EXE}"')
        self.assertEqual(report.events("probe")[0],
                         f"matched pid={pid} win32-error=0 {drive}\\{MAIN_EXE}")
        # It ended by itself on its window's close request, and only then were files written.
        self.assertEndsWith(main, 0)
        self.assertEqual(read_records(record), [f"ready {pid}", "close visible", "exit"])
        Installing.assert_done(self, nsis, root)


if __name__ == "__main__":
    unittest.main()
