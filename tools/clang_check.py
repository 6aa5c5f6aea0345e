#!/usr/bin/env python3
"""make clang-check: the second compiler. Every source file of the tool (src/) through Clang, for
the same Windows target and with the flags CMake compiles it with (the build's
compile_commands.json), plus Clang's own stricter warnings, all as errors.

    python3 tools/clang_check.py [--compiler clang++] <build directory>

Clang does not find MinGW's C++ headers by itself: they are the C++ entries of the search list
of the build's own compiler.
"""

import argparse
import json
import os
import shlex
import subprocess
import sys

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGET = "x86_64-w64-mingw32"
# Beyond the build's own warnings: what GCC does not offer.
CLANG_WARNINGS = ["-Wshadow-all", "-Wimplicit-fallthrough", "-Wunreachable-code-aggressive",
                  "-Wextra-semi", "-Werror"]


def build_flags(arguments, source):
    """The compile command's options, without the compiler, its output and its input."""
    flags = []
    skip_next = False
    for argument in arguments[1:]:
        if skip_next:
            skip_next = False
        elif argument == "-o":
            skip_next = True
        elif argument != "-c" and argument != source:
            flags.append(argument)
    return flags


def cxx_include_dirs(compiler):
    """The C++ library's header folders in the search list of the build's compiler."""
    listing = subprocess.run([compiler, "-E", "-x", "c++", "-", "-v"], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                             check=True).stderr
    folders = [line.strip() for line in listing.splitlines() if line.startswith(" /")]
    return [os.path.normpath(folder) for folder in folders if "/include/c++" in folder]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--compiler", default="clang++")
    parser.add_argument("build")
    args = parser.parse_args()
    with open(os.path.join(args.build, "compile_commands.json"), encoding="utf-8") as f:
        entries = json.load(f)
    sources = os.path.join(SOURCE_DIR, "src") + os.sep
    failed = []
    includes = {}
    checked = set()
    for entry in sorted(entries, key=lambda e: e["file"]):
        source = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        if not source.startswith(sources) or not source.endswith(".cpp") or source in checked:
            continue
        checked.add(source)
        arguments = entry.get("arguments") or shlex.split(entry["command"])
        compiler = arguments[0]
        if compiler not in includes:
            includes[compiler] = [option for folder in cxx_include_dirs(compiler)
                                  for option in ("-isystem", folder)]
        command = [args.compiler, f"--target={TARGET}", "-fsyntax-only", *includes[compiler],
                   *build_flags(arguments, entry["file"]), *CLANG_WARNINGS, source]
        if subprocess.run(command, cwd=entry["directory"]).returncode != 0:
            failed.append(os.path.relpath(source, SOURCE_DIR))
    if not checked:
        sys.exit(f"clang-check: no source of src/ in {args.build}/compile_commands.json")
    if failed:
        sys.exit("clang-check failed: " + " ".join(failed))
    print(f"clang-check: {len(checked)} source files compile warning-free with {args.compiler}")


if __name__ == "__main__":
    main()
