#!/usr/bin/python3
"""Whole-program figures over a pseudo-terminal, side by side with a minimal
pyserial logger doing the same job (Debian python3-serial).

  bench/serial_bench.py BUILD stream [SECONDS]  velloran-sim --stream 1 (its
      fastest, ~1,000 replies/s, each numbered): replies sent, rows written,
      bytes/s, replies missing between the first and the last row written
      (lost on the way) and after it (still on the line when the run ended),
      CPU% of the logger
  bench/serial_bench.py BUILD cycle [SECONDS]   a MEAS? every 0.1 s: lateness of
      each cycle start against its grid (mean, p99, max) and CPU%
  bench/serial_bench.py BUILD poll [SECONDS]    back-to-back polling (ITM 0: send
      MEAS?, read the reply, write the row, at once again): cycles/s and CPU
      time per cycle; the pyserial poller syncs each row as velloran does
  bench/serial_bench.py BUILD workbook [SECONDS] back-to-back polling with the live
      workbook on (headless Calc) beside the same run without it: cycles/s,
      and whether the office had to skip records to keep up
  bench/serial_bench.py BUILD net [SECONDS]     the poll above with the sim behind
      ser2net on 127.0.0.1, over rfc2217:// and tcp://, beside pyserial's
      serial_for_url poller on the same URLs (Debian ser2net)
  bench/serial_bench.py BUILD mail [SECONDS]    the 0.1 s grid with a normal mail
      every minute to a mail server that takes the connection and never
      answers: the largest gap between two cycle starts (at least 70 s)

BUILD is the build folder holding velloran-cli and velloran-sim.
"""
import os
import subprocess
import sys
import tempfile
import threading
import time

COM = 7
# The sim's drifting values, led by the answer's number.
STREAM_ARGS = ["--stream", "1", "--reply", "MEAS?={n},{v1},{v2}\\r"]


def cpu_seconds(pid):
    """User + system time of a running process, from /proc."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Stamped(threading.Thread):
    """Reads a pipe line by line and keeps (monotonic time, line)."""

    def __init__(self, pipe):
        super().__init__(daemon=True)
        self.pipe = pipe
        self.lines = []

    def run(self):
        for raw in self.pipe:
            self.lines.append((time.monotonic(), raw.decode("utf-8", "replace").rstrip("\n")))

    def times(self, prefix, since=0.0, until=float("inf")):
        return [t for t, line in list(self.lines) if line.startswith(prefix) and since <= t <= until]


def start_sim(build, home, args):
    sim = subprocess.Popen([f"{build}/velloran-sim", "--home", home, "--com", str(COM)] + args,
                           stdout=subprocess.PIPE)
    out = Stamped(sim.stdout)
    out.start()
    link = f"{home}/dev/com{COM}"
    for _ in range(500):
        if os.path.islink(link) and os.readlink(link).startswith("/dev/pts/"):
            return sim, out
        time.sleep(0.01)
    raise SystemExit("velloran-sim did not link its pty")


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        proc.wait(10)


def velloran_run(build, script, seconds, sim_args, setup=(), env=None, serve=None):
    """velloran-cli run for `seconds`; returns a dict of figures. `serve(home)`,
    called once the sim is up, may put a server in front of it; it returns
    the server's process, stopped after the run."""
    with tempfile.TemporaryDirectory() as home:
        path = f"{home}/script.txt"
        with open(path, "wb") as f:
            f.write(script.encode("ascii"))
        cli = f"{build}/velloran-cli"
        subprocess.run([cli, "--home", home, "setup", f"port={COM}", "lineSettings=115200,n,8,1", f"script={path}",
                        "csvOn=1", f"csv={home}/out.csv", f"minutes={seconds / 60}", "rsLog=1", *[a.replace("{home}", home) for a in setup]],
                       check=True)
        sim, sim_out = start_sim(build, home, sim_args)
        server = serve(home) if serve else None
        run = subprocess.Popen([cli, "--home", home, "run"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               env=env)
        out = Stamped(run.stdout)
        out.start()
        started = time.monotonic()
        cpu = 0.0
        while run.poll() is None:
            try:
                cpu = cpu_seconds(run.pid)
            except OSError:
                pass
            time.sleep(0.05)
        ended = time.monotonic()
        out.join(5)
        if server:
            stop(server)
        stop(sim)
        begin = out.times("alarm: ")[:1] or [started]
        with open(f"{home}/out.csv", "rb") as f:
            csv = f.read()
        return {
            "numbered": numbered_replies(csv, 0),
            "wall": ended - started,
            "cpu": cpu,
            "rows": csv.count(b"\r\n") - 1,
            "sent": len(sim_out.times("> ", begin[0], ended)),
            "last_sent": len(sim_out.times("> ")),
            "cycle_starts": out.times("rs: ["),
            "csv_bytes": os.path.getsize(f"{home}/out.csv"),
            "alarm_lines": [line for _, line in out.lines if line.startswith("alarm: ")],
        }


def numbered_replies(csv, field):
    """(number, reply bytes) of each CSV row after the header, the number
    being the row's value `field`."""
    out = []
    for row in csv.split(b"\r\n")[1:]:
        values = [v.strip(b'"') for v in row.split(b",")[field:]]
        try:
            out.append((int(values[0]), len(b",".join(values)) + 1))  # the reply with its CR
        except (IndexError, ValueError):
            pass
    return out


def missing(numbered, last_sent):
    """Replies missing between the first and the last row, and after the
    last; `last_sent` is the number of the sim's last answer."""
    if not numbered:
        return 0, last_sent
    first, last = numbered[0][0], numbered[-1][0]
    return last - first + 1 - len(numbered), max(0, last_sent - last)


def pyserial_stream(build, seconds, sync=False):
    """A minimal logger: read the line, cut replies at CR, write CSV rows;
    with `sync`, each row also goes to the disk (fdatasync) before the next,
    as velloran-cli keeps its CSV."""
    import serial
    with tempfile.TemporaryDirectory() as home:
        sim, sim_out = start_sim(build, home, STREAM_ARGS)
        port = serial.Serial(f"{home}/dev/com{COM}", 115200, timeout=0.1)
        started = time.monotonic()
        cpu0 = time.process_time()
        rows, pending = 0, b""
        with open(f"{home}/out.csv", "wb") as csv:
            csv.write(b'"No","D001","D002","D003"\r\n')
            while time.monotonic() - started < seconds:
                pending += port.read(port.in_waiting or 1)
                *replies, pending = pending.split(b"\r")
                for reply in replies:
                    reply = reply.strip(b"\n")
                    if reply:
                        rows += 1
                        csv.write(str(rows).encode() + b"," + reply + b"\r\n")
                        csv.flush()
                        if sync:
                            os.fdatasync(csv.fileno())
        ended = time.monotonic()
        cpu = time.process_time() - cpu0
        port.close()
        stop(sim)
        with open(f"{home}/out.csv", "rb") as f:
            numbered = numbered_replies(f.read(), 1)
        return {"wall": ended - started, "cpu": cpu, "rows": rows, "numbered": numbered,
                "sent": len(sim_out.times("> ", started, ended)), "last_sent": len(sim_out.times("> "))}


def pyserial_poller(build, seconds, interval, serve=None, url=None):
    """A minimal polling logger: ask, read to CR, append and sync a row (as
    velloran-cli syncs each CSV row); with an interval, sleep to each
    deadline of the grid first, else ask again at once. With `serve` and
    `url`, through pyserial's serial_for_url to the server serve(home) starts."""
    import serial
    with tempfile.TemporaryDirectory() as home:
        sim, _ = start_sim(build, home, ["--quiet"])
        server = serve(home) if serve else None
        port = (serial.serial_for_url(url, baudrate=115200, timeout=0.5) if url
                else serial.Serial(f"{home}/dev/com{COM}", 115200, timeout=0.5))
        starts = []
        cpu0 = time.process_time()
        t0 = time.monotonic()
        with open(f"{home}/out.csv", "wb") as csv:
            while time.monotonic() - t0 < seconds:
                delay = t0 + len(starts) * interval - time.monotonic()
                if interval and delay > 0:
                    time.sleep(delay)
                starts.append(time.monotonic())
                port.write(b"MEAS?\r")
                csv.write(port.read_until(b"\r") + b"\n")
                csv.flush()
                os.fsync(csv.fileno())
        cpu = time.process_time() - cpu0
        wall = time.monotonic() - t0
        port.close()
        if server:
            stop(server)
        stop(sim)
        return {"wall": wall, "cpu": cpu, "cycle_starts": starts, "rows": len(starts)}


def ser2net(rfc2217_port, tcp_port):
    """serve(home) for the runs above: ser2net in the foreground serving the
    sim's pty as rfc2217 and raw tcp on 127.0.0.1."""
    import socket

    def serve(home):
        device = os.path.realpath(f"{home}/dev/com{COM}")
        connector = f"  connector: serialdev,{device},115200n81,local\n"
        with open(f"{home}/ser2net.yaml", "w") as f:
            f.write(f"connection: &rfc\n  accepter: telnet(rfc2217),tcp,127.0.0.1,{rfc2217_port}\n{connector}"
                    f"connection: &raw\n  accepter: tcp,127.0.0.1,{tcp_port}\n{connector}")
        server = subprocess.Popen(["ser2net", "-n", "-d", "-c", f"{home}/ser2net.yaml"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(500):
            try:
                socket.create_connection(("127.0.0.1", tcp_port), 0.1).close()
                time.sleep(0.2)  # each look opens the device; let ser2net let go of it
                socket.create_connection(("127.0.0.1", rfc2217_port), 0.1).close()
                time.sleep(0.2)
                return server
            except OSError:
                time.sleep(0.01)
        raise SystemExit("ser2net did not listen")
    return serve


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def silent_mail_server():
    """A socket on 127.0.0.1 that listens and never answers; its port."""
    import socket
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    return server


def lateness_ms(starts, interval):
    if len(starts) < 2:
        return None
    late = sorted((t - (starts[0] + k * interval)) * 1000 for k, t in enumerate(starts))
    p99 = late[min(len(late) - 1, int(len(late) * 0.99))]
    return sum(late) / len(late), p99, late[-1], len(late)


def main():
    if len(sys.argv) < 3 or sys.argv[2] not in ("stream", "cycle", "poll", "net", "mail", "workbook"):
        raise SystemExit(__doc__)
    build, what = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else (10 if what == "stream" else 60)
    if what == "stream":
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:1\r\nITM:0\r\nSSS\r\nRCV\r\nEEE\r\n"
        v = velloran_run(build, script, seconds, STREAM_ARGS)
        p = pyserial_stream(build, seconds)
        ps = pyserial_stream(build, seconds, sync=True)
        print(f"{'logger':<14}{'wall s':>8}{'sent':>8}{'rows':>8}{'rows/s':>9}{'bytes/s':>9}"
              f"{'lost':>6}{'after':>7}{'CPU%':>7}")
        for name, r in (("velloran-cli", v), ("pyserial", p), ("pyserial+sync", ps)):
            bps = sum(n for _, n in r["numbered"]) / r["wall"]
            lost, after = missing(r["numbered"], r["last_sent"])
            print(f"{name:<14}{r['wall']:>8.2f}{r['sent']:>8}{r['rows']:>8}{r['rows'] / r['wall']:>9.0f}"
                  f"{bps:>9.0f}{lost:>6}{after:>7}{100 * r['cpu'] / r['wall']:>7.1f}")
    elif what == "poll":
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"
        v = velloran_run(build, script, seconds, ["--quiet"])
        p = pyserial_poller(build, seconds, 0)
        print(f"{'poller':<14}{'wall s':>8}{'cycles':>8}{'cycles/s':>10}{'CPU%':>7}{'CPU us/cycle':>14}")
        for name, r in (("velloran-cli", v), ("pyserial", p)):
            rate = r["rows"] / r["wall"]
            per = 1e6 * r["cpu"] / max(1, r["rows"])
            print(f"{name:<14}{r['wall']:>8.2f}{r['rows']:>8}{rate:>10.0f}{100 * r['cpu'] / r['wall']:>7.1f}{per:>14.0f}")
    elif what == "net":
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"
        rfc, raw = free_port(), free_port()
        serve = ser2net(rfc, raw)
        # ser2net on a pty never answers DTR and RTS: pyserial gives up the
        # open on that unless told to ignore it.
        runs = (("velloran-cli", "rfc2217", lambda: velloran_run(build, script, seconds, ["--quiet"],
                                                                  [f"ports.com{COM}=rfc2217://127.0.0.1:{rfc}"], serve=serve)),
                ("pyserial", "rfc2217", lambda: pyserial_poller(build, seconds, 0, serve,
                                                               f"rfc2217://127.0.0.1:{rfc}?ign_set_control")),
                ("velloran-cli", "tcp", lambda: velloran_run(build, script, seconds, ["--quiet"],
                                                              [f"ports.com{COM}=tcp://127.0.0.1:{raw}"], serve=serve)),
                ("pyserial", "socket", lambda: pyserial_poller(build, seconds, 0, serve, f"socket://127.0.0.1:{raw}")))
        print(f"{'poller':<14}{'over':<9}{'wall s':>8}{'cycles':>8}{'cycles/s':>10}{'CPU%':>7}{'CPU us/cycle':>14}")
        for name, over, go in runs:
            r = go()
            rate = r["rows"] / r["wall"]
            per = 1e6 * r["cpu"] / max(1, r["rows"])
            print(f"{name:<14}{over:<9}{r['wall']:>8.2f}{r['rows']:>8}{rate:>10.0f}{100 * r['cpu'] / r['wall']:>7.1f}{per:>14.0f}")
    elif what == "workbook":
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"
        with tempfile.TemporaryDirectory() as books:
            with open(f"{books}/book.csv", "w") as f:
                f.write("\n")
            subprocess.run(["soffice", "--headless", "--convert-to", "ods", "--outdir", books, f"{books}/book.csv"],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           env=dict(os.environ, HOME=books))
            env = dict(os.environ, VELLORAN_OFFICE_HEADLESS="1")
            on = velloran_run(build, script, seconds, ["--quiet"],
                              ["workbookOn=1", f"workbook={books}/book.ods", "numberColumnOn=1", "timeStampMode=1"], env)
            off = velloran_run(build, script, seconds, ["--quiet"], ["numberColumnOn=1", "timeStampMode=1"], env)
        print(f"{'run':<14}{'wall s':>8}{'cycles':>8}{'cycles/s':>10}{'CPU%':>7}  workbook")
        for name, r in (("workbook on", on), ("workbook off", off)):
            skipped = [line for line in r["alarm_lines"] if "飛ばしました" in line or "アクセスできません" in line]
            print(f"{name:<14}{r['wall']:>8.2f}{r['rows']:>8}{r['rows'] / r['wall']:>10.0f}"
                  f"{100 * r['cpu'] / r['wall']:>7.1f}  {skipped[0][7:] if skipped else '-'}")
    elif what == "mail":
        seconds = max(seconds, 70)
        server = silent_mail_server()
        settings = (f"01.127.0.0.1:{server.getsockname()[1]}\r\n02.operator@example.jp\r\n"
                    "05.velloran@example.jp\r\n11.report\r\n")
        mail_file = tempfile.NamedTemporaryFile(suffix=".txt", delete=False)
        mail_file.write(settings.encode("ascii"))
        mail_file.close()
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0.1\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"
        v = velloran_run(build, script, seconds, ["--quiet"],
                         ["normalMailOn=1", f"normalMailFile={mail_file.name}", "normalMailMinutes=1"])
        os.unlink(mail_file.name)
        starts = v["cycle_starts"]
        gaps = [b - a for a, b in zip(starts, starts[1:])]
        print(f"{'cycles':>8}{'largest gap s':>15}{'mean gap s':>12}")
        print(f"{len(starts):>8}{max(gaps):>15.3f}{sum(gaps) / len(gaps):>12.3f}")
        server.close()
    else:
        script = "SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0.1\r\nSSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n"
        v = velloran_run(build, script, seconds, ["--quiet"])
        p = pyserial_poller(build, seconds, 0.1)
        print(f"{'logger':<14}{'cycles':>8}{'mean ms':>9}{'p99 ms':>9}{'max ms':>9}{'CPU%':>7}")
        for name, r in (("velloran-cli", v), ("pyserial", p)):
            late = lateness_ms(r["cycle_starts"], 0.1)
            if late is None:
                print(f"{name:<14} no cycles")
                continue
            mean, p99, worst, n = late
            print(f"{name:<14}{n:>8}{mean:>9.2f}{p99:>9.2f}{worst:>9.2f}{100 * r['cpu'] / r['wall']:>7.1f}")


if __name__ == "__main__":
    main()
