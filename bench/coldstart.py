#!/usr/bin/env python3
# Usage: bench/coldstart.py PROBE RESULTS_DIR FOLDER... [--waited FOLDER] [--runs N]
#
# The start-up as a player meets it: a new process on a real X server. Starts Xvfb on a free
# display and a window manager (openbox), then starts `PROBE startup FOLDER` (the window in
# FOLDER, on the xcb platform) N times for each folder, the folders taking turns so that a
# burst of load on the machine falls on all of them alike. Each run prints the time from the
# process's exec and from main to the window's first painted frame, and the steps between.
# Writes RESULTS_DIR/coldstart-NAME.txt (NAME: the folder's name) with every run's figures as
# key=value lines, the keys of run k ending in "_k". A folder given with --waited is also
# started with the window waiting for its base before it is shown (NAME-waited). Exits 77 when
# no X server can start.

import argparse
import os
import select
import shutil
import subprocess
import sys
import time


def start_x():
    """Xvfb on a free display and openbox on it; returns (processes, environment). Tries a few
    times: another program's X server may take the same display at the same moment."""
    for _ in range(3):
        started = try_start_x()
        if started:
            return started
    print("coldstart: no X server with a window manager could start", file=sys.stderr)
    sys.exit(77)


def try_start_x():
    for tool in ("Xvfb", "openbox", "wmctrl"):
        if not shutil.which(tool):
            print(f"coldstart: {tool} is not installed", file=sys.stderr)
            sys.exit(77)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    ready, _, _ = select.select([read_end], [], [], 15)
    number = os.read(read_end, 64).decode().strip() if ready else ""
    os.close(read_end)
    if not number:
        xvfb.kill()
        xvfb.wait()
        return None
    env = dict(os.environ, DISPLAY=":" + number, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("XAUTHORITY", None)
    wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stderr=subprocess.DEVNULL)
    # The window manager has taken over the screen once it answers on it.
    deadline = time.monotonic() + 15
    while subprocess.run(["wmctrl", "-m"], env=env, capture_output=True).returncode != 0:
        if wm.poll() is not None or time.monotonic() > deadline:
            for p in (wm, xvfb):
                p.kill()
                p.wait()
            return None
        time.sleep(0.1)
    return [wm, xvfb], env


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("probe")
    parser.add_argument("results")
    parser.add_argument("folders", nargs="+")
    parser.add_argument("--waited", action="append", default=[])
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    def name_of(folder):
        return os.path.basename(os.path.normpath(folder))

    starts = {name_of(f): [args.probe, "startup", f] for f in args.folders}
    starts.update({name_of(f) + "-waited": [args.probe, "startup", f, "waited"]
                   for f in args.waited})

    processes, env = start_x()
    try:
        runs = {name: [] for name in starts}
        # One unrecorded start first: the libraries, fonts and files into the page cache.
        for command in starts.values():
            subprocess.run(command, env=env, capture_output=True)
        for _ in range(args.runs):
            for name, command in starts.items():
                done = subprocess.run(command, env=env, capture_output=True, text=True)
                if done.returncode != 0:
                    print(f"coldstart: the start {name} failed ({done.returncode}): "
                          f"{done.stderr.strip()}", file=sys.stderr)
                    return 1
                runs[name].append(done.stdout)
        for name, outputs in runs.items():
            with open(os.path.join(args.results, f"coldstart-{name}.txt"), "w",
                      encoding="utf-8") as f:
                for k, output in enumerate(outputs):
                    for line in output.splitlines():
                        if "=" in line:
                            key, value = line.split("=", 1)
                            f.write(f"{key}_{k}={value}\n")
    finally:
        for p in processes:
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
