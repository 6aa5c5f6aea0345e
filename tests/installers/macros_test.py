"""procsweep.nsh's macros, each in a small installer of its own run silently under Wine: what a
script sees of them besides the tool's work. Every register a script had before a macro it has
after it; a tool this Windows cannot run at all is told apart from one that fails to start.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import os
import shutil
import struct
import unittest

from tests.e2e.harness import PROCSWEEP_EXE, E2ETestCase, Installation
from tests.installers.installers_test import MAIN_EXE, build_script
from tests.installers.reports import (NewReport, report_names, run_quietly,
                                      windows_temp_folder)
from tools.windows_programs import SOURCE_DIR, command, linux_path, win_path

INCLUDE = os.path.join(SOURCE_DIR, "package", "procsweep.nsh")
REGISTERS = [f"${n}" for n in range(10)] + [f"$R{n}" for n in range(10)]

# Each macro as a script uses it; the report is started first, in every script.
USES = {
    "ProcsweepExtract": '!insertmacro ProcsweepExtract "$EXEDIR\\report.log"',
    "ProcsweepRun": "!insertmacro ProcsweepRun probe",
    "ProcsweepRunIn": '!insertmacro ProcsweepRunIn probe "$INSTDIR"',
    "ProcsweepCloseAndWait": "!insertmacro ProcsweepCloseAndWait 500",
    "ProcsweepForEachEvent": "!insertmacro ProcsweepForEachEvent CountEvent",
    "ProcsweepNote": '!insertmacro ProcsweepNote "a note"',
    "ProcsweepKeepReport": '!insertmacro ProcsweepKeepReport "kept.log"',
}


def script(lines, root):
    """An installer that runs `lines` (after ProcsweepExtract) on the installation at `root`
    and writes "<name> <value>" lines to out.txt beside itself: every register, the events its
    CountEvent function was called for, and $ProcsweepExitCode where a run set it."""
    return ["Unicode true", "SilentInstall silent",
            '!define PROCSWEEP_EXE "procsweep.exe"',
            f'!define PROCSWEEP_MAIN_EXE "{MAIN_EXE}"',
            '!include "procsweep.nsh"',
            "Var /GLOBAL events",
            "Var /GLOBAL out",
            *(["Function CountEvent", "  IntOp $events $events + 1", "FunctionEnd"]
              if any("ForEachEvent" in line for line in lines) else []),
            "Section",
            "  StrCpy $events 0",
            f'  StrCpy $INSTDIR "{win_path(root)}"',
            f"  {USES['ProcsweepExtract']}",
            *[f'  StrCpy {register} "before {register[1:]}"' for register in REGISTERS],
            *[f"  {line}" for line in lines],
            '  FileOpen $out "$EXEDIR\\out.txt" w',
            *[f'  FileWrite $out "{register[1:]} {register}$\\r$\\n"' for register in REGISTERS],
            '  FileWrite $out "events $events$\\r$\\n"',
            *(['  FileWrite $out "exit-code $ProcsweepExitCode$\\r$\\n"']
              if any("Run" in line or "Wait" in line for line in lines) else []),
            "  FileClose $out",
            "SectionEnd"]


def build_and_run(test, name, lines, root, tool=PROCSWEEP_EXE):
    """Builds the script of `lines` in a folder of the test's own, with `tool` as procsweep.exe,
    runs it silently and returns what it wrote."""
    folder = test.folder(name)
    shutil.copy(INCLUDE, folder)
    shutil.copy(tool, os.path.join(folder, "procsweep.exe"))
    installer = build_script(folder, name, script(lines, root))
    run_quietly(command(installer))
    with open(os.path.join(folder, "out.txt"), encoding="utf-8") as f:
        return dict(line.split(" ", 1) for line in f.read().splitlines())


class MacrosTest(E2ETestCase):
    def test_every_macro_gives_back_every_register(self):
        # The application runs, so that every run has an event and ForEachEvent calls back.
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        self.start(linux_path(root, MAIN_EXE))
        for macro, use in USES.items():
            with self.subTest(macro=macro):
                lines = [use]
                if macro == "ProcsweepForEachEvent":
                    lines.insert(0, USES["ProcsweepRun"])
                out = build_and_run(self, macro, lines, root)
                self.assertEqual({register: out[register[1:]] for register in REGISTERS},
                                 {register: f"before {register[1:]}" for register in REGISTERS})
                if macro == "ProcsweepForEachEvent":
                    self.assertEqual(out["events"], "1", out)

    def test_a_tool_this_windows_cannot_run_is_unsupported_not_an_error(self):
        # 32-bit Windows cannot start an x64 program (ERROR_EXE_MACHINE_TYPE_MISMATCH), nor can
        # Windows 10 on ARM; a program for another machine stands in for that here: the tool
        # with its header's machine changed to ARM64, which Wine 8 on x64 refuses with
        # ERROR_BAD_EXE_FORMAT, as those Windows refuse an x64 one.
        with open(PROCSWEEP_EXE, "rb") as f:
            image = bytearray(f.read())
        header = struct.unpack_from("<I", image, 0x3C)[0]
        struct.pack_into("<H", image, header + 4, 0xAA64)
        foreign = self.file("arm64", "procsweep.exe", content=bytes(image))
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        out = build_and_run(self, "foreign", [USES["ProcsweepRun"]], root, tool=foreign)
        self.assertEqual(out["exit-code"], "unsupported")
        # A tool that cannot be started for any other reason stays an error: here its file is
        # gone by the time it is started.
        lines = ['Delete "$PLUGINSDIR\\procsweep.exe"', USES["ProcsweepRun"]]
        out = build_and_run(self, "gone", lines, root)
        self.assertEqual(out["exit-code"], "error")


class KeepReportTest(E2ETestCase):
    def test_a_name_taken_in_that_second_gives_the_next_one_and_is_left_as_it_was(self):
        # Another run in the same second took the report's name (as the runs of a test do, one
        # right after the other): the copy goes to the next name, " 2" after the time, and the
        # file at the first name keeps its bytes. Under Wine every program runs elevated: the
        # copy is in %WINDIR%\Temp.
        kept = windows_temp_folder("%WINDIR%\\Temp")
        taken = [os.path.join(kept, name) for name in report_names("kept.log", 120, counts=())]
        for path in taken:
            if not os.path.exists(path):
                with open(path, "wb") as f:
                    f.write(b"another run's")
                self.addCleanup(os.remove, path)
        report = NewReport(kept, "kept.log")
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        build_and_run(self, "keep", [USES["ProcsweepRun"], USES["ProcsweepKeepReport"]], root)
        self.assertRegex(os.path.basename(report.path()), r"^kept \d{8}-\d{6} 2\.log$")
        with open(report.path(), "rb") as f:
            self.assertIn("exit code 0".encode("utf-16-le"), f.read())
        for path in taken:
            with open(path, "rb") as f:
                self.assertEqual(f.read(), b"another run's", path)


if __name__ == "__main__":
    unittest.main()
