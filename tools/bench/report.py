"""docs/benchmarks.md: the goals the figures are held against, the verdicts, and the prose."""

import os
import platform
import subprocess

from tools.bench.scenarios import MAIN_EXE, RUNNING_HELPERS
from tools.bench.stats import median, paired_difference, paired_interval, paired_ratio
from tools.windows_programs import WINE_RUN

# The goals, each named here only.
GOAL_PROBE_RATIO = 1.10       # probe over the floor, nothing of the installation running
GOAL_RESOLVING_RATIO = 1.15   # probe over the resolving floor, the helpers running
GOAL_SIZE_KIB = 160           # procsweep.exe
GOAL_INCLUDE_MS = 97          # what the electron-builder include adds to a silent one-click install
# `close` no slower than the baseline's, and `force` no slower than `taskkill /F`: ratio 1.


def ms(values):
    return f"{median(values):.1f} ms"


def with_interval(a, b):
    low, high = paired_interval(a, b)
    return f"{paired_ratio(a, b):.2f}x ({low:.2f}–{high:.2f})"


def more(a, b):
    extra = paired_difference(a, b)
    return f"{extra:.1f} ms more" if extra >= 0 else f"{-extra:.1f} ms less"


def met(flag):
    return "met" if flag else "not met"


def no_baseline(baseline):
    if baseline is None:
        return "no baseline was given (`--baseline COMMIT`)"
    return f"{baseline.name} could not be had: {baseline.missing}"


def machine(env):
    """The machine, Wine and the compiler; `env` is the bench session's environment."""
    cpu = "unknown CPU"
    with open("/proc/cpuinfo", encoding="utf-8") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo", encoding="utf-8") as f:
        memory_kib = int(f.readline().split()[1])
    wine_version = subprocess.run([WINE_RUN, "--version"], env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True).stdout.strip()
    compiler = subprocess.run(["x86_64-w64-mingw32-g++-posix", "--version"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True).stdout.splitlines()[0]
    return (f"{cpu}, {os.cpu_count()} cores, {memory_kib // 1024 // 1024} GiB; Linux "
            f"{platform.release()}; {wine_version}; {compiler}")


# Verdicts ------------------------------------------------------------------------------------

def probe_goal(results):
    flag = all(paired_ratio(f.probe, f.floor) <= GOAL_PROBE_RATIO for f in results.idle.values())
    return f"{met(flag)}; " + ", ".join(
        f"{with_interval(f.probe, f.floor)} with {others} other processes"
        for others, f in results.idle.items())


def resolving_goal(results):
    helpers = results.helpers
    flag = paired_ratio(helpers.probe, helpers.resolving) <= GOAL_RESOLVING_RATIO
    return f"{met(flag)}; {with_interval(helpers.probe, helpers.resolving)}"


def close_goal(results, baseline):
    closing = results.closing
    if closing.baseline is None:
        return f"not measured; {no_baseline(baseline)}"
    low, _ = paired_interval(closing.close, closing.baseline)
    if paired_ratio(closing.close, closing.baseline) <= 1:
        verdict = "met"
    elif low <= 1:
        # A ratio above 1 whose interval still holds 1 is a difference this machine cannot tell
        # from its own variation.
        verdict = "met, as far as this machine can tell them apart (the interval holds 1)"
    else:
        verdict = "not met"
    return (f"{verdict}; {with_interval(closing.close, closing.baseline)}, medians "
            f"{ms(closing.close)} and {ms(closing.baseline)}")


def force_goal(results):
    ending = results.ending
    flag = paired_ratio(ending.force, ending.taskkill) <= 1
    return (f"{met(flag)}; {with_interval(ending.force, ending.taskkill)}, medians "
            f"{ms(ending.force)} and {ms(ending.taskkill)}")


def installer_name(installing):
    if installing.thirty_two_bit == "emulated":
        return ("electron-builder's one-click installer, a 32-bit program, under the emulated "
                "32-bit Wine: this machine's kernel runs no 32-bit code")
    return "electron-builder's one-click installer"


def include_goal(results):
    installing = results.installing
    extra = paired_difference(installing.include, installing.empty)
    return (f"{met(extra <= GOAL_INCLUDE_MS)}; {more(installing.include, installing.empty)}, "
            f"installs of {ms(installing.include)} and {ms(installing.empty)}; "
            f"{installer_name(installing)}")


def size_goal(results):
    return f"{met(results.size < GOAL_SIZE_KIB * 1024)}; {results.size / 1024:.1f} KiB"


# Sections ------------------------------------------------------------------------------------

def method(settings, baseline, reproduce, started, env):
    compared = ""
    if baseline is not None and baseline.exe:
        compared = (f" It is compared with {baseline.name} (`--baseline`), built from that "
                    "commit's sources with the same compilers.")
    return [
        "# Benchmarks",
        "",
        "Written by `make bench` (`python3 -m tools.bench`, tools/bench/); do not edit by hand. "
        f"Reproduce with `{reproduce}` (and `BUILD_DIR=<dir>` for another build directory).",
        "",
        f"- Measured: {started:%Y-%m-%d %H:%M} UTC, under Wine, on {machine(env)}.",
        f"- Each time is the median of {settings.rounds} runs ({settings.force_rounds} for "
        "`force`), from process start to exit, started and timed from inside Wine by "
        "`bench_runner.exe` (tools/bench/programs/runner.cpp). The commands of one comparison "
        "take turns in the same session, one round after another, and each ratio is the median "
        "over the rounds of the ratio of the two runs of one round: they follow each other, so "
        "it leaves out most of what other work on the machine does to both. In brackets, its "
        "95% confidence interval (from the order statistics of the rounds' ratios). A time and "
        "a ratio can disagree when the machine was busy: the medians of the two commands then "
        "come from different rounds.",
        "- The floor (tools/bench/programs/floor.cpp) takes one process snapshot and walks it, "
        "comparing each entry's name with the five target names, and nothing else: the least a "
        "tool that looks for running executables by name must do. The resolving floor (the same "
        "program with `--resolve`) also does, for every namesake, the least that tells whether "
        "it is the installation's: opens it with PROCESS_QUERY_LIMITED_INFORMATION, reads its "
        "image path (QueryFullProcessImageNameW) and resolves that path (CreateFileW, "
        "GetFinalPathNameByHandleW).",
        "- The other processes and the helper processes are copies of a program that only "
        "waits; an installation holds the main executable, `resources\\app.asar` and the four "
        "helpers. Wine 8's `tasklist.exe` prints nothing, so `taskkill /IM` on a name that does "
        "not run stands for the scan installer scripts pay for.",
        "- `close` is measured with the main executable running (tools/bench/programs/window.cpp): "
        "it shows one visible window and stays when asked to close, as an application with "
        "unsaved work does, so every run does all that `close` does: the look, USER32 loaded, "
        "the windows enumerated and WM_CLOSE posted." + compared,
        "- The electron-builder include is measured in the installer an author gets: the "
        "electron-builder entry's project (tests/electron_builder) built as a one-click "
        "installer, once wired to the procsweep package as its README says and once with an "
        "empty `customCheckAppRunning` of the author's own instead; each run is a silent first "
        "install (`/S /D=`) with nothing of the application running, the installation and what "
        f"the installer records of it removed before every run; {settings.install_rounds} runs "
        "of each, taking turns.",
        "- Under Wine every process start costs far more than on Windows (it dominates all of "
        "these figures); the machine also builds other work at the same time, so single figures "
        "vary by some percent from run to run.",
        "",
    ]


def table(results, baseline, settings):
    rows = []
    for others, f in results.idle.items():
        rows.append((f"`probe`, nothing of the installation running, {others} other processes",
                     ms(f.probe), ms(f.floor), with_interval(f.probe, f.floor),
                     f"`taskkill /IM {MAIN_EXE}`: {ms(f.taskkill)} "
                     f"({paired_ratio(f.taskkill, f.floor):.2f}x the floor; "
                     f"probe {paired_ratio(f.probe, f.taskkill):.2f}x taskkill)"))
    helpers = results.helpers
    rows.append((f"`probe`, {RUNNING_HELPERS} helper processes running", ms(helpers.probe),
                 ms(helpers.resolving) + " (resolving floor)",
                 with_interval(helpers.probe, helpers.resolving),
                 f"the snapshot walk alone: {ms(helpers.floor)} (probe "
                 f"{paired_ratio(helpers.probe, helpers.floor):.2f}x that)"))
    closing = results.closing
    if closing.baseline is not None:
        close_compared = (f"{baseline.name}: {ms(closing.baseline)}; close "
                          f"{with_interval(closing.close, closing.baseline)} of that")
    else:
        close_compared = no_baseline(baseline)
    rows.append(("`close`, the main executable running with a window, "
                 f"{settings.other_counts[0]} other processes", ms(closing.close), "", "",
                 close_compared))
    ending = results.ending
    rows.append((f"`force` on {RUNNING_HELPERS} running helper processes", ms(ending.force), "",
                 "", f"`taskkill /F /IM` on their four names: {ms(ending.taskkill)} "
                 f"(force {paired_ratio(ending.force, ending.taskkill):.2f}x taskkill)"))
    installing = results.installing
    rows.append((f"a silent one-click install, nothing running: {installer_name(installing)}",
                 ms(installing.include) + " (with the include)",
                 ms(installing.empty) + " (an empty check)",
                 with_interval(installing.include, installing.empty),
                 f"the include: {more(installing.include, installing.empty)}"))
    return (["| Measurement | procsweep | Floor | Ratio | Compared with |", "|---|---|---|---|---|"]
            + [f"| {a} | {b} | {c} | {d} | {e} |" for a, b, c, d, e in rows] + [""])


def where_time_goes(results, baseline):
    lines = [
        "Where the time goes, as differences measured in the same session (the median over the "
        "rounds of the difference of the two runs of one round):",
        "",
    ]
    for others, f in results.idle.items():
        line = (f"- Nothing of the installation running, {others} other processes: `probe` takes "
                f"{more(f.probe, f.floor)} than the floor, for what every run does besides the "
                "walk (the installation directory and its executables resolved).")
        if f.baseline is not None:
            line += (f" {baseline.name[0].upper() + baseline.name[1:]} took {ms(f.baseline)} "
                     f"({paired_ratio(f.baseline, f.floor):.2f}x the floor).")
        lines.append(line)
    helpers, closing, installing = results.helpers, results.closing, results.installing
    lines += [
        f"- {RUNNING_HELPERS} helper processes running: the resolving floor takes "
        f"{more(helpers.resolving, helpers.floor)} than the walk alone for opening, reading and "
        f"resolving the {RUNNING_HELPERS} namesakes; `probe` takes "
        f"{more(helpers.probe, helpers.resolving)} than the resolving floor. `probe` resolves "
        f"each image path once per pass (4 paths for {RUNNING_HELPERS} processes); the closing "
        "look of `clean` and `force` is a pass of its own, and the identity check before a "
        "termination resolves the image again.",
        f"- `close` takes {more(closing.close, closing.probe)} than `probe` of the same processes "
        f"({ms(closing.probe)}): loading USER32 and enumerating the windows. Only `close` loads "
        "USER32: importing it cost every run its loading.",
        f"- A silent one-click install takes {more(installing.include, installing.empty)} "
        "with the include than with an empty check: the tool "
        "extracted to the installer's plug-ins folder, one `probe` (a process start, as "
        "above), and the report kept.",
        "",
    ]
    return lines


def size_and_memory(results, baseline, settings):
    memory = {name: median(readings) / 1024
              for name, readings in results.idle[settings.other_counts[0]].memory.items()}
    memory_baseline = ""
    if "baseline" in memory:
        memory_baseline = f", and {baseline.name} at {memory['baseline']:.1f} MiB"
    return [
        f"Executable size: {results.size} bytes ({results.size / 1024:.1f} KiB).",
        "",
        f"Peak memory of a `probe` run ({settings.other_counts[0]} other processes, nothing of "
        "the installation running), as the peak working set the system reports for it, median "
        f"of {settings.memory_runs} runs: {memory['probe']:.1f} MiB. Under Wine that is the "
        "resident high-water mark of its Unix process, Wine's own libraries included: the floor "
        f"peaks at {memory['floor']:.1f} MiB{memory_baseline}.",
        "",
    ]


def goals(results, baseline):
    baseline_name = baseline.name if baseline is not None else "a baseline"
    return [
        "## Goals",
        "",
        f"- `probe` within {GOAL_PROBE_RATIO:.2f}x of the floor with nothing of the installation "
        f"running: {probe_goal(results)}.",
        f"- `probe` with {RUNNING_HELPERS} helper processes running within "
        f"{GOAL_RESOLVING_RATIO:.2f}x of the resolving floor: {resolving_goal(results)}.",
        f"- `close` no slower than {baseline_name}: {close_goal(results, baseline)}.",
        f"- `force` no slower than `taskkill /F`: {force_goal(results)}.",
        f"- The electron-builder include adds at most {GOAL_INCLUDE_MS} ms to a silent one-click "
        f"install with nothing running: {include_goal(results)}.",
        f"- Executable under {GOAL_SIZE_KIB} KiB: {size_goal(results)}.",
        "",
    ]


def render(results, settings, baseline, reproduce, started, env):
    """The whole of docs/benchmarks.md; `env` is the bench session's environment."""
    return "\n".join(method(settings, baseline, reproduce, started, env)
                     + table(results, baseline, settings)
                     + where_time_goes(results, baseline)
                     + size_and_memory(results, baseline, settings)
                     + goals(results, baseline))
