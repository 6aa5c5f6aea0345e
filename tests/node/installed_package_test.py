"""The npm package as an author gets it: packed by tools/package.py (around the build's
procsweep.exe), installed into a fresh project with the README's own command, offline, and
required there by its name. The module's tests (package/test) run against the installed copy,
`tsc --noEmit --strict` checks a TypeScript file that uses every export, the Node.js examples of
integration/ run with it, and the READMEs' electron-builder lines name its files.

Environment (set by CTest): PROCSWEEP_EXE, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import json
import os
import re
import shutil
import subprocess
import unittest

from tests.e2e.harness import PROCSWEEP_EXE
from tests.installers import guide
from tools import package
from tools.windows_programs import BUILD_DIR, SOURCE_DIR

WORK = os.path.join(BUILD_DIR, "node-package")
PROJECT = os.path.join(WORK, "project")
# The READMEs whose quick starts tell an author how to install the package and wire it in.
READMES = [os.path.join(SOURCE_DIR, "README.md"), os.path.join(SOURCE_DIR, "package", "README.md")]
TSC = os.path.join(SOURCE_DIR, "node_modules", "typescript", "bin", "tsc")
# An old-style CommonJS project and a current Node.js one.
TYPESCRIPT_MODULES = [["--module", "commonjs", "--moduleResolution", "node10"],
                      ["--module", "nodenext"]]
# The install command as the READMEs give it, made to stay off the network.
OFFLINE = ["--offline", "--no-audit", "--no-fund", "--loglevel=error"]
INSTALL_COMMAND = re.compile(r"^npm install .*\.tgz$", re.MULTILINE)
# A file of the package as its page names it: `procsweep.nsh`, `examples/example.nsi`.
PACKAGE_FILE_NAMED = re.compile(
    r"`((?:examples/)?[\w.-]+\.(?:exe|nsh|iss|wxi|nsi|wxs|js|ts|json))`")


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, stdin=subprocess.DEVNULL,
                            timeout=600, **kwargs)
    output = f"$ {' '.join(command)}\n{result.stdout}{result.stderr}"
    if result.returncode != 0:
        raise AssertionError(f"exit code {result.returncode}\n{output}")
    return output


def readme_blocks(language):
    return [(os.path.relpath(readme, SOURCE_DIR), text) for readme in READMES
            for block_language, text in guide.blocks(readme) if block_language == language]


def install_commands():
    return [(readme, command) for readme, text in readme_blocks("sh")
            for command in INSTALL_COMMAND.findall(text)]


class InstalledPackageTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(PROJECT)
        cls.tarball = package.package_exe(os.path.join(WORK, "dist"), PROCSWEEP_EXE)
        with open(os.path.join(PROJECT, "package.json"), "w", encoding="utf-8") as file:
            json.dump({"name": "fresh-project", "version": "1.0.0", "private": True}, file)
        # The package README's command, in the folder it tells the author to put the tarball.
        shutil.copy(cls.tarball, PROJECT)
        [(_, command)] = [entry for entry in install_commands()
                          if entry[0] == os.path.join("package", "README.md")]
        run(command.split() + OFFLINE, cwd=PROJECT)
        cls.installed = os.path.join(PROJECT, "node_modules", package.NAME)
        # The tests go where an author's code would be: `require('procsweep')` finds the package
        # in the project's node_modules.
        shutil.copytree(os.path.join(SOURCE_DIR, "package", "test"), os.path.join(PROJECT, "test"))

    def test_the_readmes_install_the_tarball_of_this_version(self):
        commands = install_commands()
        self.assertEqual(len(commands), len(READMES), commands)
        for readme, command in commands:
            with self.subTest(readme=readme):
                self.assertEqual(command, "npm install --save-dev ./" +
                                 os.path.basename(self.tarball))
        with open(os.path.join(PROJECT, "package.json"), encoding="utf-8") as file:
            self.assertEqual(json.load(file)["devDependencies"],
                             {package.NAME: "file:" + os.path.basename(self.tarball)})

    def test_the_installed_package_is_the_packed_files_and_runs_nothing(self):
        files = [os.path.relpath(os.path.join(folder, name), self.installed)
                 for folder, _, names in os.walk(self.installed) for name in names]
        self.assertEqual(sorted(path.replace(os.sep, "/") for path in files), package.PACKAGE_FILES)
        with open(os.path.join(self.installed, "procsweep.exe"), "rb") as installed, \
                open(PROCSWEEP_EXE, "rb") as built:
            self.assertEqual(installed.read(), built.read())
        with open(os.path.join(self.installed, "package.json"), encoding="utf-8") as file:
            manifest = json.load(file)
        for key in ["scripts", "dependencies", "optionalDependencies", "peerDependencies",
                    "bin", "gypfile"]:
            self.assertNotIn(key, manifest)
        self.assertEqual(manifest["license"], "MIT")
        # npm adds these three by itself; "files" names the rest.
        self.assertEqual(sorted(manifest["files"]), sorted(
            set(package.PACKAGE_FILES) - {"package.json", "README.md", "LICENSE"}))
        # The Node.js here is one the package says it supports.
        oldest = re.fullmatch(r">=(\d+)\.(\d+)\.(\d+)", manifest["engines"]["node"])
        here = run(["node", "-p", "process.versions.node"], cwd=PROJECT).splitlines()[-1]
        self.assertGreaterEqual(tuple(map(int, here.split("."))),
                                tuple(map(int, oldest.groups())))
        # Nothing else came along with it.
        self.assertEqual(sorted(os.listdir(os.path.join(PROJECT, "node_modules"))),
                         [".package-lock.json", package.NAME])

    def test_the_package_says_where_it_comes_from(self):
        with open(os.path.join(self.installed, "package.json"), encoding="utf-8") as file:
            manifest = json.load(file)
        address = package.project_address(manifest)
        self.assertEqual(manifest["homepage"], address + "#readme")
        self.assertEqual(manifest["bugs"], {"url": address + "/issues"})
        # Its page names the repository, at that address, for the guide and the examples it
        # speaks of, and every address of the project on it is the repository's.
        with open(os.path.join(self.installed, "README.md"), encoding="utf-8") as file:
            readme = file.read()
        self.assertIn(address, readme)
        host = address.rsplit("/", 2)[0]
        for found in re.findall(re.escape(host) + r"/\S*", readme):
            with self.subTest(address=found):
                self.assertTrue(found.startswith(address), found)

    def test_every_file_its_page_names_is_in_it(self):
        # The page is read where the package is installed: every file of the package it names,
        # the examples among them, is there.
        with open(os.path.join(self.installed, "README.md"), encoding="utf-8") as file:
            named = set(PACKAGE_FILE_NAMED.findall(file.read()))
        self.assertIn("examples/example.nsi", named)
        for name in sorted(named):
            with self.subTest(name=name):
                self.assertTrue(os.path.isfile(os.path.join(self.installed, *name.split("/"))))

    def test_the_module_tests_pass_on_the_installed_package(self):
        resolved = run(["node", "-p", "require.resolve('procsweep')"], cwd=PROJECT)
        self.assertIn(os.path.join(self.installed, "procsweep.js"), resolved)
        print(run(["node", "--test", os.path.join("test", "procsweep.test.js")], cwd=PROJECT))

    def test_typescript_takes_every_export_strictly(self):
        # No ambient types: the package's own must stand alone (no @types/node needed).
        with open(os.path.join(PROJECT, "tsconfig.json"), "w", encoding="utf-8") as file:
            json.dump({"compilerOptions": {"target": "es2020", "types": []},
                       "files": [os.path.join("test", "every-export.ts")]}, file)
        for module in TYPESCRIPT_MODULES:
            with self.subTest(module=module):
                run(["node", TSC, "--noEmit", "--strict", "-p", "tsconfig.json", *module],
                    cwd=PROJECT)
        # Every export is in the file.
        with open(os.path.join(PROJECT, "test", "every-export.ts"), encoding="utf-8") as file:
            text = file.read()
        exports = json.loads(run(["node", "-p", "JSON.stringify(Object.keys(require('procsweep')))"],
                                 cwd=PROJECT).splitlines()[-1])
        for name in exports:
            with self.subTest(export=name):
                # Imported, and used.
                self.assertGreaterEqual(len(re.findall(rf"\b{name}\b", text)), 2)

    def test_the_examples_run_with_the_installed_package(self):
        env = {**os.environ, "NODE_PATH": os.path.join(PROJECT, "node_modules")}
        print(run(["node", "--test", os.path.join(SOURCE_DIR, "integration", "node",
                                                  "examples.test.js")], env=env))

    def test_the_readmes_electron_builder_lines_name_the_installed_files(self):
        blocks = readme_blocks("json")
        self.assertEqual(len(blocks), len(READMES), blocks)
        for readme, text in blocks:
            with self.subTest(readme=readme):
                build = json.loads("{" + text + "}")["build"]
                [resource] = build["extraResources"]
                # Where findProcsweepExe looks in a packaged app.
                self.assertEqual(resource["to"], "procsweep.exe")
                for path in [resource["from"], build["nsis"]["include"]]:
                    self.assertTrue(path.startswith(f"node_modules/{package.NAME}/"), path)
                    self.assertTrue(os.path.isfile(os.path.join(PROJECT, *path.split("/"))), path)


if __name__ == "__main__":
    unittest.main(verbosity=2)
