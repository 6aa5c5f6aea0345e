"""The code of the guide's pages (docs/electron-builder.md, nsis.md, inno-setup.md,
windows-installer.md, node.md, reference.md) is code that the tests build or run. The NSIS and
Inno Setup pages start with a whole installer script, built exactly as printed in a project's
folder (the NSIS one also run). Every other block of NSIS, Pascal, WiX (xml), JavaScript or JSON
is a run of whole lines of an example in integration/, which the tests build and run: the pages
show what an author writes, never a copy of the includes' own code. Each `sh` block is one of the
build commands that installers_test.py and the msi entry (tests/msi) run, and anything else is a
`text` block (a format, a sample of output, or the electron-builder page's include of an
author's own, which the electron-builder entry builds). The example sections of the NSIS and
Inno Setup pages, pasted in the order shown, build as they stand. The quick starts of README.md
and package/README.md show pieces of the examples and of those whole scripts; their
electron-builder lines and install command are tried on the installed package by the `node`
entry."""

import os
import shutil
import unittest

from tests.e2e.harness import PROCSWEEP_EXE, E2ETestCase, Installation, read_records
from tests.installers import guide
from tests.installers.installers_test import (MAIN_EXE, NEW_ARCHIVE, NSIS_TARGET, Inno, Nsis,
                                              compile_inno, lay_out_payload, run_quietly)
from tools import package
from tools.windows_programs import (BUILD_DIR, NO_32_BIT_PROGRAMS, NODE, SOURCE_DIR, linux_path,
                                    runs_32_bit_programs, win_path)

# The examples, by the language of their blocks.
SOURCES = {
    "nsis": ["integration/nsis/example.nsi"],
    "pascal": ["integration/inno/example.iss"],
    "js": ["integration/node/electron-update-example.js", "integration/node/nsis-installer.js"],
    "json": ["integration/electron-builder/package.json"],
    "xml": ["integration/msi/example.wxs"],
}
# The whole installer scripts that the NSIS and Inno Setup pages start with, each saved as the
# file the page names, and built with the command it gives.
WHOLE_SCRIPTS = {
    "nsis": {"page": "nsis", "file": "setup.nsi", "command": "makensis setup.nsi"},
    "pascal": {"page": "inno-setup", "file": "setup.iss", "command": "ISCC setup.iss"},
}
# The sections of those pages whose snippets are one example, in order.
EXAMPLE_SECTIONS = {
    "nsis": ("nsis", "The example: asking first, and an uninstaller"),
    "pascal": ("inno-setup", "The example, with its uninstaller"),
}
# The quick starts, and the languages each shows at least.
QUICK_STARTS = {
    "README.md": {"sh", "json", "nsis", "pascal", "xml", "js"},
    os.path.join("package", "README.md"): {"sh", "json"},
}
INNO_INCLUDE = "package/procsweep.iss"
BUILD_PROGRAMS = ["makensis", "ISCC.exe", "./procsweep-wixl"]


def read(relative):
    with open(os.path.join(SOURCE_DIR, *relative.split("/")), encoding="utf-8") as f:
        return f.read()


def whole_script(language):
    """The whole script that its page starts with."""
    scripts = guide.lead_blocks(guide.page(WHOLE_SCRIPTS[language]["page"]), [language])
    if len(scripts) != 1:
        raise AssertionError(f"{WHOLE_SCRIPTS[language]['page']} should start with one whole "
                             f"{language} script: {scripts}")
    return scripts[0]


def pieces_of(language, text, whole_scripts=False):
    """The examples of `language` (and, with `whole_scripts`, the page's whole script) of which
    `text` is a run of whole lines."""
    sources = {relative: read(relative) for relative in SOURCES.get(language, [])}
    if whole_scripts and language in WHOLE_SCRIPTS:
        sources[WHOLE_SCRIPTS[language]["file"]] = whole_script(language)
    return [name for name, source in sources.items() if "\n" + text in "\n" + source]


class GuideTest(unittest.TestCase):
    def test_every_code_block_is_a_piece_of_an_example_or_a_whole_script(self):
        wholes = [whole_script(language) for language in WHOLE_SCRIPTS]
        for name in guide.PAGES:
            blocks = guide.blocks(guide.page(name))
            for language, text in blocks:
                with self.subTest(page=name, block=text[:70]):
                    if language in SOURCES:
                        self.assertTrue(text in wholes or pieces_of(language, text),
                                        f"not a run of whole lines of {SOURCES[language]}")
                    elif language == "sh":
                        self.assertIn(text.split()[0], BUILD_PROGRAMS)
                    else:
                        self.assertEqual(language, "text")

    def test_each_integration_page_shows_its_example(self):
        for name, language in [("electron-builder", "json"), ("nsis", "nsis"),
                               ("inno-setup", "pascal"), ("windows-installer", "xml"),
                               ("node", "js")]:
            with self.subTest(page=name):
                self.assertTrue([text for block_language, text in guide.blocks(guide.page(name))
                                 if block_language == language and pieces_of(language, text)])

    def test_the_whole_scripts_are_named_with_their_build_command(self):
        for language, whole in WHOLE_SCRIPTS.items():
            with self.subTest(page=whole["page"]):
                whole_script(language)
                self.assertIn(whole["command"], guide.code_spans(guide.page(whole["page"])))

    def test_the_quick_starts_show_pieces_of_the_examples(self):
        for readme, expected in QUICK_STARTS.items():
            languages = []
            for language, text in guide.blocks(os.path.join(SOURCE_DIR, readme)):
                languages.append(language)
                # sh: the install command is tried on the installed package (tests/node); the
                # rest are pieces of the examples or of the pages' whole scripts.
                if language in SOURCES:
                    with self.subTest(readme=readme, block=text[:70]):
                        self.assertTrue(pieces_of(language, text, whole_scripts=True),
                                        f"not a run of whole lines of {SOURCES[language]} or of "
                                        "the page's whole script")
            with self.subTest(readme=readme):
                self.assertLessEqual(expected, set(languages))

    def test_the_build_commands_are_in_the_guide_once_each(self):
        for program in BUILD_PROGRAMS:
            with self.subTest(program=program):
                self.assertEqual(guide.build_command(program)[0], program)


def project_folder(name):
    """A project's folder as the pages describe it: the package installed in
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
    """The whole installer scripts that the NSIS and Inno Setup pages start with, each saved as
    the file the page names in a project's folder, built there exactly as printed, and run once
    over a running application."""

    def save(self, language, name):
        folder = project_folder(name)
        with open(os.path.join(folder, WHOLE_SCRIPTS[language]["file"]), "w",
                  encoding="utf-8") as f:
            f.write(whole_script(language))
        return folder

    def assertEndsWhatRuns(self, install, steps):
        """Runs `install` (root: its report) once, silently, over the application and a helper:
        the application closes when asked, the helper is ended, with the tool run in `steps`,
        then the files are written."""
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        (main, main_pid, record), (helper, _, _) = self.start_all([
            (linux_path(root, MAIN_EXE), "windows"), (linux_path(root, NODE), "wait")])
        report = install(root)
        self.assertEqual(report.code, 0, report)
        self.assertRegex(report.steps(), steps, report)
        self.assertEqual(read_records(record), [f"ready {main_pid}", "close visible", "exit"])
        self.assertEndsWith(helper, 0)
        with open(linux_path(root, "resources\\app.asar"), "rb") as f:
            self.assertEqual(f.read(), NEW_ARCHIVE)

    def test_the_nsis_installer_builds_as_printed_and_ends_what_runs(self):
        folder = self.save("nsis", "nsis")
        # From another folder: makensis finds what the script names from its own.
        run_quietly(["makensis", *NSIS_TARGET, "-WX",
                     os.path.join(folder, WHOLE_SCRIPTS["nsis"]["file"])], cwd=BUILD_DIR)
        installer = os.path.join(folder, "example-app-setup.exe")
        self.assertTrue(os.path.exists(installer))
        # The report is kept, too: Nsis.run reads the kept copy.
        self.assertEndsWhatRuns(lambda root: Nsis(installer).run(
            self, f'"{win_path(installer)}" /S /D={win_path(root)}', "setup"),
            "^probe 10 close 0( probe 10)* probe 11 force 0$")

    def test_the_inno_setup_script_compiles_as_printed_and_ends_what_runs(self):
        if not runs_32_bit_programs():
            self.skipTest(NO_32_BIT_PROGRAMS)
        folder = self.save("pascal", "inno")
        compile_inno([WHOLE_SCRIPTS["pascal"]["file"]], folder)
        setup = os.path.join(folder, "Output", "example-app-setup.exe")
        self.assertTrue(os.path.exists(setup))
        self.assertEndsWhatRuns(lambda root: Inno(setup).install(self, root),
                                "^probe 10 close 0( probe 10)* probe 11 clean 0$")


class PastedSnippetsTest(unittest.TestCase):
    """The snippets of a page's example section put together in the order shown, as a user
    pastes them into a script of their own, beside the files the page tells them to put there:
    the include reaches the script through its !include or #include, never pasted."""

    def folder(self, name):
        folder = os.path.join(BUILD_DIR, "guide-snippets", name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(os.path.join(folder, "app"))
        with open(os.path.join(folder, "app", MAIN_EXE), "wb"):
            pass
        shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep.exe"))
        return folder

    def paste(self, folder, name, language):
        page, heading = EXAMPLE_SECTIONS[language]
        snippets = guide.section_blocks(guide.page(page), heading, [language])
        self.assertGreater(len(snippets), 1)
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.write("".join(snippets))

    def test_the_nsis_snippets_pasted_in_order_build_without_warnings(self):
        folder = self.folder("nsis")
        shutil.copy(os.path.join(SOURCE_DIR, "package", "procsweep.nsh"), folder)
        self.paste(folder, "pasted.nsi", "nsis")
        # -WX: any warning, such as a function the pasted script never calls, fails.
        run_quietly(["makensis", "-WX", "pasted.nsi"], cwd=folder)
        self.assertTrue(os.path.exists(os.path.join(folder, "example-app-setup.exe")))

    def test_the_inno_setup_snippets_pasted_in_order_compile(self):
        if not runs_32_bit_programs():
            self.skipTest(NO_32_BIT_PROGRAMS)
        folder = self.folder("inno")
        shutil.copy(os.path.join(SOURCE_DIR, *INNO_INCLUDE.split("/")), folder)
        self.paste(folder, "pasted.iss", "pascal")
        compile_inno(["pasted.iss"], folder)
        self.assertTrue(os.path.exists(os.path.join(folder, "Output", "example-app-setup.exe")))


if __name__ == "__main__":
    unittest.main()
