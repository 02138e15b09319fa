#!/usr/bin/env python3
"""Compiles the program's Windows-only code for Windows, here on Linux.

Every source of the program (app, base, list, packets, state, text) that holds a Windows branch
(`Q_OS_WIN`) is checked with a MinGW-w64 cross compiler, syntax and types only, with the
project's warnings as errors, so that a Windows build does not first break on a Windows
desktop. The Qt headers are this machine's, read as system headers.

Usage: compile_windows_branches.py COMPILER REPO_DIR QT_INCLUDE_DIR...

Exit status 0 when every file compiles, 1 when one does not, 77 (reported by CTest as
skipped) when no cross compiler is installed; the reason is printed on one line.
"""

import os
import subprocess
import sys

SKIP = 77
SOURCE_DIRS = ["app", "base", "list", "packets", "state", "text"]
FLAGS = ["-std=c++20", "-fsyntax-only", "-Wall", "-Wextra", "-Wpedantic", "-Wold-style-cast",
         "-Wnon-virtual-dtor", "-Woverloaded-virtual", "-Werror",
         "-DQT_NO_CAST_FROM_ASCII", "-DQT_NO_CONTEXTLESS_CONNECT", "-DQT_NO_FOREACH"]


def sources_with_windows_branches(repo):
    found = []
    for folder in SOURCE_DIRS:
        for root, _, names in os.walk(os.path.join(repo, folder)):
            for name in names:
                if name.endswith(".cpp"):
                    path = os.path.join(root, name)
                    with open(path, encoding="utf-8") as source:
                        if "Q_OS_WIN" in source.read():
                            found.append(path)
    return sorted(found)


def qt_header_dirs(dirs):
    """Qt's own header folders among the include folders of the Qt targets: this machine's
    C library headers and the Linux mkspec must not reach the Windows compiler."""
    kept = []
    for folder in dirs:
        parts = os.path.normpath(folder).split(os.sep)
        if "mkspecs" in parts or not any(part.lower().startswith("qt") for part in parts):
            continue
        if folder not in kept:
            kept.append(folder)
    return kept


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    compiler, repo, qt_includes = sys.argv[1], sys.argv[2], sys.argv[3:]
    if not compiler or compiler.endswith("NOTFOUND"):
        print("SKIPPED: no MinGW-w64 compiler to check the Windows code "
              "(g++-mingw-w64-x86-64-posix; scripts/common.sh installs it)")
        return SKIP
    includes = ["-I" + repo] + [arg for d in qt_header_dirs(qt_includes)
                                for arg in ("-isystem", d)]
    files = sources_with_windows_branches(repo)
    if not files:
        print("FAILED: no source with a Windows branch found under %s" % repo)
        return 1
    failed = 0
    for path in files:
        result = subprocess.run([compiler] + FLAGS + includes + [path],
                                capture_output=True, text=True)
        name = os.path.relpath(path, repo)
        if result.returncode == 0:
            print("compiles for Windows: %s" % name)
        else:
            failed += 1
            print("FAILED for Windows: %s\n%s" % (name, result.stderr))
    print("%d passed, %d failed" % (len(files) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
