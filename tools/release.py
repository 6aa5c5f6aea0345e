#!/usr/bin/env python3
"""make release: procsweep.exe built from a clean copy of HEAD, and its SHA-256, in dist/.

The build is reproducible: the same commit built with the same toolchain gives the same bytes
in any directory, at any time, on any machine, so anyone can rebuild a tag and compare. Given a
certificate, a copy signed with Authenticode (osslsigncode) is written beside it; with its
signature removed, that copy is again the reproducible file, byte for byte, and this script
checks so before it finishes.

  dist/procsweep.exe         the reproducible, unsigned build
  dist/signed/procsweep.exe  the signed copy (only when a certificate is given)
  dist/SHA256SUMS            the SHA-256 of both, as `sha256sum -c` reads them
  dist/BUILDINFO             the commit and the toolchain it was built with

Signing is set by environment variables (make passes its variables of the same names):
  SIGN_PKCS12          a PKCS#12 file (.pfx/.p12) with the certificate chain and the key, or
  SIGN_CERT, SIGN_KEY  the certificate chain and the private key (PEM or DER)
  SIGN_PASSWORD        the password of the PKCS#12 file or of the key, or
  SIGN_PASSWORD_FILE   a file that holds it (kept off command lines and out of make's output)
  SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server; without one the signature ends with the
                       certificate's validity
A release is built from HEAD as committed; a working tree with changes or untracked files is
refused, since what it holds would not be in the build. ALLOW_DIRTY=1 builds HEAD anyway.

Options (for tests): --dist DIR writes there instead of dist/; --work DIR builds there (it must
not exist yet, and is left in place) instead of in a temporary directory; --worktree builds the
working tree's tracked files as they are instead of HEAD.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE_NAME = "procsweep.exe"
SIGNED_DIR = "signed"
SUMS_NAME = "SHA256SUMS"
BUILDINFO_NAME = "BUILDINFO"
CONFIGURE_OPTIONS = [
    "-G", "Ninja",
    "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake",
    "-DCMAKE_BUILD_TYPE=MinSizeRel",
    "-DPROCSWEEP_TESTS=OFF",
]
# CMake folds these into every compile and link line when it configures: a release engineer's
# shell must not change the bytes.
BUILD_ENV_DROPPED = ["CFLAGS", "CXXFLAGS", "CPPFLAGS", "LDFLAGS", "RCFLAGS", "CMAKE_BUILD_TYPE",
                     "CMAKE_GENERATOR", "CMAKE_TOOLCHAIN_FILE", "MAKEFLAGS"]
# The Debian packages whose files end up in procsweep.exe or decide how it is built.
TOOLCHAIN_PACKAGES = [
    "gcc-mingw-w64-x86-64-posix", "g++-mingw-w64-x86-64-posix",
    "gcc-mingw-w64-x86-64-posix-runtime", "binutils-mingw-w64-x86-64",
    "mingw-w64-x86-64-dev", "mingw-w64-common", "cmake", "ninja-build",
]


class ReleaseError(Exception):
    pass


def git(*args):
    result = subprocess.run(["git", "-C", SOURCE_DIR, *args], capture_output=True)
    if result.returncode != 0:
        raise ReleaseError(f"git {' '.join(args)} failed: {result.stderr.decode(errors='replace')}")
    return result.stdout


def run(command, **kwargs):
    result = subprocess.run(command, **kwargs)
    if result.returncode != 0:
        raise ReleaseError(f"{command[0]} {command[1] if len(command) > 1 else ''} failed "
                           f"with exit code {result.returncode}")
    return result


def export_head(destination):
    os.makedirs(destination)
    archive = git("archive", "--format=tar", "HEAD")
    run(["tar", "-x", "-C", destination], input=archive)


def copy_worktree(destination):
    # Tracked files only, as a release would have them: a new file that is not yet added fails
    # here as it would in the release, and a build directory outside .gitignore is not copied.
    os.makedirs(destination)
    listing = git("ls-files", "-z", "--cached")
    for relative in sorted(set(listing.decode().split("\0")) - {""}):
        source = os.path.join(SOURCE_DIR, relative)
        if not os.path.lexists(source):
            continue  # deleted in the working tree, not yet in the index
        target = os.path.join(destination, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(source, target, follow_symlinks=False)


def build_exe(source, jobs):
    env = {name: value for name, value in os.environ.items() if name not in BUILD_ENV_DROPPED}
    build = os.path.join(source, "build")
    run(["cmake", "-S", source, "-B", build, *CONFIGURE_OPTIONS], cwd=source, env=env,
        stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build, "--target", "procsweep", "-j", str(jobs)], cwd=source,
        env=env)
    return os.path.join(build, EXE_NAME)


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


def signing_key(env):
    """The osslsigncode options that name the certificate and key, or None to leave unsigned."""
    pkcs12, cert, key = env.get("SIGN_PKCS12"), env.get("SIGN_CERT"), env.get("SIGN_KEY")
    if pkcs12 and (cert or key):
        raise ReleaseError("give either SIGN_PKCS12 or SIGN_CERT and SIGN_KEY, not both")
    if pkcs12:
        return ["-pkcs12", pkcs12]
    if cert or key:
        if not (cert and key):
            raise ReleaseError("SIGN_CERT and SIGN_KEY go together")
        return ["-certs", cert, "-key", key]
    if env.get("SIGN_PASSWORD") or env.get("SIGN_PASSWORD_FILE") or env.get("SIGN_TIMESTAMP_URL"):
        raise ReleaseError("a signing password or time-stamp server without SIGN_PKCS12 or "
                           "SIGN_CERT and SIGN_KEY")
    return None


def sign(unsigned, signed, key_options, env, scratch):
    password_options = []
    if env.get("SIGN_PASSWORD") and env.get("SIGN_PASSWORD_FILE"):
        raise ReleaseError("give either SIGN_PASSWORD or SIGN_PASSWORD_FILE, not both")
    if env.get("SIGN_PASSWORD_FILE"):
        password_options = ["-readpass", env["SIGN_PASSWORD_FILE"]]
    elif env.get("SIGN_PASSWORD"):
        # Through a private file: a -pass argument would show in every process listing.
        password_file = os.path.join(scratch, "password")
        descriptor = os.open(password_file, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(descriptor, "w") as file:
            file.write(env["SIGN_PASSWORD"])
        password_options = ["-readpass", password_file]
    timestamp_options = []
    if env.get("SIGN_TIMESTAMP_URL"):
        timestamp_options = ["-ts", env["SIGN_TIMESTAMP_URL"]]
    else:
        print("release: warning: no SIGN_TIMESTAMP_URL; the signature stops being valid when "
              "the certificate expires", file=sys.stderr)
    os.makedirs(os.path.dirname(signed), exist_ok=True)
    run(["osslsigncode", "sign", *key_options, *password_options, *timestamp_options,
         "-h", "sha256", "-n", "procsweep", "-in", unsigned, "-out", signed],
        stdout=subprocess.DEVNULL)

    # The promise made to everyone who checks a signed copy: without its signature it is the
    # reproducible build.
    stripped = os.path.join(scratch, "stripped.exe")
    run(["osslsigncode", "remove-signature", "-in", signed, "-out", stripped],
        stdout=subprocess.DEVNULL)
    if sha256(stripped) != sha256(unsigned):
        raise ReleaseError(f"{signed} with its signature removed differs from {unsigned}")


def toolchain_versions():
    result = subprocess.run(
        ["dpkg-query", "-W", "-f", "${Package} ${Version}\\n", *TOOLCHAIN_PACKAGES],
        capture_output=True, text=True)
    lines = [line for line in result.stdout.splitlines() if line.strip()]
    if not lines:
        # Not a Debian system: the compiler and linker say what they are.
        for tool in ["x86_64-w64-mingw32-g++-posix", "x86_64-w64-mingw32-ld"]:
            version = subprocess.run([tool, "--version"], capture_output=True, text=True)
            lines.append(version.stdout.splitlines()[0] if version.stdout else f"{tool} ?")
    return lines


def remove_outputs(dist):
    for name in [EXE_NAME, SUMS_NAME, BUILDINFO_NAME]:
        path = os.path.join(dist, name)
        if os.path.lexists(path):
            os.remove(path)
    signed_dir = os.path.join(dist, SIGNED_DIR)
    if os.path.isdir(signed_dir):
        shutil.rmtree(signed_dir)


def build_outputs(arguments, source_label, key_options, env, work, dist):
    source = os.path.join(work, "procsweep")
    print(f"release: building {source_label} in {source}")
    (copy_worktree if arguments.worktree else export_head)(source)
    built = build_exe(source, arguments.jobs)

    unsigned = os.path.join(dist, EXE_NAME)
    shutil.copyfile(built, unsigned)
    outputs = [EXE_NAME]
    if key_options:
        signed_name = f"{SIGNED_DIR}/{EXE_NAME}"
        # Private and short-lived, wherever the build itself is kept: it may hold the password.
        with tempfile.TemporaryDirectory(prefix="procsweep-sign-") as scratch:
            sign(unsigned, os.path.join(dist, signed_name), key_options, env, scratch)
        outputs.append(signed_name)

    sums = "".join(f"{sha256(os.path.join(dist, name))}  {name}\n" for name in outputs)
    with open(os.path.join(dist, SUMS_NAME), "w") as file:
        file.write(sums)
    buildinfo = [
        f"procsweep.exe built from {source_label}",
        "cmake " + " ".join(CONFIGURE_OPTIONS) + "; cmake --build --target procsweep",
        "toolchain:",
        *("  " + line for line in toolchain_versions()),
    ]
    with open(os.path.join(dist, BUILDINFO_NAME), "w") as file:
        file.write("\n".join(buildinfo) + "\n")
    return sums


def release(arguments):
    """Builds the release into arguments.dist; returns the commit it was built from (with
    --worktree, the commit whose working tree it was)."""
    env = os.environ
    key_options = signing_key(env)
    commit = git("rev-parse", "HEAD").decode().strip()
    described = git("describe", "--tags", "--always", "--dirty").decode().strip()
    changes = git("status", "--porcelain", "--untracked-files=normal").decode()

    if arguments.worktree:
        source_label = f"the working tree of {commit} ({described}), not a release"
    else:
        source_label = f"commit {commit} ({described.removesuffix('-dirty')})"
        if changes:
            if env.get("ALLOW_DIRTY") != "1":
                raise ReleaseError(
                    "the working tree has changes or untracked files, and a release is built "
                    "from HEAD as committed:\n" + changes +
                    "commit or stash them (or set ALLOW_DIRTY=1 to build HEAD without them)")
            print("release: warning: building HEAD; the working tree's changes are not in it",
                  file=sys.stderr)

    if arguments.work:
        work = os.path.abspath(arguments.work)
        if os.path.exists(work):
            raise ReleaseError(f"{work} exists already")
        os.makedirs(work)
    else:
        work = tempfile.mkdtemp(prefix="procsweep-release-")
    try:
        # Neither the previous release's files nor half of a failed run may pass for this run's.
        dist = os.path.abspath(arguments.dist)
        os.makedirs(dist, exist_ok=True)
        remove_outputs(dist)

        try:
            sums = build_outputs(arguments, source_label, key_options, env, work, dist)
        except ReleaseError:
            remove_outputs(dist)
            raise
    finally:
        if not arguments.work:
            shutil.rmtree(work, ignore_errors=True)

    print(f"release: {dist}/{SUMS_NAME}")
    print(sums, end="")
    return commit


def argument_parser(description):
    """The options of a release build; make package's script takes them too."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--dist", default=os.path.join(SOURCE_DIR, "dist"))
    parser.add_argument("--work")
    parser.add_argument("--worktree", action="store_true")
    parser.add_argument("--jobs", type=int, default=2)
    return parser


def main():
    arguments = argument_parser(__doc__.splitlines()[0]).parse_args()
    try:
        release(arguments)
    except ReleaseError as error:
        print(f"release: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
