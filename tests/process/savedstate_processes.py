#!/usr/bin/env python3
"""The saved state across real processes, with tarnbook_savedriver (the program's entry with a
window that changes its own list without pause).

kill-rounds: round after round, the driver starts in one folder, changes its list for a random
time, gets SIGTERM (now and then SIGHUP or SIGINT instead) and then, at a random moment after
it, SIGKILL. Every start must show the
list as it was at most one second before the last kill, whole (the digest of all entries must
be one the list really had); a driver that finished its save at the signal must come back with
its last list exactly.

single-instance: a second copy in a running copy's folder says so, brings the first to the
front and touches no file; copies in other folders run side by side; a lock left by a killed
copy is taken over; of two copies started at once in one folder exactly one runs; where no
lock file can be made (a read-only tmpfs, where mounting is allowed) the program still runs.

Usage:
  savedstate_processes.py kill-rounds DRIVER [--rounds N] [--seed S]
  savedstate_processes.py single-instance DRIVER

Exit status 0 when every check holds, 1 otherwise; the last line counts passes and failures.
"""

import argparse
import os
import random
import signal
import subprocess
import sys
import tempfile
import threading
import time

# A change is on disk at most this long before a kill.
MAX_AGE_MS = 1000
START_TIMEOUT = 30.0
ALREADY_RUNNING = "Tarnbook уже запущен в этой папке"


class Failure(Exception):
    pass


def now_ms():
    return time.monotonic() * 1000.0


def read_log(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as log:
            return [line.rstrip("\n").split(" ", 1) + [""] for line in log if line.strip()]
    except FileNotFoundError:
        return []


def list_events(log):
    """(kind, ms, digest, count) of the start line and every change."""
    events = []
    for kind, rest, _ in log:
        if kind in ("start", "state"):
            ms, digest, count = rest.split(" ")
            events.append((kind, float(ms), digest, int(count)))
    return events


def sanitizer_report(path):
    """The start of a sanitizer's report in the error output kept at `path`, or None (a build
    with AddressSanitizer or UndefinedBehaviorSanitizer reports there)."""
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", "replace")
    for marker in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
        at = text.find(marker)
        if at >= 0:
            return text[at:at + 2000]
    return None


class Driver:
    def __init__(self, exe, folder, log, *args):
        self.log = log
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.stderr = open(log + ".stderr", "wb")
        self.process = subprocess.Popen([exe, "--log", log, *args], cwd=folder, env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=self.stderr)

    def lines(self):
        return read_log(self.log)

    def wait_for(self, kind, timeout=START_TIMEOUT):
        """The first log line of `kind`, waiting up to `timeout` seconds for it; None when it
        does not come or the process ends without it."""
        deadline = time.monotonic() + timeout
        while True:
            ended = self.process.poll() is not None
            for line in self.lines():
                if line[0] == kind:
                    return line
            if ended or time.monotonic() >= deadline:
                return None
            time.sleep(0.005)

    def finish(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        finally:
            self.stderr.close()

    def sanitizer_report(self):
        return sanitizer_report(self.log + ".stderr")

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.finish()


def acceptable_digests(events, kill_ms):
    """The lists that were current at some moment of the last MAX_AGE_MS before the kill."""
    digests = {}
    for i, (_, ms, digest, _) in enumerate(events):
        until = events[i + 1][1] if i + 1 < len(events) else kill_ms
        if until >= kill_ms - MAX_AGE_MS:
            digests[digest] = max(0.0, kill_ms - until)
    return digests


def age_of(events, digest, kill_ms):
    """How long before the kill the list with `digest` stopped being current."""
    for i in range(len(events) - 1, -1, -1):
        if events[i][2] == digest:
            until = events[i + 1][1] if i + 1 < len(events) else kill_ms
            return max(0.0, kill_ms - until)
    return None


class RoundStats:
    def __init__(self):
        self.lock = threading.Lock()
        self.failures = 0
        self.ages = []
        self.endings = {"saved at the signal": 0, "killed before or during the save": 0}
        self.changes = 0
        self.leftovers = 0

    def fail(self, message):
        with self.lock:
            self.failures += 1
            print("FAILED " + message, flush=True)


def kill_rounds_in(exe, top, name, rounds, seed, stats):
    """`rounds` rounds in one folder, then a last start that checks the last kill."""
    rng = random.Random(seed)
    folder = os.path.join(top, name)
    logs = os.path.join(top, name + "-logs")
    os.mkdir(folder)
    os.mkdir(logs)
    expected = None  # digest -> its age at the last kill; None before the first round
    previous = None
    for round_no in range(rounds + 1):
        log = os.path.join(logs, "round%03d.log" % round_no)
        last = round_no == rounds
        args = [] if last else ["--mutate", "--seed", str(seed * 1000 + round_no)]
        driver = Driver(exe, folder, log, *args)
        start = driver.wait_for("start")
        if start is None:
            driver.stop()
            stats.fail("%s round %d: the driver did not start (log %s)" % (name, round_no, log))
            return
        digest = start[1].split(" ")[1]
        if expected is not None:
            if digest in expected:
                with stats.lock:
                    stats.ages.append(expected[digest])
            else:
                stats.fail("%s round %d: the start shows a list the driver did not have in the "
                           "last %d ms before the kill (%s; log %s)"
                           % (name, round_no, MAX_AGE_MS, previous, log))
        if last:
            driver.process.send_signal(signal.SIGTERM)
            if driver.finish() != 0 or driver.wait_for("saved", 0) is None:
                stats.fail("%s: the last start did not save and end at SIGTERM" % name)
            report = driver.sanitizer_report()
            if report:
                stats.fail("%s: sanitizer report:\n%s" % (name, report))
            break

        time.sleep(rng.uniform(0.05, 1.2))
        # Mostly the shutdown's SIGTERM; the terminal's SIGHUP and Ctrl+C's SIGINT save too.
        first = rng.choice([signal.SIGTERM] * 4 + [signal.SIGHUP, signal.SIGINT])
        driver.process.send_signal(first)
        mode = rng.choice(["now", "soon", "later", "let it finish"])
        delay = {"now": 0.0, "soon": rng.uniform(0.0, 0.005),
                 "later": rng.uniform(0.005, 0.08), "let it finish": 10.0}[mode]
        if delay > 0:
            try:
                driver.process.wait(timeout=delay)
            except subprocess.TimeoutExpired:
                pass
        if driver.process.poll() is None:
            driver.process.kill()
        kill_ms = now_ms()
        status = driver.finish()
        report = driver.sanitizer_report()
        if report:
            stats.fail("%s round %d: sanitizer report:\n%s" % (name, round_no, report))
        log_lines = driver.lines()
        events = list_events(log_lines)
        saved = [rest for kind, rest, _ in log_lines if kind == "saved"]
        errors = [rest for kind, rest, _ in log_lines if kind == "error"]
        if errors:
            stats.fail("%s round %d: error boxes: %s" % (name, round_no, errors[:3]))
        if saved and saved[0] != "ok":
            stats.fail("%s round %d: the save at the signal failed" % (name, round_no))
        with stats.lock:
            stats.changes += len(events) - 1
            stats.endings["saved at the signal" if saved
                          else "killed before or during the save"] += 1
        # A save at the signal came after the last change: nothing may be missing then.
        expected = {events[-1][2]: 0.0} if saved else acceptable_digests(events, kill_ms)
        previous = "SIGKILL %s after %s, exit %s, %d changes" % (
            mode, signal.Signals(first).name, status, len(events) - 1)
    with stats.lock:
        stats.leftovers += len([entry for entry in os.listdir(folder)
                                if entry.startswith(("list.txt.", "settings.ini.", "save1.txt."))])


def kill_rounds(exe, rounds, seed, folders=2):
    """The rounds shared among `folders` folders that run at the same time."""
    stats = RoundStats()
    with tempfile.TemporaryDirectory(prefix="tarnbook-kill-") as top:
        shares = [rounds // folders + (1 if i < rounds % folders else 0) for i in range(folders)]
        threads = [threading.Thread(target=kill_rounds_in,
                                    args=(exe, top, "folder%d" % i, share, seed + i, stats))
                   for i, share in enumerate(shares) if share > 0]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    print("%d rounds, %d changes; %s" % (rounds, stats.changes, ", ".join(
        "%s: %d" % kv for kv in stats.endings.items())))
    if stats.ages:
        print("the list shown at the next start was current until at most %.0f ms before the "
              "kill (mean %.0f ms)" % (max(stats.ages), sum(stats.ages) / len(stats.ages)))
    print("temporary files left by kills in the middle of a write: %d" % stats.leftovers)
    return stats.failures


def snapshot(folder):
    files = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        info = os.stat(path)
        with open(path, "rb") as f:
            files[name] = (info.st_ino, info.st_mtime_ns, f.read())
    return files


def wait_until_quiet(folder, quiet=0.8, timeout=15.0):
    """Waits until no file of `folder` has changed for `quiet` seconds (the window's saves
    after it appeared are done)."""
    deadline = time.monotonic() + timeout
    before = snapshot(folder)
    calm_since = time.monotonic()
    while time.monotonic() < deadline:
        time.sleep(0.05)
        current = snapshot(folder)
        if current != before:
            before = current
            calm_since = time.monotonic()
        elif time.monotonic() - calm_since >= quiet:
            return current
    raise Failure("the files of %s kept changing" % folder)


def mount_read_only(folder, files):
    """A small tmpfs on `folder` holding `files` (name: text), then made read-only; False
    where mounting is not allowed."""
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder],
                          **quiet).returncode != 0:
            return False
    except OSError:
        return False
    for name, text in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text.encode("utf-8"))
    if subprocess.run(["mount", "-o", "remount,ro", folder], **quiet).returncode != 0:
        subprocess.run(["umount", "-l", folder], **quiet)
        return False
    return True


def single_instance(exe):
    failures = 0
    checks = 0

    def check(condition, what):
        nonlocal failures, checks
        checks += 1
        if not condition:
            failures += 1
            print("FAILED: " + what)

    with tempfile.TemporaryDirectory(prefix="tarnbook-lock-") as top:
        first = os.path.join(top, "first")
        other = os.path.join(top, "other")
        race = os.path.join(top, "race")
        logs = os.path.join(top, "logs")
        for path in (first, other, race, logs):
            os.mkdir(path)
        with open(os.path.join(first, "list.txt"), "wb") as f:
            f.write("\ufeffшлем\r\nкольцо\r\nплащ\r\n".encode("utf-8"))
        log = lambda name: os.path.join(logs, name + ".log")

        a = Driver(exe, first, log("a"))
        start = a.wait_for("start")
        if start is None:
            a.stop()
            raise Failure("the first copy did not start")
        check(start[1].endswith(" 3"), "the first copy shows list.txt's 3 entries")
        check(os.path.exists(os.path.join(first, "tarnbook.lock")),
              "the running copy has its lock file beside settings.ini")
        before = wait_until_quiet(first)

        b = Driver(exe, first, log("b"))
        status = b.finish(timeout=30)
        told = b.wait_for("already-running", 0)
        check(status == 0, "the second copy ends with status 0 (got %s)" % status)
        check(told is not None and told[1] == ALREADY_RUNNING,
              "the second copy says «%s»" % ALREADY_RUNNING)
        check(b.wait_for("start", 0) is None, "the second copy opens no window")
        check(a.wait_for("raised", 10) is not None,
              "the first copy is asked to come to the front")
        check(snapshot(first) == before, "the second copy leaves every file as it was")

        c = Driver(exe, other, log("c"))
        check(c.wait_for("start") is not None, "a copy in another folder runs side by side")
        c.process.send_signal(signal.SIGTERM)
        check(c.finish() == 0 and c.wait_for("saved", 0) is not None,
              "the copy in the other folder saves and ends at SIGTERM")

        a.stop()  # SIGKILL: its lock stays behind
        check(os.path.exists(os.path.join(first, "tarnbook.lock")),
              "a killed copy leaves its lock file")
        d = Driver(exe, first, log("d"))
        start = d.wait_for("start")
        check(start is not None and start[1].endswith(" 3"),
              "the next copy takes over the lock of the killed one and shows the list")
        d.process.send_signal(signal.SIGTERM)
        check(d.finish() == 0, "that copy ends at SIGTERM")
        check(not os.path.exists(os.path.join(first, "tarnbook.lock")),
              "a copy that ends removes its lock file")

        read_only = os.path.join(top, "read-only")
        os.mkdir(read_only)
        if mount_read_only(read_only, {"list.txt": "\ufeffшлем\r\nкольцо\r\n"}):
            try:
                e = Driver(exe, read_only, log("e"))
                start = e.wait_for("start")
                check(start is not None and start[1].endswith(" 2"),
                      "a copy runs in a folder where no lock file can be made")
                e.process.send_signal(signal.SIGTERM)
                check(e.finish() == 1 and e.wait_for("saved", 0) == ["saved", "failed", ""],
                      "a save at SIGTERM that cannot write ends with status 1")
            finally:
                subprocess.run(["umount", "-l", read_only], check=False)
        else:
            print("not checked: a folder where no lock file can be made "
                  "(no tmpfs can be mounted here)")

        for attempt in range(5):
            pair = [Driver(exe, race, log("race%d%s" % (attempt, side))) for side in "xy"]
            started = []
            for driver in pair:
                line = None
                deadline = time.monotonic() + START_TIMEOUT
                while line is None and time.monotonic() < deadline:
                    line = driver.wait_for("start", 0.05) or driver.wait_for("already-running", 0)
                started.append(line is not None and line[0] == "start")
            check(started.count(True) == 1,
                  "of two copies started at once in one folder exactly one runs (%s)" % started)
            for driver in pair:
                if driver.process.poll() is None:
                    driver.process.send_signal(signal.SIGTERM)
                driver.finish()
        for name in sorted(os.listdir(logs)):
            if name.endswith(".stderr"):
                report = sanitizer_report(os.path.join(logs, name))
                check(report is None, "no sanitizer report in %s:\n%s" % (name, report))
    print("%d passed, %d failed" % (checks - failures, failures))
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("test", choices=["kill-rounds", "single-instance"])
    parser.add_argument("driver")
    parser.add_argument("--rounds", type=int, default=50)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    driver = os.path.abspath(args.driver)
    if sys.platform != "linux":
        print("SKIPPED: signals and process control of Linux")
        return 77
    try:
        if args.test == "kill-rounds":
            seed = args.seed if args.seed is not None else random.randrange(1, 1 << 30)
            print("seed %d (run again with --seed %d)" % (seed, seed), flush=True)
            failures = kill_rounds(driver, args.rounds, seed)
            print("%d passed, %d failed" % (args.rounds - failures, failures))
        else:
            failures = single_instance(driver)
    except Failure as failure:
        print("FAILED: %s" % failure)
        print("0 passed, 1 failed")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
