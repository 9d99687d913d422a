#!/usr/bin/python3
"""Several stations in one velloran-cli process, each polling its own
velloran-sim on a pseudo-terminal (MEAS? every 0.1 s).

  bench/stations_bench.py BUILD grid [SECONDS]   8 stations in one process,
      then 8 again with one instrument silent (the sim drops every answer)
      and one unplugged half-way (its sim killed), each time beside one
      station alone in a process of its own: per station the cycles kept and
      the lateness of each MEAS? as the instrument sees it
  bench/stations_bench.py BUILD soak [SECONDS] [N]  N stations (default 32,
      600 s) in one process beside one station alone in another: rows written
      against replies sent per station, CPU and RSS per station

Every run is stopped by SIGTERM after SECONDS (the stations' own stop).
BUILD is the build folder holding velloran-cli and velloran-sim; the folders
go to a temporary folder under $BENCH_DIR (default /tmp).
"""
import os
import selectors
import signal
import subprocess
import sys
import tempfile
import threading
import time

from serial_bench import cpu_seconds

COM = 7
INTERVAL = 0.1


def script(interval):
    """MEAS? every `interval` seconds, one value per record."""
    return ("SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\n"
            f"ITM:{interval:g}\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n")


class SimLines(threading.Thread):
    """Time-stamps every line the sims print ("< MEAS?" received, "> ..."
    sent) in one select loop, so the stamp is taken as the line arrives."""

    def __init__(self):
        super().__init__(daemon=True)
        self.sel = selectors.DefaultSelector()
        self.lock = threading.Lock()
        self.lines = {}  # name -> [(monotonic, line)]
        self.pending = {}

    def add(self, name, pipe):
        os.set_blocking(pipe.fileno(), False)
        with self.lock:
            self.lines[name] = []
            self.pending[name] = b""
            self.sel.register(pipe, selectors.EVENT_READ, name)

    def run(self):
        while True:
            with self.lock:
                has = bool(self.sel.get_map())
            if not has:
                time.sleep(0.01)
                continue
            for key, _ in self.sel.select(0.05):
                now = time.monotonic()
                name = key.data
                try:
                    data = key.fileobj.read()
                except (OSError, ValueError):
                    data = None
                if not data:
                    if data is not None or key.fileobj.closed:
                        with self.lock:
                            self.sel.unregister(key.fileobj)
                    continue
                *done, self.pending[name] = (self.pending[name] + data).split(b"\n")
                self.lines[name].extend((now, line.decode("utf-8", "replace")) for line in done)

    def times(self, name, prefix):
        return [t for t, line in list(self.lines[name]) if line.startswith(prefix)]


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Station:
    """A program folder set up for Com COM with its own sim."""

    def __init__(self, build, root, name, sims, sim_args=(), interval=INTERVAL):
        self.name, self.home = name, f"{root}/{name}"
        os.makedirs(self.home)
        with open(f"{self.home}/script.txt", "wb") as f:
            f.write(script(interval).encode("ascii"))
        subprocess.run([f"{build}/velloran-cli", "--home", self.home, "setup", f"port={COM}",
                        "lineSettings=115200,n,8,1", f"script={self.home}/script.txt", "csvOn=1",
                        f"csv={self.home}/out.csv", "numberColumnOn=1", "minutes=0"], check=True)
        self.sim = subprocess.Popen([f"{build}/velloran-sim", "--home", self.home, "--com", str(COM), *sim_args],
                                    stdout=subprocess.PIPE)
        sims.add(name, self.sim.stdout)
        link = f"{self.home}/dev/com{COM}"
        for _ in range(500):
            if os.path.islink(link) and os.readlink(link).startswith("/dev/pts/"):
                return
            time.sleep(0.01)
        raise SystemExit(f"{name}: velloran-sim did not link its pty")

    def rows(self):
        try:
            with open(f"{self.home}/out.csv", "rb") as f:
                return max(0, f.read().count(b"\r\n") - 1)
        except OSError:
            return 0

    def stop_sim(self):
        if self.sim.poll() is None:
            self.sim.terminate()
            self.sim.wait(10)


def run_cli(build, stations, seconds, during=None):
    """One velloran-cli process running `stations` for `seconds`, then
    SIGTERM; returns (exit code, CPU s, peak RSS KiB, wall s, stdout)."""
    args = [f"{build}/velloran-cli"]
    for s in stations:
        args += ["--home", s.home]
    out = tempfile.TemporaryFile()
    cli = subprocess.Popen(args + ["run"], stdout=out, stderr=subprocess.STDOUT)
    started = time.monotonic()
    cpu, rss = 0.0, 0
    while time.monotonic() - started < seconds and cli.poll() is None:
        try:
            cpu, rss = cpu_seconds(cli.pid), max(rss, rss_kib(cli.pid))
        except OSError:
            pass
        if during:
            during(time.monotonic() - started)
        time.sleep(0.2)
    try:
        cpu = cpu_seconds(cli.pid)
    except OSError:
        pass
    wall = time.monotonic() - started
    cli.send_signal(signal.SIGTERM)
    rc = cli.wait(60)
    out.seek(0)
    return rc, cpu, rss, wall, out.read().decode("utf-8", "replace")


def grid_figures(starts, seconds, interval=INTERVAL):
    """Cycles kept (MEAS? sent against the grid's slots within `seconds`) and
    lateness (mean, p99, max ms from the second cycle on; the first cycle's
    apart: it waits for the stations' start-up). A late cycle does not move
    the grid (the run catches up slot by slot), so the k-th MEAS? belongs to
    the k-th slot; the grid starts with the run, before the first MEAS? is
    sent, so it is placed at the earliest of them: a cycle is never early."""
    if len(starts) < 2:
        return 0.0, None
    offsets = [t - k * interval for k, t in enumerate(starts)]
    late = [(o - min(offsets)) * 1000 for o in offsets]
    first, late = late[0], sorted(late[1:])
    kept = len(starts) / int(seconds / interval)
    return kept, (sum(late) / len(late), late[min(len(late) - 1, int(len(late) * 0.99))], late[-1], first)


def beside_alone(build, root, sims, tag, stations, seconds, during=None):
    """`stations` in one process and, at the same time, one more station
    alone in a process of its own (the reference under the same load):
    the table rows of both."""
    alone = Station(build, root, f"alone{tag}", sims)
    result = {}
    side = threading.Thread(target=lambda: result.update(alone=run_cli(build, [alone], seconds)))
    side.start()
    rc, cpu, _, wall, _ = run_cli(build, stations, seconds, during)
    side.join()
    a_rc, a_cpu, _, a_wall, _ = result["alone"]
    rows = []
    for s in [alone] + stations:
        s.stop_sim()
        many = s is not alone
        rows.append((s.name, rc if many else a_rc, (cpu / len(stations) if many else a_cpu) / wall,
                     grid_figures(sims.times(s.name, "< "), wall)))
    return rows


def grid(build, seconds):
    sims = SimLines()
    sims.start()
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR", "/tmp")) as root:
        eight = [Station(build, root, f"g{i}", sims) for i in range(1, 9)]
        healthy = beside_alone(build, root, sims, "1", eight, seconds)
        # g7's instrument never answers; g8's goes away half-way (its sim killed).
        faulty = [Station(build, root, f"f{i}", sims, ["--drop", "1"] if i == 7 else []) for i in range(1, 9)]
        unplug = faulty[7].sim
        faults = beside_alone(build, root, sims, "2", faulty, seconds,
                              lambda t: t > seconds / 2 and unplug.poll() is None and unplug.kill())
    notes = {"f7": "silent", "f8": "unplugged half-way"}
    print(f"{'station':<8}{'exit':>5}{'kept %':>8}{'mean ms':>9}{'p99 ms':>8}{'max ms':>8}"
          f"{'p99-alone':>10}{'first ms':>9}{'CPU%':>7}")
    for title, rows in (("8 stations in one process, one alone beside them", healthy),
                        ("8 stations, f7 silent and f8 unplugged, one alone beside them", faults)):
        print(title)
        ref = rows[0][3][1][1]
        for name, rc, cpu, (kept, late) in rows:
            head = f"{name:<8}{rc:>5}{100 * kept:>8.1f}"
            if late is None or name == "f7":
                # A silent instrument's cycle waits out the reply time (RTM 0.5 s): no grid to keep.
                print(f"{head}{'-':>9}{'-':>8}{'-':>8}{'-':>10}{'-':>9}{100 * cpu:>7.2f}  {notes.get(name, '')}")
                continue
            mean, p99, worst, first = late
            print(f"{head}{mean:>9.2f}{p99:>8.2f}{worst:>8.2f}{p99 - ref:>10.2f}{first:>9.1f}{100 * cpu:>7.2f}")


def soak(build, seconds, n):
    sims = SimLines()
    sims.start()
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR", "/tmp")) as root:
        many = [Station(build, root, f"s{i:02}", sims) for i in range(1, n + 1)]
        alone = Station(build, root, "alone", sims)
        result = {}
        side = threading.Thread(target=lambda: result.update(alone=run_cli(build, [alone], seconds)))
        side.start()
        rc, cpu, rss, wall, out = run_cli(build, many, seconds)
        side.join()
        time.sleep(0.5)  # the sims' last lines
        a_rc, a_cpu, a_rss, a_wall, _ = result["alone"]
        print(f"{'station':<8}{'replies':>9}{'rows':>8}{'lost':>6}")
        lost_total, replies_total = 0, 0
        for s in many + [alone]:
            s.stop_sim()
            replies = len(sims.times(s.name, "> "))
            rows = s.rows()
            # A stop between a reply and its cycle's end leaves that reply without a row.
            lost = max(0, replies - rows - 1)
            lost_total += lost if s is not alone else 0
            replies_total += replies if s is not alone else 0
            print(f"{s.name:<8}{replies:>9}{rows:>8}{lost:>6}")
        bad = [line for line in out.splitlines() if line and not any(line.startswith(s.name + ": ") for s in many)]
        print()
        print(f"{'process':<14}{'stations':>9}{'exit':>5}{'wall s':>8}{'replies':>9}{'lost':>6}"
              f"{'CPU% /station':>14}{'RSS MiB':>9}{'RSS MiB /station':>17}")
        print(f"{'one alone':<14}{1:>9}{a_rc:>5}{a_wall:>8.0f}{len(sims.times('alone', '> ')):>9}{'':>6}"
              f"{100 * a_cpu / a_wall:>14.2f}{a_rss / 1024:>9.1f}{a_rss / 1024:>17.1f}")
        print(f"{'all in one':<14}{n:>9}{rc:>5}{wall:>8.0f}{replies_total:>9}{lost_total:>6}"
              f"{100 * cpu / wall / n:>14.2f}{rss / 1024:>9.1f}{rss / 1024 / n:>17.2f}")
        print(f"each station beyond the first: {(rss - a_rss) / 1024 / (n - 1):.2f} MiB;"
              f" stdout lines not led by a station's name: {len(bad)}")


def main():
    if len(sys.argv) < 3 or sys.argv[2] not in ("grid", "soak"):
        raise SystemExit(__doc__)
    build, what = sys.argv[1], sys.argv[2]
    if what == "grid":
        grid(build, float(sys.argv[3]) if len(sys.argv) > 3 else 60)
    else:
        soak(build, float(sys.argv[3]) if len(sys.argv) > 3 else 600, int(sys.argv[4]) if len(sys.argv) > 4 else 32)


if __name__ == "__main__":
    main()
