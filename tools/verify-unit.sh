#!/bin/sh
# Checks the station files as the package installs them. The .deb is built
# with cpack and unpacked into a scratch root (without cpack and dpkg-deb,
# the build is installed there with the package's prefix instead); then
#  - the unit starts the velloran-cli unpacked there, with --service, and
#    its Documentation is the unpacked manual;
#  - the package's postinst, run on the scratch root, creates the user
#    velloran and the stations' folder owned by it (where systemd-sysusers
#    and systemd-tmpfiles are installed);
#  - systemd-analyze verify accepts one instance of the unit.
# Exit 77 (skipped) where systemd-analyze is not installed.
# usage: verify-unit.sh BUILD_DIR PREFIX
set -eu
command -v systemd-analyze >/dev/null 2>&1 || { echo "systemd-analyze not installed"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
build=$1
prefix=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }
root=$scratch/root

if command -v cpack >/dev/null 2>&1 && command -v dpkg-deb >/dev/null 2>&1; then
  # Without the dependency scan, which the check does not need.
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF \
    >/dev/null || fail "cpack failed"
  deb=$(ls "$scratch"/pkg/*.deb)
  dpkg-deb -x "$deb" "$root"
  dpkg-deb -e "$deb" "$scratch/control"
  postinst=$scratch/control/postinst
  [ -x "$postinst" ] || fail "the package has no postinst"
else
  DESTDIR=$root cmake --install "$build" --prefix "$prefix" >/dev/null
  postinst=$here/../packaging/postinst
fi

unit=$root$prefix/lib/systemd/system/velloran@.service
[ -f "$unit" ] || fail "no unit at $prefix/lib/systemd/system"
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
case $exec_start in
"$prefix/bin/velloran-cli "*" run --service") ;;
*) fail "unexpected ExecStart: $exec_start" ;;
esac
[ -x "$root$prefix/bin/velloran-cli" ] || fail "ExecStart names a program that is not in the package"
doc=$(sed -n 's#^Documentation=file://##p' "$unit")
[ -f "$root$doc" ] || fail "Documentation names a missing file: $doc"
base=$(sed -n 's/^ConditionPathIsDirectory=\(.*\)\/%i$/\1/p' "$unit")

# The user and the folder, as the postinst makes them on installation.
mkdir -p "$root/etc"
DPKG_ROOT=$root sh "$postinst" configure >/dev/null || fail "postinst failed"
if command -v systemd-sysusers >/dev/null 2>&1; then
  grep -q "^velloran:x:[0-9]*:[0-9]*:[^:]*:$base:" "$root/etc/passwd" || fail "no user velloran with home $base"
fi
if command -v systemd-tmpfiles >/dev/null 2>&1; then
  [ -d "$root$base" ] || fail "no folder $base"
  if [ "$(id -u)" = 0 ]; then
    uid=$(sed -n 's/^velloran:x:\([0-9]*\):.*/\1/p' "$root/etc/passwd")
    [ "$(stat -c %u "$root$base")" = "$uid" ] || fail "$base is not owned by velloran"
  fi
fi

# One instance as systemd reads it, its program the one in the scratch root
# (verify wants the program to exist).
sed "s#^ExecStart=$prefix#ExecStart=$root$prefix#" "$unit" >"$scratch/velloran@check.service"
out=$(SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$scratch/velloran@check.service" 2>&1) || {
  echo "$out"
  exit 1
}
# verify exits 0 for some problems it only reports.
if [ -n "$out" ]; then
  echo "$out"
  exit 1
fi
