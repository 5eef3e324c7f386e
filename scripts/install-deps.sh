#!/bin/sh
# Installs what the builds and the tests need on a Debian 12 machine (as root).
# Only packages that are missing are installed; the package lists are updated
# first when anything is missing.
set -eu
packages="build-essential cmake ninja-build pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-apps imagemagick fonts-wqy-microhei
  googletest libgtest-dev zlib1g-dev clang-14 libclang-rt-14-dev
  unzip p7zip-full python3 python3-aiosmtpd coreutils zip time"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  # shellcheck disable=SC2086
  apt-get install -y --no-install-recommends $missing
fi
