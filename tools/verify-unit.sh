#!/bin/sh
# Checks the station unit with systemd-analyze verify, as one instance whose
# velloran-cli is the one just built (verify wants the program to exist).
# Exit 77 (skipped) where systemd-analyze is not installed.
# usage: verify-unit.sh UNIT_FILE VELLORAN_CLI
set -eu
command -v systemd-analyze >/dev/null 2>&1 || { echo "systemd-analyze not installed"; exit 77; }
unit=$1
cli=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sed "s#^ExecStart=[^ ]*velloran-cli#ExecStart=$cli#" "$unit" >"$dir/velloran@check.service"
out=$(SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$dir/velloran@check.service" 2>&1) || {
  echo "$out"
  exit 1
}
# verify exits 0 for some problems it only reports.
if [ -n "$out" ]; then
  echo "$out"
  exit 1
fi
