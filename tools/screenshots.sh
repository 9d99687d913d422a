#!/usr/bin/env bash
# Takes the manual's pictures of the main window (each panel) and of the run
# monitor during a run against velloran-sim, offscreen, into manual/images/.
# Japanese glyphs need fonts-noto-cjk (tools/install-deps.sh installs it).
#   tools/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target test_ui velloran-sim
mkdir -p manual/images
QT_QPA_PLATFORM=offscreen VEL_SCREENSHOT_DIR="$(pwd)/manual/images" \
  "$build/tests/test_ui" --gtest_filter='Screenshots.*'
ls -l manual/images
