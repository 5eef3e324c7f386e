#!/bin/sh
# The whole test run: installs what is missing, builds the three builds and
# runs every test (native, and the Windows tests under Wine) in one CTest run.
# Exits non-zero when any test fails or cannot run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
# One CTest run over both test trees, so that one summary counts everything.
cat >"$build/CTestTestfile.cmake" <<CTEST
subdirs("native")
subdirs("win64")
CTEST
cd "$build"
ctest --output-on-failure --timeout 900 -j 2 "$@"
