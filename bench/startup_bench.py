#!/usr/bin/python3
"""Start-up time of `velloran` to its main window.

  bench/startup_bench.py BUILD [RUNS]

BUILD is the build folder holding velloran, velloran-cli and velloran-sim.
The program is copied into a fresh program folder with a setup.dat for the
port of velloran-sim (started as serial_bench.py starts it), then started
RUNS times (default 20) with VELLORAN_REPORT_SHOWN=quit: it writes one
line to standard error when the main window has been painted for the first
time, and ends. Measured from the spawn of the process to that line (exec,
libraries, Qt, settings, port, window), on the offscreen platform and, when
Xvfb is installed, on an X server (the xcb platform, fonts and window
mapping included).
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from serial_bench import COM, start_sim, stop

SHOWN = re.compile(r"velloran: main window shown after (\d+) ms")


def prepare(build, home):
    shutil.copy2(f"{build}/velloran", f"{home}/velloran")
    subprocess.run([f"{build}/velloran-cli", "--home", home, "setup", f"port={COM}", "lineSettings=9600,n,8,1"],
                   check=True, stdout=subprocess.DEVNULL)
    sim, _ = start_sim(build, home, ["--quiet"])
    return sim


def one_start(home, env):
    """(spawn to shown ms, main() to shown ms as the program counts it)."""
    started = time.monotonic()
    p = subprocess.Popen([f"{home}/velloran"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    # A message box before the window (a setup.dat it cannot read, say) would wait for a click.
    killer = threading.Timer(20, p.kill)
    killer.start()
    inside = None
    for raw in p.stderr:
        m = SHOWN.search(raw.decode("utf-8", "replace"))
        if m:
            shown = time.monotonic()
            inside = int(m.group(1))
            break
    p.wait()
    killer.cancel()
    if inside is None:
        raise SystemExit("velloran ended (or was ended after 20 s) without showing its main window")
    return (shown - started) * 1000, inside


def x_server():
    """An Xvfb on a free display, or None when Xvfb is not installed."""
    if not shutil.which("Xvfb"):
        return None, None
    for n in range(90, 110):
        if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
            continue
        server = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                return server, f":{n}"
            time.sleep(0.02)
        server.kill()
    return None, None


def measure(home, env, runs):
    times = [one_start(home, env) for _ in range(runs)]
    spawn = [t for t, _ in times]
    inside = [i for _, i in times]
    return spawn[0], statistics.median(spawn[1:] or spawn), min(spawn), max(spawn), statistics.median(inside)


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    base = dict(os.environ, VELLORAN_REPORT_SHOWN="quit")
    base.pop("DISPLAY", None)
    with tempfile.TemporaryDirectory() as home:
        sim = prepare(build, home)
        server = None
        try:
            rows = [("offscreen", measure(home, dict(base, QT_QPA_PLATFORM="offscreen"), runs))]
            server, display = x_server()
            if server:
                rows.append(("xcb (Xvfb)", measure(home, dict(base, QT_QPA_PLATFORM="xcb", DISPLAY=display), runs)))
        finally:
            if server:
                server.terminate()
            stop(sim)
    print(f"{'platform':<12}{'runs':>6}{'first ms':>10}{'median ms':>11}{'min ms':>8}{'max ms':>8}{'in main ms':>12}")
    for name, (first, median, low, high, inside) in rows:
        print(f"{name:<12}{runs:>6}{first:>10.0f}{median:>11.0f}{low:>8.0f}{high:>8.0f}{inside:>12.0f}")


if __name__ == "__main__":
    main()
