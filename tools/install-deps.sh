#!/usr/bin/env bash
# Installs the Debian 12 packages Velloran needs to build, run and test,
# skipping those already present.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
  libcurl4-openssl-dev
  libmosquitto-dev mosquitto openssl mosquitto-clients  # mosquitto_pub: the uplink bench compares with it
  libcpp-httplib-dev libssl-dev  # the station web page's HTTP(S) server
  libgensio-dev ser2net  # network Com ports (rfc2217://, tcp://); ser2net serves a test instrument
  libgtest-dev
  python3-aiosmtpd python3-serial  # python3-serial: the pyserial side of bench/serial_bench.py
  chromium  # the station web page opened in a headless browser by tests/web/page_test.py
  libreoffice-dev
  fonts-noto-cjk
  qt6-translations-l10n
  desktop-file-utils dpkg-dev  # the ctest check of the menu entry; cpack -G DEB
)

# The live workbook runs in LibreOffice Calc. Either variant will do: the
# desktop's libreoffice-calc shows the workbook; libreoffice-calc-nogui (the
# smaller one, enough for the tests) runs it without windows. An installed
# one is never replaced by the other.
if ! dpkg-query -W -f='${Status}' libreoffice-calc 2>/dev/null | grep -q "install ok installed"; then
  packages+=(libreoffice-calc-nogui)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
