"""procsweep.nsh's macros, each in a small installer of its own run silently under Wine: what a
script sees of them besides the tool's work. Every register a script had before a macro it has
after it; a tool this Windows cannot run at all is told apart from one that fails to start.

Environment (set by CTest): PROCSWEEP_EXE, FIXTURE_APP, PROCSWEEP_SOURCE_DIR, PROCSWEEP_BUILD_DIR.
"""

import os
import shutil
import struct
import unittest

from tests.e2e.harness import (HOLDERS_STAND_IN, PROCSWEEP_EXE, E2ETestCase, Installation,
                               map_drive, stand_in_holders)
from tests.installers.installers_test import MAIN_EXE, RUNS_32_BIT_PROGRAMS, build_script
from tests.installers.reports import (NewReport, batch_file, report_names, run_quietly,
                                      windows_temp_folder)
from tools.windows_programs import (BUILD_DIR, NO_32_BIT_PROGRAMS, SOURCE_DIR, command,
                                    environment, linux_path, win_path)

INCLUDE = os.path.join(SOURCE_DIR, "package", "procsweep.nsh")
REGISTERS = [f"${n}" for n in range(10)] + [f"$R{n}" for n in range(10)]
# A Wine prefix made for 32-bit Windows.
WIN32_PREFIX = os.path.join(BUILD_DIR, "wineprefix-win32")

# Each macro as a script uses it; the report is started first, in every script.
USES = {
    "ProcsweepExtract": '!insertmacro ProcsweepExtract "$EXEDIR\\report.log"',
    "ProcsweepRun": "!insertmacro ProcsweepRun probe",
    "ProcsweepRunIn": '!insertmacro ProcsweepRunIn probe "$INSTDIR"',
    "ProcsweepCloseAndWait": "!insertmacro ProcsweepCloseAndWait 500",
    "ProcsweepForEachEvent": "!insertmacro ProcsweepForEachEvent CountEvent",
    "ProcsweepNote": '!insertmacro ProcsweepNote "a note"',
    "ProcsweepHolders": "!insertmacro ProcsweepHolders",
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
            *(['  FileWrite $out "holders $ProcsweepHolders$\\r$\\n"']
              if any("Holders" in line for line in lines) else []),
            *(['  FileWrite $out "exit-code $ProcsweepExitCode$\\r$\\n"',
               '  FileWrite $out "error $ProcsweepError$\\r$\\n"']
              if any(word in line for line in lines for word in ["Run", "Wait", "Holders"])
              else []),
            "  FileClose $out",
            "SectionEnd"]


def build_and_run(test, name, lines, root, tool=PROCSWEEP_EXE, env=None):
    """Builds the script of `lines` in a folder of the test's own, with `tool` as procsweep.exe,
    runs it silently (in the Wine prefix of `env`, when given) and returns what it wrote."""
    folder = test.folder(name)
    shutil.copy(INCLUDE, folder)
    shutil.copy(tool, os.path.join(folder, "procsweep.exe"))
    installer = build_script(folder, name, script(lines, root))
    run_quietly(command(installer), env=env)
    with open(os.path.join(folder, "out.txt"), encoding="utf-8") as f:
        return dict(line.split(" ", 1) for line in f.read().splitlines())


def read_report(folder):
    """The lines of the report a script of build_and_run started beside itself."""
    with open(os.path.join(folder, "report.log"), "rb") as f:
        return f.read().decode("utf-16").splitlines()


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

    def test_a_tool_that_cannot_start_on_x64_windows_is_an_error_with_its_cause(self):
        # x64 Windows runs x64 programs: whatever else keeps the tool from starting is an error,
        # never "this Windows cannot run it", which would skip the check while the application
        # runs. A damaged procsweep.exe gives ERROR_BAD_EXE_FORMAT, the error Windows 10 on ARM
        # gives for a sound one; the report names the call that failed and its error.
        with open(PROCSWEEP_EXE, "rb") as f:
            image = f.read()
        arm64 = bytearray(image)
        struct.pack_into("<H", arm64, struct.unpack_from("<I", image, 0x3C)[0] + 4, 0xAA64)
        tools = {"empty": b"", "truncated": image[:4096], "zeroed": bytes(len(image)),
                 "text": b"procsweep.exe\r\n", "for ARM64": bytes(arm64)}
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        for name, content in tools.items():
            with self.subTest(tool=name):
                tool = self.file(name, "procsweep.exe", content=content)
                folder = f"damaged-{len(os.listdir(self.work))}"
                out = build_and_run(self, folder, [USES["ProcsweepRun"]], root, tool=tool)
                self.assertEqual(out["exit-code"], "error", out)
                self.assertNotEqual(out["error"], "0", out)
                self.assertEqual(read_report(self.folder(folder))[-1],
                                 f"exit code error (CreateProcess {out['error']})")
        # A tool whose file is gone by the time it is started.
        lines = ['Delete "$PLUGINSDIR\\procsweep.exe"', USES["ProcsweepRun"]]
        out = build_and_run(self, "gone", lines, root)
        self.assertEqual((out["exit-code"], out["error"]), ("error", "2"))
        self.assertEqual(read_report(self.folder("gone"))[-1], "exit code error (CreateProcess 2)")

    def test_the_holders_are_left_as_text_for_a_message(self):
        # Wine's Restart Manager names no holder: the real tool leaves "". Where it names some
        # (the holders' stand-in in the tool's place, the real tool for every other mode), a
        # line each. "$\r$\n" between them reads back as one out.txt line per holder.
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        out = build_and_run(self, "real", [USES["ProcsweepHolders"]], root)
        self.assertEqual((out["holders"], out["exit-code"]), ("", "0"))
        stand_in_holders(self, (0, 4242, "Code Editor"), (0, 77, "Backup Agent"))
        folder = self.folder("stand-in-run")
        shutil.copy(INCLUDE, folder)
        shutil.copy(HOLDERS_STAND_IN, os.path.join(folder, "procsweep.exe"))
        installer = build_script(folder, "holders", script([USES["ProcsweepHolders"]], root))
        run_quietly(command(installer))
        with open(os.path.join(folder, "out.txt"), "rb") as f:
            self.assertIn(b"\r\nholders Code Editor (PID 4242)\r\nBackup Agent (PID 77)\r\n",
                          f.read())

    def test_on_32_bit_windows_the_x64_tool_is_unsupported(self):
        # 32-bit Windows cannot start an x64 program: the tool is "unsupported" there, as the
        # machine itself says. A Wine prefix made for 32-bit Windows is one, for the installer's
        # default 32-bit target.
        if not RUNS_32_BIT_PROGRAMS:
            self.skipTest(NO_32_BIT_PROGRAMS)
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        out = build_and_run(self, "32-bit", [USES["ProcsweepRun"]], root,
                            env=environment(prefix=WIN32_PREFIX, WINEARCH="win32"))
        self.assertEqual(out["exit-code"], "unsupported", out)
        self.assertRegex(read_report(self.folder("32-bit"))[-1],
                         r"^exit code unsupported \(CreateProcess [1-9]\d*\)$")

    def test_a_report_in_the_plug_ins_folder_is_made_there_before_anything_else(self):
        # "$PLUGINSDIR\..." read before the folder is made is "\...": the root of the current
        # drive. The installer starts on a drive of its own, whose root must stay empty.
        drive_root = self.folder("drive")
        drive = map_drive(self, drive_root)
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        folder = self.folder("plugins")
        shutil.copy(INCLUDE, folder)
        shutil.copy(PROCSWEEP_EXE, os.path.join(folder, "procsweep.exe"))
        lines = script([USES["ProcsweepRun"]], root)
        lines[lines.index(f"  {USES['ProcsweepExtract']}")] = (
            '  !insertmacro ProcsweepExtract "$PLUGINSDIR\\report.log"')
        installer = build_script(folder, "plugins", lines)
        batch = batch_file(self, f'{drive}\r\ncd \\\r\n"{win_path(installer)}"')
        run_quietly(command("cmd", "/c", win_path(batch)))
        self.assertEqual(os.listdir(drive_root), [])
        with open(os.path.join(folder, "out.txt"), encoding="utf-8") as f:
            out = dict(line.split(" ", 1) for line in f.read().splitlines())
        self.assertEqual(out["exit-code"], "0", out)


class KeepReportTest(E2ETestCase):
    def plant(self, folder, names, content):
        """Files of `content` in `folder` at each of `names` where nothing is yet, removed when
        the test ends; returns their paths."""
        planted = [os.path.join(folder, name) for name in names
                   if not os.path.lexists(os.path.join(folder, name))]
        for path in planted:
            with open(path, "wb") as f:
                f.write(content)
            self.addCleanup(os.remove, path)
        return planted

    def test_a_name_taken_in_that_second_gives_the_next_one_and_is_left_as_it_was(self):
        # Another run in the same second took the report's name (as the runs of a test do, one
        # right after the other): the copy goes to the next name, " 2" after the time, and the
        # file at the first name keeps its bytes. Under Wine every program runs elevated: the
        # copy is in %WINDIR%\Temp.
        kept = windows_temp_folder("%WINDIR%\\Temp")
        taken = self.plant(kept, report_names("kept.log", 120, counts=()), b"another run's")
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

    def test_with_every_dated_name_taken_the_copy_gets_a_name_nobody_could_plant(self):
        # A standard user can make files in %WINDIR%\Temp at every dated name of the minutes to
        # come: the copy is kept all the same, at a name with random digits after the time.
        kept = windows_temp_folder("%WINDIR%\\Temp")
        planted = self.plant(kept, report_names("kept.log", 120), b"planted")
        report = NewReport(kept, "kept.log")
        root = os.path.join(self.work, "Example App")
        Installation(root, main=MAIN_EXE)
        build_and_run(self, "keep", [USES["ProcsweepRun"], USES["ProcsweepKeepReport"]], root)
        self.assertRegex(os.path.basename(report.path()), r"^kept \d{8}-\d{6} [0-9a-f]{16}\.log$")
        self.addCleanup(os.remove, report.path())
        with open(report.path(), "rb") as f:
            self.assertIn("exit code 0".encode("utf-16-le"), f.read())
        for path in planted:
            with open(path, "rb") as f:
                self.assertEqual(f.read(), b"planted", path)


if __name__ == "__main__":
    unittest.main()
