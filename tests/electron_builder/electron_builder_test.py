"""The electron-builder example of integration/electron-builder, as an author uses it: its
package.json build lines and its include, built by electron-builder itself (the version that
package-lock.json pins) for a stand-in Electron application, versions 1 and 2, as a one-click
per-user installer and as an assisted per-machine one. Each installer and its uninstaller run
silently under Wine in the situations they meet: nothing runs; the application runs and closes
when asked; it ignores the request and is ended after the wait; only a helper runs; a program
of the same name runs from another folder; an update as electron-updater starts it; the
uninstaller while the application runs; procsweep.exe answering 2.

electron-builder downloads 7-Zip, NSIS, NSIS's plug-ins and Electron when it builds. Here it gets
local ones: Debian's 7za and makensis, the plug-ins in ELECTRON_BUILDER_NSIS_RESOURCES_DIR (where
that is unset, it fetches them itself), and the fixture program as electron.exe. It runs the
installer it has just built, under the `wine` it finds on PATH, to write the uninstaller: that
`wine` starts programs the project's way (tools/wine-run).

On a machine that runs no 32-bit program, electron-builder cannot build or run its installers
(they, their plug-ins and the program its build runs to write the uninstaller are 32-bit). There
the same situations run against a stand-in installer instead, which is NOT electron-builder's:
stand_in.nsi, built for 64-bit Windows with makensis -WX in electron-builder's two passes, takes
the include, unchanged, where electron-builder's templates insert it (the installer's section
before any file is written, the uninstaller's un.onInit) with electron-builder's defines and its
"cannot be closed" message. It shows the include at work in installers built the way
electron-builder inserts it, and nothing of electron-builder's own templates: not its 7-Zip
archive, its uninstall entry, shortcuts, running the old version's uninstaller on an update (the
stand-in records only the installation's folder, where an update finds it, and installs over
it), nor its UAC plug-in, so the assisted per-machine kind has no stand-in. Its tests are named
StandIn...; the electron-builder ones are skipped there, saying why.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, ELECTRON_STAND_IN, PROCSWEEP_SOURCE_DIR,
PROCSWEEP_BUILD_DIR; ELECTRON_BUILDER_NSIS_RESOURCES_DIR (.ci/run sets it).
"""

import json
import os
import shlex
import shutil
import subprocess
import unittest

from tests.e2e.harness import PROCSWEEP_EXE, E2ETestCase, Installation, WineSession, read_records
from tests.installers.reports import run_batch, run_quietly, windows_temp_folder
from tools.windows_programs import (BUILD_DIR, ENV, NO_32_BIT_PROGRAMS, NODE, SOURCE_DIR, WINE_RUN,
                                    command, linux_path, runs_32_bit_programs, win_path)

ELECTRON_STAND_IN = os.environ.get("ELECTRON_STAND_IN",
                                   os.path.join(BUILD_DIR, "fixture_electron.exe"))
EXAMPLE = os.path.join(SOURCE_DIR, "integration", "electron-builder")
ELECTRON_BUILDER = os.path.join(SOURCE_DIR, "node_modules", "electron-builder", "cli.js")
WORK = os.path.join(BUILD_DIR, "electron-builder-work")
BUILD_TIMEOUT_S = 600

PRODUCT = "Example App"
MAIN_EXE = PRODUCT + ".exe"
UNINSTALLER = f"Uninstall {PRODUCT}.exe"
VERSIONS = ["1.0.0", "2.0.0"]
# Any Electron version: the stand-in is not Electron, and electron-builder only records it.
ELECTRON_VERSION = "30.0.0"
# The registry keys of the test's installations are named after it: see forget_installations.
GUID = "6f1d3c2a-8e4b-4f7a-9c05-2b8d7e41a9c3"
# Wine 8 cannot read a final path much past 260 characters: an installation reached through a
# short link to a deep folder exists, but procsweep.exe cannot resolve it and answers 2.
DEEP = ["d" * 100] * 3

# The two installers an author most often builds: electron-builder's default, and the one that
# asks and installs for every user of the machine.
KINDS = {
    "one-click": {"oneClick": True, "perMachine": False},
    "assisted": {"oneClick": False, "perMachine": True},
}

# Who builds the installers: electron-builder where 32-bit programs run, the stand-in installer
# (stand_in.nsi, not electron-builder's) elsewhere, for 64-bit Windows and one-click per-user
# only: electron-builder's assisted per-machine installer needs its UAC plug-in, a 32-bit one.
BUILDER = "electron-builder" if runs_32_bit_programs() else "stand-in"
BUILDER_KINDS = {"electron-builder": list(KINDS), "stand-in": ["one-click"]}
STAND_IN = os.path.join(SOURCE_DIR, "tests", "electron_builder", "stand_in.nsi")
STAND_IN_TARGET = "-XTarget amd64-unicode"
NOT_BUILT = {
    ("electron-builder", "one-click"):
        f"not electron-builder here: {NO_32_BIT_PROGRAMS}, and electron-builder's build and "
        "installers are 32-bit; StandInOneClickPerUserTest runs these situations on the "
        "stand-in installer instead, which is not electron-builder's",
    ("electron-builder", "assisted"):
        f"not electron-builder here: {NO_32_BIT_PROGRAMS}, and electron-builder's build and "
        "installers are 32-bit; the assisted per-machine kind has no stand-in installer (it "
        "needs electron-builder's UAC plug-in, a 32-bit one)",
    ("stand-in", "one-click"):
        "electron-builder itself builds the installers here (OneClickPerUserTest): the "
        "stand-in installer is for a machine that runs no 32-bit program",
}


def offline_environment():
    """The environment electron-builder builds in: local tools instead of its downloads."""
    tools = os.path.join(WORK, "tools")
    nsis = os.path.join(tools, "nsis")
    os.makedirs(nsis)
    for program in ["makensis", "7za", "node"]:
        if shutil.which(program) is None:
            raise AssertionError(f"{program} not found: `make` installs it")
    if not os.path.exists(ELECTRON_BUILDER):
        raise AssertionError(f"{ELECTRON_BUILDER} not found: `make` installs it (npm ci)")
    os.symlink(shutil.which("makensis"), os.path.join(nsis, "makensis"))
    # electron-updater's helper for updating a per-machine installation, which electron-builder
    # packs into the application from its NSIS folder. Nothing here runs it.
    shutil.copy(ELECTRON_STAND_IN, os.path.join(nsis, "elevate.exe"))
    # tools/wine-run finds Wine on PATH in its turn: this `wine` gives it the PATH without
    # itself.
    wine_folder = os.path.join(tools, "bin")
    os.makedirs(wine_folder)
    wine = os.path.join(wine_folder, "wine")
    with open(wine, "w") as f:
        f.write("#!/bin/sh\n"
                f"PATH={shlex.quote(ENV['PATH'])} exec {shlex.quote(WINE_RUN)} \"$@\"\n")
    os.chmod(wine, 0o755)
    return dict(ENV,
                PATH=wine_folder + os.pathsep + ENV["PATH"],
                ELECTRON_BUILDER_7ZIP_PATH=shutil.which("7za"),
                ELECTRON_BUILDER_NSIS_DIR=nsis,
                ELECTRON_BUILDER_CACHE=os.path.join(WORK, "cache"),
                CSC_IDENTITY_AUTO_DISCOVERY="false")


def electron_dist():
    """The folder electron-builder takes Electron from: electron.exe and its version."""
    folder = os.path.join(WORK, "electron")
    os.makedirs(folder)
    shutil.copy(ELECTRON_STAND_IN, os.path.join(folder, "electron.exe"))
    with open(os.path.join(folder, "version"), "w") as f:
        f.write(ELECTRON_VERSION)
    return folder


def package_json(options, version, output, electron):
    """The example's package.json, with what building offline here adds to its build lines."""
    with open(os.path.join(EXAMPLE, "package.json"), encoding="utf-8") as f:
        package = json.load(f)
    package["version"] = version
    build = package["build"]
    build["directories"]["output"] = output
    build["electronDist"] = electron
    build["electronVersion"] = ELECTRON_VERSION
    build["npmRebuild"] = False
    build["extraResources"].append({"from": "build/node.exe", "to": "runtime/node/node.exe"})
    build["win"]["target"] = [{"target": "nsis", "arch": ["x64"]}]
    build["nsis"].update(options)
    build["nsis"].update({
        "guid": GUID,
        "packElevateHelper": False,
        # Debian's language files for the assisted installer's other languages warn, and
        # electron-builder builds with warnings as errors.
        "installerLanguages": ["en_US"],
        "multiLanguageInstaller": False,
    })
    return package


def run_electron_builder(tools, kind, version, project, output):
    """Builds the project with electron-builder, as an author does, offline."""
    with open(os.path.join(project, "main.js"), "w") as f:
        f.write("// The stand-in application runs none of this.\n")
    with open(os.path.join(project, "package.json"), "w") as f:
        json.dump(package_json(KINDS[kind], version, output, tools["electron"]), f, indent=2)
    completed = subprocess.run(
        [shutil.which("node"), ELECTRON_BUILDER, "--win", "--x64", "--projectDir", project],
        cwd=project, env=tools["env"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT, timeout=BUILD_TIMEOUT_S)
    if completed.returncode != 0:
        raise AssertionError(f"electron-builder ended with {completed.returncode}:\n"
                             f"{completed.stdout.decode(errors='replace')}")


def build_stand_in(version, resources, output, installer):
    """Builds the stand-in installer, not electron-builder's: stand_in.nsi for 64-bit Windows, in
    electron-builder's two passes, over the application's files laid out as electron-builder lays
    out the example's in win-unpacked."""
    if shutil.which("makensis") is None:
        raise AssertionError("makensis not found: `make` installs Debian's nsis")
    # The example's extraResources put procsweep.exe, and the test's own the node helper.
    unpacked = os.path.join(output, "win-unpacked")
    for relative in [MAIN_EXE, NODE]:
        os.makedirs(os.path.dirname(linux_path(unpacked, relative)), exist_ok=True)
        shutil.copy(ELECTRON_STAND_IN, linux_path(unpacked, relative))
    shutil.copy(PROCSWEEP_EXE, linux_path(unpacked, "resources\\procsweep.exe"))
    with open(linux_path(unpacked, "resources\\app.asar"), "wb") as f:
        f.write(f"asar {version}".encode())
    defines = [f"-D{name}={value}" for name, value in [
        ("PRODUCT_NAME", PRODUCT), ("PRODUCT_FILENAME", PRODUCT), ("APP_GUID", GUID),
        ("APP_FILENAME", PRODUCT), ("VERSION", version), ("BUILD_RESOURCES_DIR", resources),
        ("APP_BUILD_DIR", unpacked)]]
    uninstaller = os.path.join(output, "__uninstaller.exe")
    writer = os.path.join(output, "__uninstaller-writer.exe")
    make_stand_in(writer, *defines, "-DBUILD_UNINSTALLER",
                  f"-DUNINSTALLER_OUT_FILE={win_path(uninstaller)}")
    run_quietly(command(writer))
    make_stand_in(installer, *defines, f"-DUNINSTALLER_OUT_FILE={uninstaller}")


def make_stand_in(out_file, *defines):
    """One pass of makensis over stand_in.nsi; any warning fails, as in electron-builder's."""
    run_quietly(["makensis", "-WX", STAND_IN_TARGET, *defines, f'-XOutFile "{out_file}"',
                 STAND_IN], cwd=os.path.dirname(out_file))


def build_installer(kind, version, tools):
    """An application project as the example's README lays it out, built by electron-builder
    where it can run (`tools`: what it builds with offline), as the stand-in installer elsewhere.
    Returns the installer and the application archive it carries."""
    project = os.path.join(WORK, kind, version)
    resources = os.path.join(project, "build")
    os.makedirs(resources)
    shutil.copy(os.path.join(EXAMPLE, "installer.nsh"), resources)
    shutil.copy(os.path.join(SOURCE_DIR, "integration", "nsis", "procsweep.nsh"), resources)
    shutil.copy(PROCSWEEP_EXE, os.path.join(resources, "procsweep.exe"))
    shutil.copy(ELECTRON_STAND_IN, os.path.join(resources, "node.exe"))
    output = os.path.join(project, "dist")
    installer = os.path.join(output, f"{PRODUCT} Setup {version}.exe")
    if BUILDER == "electron-builder":
        run_electron_builder(tools, kind, version, project, output)
    else:
        os.makedirs(output)
        build_stand_in(version, resources, output, installer)
    with open(os.path.join(output, "win-unpacked", "resources", "app.asar"), "rb") as f:
        archive = f.read()
    return {"installer": installer, "archive": archive}


# Built once for the whole run, in setUpModule: BUILDS[kind][version].
BUILDS = {}
TEMP = {}


def setUpModule():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    WineSession.ensure()
    tools = None
    if BUILDER == "electron-builder":
        tools = {"env": offline_environment(), "electron": electron_dist()}
    for kind in BUILDER_KINDS[BUILDER]:
        BUILDS[kind] = {version: build_installer(kind, version, tools) for version in VERSIONS}
    TEMP["folder"] = windows_temp_folder()


def forget_installations():
    """Removes what the installers record about an installation: the next one then finds no
    earlier version to uninstall first, whatever the test before left."""
    lines = ["REGEDIT4", ""]
    for root in ["HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"]:
        for key in [f"Software\\{GUID}",
                    f"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{GUID}"]:
            lines.append(f"[-{root}\\{key}]")
    path = os.path.join(WORK, "forget.reg")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    run_quietly(command("regedit", "/S", win_path(path)))


class Situations:
    """The situations an installer meets; a subclass names the kind of installer."""

    builder = None
    kind = None

    def setUp(self):
        if self.builder != BUILDER:
            self.skipTest(NOT_BUILT[self.builder, self.kind])
        super().setUp()
        forget_installations()
        self.builds = BUILDS[self.kind]
        self.root = os.path.join(self.work, PRODUCT)

    def install(self, version="1.0.0", options="", root=None):
        """Runs an installer silently; into `root` unless None, where the installer chooses
        (the folder of the installation it finds)."""
        line = f'"{win_path(self.builds[version]["installer"])}" /S{options}'
        if root is not None:
            line += f" /D={win_path(root)}"
        return run_batch(self, line,
                         os.path.join(TEMP["folder"], f"{PRODUCT} setup procsweep.log"))

    def uninstall(self):
        """Runs the installation's uninstaller silently, in place (_?=), to its end."""
        root = win_path(self.root)
        return run_batch(self, f'"{root}\\{UNINSTALLER}" /S _?={root}',
                         os.path.join(TEMP["folder"], f"{PRODUCT} uninstall procsweep.log"))

    def install_version_1(self):
        """A real installation of version 1 in the test's folder."""
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 0")
        self.assertInstalled("1.0.0")

    def image(self, relative):
        return win_path(linux_path(self.root, relative))

    def assertSteps(self, report, code, steps):
        self.assertEqual(report.code, code, report)
        self.assertRegex(report.steps(), f"^{steps}$", report)

    def assertInstalled(self, version):
        with open(linux_path(self.root, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), self.builds[version]["archive"], "resources\\app.asar")
        for relative in [MAIN_EXE, UNINSTALLER, "resources\\procsweep.exe", NODE]:
            self.assertTrue(os.path.exists(linux_path(self.root, relative)), relative)

    def assertClosedByItself(self, popen, pid, record):
        self.assertEndsWith(popen, 0)
        self.assertEqual(read_records(record), [f"ready {pid}", "close visible", "exit"])

    def test_nothing_runs(self):
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 0")
        self.assertInstalled("1.0.0")

    def test_what_runs_of_the_installation_is_closed_or_ended_first(self):
        # What runs, how it is started, the installer's steps, and the run of the tool whose
        # events name it: closed by itself, ended after the wait, or a helper ended at once.
        for relative, start, steps, mode, event, records in [
                (MAIN_EXE, "windows", "probe 10 close 0( probe 10)* probe 0", "close", "matched",
                 ["close visible", "exit"]),
                (MAIN_EXE, "wait", "probe 10 close 0( probe 10)+ force 0", "force", "exited", []),
                (NODE, "wait", "probe 11 clean 0", "clean", "exited", [])]:
            with self.subTest(running=relative, started=start):
                forget_installations()
                name = relative.rsplit("\\", 1)[-1]
                self.root = os.path.join(self.folder(f"{name}-{start}"), PRODUCT)
                Installation(self.root, main=MAIN_EXE)
                popen, pid, record = self.start(linux_path(self.root, relative), start)
                report = self.install(root=self.root)
                self.assertSteps(report, 0, steps)
                self.assertIn(f"{event} pid={pid} win32-error=0 {self.image(relative)}",
                              report.events(mode), report)
                self.assertEndsWith(popen, 0)
                self.assertEqual(read_records(record), [f"ready {pid}"] + records)
                self.assertInstalled("1.0.0")

    def test_a_program_of_the_same_name_elsewhere_is_left_alone(self):
        Installation(self.root, main=MAIN_EXE)
        other = Installation(os.path.join(self.work, "elsewhere", PRODUCT), main=MAIN_EXE)
        popen, pid, record = self.start(other.path(), "windows")
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 0")
        self.assertFalse([line for line in report.lines if other.win in line], report)
        self.assertRunning(popen)
        self.assertEqual(read_records(record), [f"ready {pid}"])
        self.assertInstalled("1.0.0")

    def test_an_update_started_as_electron_updater_does_closes_the_application(self):
        self.install_version_1()
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        # electron-updater starts the new version's installer with these arguments and then
        # quits the application; the installer finds the installation's folder by itself.
        report = self.install("2.0.0", options=" --updated")
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0")
        self.assertClosedByItself(main, pid, record)
        self.assertInstalled("2.0.0")

    def test_the_uninstaller_closes_the_running_application(self):
        self.install_version_1()
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        report = self.uninstall()
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0")
        self.assertClosedByItself(main, pid, record)
        for relative in [MAIN_EXE, "resources"]:
            self.assertFalse(os.path.exists(linux_path(self.root, relative)), relative)

    def test_procsweep_answering_2_quits_with_2_and_nothing_written(self):
        short = os.path.join(self.work, "short", PRODUCT)
        Installation(short, main=MAIN_EXE)
        deep = os.path.join(self.work, *DEEP, PRODUCT)
        os.makedirs(os.path.dirname(deep))
        os.rename(short, deep)
        os.symlink(deep, self.root)
        helper, _, _ = self.start(linux_path(self.root, NODE))
        report = self.install(root=self.root)
        self.assertSteps(report, 2, "probe 2")
        self.assertEqual(report.events("probe"), [
            f"installation-path-failed pid=0 win32-error=234 {win_path(self.root)}"])
        self.assertEqual(report.lines[-1], f"{PRODUCT} could not be ended: nothing was changed.")
        self.assertRunning(helper)
        with open(linux_path(deep, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), b"asar")
        self.assertFalse(os.path.exists(linux_path(deep, UNINSTALLER)))


class OneClickPerUserTest(Situations, E2ETestCase):
    builder, kind = "electron-builder", "one-click"


class AssistedPerMachineTest(Situations, E2ETestCase):
    builder, kind = "electron-builder", "assisted"


class StandInOneClickPerUserTest(Situations, E2ETestCase):
    """Not electron-builder: the stand-in installer, with the include where electron-builder
    inserts it."""

    builder, kind = "stand-in", "one-click"


if __name__ == "__main__":
    unittest.main()
