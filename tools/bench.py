#!/usr/bin/env python3
"""make bench: measures procsweep.exe under Wine and writes docs/benchmarks.md.

    python3 tools/bench.py <build directory>

Every timed figure is the median of several runs, started and timed from inside Wine by
bench_runner.exe (so that the figures leave out how a Linux process becomes a Wine one), and
each comparison is made in the same session, its commands taking turns. The runs use a Wine
prefix of their own, <build directory>/bench-wineprefix, whose processes are all ended at the
end, whatever happens.
"""

import datetime
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

ROUNDS = 15
FORCE_ROUNDS = 7
MEMORY_RUNS = 5
OTHER_COUNTS = (50, 200)
HELPER_COPIES = 5  # of each of the four helpers: 20 running helper processes
RUN_TIMEOUT_S = 900

MAIN_EXE = "App.exe"
HELPERS = [
    "resources\\runtime\\node\\node.exe",
    "resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    "resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    "resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
]
HELPER_NAMES = [helper.rsplit("\\", 1)[1] for helper in HELPERS]
TASKKILL = "C:\\windows\\system32\\taskkill.exe"

GOAL_PROBE_RATIO = 1.2
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
        self.floor_user32 = os.path.join(self.build, "bench_floor_user32.exe")
        self.runner = os.path.join(self.build, "bench_runner.exe")
        for program in (self.exe, self.floor, self.floor_user32, self.runner):
            if not os.path.isfile(program):
                sys.exit(f"missing {program}: build first (make bench builds)")
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

    def peak_memory_kib(self, *args):
        """Peak resident memory (VmHWM) of the Wine process that runs the Windows program:
        Wine's own libraries and the program together. The Unix process becomes the Windows
        one in place, so its status is read until it ends; the high-water mark only grows, so
        the last reading is the peak but for the last half millisecond."""
        name = os.path.basename(args[0])[:15]
        popen = subprocess.Popen([WINE_RUN, *args], env=self.env, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peak = None
        while popen.poll() is None:
            try:
                with open(f"/proc/{popen.pid}/status", encoding="utf-8") as f:
                    status = f.read()
            except OSError:
                break
            fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
            if fields.get("Name", "").strip() == name and "VmHWM" in fields:
                peak = int(fields["VmHWM"].split()[0])
            time.sleep(0.0005)
        popen.wait()
        if peak is None:
            raise RuntimeError(f"no memory reading of {args[0]}")
        return peak

    # The installation -------------------------------------------------------------------

    def prepare(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.install = os.path.join(self.work, "installation")
        os.makedirs(os.path.join(self.install, "resources"))
        shutil.copyfile(self.runner, os.path.join(self.install, MAIN_EXE))
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

    def probe(self):
        return f"{quoted(self.exe)} probe {quoted(self.install)} {MAIN_EXE}"

    def force(self):
        return f"{quoted(self.exe)} force {quoted(self.install)} {MAIN_EXE}"

    def floor_command(self, floor=None):
        return " ".join([quoted(floor or self.floor), MAIN_EXE, *HELPER_NAMES])

    # Scenarios ----------------------------------------------------------------------------

    def idle_installation(self, others):
        """probe with nothing of the installation running, against the floor and a taskkill
        scan for a name that does not run."""
        self.fresh_session()
        self.spawn([(self.other, others)])
        probe, floor, floor_user32, taskkill = self.time(
            ROUNDS, [self.probe(), self.floor_command(), self.floor_command(self.floor_user32),
                     f"{TASKKILL} /IM {MAIN_EXE}"],
            [0, 0, 0, None])
        memory = None
        if others == OTHER_COUNTS[0]:
            memory = {
                "probe": statistics.median(
                    self.peak_memory_kib(self.exe, "probe", win_path(self.install), MAIN_EXE)
                    for _ in range(MEMORY_RUNS)),
                "floor": statistics.median(
                    self.peak_memory_kib(self.floor, MAIN_EXE, *HELPER_NAMES)
                    for _ in range(MEMORY_RUNS)),
                "floor_user32": statistics.median(
                    self.peak_memory_kib(self.floor_user32, MAIN_EXE, *HELPER_NAMES)
                    for _ in range(MEMORY_RUNS)),
            }
        return {"probe": probe, "floor": floor, "floor_user32": floor_user32,
                "taskkill": taskkill, "memory": memory}

    def running_helpers(self):
        """probe with 20 helper processes running: each is opened, read and resolved."""
        self.fresh_session()
        self.spawn([(path, HELPER_COPIES) for path in self.helpers])
        probe, floor = self.time(ROUNDS, [self.probe(), self.floor_command()], [11, 1])
        return {"probe": probe, "floor": floor}

    def ending_helpers(self):
        """force on 20 running helper processes against taskkill /F on their names."""
        self.fresh_session()
        kill = " ".join([TASKKILL, "/F"] + [f"/IM {name}" for name in HELPER_NAMES])
        force, taskkill = [], []
        for round_number in range(FORCE_ROUNDS):
            order = [("force", self.force(), 0, force), ("taskkill", kill, 0, taskkill)]
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
        self.prepare()
        started = datetime.datetime.now(datetime.timezone.utc)
        idle = {others: self.idle_installation(others) for others in OTHER_COUNTS}
        helpers = self.running_helpers()
        ending = self.ending_helpers()
        self.end_all()
        size = os.path.getsize(self.exe)
        return self.report(started, idle, helpers, ending, size)

    def report(self, started, idle, helpers, ending, size):
        def median(values):
            return statistics.median(values)

        def ms(values):
            return f"{median(values):.1f} ms"

        def ratio(a, b):
            return median(a) / median(b)

        rows = []
        for others, figures in idle.items():
            rows.append((f"`probe`, nothing of the installation running, {others} other "
                         "processes", ms(figures["probe"]), ms(figures["floor"]),
                         f"{ratio(figures['probe'], figures['floor']):.2f}x",
                         f"`taskkill /IM {MAIN_EXE}`: {ms(figures['taskkill'])} "
                         f"({ratio(figures['taskkill'], figures['floor']):.2f}x the floor; "
                         f"probe {ratio(figures['probe'], figures['taskkill']):.2f}x taskkill)"))
        rows.append(("`probe`, 20 helper processes running", ms(helpers["probe"]),
                     ms(helpers["floor"]), f"{ratio(helpers['probe'], helpers['floor']):.2f}x",
                     "each helper process opened, its image read and resolved"))
        rows.append(("`force` on 20 running helper processes", ms(ending["force"]),
                     "", "", f"`taskkill /F /IM` on their four names: {ms(ending['taskkill'])} "
                     f"(force {ratio(ending['force'], ending['taskkill']):.2f}x taskkill)"))

        memory = idle[OTHER_COUNTS[0]]["memory"]
        idle_ratios = [ratio(f["probe"], f["floor"]) for f in idle.values()]
        probe_goal = all(r <= GOAL_PROBE_RATIO for r in idle_ratios)
        force_goal = median(ending["force"]) <= median(ending["taskkill"])
        size_goal = size < GOAL_SIZE_BYTES

        def met(flag):
            return "met" if flag else "not met"

        lines = [
            "# Benchmarks",
            "",
            "Written by `make bench` (`python3 tools/bench.py <build directory>`); do not edit by "
            "hand. Reproduce with `make bench` (or `make bench BUILD_DIR=<dir>`).",
            "",
            f"- Measured: {started:%Y-%m-%d %H:%M} UTC, under Wine, on {self.machine()}.",
            f"- Each time is the median of {ROUNDS} runs ({FORCE_ROUNDS} for `force`), from "
            "process start to exit, started and timed from inside Wine by `bench_runner.exe` "
            "(tools/bench/runner.cpp); the commands of one comparison take turns in the same "
            "session, so each ratio compares runs made under the same conditions.",
            "- The floor (tools/bench/floor.cpp) takes one process snapshot and walks it, "
            "comparing each entry's name with the five target names, and nothing else: the "
            "least a tool that looks for running executables by name must do.",
            "- The other processes and the helper processes are copies of a program that only "
            "waits; an installation holds the main executable, `resources\\app.asar` and the "
            "four helpers. Wine 8's `tasklist.exe` prints nothing, so `taskkill /IM` on a name "
            "that does not run stands for the scan installer scripts pay for.",
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
            "Where the time of `probe` goes, nothing of the installation running: the floor, "
            "the same floor built to import USER32 as procsweep.exe does (for the window "
            "messages of `close`), and `probe`, measured in the same session:",
            "",
            "| Other processes | Floor | Floor importing USER32 | `probe` |",
            "|---|---|---|---|",
        ]
        lines += [f"| {others} | {ms(f['floor'])} | {ms(f['floor_user32'])} "
                  f"({ratio(f['floor_user32'], f['floor']):.2f}x) | {ms(f['probe'])} "
                  f"({ratio(f['probe'], f['floor_user32']):.2f}x the floor with USER32) |"
                  for others, f in idle.items()]
        lines += [
            "",
            f"Executable size: {size} bytes ({size / 1024:.1f} KiB).",
            "",
            f"Peak memory of a `probe` run (50 other processes, nothing of the installation "
            f"running), as the highest resident size (VmHWM) of its Wine process, median of "
            f"{MEMORY_RUNS} runs: {memory['probe'] / 1024:.1f} MiB. That includes Wine's own "
            f"libraries: the floor's Wine process peaks at {memory['floor'] / 1024:.1f} MiB, "
            f"and {memory['floor_user32'] / 1024:.1f} MiB when it imports USER32.",
            "",
            "## Goals",
            "",
            f"- `probe` within {GOAL_PROBE_RATIO}x of the floor with nothing of the installation "
            f"running: {met(probe_goal)} "
            f"({', '.join(f'{r:.2f}x' for r in idle_ratios)} with "
            f"{' and '.join(str(n) for n in OTHER_COUNTS)} other processes).",
            f"- `force` no slower than `taskkill /F`: {met(force_goal)} "
            f"({ms(ending['force'])} against {ms(ending['taskkill'])}).",
            f"- Executable under 160 KiB: {met(size_goal)} ({size / 1024:.1f} KiB).",
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
