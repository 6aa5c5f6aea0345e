"""The MSI example of integration/msi: example.wxs with the npm package's procsweep.wxi, built
with the package's procsweep-wixl as docs/windows-installer.md says, versions 1.0.0 and 2.0.0 (a
major upgrade), and the same two without the include, built with wixl alone, as an author has
them before adding it. They run under Wine's msiexec
on a stand-in application (the fixture program as the main executable and as the Node.js helper)
installed into a folder of the test, in the situations an MSI meets: an upgrade, a repair-free
uninstall, procsweep.exe answering 2, and each UI level with the application running. And
procsweep-wixl itself: what it writes, and what it refuses.

The tests check what a user or an administrator sees: msiexec's exit code, the tool's event
lines (the file PROCSWEEPLOG names), which processes ended and which ran on (and whether one
closed by itself), each installed file's bytes, the registered products, and Windows' list of
files to replace at its next start. A main executable and a helper of the same names run from
another folder all along and must survive every run.

Where Wine differs from Windows, and what only Windows can show:
- A failed installation ends with 1627 under Wine (Windows: 1603, ERROR_INSTALL_FAILURE).
- Linux sees a Windows program's exit code modulo 256: msiexec's is read through cmd.
- A custom action whose program cannot start counts as a success under Wine: the tests read the
  tool's events, never only an exit code of 0.
- The removal of the earlier version that an upgrade starts gets REMOVE=ALL but not
  UPGRADINGPRODUCTCODE, so the earlier version's copy of the include runs there too, at a
  silent UI level, and would end what the user kept open. So the UI-level tests upgrade from a
  1.0.0 built without the include (an application's first MSI to carry it), and the include's
  guard is shown by an uninstall given UPGRADINGPRODUCTCODE on msiexec's command line.
- Wine shows no files-in-use dialog (MsiRMFilesInUse, FilesInUse), and the example authors
  none: an upgrade at basic, reduced or full UI here goes on with the application running and
  leaves its file for the next start (3010); an uninstall there answers 0 and leaves the running
  executable on disk. On Windows, with the dialog in the package, the user is shown what still
  runs and decides (and basic and reduced UI offer to close it). That, and what the user
  answers, only Windows can show.
- Wine runs every installation in one process as one elevated user: that an elevated
  installation drops public properties not listed in SecureCustomProperties, and that UAC's
  filtered token keeps the tool from an elevated application, only Windows can show.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import os
import re
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from tests.e2e.harness import (WORK_ROOT, E2ETestCase, Namesakes, WineSession, read_records,
                               stop_process)
from tests.installers import guide
from tests.installers.reports import windows_temp_folder
from tests.msi import packages
from tests.msi.packages import APP_NAME, MAIN_EXE, msiexec
from tools.windows_programs import BUILD_DIR, NODE, SOURCE_DIR, linux_path, win_path

WORK = os.path.join(BUILD_DIR, "msi-work")
VERSIONS = ["1.0.0", "2.0.0"]
# Windows Installer's exit codes: a restart is needed to finish (files left in use), and a
# failed installation as Wine's msiexec reports it (Windows: 1603).
REBOOT_REQUIRED = 3010
WINE_INSTALL_FAILURE = 1627
# Wine 8 cannot read a final path much past 260 characters: an installation reached through a
# short link to a deep folder exists, but procsweep.exe cannot resolve it and answers 2.
DEEP = ["d" * 100] * 3
# The application running: its main executable (without a window: it cannot be asked to close)
# and its Node.js helper, as relative paths and the fixture program's sub-commands.
APPLICATION = [(MAIN_EXE, "wait"), (NODE, "wait")]
NO_WIXL = ("wixl not found: Debian's wixl and msitools build the MSI example (`make` installs "
           "them where apt-get can)")

# Built once, in setUpModule: with the include, and without ("plain"); and the programs of the
# installation's names in another folder.
PACKAGES = {}
PLAIN = {}
ELSEWHERE = {}


def setUpModule():
    if shutil.which("wixl") is None or shutil.which("msibuild") is None:
        raise unittest.SkipTest(NO_WIXL)
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    for version in VERSIONS:
        PACKAGES[version] = packages.build(os.path.join(WORK, version), version)
        PLAIN[version] = packages.build(os.path.join(WORK, "plain-" + version), version,
                                        with_include=False)
    WineSession.ensure()
    # What an earlier run that was stopped may have left registered.
    packages.forget(WORK_ROOT)
    ELSEWHERE["namesakes"] = Namesakes(WORK, APP_NAME, MAIN_EXE)


def tearDownModule():
    if "namesakes" in ELSEWHERE:
        ELSEWHERE["namesakes"].stop()


class MsiTestCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        # Registered first, so that it runs last: after the test's processes have ended.
        self.addCleanup(packages.forget, WORK_ROOT)
        self.root = os.path.join(self.work, "Program Files", APP_NAME)

    def install(self, package, options="/qn", into=None):
        """Installs a package; into: the folder, on a first installation (an upgrade finds the
        earlier version's)."""
        folder = f' INSTALLDIR="{win_path(into)}\\"' if into else ""
        run = msiexec(self, f'/i "{win_path(package.path)}" {options}{folder}')
        self.assertElsewhereUntouched(run)
        return run

    def uninstall(self, package, options="/qn"):
        run = msiexec(self, f"/x {package.product_code} {options}")
        self.assertElsewhereUntouched(run)
        return run

    def install_first(self, package, root=None):
        run = self.install(package, into=root or self.root)
        self.assertEqual((run.code, run.events), (0, []), run)
        self.assertInstalled(package.version, root)

    def start_application(self, programs):
        """Starts the fixture program as these executables of the installation (relative path
        and sub-command)."""
        return self.start_all([(linux_path(self.root, relative), command)
                               for relative, command in programs])

    def image(self, relative, root=None):
        return win_path(linux_path(root or self.root, relative))

    def assertEnded(self, run, programs, started):
        """The tool ended each of these started programs (its "exited" event), and it is gone."""
        for (relative, _), (popen, pid, _) in zip(programs, started):
            self.assertIn(f"exited pid={pid} win32-error=0 {self.image(relative)}", run.events,
                          run)
            self.assertEndsWith(popen, 0)

    def assertElsewhereUntouched(self, run):
        ELSEWHERE["namesakes"].check_untouched(self, run.events, run)

    def assertInstalled(self, version, root=None):
        for relative, content in packages.payload_bytes(version).items():
            with open(linux_path(root or self.root, relative), "rb") as f:
                self.assertEqual(f.read(), content, f"{relative} is not {version}'s")

    def assertRegistered(self, *versions):
        self.assertEqual(sorted(packages.registered_products().values()), list(versions))

    def assertNothingLeftForTheNextStart(self, run):
        self.assertEqual(packages.below(packages.left_for_the_next_start(), self.work), [], run)


class UpgradeTest(MsiTestCase):
    def test_the_upgrade_ends_the_application_and_helper_before_replacing_their_files(self):
        self.install_first(PACKAGES["1.0.0"])
        started = self.start_application(APPLICATION)
        run = self.install(PACKAGES["2.0.0"])
        self.assertEqual(run.code, 0, run)
        self.assertEnded(run, APPLICATION, started)
        # Had a file been replaced while its program ran, it would be left for the next start.
        self.assertInstalled("2.0.0")
        self.assertNothingLeftForTheNextStart(run)
        self.assertRegistered("2.0.0")

    def test_procsweep_answering_2_fails_the_upgrade_with_nothing_changed(self):
        # The installation is reached through a short link to a deep folder: it exists, but
        # procsweep.exe cannot resolve its final path.
        deep = os.path.join(self.work, *DEEP)
        os.makedirs(deep)
        os.symlink(deep, os.path.join(self.work, "short"))
        self.root = os.path.join(self.work, "short", APP_NAME)
        self.install_first(PACKAGES["1.0.0"])
        before = snapshot(deep)
        main, _, _ = self.start_application([(MAIN_EXE, "wait")])[0]
        # force in a silent run, close in a full-UI one: either answer stops the installation.
        for options in ["/qn", "/qf"]:
            with self.subTest(options=options):
                run = self.install(PACKAGES["2.0.0"], options)
                self.assertEqual(run.code, WINE_INSTALL_FAILURE, run)
                self.assertEqual(run.events, [
                    f"installation-path-failed pid=0 win32-error=234 {win_path(self.root)}\\"],
                    run)
                self.assertRunning(main)
                self.assertEqual(snapshot(deep), before)
                self.assertRegistered("1.0.0")

    def test_the_uninstall_ends_the_application_and_removes_its_folder(self):
        self.install_first(PACKAGES["1.0.0"])
        started = self.start_application(APPLICATION)
        run = self.uninstall(PACKAGES["1.0.0"])
        self.assertEqual(run.code, 0, run)
        self.assertEnded(run, APPLICATION, started)
        self.assertFalse(os.path.exists(self.root))
        self.assertNothingLeftForTheNextStart(run)
        self.assertRegistered()

    def test_without_the_include_the_running_file_is_left_for_the_next_start(self):
        # What the include prevents: Windows Installer replaces no file of a running program,
        # and a silent run does not end it either. The file stays the old version's until
        # Windows next starts.
        self.install_first(PLAIN["1.0.0"])
        main, _, _ = self.start_application([(MAIN_EXE, "wait")])[0]
        run = self.install(PLAIN["2.0.0"])
        self.assertEqual((run.code, run.events), (REBOOT_REQUIRED, []), run)
        self.assertRunning(main)
        with open(linux_path(self.root, MAIN_EXE), "rb") as f:
            self.assertEqual(f.read(), packages.payload_bytes("1.0.0")[MAIN_EXE])
        self.assertIn("\\??\\" + self.image(MAIN_EXE),
                      packages.left_for_the_next_start(), run)
        self.assertRegistered("2.0.0")

    def test_the_removal_an_upgrade_starts_leaves_the_application_to_the_upgrade(self):
        # Windows gives that removal UPGRADINGPRODUCTCODE (Wine does not): the upgrade has
        # already dealt with the application, at its own UI level, and the earlier version's
        # include must not end at a silent level what the user kept open.
        self.install_first(PACKAGES["1.0.0"])
        (main, _, _), (helper, _, _) = self.start_application(APPLICATION)
        run = self.uninstall(PACKAGES["1.0.0"],
                             f"/qn UPGRADINGPRODUCTCODE={PACKAGES['2.0.0'].product_code}")
        self.assertEqual(run.events, [], run)
        self.assertRunning(main)
        self.assertRunning(helper)


class GuideLineTest(MsiTestCase):
    def test_the_guides_msiexec_line_runs_as_printed(self):
        # The guide's line that names a log file in a folder of administrators', run as printed
        # beside the package it names (the folder and the file made first, as it says): a silent
        # upgrade over the running application, whose events land in that file.
        [line] = [span for span in guide.code_spans(guide.page("windows-installer"))
                  if span.startswith("msiexec /i ") and ".msi" in span]
        name = line.split()[2]
        self.assertEqual(name, os.path.basename(PACKAGES["2.0.0"].path))
        log = windows_temp_folder(re.search(r'PROCSWEEPLOG="([^"]+)"', line).group(1))
        shutil.rmtree(os.path.dirname(log), ignore_errors=True)
        os.makedirs(os.path.dirname(log))
        self.addCleanup(shutil.rmtree, os.path.dirname(log), ignore_errors=True)
        open(log, "wb").close()
        self.install_first(PACKAGES["1.0.0"])
        started = self.start_application(APPLICATION)
        here = self.folder("guide")
        shutil.copy(PACKAGES["2.0.0"].path, os.path.join(here, name))
        code = packages.run_msiexec(os.path.join(here, "line.bat"), line[len("msiexec "):],
                                    os.path.join(here, "line.code"), cwd=here)
        run = packages.Run(line, code, packages.read_utf16_lines(log), os.devnull)
        self.assertEqual(code, 0, run)
        self.assertEnded(run, APPLICATION, started)
        self.assertInstalled("2.0.0")


def snapshot(folder):
    """Every file below `folder`: its bytes and its modification time."""
    files = {}
    for directory, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = (f.read(), os.stat(path).st_mtime_ns)
    return files


# How each way of running msiexec treats the application (and what PROCSWEEPMODE makes of it,
# in any letter case). Each row: what runs msiexec ("upgrade": from 1.0.0 without the include to
# 2.0.0 with it; "uninstall": 1.0.0 with the include removed by product code), its options, the
# UILevel Windows Installer gives the package, what runs (the executable and the fixture's
# sub-command), and what becomes of it: "ended" by the tool, "asked" to close and left running
# (the fixture without a window cannot be asked), or "closes" by itself when asked. Only a run
# without any UI ends the application unasked: basic UI (/qb, /passive) is also how Settings and
# Programs and Features run an uninstall or a repair, in front of the user.
UI_LEVELS = [
    ("upgrade", "/qn", 2, APPLICATION, "ended"),
    ("upgrade", "/qb", 3, APPLICATION, "asked"),
    ("upgrade", "/passive", 3, APPLICATION, "asked"),
    ("upgrade", "/qr", 4, APPLICATION, "asked"),
    ("upgrade", "/qf", 5, APPLICATION, "asked"),
    ("upgrade", "/qf", 5, [(MAIN_EXE, "windows")], "closes"),
    ("upgrade", "/qb", 3, [(MAIN_EXE, "windows")], "closes"),
    ("upgrade", "/qf", 5, [(NODE, "wait")], "ended"),
    ("uninstall", "/qb", 3, APPLICATION, "asked"),
    ("uninstall", "/qf", 5, APPLICATION, "asked"),
    ("upgrade", "/qn PROCSWEEPMODE=close", 2, APPLICATION, "asked"),
    ("upgrade", "/qn PROCSWEEPMODE=CLOSE", 2, APPLICATION, "asked"),
    ("upgrade", "/qb PROCSWEEPMODE=force", 3, APPLICATION, "ended"),
    ("upgrade", "/passive PROCSWEEPMODE=force", 3, APPLICATION, "ended"),
    ("upgrade", "/qf PROCSWEEPMODE=force", 5, APPLICATION, "ended"),
    ("upgrade", "/qf PROCSWEEPMODE=Force", 5, APPLICATION, "ended"),
]


class UiLevelTest(MsiTestCase):
    def test_each_ui_level_ends_only_what_it_may(self):
        for index, (operation, options, level, programs, outcome) in enumerate(UI_LEVELS):
            with self.subTest(operation=operation, options=options, programs=programs):
                self.root = os.path.join(self.folder(f"level-{index}"), APP_NAME)
                started = []
                try:
                    if operation == "upgrade":
                        self.install_first(PLAIN["1.0.0"])
                        started = self.start_application(programs)
                        run = self.install(PACKAGES["2.0.0"], options)
                    else:
                        self.install_first(PACKAGES["1.0.0"])
                        started = self.start_application(programs)
                        run = self.uninstall(PACKAGES["1.0.0"], options)
                    self.assertIn(f"Property(S): UILevel = {level}", run.log_lines(), run)
                    self.assertOutcome(operation, run, programs, started, outcome)
                finally:
                    for popen, _, _ in started:
                        stop_process(popen)
                    packages.forget(WORK_ROOT)

    def assertOutcome(self, operation, run, programs, started, outcome):
        pids = [pid for _, pid, _ in started]
        if outcome == "asked":
            # Neither is ended. close found both (the main executable, without a window, gets
            # no request; a helper never does), and so did clean's look, which ended nothing:
            # the helper is no left-over while the main executable runs. Windows Installer
            # then goes on around them: here, with no dialog to ask in, an upgrade leaves
            # their files for the next start, and an uninstall under Wine reports success and
            # leaves them where they are.
            found = [f"matched pid={pid} win32-error=0 {self.image(relative)}"
                     for (relative, _), pid in zip(programs, pids)]
            self.assertEqual(sorted(run.events), sorted(found * 2), run)
            for popen, _, _ in started:
                self.assertRunning(popen)
            if operation == "upgrade":
                self.assertEqual(run.code, REBOOT_REQUIRED, run)
            else:
                self.assertEqual(run.code, 0, run)
                self.assertTrue(os.path.exists(linux_path(self.root, MAIN_EXE)), run)
            return
        self.assertEqual(run.code, 0, run)
        if outcome == "closes":
            (popen, pid, record), = started
            self.assertEndsWith(popen, 0)
            self.assertEqual(read_records(record), [f"ready {pid}", "close visible", "exit"])
            self.assertEqual([line for line in run.events if line.startswith("exited ")], [],
                             run)
        else:
            self.assertEnded(run, programs, started)
        self.assertInstalled("2.0.0")
        self.assertNothingLeftForTheNextStart(run)


# What procsweep-wixl refuses, each as one change to the example's folder laid out as the guide
# says: the file changed, the first match of a pattern there and what replaces it, and what the
# command's refusal names.
WIXL_REFUSALS = [
    ("the source without its include line", "example.wxs", re.escape(packages.INCLUDE_LINE), "",
     "the source has no procsweep.wxi"),
    ("an include whose sequence lacks an action", "procsweep.wxi",
     r'<Custom Action="ProcsweepAskToClose".*?</Custom>', "",
     "InstallExecuteSequence ProcsweepAskToClose"),
    ("an action of the author's own that wixl leaves out and the command cannot add",
     "example.wxs", re.escape(packages.INCLUDE_LINE), packages.INCLUDE_LINE +
     '<CustomAction Id="OwnDeferred" BinaryKey="ProcsweepExe" Execute="deferred" '
     'Impersonate="no" ExeCommand="probe" />', "CustomAction OwnDeferred"),
    ("a main executable named outside ASCII", "example.wxs", '"Example App.exe" [?]>',
     '"Účetnictví.exe" ?>', "outside ASCII"),
]


class WixlCommandTest(unittest.TestCase):
    """The guide's procsweep-wixl command line, run as printed in the example's folder."""

    def source(self, name):
        folder = os.path.join(WORK, "wixl-command", name)
        shutil.rmtree(folder, ignore_errors=True)
        packages.lay_out_source(folder, "1.0.0")
        return folder

    def edit(self, path, pattern, replacement):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        self.assertRegex(text, pattern)
        with open(path, "w", encoding="utf-8") as f:
            f.write(re.sub(pattern, lambda _: replacement, text, count=1, flags=re.DOTALL))

    def build(self, folder):
        words = packages.build_command("1.0.0")
        completed = subprocess.run(words, cwd=folder, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        return completed, os.path.join(folder, words[words.index("-o") + 1])

    def test_the_package_it_makes_holds_the_actions_and_the_secure_properties(self):
        completed, msi = self.build(self.source("complete"))
        output = completed.stdout.decode(errors="replace")
        self.assertEqual(completed.returncode, 0, output)
        actions = {row["Action"]: (row["Type"], row["Source"], row["Target"])
                   for row in packages.msi_table(msi, "CustomAction")}
        command = '--log "[PROCSWEEPLOG]" {} "[INSTALLDIR]\\" "Example App.exe"'
        self.assertEqual(actions, {
            "ProcsweepEnd": ("2", "ProcsweepExe", command.format("force")),
            "ProcsweepAskToClose": ("2", "ProcsweepExe", command.format("close")),
            "ProcsweepEndLeftOverHelpers": ("66", "ProcsweepExe", command.format("clean"))})
        properties = {row["Property"]: row["Value"]
                      for row in packages.msi_table(msi, "Property")}
        self.assertEqual(properties["SecureCustomProperties"].split(";"),
                         ["WIX_DOWNGRADE_DETECTED", "WIX_UPGRADE_DETECTED", "PROCSWEEPMODE",
                          "PROCSWEEPLOG"])
        # wixl's messages about what the command put right are replaced by its own.
        self.assertNotIn("CRITICAL", output)

    def test_it_refuses_a_package_that_would_never_run_the_tool(self):
        for index, (change, name, pattern, replacement, refusal) in enumerate(WIXL_REFUSALS):
            with self.subTest(change=change):
                folder = self.source(f"refused-{index}")
                self.edit(os.path.join(folder, name), pattern, replacement)
                completed, msi = self.build(folder)
                output = completed.stdout.decode(errors="replace")
                self.assertEqual(completed.returncode, 1, output)
                self.assertIn("procsweep-wixl: refused: ", output)
                self.assertIn(refusal, output)
                self.assertFalse(os.path.exists(msi), output)


class IncludeTest(unittest.TestCase):
    """procsweep-wix4.wxi is procsweep.wxi in WiX 4's language: the same tables, row for row."""

    def rows(self, name, namespace, binary_attribute):
        root = ElementTree.parse(os.path.join(SOURCE_DIR, "package", name)).getroot()
        self.assertEqual(root.tag, namespace + "Include")
        binaries = [dict(element.attrib) for element in root.iter(namespace + "Binary")]
        actions = []
        for element in root.iter(namespace + "CustomAction"):
            attributes = dict(element.attrib)
            attributes["Binary"] = attributes.pop(binary_attribute)
            actions.append(attributes)
        sequence = []
        for element in root.iter(namespace + "Custom"):
            attributes = dict(element.attrib)
            condition = attributes.pop("Condition", None) or (element.text or "").strip()
            sequence.append({**attributes, "Condition": condition})
        properties = [dict(element.attrib) for element in root.iter(namespace + "Property")]
        return binaries, actions, sequence, properties

    def test_the_wix4_include_holds_the_same_rows(self):
        wix3 = self.rows("procsweep.wxi", packages.WIX_NAMESPACE, "BinaryKey")
        wix4 = self.rows("procsweep-wix4.wxi", "{http://wixtoolset.org/schemas/v4/wxs}",
                         "BinaryRef")
        self.assertEqual(wix4, wix3)
        self.assertEqual(len(wix3[1]), 3)
        # Both properties secure, so that an elevated installation keeps them.
        self.assertEqual(wix3[3], [{"Id": "PROCSWEEPMODE", "Secure": "yes"},
                                   {"Id": "PROCSWEEPLOG", "Secure": "yes"}])


if __name__ == "__main__":
    unittest.main()
