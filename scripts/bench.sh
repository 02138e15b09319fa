#!/usr/bin/env bash
# The benchmark suite: builds it (Release, in build-bench), makes the synthetic staff bases of
# 1,000, 10,000 and 100,000 items in bench/cache/ when they are missing, runs the benchmarks
# and the probes, and prints the table of figures with the targets.
#
#   scripts/bench.sh            the full run (several minutes; keep the machine otherwise idle)
#   scripts/bench.sh --smoke    build, then run every benchmark once on a small base (CI)
#
# Extra arguments after the mode go to the benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter=window/
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SMOKE=0
if [ "${1:-}" = "--smoke" ]; then
    SMOKE=1
    shift
fi

install_missing_packages "${TARNBOOK_PACKAGES[@]}" libbenchmark-dev python3
[ "$SMOKE" = 1 ] || install_missing_packages ripgrep time

BUILD_DIR="${BUILD_DIR:-$REPO_DIR/build-bench}"
cmake -S "$REPO_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNBOOK_BUILD_BENCH=ON \
    ${TARNBOOK_WERROR:+-DTARNBOOK_WERROR=$TARNBOOK_WERROR}
cmake --build "$BUILD_DIR" --parallel "$(nproc)" \
    --target tarnbook_bench tarnbook_probe tarnbook_bench_smoke_bases

if [ "$SMOKE" = 1 ]; then
    ctest --test-dir "$BUILD_DIR" -L bench --output-on-failure --no-tests=error
    exit 0
fi

CACHE_DIR="$REPO_DIR/bench/cache"
mkdir -p "$CACHE_DIR"
SIZES=(1000 10000 100000)
for n in "${SIZES[@]}"; do
    if [ ! -f "$CACHE_DIR/staff-$n.hjt" ] || [ ! -f "$CACHE_DIR/staff-$n.utf8.txt" ]; then
        echo "Generating the $n-item staff base"
        python3 "$REPO_DIR/bench/gen_staffbase.py" "$n" "$CACHE_DIR/staff-$n.hjt" \
            --utf8 "$CACHE_DIR/staff-$n.utf8.txt"
    fi
done

export QT_QPA_PLATFORM=offscreen
RESULTS="$BUILD_DIR/bench-results"
mkdir -p "$RESULTS"

# Peak memory after loading, and start-up to a shown window: one process each.
for n in "${SIZES[@]}"; do
    "$BUILD_DIR/bench/tarnbook_probe" load "$CACHE_DIR/staff-$n.hjt" > "$RESULTS/load-$n.txt"
    /usr/bin/time -f "time_max_rss_kb=%M" -a -o "$RESULTS/load-$n.txt" \
        "$BUILD_DIR/bench/tarnbook_probe" load "$CACHE_DIR/staff-$n.hjt" > /dev/null
done
for n in 10000 100000; do
    folder="$RESULTS/folder-$n"
    "$BUILD_DIR/bench/tarnbook_probe" prepare "$CACHE_DIR/staff-$n.hjt" "$folder"
    "$BUILD_DIR/bench/tarnbook_probe" startup "$folder" > /dev/null # warm the file cache
    "$BUILD_DIR/bench/tarnbook_probe" startup "$folder" > "$RESULTS/startup-$n.txt"
done

"$BUILD_DIR/bench/tarnbook_bench" --bases="$CACHE_DIR" \
    --benchmark_out="$RESULTS/bench.json" --benchmark_out_format=json "$@"

python3 "$REPO_DIR/bench/report.py" "$RESULTS"
