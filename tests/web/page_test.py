#!/usr/bin/python3
"""The station page in a real browser against a real run.

Starts velloran-sim as the instrument and `velloran-cli run` with its web
page on a free loopback port and a token, opens the page in headless
chromium (driven over the DevTools pipe, so no extra library is needed),
and checks what a person looking at the page would see: the station with
its lamp and values, and a value that changes when the next record comes.

  page_test.py BUILD_DIR             the whole test (exit 77: skipped)
  page_test.py --url URL [--token T] only the browser part, against a running server
"""
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"

# One reply of three values a cycle, a cycle every 0.5 s.
SCRIPT = ("SCD:\r\nDCD:,\r\nECD:%0D\r\nRTM:0.5\r\nSTM:0.5\r\nITM:0.5\r\n"
          "NAM:D1=Volt\r\nMAX:D1=1000\r\nMIN:D1=-1000\r\n"
          "SSS\r\nSND:MEAS?%0D\r\nRCV\r\nEEE\r\n")


class Browser:
    """Headless chromium spoken to over --remote-debugging-pipe: requests are
    JSON messages ended by a NUL byte on fd 3, answers come back on fd 4."""

    def __init__(self, lang="ja-JP"):
        self.profile = tempfile.mkdtemp(prefix="vel-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        args = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                "--hide-scrollbars", "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                "--lang=" + lang, "--accept-lang=" + lang, "about:blank"]

        # The pipe ends go to fds 3 and 4 in the child. The two may already
        # sit on 3 or 4, so both are first moved above them.
        def move_pipes():
            read_end, write_end = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        # close_fds would close 3 and 4 after move_pipes; Python's own
        # descriptors are not inherited anyway.
        self.proc = subprocess.Popen(args, close_fds=False, preexec_fn=move_pipes,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     env=dict(os.environ, LANGUAGE=lang.replace("-", "_")))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.session = None

    def call(self, method, params=None, session=True, timeout=20):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while b"\0" not in self._buffer:
                chunk = os.read(self._from_browser, 65536)
                if not chunk:
                    raise RuntimeError("chromium closed its DevTools pipe")
                self._buffer += chunk
            raw, self._buffer = self._buffer.split(b"\0", 1)
            answer = json.loads(raw)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise RuntimeError(method + ": " + json.dumps(answer["error"]))
                return answer.get("result", {})
        raise TimeoutError(method)

    def open(self, url, size=(1280, 800)):
        """Opens url in a new tab of `size` CSS pixels; below 600 wide as a
        phone (headless windows are never narrower than 500)."""
        target = self.call("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True},
                                 session=False)["sessionId"]
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": size[0], "height": size[1], "deviceScaleFactor": 1, "mobile": size[0] < 600})
        self.call("Page.enable")
        self.call("Page.navigate", {"url": url})

    def eval(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise RuntimeError(expression + ": " + json.dumps(result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.eval(expression)
            if value:
                return value
            time.sleep(0.1)
        return None

    def screenshot(self, path):
        import base64
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.call("Browser.close", session=False, timeout=5)
        except Exception:
            pass
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)


# What the page shows, read the way a person reads it: the texts of the
# station's facts and of its first item's row.
SHOWN = """(() => {
  const s = document.querySelector('section.station');
  if (!s) return null;
  const rows = [...s.querySelectorAll('tbody tr')];
  return {
    station: s.getAttribute('data-station'),
    state: s.getAttribute('data-state'),
    lamp: s.querySelector('.lamp').className,
    stateWord: s.querySelector('.state-word').textContent,
    records: s.querySelectorAll('.facts dd')[1].textContent,
    lastRecord: s.querySelectorAll('.facts dd')[0].textContent,
    names: rows.map(r => r.querySelector('td.name').textContent),
    values: rows.map(r => r.querySelector('td.data').textContent),
    seen: Number(document.body.dataset.recordsSeen),
    connection: document.body.dataset.connection,
    caption: document.querySelector('thead th').textContent,
  };
})()"""


def check_page(url, station=None):
    """The page shows the station running with its values, and within a
    few records its values and counters change without a reload. Without
    `station` (a server started elsewhere) only what every page shows."""
    failures = []
    browser = Browser()
    try:
        browser.open(url)
        first = browser.wait_for(f"(() => {{ const s = {SHOWN}; return s && s.names.length ? s : null; }})()", 15)
        if not first:
            return ["the page showed no station with items within 15 s"]
        print("first:", json.dumps(first, ensure_ascii=False))
        expected = [("the Japanese caption", first["caption"], "項目No")]
        if station:
            expected += [
                ("the station's name", first["station"], station),
                ("the lamp while running", first["lamp"], "lamp lamp-running"),
                ("the state word", first["stateWord"], "実行中"),
                ("the items' names", first["names"][:2], ["No.", "Volt"]),
            ]
        for what, got, want in expected:
            if got != want:
                failures.append(f"{what}: {got!r}, expected {want!r}")
        # The next records arrive over the stream: the time, the counters and
        # the measured value (a random walk: within a few records) move on,
        # without the page being loaded again.
        later = browser.wait_for(
            f"(() => {{ const s = {SHOWN}; return s && s.seen >= 2 && s.lastRecord !== {json.dumps(first['lastRecord'])} && "
            f"s.values[1] !== {json.dumps(first['values'][1:2])}[0] ? s : null; }})()",
            10)
        if not later:
            failures.append("no record with a new value reached the page within 10 s")
        else:
            print("later:", json.dumps(later, ensure_ascii=False))
            if later["records"] == first["records"]:
                failures.append(f"the record count stayed at {first['records']}")
            if later["connection"] != "live":
                failures.append(f"the page says {later['connection']!r}, not live")
        # The trend of the first item is drawn from the stored records.
        if not browser.wait_for("document.querySelector('section.station tbody tr .trend polygon') !== null", 10):
            failures.append("no trend was drawn within 10 s")
    finally:
        browser.close()
    return failures


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run_cli(cli, *args):
    return subprocess.run([cli, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)


def wait_listening(port, proc, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and proc.poll() is None:
        try:
            with socket.create_connection(("127.0.0.1", port), 0.2):
                return True
        except OSError:
            time.sleep(0.1)
    return False


def main(argv):
    if not os.access(CHROMIUM, os.X_OK):
        print("skipped: chromium is not installed")
        return SKIP
    if argv[1:2] == ["--url"]:
        url = argv[2] + ("?token=" + argv[4] if argv[3:4] == ["--token"] else "")
        failures = check_page(url)
    else:
        failures = run_station(os.path.abspath(argv[1]))
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


def run_station(build):
    cli, sim = os.path.join(build, "velloran-cli"), os.path.join(build, "velloran-sim")
    home = tempfile.mkdtemp(prefix="vel-web-")
    station = os.path.basename(home)
    port, token = free_port(), "t0ken-for-the-page-test"
    procs = []
    try:
        script = os.path.join(home, "script.txt")
        with open(script, "w") as f:
            f.write(SCRIPT)
        setup = run_cli(cli, "--home", home, "setup", "port=5", "lineSettings=9600,n,8,1", "script=" + script,
                        "csvOn=1", "csv=" + os.path.join(home, "out.csv"), "numberColumnOn=1", "acquisitionNumber=1",
                        "minutes=0")
        if setup.returncode != 0:
            return ["velloran-cli setup failed: " + setup.stderr.decode(errors="replace")]
        with open(os.path.join(home, "velloran.ini"), "w") as f:
            f.write(f"[web]\nlisten=127.0.0.1:{port}\ntoken={token}\n")
        procs.append(subprocess.Popen([sim, "--home", home, "--com", "5", "--quiet"]))
        link = os.path.join(home, "dev", "com5")
        deadline = time.monotonic() + 5
        while not os.path.islink(link) and time.monotonic() < deadline:
            time.sleep(0.05)
        run = subprocess.Popen([cli, "--home", home, "run"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        procs.append(run)
        if not wait_listening(port, run, 10):
            return ["velloran-cli run did not listen on 127.0.0.1:%d: %s" % (
                port, run.stderr.read().decode(errors="replace") if run.poll() is not None else "still running")]
        return check_page(f"http://127.0.0.1:{port}/?token={token}", station)
    finally:
        for p in reversed(procs):
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
