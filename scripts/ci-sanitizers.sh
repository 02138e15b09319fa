#!/usr/bin/env bash
# CI stage after scripts/test.sh: the whole test suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (the "asan" preset, in its own build folder) and run; then every
# fuzz target built with clang and run for a short while on its seeds. Exits non-zero on a
# failing test, a sanitizer report, a leak or a fuzz finding.
#
#   ASAN_BUILD_DIR   build folder of the sanitizer test build (default build-asan)
#   FUZZ_BUILD_DIR   build folder of the fuzz targets (default build-fuzz)
#   FUZZ_SECONDS     run time of each fuzz target (default 30)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${TARNBOOK_PACKAGES[@]}" clang-14 libclang-rt-14-dev

ASAN_BUILD_DIR="${ASAN_BUILD_DIR:-$REPO_DIR/build-asan}"
FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$REPO_DIR/build-fuzz}"
FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
JOBS="$(nproc)"

stage_start=$SECONDS
note() { echo "== [$((SECONDS - stage_start))s] $*"; }

# Sanitizer reports end the process with an error; leaks are reported at exit.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if [ -f "$REPO_DIR/tests/lsan.supp" ]; then
    export LSAN_OPTIONS="suppressions=$REPO_DIR/tests/lsan.supp:print_suppressions=0"
fi
export QT_QPA_PLATFORM=offscreen

# 1. The test suite under the sanitizers: the asan preset (Debug, so Qt's own range checks are
#    on as well), in a folder of its own.
note "sanitizer build in $ASAN_BUILD_DIR"
cmake -S "$REPO_DIR" --preset asan -B "$ASAN_BUILD_DIR"
cmake --build "$ASAN_BUILD_DIR" --parallel "$JOBS"
note "sanitizer tests"
ctest --test-dir "$ASAN_BUILD_DIR" --output-on-failure --no-tests=error -j "$JOBS"

# 2. The fuzz targets: clang with libFuzzer; the core library instrumented with them.
CLANG_CXX="$(command -v clang++-14 || command -v clang++)"
CLANG_CC="$(command -v clang-14 || command -v clang)"
mapfile -t FUZZ_TARGETS < <(cd "$REPO_DIR/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
note "fuzz build in $FUZZ_BUILD_DIR: ${FUZZ_TARGETS[*]}"
CC="$CLANG_CC" CXX="$CLANG_CXX" cmake -S "$REPO_DIR" -B "$FUZZ_BUILD_DIR" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNBOOK_BUILD_FUZZ=ON -DTARNBOOK_WERROR=ON
cmake --build "$FUZZ_BUILD_DIR" --parallel "$JOBS" --target "${FUZZ_TARGETS[@]}"

# Each target starts from its committed seeds (read only) and writes what it finds into a
# scratch corpus; findings land in $FUZZ_BUILD_DIR/ci-findings. Up to $JOBS targets at once.
run_fuzz_target() {
    local target="$1" name="${1#fuzz_}"
    local corpus="$FUZZ_BUILD_DIR/ci-corpus/$name" findings="$FUZZ_BUILD_DIR/ci-findings"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$findings"
    "$FUZZ_BUILD_DIR/fuzz/$target" "$corpus" "$REPO_DIR/fuzz/corpus/$name" \
        -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=4096 -timeout=20 -max_len=8192 \
        -dict="$REPO_DIR/fuzz/tarnbook.dict" -print_final_stats=1 \
        -artifact_prefix="$findings/$name-" >"$FUZZ_BUILD_DIR/ci-$name.log" 2>&1
}

note "fuzzing, $FUZZ_SECONDS s per target"
failed=()
for ((first = 0; first < ${#FUZZ_TARGETS[@]}; first += JOBS)); do
    batch=("${FUZZ_TARGETS[@]:first:JOBS}")
    pids=()
    for target in "${batch[@]}"; do
        run_fuzz_target "$target" &
        pids+=($!)
    done
    for i in "${!batch[@]}"; do
        wait "${pids[$i]}" || failed+=("${batch[$i]}")
    done
done
for target in "${FUZZ_TARGETS[@]}"; do
    log="$FUZZ_BUILD_DIR/ci-${target#fuzz_}.log"
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    echo "$target: ${runs:-?} runs"
done
if [ ${#failed[@]} -gt 0 ]; then
    for target in "${failed[@]}"; do
        echo "---- $target found a fault:"
        tail -n 60 "$FUZZ_BUILD_DIR/ci-${target#fuzz_}.log"
    done
    echo "Inputs that fail: $FUZZ_BUILD_DIR/ci-findings"
    exit 1
fi
note "sanitizer stage passed"
