#!/bin/sh
# Configures and builds the three builds of the tree under build/:
#   build/native  Linux: the portable core, its tools and unit tests
#   build/win32   mingw-w64 i686: the shipping 32-bit Windows program
#   build/win64   mingw-w64 x86_64: the same source, run under Wine by the tests
# The two test builds talk to servers on loopback: the settings server and the
# SMTP port are fixed there (the tests start their servers on these ports);
# the shipping build keeps the real ones. Extra CMake arguments go to all of
# them. NORDA_BUILDS names fewer builds, NORDA_TARGETS fewer targets (e.g. the
# demo builds only what it runs).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}
jobs=$(nproc)
loopback="-DNORDA_SETTINGS_BASE_URL=http://127.0.0.1:${NORDA_TEST_HTTP_PORT:-18080} -DNORDA_SMTP_PORT=${NORDA_TEST_SMTP_PORT:-18025}"
for dir in ${NORDA_BUILDS:-native win32 win64}; do
  case $dir in
    native) settings=$loopback ;;
    win32) settings="-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-mingw-i686.cmake" ;;
    win64) settings="-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-mingw-x86_64.cmake $loopback" ;;
    *) echo "build.sh: no build named $dir" >&2; exit 2 ;;
  esac
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$build/$dir" -G Ninja $settings "$@"
  # shellcheck disable=SC2086
  cmake --build "$build/$dir" -j "$jobs" ${NORDA_TARGETS:+--target $NORDA_TARGETS}
  case $dir in win*) "$root/scripts/check-imports.sh" "$build/$dir" ;; esac
done
