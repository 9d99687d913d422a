#!/usr/bin/python3
"""The web page's cost to the stations: 8 stations at 1 record/s in one
velloran-cli process with the web page on and clients streaming
/api/events, beside 8 more in another process without the page, at the
same time on the same machine.

  bench/web_bench.py BUILD [SECONDS]   (default 120 s per part)

First 5 clients read the stream; then the same and one more client that
stops reading after its first bytes (a stalled tablet). Per part: the CPU of
both processes (their difference is the page's), the cycle lateness of each
side as the instruments see the queries arrive, the records each client got
and how long after its record's time stamp they arrived, and whether the
server dropped the stalled client.
"""
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

from stations_bench import SimLines, Station, grid_figures, run_cli

STATIONS = 8
INTERVAL = 1.0
CLIENTS = 5
TOKEN = "bench-token"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def open_stream(port):
    """A connected socket that has asked for /api/events."""
    for _ in range(100):
        try:
            sock = socket.create_connection(("127.0.0.1", port), timeout=5)
            break
        except OSError:
            time.sleep(0.1)
    else:
        raise SystemExit(f"nothing listens on 127.0.0.1:{port}")
    sock.sendall(f"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer {TOKEN}\r\n"
                 "Accept: text/event-stream\r\n\r\n".encode())
    return sock


class Reader(threading.Thread):
    """Reads the stream until told to stop; keeps, per record event, how
    many ms after the record's own time stamp it arrived."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.port, self.delays, self.closed_by_server, self.stop = port, [], False, False

    def run(self):
        sock = open_stream(self.port)
        sock.settimeout(1)
        pending, event = b"", None
        while not self.stop:
            try:
                data = sock.recv(65536)
            except socket.timeout:
                continue
            if not data:
                self.closed_by_server = True
                break
            now_ms = time.time() * 1000
            *lines, pending = (pending + data).split(b"\n")
            for line in lines:
                line = line.rstrip(b"\r")
                if line.startswith(b"event:"):
                    event = line[6:].strip()
                elif line.startswith(b"data:") and event == b"record":
                    try:
                        ts = json.loads(line[5:])["record"]["ts"]
                        self.delays.append(now_ms - ts)
                    except (ValueError, KeyError, TypeError):
                        pass
        sock.close()


class Stalled(threading.Thread):
    """Asks for the stream with a small receive buffer and never reads; at
    the end, reads what the kernel holds to see whether the server closed."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.port, self.closed_by_server = port, None
        self.sock = None

    def run(self):
        self.sock = open_stream(self.port)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)

    def finish(self):
        """True when the server has closed or reset the connection; False
        when it is still open (the read times out)."""
        self.sock.settimeout(2)
        try:
            while self.sock.recv(1 << 20):
                pass
            self.closed_by_server = True
        except ConnectionResetError:
            self.closed_by_server = True
        except OSError:
            self.closed_by_server = False
        self.sock.close()


def percentile(values, p):
    if not values:
        return float("nan")
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p))]


def part(build, root, sims, tag, seconds, stalled):
    port = free_port()
    web = [Station(build, root, f"w{tag}{i}", sims, interval=INTERVAL) for i in range(1, STATIONS + 1)]
    plain = [Station(build, root, f"p{tag}{i}", sims, interval=INTERVAL) for i in range(1, STATIONS + 1)]
    subprocess.run([f"{build}/velloran-cli", "--home", web[0].home, "setup", f"web.listen=127.0.0.1:{port}",
                    f"web.token={TOKEN}"], check=True, stdout=subprocess.DEVNULL)
    readers = [Reader(port) for _ in range(CLIENTS)]
    staller = Stalled(port) if stalled else None
    started = []

    def during(t):
        if not started and t > 1:
            started.append(t)
            for r in readers:
                r.start()
            if staller:
                staller.start()

    result = {}
    side = threading.Thread(target=lambda: result.update(plain=run_cli(build, plain, seconds)))
    side.start()
    rc, cpu, _, wall, _ = run_cli(build, web, seconds, during)
    side.join()
    for r in readers:
        r.stop = True
    for r in readers:
        r.join(5)
    if staller:
        staller.finish()
    p_rc, p_cpu, _, p_wall, _ = result["plain"]
    for s in web + plain:
        s.stop_sim()

    def lateness(group):
        figures = [grid_figures(sims.times(s.name, "< "), seconds, INTERVAL) for s in group]
        kept = min(f[0] for f in figures)
        p99 = max(f[1][1] for f in figures if f[1])
        return kept, p99

    w_kept, w_p99 = lateness(web)
    p_kept, p_p99 = lateness(plain)
    delays = [d for r in readers for d in r.delays]
    got = [len(r.delays) for r in readers]
    return {
        "exit": (rc, p_rc),
        "cpu": (100 * cpu / wall, 100 * p_cpu / p_wall),
        "kept": (w_kept, p_kept),
        "p99": (w_p99, p_p99),
        "records": (min(got), max(got)),
        "delay": (percentile(delays, 0.5), percentile(delays, 0.99), max(delays, default=float("nan"))),
        "dropped": None if not staller else staller.closed_by_server,
    }


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    build = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 120
    sims = SimLines()
    sims.start()
    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR", "/tmp")) as root:
        parts = [("5 clients", part(build, root, sims, "a", seconds, False)),
                 ("5 clients + 1 stalled", part(build, root, sims, "b", seconds, True))]
    print(f"{STATIONS} stations at {INTERVAL:g} s per process, {seconds:g} s per part; web: page on, plain: page off")
    print(f"{'part':<24}{'exit':>8}{'CPU% web':>10}{'CPU% plain':>11}{'page CPU%':>10}{'kept% web/plain':>16}"
          f"{'p99 ms web/plain':>18}{'records/client':>16}{'delivery ms p50/p99/max':>25}{'stalled dropped':>16}")
    for title, r in parts:
        print(f"{title:<24}{'%d/%d' % r['exit']:>8}{r['cpu'][0]:>10.2f}{r['cpu'][1]:>11.2f}"
              f"{r['cpu'][0] - r['cpu'][1]:>10.2f}{'%.1f/%.1f' % tuple(100 * k for k in r['kept']):>16}"
              f"{'%.2f/%.2f' % r['p99']:>18}{'%d-%d' % r['records']:>16}{'%.0f/%.0f/%.0f' % r['delay']:>25}"
              f"{'-' if r['dropped'] is None else ('yes' if r['dropped'] else 'no'):>16}")


if __name__ == "__main__":
    main()
