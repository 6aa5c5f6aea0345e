"""The code in docs/integration.md is code that the tests build or run: each block of NSIS,
Pascal or JavaScript is a run of whole lines of a file in integration/, each `sh` block is one
of the build commands that installers_test.py runs, and anything else is a `text` block (a
format, or a sample of output)."""

import os
import unittest

from tests.installers import guide
from tools.windows_programs import SOURCE_DIR

INTEGRATION = os.path.join(SOURCE_DIR, "integration")
SOURCES = {
    "nsis": ["nsis/procsweep.nsh", "nsis/example.nsi", "electron-builder/installer.nsh"],
    "pascal": ["inno/example.iss"],
    "js": ["node/procsweep.js", "node/electron-update-example.js", "node/nsis-installer.js"],
    "json": ["electron-builder/package.json"],
}
# The electron-builder example's own README shows pieces of the files the electron-builder test
# builds with.
ELECTRON_BUILDER_README = os.path.join(INTEGRATION, "electron-builder", "README.md")
BUILD_PROGRAMS = ["makensis", "ISCC.exe"]


def read(relative):
    with open(os.path.join(INTEGRATION, *relative.split("/")), encoding="utf-8") as f:
        return f.read()


class GuideTest(unittest.TestCase):
    def test_every_code_block_is_a_piece_of_a_file_the_tests_build_or_run(self):
        blocks = guide.blocks()
        self.assertGreater(len(blocks), 10)
        for language, text in blocks:
            with self.subTest(block=text[:70]):
                if language in SOURCES:
                    files = [relative for relative in SOURCES[language]
                             if "\n" + text in "\n" + read(relative)]
                    self.assertTrue(files, f"not a run of whole lines of {SOURCES[language]}")
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
                           if relative.startswith("electron-builder/")]
                self.assertTrue([relative for relative in sources
                                 if "\n" + text in "\n" + read(relative)],
                                f"not a run of whole lines of {sources}")

    def test_the_build_commands_are_in_the_guide_once_each(self):
        for program in BUILD_PROGRAMS:
            with self.subTest(program=program):
                self.assertEqual(guide.build_command(program)[0], program)


if __name__ == "__main__":
    unittest.main()
