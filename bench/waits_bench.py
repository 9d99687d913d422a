#!/usr/bin/env python3
"""Every wait of the script language against the acquisition-time limit and
against a stop, with a real instrument that never answers (velloran-sim
dropping every answer): how long after the run's start the program ends at
a 3 s limit, and how long after SIGTERM it ends.

  bench/waits_bench.py BUILD

BUILD is the build folder holding velloran-cli and velloran-sim."""
import signal
import subprocess
import sys
import tempfile
import time

from serial_bench import COM, Stamped, start_sim, stop

LIMIT_S = 3.0
STOP_AT_S = 1.5
CAP_S = 15.0  # a wait that outlives this is stopped and shown as held

# Each wait as the only one of its cycle; the time waits are 10 s long.
WAITS = [
    ("RCV (no RTM: 9,999 s)", "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"),
    ("SND (STM 10 s)", "STM:10\r\nSSS\r\nSND:MEAS?%0D\r\nEEE\r\n"),
    ("WTM 10 s", "SSS\r\nSND:MEAS?%0D\r\nWTM:10\r\nEEE\r\n"),
    ("BRK 10 s", "SSS\r\nBRK:10\r\nEEE\r\n"),
    ("cycle wait (ITM 10 s)", "ITM:10\r\nSSS\r\nSND:MEAS?%0D\r\nEEE\r\n"),
    ("PAU", "SSS\r\nPAU\r\nEEE\r\n"),
]


def run(build, script, minutes, stop_at=None):
    """Seconds from the run's start (its first alarm line) to the program's
    end, or from the stop signal to the end; None when still held at CAP_S."""
    with tempfile.TemporaryDirectory() as home:
        path = f"{home}/script.txt"
        with open(path, "wb") as f:
            f.write(script.encode("ascii"))
        cli = f"{build}/velloran-cli"
        subprocess.run([cli, "--home", home, "setup", f"port={COM}", "lineSettings=115200,n,8,1",
                        f"script={path}", f"minutes={minutes}"], check=True, stdout=subprocess.DEVNULL)
        sim, _ = start_sim(build, home, ["--drop", "1"])
        proc = subprocess.Popen([cli, "--home", home, "run"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        out = Stamped(proc.stdout)
        out.start()
        launched = time.monotonic()
        signalled = None
        while proc.poll() is None and time.monotonic() - launched < CAP_S:
            if stop_at is not None and signalled is None and time.monotonic() - launched >= stop_at:
                proc.send_signal(signal.SIGTERM)
                signalled = time.monotonic()
            time.sleep(0.005)
        ended = time.monotonic()
        held = proc.poll() is None
        stop(proc)
        stop(sim)
        out.join(2)
        if held:
            return None
        if signalled is not None:
            return ended - signalled
        begin = out.times("alarm: ")[:1] or [launched]
        return ended - begin[0]


def shown(seconds):
    return f"held past {CAP_S:.0f} s" if seconds is None else f"{seconds:.2f} s"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    print(f"| wait | ends after a {LIMIT_S:.0f} s limit | ends after SIGTERM |")
    print("|---|---|---|")
    for name, script in WAITS:
        at_limit = run(build, script, LIMIT_S / 60)
        at_stop = run(build, script, 0, stop_at=STOP_AT_S)
        print(f"| {name} | {shown(at_limit)} | {shown(at_stop)} |", flush=True)


if __name__ == "__main__":
    main()
