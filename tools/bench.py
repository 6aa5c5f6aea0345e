#!/usr/bin/env python3
"""make bench: measures procsweep.exe under Wine and writes docs/benchmarks.md.

    python3 tools/bench.py <build directory>

Every timed figure is the median of several runs, started and timed from inside Wine by
bench_runner.exe (so that the figures leave out how a Linux process becomes a Wine one), and
each comparison is made in the same session, its commands taking turns. The runs use a Wine
prefix of their own, <build directory>/bench-wineprefix, whose processes are all ended at the
end, whatever happens. The procsweep.exe that `close` is compared with is built once from
BASELINE_COMMIT into <build directory>/bench-baseline.
"""

import datetime
import math
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import time

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(SOURCE_DIR, "tools", "wine-run")
OUTPUT = os.path.join(SOURCE_DIR, "docs", "benchmarks.md")

ROUNDS = 51
FORCE_ROUNDS = 7
MEMORY_RUNS = 5
OTHER_COUNTS = (50, 200)
HELPER_COPIES = 5  # of each of the four helpers: 20 running helper processes
RUN_TIMEOUT_S = 900
BUILD_TIMEOUT_S = 900

# `close` is compared with the procsweep.exe of the last commit that imported USER32 (for its
# window messages) instead of loading it when a close request is made. It is built from that
# commit's sources, with the same compilers, into <build directory>/bench-baseline.
BASELINE_COMMIT = "beec270bf2c6eb755fc63938916a468835fbbeec"

MAIN_EXE = "App.exe"
HELPERS = [
    "resources\\runtime\\node\\node.exe",
    "resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    "resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    "resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
]
HELPER_NAMES = [helper.rsplit("\\", 1)[1] for helper in HELPERS]
TASKKILL = "C:\\windows\\system32\\taskkill.exe"

GOAL_PROBE_RATIO = 1.10
GOAL_RESOLVING_RATIO = 1.15
GOAL_SIZE_BYTES = 160 * 1024


def win_path(linux_path):
    return "Z:" + linux_path.replace("/", "\\")


def quoted(linux_path):
    return '"' + win_path(linux_path) + '"'


class Bench:
    def __init__(self, build_dir):
        self.build = os.path.abspath(build_dir)
        self.exe = os.path.join(self.build, "procsweep.exe")
        self.floor = os.path.join(self.build, "bench_floor.exe")
        self.runner = os.path.join(self.build, "bench_runner.exe")
        self.window = os.path.join(self.build, "bench_window.exe")
        for program in (self.exe, self.floor, self.runner, self.window):
            if not os.path.isfile(program):
                sys.exit(f"missing {program}: build first (make bench builds)")
        self.baseline = None
        self.baseline_missing = None  # why there is no baseline, when there is none
        self.work = os.path.join(self.build, "bench-work")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.build, "bench-wineprefix"),
                        WINEDEBUG="-all", LC_ALL="C.UTF-8")
        self.semaphores = 0
        self.outputs = 0

    # Wine ------------------------------------------------------------------------------

    def wine(self, *args, check=True):
        """Runs a Windows program; returns (exit code, standard output as text).

        Output goes through a file, not a pipe: the first program of a prefix starts Wine's
        services, which inherit its handles and would keep a pipe open long after it ended.
        """
        self.outputs += 1
        path = os.path.join(self.work, f"output-{self.outputs}.txt")
        with open(path, "wb") as output:
            code = subprocess.run([WINE_RUN, *args], env=self.env, stdin=subprocess.DEVNULL,
                                  stdout=output, stderr=subprocess.STDOUT,
                                  timeout=RUN_TIMEOUT_S).returncode
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", errors="replace")
        os.remove(path)
        if check and code != 0:
            raise RuntimeError(f"{args!r} ended with {code}: {text}")
        return code, text

    def end_all(self):
        """Ends every process of the bench prefix and waits for its Wine server to go."""
        for command in (["wineserver", "-k"], ["wineserver", "-w"]):
            subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)

    def fresh_session(self):
        """Ends everything, then starts the Wine server and its services again with one run
        of the floor, so that no scenario pays for that start."""
        self.end_all()
        self.wine(self.floor, "warm-up", check=False)

    def spawn(self, pairs):
        """Starts copies of the runner's wait mode: pairs of (Linux path, count)."""
        self.semaphores += 1
        args = [self.runner, "spawn", f"procsweep-bench-{os.getpid()}-{self.semaphores}"]
        for path, count in pairs:
            args += [win_path(path), str(count)]
        self.wine(*args)

    def time(self, rounds, commands, expected_codes):
        """Times Windows command lines taking turns; returns one list of milliseconds each."""
        _, text = self.wine(self.runner, "time", str(rounds), *commands)
        times = [[] for _ in commands]
        for line in text.splitlines():
            parts = line.split()
            if len(parts) != 3 or not parts[0].isdigit():
                continue
            index, ms, code = int(parts[0]), float(parts[1]), int(parts[2])
            if expected_codes[index] is not None and code != expected_codes[index]:
                raise RuntimeError(f"{commands[index]} ended with {code}, "
                                   f"not {expected_codes[index]}")
            times[index].append(ms)
        if any(len(t) != rounds for t in times):
            raise RuntimeError(f"runner output incomplete: {text}")
        return times

    def peak_memory_kib(self, command):
        """Peak working set of one run of a Windows command line, as the system reports it to
        bench_runner.exe while the program runs (under Wine: the resident high-water mark of
        its Unix process, Wine's own libraries and the program together)."""
        _, text = self.wine(self.runner, "memory", command)
        return int(text.split()[-2])

    # The baseline ---------------------------------------------------------------------------

    def build_baseline(self):
        """Builds procsweep.exe of BASELINE_COMMIT into <build>/bench-baseline, once: sets
        self.baseline to it, or self.baseline_missing to the reason it cannot be had."""
        directory = os.path.join(self.build, "bench-baseline")
        exe = os.path.join(directory, "build", "procsweep.exe")
        marker = os.path.join(directory, "commit")
        try:
            with open(marker, encoding="utf-8") as f:
                if f.read() == BASELINE_COMMIT and os.path.isfile(exe):
                    self.baseline = exe
                    return
        except OSError:
            pass
        known = subprocess.run(["git", "-C", SOURCE_DIR, "cat-file", "-e",
                                BASELINE_COMMIT + "^{commit}"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if known.returncode != 0:
            self.baseline_missing = (f"commit {BASELINE_COMMIT[:7]} is not in this clone "
                                     "(a shallow clone or a copy without history)")
            return
        shutil.rmtree(directory, ignore_errors=True)
        sources = os.path.join(directory, "src")
        os.makedirs(sources)
        archive = subprocess.run(["git", "-C", SOURCE_DIR, "archive", BASELINE_COMMIT],
                                 stdout=subprocess.PIPE, check=True).stdout
        subprocess.run(["tar", "-x", "-C", sources], input=archive, check=True)
        build = os.path.join(directory, "build")
        print(f"Building procsweep.exe of {BASELINE_COMMIT[:7]} in {build}", flush=True)
        for command in (
                ["cmake", "-S", sources, "-B", build, "-G", "Ninja", "-DPROCSWEEP_TESTS=OFF",
                 "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(sources, "cmake",
                                                          "mingw-w64-posix.cmake")],
                ["cmake", "--build", build, "--target", "procsweep"]):
            subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           check=True, timeout=BUILD_TIMEOUT_S)
        with open(marker, "w", encoding="utf-8") as f:
            f.write(BASELINE_COMMIT)
        self.baseline = exe

    # The installation -------------------------------------------------------------------

    def prepare(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.install = os.path.join(self.work, "installation")
        os.makedirs(os.path.join(self.install, "resources"))
        # The main executable runs only while `close` is measured, and then shows a window.
        self.main = os.path.join(self.install, MAIN_EXE)
        shutil.copyfile(self.window, self.main)
        with open(os.path.join(self.install, "resources", "app.asar"), "wb") as f:
            f.write(b"asar")
        self.helpers = []
        for helper in HELPERS:
            path = os.path.join(self.install, *helper.split("\\"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            shutil.copyfile(self.runner, path)
            self.helpers.append(path)
        self.other = os.path.join(self.work, "others", "other.exe")
        os.makedirs(os.path.dirname(self.other))
        shutil.copyfile(self.runner, self.other)

    def sweep(self, word, exe=None):
        return f"{quoted(exe or self.exe)} {word} {quoted(self.install)} {MAIN_EXE}"

    def floor_command(self, resolving=False):
        return " ".join([quoted(self.floor), *(["--resolve"] if resolving else []), MAIN_EXE,
                         *HELPER_NAMES])

    # Scenarios ----------------------------------------------------------------------------

    def idle_installation(self, others):
        """probe with nothing of the installation running, against the floor and a taskkill
        scan for a name that does not run."""
        self.fresh_session()
        self.spawn([(self.other, others)])
        commands = [self.sweep("probe"), self.floor_command(), f"{TASKKILL} /IM {MAIN_EXE}"]
        codes = [0, 0, None]
        if self.baseline:
            commands.append(self.sweep("probe", self.baseline))
            codes.append(0)
        times = self.time(ROUNDS, commands, codes)
        probe, floor, taskkill = times[:3]
        baseline = times[3] if self.baseline else None
        memory = None
        if others == OTHER_COUNTS[0]:
            commands = {"probe": self.sweep("probe"), "floor": self.floor_command()}
            if self.baseline:
                commands["baseline"] = self.sweep("probe", self.baseline)
            memory = {name: statistics.median(self.peak_memory_kib(command)
                                              for _ in range(MEMORY_RUNS))
                      for name, command in commands.items()}
        return {"probe": probe, "floor": floor, "taskkill": taskkill, "baseline": baseline,
                "memory": memory}

    def running_helpers(self):
        """probe with 20 helper processes running, against the floor that opens, reads and
        resolves each of them, and the snapshot walk alone."""
        self.fresh_session()
        self.spawn([(path, HELPER_COPIES) for path in self.helpers])
        probe, resolving, floor = self.time(
            ROUNDS, [self.sweep("probe"), self.floor_command(resolving=True),
                     self.floor_command()],
            [11, 1, 1])
        return {"probe": probe, "resolving": resolving, "floor": floor}

    def closing_window(self):
        """close on the main executable, which shows a window and stays when asked to close,
        with 50 other processes: the look, USER32, the window enumeration and the posted
        WM_CLOSE. Against the procsweep.exe that imported USER32, and probe of the same
        processes."""
        self.fresh_session()
        self.spawn([(self.other, OTHER_COUNTS[0]), (self.main, 1)])
        commands = [self.sweep("close"), self.sweep("probe")]
        codes = [0, 10]
        if self.baseline:
            commands.append(self.sweep("close", self.baseline))
            codes.append(0)
        times = self.time(ROUNDS, commands, codes)
        return {"close": times[0], "probe": times[1],
                "baseline": times[2] if self.baseline else None}

    def ending_helpers(self):
        """force on 20 running helper processes against taskkill /F on their names."""
        self.fresh_session()
        kill = " ".join([TASKKILL, "/F"] + [f"/IM {name}" for name in HELPER_NAMES])
        force, taskkill = [], []
        for round_number in range(FORCE_ROUNDS):
            order = [("force", self.sweep("force"), 0, force), ("taskkill", kill, 0, taskkill)]
            if round_number % 2:
                order.reverse()
            for name, command, code, times in order:
                self.spawn([(path, HELPER_COPIES) for path in self.helpers])
                times += self.time(1, [command], [code])[0]
                self.wait_until_ended(name)
        return {"force": force, "taskkill": taskkill}

    def wait_until_ended(self, name):
        # taskkill does not wait for the processes it ends; the next round must start clean.
        deadline = time.monotonic() + 60
        while True:
            code, _ = self.wine(self.exe, "probe", win_path(self.install), MAIN_EXE, check=False)
            if code == 0:
                return
            if time.monotonic() > deadline:
                raise RuntimeError(f"helpers still running after {name}")
            time.sleep(0.2)

    # Report -------------------------------------------------------------------------------

    def machine(self):
        cpu = "unknown CPU"
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
        with open("/proc/meminfo", encoding="utf-8") as f:
            memory_kib = int(f.readline().split()[1])
        wine_version = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, text=True).stdout.strip()
        compiler = subprocess.run(["x86_64-w64-mingw32-g++-posix", "--version"],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True).stdout.splitlines()[0]
        return (f"{cpu}, {os.cpu_count()} cores, {memory_kib // 1024 // 1024} GiB; Linux "
                f"{platform.release()}; {wine_version}; {compiler}")

    def run(self):
        self.build_baseline()
        self.prepare()
        started = datetime.datetime.now(datetime.timezone.utc)
        idle = {others: self.idle_installation(others) for others in OTHER_COUNTS}
        helpers = self.running_helpers()
        closing = self.closing_window()
        ending = self.ending_helpers()
        self.end_all()
        size = os.path.getsize(self.exe)
        return self.report(started, idle, helpers, closing, ending, size)

    def report(self, started, idle, helpers, closing, ending, size):
        def median(values):
            return statistics.median(values)

        def ms(values):
            return f"{median(values):.1f} ms"

        def ratio(a, b):
            # The runs of one round follow each other: their ratio leaves out most of what
            # other work on the machine does to both.
            return median(x / y for x, y in zip(a, b))

        def interval(a, b):
            # A 95% confidence interval of that median, free of any assumed distribution: the
            # order statistics of the rounds' ratios that the binomial distribution puts there.
            ratios = sorted(x / y for x, y in zip(a, b))
            k = max(0, math.floor(len(ratios) / 2 - 0.98 * math.sqrt(len(ratios))))
            return ratios[k], ratios[-1 - k]

        def with_interval(a, b):
            low, high = interval(a, b)
            return f"{ratio(a, b):.2f}x ({low:.2f}–{high:.2f})"

        def more(a, b):
            # Paired as the ratios are.
            extra = median(x - y for x, y in zip(a, b))
            return f"{extra:.1f} ms more" if extra >= 0 else f"{-extra:.1f} ms less"

        def met(flag):
            return "met" if flag else "not met"

        baseline_name = f"procsweep.exe of commit {BASELINE_COMMIT[:7]}"
        rows = []
        for others, figures in idle.items():
            rows.append((f"`probe`, nothing of the installation running, {others} other "
                         "processes", ms(figures["probe"]), ms(figures["floor"]),
                         with_interval(figures["probe"], figures["floor"]),
                         f"`taskkill /IM {MAIN_EXE}`: {ms(figures['taskkill'])} "
                         f"({ratio(figures['taskkill'], figures['floor']):.2f}x the floor; "
                         f"probe {ratio(figures['probe'], figures['taskkill']):.2f}x taskkill)"))
        rows.append(("`probe`, 20 helper processes running", ms(helpers["probe"]),
                     ms(helpers["resolving"]) + " (resolving floor)",
                     with_interval(helpers["probe"], helpers["resolving"]),
                     f"the snapshot walk alone: {ms(helpers['floor'])} (probe "
                     f"{ratio(helpers['probe'], helpers['floor']):.2f}x that)"))
        if closing["baseline"]:
            close_compared = (f"{baseline_name}, which imported USER32: "
                              f"{ms(closing['baseline'])}; close "
                              f"{with_interval(closing['close'], closing['baseline'])} of that")
        else:
            close_compared = f"no {baseline_name}: {self.baseline_missing}"
        rows.append(("`close`, the main executable running with a window, "
                     f"{OTHER_COUNTS[0]} other processes", ms(closing["close"]), "", "",
                     close_compared))
        rows.append(("`force` on 20 running helper processes", ms(ending["force"]),
                     "", "", f"`taskkill /F /IM` on their four names: {ms(ending['taskkill'])} "
                     f"(force {ratio(ending['force'], ending['taskkill']):.2f}x taskkill)"))

        idle_ratios = [ratio(f["probe"], f["floor"]) for f in idle.values()]
        probe_goal = all(r <= GOAL_PROBE_RATIO for r in idle_ratios)
        resolving_goal = ratio(helpers["probe"], helpers["resolving"]) <= GOAL_RESOLVING_RATIO
        if closing["baseline"]:
            close_ratio = ratio(closing["close"], closing["baseline"])
            low, _ = interval(closing["close"], closing["baseline"])
            if close_ratio <= 1:
                close_verdict = "met"
            elif low <= 1:
                # Both programs do the same work but for where USER32 is loaded; a ratio above 1
                # whose interval still holds 1 is a difference this machine cannot tell from
                # its own variation.
                close_verdict = ("met, as far as this machine can tell them apart (the interval "
                                 "holds 1)")
            else:
                close_verdict = "not met"
            close_goal = (f"{close_verdict}; "
                          f"{with_interval(closing['close'], closing['baseline'])}, medians "
                          f"{ms(closing['close'])} and {ms(closing['baseline'])}")
        else:
            close_goal = f"not measured; {self.baseline_missing}"
        force_goal = ratio(ending["force"], ending["taskkill"]) <= 1
        size_goal = size < GOAL_SIZE_BYTES
        memory = idle[OTHER_COUNTS[0]]["memory"]
        memory_baseline = ""
        if "baseline" in memory:
            memory_baseline = (f", and the {baseline_name}, which imported USER32, at "
                               f"{memory['baseline'] / 1024:.1f} MiB")

        lines = [
            "# Benchmarks",
            "",
            "Written by `make bench` (`python3 tools/bench.py <build directory>`); do not edit by "
            "hand. Reproduce with `make bench` (or `make bench BUILD_DIR=<dir>`).",
            "",
            f"- Measured: {started:%Y-%m-%d %H:%M} UTC, under Wine, on {self.machine()}.",
            f"- Each time is the median of {ROUNDS} runs ({FORCE_ROUNDS} for `force`), from "
            "process start to exit, started and timed from inside Wine by `bench_runner.exe` "
            "(tools/bench/runner.cpp). The commands of one comparison take turns in the same "
            "session, one round after another, and each ratio is the median over the rounds "
            "of the ratio of the two runs of one round: they follow each other, so it leaves "
            "out most of what other work on the machine does to both. In brackets, its 95% "
            "confidence interval (from the order statistics of the rounds' ratios). A time and "
            "a ratio can disagree when the machine was busy: the medians of the two commands "
            "then come from different rounds.",
            "- The floor (tools/bench/floor.cpp) takes one process snapshot and walks it, "
            "comparing each entry's name with the five target names, and nothing else: the "
            "least a tool that looks for running executables by name must do. The resolving "
            "floor (the same program with `--resolve`) also does, for every namesake, the least "
            "that tells whether it is the installation's: opens it with "
            "PROCESS_QUERY_LIMITED_INFORMATION, reads its image path "
            "(QueryFullProcessImageNameW) and resolves that path (CreateFileW, "
            "GetFinalPathNameByHandleW).",
            "- The other processes and the helper processes are copies of a program that only "
            "waits; an installation holds the main executable, `resources\\app.asar` and the "
            "four helpers. Wine 8's `tasklist.exe` prints nothing, so `taskkill /IM` on a name "
            "that does not run stands for the scan installer scripts pay for.",
            "- `close` is measured with the main executable running (tools/bench/window.cpp): "
            "it shows one visible window and stays when asked to close, as an application with "
            "unsaved work does, so every run does all that `close` does: the look, USER32 "
            "loaded, the windows enumerated and WM_CLOSE posted. It is compared with the "
            f"{baseline_name}, the last one that imported USER32 instead of loading it for a "
            "close request, built from that commit's sources with the same compilers.",
            "- Under Wine every process start costs far more than on Windows (it dominates "
            "all of these figures); the machine also builds other work at the same time, so "
            "single figures vary by some percent from run to run.",
            "",
            "| Measurement | procsweep | Floor | Ratio | Compared with |",
            "|---|---|---|---|---|",
        ]
        lines += [f"| {a} | {b} | {c} | {d} | {e} |" for a, b, c, d, e in rows]
        lines += [
            "",
            "Where the time goes, as differences measured in the same session (the median "
            "over the rounds of the difference of the two runs of one round):",
            "",
        ]
        for others, f in idle.items():
            line = (f"- Nothing of the installation running, {others} other processes: `probe` "
                    f"takes {more(f['probe'], f['floor'])} than the floor, for what "
                    "every run does besides the walk (the installation directory and its "
                    "executables resolved).")
            if f["baseline"]:
                line += (f" The {baseline_name}, which imported USER32, took "
                         f"{ms(f['baseline'])} ({ratio(f['baseline'], f['floor']):.2f}x the "
                         "floor).")
            lines.append(line)
        lines += [
            f"- 20 helper processes running: the resolving floor takes "
            f"{more(helpers['resolving'], helpers['floor'])} than the walk alone "
            "for opening, reading and resolving the 20 namesakes; `probe` takes "
            f"{more(helpers['probe'], helpers['resolving'])} than the resolving "
            "floor. `probe` resolves each image path once per pass (4 paths for 20 processes); "
            "the closing look of `clean` and `force` is a pass of its own, and the identity "
            "check before a termination resolves the image again.",
            f"- `close` takes {more(closing['close'], closing['probe'])} than "
            f"`probe` of the same processes ({ms(closing['probe'])}): loading USER32 and "
            "enumerating the windows. Only `close` loads USER32: importing it cost every run "
            "its loading.",
            "",
            f"Executable size: {size} bytes ({size / 1024:.1f} KiB).",
            "",
            f"Peak memory of a `probe` run ({OTHER_COUNTS[0]} other processes, nothing of the "
            f"installation running), as the peak working set the system reports for it, median "
            f"of {MEMORY_RUNS} runs: {memory['probe'] / 1024:.1f} MiB. Under Wine that is the "
            f"resident high-water mark of its Unix process, Wine's own libraries included: the "
            f"floor peaks at {memory['floor'] / 1024:.1f} MiB{memory_baseline}.",
            "",
            "## Goals",
            "",
            f"- `probe` within {GOAL_PROBE_RATIO:.2f}x of the floor with nothing of the "
            f"installation running: {met(probe_goal)}; "
            + ", ".join(f"{with_interval(f['probe'], f['floor'])} with {others} other processes"
                        for others, f in idle.items()) + ".",
            f"- `probe` with 20 helper processes running within {GOAL_RESOLVING_RATIO:.2f}x of "
            f"the resolving floor: {met(resolving_goal)}; "
            f"{with_interval(helpers['probe'], helpers['resolving'])}.",
            f"- `close` no slower than the {baseline_name}, which imported USER32: {close_goal}.",
            f"- `force` no slower than `taskkill /F`: {met(force_goal)}; "
            f"{with_interval(ending['force'], ending['taskkill'])}, medians "
            f"{ms(ending['force'])} and {ms(ending['taskkill'])}.",
            f"- Executable under 160 KiB: {met(size_goal)}; {size / 1024:.1f} KiB.",
            "",
        ]
        os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
        with open(OUTPUT, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return "\n".join(lines)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: bench.py <build directory>")
    bench = Bench(sys.argv[1])

    def stop(signum, frame):
        bench.end_all()
        os._exit(128 + signum)

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, stop)
    try:
        print(bench.run())
    finally:
        bench.end_all()
        shutil.rmtree(bench.work, ignore_errors=True)


if __name__ == "__main__":
    main()
