#!/usr/bin/env bash
# Takes the manual's pictures of the main window (each panel) and of the run
# monitor during a run against velloran-sim, and of the line overview with
# four lines running, offscreen, into manual/images/
# (or OUT_DIR). The program folder is the demo's, build/demo, as tools/demo.sh
# makes it, so the pictures show its paths and no temporary ones.
# Japanese glyphs need fonts-noto-cjk (tools/install-deps.sh installs it).
#   tools/screenshots.sh [BUILD_DIR [OUT_DIR]]   (default: build manual/images)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target test_ui velloran-sim
out="${2:-manual/images}"
mkdir -p "$out" "$build/demo"
# A 1280x1024 screen at 96 dpi, the size the line overview is shown on.
screen="$(realpath "$build")/screenshot-screen.json"
cat > "$screen" <<'JSON'
{ "screens": [ { "name": "screen-1", "x": 0, "y": 0, "width": 1280, "height": 1024, "dpi": 96, "dpr": 1 } ] }
JSON
QT_QPA_PLATFORM="offscreen:configfile=$screen" VEL_SCREENSHOT_DIR="$(realpath "$out")" VEL_SCREENSHOT_HOME="$(realpath "$build/demo")" \
  "$build/tests/test_ui" --gtest_filter='Screenshots.*'
ls -l "$out"
