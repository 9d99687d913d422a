#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program's main job: the
# main window on a demo program folder (build/demo), with velloran-sim
# answering as Com1, the multimeter sample script and CSV output on. Press
# "　データ　取得開始" and the values arrive in the run monitor at once.
#
#   tools/demo.sh          the windows (needs a desktop session)
#   tools/demo.sh --check  no windows: load the sample script and print its tables
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh

if [ "${1:-}" = "--check" ]; then
  exec build/velloran-cli check samples/multimeter.txt
fi
if [ ! -x build/velloran ]; then
  echo "build/velloran was not built (Qt 6 Widgets missing?); tools/demo.sh --check runs without it" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: run this from a desktop session, or use tools/demo.sh --check" >&2
  exit 1
fi

# The program folder is the executable's folder: setup.dat, Log/, manual/
# and dev/com1 live beside the copy of velloran.
demo="$(pwd)/build/demo"
mkdir -p "$demo"
cp build/velloran "$demo/velloran"
rm -rf "$demo/manual"
cp -r manual "$demo/manual"
cp samples/multimeter.txt "$demo/multimeter.txt"
build/velloran-cli --home "$demo" setup port=1 lineSettings=9600,n,8,1 handshaking=0 \
  script="$demo/multimeter.txt" csvOn=1 csv="$demo/multimeter.csv" minutes=0 timeStampMode=1 >/dev/null

# The multimeter's two queries answered with readings that drift within the
# script's limits (about 12.3 V and 68 °C); every ninth
# reading (one record in nine) is far out of range, so the alarms show too.
build/velloran-sim --quiet --home "$demo" --com 1 \
  --reply 'MEAS:VOLT:DC?={v1}\r' --reply 'MEAS:TEMP?={v2}\r' --alarm-every 9 &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -L "$demo/dev/com1" ] && break
  sleep 0.1
done
[ -L "$demo/dev/com1" ] || { echo "velloran-sim did not link $demo/dev/com1" >&2; exit 1; }

echo "Demo folder: $demo (Com1 = $(readlink "$demo/dev/com1"), CSV: $demo/multimeter.csv)"
"$demo/velloran"
