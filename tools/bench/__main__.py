"""make bench: python3 -m tools.bench [options]; see tools/bench/__init__.py."""

import argparse
import datetime
import os
import shlex
import signal
import shutil
import sys

from tools.bench import report, scenarios
from tools.bench.baseline import build_baseline
from tools.bench.session import BenchError, Session, end_all
from tools.windows_programs import BUILD_DIR, SOURCE_DIR

OUTPUT = os.path.join(SOURCE_DIR, "docs", "benchmarks.md")


def arguments():
    defaults = scenarios.Settings()
    parser = argparse.ArgumentParser(
        prog="python3 -m tools.bench",
        description="Measures procsweep.exe under Wine and writes docs/benchmarks.md.")
    parser.add_argument("--build", default=BUILD_DIR,
                        help="the build directory (default: %(default)s)")
    parser.add_argument("--baseline", metavar="COMMIT",
                        help="also measure the procsweep.exe of this commit (built once into "
                             "<build>/bench-baseline; needs the commit in this clone)")
    parser.add_argument("--rounds", type=int, default=defaults.rounds,
                        help="runs of each command in a timed comparison (default: %(default)s)")
    parser.add_argument("--force-rounds", type=int, default=defaults.force_rounds,
                        help="runs of force and of taskkill /F (default: %(default)s)")
    parser.add_argument("--memory-runs", type=int, default=defaults.memory_runs,
                        help="peak memory readings of each program (default: %(default)s)")
    parser.add_argument("--install-rounds", type=int, default=defaults.install_rounds,
                        help="silent installs with the electron-builder include and without "
                             "it, each (default: %(default)s)")
    parser.add_argument("--output", default=OUTPUT, help="the report (default: %(default)s)")
    return parser.parse_args()


def reproduce_command(args):
    """`make bench` with the options that made this report."""
    flags = []
    if args.baseline:
        flags += ["--baseline", args.baseline]
    defaults = scenarios.Settings()
    for option, value, default in [("--rounds", args.rounds, defaults.rounds),
                                   ("--force-rounds", args.force_rounds, defaults.force_rounds),
                                   ("--memory-runs", args.memory_runs, defaults.memory_runs),
                                   ("--install-rounds", args.install_rounds,
                                    defaults.install_rounds)]:
        if value != default:
            flags += [option, str(value)]
    return "make bench" + (f" BENCH_FLAGS={shlex.quote(shlex.join(flags))}" if flags else "")


def main():
    args = arguments()
    settings = scenarios.Settings(rounds=args.rounds, force_rounds=args.force_rounds,
                                  memory_runs=args.memory_runs,
                                  install_rounds=args.install_rounds)
    try:
        session = Session(args.build)
    except BenchError as error:
        sys.exit(str(error))

    def stop(signum, frame):
        end_all(session)
        os._exit(128 + signum)

    for name in ("SIGINT", "SIGTERM", "SIGHUP"):
        if hasattr(signal, name):
            signal.signal(getattr(signal, name), stop)
    try:
        baseline = build_baseline(session.build, args.baseline) if args.baseline else None
        started = datetime.datetime.now(datetime.timezone.utc)
        results = scenarios.measure(session, settings, baseline.exe if baseline else None)
        text = report.render(results, settings, baseline, reproduce_command(args), started,
                             session.env)
    except BenchError as error:
        sys.exit(f"bench: {error}")
    finally:
        end_all(session)
        shutil.rmtree(session.work, ignore_errors=True)
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    print(text)


if __name__ == "__main__":
    main()
