"""The MSI example's packages, built as docs/windows-installer.md says: example.wxs beside the npm
package's procsweep.wxi, procsweep-wixl and procsweep.exe and the application's files in app/,
built with the guide's procsweep-wixl command line, one package per version. And how a test
runs msiexec and reads what Windows Installer recorded (the registered products, the files left
for the next start)."""

import collections
import os
import re
import shutil
import subprocess
import tempfile

from tests.e2e.harness import FIXTURE_APP, PROCSWEEP_EXE
from tests.installers import guide
from tests.installers.reports import batch_text, run_quietly
from tools.windows_programs import (MARKER, NODE, SOURCE_DIR, command, linux_path, run,
                                    win_path)

APP_NAME = "Example App"
MAIN_EXE = "Example App.exe"
MANUFACTURER = "Example"
EXAMPLE = os.path.join(SOURCE_DIR, "integration", "msi", "example.wxs")
INCLUDE = os.path.join(SOURCE_DIR, "package", "procsweep.wxi")
INCLUDE_LINE = "<?include procsweep.wxi ?>"
WIX_NAMESPACE = "{http://schemas.microsoft.com/wix/2006/wi}"
# The version in the guide's command line; the other versions are built with it replaced.
GUIDE_VERSION = "1.0.0"
# The command that builds a package with wixl (the npm package's), as the guide prints it.
WIXL_COMMAND = "./procsweep-wixl"
WIXL_SCRIPT = os.path.join(SOURCE_DIR, "package", "procsweep-wixl")

Package = collections.namedtuple("Package", "path version product_code")


def payload_bytes(version):
    """Each file of the application in `version`. An executable carries the version after its
    image, where the loader never looks, so each version's files differ and run alike."""
    with open(FIXTURE_APP, "rb") as f:
        program = f.read()
    stamp = f"\0{APP_NAME} {version}".encode()
    return {MAIN_EXE: program + stamp, NODE: program + stamp, MARKER: b"asar " + version.encode()}


def lay_out_payload(folder, version):
    for relative, content in payload_bytes(version).items():
        path = linux_path(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)


def msi_table(msi, table):
    """The rows of one table of a package, each a dict of its columns."""
    exported = subprocess.run(["msiinfo", "export", msi, table], check=True,
                              stdout=subprocess.PIPE, timeout=60).stdout.decode()
    # msiinfo writes an IDT file: column names, column types, the table's name and keys, rows.
    lines = exported.replace("\r\n", "\n").split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def lay_out_source(folder, version, with_include=True, include=INCLUDE):
    """The example's folder as the guide describes it: example.wxs (without its include line,
    the same package as an author would have it before adding procsweep), the include,
    procsweep-wixl, procsweep.exe and the application's files of `version` in app/."""
    os.makedirs(folder, exist_ok=True)
    with open(EXAMPLE, encoding="utf-8") as f:
        example = f.read()
    if not with_include:
        if INCLUDE_LINE not in example:
            raise AssertionError(f"{EXAMPLE} has no line {INCLUDE_LINE}")
        example = example.replace(INCLUDE_LINE, "")
    with open(os.path.join(folder, "example.wxs"), "w", encoding="utf-8") as f:
        f.write(example)
    shutil.copy(include, os.path.join(folder, "procsweep.wxi"))
    shutil.copy(WIXL_SCRIPT, folder)
    shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep.exe"))
    lay_out_payload(os.path.join(folder, "app"), version)


def build_command(version):
    """The guide's build command for `version`, as a list of words."""
    return [word.replace(GUIDE_VERSION, version) for word in guide.build_command(WIXL_COMMAND)]


def build(folder, version, with_include=True):
    """The example built in `folder` with the guide's command, for `version`; without its
    include line, with wixl itself, as an author builds a package before adding procsweep."""
    lay_out_source(folder, version, with_include)
    words = build_command(version)
    if not with_include:
        words[0] = "wixl"
    output = run_quietly(words, cwd=folder)
    # What the command says it did; anything else wixl says is something of the example that it
    # did not build (an attribute it ignores, say): the package would not be what the source
    # describes.
    unexpected = [line for line in output.splitlines()
                  if line.strip() and not line.startswith("procsweep-wixl: added ")]
    if unexpected:
        raise AssertionError(f"{words} said:\n" + "\n".join(unexpected))
    msi = os.path.join(folder, words[words.index("-o") + 1])
    product_code = {row["Property"]: row["Value"]
                    for row in msi_table(msi, "Property")}["ProductCode"]
    return Package(msi, version, product_code)


class Run:
    """One run of msiexec: its exit code as Windows gives it, the tool's event lines (the file
    that PROCSWEEPLOG names), and Windows Installer's own log."""

    def __init__(self, line, code, events, log):
        self.line = line
        self.code = code
        self.events = events
        self.log = log

    def log_lines(self):
        """Windows Installer's log, as lines."""
        try:
            with open(self.log, "rb") as f:
                return f.read().decode("utf-8", errors="replace").splitlines()
        except FileNotFoundError:
            return []

    def __repr__(self):
        # The parts of Windows Installer's log that say what ran and how it ended.
        wanted = re.compile(r"Procsweep|Return value 3|[Ee]rror|UILevel|INSTALLDIR|PROCSWEEP")
        return (f"msiexec {self.line}\n  exit code {self.code}\n  events:\n    " +
                "\n    ".join(self.events) + "\n  Windows Installer's log:\n    " +
                "\n    ".join(line for line in self.log_lines() if wanted.search(line)))


def read_utf16_lines(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-16-le").split("\r\n")[:-1]


# The msiexec that installs a 64-bit package, wherever the batch file runs. On Windows the
# installation itself is done by the 64-bit Windows Installer service, whichever msiexec asks
# for it; Wine's msiexec does it in its own process. Once 32-bit Wine is installed, the `wine`
# on PATH starts the 32-bit cmd.exe, whose System32 is the 32-bit one: from there the 64-bit
# msiexec is reached through Sysnative, which a 64-bit cmd.exe does not have.
FIND_MSIEXEC = (
    "set msiexec=%SystemRoot%\\System32\\msiexec.exe\r\n"
    'if exist "%SystemRoot%\\Sysnative\\msiexec.exe" '
    "set msiexec=%SystemRoot%\\Sysnative\\msiexec.exe\r\n")


def run_msiexec(batch, line, code, cwd=None):
    """Runs the 64-bit msiexec with the command line `line` (msiexec reads it itself, so it is
    written as it is into the batch file `batch`), in the folder `cwd`, and returns its exit
    code, which `code`, a file, keeps."""
    with open(batch, "wb") as f:
        f.write((batch_text(f'{FIND_MSIEXEC}"%msiexec%" {line}', code) + "exit /b 0\r\n")
                .encode())
    run_quietly(command("cmd", "/c", win_path(batch)), cwd=cwd)
    with open(code) as f:
        return int(f.read().strip())


def msiexec(test, arguments):
    """Runs msiexec with `arguments`, the rest of its command line, with PROCSWEEPLOG naming a
    fresh, empty file."""
    number = len(os.listdir(test.work))
    events = test.file(f"procsweep-{number}.log")
    log = os.path.join(test.work, f"msiexec-{number}.log")
    line = f'{arguments} PROCSWEEPLOG="{win_path(events)}" /l*v "{win_path(log)}"'
    code = run_msiexec(os.path.join(test.work, f"msiexec-{number}.bat"), line,
                       os.path.join(test.work, f"msiexec-{number}.code"))
    return Run(line, code, read_utf16_lines(events), log)


# The 64-bit view of the registry, where Windows Installer records a 64-bit package (its
# products, the example's RegistryValue with Win64="yes"). Named on every reg command line: a
# 32-bit reg.exe, which the `wine` on PATH starts once 32-bit Wine is installed, would otherwise
# read the 32-bit view (Wow6432Node), find no product of the example, and the tests would leave
# each installation behind for the next, whose AppSearch then finds the earlier folder.
REGISTRY_VIEW = "/reg:64"


def reg_query(*arguments):
    """reg query's output, or "" where the key or value does not exist."""
    completed = run("reg", "query", *arguments, REGISTRY_VIEW, stdout=subprocess.PIPE,
                    stderr=subprocess.DEVNULL, timeout=120)
    return completed.stdout.decode(errors="replace") if completed.returncode == 0 else ""


UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"


def registered_products():
    """The example's products that Windows Installer has registered: product code to version."""
    products, current = {}, None
    for line in reg_query(UNINSTALL_KEY, "/s").splitlines():
        if line.startswith("HKEY_"):
            current = products.setdefault(line.rsplit("\\", 1)[1], {})
        elif current is not None and line.startswith("    "):
            parts = line.strip().split(None, 2)
            current[parts[0]] = parts[2] if len(parts) == 3 else ""
    return {code: values.get("DisplayVersion") for code, values in products.items()
            if values.get("DisplayName") == APP_NAME and values.get("Publisher") == MANUFACTURER
            and values.get("WindowsInstaller") == "0x1"}


SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"
PENDING = "PendingFileRenameOperations"


def left_for_the_next_start():
    """The files that Windows is to replace or delete when it next starts ("\\??\\" paths)."""
    listed = reg_query(SESSION_MANAGER, "/v", PENDING)
    # reg query prints the list's strings on one line, joined by "\0".
    return {name for name in re.split(r"\\0|\s{4}|\r?\n", listed) if name.startswith("\\??\\")}


def below(names, folder):
    """Those of these "\\??\\" paths that lie below `folder`."""
    prefix = "\\??\\" + win_path(folder).lower() + "\\"
    return sorted(name for name in names if name.lower().startswith(prefix))


def forget(folder):
    """Removes every registered product of the example (msiexec /x), and Windows' list of files
    to replace at the next start when all of them lie below `folder`, the tests' own.

    The include's actions are skipped as in an upgrade's removal of the earlier version
    (UPGRADINGPRODUCTCODE): what the test started has ended, and an installation the tool
    cannot read (a test's answer 2) must go all the same."""
    with tempfile.TemporaryDirectory(dir=folder) as scratch:
        for product_code in registered_products():
            run_msiexec(os.path.join(scratch, "forget.bat"),
                        f"/x {product_code} /qn UPGRADINGPRODUCTCODE={product_code}",
                        os.path.join(scratch, "forget.code"))
    names = left_for_the_next_start()
    if names and len(below(names, folder)) == len(names):
        run("reg", "delete", SESSION_MANAGER, "/v", PENDING, "/f", REGISTRY_VIEW,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
