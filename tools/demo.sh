#!/usr/bin/env bash
# Installs what is missing, builds, and shows the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
build/velloran-cli check samples/multimeter.txt
