#!/usr/bin/env bash
# Checks that the C++ sources follow .clang-format; lists every file that does not and exits
# non-zero. With --fix, formats those files in place instead.
#
#   scripts/check-format.sh [--fix] [PATH...]
#
# PATHs are files or folders (default: the whole repository); in a git checkout only tracked
# and new files are taken, so build folders are never looked at.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

fix=0
if [ "${1:-}" = "--fix" ]; then
    fix=1
    shift
fi
if [ $# -eq 0 ]; then
    cd "$REPO_DIR"
    set -- .
fi

CLANG_FORMAT="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$CLANG_FORMAT" ]; then
    install_missing_packages clang-format-14
    CLANG_FORMAT="$(command -v clang-format-14)"
fi

files=()
for path in "$@"; do
    if [ -f "$path" ]; then
        files+=("$path")
    elif git -C "$path" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        while IFS= read -r -d '' f; do
            files+=("$path/$f")
        done < <(git -C "$path" ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h')
    else
        while IFS= read -r -d '' f; do
            files+=("$f")
        done < <(find "$path" -name 'build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)
    fi
done

bad=()
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! "$CLANG_FORMAT" --style=file --dry-run --Werror "$f" >/dev/null 2>&1; then
        bad+=("$f")
    fi
done

if [ ${#bad[@]} -eq 0 ]; then
    echo "All ${#files[@]} files are formatted."
    exit 0
fi
if [ $fix -eq 1 ]; then
    "$CLANG_FORMAT" --style=file -i "${bad[@]}"
    echo "Formatted ${#bad[@]} of ${#files[@]} files."
    exit 0
fi
printf 'Not formatted: %s\n' "${bad[@]}"
echo "${#bad[@]} of ${#files[@]} files differ from .clang-format; scripts/check-format.sh --fix formats them."
exit 1
