"""The electron-builder example of integration/electron-builder, as an author uses it: the
procsweep package packed by make package's own code, installed into the project from its tarball
with the package README's command (offline), and wired in only by the example's package.json
lines (the package README's), built by electron-builder itself (the version that
package-lock.json pins) for a stand-in Electron application, versions 1 and 2, as a one-click
installer per user and per machine, an assisted per-machine one, and the default assisted one
(per-user, which elevates when the user installs for every user). Each of electron-builder's own
installers and uninstallers (its templates, its UAC and banner plug-ins, the uninstaller written
by its own run of the installer) runs under Wine in the situations it meets, silently: nothing
runs; the application runs and closes when asked; it ignores the request and is ended after the
wait; only a helper runs; a program of the same name runs from another folder; an update as
electron-updater starts it; an update into another folder, whose old installation the installer
uninstalls first (found by its InstallLocation, or by its uninstaller's command line alone); the
elevated instance of an assisted installer; a silent update of the default assisted installer
where a per-machine installation exists too; a file, folder or link already at every name the
report can take, elevated and not; another program's dialogs during a silent update; the
uninstaller while the application runs; procsweep.exe answering 2. And driven as a user drives
them (the windows' texts read, the buttons pressed, through the fixture program): what the
installer shows while it waits, its question, and both answers, for the installation folder and
for the old installation in another folder. Other one-click installers show the programs that
hold the application's files named (HoldersTest: the holders stand in, see HOLDERS_STAND_IN),
a tool that cannot start, and a German installer. ElectronBuilderBuildTest checks
electron-builder's build itself: both makensis passes of each kind without a warning, every
language electron-builder builds in, an author's own include that takes this one, and a build
for 32-bit Windows refused.

electron-builder downloads 7-Zip, NSIS, NSIS's plug-ins and Electron when it builds. Here it gets
local ones: Debian's 7za and makensis (through build_tools.py, which records each run), the
plug-ins in ELECTRON_BUILDER_NSIS_RESOURCES_DIR (where that is unset, it fetches them itself),
and the fixture program as electron.exe. It runs the installer it has just built, under the
`wine` it finds on PATH, to write the uninstaller: that `wine` starts programs the project's way
(tools/wine-run), 32-bit ones too, through the emulated 32-bit Wine where the kernel runs no
32-bit code.

Under Wine every program runs elevated. The tests run an installer unelevated through the
fixture program (`fixture_app limited`, the user's linked unelevated token), and an assisted
installer's elevated instance by starting it as the UAC plug-in starts that instance: with its
/UAC: argument first. Wine never needs to elevate, so nothing else would run that branch.

Where no 32-bit program can run at all, electron-builder still builds every kind (the one 32-bit
step of its build, running the installer to write the uninstaller, then writes a placeholder:
build_tools.py), and the installers' tests are skipped, saying why.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, HOLDERS_STAND_IN, ELECTRON_STAND_IN,
PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR; ELECTRON_BUILDER_NSIS_RESOURCES_DIR (.ci/run sets it).
"""

import glob
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import unittest

from tests.e2e.harness import (FIXTURE_APP, HOLDERS_STAND_IN, PROCSWEEP_EXE, E2ETestCase,
                               Installation, WineSession, read_records, stand_in_holders,
                               unresolvable_installation)
from tests.installers import guide
from tests.installers.gui import CANCEL, OK, Screen, click_through, finish, start_installer
from tests.installers.reports import (NewReport, batch_code, batch_file, read_report,
                                      report_names, run_batch, run_quietly,
                                      windows_temp_folder)
from tools import package
from tools.windows_programs import (BUILD_DIR, ENV, NODE, SOURCE_DIR, WINE_RUN,
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

# The reports the include keeps, and what its installers show.
SETUP_REPORT = f"{PRODUCT} setup procsweep.log"
UNINSTALL_REPORT = f"{PRODUCT} uninstall procsweep.log"
WAITING = f"Waiting up to 10 seconds for {PRODUCT} to close."
QUESTION = f"{PRODUCT} is still running. End it now?"
CANNOT_BE_CLOSED = f"{PRODUCT} cannot be closed."
NOT_ENDED = f"{PRODUCT} could not be ended: nothing was changed."
STILL_IN_USE = f"Files of {PRODUCT} are still in use by:"
# The German installer's: the include's and electron-builder's own.
GERMAN = {
    "waiting": f"Es wird bis zu 10 Sekunden gewartet, bis {PRODUCT} geschlossen ist.",
    "question": f"{PRODUCT} wird noch ausgeführt. Möchtest du es jetzt beenden?",
    "cannot be closed": f"{PRODUCT} kann nicht geschlossen werden.",
}
# The buttons of a message box that asks to abort, retry or ignore.
BUTTONS = {"abort": 3, "retry": 4, "ignore": 5}

# The installers an author most often builds: electron-builder's one-click default, the assisted
# one that installs for every user, and the default assisted one, which installs for the current
# user or, elevating, for every user. No run starts the application at the end.
KINDS = {
    "one-click": {"oneClick": True, "perMachine": False, "runAfterFinish": False},
    "one-click-per-machine": {"oneClick": True, "perMachine": True, "runAfterFinish": False},
    "assisted": {"oneClick": False, "perMachine": True, "runAfterFinish": False},
    "assisted-per-user": {"oneClick": False, "perMachine": False, "runAfterFinish": False,
                          "allowToChangeInstallationDirectory": True},
}
# Where each kind shows the waiting text: the one-click banner's text, the assisted page's status.
WAITING_CONTROL = {"one-click": 1000, "one-click-per-machine": 1000, "assisted": 1006,
                   "assisted-per-user": 1006}

# electron-builder builds every kind on every machine; its installers (32-bit programs) run
# wherever 32-bit programs run, through the emulated 32-bit Wine where the kernel runs no 32-bit
# code.
RUNS_32_BIT_PROGRAMS = runs_32_bit_programs()
NOT_RUN = ("electron-builder's installers are 32-bit programs, and no 32-bit program runs here "
           "(tools/deps.sh could not set up 32-bit Wine)")
# Where electron-builder's templates begin in the script it gives makensis: what comes before is
# its header, the author's include in it.
TEMPLATE = os.path.join(SOURCE_DIR, "node_modules", "app-builder-lib", "templates", "nsis",
                        "installer.nsi")


BUILD_TOOLS = os.path.join(SOURCE_DIR, "tests", "electron_builder", "build_tools.py")
# What Node.js prints of electron-builder's languages: those of its "cannot be closed" message
# it has a language id for, and those of its default multi-language installer, as it names them
# in installerLanguages. But Azerbaijani: electron-builder's own messages in it do not build
# (a quotation mark in its "appRunning" text ends the string early).
ELECTRON_BUILDER_LANGUAGES = """
const fs = require("fs");
const yaml = require("js-yaml");
const langs = require("app-builder-lib/out/util/langs");
const messages = yaml.load(fs.readFileSync(
  require.resolve("app-builder-lib/templates/nsis/messages.yml"), "utf-8"));
const own = Object.keys(messages.appCannotBeClosed).map(langs.toLangWithRegion)
  .filter(lang => langs.lcid[lang] !== undefined && lang !== "az_AZ");
console.log(JSON.stringify([...new Set([...own, ...langs.bundledLanguages])]));
"""


def offline_environment(work=WORK):
    """The environment electron-builder builds in: local tools instead of its downloads, its
    makensis runs recorded (build_tools.py), and, where no 32-bit program runs, a stand-in for
    the one 32-bit step of its build."""
    tools = os.path.join(work, "tools")
    nsis = os.path.join(tools, "nsis")
    os.makedirs(nsis)
    for program in ["makensis", "7za", "node"]:
        if shutil.which(program) is None:
            raise AssertionError(f"{program} not found: `make` installs it")
    if not os.path.exists(ELECTRON_BUILDER):
        raise AssertionError(f"{ELECTRON_BUILDER} not found: `make` installs it (npm ci)")
    resources = os.environ.get("ELECTRON_BUILDER_NSIS_RESOURCES_DIR")
    if resources is not None and not os.path.isdir(os.path.join(resources, "plugins")):
        raise AssertionError(f"ELECTRON_BUILDER_NSIS_RESOURCES_DIR={resources} has no plugins "
                             "folder: set it to a copy of electron-builder's NSIS resources "
                             "(../shared/vendor/electron-builder-nsis-resources)")

    def script(path, text):
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + text)
        os.chmod(path, 0o755)

    python = shlex.quote(sys.executable)
    script(os.path.join(nsis, "makensis"),
           f"exec {python} {shlex.quote(BUILD_TOOLS)} makensis \"$@\"\n")
    # electron-updater's helper for updating a per-machine installation, which electron-builder
    # packs into every NSIS installer's application from its NSIS folder. Nothing here runs it.
    shutil.copy(ELECTRON_STAND_IN, os.path.join(nsis, "elevate.exe"))
    wine_folder = os.path.join(tools, "bin")
    os.makedirs(wine_folder)
    if RUNS_32_BIT_PROGRAMS:
        # tools/wine-run finds Wine on PATH in its turn: this `wine` gives it the PATH without
        # itself.
        script(os.path.join(wine_folder, "wine"),
               f"PATH={shlex.quote(ENV['PATH'])} exec {shlex.quote(WINE_RUN)} \"$@\"\n")
    else:
        # electron-builder runs one 32-bit program while it builds: the installer it has just
        # built to write the uninstaller. Here a placeholder is written instead (build_tools.py).
        script(os.path.join(wine_folder, "wine"),
               f"exec {python} {shlex.quote(BUILD_TOOLS)} uninstaller-writer \"$@\"\n")
    return dict(ENV,
                PATH=wine_folder + os.pathsep + ENV["PATH"],
                PROCSWEEP_MAKENSIS=shutil.which("makensis"),
                ELECTRON_BUILDER_7ZIP_PATH=shutil.which("7za"),
                ELECTRON_BUILDER_NSIS_DIR=nsis,
                ELECTRON_BUILDER_CACHE=os.path.join(work, "cache"),
                CSC_IDENTITY_AUTO_DISCOVERY="false")


def electron_dist(work=WORK):
    """The folder electron-builder takes Electron from: electron.exe and its version."""
    folder = os.path.join(work, "electron")
    os.makedirs(folder)
    shutil.copy(ELECTRON_STAND_IN, os.path.join(folder, "electron.exe"))
    with open(os.path.join(folder, "version"), "w") as f:
        f.write(ELECTRON_VERSION)
    return folder


def package_json(kind, version, output, electron=None, nsis=None):
    """The example's package.json, with the test's kind of installer and version, its node
    helper, and what building offline here adds to its build lines; `nsis`, options of
    electron-builder's nsis section that the test sets besides."""
    with open(os.path.join(EXAMPLE, "package.json"), encoding="utf-8") as f:
        manifest = json.load(f)
    manifest["version"] = version
    build = manifest["build"]
    build["appId"] = "com.example.app"
    build["directories"] = {"output": output}
    build["electronDist"] = electron
    build["electronVersion"] = ELECTRON_VERSION
    build["npmRebuild"] = False
    build["extraResources"].append({"from": "build/node.exe", "to": "runtime/node/node.exe"})
    build["win"] = {"target": [{"target": "nsis", "arch": ["x64"]}]}
    build["nsis"].update(KINDS[kind])
    build["nsis"].update({
        "guid": GUID,
        "packElevateHelper": False,
        # Debian's language files for the assisted installer's other languages warn, and
        # electron-builder builds with warnings as errors.
        "installerLanguages": ["en_US"],
        "multiLanguageInstaller": False,
    })
    build["nsis"].update(nsis or {})
    return manifest


# What electron-builder prints when it cannot download what it was not given locally.
NETWORK_FAILURES = ["getaddrinfo", "ENOTFOUND", "ECONNREFUSED", "ETIMEDOUT", "EAI_AGAIN",
                    "net::ERR"]


def run_electron_builder(env, project, record, arch="--x64"):
    """Builds the project with electron-builder, as an author does, offline, its makensis runs
    recorded in `record`."""
    completed = subprocess.run(
        [shutil.which("node"), ELECTRON_BUILDER, "--win", arch, "--projectDir", project],
        cwd=project, env=dict(env, PROCSWEEP_MAKENSIS_RECORD=record), stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=BUILD_TIMEOUT_S)
    printed = completed.stdout.decode(errors="replace")
    if completed.returncode != 0:
        if ("ELECTRON_BUILDER_NSIS_RESOURCES_DIR" not in os.environ
                and [failure for failure in NETWORK_FAILURES if failure in printed]):
            raise AssertionError(
                "electron-builder tried to download its NSIS plug-ins (no network here): set "
                "ELECTRON_BUILDER_NSIS_RESOURCES_DIR to a folder with them, such as "
                "../shared/vendor/electron-builder-nsis-resources (.ci/run sets it)") from None
        raise AssertionError(f"electron-builder ended with {completed.returncode}:\n{printed}")


def makensis_runs(record):
    """electron-builder's makensis runs, in order: each its arguments, script and output."""
    runs = []
    for index in sorted(os.listdir(record), key=int):
        folder = os.path.join(record, index)
        with open(os.path.join(folder, "args.json")) as f:
            args = json.load(f)
        with open(os.path.join(folder, "script.nsi"), encoding="utf-8") as f:
            script = f.read()
        with open(os.path.join(folder, "output.txt"), "rb") as f:
            output = f.read().decode(errors="replace")
        runs.append({"args": args, "script": script, "output": output,
                     "uninstaller": "-DBUILD_UNINSTALLER" in args})
    return runs


def script_header(script):
    """What electron-builder's script holds before its templates."""
    with open(TEMPLATE, encoding="utf-8") as f:
        template = f.read()
    index = script.find(template)
    if index < 0:
        raise AssertionError(f"electron-builder's script does not hold {TEMPLATE}")
    return script[:index]


# The package README's command that installs the procsweep package from its tarball, made to
# stay off the network.
INSTALL_OFFLINE = ["--offline", "--no-audit", "--no-fund", "--loglevel=error"]


def install_package(project, tarball):
    """Installs the procsweep package into the project as its README says: the tarball put into
    the project's folder, then its npm install command."""
    shutil.copy(tarball, project)
    [command_line] = [line for language, text in
                      guide.blocks(os.path.join(SOURCE_DIR, "package", "README.md"))
                      if language == "sh" for line in text.splitlines()
                      if line.startswith("npm install ")]
    completed = subprocess.run(command_line.split() + INSTALL_OFFLINE, cwd=project, env=ENV,
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, timeout=BUILD_TIMEOUT_S)
    if completed.returncode != 0:
        raise AssertionError(f"{command_line} ended with {completed.returncode}:\n"
                             f"{completed.stdout.decode(errors='replace')}")


def make_project(kind, version, tools, tarball, work=WORK, include=None, package_folder=None,
                 nsis=None):
    """An application project in `work` as the example lays it out: its package.json, wired to
    procsweep only by the package README's lines, and the package installed from `tarball`.
    `include`, when given, is the text of an include of the project's own that the build takes
    instead of the package's; `package_folder`, a copy of the package's folder to use instead of
    the installed one (a tool that cannot start); `nsis`, options of the nsis section that the
    test sets. Returns the project's folder."""
    project = os.path.join(work, kind, version)
    os.makedirs(os.path.join(project, "build"))
    shutil.copy(ELECTRON_STAND_IN, os.path.join(project, "build", "node.exe"))
    with open(os.path.join(project, "main.js"), "w") as f:
        f.write("// The stand-in application runs none of this.\n")
    manifest = package_json(kind, version, os.path.join(project, "dist"), tools["electron"],
                            nsis)
    if include is not None:
        with open(os.path.join(project, "build", "own.nsh"), "w") as f:
            f.write(include)
        manifest["build"]["nsis"]["include"] = "build/own.nsh"
    with open(os.path.join(project, "package.json"), "w") as f:
        json.dump(manifest, f, indent=2)
    install_package(project, tarball)
    if package_folder is not None:
        installed = os.path.join(project, "node_modules", "procsweep")
        shutil.rmtree(installed)
        shutil.copytree(package_folder, installed)
    return project


def build_installer(kind, version, tools, tarball, work=WORK, **project_options):
    """The project of make_project, built by electron-builder. Returns the installer, the
    application archive it carries, electron-builder's makensis runs and the project."""
    project = make_project(kind, version, tools, tarball, work, **project_options)
    output = os.path.join(project, "dist")
    record = os.path.join(project, "makensis-runs")
    run_electron_builder(tools["env"], project, record)
    runs = makensis_runs(record)
    installer = os.path.join(output, f"{PRODUCT} Setup {version}.exe")
    with open(os.path.join(output, "win-unpacked", "resources", "app.asar"), "rb") as f:
        archive = f.read()
    return {"installer": installer, "archive": archive, "runs": runs, "project": project}


# An include of the author's own as the electron-builder page prints it: another exit code for
# "in use", and the package's include.
[OWN_INCLUDE] = [text for language, text in guide.blocks(guide.page("electron-builder"))
                 if language == "text" and "electron-builder.nsh" in text]
IN_USE_EXIT_CODE = int(re.search(r"PROCSWEEP_IN_USE_EXIT_CODE (\d+)", OWN_INCLUDE).group(1))
# Other one-click installers: with a package whose procsweep.exe is not the tool (the holders'
# stand-in, with the author's own exit code; a damaged file that cannot start), and in German.
VARIANTS = {
    "holders": {"tool": HOLDERS_STAND_IN, "include": OWN_INCLUDE,
                "versions": VERSIONS},
    "damaged": {"tool": "zeroed", "versions": ["1.0.0"]},
    "german": {"nsis": {"installerLanguages": ["de_DE"], "multiLanguageInstaller": True},
               "versions": ["1.0.0"]},
}

# Built once for the whole run, in setUpModule: the package's tarball, the tools electron-builder
# builds with, BUILDS[kind][version] (or the reason it could not be built), and the one-click
# VARIANT_BUILDS[name][version] where electron-builder's installers run.
TARBALL = {}
TOOLS = {}
BUILDS = {}
VARIANT_BUILDS = {}
# The Linux paths of the user's %TEMP% and of the system's own temporary folder.
TEMP = {}


def setUpModule():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    WineSession.ensure()
    # The package as make package makes it, around this build's procsweep.exe.
    TARBALL["path"] = package.package_exe(os.path.join(WORK, "package"), PROCSWEEP_EXE)
    TOOLS.update(env=offline_environment(), electron=electron_dist())
    for kind in KINDS:
        try:
            BUILDS[kind] = {version: build_installer(kind, version, TOOLS, TARBALL["path"])
                            for version in VERSIONS}
        except AssertionError as error:
            BUILDS[kind] = {"failure": str(error)}
    if RUNS_32_BIT_PROGRAMS and "failure" not in BUILDS["one-click"]:
        for name, variant in VARIANTS.items():
            folder = os.path.join(WORK, "variants", name, "package")
            shutil.copytree(os.path.join(BUILDS["one-click"]["1.0.0"]["project"], "node_modules",
                                         "procsweep"), folder)
            tool = os.path.join(folder, "procsweep.exe")
            if variant.get("tool") == "zeroed":
                with open(tool, "r+b") as f:
                    size = len(f.read())
                    f.seek(0)
                    f.write(bytes(size))
            elif variant.get("tool") is not None:
                shutil.copy(variant["tool"], tool)
            VARIANT_BUILDS[name] = {
                version: build_installer("one-click", version, TOOLS, TARBALL["path"],
                                         work=os.path.join(WORK, "variants", name),
                                         include=variant.get("include"), package_folder=folder,
                                         nsis=variant.get("nsis"))
                for version in variant["versions"]}
    TEMP["user"] = windows_temp_folder()
    TEMP["system"] = windows_temp_folder("%WINDIR%\\Temp")


def forget_installations():
    """Removes what the installers record about an installation: the next one then finds no
    earlier version to uninstall first, whatever the test before left."""
    run_quietly(command("regedit", "/S", win_path(forget_file())))


def forget_file(work=WORK):
    """A registry file in `work` that removes the keys the installers write (regedit /S)."""
    lines = ["REGEDIT4", ""]
    for root in ["HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"]:
        for key in [f"Software\\{GUID}",
                    f"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{GUID}"]:
            lines.append(f"[-{root}\\{key}]")
    path = os.path.join(work, "forget.reg")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


def forget_install_locations():
    """Removes the InstallLocation values the installers record, and keeps the rest: their
    uninstallers' command lines among it, as versions of electron-builder that wrote no
    InstallLocation left them."""
    lines = ["REGEDIT4", ""]
    for root in ["HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"]:
        lines += [f"[{root}\\Software\\{GUID}]", '"InstallLocation"=-', ""]
    path = os.path.join(WORK, "forget-install-locations.reg")
    with open(path, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    run_quietly(command("regedit", "/S", win_path(path)))


def kept_report(name, elevated=True):
    """Where the include keeps a report of a run that starts now: a new file named after `name`
    and the run's time, in the system's temporary folder when the installer runs elevated (every
    program under Wine, unless started unelevated), else in the user's %TEMP%."""
    return NewReport(TEMP["system" if elevated else "user"], name)


class Installers:
    """Runs an installer of BUILDS, silently or driven as a user drives it, and reads what it did;
    a subclass names the kind of installer."""

    # The installer window's title.
    title = f"{PRODUCT} Setup"

    kind = None

    def setUp(self):
        if not RUNS_32_BIT_PROGRAMS:
            self.skipTest(NOT_RUN)
        if "failure" in BUILDS[self.kind]:
            self.fail(f"electron-builder could not build the {self.kind} installer: "
                      f"{BUILDS[self.kind]['failure']}")
        super().setUp()
        forget_installations()
        self.builds = BUILDS[self.kind]
        self.root = os.path.join(self.work, PRODUCT)

    def line(self, version="1.0.0", options="", root=None, inner=False, elevated=True):
        """An installer's command line, as NSIS reads it: into `root` unless None, where the
        installer chooses (the folder of the installation it finds); as the UAC plug-in starts
        the elevated instance when `inner`; through the fixture program with the user's
        unelevated token unless `elevated`."""
        line = f'"{win_path(self.builds[version]["installer"])}"'
        if inner:
            # The UAC plug-in starts the elevated instance with its own argument first.
            line += " /UAC:1 /NCRC"
        line += options
        if root is not None:
            line += f" /D={win_path(root)}"
        if not elevated:
            line = f'"{win_path(FIXTURE_APP)}" limited "{line.replace(chr(34), chr(92) + chr(34))}"'
        return line

    def install(self, version="1.0.0", options="", root=None, inner=False, elevated=True):
        """Runs an installer silently and reads the report it keeps."""
        try:
            return run_batch(self, self.line(version, " /S" + options, root, inner, elevated),
                             kept_report(SETUP_REPORT, elevated))
        except AssertionError:
            # An installer that never ended (one waiting for an answer a silent run cannot
            # give) would keep the next one from starting: electron-builder's run one at a time.
            self.end_installer(version)
            raise

    def end_installer(self, version):
        subprocess.run(command("taskkill", "/f", "/im",
                               os.path.basename(self.builds[version]["installer"])),
                       env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def uninstall(self):
        """Runs the installation's uninstaller silently, in place (_?=), to its end."""
        root = win_path(self.root)
        return run_batch(self, f'"{root}\\{UNINSTALLER}" /S _?={root}',
                         kept_report(UNINSTALL_REPORT))

    def install_version_1(self, root=None):
        """A real installation of version 1 in the test's folder, or in `root`."""
        self.root = root or self.root
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 0")
        self.assertInstalled("1.0.0")

    def image(self, relative, root=None):
        return win_path(linux_path(root or self.root, relative))

    def assertSteps(self, report, code, steps):
        self.assertEqual(report.code, code, report)
        self.assertRegex(report.steps(), f"^{steps}$", report)

    def assertInstalled(self, version, root=None):
        root = root or self.root
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), self.builds[version]["archive"], "resources\\app.asar")
        for relative in [MAIN_EXE, UNINSTALLER, "resources\\procsweep.exe", NODE]:
            self.assertTrue(os.path.exists(linux_path(root, relative)), relative)

    def assertUntouched(self, root):
        """The sample installation as Installation laid it out: nothing written, nothing
        removed."""
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), b"asar", "resources\\app.asar")
        self.assertTrue(os.path.exists(linux_path(root, MAIN_EXE)))
        self.assertFalse(os.path.exists(linux_path(root, UNINSTALLER)))

    def assertClosedByItself(self, popen, pid, record):
        self.assertEndsWith(popen, 0)
        self.assertEqual(read_records(record), [f"ready {pid}", "close visible", "exit"])

    def drive(self, version, root, answers):
        """Runs the installer interactively into `root` while the application runs, ignoring
        the request to close: clicks through the pages before the installation, waits for the
        question, gives the answers ((text of the window, button) each, in turn) and clicks
        through the pages after it. Returns the installer's exit code, what it showed and the
        report it kept."""
        report = kept_report(SETUP_REPORT)
        popen, batch = self.start_driven(version, root)
        screen = Screen(self.work)
        try:
            # The assisted installers' pages before the installation begins.
            click_through(screen, popen, self.title, ("&Next >", "&Install"))
            for text, button in answers:
                screen.wait_for(text, popen)
                screen.press(text, button)
        except BaseException:
            finish(popen, screen, timeout=1)
            raise
        code = batch_code(batch, finish(popen, screen))
        return code, screen, read_report(code, report)

    def start_driven(self, version, root):
        """Starts the installer to be driven. A test that fails while it waits for an answer
        ends it: electron-builder's installers run one at a time, and the next would quit."""
        self.addCleanup(self.end_installer, version)
        batch = batch_file(self, self.line(version, root=root))
        return start_installer(batch), batch

    def assertShownWhileWaiting(self, screen):
        self.assertIn(WAITING_CONTROL[self.kind],
                      [control.id for control in screen.ever_shown(WAITING)], screen.shown())
        if self.kind.startswith("one-click"):
            # After the wait the banner says what it said before.
            banners = [control.text for controls in screen.snapshots for control in controls
                       if control.id == 1000 and control.kind == "Static"]
            self.assertEqual(banners[-1], "Installing, please wait...", banners)



class Situations(Installers):
    """The situations an installer meets, each a test."""

    def test_nothing_runs(self):
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 0")
        self.assertInstalled("1.0.0")

    def test_what_runs_of_the_installation_is_closed_or_ended_first(self):
        # What runs, how it is started, the installer's steps, and the run of the tool whose
        # events name it: closed by itself, ended after the wait, or a helper ended at once.
        for relative, start, steps, mode, event, records in [
                (MAIN_EXE, "windows", "probe 10 close 0( probe 10)* probe 0 legacy-owners 0",
                 "close", "matched", ["close visible", "exit"]),
                (MAIN_EXE, "wait", "probe 10 close 0( probe 10)+ force 0 legacy-owners 0",
                 "force", "exited", []),
                (NODE, "wait", "probe 11 clean 0 legacy-owners 0", "clean", "exited", [])]:
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
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0 legacy-owners 0")
        self.assertClosedByItself(main, pid, record)
        self.assertInstalled("2.0.0")

    def test_the_installation_uninstalled_first_from_another_folder_is_ended_first_too(self):
        # Version 1 runs, ignoring the request to close; version 2 goes into another folder.
        # The installer uninstalls version 1 before it writes a file, and its uninstaller, run
        # silently, would end the application without a word: the installer's own check ends it
        # first, as it would in its own folder.
        old = os.path.join(self.folder("old"), PRODUCT)
        self.install_version_1(old)
        main, pid, record = self.start(linux_path(old, MAIN_EXE))
        new = os.path.join(self.folder("new"), PRODUCT)
        report = self.install("2.0.0", root=new)
        self.assertSteps(report, 0, "probe 0 probe 10 close 0( probe 10)+ force 0 legacy-owners 0")
        self.assertEqual(report.runs[0]["mode"], "probe")
        self.assertIn(f'procsweep.exe probe "{win_path(new)}" "{MAIN_EXE}"', report.lines, report)
        self.assertIn(f"exited pid={pid} win32-error=0 {self.image(MAIN_EXE, old)}",
                      report.events("force"), report)
        self.assertEndsWith(main, 0)
        self.assertInstalled("2.0.0", new)
        self.assertFalse(os.path.exists(linux_path(old, MAIN_EXE)), "the old installation")

    def test_the_elevated_instance_closes_the_application_first(self):
        # An assisted installer elevates when the user installs for every user, or when it
        # upgrades an installation for every user; its elevated instance writes the files.
        if self.kind != "assisted-per-user":
            self.skipTest("only the default assisted installer elevates itself")
        self.install_version_1()
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        report = self.install("2.0.0", root=self.root, inner=True)
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0 legacy-owners 0")
        self.assertClosedByItself(main, pid, record)
        self.assertInstalled("2.0.0")

    def test_a_silent_update_where_a_per_machine_installation_exists_too_checks_that_one(self):
        # The default assisted installer, run silently where the user's own installation and one
        # for every user are both recorded, starts out for the current user; inside its own
        # section it switches to the installation for every user (as an update of it), installs
        # into that folder and uninstalls it first. The application runs there, ignoring the
        # request to close: it is ended before the switch, not left to the old uninstaller.
        if self.kind != "assisted-per-user":
            self.skipTest("only the default assisted installer installs for either")
        machine = os.path.join(self.folder("machine"), PRODUCT)
        user = os.path.join(self.folder("user"), PRODUCT)
        for root, mode in [(machine, " /allusers"), (user, " /currentuser")]:
            report = self.install(options=mode, root=root)
            self.assertSteps(report, 0, "probe 0")
            self.assertInstalled("1.0.0", root)
        main, pid, _ = self.start(linux_path(machine, MAIN_EXE))
        report = self.install("2.0.0", options=" --updated")
        self.assertIn(f'procsweep.exe probe "{win_path(machine)}" "{MAIN_EXE}"', report.lines,
                      report)
        self.assertIn(f"exited pid={pid} win32-error=0 {self.image(MAIN_EXE, machine)}",
                      report.events("force"), report)
        self.assertEqual(report.code, 0, report)
        self.assertEndsWith(main, 0)
        self.assertInstalled("2.0.0", machine)

    def test_the_report_is_kept_as_a_new_file_and_nothing_at_its_name_is_opened(self):
        # The elevated installer keeps its report in the system's temporary folder, where a
        # standard user can make files and links; the unelevated one in %TEMP%. Either makes a
        # new file named with the run's time, and opens nothing that is already there: a file, a
        # folder or a link (to a file of the same name in another folder, or to where one would
        # be) at every name with the time the run could take is left as it was, and the copy goes
        # to a name nobody could have planted (random digits after the time). Wine
        # follows a link when it opens a file, so a link here stands for every name that leads
        # to another file. On Windows a create that fails when the file exists still follows a
        # link whose target does not exist, and creates the target ("Symbolic Link Effects on
        # File Systems Functions"), unless it opens the link itself
        # (FILE_FLAG_OPEN_REPARSE_POINT); a Linux exclusive create never follows a link, so
        # Wine cannot show that part.
        # A link leads to a file of the same name in another folder, or to where one would be.
        elsewhere = self.folder("elsewhere")
        nowhere = self.folder("nowhere")

        def target(path, what):
            return os.path.join(elsewhere if what == "link" else nowhere, os.path.basename(path))

        def plant(path, what):
            clear(path)
            if what == "file":
                with open(path, "wb") as f:
                    f.write(b"planted")
            elif what == "folder":
                os.makedirs(path)
            else:
                if what == "link":
                    with open(target(path, what), "wb") as f:
                        f.write(b"not the installer's")
                os.symlink(target(path, what), path)

        def clear(path):
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            elif os.path.lexists(path):
                os.remove(path)

        def assertAsPlanted(path, what):
            if what == "file":
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), b"planted", path)
            elif what == "folder":
                self.assertTrue(os.path.isdir(path) and not os.path.islink(path), path)
            else:
                self.assertEqual(os.readlink(path), target(path, what), path)
                if what == "link":
                    with open(target(path, what), "rb") as f:
                        self.assertEqual(f.read(), b"not the installer's", path)

        for what in ["nothing", "file", "folder", "link", "link to nothing"]:
            for elevated in [True, False]:
                with self.subTest(planted=what, elevated=elevated):
                    forget_installations()
                    self.root = os.path.join(self.folder(f"{what}-{elevated}"), PRODUCT)
                    planted = []
                    if what != "nothing":
                        # Every name of the next few minutes, and the name without a time.
                        planted = [os.path.join(TEMP[folder], name)
                                   for folder in ["system", "user"]
                                   for name in [SETUP_REPORT, *report_names(SETUP_REPORT, 120)]]
                        for path in planted:
                            self.addCleanup(clear, path)
                            plant(path, what)
                    report = kept_report(SETUP_REPORT, elevated)
                    other = kept_report(SETUP_REPORT, not elevated)
                    batch = batch_file(self, self.line(options=" /S", root=self.root,
                                                       elevated=elevated))
                    # Fails unless the installer ends with 0.
                    run_quietly(command("cmd", "/c", win_path(batch)))
                    self.assertInstalled("1.0.0")
                    for path in planted:
                        assertAsPlanted(path, what)
                    self.assertEqual(os.listdir(nowhere), [], "a link's target was created")
                    kept = report.path()
                    self.assertTrue(os.path.isfile(kept) and not os.path.islink(kept), kept)
                    self.assertRegex(os.path.basename(kept),
                                     r" \d{8}-\d{6}( [2-9])?\.log$" if what == "nothing"
                                     else r" \d{8}-\d{6} [0-9a-f]{16}\.log$")
                    self.assertSteps(read_report(0, kept), 0, "probe 0")
                    self.assertIsNone(other.path(), "a report in the other folder")

    def test_a_silent_update_leaves_other_programs_windows_alone(self):
        # electron-updater's flow while the application is slow to quit: /S --updated, no
        # installer window. Another program's dialogs, each with an item 1000 as the one-click
        # banner has, keep their text.
        self.install_version_1()
        other = os.path.join(self.folder("other"), "other.exe")
        shutil.copy(FIXTURE_APP, other)
        dialogs, _, _ = self.start(other, "dialogs")
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        report = self.install("2.0.0", options=" --updated")
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0 legacy-owners 0")
        self.assertClosedByItself(main, pid, record)
        controls = Screen(self.work).snapshot()
        self.assertEqual([control.text for control in controls
                          if control.id == 1000 and control.kind == "Edit"],
                         ["user data", "user data"], controls)
        self.assertRunning(dialogs)

    def test_the_installation_recorded_only_by_its_uninstaller_is_ended_first_too(self):
        # electron-builder finds the installation it uninstalls first through its uninstaller's
        # command line, in the folder InstallLocation names or, when that is empty (as older
        # versions left it), in the uninstaller's own folder. The old uninstaller, run silently,
        # would end the application without a word: the installer's own check ends it first.
        old = os.path.join(self.folder("old"), PRODUCT)
        self.install_version_1(old)
        forget_install_locations()
        main, pid, _ = self.start(linux_path(old, MAIN_EXE))
        new = os.path.join(self.folder("new"), PRODUCT)
        report = self.install("2.0.0", root=new)
        self.assertSteps(report, 0, "probe 0 probe 10 close 0( probe 10)+ force 0 legacy-owners 0")
        self.assertIn(f'procsweep.exe probe "{win_path(old)}" "{MAIN_EXE}"', report.lines, report)
        self.assertIn(f"exited pid={pid} win32-error=0 {self.image(MAIN_EXE, old)}",
                      report.events("force"), report)
        self.assertEndsWith(main, 0)
        self.assertInstalled("2.0.0", new)

    def test_the_uninstaller_closes_the_running_application(self):
        self.install_version_1()
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        report = self.uninstall()
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0 legacy-owners 0")
        self.assertClosedByItself(main, pid, record)
        for relative in [MAIN_EXE, "resources"]:
            self.assertFalse(os.path.exists(linux_path(self.root, relative)), relative)

    def test_procsweep_answering_2_quits_with_2_and_nothing_written(self):
        deep = unresolvable_installation(self, self.root, MAIN_EXE)
        helper, _, _ = self.start(linux_path(self.root, NODE))
        report = self.install(root=self.root)
        # Who holds the files is asked of the same folder: 2 again.
        self.assertSteps(report, 2, "probe 2 legacy-owners 2")
        self.assertEqual(report.events("probe"), [
            f"installation-path-failed pid=0 win32-error=234 {win_path(self.root)}"])
        self.assertEqual(report.lines[-1], NOT_ENDED)
        self.assertRunning(helper)
        with open(linux_path(deep, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), b"asar")
        self.assertFalse(os.path.exists(linux_path(deep, UNINSTALLER)))

    # Driven as a user drives the installer: not silent, its windows read and answered.

    def test_driven_it_says_what_it_waits_for_and_ends_the_application_when_told(self):
        Installation(self.root, main=MAIN_EXE)
        main, pid, _ = self.start(linux_path(self.root, MAIN_EXE))
        code, screen, report = self.drive("1.0.0", self.root, [(QUESTION, OK)])
        self.assertShownWhileWaiting(screen)
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)+ force 0 legacy-owners 0")
        self.assertEqual(code, 0)
        self.assertEndsWith(main, 0)
        self.assertInstalled("1.0.0")

    def test_driven_and_told_not_to_end_the_application_it_writes_nothing(self):
        Installation(self.root, main=MAIN_EXE)
        main, _, _ = self.start(linux_path(self.root, MAIN_EXE))
        code, screen, report = self.drive("1.0.0", self.root,
                                          [(QUESTION, CANCEL), (CANNOT_BE_CLOSED, CANCEL)])
        self.assertShownWhileWaiting(screen)
        self.assertSteps(report, 2, "probe 10 close 0( probe 10)+ legacy-owners 0")
        self.assertIn(f"{PRODUCT} still runs: the user chose not to end it.", report.lines)
        self.assertEqual(report.lines[-1], NOT_ENDED)
        self.assertEqual(code, 2)
        self.assertRunning(main)
        self.assertUntouched(self.root)

    def test_driven_it_asks_before_ending_the_installation_uninstalled_first(self):
        old = os.path.join(self.folder("old"), PRODUCT)
        self.install_version_1(old)
        main, _, _ = self.start(linux_path(old, MAIN_EXE))
        new = os.path.join(self.folder("new"), PRODUCT)
        code, screen, report = self.drive("2.0.0", new,
                                          [(QUESTION, CANCEL), (CANNOT_BE_CLOSED, CANCEL)])
        self.assertSteps(report, 2, "probe 0 probe 10 close 0( probe 10)+ legacy-owners 0")
        self.assertEqual(code, 2)
        self.assertRunning(main)
        self.assertInstalled("1.0.0", old)
        self.assertFalse(os.path.exists(linux_path(new, MAIN_EXE)), "the new installation")


class Variant(Installers):
    """The one-click installers of a VARIANTS build, where electron-builder's installers run."""

    kind, variant = "one-click", None

    def setUp(self):
        super().setUp()
        self.builds = VARIANT_BUILDS[self.variant]

class HoldersTest(Variant, E2ETestCase):
    """Programs that hold the application's files named where the installer stops or asks, and
    waited for after the application has been ended. The holders stand in: the installers carry
    the holders' stand-in as procsweep.exe (see HOLDERS_STAND_IN), which runs the real tool for
    everything but legacy-owners. The installers, the include, the application and the report
    are real. The installers are built with the author's own exit code for "in use", 1618."""

    variant = "holders"

    def test_the_holders_of_an_installation_that_cannot_be_ended_are_named(self):
        # The installation is reached through a short link to a deep folder: procsweep.exe cannot
        # resolve it and answers 2. A silent run stops with the author's code, naming who holds
        # the files in the report.
        stand_in_holders(self, (0, 4242, "Code Editor"), (0, 77, "Backup Agent"))
        deep = unresolvable_installation(self, self.root, MAIN_EXE)
        report = self.install(root=self.root)
        self.assertSteps(report, IN_USE_EXIT_CODE, "probe 2 legacy-owners 0")
        self.assertEqual(report.lines[-4:], [
            "Programs using files of Example App:", "Code Editor (PID 4242)",
            "Backup Agent (PID 77)", NOT_ENDED])
        self.assertUntouched(deep)

    def test_driven_the_cannot_be_closed_message_names_the_holders(self):
        Installation(self.root, main=MAIN_EXE)
        main, pid, _ = self.start(linux_path(self.root, MAIN_EXE))
        stand_in_holders(self, (0, pid, PRODUCT), (0, 4242, "Code Editor"))
        code, screen, report = self.drive("1.0.0", self.root,
                                          [(QUESTION, CANCEL), (CANNOT_BE_CLOSED, CANCEL)])
        # The box's lines come as one text, each line end a space.
        texts = {" ".join(control.text.split()) for control in screen.ever_shown(CANNOT_BE_CLOSED)}
        self.assertEqual(texts, {
            f"{PRODUCT} cannot be closed. Please close it manually and click Retry to continue. "
            f"These programs are using files of {PRODUCT}: {PRODUCT} (PID {pid}) "
            "Code Editor (PID 4242)"})
        self.assertEqual(code, IN_USE_EXIT_CODE)
        self.assertRegex(report.steps(), r"^probe 10 close 0( probe 10)+ legacy-owners 0$")
        self.assertRunning(main)
        self.assertUntouched(self.root)

    def test_files_held_after_the_application_closed_get_time_to_be_let_go(self):
        # A scanner holds the files for the first three looks after the application has closed:
        # the installer waits for it, then writes the files.
        Installation(self.root, main=MAIN_EXE)
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        stand_in_holders(self, (3, 4242, "Scanner"))
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0"
                                    " legacy-owners 0 legacy-owners 0 legacy-owners 0"
                                    " legacy-owners 0")
        self.assertClosedByItself(main, pid, record)
        self.assertInstalled("1.0.0")

    def test_files_held_too_long_a_silent_run_goes_on_and_names_them(self):
        Installation(self.root, main=MAIN_EXE)
        main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
        stand_in_holders(self, (0, 4242, "Backup Agent"))
        report = self.install(root=self.root)
        self.assertSteps(report, 0, "probe 10 close 0( probe 10)* probe 0( legacy-owners 0)+")
        self.assertEqual(report.lines[-3:], [
            f"Files of {PRODUCT} still in use after 5000 ms, by:", "Backup Agent (PID 4242)",
            "Going on: the run is silent."])
        self.assertClosedByItself(main, pid, record)
        self.assertInstalled("1.0.0")

    def test_driven_files_held_too_long_the_person_retries_goes_on_or_stops(self):
        for answer, code in [("retry", 0), ("ignore", 0), ("abort", IN_USE_EXIT_CODE)]:
            with self.subTest(answer=answer):
                forget_installations()
                self.root = os.path.join(self.folder(answer), PRODUCT)
                Installation(self.root, main=MAIN_EXE)
                main, pid, record = self.start(linux_path(self.root, MAIN_EXE), "windows")
                folder = stand_in_holders(self, (0, 4242, "Backup Agent"))
                popen, batch = self.start_driven("1.0.0", self.root)
                screen = Screen(self.work)
                try:
                    screen.wait_for(STILL_IN_USE, popen)
                    [box] = screen.ever_shown(STILL_IN_USE)
                    self.assertIn("Backup Agent (PID 4242)", box.text)
                    if answer == "retry":
                        # The backup is done: the next look finds the files free.
                        os.remove(os.path.join(folder, "holders.txt"))
                    screen.press(STILL_IN_USE, BUTTONS[answer])
                except BaseException:
                    finish(popen, screen, timeout=1)
                    raise
                self.assertEqual(batch_code(batch, finish(popen, screen)), code)
                self.assertClosedByItself(main, pid, record)
                if code == 0:
                    self.assertInstalled("1.0.0")
                else:
                    self.assertUntouched(self.root)

    def test_an_old_uninstaller_that_fails_is_reported_with_the_holders_and_ends_a_silent_run(self):
        # The installation electron-builder's installer uninstalls first is in another folder,
        # and its uninstaller fails (here a program that ends with 2 in its place). electron-
        # builder's own message for that has no answer when silent: a silent update would wait
        # for ever. The include's answers, naming who holds that installation's files.
        old = os.path.join(self.folder("old"), PRODUCT)
        self.builds = BUILDS["one-click"]
        self.install_version_1(old)
        self.builds = VARIANT_BUILDS[self.variant]
        shutil.copy(FIXTURE_APP, os.path.join(old, UNINSTALLER))
        stand_in_holders(self, (0, 4242, "Code Editor"))
        new = os.path.join(self.folder("new"), PRODUCT)
        report = self.install("2.0.0", root=new)
        self.assertSteps(report, IN_USE_EXIT_CODE, "probe 0 probe 0 legacy-owners 0")
        self.assertIn("Code Editor (PID 4242)", report.lines, report)
        self.assertFalse(os.path.exists(linux_path(new, MAIN_EXE)), "the new installation")
        self.assertInstalled("1.0.0", old)


class GermanTest(Variant, E2ETestCase):
    """electron-builder's installer in German: the include speaks German too."""

    variant = "german"
    title = f"Installation von {PRODUCT}"

    def test_driven_it_asks_in_german(self):
        Installation(self.root, main=MAIN_EXE)
        main, _, _ = self.start(linux_path(self.root, MAIN_EXE))
        code, screen, report = self.drive("1.0.0", self.root, [
            (GERMAN["question"], CANCEL), (GERMAN["cannot be closed"], CANCEL)])
        self.assertTrue(screen.ever_shown(GERMAN["waiting"]), screen.shown())
        self.assertEqual(code, 2)
        self.assertRunning(main)
        self.assertUntouched(self.root)


class DamagedToolTest(Variant, E2ETestCase):
    """An installer whose procsweep.exe cannot start (here zeroed bytes: Windows answers
    ERROR_BAD_EXE_FORMAT, as Windows 10 on ARM does for a sound x64 program) on x64 Windows,
    which runs x64 programs: not knowing whether the application runs is not "nothing runs"."""

    variant = "damaged"

    def test_a_tool_that_cannot_start_stops_the_installer_with_nothing_written(self):
        Installation(self.root, main=MAIN_EXE)
        main, _, _ = self.start(linux_path(self.root, MAIN_EXE))
        report = self.install(root=self.root)
        self.assertSteps(report, 2, r"probe error \(CreateProcess 193\)")
        self.assertEqual(report.lines[-1], f"The check for a running {PRODUCT} could not be run "
                                           "(error 193): nothing was changed.")
        self.assertRunning(main)
        self.assertUntouched(self.root)


class OneClickPerUserTest(Situations, E2ETestCase):
    kind = "one-click"


class OneClickPerMachineTest(Situations, E2ETestCase):
    kind = "one-click-per-machine"


class AssistedPerMachineTest(Situations, E2ETestCase):
    kind = "assisted"


class AssistedPerUserTest(Situations, E2ETestCase):
    kind = "assisted-per-user"


class ElectronBuilderBuildTest(unittest.TestCase):
    """electron-builder's own build, on every machine, of every kind with the package README's
    lines: both passes of makensis (-WX) without a warning or an error. Where no 32-bit program
    runs at all, the one 32-bit step of its build, running the installer it built to write the
    uninstaller, is stood in for (build_tools.py writes a placeholder uninstaller), and the
    installers it builds are not run."""

    def test_every_kind_builds_without_a_warning(self):
        for kind in KINDS:
            with self.subTest(kind=kind):
                self.assertNotIn("failure", BUILDS[kind], BUILDS[kind].get("failure"))
                for version, build in BUILDS[kind].items():
                    self.assertTrue(os.path.exists(os.path.join(
                        build["project"], "dist", f"{PRODUCT} Setup {version}.exe")))
                    self.assertEqual([run["uninstaller"] for run in build["runs"]],
                                     [True, False])
                    for run in build["runs"]:
                        self.assertIn("-WX", run["args"])
                        self.assertNotRegex(run["output"].lower(), "warning|error", run["output"])
                        # The include is read where electron-builder reads an author's: in the
                        # header, before its templates.
                        self.assertIn('!include "' + os.path.join(
                            build["project"], "node_modules", "procsweep", "electron-builder.nsh")
                            + '"', script_header(run["script"]))

    def test_an_include_of_the_authors_own_takes_this_one_as_the_guide_says(self):
        own = f'!macro customInit\n  DetailPrint "The author\'s own."\n!macroend\n{OWN_INCLUDE}'
        project = make_project("assisted", "1.0.0", TOOLS, TARBALL["path"],
                               work=os.path.join(WORK, "own-include"), include=own)
        record = os.path.join(project, "makensis-runs")
        run_electron_builder(TOOLS["env"], project, record)
        runs = makensis_runs(record)
        self.assertEqual(len(runs), 2)
        for run in runs:
            self.assertNotRegex(run["output"].lower(), "warning|error", run["output"])
        # The installer has the include's section, through the author's include, besides
        # electron-builder's own.
        self.assertRegex(runs[1]["output"], r"Install: .*\b2 sections\b")

    def test_every_language_of_electron_builders_installers_has_every_sentence(self):
        # The languages electron-builder builds an installer in: those of its own "cannot be
        # closed" message that it knows a language id for, and those of its default
        # multi-language installer. One installer with all of them builds without a warning,
        # and every sentence the include shows is in the include's table for each language id
        # electron-builder gives its own message.
        languages = json.loads(subprocess.run(
            [shutil.which("node"), "-e", ELECTRON_BUILDER_LANGUAGES], cwd=SOURCE_DIR, check=True,
            stdout=subprocess.PIPE, timeout=60).stdout)
        project = make_project("one-click", "1.0.0", TOOLS, TARBALL["path"],
                               work=os.path.join(WORK, "languages"),
                               nsis={"installerLanguages": languages,
                                     "multiLanguageInstaller": True})
        record = os.path.join(project, "makensis-runs")
        run_electron_builder(TOOLS["env"], project, record)
        ids = set()
        for run in makensis_runs(record):
            self.assertIn("-WX", run["args"])
            self.assertNotRegex(run["output"].lower(), "warning|error", run["output"])
            for included in glob.glob(os.path.join(record, "*", "included", "*.nsh")):
                with open(included, encoding="utf-8") as f:
                    ids |= set(re.findall(r"^LangString appCannotBeClosed (\d+) ", f.read(),
                                          re.M))
        self.assertGreaterEqual(len(ids), len(languages) - 1, ids)
        sentences = {}
        with open(os.path.join(SOURCE_DIR, "package", "electron-builder-messages.nsh"),
                  encoding="utf-8") as f:
            for language, name in re.findall(r'^!insertmacro ProcsweepMessage (\d+) (\S+) "',
                                             f.read(), re.M):
                sentences.setdefault(language, []).append(name)
        for language in sorted(ids):
            with self.subTest(language=language):
                self.assertEqual(sentences.get(language), sentences["1033"])

    def test_a_build_for_32_bit_windows_alone_is_refused_saying_why(self):
        project = make_project("one-click", "1.0.0", TOOLS, TARBALL["path"],
                               work=os.path.join(WORK, "ia32"))
        manifest_path = os.path.join(project, "package.json")
        with open(manifest_path) as f:
            manifest = json.load(f)
        manifest["build"]["win"]["target"][0]["arch"] = ["ia32"]
        with open(manifest_path, "w") as f:
            json.dump(manifest, f, indent=2)
        with self.assertRaises(AssertionError) as raised:
            run_electron_builder(TOOLS["env"], project, os.path.join(project, "makensis-runs"),
                                 arch="--ia32")
        self.assertIn("procsweep.exe is an x64 program and cannot run on the 32-bit Windows",
                      str(raised.exception))


if __name__ == "__main__":
    unittest.main()
