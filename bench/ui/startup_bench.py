#!/usr/bin/env python3
"""Start-up benchmark: time from launch until the first page has finished loading, and
the peak resident memory of the whole process tree, for varnok, for the bare page view
(bench_bare_view) and, when given, for Falkon and for another build of varnok (an
earlier one, to compare before and after), measured alternately in one run on the same
display.

Falkon keeps a profile: its warm-up run makes one and is closed the way a person quits
(Ctrl+Q, through xdotool), and every measured run starts from a fresh copy of it, so no
run pays for a first start or for crash recovery. The saved session is left out of the
copy, so a run opens only its own first page, as the other two programs do.

The first page is a local page served by a small listener on 127.0.0.1 (the engine
keeps pages opened from files away from network URLs, so a file could not report back);
its load handler requests a second URL from the same listener, and the moment that
request arrives is "first page loaded". Nothing in the programs is instrumented, so
varnok is measured exactly as a user starts it.

varnok and the bare view both keep a persistent web profile (cookies, storage, disk
cache under the XDG data and cache directories). Each program has a home of its own for
the whole run, which its warm-up fills, so every measured run starts with a profile
that exists, as a person's does.

With the times it reports the CPU time each program had used by the moment its page
loaded: of its main thread, of its other threads and of its child processes. The engine's
browser side shares the main thread with the windows, so that thread's time is the
start-up's critical path, and it moves far less with the machine's load than the
wall-clock times do: a change of a few milliseconds shows there first.

Run it under a display, e.g. through scripts/bench-startup.sh.
"""
import argparse
import http.server
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import uuid

HOME_PAGE = """<html><head><meta charset="utf-8"><title>start-up benchmark</title></head>
<body><h1>first page</h1><p>{filler}</p>
<script>
window.addEventListener('load', function () {{
  new Image().src = 'http://127.0.0.1:{port}/loaded?run={run}';
}});
</script></body></html>
"""


class Beacon:
    """Serves each run's first page and records when it reported itself loaded."""

    def __init__(self, filler):
        self.arrivals = {}
        self.requested = {}
        self.cond = threading.Condition()
        beacon = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                run = self.path.partition("run=")[2]
                if self.path.startswith("/home"):
                    beacon.requested.setdefault(run, time.monotonic())
                    body = HOME_PAGE.format(port=beacon.port, run=run, filler=filler).encode()
                    self.send_response(200)
                    self.send_header("Content-Type", "text/html; charset=utf-8")
                    self.send_header("Content-Length", str(len(body)))
                    self.send_header("Cache-Control", "no-store")
                    self.end_headers()
                    self.wfile.write(body)
                    return
                with beacon.cond:
                    beacon.arrivals.setdefault(run, time.monotonic())
                    beacon.cond.notify_all()
                self.send_response(204)
                self.end_headers()

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def wait(self, run, timeout):
        with self.cond:
            self.cond.wait_for(lambda: run in self.arrivals, timeout)
            return self.arrivals.get(run)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def process_tree(root):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                ppid = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(ppid, []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def tree_cpu(root):
    """CPU seconds so far: the main thread, the main process's other threads, the children."""
    tick = os.sysconf("SC_CLK_TCK")
    main = others = children = 0.0
    for pid in process_tree(root):
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tasks:
            try:
                with open(f"/proc/{pid}/task/{tid}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            used = (int(fields[11]) + int(fields[12])) / tick
            if pid != root:
                children += used
            elif int(tid) == root:
                main += used
            else:
                others += used
    return main, others, children


def peak_rss_kib(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def stop(proc):
    pids = process_tree(proc.pid)
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    for pid in pids[1:]:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass


def env_with_home(home):
    """This environment with `home` as HOME and the XDG directories under it."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_") or k == "XDG_RUNTIME_DIR"}
    env["HOME"] = home
    return env


def quit_like_a_person(proc):
    """Closes a program through its quit key so that it saves a clean profile."""
    windows = subprocess.run(["xdotool", "search", "--pid", str(proc.pid), "--onlyvisible", "--name", "."],
                             capture_output=True, text=True).stdout.split()
    if windows:
        subprocess.run(["xdotool", "windowfocus", "--sync", windows[0]], capture_output=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+q"], capture_output=True)
        try:
            proc.wait(timeout=20)
            return
        except subprocess.TimeoutExpired:
            pass
    raise RuntimeError("falkon: its warm-up run did not quit on Ctrl+Q, so it left no clean profile")


class Launcher:
    def __init__(self, args, beacon, workdir):
        self.args, self.beacon, self.workdir = args, beacon, workdir
        self.marker = uuid.uuid4().hex[:10]
        self.falkon_profile = os.path.join(workdir, "falkon-profile")

    def remove_tokens(self):
        """Drops the single-instance tokens this run's programs published (best effort)."""
        for name in os.listdir("/dev/shm") if os.path.isdir("/dev/shm") else []:
            if self.marker in name:
                try:
                    os.unlink(os.path.join("/dev/shm", name))
                except OSError:
                    pass

    def home_page(self, run):
        return f"http://127.0.0.1:{self.beacon.port}/home?run={run}"

    def varnok_command(self, run, url, kind):
        build = self.args.varnok if kind == "varnok" else self.args.before
        program_dir = os.path.join(self.workdir, f"varnok-{run}")
        os.makedirs(program_dir)
        program = os.path.join(program_dir, "varnok")
        shutil.copy2(build, program)
        if os.path.exists(self.args.advert):
            shutil.copy2(self.args.advert, program_dir)
        with open(os.path.join(program_dir, "varnok.ini"), "wb") as f:
            f.write(b"[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=" + url.encode() +
                    b"\r\n[history]\r\n[soucangjia]\r\n\r\n")
        # A site of its own, so no other varnok on the machine, nor a token left by an
        # earlier run, makes this one stand down as a second instance.
        env = dict(self.own_home(kind), VARNOK_PORT=str(free_port()),
                   VARNOK_SITE_URL=f"http://bench-{run}-{self.marker}.invalid/")
        return [program], env, program_dir

    def own_home(self, kind):
        """The environment with a home kept by `kind` for the whole run (its profile)."""
        home = os.path.join(self.workdir, f"home-{kind}")
        os.makedirs(home, exist_ok=True)
        return env_with_home(home)

    def falkon_command(self, run, url):
        home = os.path.join(self.workdir, f"falkon-{run}")
        if run.startswith("warmup"):
            os.makedirs(home)
        else:
            shutil.copytree(self.falkon_profile, home, symlinks=True)
        return [self.args.falkon, "--no-remote", url], env_with_home(home), home

    def keep_falkon_profile(self, run):
        """The warm-up's profile, less its saved session, is where every later run starts."""
        shutil.copytree(os.path.join(self.workdir, f"falkon-{run}"), self.falkon_profile, symlinks=True)
        for root, _dirs, files in os.walk(self.falkon_profile):
            for name in files:
                if name.startswith("session.dat"):
                    os.unlink(os.path.join(root, name))

    def measure(self, kind, run):
        url = self.home_page(run)
        if kind in ("varnok", "before"):
            command, env, cwd = self.varnok_command(run, url, kind)
        elif kind == "falkon":
            command, env, cwd = self.falkon_command(run, url)
        else:
            command, env, cwd = [self.args.bare, url], self.own_home("bare"), self.workdir
        env.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
        log_path = os.path.join(self.workdir, f"{run}.log")
        with open(log_path, "wb") as log:
            started = time.monotonic()
            proc = subprocess.Popen(command, env=env, cwd=cwd, stdout=log, stderr=subprocess.STDOUT)
        try:
            loaded = self.beacon.wait(run, self.args.timeout)
            if loaded is None:
                with open(log_path, errors="replace") as log:
                    tail = "".join(log.readlines()[-15:])
                state = "still running" if proc.poll() is None else f"exited with {proc.returncode}"
                raise RuntimeError(f"{kind}: the first page did not report itself loaded within "
                                   f"{self.args.timeout} s (run {run}, {state}); its output ends:\n{tail}")
            cpu = tree_cpu(proc.pid)
            time.sleep(self.args.settle)
            rss = peak_rss_kib(process_tree(proc.pid))
            if kind == "falkon" and run.startswith("warmup"):
                quit_like_a_person(proc)
                self.keep_falkon_profile(run)
        finally:
            stop(proc)
        return loaded - started, rss, self.beacon.requested[run] - started, cpu


def run_all(launcher, kinds, runs, results):
    for kind in kinds:  # warm-up: page cache, font cache, Falkon's profile
        launcher.measure(kind, f"warmup-{kind}")
    for i in range(runs):
        # Each program takes each place in the order in turn.
        order = kinds[i % len(kinds):] + kinds[:i % len(kinds)]
        for kind in order:
            results[kind].append(launcher.measure(kind, f"{kind}-{i}"))


def report(results, runs):
    def median(kind, index):
        return statistics.median(r[index] for r in results[kind])

    names = {"varnok": "varnok", "bare": "bare view", "falkon": "Falkon", "before": "varnok before"}
    print(f"runs per program: {runs} (after one warm-up each), medians")
    print("start-up to first page loaded: " +
          ", ".join(f"{names[k]} {median(k, 0) * 1000:.0f} ms" for k in results))
    print("peak RSS of the process tree:  " +
          ", ".join(f"{names[k]} {median(k, 1) / 1024:.0f} MiB" for k in results))
    print("first page requested after:    " +
          ", ".join(f"{names[k]} {median(k, 2) * 1000:.0f} ms" for k in results))
    targets = {("bare", 0): 1.10, ("bare", 1): 1.15, ("falkon", 1): 1.00}
    for mine in (k for k in ("varnok", "before") if k in results):
        for other in (k for k in results if k not in ("varnok", "before")):
            for index, what in ((0, "start-up"), (1, "peak RSS")):
                ratio = median(mine, index) / median(other, index)
                target = targets.get((other, index))
                goal = f" (target <= {target:.2f})" if target else ""
                print(f"ratio {names[mine]}/{names[other]:9s} {what:8s}: {ratio:.2f}{goal}")
    print("CPU s at load (main thread / other threads / child processes): " + ", ".join(
        f"{names[k]} " + "/".join(f"{statistics.median(r[3][j] for r in results[k]):.2f}" for j in range(3))
        for k in results))
    for kind in results:
        print(f"  {kind:6s} times (ms): " + " ".join(f"{r[0] * 1000:.0f}" for r in results[kind]) +
              ";  peak RSS (MiB): " + " ".join(f"{r[1] / 1024:.0f}" for r in results[kind]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnok", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--falkon", help="Falkon's program, measured as a third program when given")
    parser.add_argument("--before", help="another build of varnok, measured alongside when given")
    parser.add_argument("--advert", default=os.path.join(os.path.dirname(__file__), "../../resources/guanggao.htm"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds to wait after the load before reading the peak memory")
    args = parser.parse_args()
    args.varnok, args.bare = os.path.abspath(args.varnok), os.path.abspath(args.bare)
    kinds = ["varnok", "bare"]
    if args.before:
        args.before = os.path.abspath(args.before)
        kinds.append("before")
    if args.falkon:
        if not shutil.which("xdotool"):
            print("xdotool is not installed: Falkon's warm-up cannot be quit to leave a clean profile",
                  file=sys.stderr)
            return 2
        kinds.append("falkon")

    beacon = Beacon(filler="varnok " * 2000)
    results = {kind: [] for kind in kinds}
    with tempfile.TemporaryDirectory(prefix="varnok-bench-") as workdir:
        launcher = Launcher(args, beacon, workdir)
        try:
            run_all(launcher, kinds, args.runs, results)
        finally:
            launcher.remove_tokens()
    report(results, args.runs)
    return 0


if __name__ == "__main__":
    sys.exit(main())
