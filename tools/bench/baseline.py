"""The procsweep.exe of another commit, to compare with (--baseline COMMIT): built once from that
commit's sources, with the same compilers, into <build directory>/bench-baseline."""

import os
import shutil
import subprocess
from dataclasses import dataclass

from tools.windows_programs import SOURCE_DIR

BUILD_TIMEOUT_S = 900


@dataclass
class Baseline:
    commit: str      # as given
    exe: str = None  # the built procsweep.exe, or None when it cannot be had ...
    missing: str = None  # ... and then why

    @property
    def name(self):
        return f"the procsweep.exe of commit {self.commit[:7]}"


def build_baseline(build_dir, commit):
    """Builds procsweep.exe of `commit` into <build_dir>/bench-baseline, unless that is the commit
    built there last."""
    baseline = Baseline(commit)
    directory = os.path.join(build_dir, "bench-baseline")
    exe = os.path.join(directory, "build", "procsweep.exe")
    marker = os.path.join(directory, "commit")
    try:
        with open(marker, encoding="utf-8") as f:
            if f.read() == commit and os.path.isfile(exe):
                baseline.exe = exe
                return baseline
    except OSError:
        pass
    known = subprocess.run(["git", "-C", SOURCE_DIR, "cat-file", "-e", commit + "^{commit}"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if known.returncode != 0:
        baseline.missing = (f"commit {commit} is not in this clone (a shallow clone or a copy "
                            "without history)")
        return baseline
    shutil.rmtree(directory, ignore_errors=True)
    sources = os.path.join(directory, "src")
    os.makedirs(sources)
    archive = subprocess.run(["git", "-C", SOURCE_DIR, "archive", commit],
                             stdout=subprocess.PIPE, check=True).stdout
    subprocess.run(["tar", "-x", "-C", sources], input=archive, check=True)
    build = os.path.join(directory, "build")
    print(f"Building procsweep.exe of {commit[:7]} in {build}", flush=True)
    for command in (
            ["cmake", "-S", sources, "-B", build, "-G", "Ninja", "-DPROCSWEEP_TESTS=OFF",
             "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(sources, "cmake", "mingw-w64-posix.cmake")],
            ["cmake", "--build", build, "--target", "procsweep"]):
        subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True,
                       timeout=BUILD_TIMEOUT_S)
    with open(marker, "w", encoding="utf-8") as f:
        f.write(commit)
    baseline.exe = exe
    return baseline
