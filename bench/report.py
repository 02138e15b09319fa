#!/usr/bin/env python3
# Usage: bench/report.py RESULTS_DIR
#
# Prints the figures of one benchmark run as Markdown tables, with the targets for the largest
# base: RESULTS_DIR holds bench.json (tarnbook_bench --benchmark_out), load-N.txt and
# startup-N.txt (tarnbook_probe). Every ratio compares figures of the same run.

import json
import os
import re
import platform
import subprocess
import sys

CLICK_LIMIT_MS = 16.0
STARTUP_LIMIT_MS = 1500.0
LOAD_RATIO_LIMIT = 1.5
RSS_PER_BYTE_LIMIT = 3.0
SEARCH_RG_LIMIT = 0.5
COLD_START_RATIO_LIMIT = 2.0

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def read_pairs(path):
    pairs = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                if "=" in line:
                    key, value = line.strip().split("=", 1)
                    pairs[key] = value
    return pairs


def load_benchmarks(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    found = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" or b.get("error_occurred"):
            continue
        scale = UNIT_MS[b.get("time_unit", "ns")]
        # Google Benchmark appends the run's settings: ".../iterations:1/manual_time".
        name = re.sub(r"(/(iterations:\d+|manual_time|real_time|min_time:[\d.]+))+$", "", b["name"])
        found[name] = {
            "ms": b["real_time"] * scale,
            "max_ms": b.get("max_ms"),
            "found": b.get("found"),
            "items": b.get("items"),
        }
    return data.get("context", {}), found


def runs_of(pairs, key):
    """The values of key_0, key_1, ... (coldstart.py) or of every repeated key (fresh-N.txt)."""
    found = [float(v) for k, v in pairs.items() if re.fullmatch(re.escape(key) + r"_\d+", k)]
    return found


def read_repeated(path):
    """key=value lines where keys repeat: every value of each key, in order."""
    values = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                if "=" in line:
                    key, value = line.strip().split("=", 1)
                    values.setdefault(key, []).append(float(value))
    return values


def median(values):
    values = sorted(values)
    if not values:
        return None
    mid = len(values) // 2
    return values[mid] if len(values) % 2 else (values[mid - 1] + values[mid]) / 2


def fmt(ms):
    if ms is None:
        return "–"
    if ms >= 100:
        return f"{ms:.0f}"
    if ms >= 1:
        return f"{ms:.1f}"
    return f"{ms:.3f}"


def verdict(ok):
    return "met" if ok else "**missed**"


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    cores = os.cpu_count()
    try:
        qt = subprocess.run(["qtpaths6", "--qt-version"], capture_output=True, text=True).stdout.strip()
    except OSError:
        qt = ""
    return f"{model}, {cores} cores (nproc), {platform.system()} {platform.release()}" + (
        f", Qt {qt}" if qt else "")


def main():
    results = sys.argv[1]
    _, b = load_benchmarks(os.path.join(results, "bench.json"))
    sizes = sorted({int(name.rsplit("/", 1)[1]) for name in b if name.startswith("load/whole/")})
    largest = sizes[-1] if sizes else None
    targets = []

    def get(name, field="ms"):
        entry = b.get(name)
        return None if entry is None else entry.get(field)

    print(f"Machine: {machine()}\n")

    print("### Loading the staff base\n")
    print("Decode alone: the bytes already in memory, decoded by Qt's `QStringDecoder(\"windows-1251\")` "
          "(the reference) and by the program's `decodeText`. Whole load: `LoadStaffBase` from the file "
          "(in the page cache) to lines, marker tables and item index.\n")
    print("| items | file (MB, Windows-1251) | decode alone, Qt (ms) | decode alone, decodeText (ms) | whole load (ms) | load / Qt decode | load / decodeText | peak RSS after load (MB) | RSS / file byte |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        probe = read_pairs(os.path.join(results, f"load-{n}.txt"))
        file_bytes = int(probe.get("file_bytes", 0)) or None
        rss_kb = int(probe.get("time_max_rss_kb", probe.get("peak_rss_kb", 0))) or None
        qt, ours, whole = get(f"load/decode_qt/{n}"), get(f"load/decode/{n}"), get(f"load/whole/{n}")
        ratio = whole / qt if qt and whole else None
        ratio_ours = whole / ours if ours and whole else None
        per_byte = rss_kb * 1024 / file_bytes if rss_kb and file_bytes else None
        if ratio and ratio_ours and per_byte:
            print(f"| {n:,} | {file_bytes / 1e6:.1f} | {fmt(qt)} | {fmt(ours)} | {fmt(whole)} | {ratio:.2f}x "
                  f"| {ratio_ours:.2f}x | {rss_kb / 1024:.0f} | {per_byte:.2f} |")
        else:
            print(f"| {n:,} | incomplete |")
        if n == largest:
            targets.append((f"load within {LOAD_RATIO_LIMIT:g}x of the bare decode (Qt's decoder)",
                            f"{ratio:.2f}x" if ratio else "–", ratio is not None and ratio <= LOAD_RATIO_LIMIT))
            targets.append((f"load within {LOAD_RATIO_LIMIT:g}x of the program's own decode",
                            f"{ratio_ours:.2f}x" if ratio_ours else "–",
                            ratio_ours is not None and ratio_ours <= LOAD_RATIO_LIMIT))
            targets.append((f"peak RSS <= {RSS_PER_BYTE_LIMIT:g} bytes per file byte",
                            f"{per_byte:.2f}" if per_byte else "–",
                            per_byte is not None and per_byte <= RSS_PER_BYTE_LIMIT))
    print()
    print("Load steps (ms): " + "; ".join(
        f"{n:,} items: read and decode {fmt(get(f'load/read_decoded/{n}'))}, lines and marker tables "
        f"{fmt(get(f'load/base_from_text/{n}'))}, item index {fmt(get(f'load/scan_index/{n}'))}"
        for n in sizes) + "\n")

    print("### Loading in a fresh process (ms; median of the runs, wall clock and processor time)\n")
    print("Each figure is a new process, the file in the page cache, the three kinds taking turns. "
          "Bare decode: the file read and decoded into one text, by the program (`readDecodedFile`) "
          "and by Qt alone (`QFile::readAll`, `QStringDecoder`).\n")
    print("| items | bare decode, program | bare decode, Qt | whole load | load / Qt decode | load / program decode |")
    print("|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        v = read_repeated(os.path.join(results, f"fresh-{n}.txt"))
        ours, ours_cpu = median(v.get("decode_decode_ms", [])), median(v.get("decode_decode_cpu_ms", []))
        qt, qt_cpu = median(v.get("decode_qt_decode_ms", [])), median(v.get("decode_qt_decode_cpu_ms", []))
        load, load_cpu = median(v.get("load_load_ms", [])), median(v.get("load_load_cpu_ms", []))
        if None in (ours, qt, load):
            print(f"| {n:,} | – | – | – | – | – |")
            continue
        def pair(a, b):
            return f"{a / b:.2f}x" if b else "–"
        print(f"| {n:,} | {fmt(ours)} (cpu {fmt(ours_cpu)}) | {fmt(qt)} (cpu {fmt(qt_cpu)}) "
              f"| {fmt(load)} (cpu {fmt(load_cpu)}) | {pair(load, qt)} (cpu {pair(load_cpu, qt_cpu)}) "
              f"| {pair(load, ours)} (cpu {pair(load_cpu, ours_cpu)}) |")
        if n == largest:
            targets.append((f"fresh process: load within {LOAD_RATIO_LIMIT:g}x of Qt's bare decode (wall, cpu)",
                            f"{pair(load, qt)}, {pair(load_cpu, qt_cpu)}", load <= LOAD_RATIO_LIMIT * qt))
            targets.append((f"fresh process: load within {LOAD_RATIO_LIMIT:g}x of the program's bare decode (wall, cpu)",
                            f"{pair(load, ours)}, {pair(load_cpu, ours_cpu)}", load <= LOAD_RATIO_LIMIT * ours))
    print()

    print("### Whole-base searches (ms)\n")
    print("| items | name search | `rg -F -i -c` name | property search | `rg -F -i -c` phrase | filter over 5,000 listed | name search in window | property search in window |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        print(f"| {n:,} | {fmt(get(f'search/name/{n}'))} | {fmt(get(f'search/rg_name/{n}'))} "
              f"| {fmt(get(f'search/phrase/{n}'))} | {fmt(get(f'search/rg_phrase/{n}'))} "
              f"| {fmt(get(f'search/filter/{n}'))} | {fmt(get(f'window/name_search/{n}'))} "
              f"| {fmt(get(f'window/property_search/{n}'))} |")
    if largest:
        for kind, rg, window in (("name", "rg_name", "name_search"), ("phrase", "rg_phrase", "property_search")):
            ours, ref = get(f"search/{kind}/{largest}"), get(f"search/{rg}/{largest}")
            targets.append((f"{kind} search within {SEARCH_RG_LIMIT:g}x of rg", f"{fmt(ours)} vs {fmt(ref)} ms",
                            ours is not None and ref is not None and ours <= SEARCH_RG_LIMIT * ref))
            shown = get(f"window/{window}/{largest}")
            targets.append((f"{kind} search with its new list and table in the window, against rg",
                            f"{fmt(shown)} vs {fmt(ref)} ms", shown is not None and ref is not None and shown <= ref))
    print()

    print("### One click on the window (ms; mean and slowest of the run)\n")
    clicks = [("select an entry (lore shown)", "select_lore"), ("click a table row", "table_click"),
              ("property filter", "filter"), ("clear the filter", "filter_clear"),
              ("copy all entries", "copy_all"), ("copy selected (all 5,000)", "copy_selected"),
              ("copy one table entry", "copy_entry"), ("delete an entry", "delete_entry"),
              ("packet \"Пакетные\"", "packet_prefix"), ("packet \"Биржа\"", "packet_exchange"),
              ("packet \"Сорт\"", "packet_sort"), ("lore quote \"гг\"", "packet_lore_quote"),
              ("repaint the item table", "table_repaint")]
    print("| operation (list of 5,000) | " + " | ".join(f"{n:,} items" for n in sizes) + " | slowest, largest base | within 16 ms |")
    print("|---|" + "---:|" * len(sizes) + "---:|---|")
    for label, key in clicks:
        means = [get(f"window/{key}/{n}") for n in sizes]
        worst = get(f"window/{key}/{largest}", "max_ms")
        ok = worst is not None and worst <= CLICK_LIMIT_MS
        print(f"| {label} | " + " | ".join(fmt(m) for m in means) + f" | {fmt(worst)} | {verdict(ok) if worst is not None else '–'} |")
        if worst is not None:
            targets.append((f"click: {label}", f"{fmt(worst)} ms", ok))
    print()

    print("### Lore selection, pure work vs. window (ms)\n")
    print("| items | CollectLoreLines + SlotLabelFor + ComputeLoreSpans | whole click in the window |")
    print("|---:|---:|---:|")
    for n in sizes:
        print(f"| {n:,} | {fmt(get(f'lore/pure/{n}'))} | {fmt(get(f'window/select_lore/{n}'))} |")
    print()

    print("### Item list work (ms, on the largest base)\n")
    rows = [("RebuildItemTable, 1,000 entries", "table/rebuild/1000", "window/rebuild_table/1000"),
            ("RebuildItemTable, 5,000 entries", "table/rebuild/5000", "window/rebuild_table/5000"),
            ("level sort, 5,000 rows", "table/sort_level/5000", "window/sort_level/5000"),
            ("ParsePastedLines, 5,000 lines into 5,000 entries", "list/parse_paste/5000", "window/parse_paste/5000"),
            ("\"Добавить\" with the paste above (parse, table, sort)", None, "window/paste_button/5000"),
            ("\"Добавить\", one pasted line of 20 MB", None, "window/paste_one_line/20MB"),
            ("\"Добавить\", 200,000 pasted lines", None, "window/paste_lines/200000"),
            ("packet \"Пакетные\", 5,000 entries", "packet/prefix/5000", None),
            ("packet \"Биржа\", 5,000 entries", "packet/exchange/5000", None),
            ("packet \"Сорт\", 5,000 entries", "packet/sort/5000", None),
            ("lore quote", "packet/lore_quote", None)]
    print("| work | library alone | in the window (events included) |")
    print("|---|---:|---:|")
    for label, core, window in rows:
        print(f"| {label} | {fmt(get(core)) if core else '–'} | {fmt(get(window)) if window else '–'} |")
    print()

    print("### Start-up to the first shown window (ms; list.txt of 5,000 entries)\n")
    print("| items | in process, window built and shown (benchmark) | new process, exec to shown | peak RSS of that process (MB) |")
    print("|---:|---:|---:|---:|")
    for n in (10000, 100000):
        probe = read_pairs(os.path.join(results, f"startup-{n}.txt"))
        from_exec = float(probe["startup_from_exec_ms"]) if "startup_from_exec_ms" in probe else None
        rss = int(probe.get("peak_rss_kb", 0)) / 1024 if probe else None
        print(f"| {n:,} | {fmt(get(f'window/startup/{n}'))} | {fmt(from_exec)} | {rss:.0f} |" if rss else f"| {n:,} | {fmt(get(f'window/startup/{n}'))} | – | – |")
        if n == largest:
            shown = from_exec if from_exec is not None else get(f"window/startup/{n}")
            targets.append(("start-up to a shown window under 1.5 s", f"{fmt(shown)} ms",
                            shown is not None and shown < STARTUP_LIMIT_MS))
    print()

    print("### Cold start on a real X server (ms; median of the runs)\n")
    print("A new process on Xvfb with openbox, from exec to the first painted frame; the empty "
          "working folder and the folder with the 100,000-item base and a 5,000-entry list.txt "
          "taking turns. The program shows its window while the base loads on a worker thread; "
          "\"table filled\" is exec to the frame with the base taken up and the table painted. "
          "The folder-100000-waited row is the same folder with the window waiting for its base "
          "before it is shown.\n")
    keys = ("startup_from_exec_ms", "main_from_exec_ms", "application_ms", "window_built_ms",
            "show_ms", "exposed_and_painted_ms", "base_ready_ms")
    cold = {}
    for name in ("empty", "folder-100000", "folder-100000-waited"):
        pairs = read_pairs(os.path.join(results, f"coldstart-{name}.txt"))
        cold[name] = {key: median(runs_of(pairs, key)) for key in keys}
        main_at = cold[name]["main_from_exec_ms"]
        ready = cold[name]["base_ready_ms"]
        cold[name]["table_filled_ms"] = main_at + ready if main_at is not None and ready is not None else None
    if cold["empty"]["startup_from_exec_ms"] and cold["folder-100000"]["startup_from_exec_ms"]:
        shown = ("startup_from_exec_ms", "table_filled_ms", "main_from_exec_ms", "application_ms",
                 "window_built_ms", "show_ms", "exposed_and_painted_ms")
        print("| working folder | exec to painted | exec to table filled | exec to main | QApplication | window built (start-up included) | show | exposed and painted |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|")
        for name, c in cold.items():
            if c["startup_from_exec_ms"]:
                print(f"| {name} | " + " | ".join(fmt(c[k]) for k in shown) + " |")
        empty = cold["empty"]["startup_from_exec_ms"]
        ratio = cold["folder-100000"]["startup_from_exec_ms"] / empty
        targets.append((f"cold start on X with the 100,000-item base within {COLD_START_RATIO_LIMIT:g}x of an empty folder (window with the list shown, base loading)",
                        f"{ratio:.2f}x", ratio <= COLD_START_RATIO_LIMIT))
        filled = cold["folder-100000"]["table_filled_ms"]
        if filled:
            print(f"\nThe table filled over the whole base: {filled / empty:.2f}x the empty folder's first frame.")
    else:
        print("(not measured: no X server)")
    print()

    print("### Growth (ms)\n")
    print("| items | whole load, warm | whole load, fresh process | name search | property search | slowest click |")
    print("|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        fresh = median(read_repeated(os.path.join(results, f"fresh-{n}.txt")).get("load_load_ms", []))
        worst = [get(f"window/{key}/{n}", "max_ms") for _, key in clicks]
        worst = max((w for w in worst if w is not None), default=None)
        print(f"| {n:,} | {fmt(get(f'load/whole/{n}'))} | {fmt(fresh)} | {fmt(get(f'search/name/{n}'))} "
              f"| {fmt(get(f'search/phrase/{n}'))} | {fmt(worst)} |")
    print()

    if largest:
        print(f"### Targets on the {largest:,}-item base\n")
        print("| target | figure | |")
        print("|---|---:|---|")
        for label, figure, ok in targets:
            print(f"| {label} | {figure} | {verdict(ok)} |")


if __name__ == "__main__":
    main()
