#!/usr/bin/env bash
# The benchmark suite: builds it (Release, in build-bench), makes the synthetic staff bases of
# 1,000, 10,000 and 100,000 items in bench/cache/ when they are missing, runs the benchmarks
# and the probes, and prints the table of figures with the targets.
#
#   scripts/bench.sh            the full run (several minutes; keep the machine otherwise idle)
#   scripts/bench.sh --huge     the full run with a base of 1,000,000 items too (about 450 MB,
#                               made once into bench/cache/; the run takes half an hour or more)
#   scripts/bench.sh --smoke    build, then run every benchmark once on a small base (CI)
#
# The full run also starts the program in new processes: the load against a bare decode of
# the same file (both in a fresh process, the file in the page cache), and the start-up on a
# real X server (Xvfb and openbox, started here) in an empty working folder and in one with
# the 100,000-item base and a list of 5,000 entries, the two taking turns.
#
# Extra arguments after the mode go to the benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter=window/
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SMOKE=0
HUGE=0
case "${1:-}" in
--smoke) SMOKE=1; shift ;;
--huge) HUGE=1; shift ;;
esac

install_missing_packages "${TARNBOOK_PACKAGES[@]}" libbenchmark-dev python3
[ "$SMOKE" = 1 ] || install_missing_packages ripgrep time xvfb openbox wmctrl

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
[ "$HUGE" = 1 ] && SIZES+=(1000000)
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

PROBE="$BUILD_DIR/bench/tarnbook_probe"
# Peak memory after loading, and start-up to a shown window: one process each.
for n in "${SIZES[@]}"; do
    "$PROBE" load "$CACHE_DIR/staff-$n.hjt" > "$RESULTS/load-$n.txt"
    /usr/bin/time -f "time_max_rss_kb=%M" -a -o "$RESULTS/load-$n.txt" \
        "$PROBE" load "$CACHE_DIR/staff-$n.hjt" > /dev/null
done
# The load against the bare decode, each in a fresh process, taking turns five times.
for n in "${SIZES[@]}"; do
    : > "$RESULTS/fresh-$n.txt"
    for k in 1 2 3 4 5; do
        for mode in decode decode_qt load; do
            "$PROBE" "$mode" "$CACHE_DIR/staff-$n.hjt" | sed "s/^/${mode}_/" >> "$RESULTS/fresh-$n.txt"
        done
    done
done
for n in 10000 100000; do
    folder="$RESULTS/folder-$n"
    "$PROBE" prepare "$CACHE_DIR/staff-$n.hjt" "$folder"
    "$PROBE" startup "$folder" > /dev/null # warm the file cache
    "$PROBE" startup "$folder" > "$RESULTS/startup-$n.txt"
done
# A cold start on a real X server: an empty working folder against the 100,000-item one.
mkdir -p "$RESULTS/empty"
rm -f "$RESULTS/empty/"*
python3 "$REPO_DIR/bench/coldstart.py" "$PROBE" "$RESULTS" "$RESULTS/empty" \
    "$RESULTS/folder-100000" --waited "$RESULTS/folder-100000" --runs 7 || echo "No X server: the cold start on X is left out."

SIZE_LIST=$(IFS=,; echo "${SIZES[*]}")
"$BUILD_DIR/bench/tarnbook_bench" --bases="$CACHE_DIR" --sizes="$SIZE_LIST" \
    --benchmark_out="$RESULTS/bench.json" --benchmark_out_format=json "$@"

python3 "$REPO_DIR/bench/report.py" "$RESULTS"
