#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in cmake g++ make googletest libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix \
         wine wine64 fonts-wine fonts-liberation fonts-comic-neue fonts-dejavu-core xvfb xdotool x11-apps imagemagick unzip clang clang-format libclang-rt-14-dev xauth python3-yaml; do
  have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null
fi
