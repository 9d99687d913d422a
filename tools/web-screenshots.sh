#!/usr/bin/env bash
# Takes the manual's pictures of the station web page: four lines run by one
# `velloran-cli run` against four velloran-sim instruments (the multimeter
# sample; lineB with frequent alarms, lineC's instrument unplugged, lineD's
# instrument silent), the page opened in headless chromium at 1280x800 and at
# a phone's 390x844, into manual/images/web-line.png and web-phone.png.
#   tools/web-screenshots.sh [BUILD_DIR [OUT_DIR]]   (default: build manual/images)
# Needs chromium and fonts-noto-cjk (tools/install-deps.sh installs both).
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
out="$(realpath -m "${2:-manual/images}")"
cmake --build "$build" --target velloran-cli velloran-sim
mkdir -p "$out"
cli="$build/velloran-cli"
sim="$build/velloran-sim"

# The folder names are the station names the page shows.
work="$build/web-screenshots"
rm -rf "$work"
mkdir -p "$work"
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
token="screenshot"
pids=()
# lineC's instrument is gone by then and lineD's is stopped: every kill may fail.
trap 'for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill "$p" 2>/dev/null || true; done; wait || true' EXIT

homes=()
for line in lineA lineB lineC lineD; do
  home="$work/$line"
  mkdir -p "$home"
  cp samples/multimeter.txt "$home/multimeter.txt"
  "$cli" --home "$home" setup port=1 lineSettings=9600,n,8,1 handshaking=0 script="$home/multimeter.txt" \
    csvOn=1 csv="$home/multimeter.csv" minutes=0 timeStampMode=1 silence.cycles=2 >/dev/null
  printf '[units]\nD001=V\nD002=℃\n' >>"$home/velloran.ini"
  homes+=(--home "$home")
done
printf '[web]\nlisten=127.0.0.1:%s\ntoken=%s\n' "$port" "$token" >>"$work/lineA/velloran.ini"
chmod 600 "$work/lineA/velloran.ini"  # it holds the token

start_sim() {  # home, extra arguments
  local home="$1"
  shift
  "$sim" --quiet --home "$home" --com 1 --reply 'MEAS:VOLT:DC?={v1}\r' --reply 'MEAS:TEMP?={v2}\r' "$@" &
  pids+=($!)
  for _ in $(seq 50); do [ -L "$home/dev/com1" ] && return; sleep 0.1; done
  echo "velloran-sim did not link $home/dev/com1" >&2
  exit 1
}
start_sim "$work/lineA" --seed 1
start_sim "$work/lineB" --seed 2 --alarm-every 3
start_sim "$work/lineC" --seed 3
start_sim "$work/lineD" --seed 4
sim_c="${pids[2]}"
sim_d="${pids[3]}"

"$cli" "${homes[@]}" run >/dev/null 2>&1 &
pids+=($!)

# Some records first, then lineC loses its instrument and lineD's stops
# answering; the page is taken once both watches have spoken.
sleep 25
kill "$sim_c"
kill -STOP "$sim_d"
sleep 15

python3 - "$port" "$token" "$out" <<'PY'
import os, sys, time
sys.path.insert(0, os.path.join(os.getcwd(), "tests", "web"))
from page_test import Browser

port, token, out = sys.argv[1:4]
for size, name in (((1280, 800), "web-line.png"), ((390, 844), "web-phone.png")):
    browser = Browser()
    try:
        browser.open(f"http://127.0.0.1:{port}/?token={token}", size)
        drawn = browser.wait_for("document.querySelectorAll('section.station').length === 4 && "
                                 "document.querySelectorAll('.trend polygon').length >= 8", 20)
        if not drawn:
            sys.exit("the page did not show four stations with their trends")
        time.sleep(1)
        browser.screenshot(os.path.join(out, name))
    finally:
        browser.close()
PY
ls -l "$out"/web-*.png
