#!/usr/bin/env bash
# Sets everything up on a Debian 12 machine: installs the Debian packages the
# project needs, builds it into build/, and writes the delivered database set
# into the programs' folder (build/bin) when that folder holds none.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev libqt6sql6-sqlite libgl-dev
  libsodium-dev nettle-dev sqlite3
  python3 python3-xlrd unrtf poppler-utils
  fonts-wqy-microhei
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -e build/bin/print.dll ]; then
  build/bin/makestore build/bin
fi
