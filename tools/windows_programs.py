"""How this project starts a Windows program, and where an installation's executables lie.

The tests, the benchmarks and the demo all start procsweep.exe and the programs around it
through this module. On Linux a program runs under Wine through tools/wine-run (the project's
private prefix, address-space randomisation off); on Windows it is started directly.

The relative paths of the helper executables are the tool's own list (src/targets/target_list.h)
seen from outside: a test that finds them wrong here fails against the tool.

Environment: PROCSWEEP_SOURCE_DIR and PROCSWEEP_BUILD_DIR, when the checkout or its build lie
elsewhere than this file says (CTest sets both).
"""

import os
import subprocess

# CMake hands paths over with forward slashes, on Windows too; the tool reports backslashes.
SOURCE_DIR = os.path.normpath(os.environ.get(
    "PROCSWEEP_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
BUILD_DIR = os.path.normpath(os.environ.get("PROCSWEEP_BUILD_DIR",
                                            os.path.join(SOURCE_DIR, "build")))

UNDER_WINE = os.name != "nt"
WINE_RUN = os.path.join(SOURCE_DIR, "tools", "wine-run")
# What a Windows program is started through: tools/wine-run on Linux, nothing on Windows.
RUNNER = [WINE_RUN] if UNDER_WINE else []

# Below the installation directory: the archive whose presence marks an installation, and the
# four helper executables, in the order the tool tries them.
MARKER = "resources\\app.asar"
HELPERS = [
    "resources\\runtime\\node\\node.exe",
    "resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    "resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    "resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
]
NODE, FFMPEG, ESBUILD, RECHECK = HELPERS
HELPER_NAMES = [helper.rsplit("\\", 1)[1] for helper in HELPERS]


def environment(prefix=None, **extra):
    """The environment a Windows program gets: under Wine, a UTF-8 locale (Wine reads the
    Linux command line and file names as UTF-8 only under one) and the prefix, the build
    directory's own unless `prefix` or WINEPREFIX names another."""
    env = dict(os.environ, **extra)
    if UNDER_WINE:
        env["LC_ALL"] = "C.UTF-8"
        if prefix is not None:
            env["WINEPREFIX"] = prefix
        env.setdefault("WINEPREFIX", os.path.join(BUILD_DIR, "wineprefix"))
    return env


ENV = environment()


def command(program, *args):
    """The command line that starts `program` (a path, or a program of the system such as
    "cmd") with `args`."""
    return [*RUNNER, program, *args]


def start(program, *args, env=None, **popen):
    """Starts a Windows program and returns its Popen; standard input is closed unless
    `popen` says otherwise."""
    popen.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.Popen(command(program, *args), env=env or ENV, **popen)


def run(program, *args, env=None, **options):
    """Runs a Windows program to its end and returns its CompletedProcess; standard input is
    closed unless `options` says otherwise."""
    options.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run(command(program, *args), env=env or ENV, **options)


def end_all(env=None, timeout=120):
    """Under Wine, ends every program of the prefix and waits for its server to go."""
    if not UNDER_WINE:
        return
    for server in (["-k"], ["-w"]):
        subprocess.run([WINE_RUN, "--server", *server], env=env or ENV, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)


def wait_for_server(env=None, timeout=120):
    """Under Wine, waits until the prefix's server has ended by itself (it does once only its
    own services are left)."""
    if not UNDER_WINE:
        return
    try:
        subprocess.run([WINE_RUN, "--server", "-w"], env=env or ENV, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    except (OSError, subprocess.TimeoutExpired):
        pass


def runs_32_bit_programs():
    """Whether 32-bit Windows programs (NSIS's default installers, Inno Setup's compiler and
    setups) run here. Windows runs them on every 64-bit edition. Under Wine they need 32-bit
    Wine: the machine's own wine32 where the kernel runs 32-bit code (some machines' kernels do
    not: their IA-32 emulation is off), or the one tools/wine32-emulated.sh prepares to run
    under QEMU's emulation; tools/wine-run knows which it uses."""
    if not UNDER_WINE:
        return True
    try:
        return subprocess.run([WINE_RUN, "--runs-32-bit"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


NO_32_BIT_PROGRAMS = ("this machine cannot run 32-bit Windows programs (no 32-bit Wine: neither "
                      "wine32 on a kernel that runs 32-bit code nor the emulated one of "
                      "tools/wine32-emulated.sh)")


def win_path(linux_path):
    """The Windows path under which Wine shows a Linux path (drive Z: is the Linux root); on
    Windows the path itself, with backslashes."""
    if not UNDER_WINE:
        return os.path.normpath(linux_path)
    assert linux_path.startswith("/"), linux_path
    return "Z:" + linux_path.replace("/", "\\")


def final_path(linux_path):
    """What the system reports as the final path of a path without links."""
    return "\\\\?\\" + win_path(linux_path)


def linux_path(root, relative):
    """The local path of `relative` (backslash-separated, as the tool names it) below `root`."""
    return os.path.join(root, *relative.split("\\"))
