#!/bin/sh
# The whole test run: installs what is missing, builds the three builds and
# the sanitized one, and runs every test (native, the Windows tests under
# Wine, the native tests again under AddressSanitizer and UndefinedBehavior-
# Sanitizer, and a short run of each fuzz target) in one CTest run.
# Exits non-zero when any test fails or cannot run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/install-wine32.sh"
"$root/scripts/build.sh"
"$root/scripts/build-sanitized.sh"
# One CTest run over all test trees, so that one summary counts everything.
cat >"$build/CTestTestfile.cmake" <<CTEST
subdirs("native")
subdirs("win64")
subdirs("asan")
CTEST
cd "$build"
ctest --output-on-failure --timeout 900 -j 2 "$@"
