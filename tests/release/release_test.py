"""make release and make package: the same sources give the same procsweep.exe in any
directory, the signed copy is that very file plus a signature, and the npm package made around
the build is the same tarball wherever it is packed, holding exactly its files.

tools/package.py (what make package runs; it runs tools/release.py, what make release runs,
first) builds the working tree's tracked files twice, in two directories of different depth:
once unsigned, once signed with a throwaway self-signed certificate made here. No time-stamp
server is asked: the test stays off the network.

Environment (set by CTest): PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import glob
import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import unittest

from tests.e2e.harness import run_tool
from tools import package
from tools.windows_programs import BUILD_DIR, SOURCE_DIR, win_path

RELEASE = os.path.join(SOURCE_DIR, "tools", "release.py")
WORK_ROOT = os.path.join(BUILD_DIR, "release-work")
SIGNING_VARIABLES = ("SIGN_PKCS12", "SIGN_CERT", "SIGN_KEY", "SIGN_PASSWORD",
                     "SIGN_PASSWORD_FILE", "SIGN_TIMESTAMP_URL", "ALLOW_DIRTY")
PASSWORD = "throwaway password"
# Exactly what the npm package holds, below npm's "package/".
PACKAGE_FILES = ["LICENSE", "README.md", "electron-builder-messages.nsh", "electron-builder.nsh",
                 "examples/electron-builder-package.json", "examples/electron-update-example.js",
                 "examples/example.iss", "examples/example.nsi", "examples/example.wxs",
                 "examples/nsis-installer.js", "index.d.ts", "package.json",
                 "procsweep-wix4.wxi", "procsweep-wixl", "procsweep.exe", "procsweep.iss",
                 "procsweep.js", "procsweep.nsh", "procsweep.wxi"]


def read(path):
    with open(path, "rb") as file:
        return file.read()


def release_env(**signing):
    env = {name: value for name, value in os.environ.items() if name not in SIGNING_VARIABLES}
    env.update(signing)
    return env


def make_certificate(directory, name):
    """A self-signed code-signing certificate: its PEM file, its key, and both as PKCS#12."""
    cert, key, pkcs12 = (os.path.join(directory, name + suffix)
                         for suffix in (".pem", ".key", ".pfx"))
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=procsweep release test", "-addext", "keyUsage=digitalSignature",
         "-addext", "extendedKeyUsage=codeSigning", "-keyout", key, "-out", cert],
        check=True, capture_output=True)
    subprocess.run(
        ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pkcs12,
         "-passout", "pass:" + PASSWORD], check=True, capture_output=True)
    return cert, key, pkcs12


def sums(dist):
    """SHA256SUMS as {file name: hash}."""
    entries = {}
    for line in read(os.path.join(dist, "SHA256SUMS")).decode("ascii").splitlines():
        digest, name = line.split("  ", 1)
        entries[name] = digest
    return entries


def tarball(dist):
    [path] = glob.glob(os.path.join(dist, "procsweep-*.tgz"))
    return path


def tarball_files(path):
    """The regular files of a tarball, as {name: bytes}; anything else in it fails."""
    with tarfile.open(path) as archive:
        members = archive.getmembers()
        assert all(member.isfile() for member in members), [m.name for m in members]
        return {member.name: archive.extractfile(member).read() for member in members}


def cmake_version(work):
    """The version CMake took from project() for the release build in work."""
    header = read(os.path.join(work, "procsweep", "build", "generated", "procsweep_version.h"))
    return re.search(rb'PROCSWEEP_VERSION_TEXT "([^"]+)"', header).group(1).decode()


def pe_time_stamp(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    return struct.unpack_from("<I", data, pe + 8)[0]


class ReleaseTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK_ROOT, ignore_errors=True)
        os.makedirs(WORK_ROOT)
        cls.cert, _, cls.pkcs12 = make_certificate(WORK_ROOT, "signer")
        cls.other_cert, _, _ = make_certificate(WORK_ROOT, "stranger")
        password_file = os.path.join(WORK_ROOT, "password")
        with open(password_file, "w") as file:
            file.write(PASSWORD + "\n")

        cls.unsigned_dist = os.path.join(WORK_ROOT, "dist-unsigned")
        cls.signed_dist = os.path.join(WORK_ROOT, "dist-signed")
        cls.unsigned_work = os.path.join(WORK_ROOT, "a")
        builds = [
            (cls.unsigned_work, cls.unsigned_dist, release_env()),
            (os.path.join(WORK_ROOT, "b", "a much longer", "path to build in"), cls.signed_dist,
             release_env(SIGN_PKCS12=cls.pkcs12, SIGN_PASSWORD_FILE=password_file)),
        ]
        # make package: make release's build, then the package around it.
        for work, dist, env in builds:
            subprocess.run(
                [sys.executable, "-m", "tools.package", "--worktree", "--work", work,
                 "--dist", dist],
                env=env, check=True, stdin=subprocess.DEVNULL, cwd=SOURCE_DIR)
        cls.unsigned = os.path.join(cls.unsigned_dist, "procsweep.exe")
        cls.signed = os.path.join(cls.signed_dist, "signed", "procsweep.exe")

    def osslsigncode(self, *args):
        return subprocess.run(["osslsigncode", *args], capture_output=True, text=True,
                              stdin=subprocess.DEVNULL)

    def test_two_builds_in_different_directories_are_the_same_bytes(self):
        first = read(self.unsigned)
        self.assertEqual(hashlib.sha256(first).hexdigest(),
                         hashlib.sha256(read(os.path.join(self.signed_dist, "procsweep.exe")))
                         .hexdigest())
        self.assertEqual(pe_time_stamp(first), 0)

    def test_two_packages_in_different_directories_are_the_same_bytes(self):
        # The signed build's package too: it carries the unsigned, reproducible file.
        self.assertEqual(read(tarball(self.unsigned_dist)), read(tarball(self.signed_dist)))

    def test_the_package_holds_exactly_its_files_each_from_its_source(self):
        version = cmake_version(self.unsigned_work)
        self.assertEqual(os.path.basename(tarball(self.unsigned_dist)), f"procsweep-{version}.tgz")
        files = tarball_files(tarball(self.unsigned_dist))
        self.assertEqual(sorted(files), ["package/" + name for name in PACKAGE_FILES])
        self.assertEqual(files["package/procsweep.exe"], read(self.unsigned))
        # The wixl command is run where it is installed, as the guide prints it.
        with tarfile.open(tarball(self.unsigned_dist)) as archive:
            self.assertEqual(archive.getmember("package/procsweep-wixl").mode, 0o755)
        source = os.path.join(self.unsigned_work, "procsweep")
        for name, relative in package.PACKAGE_SOURCES.items():
            with self.subTest(name=name):
                self.assertEqual(files["package/" + name],
                                 read(os.path.join(source, *relative.split("/"))))
        manifest = json.loads(files["package/package.json"])
        with open(os.path.join(source, "package", "package.json"), encoding="utf-8") as file:
            expected = json.load(file)
        # Where it comes from: the commit it was built from, which anyone can check out and
        # build again, and the home page and the issue tracker of the repository it names.
        head = subprocess.run(["git", "-C", SOURCE_DIR, "rev-parse", "HEAD"], check=True,
                              capture_output=True, text=True).stdout.strip()
        address = "https://github.com/procsweep/procsweep"
        self.assertEqual(expected["repository"], {"type": "git", "url": f"git+{address}.git"})
        self.assertEqual(manifest, {**expected, "version": version, "gitHead": head,
                                    "homepage": f"{address}#readme",
                                    "bugs": {"url": f"{address}/issues"}})
        self.assertEqual(files["package/LICENSE"], read(os.path.join(SOURCE_DIR, "LICENSE")))

    def test_sha256sums_names_each_output_with_its_hash(self):
        for dist, names in [(self.unsigned_dist, ["procsweep.exe"]),
                            (self.signed_dist, ["procsweep.exe", "signed/procsweep.exe"])]:
            with self.subTest(dist=os.path.basename(dist)):
                self.assertEqual(
                    sums(dist),
                    {name: hashlib.sha256(read(os.path.join(dist, name))).hexdigest()
                     for name in names})
                checked = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist,
                                         capture_output=True, text=True)
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.unsigned_dist, "signed")))

    def test_signature_verifies_against_its_certificate_only(self):
        for exe, ca, verified in [(self.signed, self.cert, True),
                                  (self.signed, self.other_cert, False),
                                  (self.unsigned, self.cert, False)]:
            with self.subTest(exe=os.path.relpath(exe, WORK_ROOT),
                              ca=os.path.basename(ca)):
                result = self.osslsigncode("verify", "-CAfile", ca, "-in", exe)
                self.assertEqual(result.returncode == 0, verified,
                                 result.stdout + result.stderr)

    def test_signed_copy_without_its_signature_is_the_reproducible_build(self):
        self.assertNotEqual(read(self.signed), read(self.unsigned))
        stripped = os.path.join(WORK_ROOT, "stripped.exe")
        if os.path.exists(stripped):
            os.remove(stripped)
        result = self.osslsigncode("remove-signature", "-in", self.signed, "-out", stripped)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(hashlib.sha256(read(stripped)).hexdigest(),
                         sums(self.unsigned_dist)["procsweep.exe"])

    def test_signed_copy_runs(self):
        missing = os.path.join(WORK_ROOT, "no such installation")
        for args, exit_code in [
            (["probe", win_path(missing), "App.exe"], 0),
            (["probe"], 2),
        ]:
            with self.subTest(args=args):
                run = run_tool(*args, exe=self.signed)
                self.assertEqual((run.code, run.stdout), (exit_code, b""), run)


class CleanTreeTest(unittest.TestCase):
    """A release is HEAD as committed: a tree with changes is refused before anything is built."""

    def test_refuses_a_tree_with_changes(self):
        repo = os.path.join(WORK_ROOT, "dirty-repo")
        shutil.rmtree(repo, ignore_errors=True)
        os.makedirs(os.path.join(repo, "tools"))
        shutil.copy(RELEASE, os.path.join(repo, "tools", "release.py"))
        git = ["git", "-C", repo, "-c", "user.name=test", "-c", "user.email=test@invalid"]
        for command in (["init", "-q"], ["add", "."], ["commit", "-q", "-m", "release tool"]):
            subprocess.run(git + command, check=True, capture_output=True)
        with open(os.path.join(repo, "notes.txt"), "w") as file:
            file.write("not committed\n")

        result = subprocess.run([sys.executable, os.path.join(repo, "tools", "release.py")],
                                env=release_env(), capture_output=True, text=True,
                                stdin=subprocess.DEVNULL)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertIn("notes.txt", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(repo, "dist")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
