"""make demo: shows procsweep.exe at work, under Wine on Linux or directly on Windows.

    python3 -m tools.demo

Prints each command, its event lines and its exit code, on a sample installation laid out from
the end-to-end tests' fixture program, with the installation's main executable and helpers
running. The installation and the programs are made and started as the end-to-end tests make
and start theirs (tests.e2e.harness); every program started here is ended before the demo ends.

Environment: PROCSWEEP_BUILD_DIR, the build directory when it is not build/ (make demo sets it).
"""

import itertools
import os
import shutil
import subprocess
import sys

from tests.e2e.harness import (FIXTURE_APP, PROCSWEEP_EXE, Installation, WineSession, read_records,
                               run_tool, start_fixture, stop_process, wait_ready)
from tools.windows_programs import BUILD_DIR, ESBUILD, FFMPEG, HELPER_NAMES, NODE, win_path

DEMO = os.path.join(BUILD_DIR, "demo")
MAIN = "SampleApp.exe"
EXIT_TIMEOUT_S = 10


class Demo:
    """The programs the demo has started and not yet ended, and its record files."""

    def __init__(self):
        self.started = []
        self.records = itertools.count(1)


def say(text=""):
    print(text, flush=True)


def section(title):
    say(f"\n=== {title}")


def note(text):
    say(f"    ({text})")


def run(*args):
    """Shows the command, runs it, and shows its event lines as written and its exit code."""
    say("\n$ procsweep.exe" + "".join(f" '{arg}'" for arg in args))
    result = run_tool(*args)
    sys.stdout.buffer.write(result.stdout)
    sys.stdout.buffer.flush()
    if result.stderr:
        sys.stderr.buffer.write(result.stderr)
        sys.stderr.buffer.flush()
    say(f"-> exit code {result.code}")


def show_log(path):
    with open(path, "rb") as f:
        content = f.read()
    say(f"    log file {os.path.basename(path)}: {len(content)} bytes, UTF-16LE, first bytes "
        + " ".join(f"{byte:02x}" for byte in content[:6]))
    for line in content.decode("utf-16-le").splitlines():
        say(f"    | {line}")


def start(demo, path, command="wait"):
    """Starts a copy of the fixture program and waits until it is ready; returns its Popen and
    its record file."""
    record = os.path.join(DEMO, "records", f"{next(demo.records)}-{os.path.basename(path)}.txt")
    popen = start_fixture(path, command, record)
    demo.started.append(popen)
    pid = wait_ready(popen, record)
    say(f"    started {win_path(path)} (pid {pid})")
    return popen, record


def stop_all(demo):
    for popen in demo.started:
        stop_process(popen)
    demo.started = []


def has_ended(popen):
    try:
        popen.wait(timeout=EXIT_TIMEOUT_S)
        return True
    except subprocess.TimeoutExpired:
        return False


def malformed_command_lines(inst):
    section("Malformed command lines: exit code 2, no output")
    main = inst.image()
    for args in [(), ("probe",), ("probe", inst.win), ("probe", inst.win, MAIN, "extra"),
                 ("owners",), ("owners", main, main, main), ("probe", inst.win, "bin\\" + MAIN),
                 ("probe", inst.win, "*.exe"),
                 ("--log", win_path(os.path.join(DEMO, "events.log")), "owners")]:
        run(*args)


def missing_and_unresolvable_installations(inst):
    section("Missing installation: exit code 0, no output")
    run("probe", inst.win + "\\Not Installed", MAIN)
    run("force", win_path(os.path.join(DEMO, "Not Installed")), MAIN)

    section("Installation path that cannot be resolved")
    run("probe", win_path(os.path.join(DEMO, "bad<name>")), MAIN)


def log_option():
    section("--log: the same lines appended to an existing file, never a created one")
    log = os.path.join(DEMO, "events.log")
    missing = os.path.join(DEMO, "missing.log")
    unresolvable = win_path(os.path.join(DEMO, "bad<name>"))
    with open(log, "wb") as f:
        f.write("earlier\r\n".encode("utf-16-le"))
    show_log(log)
    run("--log", win_path(log), "probe", unresolvable, MAIN)
    show_log(log)
    run("--log", win_path(missing), "probe", unresolvable, MAIN)
    note("missing.log exists" if os.path.exists(missing) else "missing.log was not created")


def executables_reached_through_links(demo):
    section("Target list: executables reached through a link are skipped")
    elsewhere = Installation(os.path.join(DEMO, "Elsewhere"), main=MAIN, helpers=[NODE, FFMPEG],
                             marker=False)
    linked = Installation(os.path.join(DEMO, "Linked App"), main=None, helpers=[NODE])
    node_modules = "resources\\app.asar.unpacked\\node_modules"
    os.makedirs(os.path.dirname(linked.path(node_modules)))
    os.symlink(elsewhere.path(), linked.path(MAIN))
    os.symlink(elsewhere.path(node_modules), linked.path(node_modules))
    note(f"{MAIN} is a link to {elsewhere.image()}, node_modules a link to a folder there")
    start(demo, elsewhere.path())
    start(demo, linked.path(FFMPEG))
    start(demo, linked.path(NODE))
    run("probe", linked.win, MAIN)
    note("the text of redirected-executable-skipped is the candidate path, built on the "
         "installation root as the tool resolved it: a final path in prefixed form, hence \\\\?\\")
    run("force", linked.win, MAIN)
    note("the programs reached through the links still run; only node.exe was ended")
    note("a mode word that names no plan: the list is built, then exit code 2")
    run("PROBE", linked.win, MAIN)
    stop_all(demo)


def installation_at_work(demo, inst):
    section(f"The installation at work: {MAIN} and two helpers run")
    main_popen, main_record = start(demo, inst.path(), "windows")
    start(demo, inst.path(NODE))
    start(demo, inst.path(FFMPEG))
    note(f"a copy of {MAIN} runs from another folder as well; it is never matched")
    other = Installation(os.path.join(DEMO, "Other"), main=MAIN, helpers=[], marker=False)
    start(demo, other.path())

    run("probe", inst.win, MAIN)
    run("owners", inst.win + "\\" + MAIN)
    note("under Wine, owners never names a holder: Wine's Restart Manager always answers with "
         "none; on Windows each process holding the file would follow as restart-manager-owner")
    run("legacy-owners", inst.win, MAIN)
    run("legacy-owners", inst.win + "\\", MAIN)

    run("close", inst.win, MAIN)
    if has_ended(main_popen):
        note(f"{MAIN} ended by itself; what its windows received:")
    else:
        note(f"{MAIN} still runs; what its windows received:")
    for record in read_records(main_record):
        say(f"    | {record}")

    run("probe", inst.win, MAIN)
    run("clean", inst.win, MAIN)
    return other


def clean_and_force(demo, inst, other):
    section("clean while the main executable runs ends nothing; force ends everything")
    start(demo, inst.path())
    start(demo, inst.path(ESBUILD))
    run("clean", inst.win, MAIN)
    log = os.path.join(DEMO, "events.log")
    run("--log", win_path(log), "force", inst.win, MAIN)
    show_log(log)
    run("probe", inst.win, MAIN)
    run("probe", other.win, MAIN)


def main():
    for program in (PROCSWEEP_EXE, FIXTURE_APP):
        if not os.path.isfile(program):
            sys.exit(f"missing {program}: build first (make)")
    shutil.rmtree(DEMO, ignore_errors=True)
    os.makedirs(os.path.join(DEMO, "records"))
    demo = Demo()
    WineSession.ensure()
    try:
        inst = Installation(os.path.join(DEMO, "Sample App"), main=MAIN)
        say(f"procsweep demo: sample installation {inst.win}")
        say(f"main executable {MAIN}; helpers {', '.join(HELPER_NAMES)}")
        malformed_command_lines(inst)
        missing_and_unresolvable_installations(inst)
        log_option()
        executables_reached_through_links(demo)
        other = installation_at_work(demo, inst)
        clean_and_force(demo, inst, other)
        section("Done")
    finally:
        stop_all(demo)
    note("every program started here has been ended")


if __name__ == "__main__":
    main()
