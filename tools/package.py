#!/usr/bin/env python3
"""make package: the npm package procsweep, as dist/procsweep-<version>.tgz.

The package holds procsweep.exe as make release builds it (this script runs the release build
first: the same reproducible file, byte for byte, in dist/ beside the tarball), the
electron-builder include, the NSIS include, the Inno Setup include, the WiX includes, the command
that builds an MSI with wixl (procsweep-wixl), the Node.js module with its types, the examples the
package's page names (in examples/), package.json, README.md and LICENSE. Each is copied from one
file of the source tree that the release was built from (HEAD as committed, or the working tree
with --worktree) into a temporary folder, and `npm pack` packs that folder. The version is the one CMake's project() gives the release build;
package.json also gets the commit it was built from (npm's gitHead) and the project's home page and
issue tracker, both taken from its "repository" address, the one place that address is written. npm
pack writes the same bytes for the same files, so the same commit gives the same tarball wherever
it is packed.

Options: --dist DIR writes there instead of dist/; --work, --worktree and --jobs are passed to
the release build (see tools/release.py); with --worktree, gitHead is HEAD's, whose tree the
working tree may have changed. For tests, --exe FILE packs that procsweep.exe and the working
tree's files instead of building a release: a package to try, not one to ship, without gitHead.

Run from the checkout's root: python3 -m tools.package
"""

import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from tools import release

SOURCE_DIR = release.SOURCE_DIR
NAME = "procsweep"
# Each file of the package, and the file of the source tree that it is a copy of.
PACKAGE_SOURCES = {
    "electron-builder.nsh": "package/electron-builder.nsh",
    "electron-builder-messages.nsh": "package/electron-builder-messages.nsh",
    "procsweep.nsh": "package/procsweep.nsh",
    "procsweep.iss": "package/procsweep.iss",
    "procsweep.wxi": "package/procsweep.wxi",
    "procsweep-wix4.wxi": "package/procsweep-wix4.wxi",
    "procsweep-wixl": "package/procsweep-wixl",
    "procsweep.js": "package/procsweep.js",
    "index.d.ts": "package/index.d.ts",
    "README.md": "package/README.md",
    "LICENSE": "LICENSE",
    # The examples the package's page names, as the tests build and run them.
    "examples/example.nsi": "integration/nsis/example.nsi",
    "examples/example.iss": "integration/inno/example.iss",
    "examples/example.wxs": "integration/msi/example.wxs",
    "examples/electron-update-example.js": "integration/node/electron-update-example.js",
    "examples/nsis-installer.js": "integration/node/nsis-installer.js",
    "examples/electron-builder-package.json": "integration/electron-builder/package.json",
}
# package.json is this file with the version, the commit, the home page and the issue tracker
# written in.
MANIFEST_SOURCE = "package/package.json"
WRITTEN_IN = ["version", "gitHead", "homepage", "bugs"]
PACKAGE_FILES = sorted([*PACKAGE_SOURCES, release.EXE_NAME, "package.json"])
# The package's commands, run from where it is installed (a Linux deployer's machine): written
# executable whatever the checkout's modes, so that npm packs them so.
COMMANDS = ["procsweep-wixl"]
# What CMake writes from project()'s version into the build directory, for the executable's
# version information.
VERSION_HEADER = os.path.join("generated", "procsweep_version.h")


class PackageError(Exception):
    pass


def tarball_name(version):
    return f"{NAME}-{version}.tgz"


def project_version(build_dir):
    """The version that CMake took from project() when it configured build_dir."""
    path = os.path.join(build_dir, VERSION_HEADER)
    with open(path, encoding="utf-8") as file:
        found = re.search(r'^#define PROCSWEEP_VERSION_TEXT "([^"]+)"$', file.read(), re.M)
    if not found:
        raise PackageError(f"{path} names no version")
    return found.group(1)


def source_path(tree, relative):
    return os.path.join(tree, *relative.split("/"))


def project_address(manifest):
    """The project's web address, from package.json's repository URL
    ("git+https://host/owner/name.git")."""
    url = manifest.get("repository", {}).get("url", "")
    found = re.fullmatch(r"git\+(https://[^ ]+)\.git", url)
    if not found:
        raise PackageError(f"{MANIFEST_SOURCE} must give repository.url as "
                           f"git+https://.../name.git, not {url!r}")
    return found.group(1)


def stage(tree, exe, version, commit, folder):
    """The package's files in folder, each from its one source; commit (None for a package
    that is no build of a commit) becomes package.json's gitHead."""
    os.makedirs(folder)
    for name, relative in PACKAGE_SOURCES.items():
        path = source_path(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(source_path(tree, relative), path)
        os.chmod(path, 0o755 if name in COMMANDS else 0o644)
    shutil.copyfile(exe, os.path.join(folder, release.EXE_NAME))
    with open(source_path(tree, MANIFEST_SOURCE), encoding="utf-8") as file:
        manifest = json.load(file)
    for key in WRITTEN_IN:
        if key in manifest:
            raise PackageError(f"{MANIFEST_SOURCE} must not give {key}: it is written in here")
    address = project_address(manifest)
    # The version right after the name, where npm's own files have it, the home page and the
    # issue tracker after the repository, and the commit last, where npm publish puts it.
    written = {"name": manifest["name"], "version": version}
    for key, value in manifest.items():
        written.setdefault(key, value)
        if key == "repository":
            written["homepage"] = address + "#readme"
            written["bugs"] = {"url": address + "/issues"}
    if commit is not None:
        written["gitHead"] = commit
    manifest = written
    with open(os.path.join(folder, "package.json"), "w", encoding="utf-8") as file:
        file.write(json.dumps(manifest, indent=2, ensure_ascii=False) + "\n")


def npm_pack(folder, dist):
    """Packs folder into dist; returns the tarball's path and the files npm put in it."""
    npm = shutil.which("npm")
    if npm is None:
        raise PackageError("npm not found: `make` installs Debian's npm")
    # No lifecycle script runs, and nothing is asked of the registry.
    result = subprocess.run(
        [npm, "pack", folder, "--pack-destination", dist, "--json", "--ignore-scripts",
         "--offline", "--loglevel=error"],
        cwd=folder, capture_output=True, text=True, stdin=subprocess.DEVNULL)
    if result.returncode != 0:
        raise PackageError(f"npm pack failed with exit code {result.returncode}:\n"
                           f"{result.stdout}{result.stderr}")
    [packed] = json.loads(result.stdout)
    return os.path.join(dist, packed["filename"]), sorted(f["path"] for f in packed["files"])


def remove_tarballs(dist):
    for path in glob.glob(os.path.join(glob.escape(dist), f"{NAME}-*.tgz")):
        os.remove(path)


def package(arguments):
    if arguments.exe and (arguments.work or arguments.worktree):
        raise PackageError("--exe packs a given procsweep.exe: no release build to pass "
                           "--work or --worktree to")
    dist = os.path.abspath(arguments.dist)
    # An earlier run's tarball must not pass for this run's, should this one fail.
    if os.path.isdir(dist):
        remove_tarballs(dist)
    with tempfile.TemporaryDirectory(prefix="procsweep-package-") as scratch:
        if arguments.exe:
            tree, exe, commit = SOURCE_DIR, os.path.abspath(arguments.exe), None
            build_dir = os.path.dirname(exe)
            os.makedirs(dist, exist_ok=True)
        else:
            # The release build's own copy of the sources, kept until the files are staged.
            work = os.path.abspath(arguments.work or os.path.join(scratch, "release"))
            commit = release.release(argparse.Namespace(
                dist=dist, work=work, worktree=arguments.worktree, jobs=arguments.jobs))
            tree = os.path.join(work, "procsweep")
            build_dir = os.path.join(tree, "build")
            exe = os.path.join(dist, release.EXE_NAME)

        version = project_version(build_dir)
        tarball = os.path.join(dist, tarball_name(version))
        folder = os.path.join(scratch, NAME)
        stage(tree, exe, version, commit, folder)
        packed, files = npm_pack(folder, dist)
        if packed != tarball or files != PACKAGE_FILES:
            remove_tarballs(dist)
            raise PackageError(f"npm packed {files} as {packed}; expected {PACKAGE_FILES} as "
                               f"{tarball} (is package/package.json's \"files\" right?)")
    print(f"package: {tarball}")
    return tarball


def package_exe(dist, exe):
    """The package around a given procsweep.exe (a build's, not a release), packed into `dist`,
    as the tests and the benchmarks use it; returns the tarball's path."""
    return package(argument_parser().parse_args(["--dist", dist, "--exe", exe]))


def argument_parser():
    parser = release.argument_parser(__doc__.splitlines()[0])
    parser.add_argument("--exe")
    return parser


def main():
    arguments = argument_parser().parse_args()
    try:
        package(arguments)
    except (PackageError, release.ReleaseError) as error:
        print(f"package: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
