#!/usr/bin/env python3
"""Start-up benchmark: time from launch until the first page has finished loading, and
the peak resident memory of the whole process tree, for varnok and for the bare page
view (bench_bare_view), measured alternately in one run on the same display.

The first page is a local page served by a small listener on 127.0.0.1 (the engine
keeps pages opened from files away from network URLs, so a file could not report back);
its load handler requests a second URL from the same listener, and the moment that
request arrives is "first page loaded". Nothing in the programs is instrumented, so
varnok is measured exactly as a user starts it.

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
        self.cond = threading.Condition()
        beacon = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                run = self.path.partition("run=")[2]
                if self.path.startswith("/home"):
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


class Launcher:
    def __init__(self, args, beacon, workdir):
        self.args, self.beacon, self.workdir = args, beacon, workdir
        self.marker = uuid.uuid4().hex[:10]

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

    def varnok_command(self, run, url):
        program_dir = os.path.join(self.workdir, f"varnok-{run}")
        os.makedirs(program_dir)
        program = os.path.join(program_dir, "varnok")
        shutil.copy2(self.args.varnok, program)
        if os.path.exists(self.args.advert):
            shutil.copy2(self.args.advert, program_dir)
        with open(os.path.join(program_dir, "varnok.ini"), "wb") as f:
            f.write(b"[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=" + url.encode() +
                    b"\r\n[history]\r\n[soucangjia]\r\n\r\n")
        # A site of its own, so no other varnok on the machine, nor a token left by an
        # earlier run, makes this one stand down as a second instance.
        env = dict(os.environ, VARNOK_PORT=str(free_port()),
                   VARNOK_SITE_URL=f"http://bench-{run}-{self.marker}.invalid/")
        return [program], env, program_dir

    def measure(self, kind, run):
        url = self.home_page(run)
        if kind == "varnok":
            command, env, cwd = self.varnok_command(run, url)
        else:
            command, env, cwd = [self.args.bare, url], dict(os.environ), self.workdir
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
            time.sleep(self.args.settle)
            rss = peak_rss_kib(process_tree(proc.pid))
        finally:
            stop(proc)
        return loaded - started, rss


def run_all(launcher, runs, results):
    for kind in ("varnok", "bare"):  # warm-up: page cache, font cache
        launcher.measure(kind, f"warmup-{kind}")
    for i in range(runs):
        order = ("varnok", "bare") if i % 2 == 0 else ("bare", "varnok")
        for kind in order:
            results[kind].append(launcher.measure(kind, f"{kind}-{i}"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnok", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--advert", default=os.path.join(os.path.dirname(__file__), "../../resources/guanggao.htm"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds to wait after the load before reading the peak memory")
    args = parser.parse_args()
    args.varnok, args.bare = os.path.abspath(args.varnok), os.path.abspath(args.bare)

    beacon = Beacon(filler="varnok " * 2000)
    results = {"varnok": [], "bare": []}
    with tempfile.TemporaryDirectory(prefix="varnok-bench-") as workdir:
        launcher = Launcher(args, beacon, workdir)
        try:
            run_all(launcher, args.runs, results)
        finally:
            launcher.remove_tokens()

    def median(kind, index):
        return statistics.median(r[index] for r in results[kind])

    v_time, b_time = median("varnok", 0), median("bare", 0)
    v_rss, b_rss = median("varnok", 1), median("bare", 1)
    print(f"runs per program: {args.runs} (after one warm-up each), medians")
    print(f"start-up to first page loaded: varnok {v_time * 1000:.0f} ms, bare view {b_time * 1000:.0f} ms, "
          f"ratio {v_time / b_time:.2f} (target <= 1.15)")
    print(f"peak RSS of the process tree:  varnok {v_rss / 1024:.0f} MiB, bare view {b_rss / 1024:.0f} MiB, "
          f"ratio {v_rss / b_rss:.2f}")
    for kind in ("varnok", "bare"):
        print(f"  {kind:6s} times (ms): " + " ".join(f"{t * 1000:.0f}" for t, _ in results[kind]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
