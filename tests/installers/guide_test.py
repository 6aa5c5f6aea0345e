"""The code in docs/integration.md is code that the tests build or run: each block of NSIS,
Pascal, WiX (xml) or JavaScript is a run of whole lines of a file in integration/ or of the npm
package's (package/), each `sh` block is one of the build commands that installers_test.py and
the msi entry (tests/msi) run, and anything else is a `text` block (a format, or a sample of
output). The NSIS and Inno Setup
snippets, pasted in the order the guide shows them, build as they stand. The quick starts of
README.md and package/README.md give whole NSIS and Inno Setup scripts, built exactly as printed
in a project's folder (the NSIS one also run), and show pieces of the Node.js example; their
electron-builder lines and install command are tried on the installed package by the `node`
entry."""

import os
import shutil
import unittest

from tests.e2e.harness import PROCSWEEP_EXE, E2ETestCase, Installation, read_records
from tests.installers import guide
from tests.installers.installers_test import (ISCC, MAIN_EXE, NEW_ARCHIVE, NSIS_TARGET, Nsis,
                                              lay_out_payload, run_quietly)
from tools import package
from tools.windows_programs import (BUILD_DIR, NO_32_BIT_PROGRAMS, NODE, SOURCE_DIR, command,
                                    linux_path, runs_32_bit_programs, win_path)

SOURCES = {
    "nsis": ["package/procsweep.nsh", "integration/nsis/example.nsi",
             "package/electron-builder.nsh"],
    "pascal": ["integration/inno/example.iss", "package/procsweep.iss"],
    "js": ["package/procsweep.js", "integration/node/electron-update-example.js",
           "integration/node/nsis-installer.js"],
    "json": ["integration/electron-builder/package.json"],
    "xml": ["integration/msi/example.wxs", "package/procsweep.wxi", "package/procsweep-wix4.wxi"],
}
# The electron-builder example's own README shows pieces of the files the electron-builder test
# builds with.
ELECTRON_BUILDER_README = os.path.join(SOURCE_DIR, "integration", "electron-builder", "README.md")
# Their quick starts: a whole script for each kind of installer, lines for electron-builder and
# Node.js.
QUICK_STARTS = ["README.md", os.path.join("package", "README.md")]
# The quick starts' installer scripts are whole files of their own, not pieces of the examples.
WHOLE_SCRIPTS = {"nsis": "setup.nsi", "pascal": "setup.iss"}
INNO_INCLUDE = "package/procsweep.iss"
BUILD_PROGRAMS = ["makensis", "ISCC.exe", "./procsweep-wixl"]


def read(relative):
    with open(os.path.join(SOURCE_DIR, *relative.split("/")), encoding="utf-8") as f:
        return f.read()


def pieces_of(language, text):
    """The files of `language` of which `text` is a run of whole lines."""
    return [relative for relative in SOURCES.get(language, [])
            if "\n" + text in "\n" + read(relative)]


class GuideTest(unittest.TestCase):
    def test_every_code_block_is_a_piece_of_a_file_the_tests_build_or_run(self):
        blocks = guide.blocks()
        self.assertGreater(len(blocks), 10)
        for language, text in blocks:
            with self.subTest(block=text[:70]):
                if language in SOURCES:
                    self.assertTrue(pieces_of(language, text),
                                    f"not a run of whole lines of {SOURCES[language]}")
                elif language == "sh":
                    self.assertIn(text.split()[0], BUILD_PROGRAMS)
                else:
                    self.assertEqual(language, "text")

    def test_the_electron_builder_readme_shows_pieces_of_the_include_and_the_config(self):
        blocks = guide.blocks(ELECTRON_BUILDER_README)
        self.assertIn("json", [language for language, _ in blocks])
        for language, text in blocks:
            with self.subTest(block=text[:70]):
                if language == "text":
                    continue
                sources = [relative for relative in SOURCES.get(language, [])
                           if relative.startswith("integration/electron-builder/")]
                self.assertTrue([relative for relative in pieces_of(language, text)
                                 if relative in sources],
                                f"not a run of whole lines of {sources}")

    def test_the_quick_starts_show_pieces_of_the_examples(self):
        for readme in QUICK_STARTS:
            languages = []
            for language, text in guide.blocks(os.path.join(SOURCE_DIR, readme)):
                languages.append(language)
                # sh: the install command is tried on the installed package (tests/node); the
                # electron-builder lines are the example's, which the electron-builder test
                # builds with; the installer scripts are built by QuickStartTest.
                if language in SOURCES and language not in WHOLE_SCRIPTS:
                    with self.subTest(readme=readme, block=text[:70]):
                        self.assertTrue(pieces_of(language, text),
                                        f"not a run of whole lines of {SOURCES[language]}")
            with self.subTest(readme=readme):
                self.assertLessEqual({"sh", "json", "nsis", "pascal", "xml", "js"},
                                     set(languages))

    def test_the_build_commands_are_in_the_guide_once_each(self):
        for program in BUILD_PROGRAMS:
            with self.subTest(program=program):
                self.assertEqual(guide.build_command(program)[0], program)


def quick_start_scripts(language):
    """The `language` blocks of both quick starts, as (README, text)."""
    return [(readme, text) for readme in QUICK_STARTS
            for block_language, text in guide.blocks(os.path.join(SOURCE_DIR, readme))
            if block_language == language]


def project_folder(name):
    """A project's folder as the quick starts describe it: the package installed in
    node_modules/procsweep (its files, as make package packs them, around this build's tool),
    and the application's files in app."""
    folder = os.path.join(BUILD_DIR, "quick-start", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    package.stage(SOURCE_DIR, PROCSWEEP_EXE, "0.0.0", None,
                  os.path.join(folder, "node_modules", package.NAME))
    lay_out_payload(folder)
    return folder


class QuickStartTest(E2ETestCase):
    """The installer scripts of README.md and package/README.md, each saved as the file the
    README names in a project's folder and built there exactly as printed."""

    def scripts(self, language):
        scripts = quick_start_scripts(language)
        self.assertEqual(len(scripts), len(QUICK_STARTS), scripts)
        return scripts

    def test_the_nsis_installer_builds_as_printed_and_ends_what_runs(self):
        for index, (readme, text) in enumerate(self.scripts("nsis")):
            with self.subTest(readme=readme):
                folder = project_folder(f"nsis-{index}")
                with open(os.path.join(folder, WHOLE_SCRIPTS["nsis"]), "w", encoding="utf-8") as f:
                    f.write(text)
                # From another folder: makensis finds what the script names from its own.
                run_quietly(["makensis", *NSIS_TARGET, "-WX",
                             os.path.join(folder, WHOLE_SCRIPTS["nsis"])], cwd=BUILD_DIR)
                installer = os.path.join(folder, "example-app-setup.exe")
                self.assertTrue(os.path.exists(installer))
                # Run once, over the application and a helper: the application closes when
                # asked, the helper is ended, then the files are written, and the report is kept.
                root = os.path.join(self.work, f"Example App {index}")
                Installation(root, main=MAIN_EXE)
                (main, main_pid, record), (helper, _, _) = self.start_all([
                    (linux_path(root, MAIN_EXE), "windows"), (linux_path(root, NODE), "wait")])
                report = Nsis(installer).run(
                    self, f'"{win_path(installer)}" /S /D={win_path(root)}', "setup")
                self.assertEqual(report.code, 0, report)
                self.assertRegex(report.steps(), "^probe 10 close 0( probe 10)* probe 11 force 0$",
                                 report)
                self.assertEqual(read_records(record), [f"ready {main_pid}", "close visible",
                                                        "exit"])
                self.assertEndsWith(helper, 0)
                with open(linux_path(root, "resources\\app.asar"), "rb") as f:
                    self.assertEqual(f.read(), NEW_ARCHIVE)

    def test_the_inno_setup_script_compiles_as_printed(self):
        if not runs_32_bit_programs():
            self.skipTest(NO_32_BIT_PROGRAMS)
        for index, (readme, text) in enumerate(self.scripts("pascal")):
            with self.subTest(readme=readme):
                folder = project_folder(f"inno-{index}")
                with open(os.path.join(folder, WHOLE_SCRIPTS["pascal"]), "w",
                          encoding="utf-8") as f:
                    f.write(text)
                run_quietly(command(ISCC, WHOLE_SCRIPTS["pascal"]), cwd=folder)
                self.assertTrue(os.path.exists(os.path.join(folder, "Output",
                                                            "example-app-setup.exe")))


class PastedSnippetsTest(unittest.TestCase):
    """A section's snippets put together in the order shown, as a user pastes them into a script
    of their own, beside the files the guide tells them to put there."""

    def folder(self, name):
        folder = os.path.join(BUILD_DIR, "guide-snippets", name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(os.path.join(folder, "app"))
        with open(os.path.join(folder, "app", MAIN_EXE), "wb"):
            pass
        shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep.exe"))
        return folder

    def paste(self, folder, name, snippets):
        self.assertTrue(snippets)
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write("".join(snippets))

    def test_the_nsis_snippets_pasted_in_order_build_without_warnings(self):
        # The include's own code is shown for reading: it reaches the script through its
        # !include of the procsweep.nsh beside it, never pasted a second time.
        include = read("package/procsweep.nsh")
        snippets = [text for text in guide.section_blocks("NSIS", ["nsis"])
                    if "\n" + text not in "\n" + include]
        folder = self.folder("nsis")
        shutil.copy(os.path.join(SOURCE_DIR, "package", "procsweep.nsh"), folder)
        self.paste(folder, "pasted.nsi", snippets)
        # -WX: any warning, such as a function the pasted script never calls, fails.
        run_quietly(["makensis", "-WX", "pasted.nsi"], cwd=folder)
        self.assertTrue(os.path.exists(os.path.join(folder, "example-app-setup.exe")))

    def test_the_inno_setup_snippets_pasted_in_order_compile(self):
        if not runs_32_bit_programs():
            self.skipTest(NO_32_BIT_PROGRAMS)
        # As for NSIS: the include's code, shown for reading, comes in through example.iss's
        # #include of the procsweep.iss beside it.
        include = read(INNO_INCLUDE)
        snippets = [text for text in guide.section_blocks("Inno Setup", ["pascal"])
                    if "\n" + text not in "\n" + include]
        folder = self.folder("inno")
        shutil.copy(os.path.join(SOURCE_DIR, *INNO_INCLUDE.split("/")), folder)
        self.paste(folder, "pasted.iss", snippets)
        run_quietly(command(ISCC, "pasted.iss"), cwd=folder)
        self.assertTrue(os.path.exists(os.path.join(folder, "Output", "example-app-setup.exe")))


if __name__ == "__main__":
    unittest.main()
