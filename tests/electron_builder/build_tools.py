"""The two programs electron-builder starts while it builds an NSIS installer, as the
electron-builder entry gives them to it (python3 build_tools.py COMMAND ...):

  makensis ...   Debian's makensis, run with electron-builder's arguments and script (read from
                 standard input), each run recorded in a folder of its own below
                 PROCSWEEP_MAKENSIS_RECORD: args.json, script.nsi and output.txt. electron-builder
                 deletes the files its script includes from the temporary folder once it has
                 built; the record keeps copies, and script.nsi names those. The tests read
                 the records: the script header electron-builder wrote before its templates,
                 its arguments and what makensis said.

  uninstaller-writer INSTALLER
                 Stands in for the one 32-bit step of electron-builder's build, on a machine that
                 runs no 32-bit program: electron-builder runs (with `wine`) the installer it has
                 just built with BUILD_UNINSTALLER, whose only work is to write the uninstaller to
                 "<INSTALLER without exe>__uninstaller.exe"; this writes a placeholder there
                 instead. The installer electron-builder then builds carries that placeholder and
                 is never run.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

PLACEHOLDER = (b"Not an uninstaller: written in place of electron-builder's, on a machine that "
               b"cannot run the 32-bit program that writes it.\r\n")


def is_electron_builders_temporary_file(path):
    """Whether an included path is one of the files electron-builder writes for a build and
    deletes afterwards: an absolute path in a folder "t-..." of its temporary folder (temp-file's
    mkdtemp in APP_BUILDER_TMP_DIR, or the system's). A checkout below the system's temporary
    folder holds electron-builder's templates there too, and makensis reads relative includes
    from the templates' folder: neither is one."""
    if not os.path.isabs(path):
        return False
    temporary = os.path.realpath(os.environ.get("APP_BUILDER_TMP_DIR") or tempfile.gettempdir())
    relative = os.path.relpath(os.path.realpath(path), temporary)
    first = relative.split(os.sep)[0]
    return first.startswith("t-") and first != relative and os.path.isfile(path)


def record_makensis(args):
    record = os.environ["PROCSWEEP_MAKENSIS_RECORD"]
    os.makedirs(record, exist_ok=True)
    folder = os.path.join(record, str(len(os.listdir(record))))
    os.makedirs(folder)
    script = sys.stdin.buffer.read()
    with open(os.path.join(folder, "args.json"), "w") as f:
        json.dump(args, f, indent=1)
    included = os.path.join(folder, "included")

    def keep(match):
        path = match.group(2).decode()
        if not is_electron_builders_temporary_file(path):
            return match.group(0)
        os.makedirs(included, exist_ok=True)
        copy = os.path.join(included, os.path.basename(path))
        shutil.copy(path, copy)
        return match.group(1) + copy.encode() + match.group(3)

    with open(os.path.join(folder, "script.nsi"), "wb") as f:
        f.write(re.sub(rb'^(\s*!include\s+")([^"]+)(")', keep, script, flags=re.M))
    completed = subprocess.run([os.environ["PROCSWEEP_MAKENSIS"], *args], input=script,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    with open(os.path.join(folder, "output.txt"), "wb") as f:
        f.write(completed.stdout)
    sys.stdout.buffer.write(completed.stdout)
    return completed.returncode


def write_placeholder_uninstaller(installer):
    # electron-builder's name for it: path.basename(installer, "exe") keeps the dot.
    assert installer.endswith(".exe"), installer
    with open(installer[:-len("exe")] + "__uninstaller.exe", "wb") as f:
        f.write(PLACEHOLDER)
    return 0


def main(argv):
    command, *args = argv
    if command == "makensis":
        return record_makensis(args)
    if command == "uninstaller-writer" and len(args) == 1:
        return write_placeholder_uninstaller(args[0])
    print(f"build_tools.py: unknown command line {argv}", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
