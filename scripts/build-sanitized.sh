#!/bin/sh
# Configures and builds build/asan: the native build once more with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer (every finding stops the
# program), and the fuzz targets of fuzz/. Its CTest tree runs the native test
# suite under the sanitizers, replays the fuzz corpora and fuzzes each target
# for a short time (NORDA_FUZZ_SECONDS, 20 by default). Extra CMake arguments
# go to the configure step.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build/asan" -G Ninja \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DNORDA_SANITIZE=ON -DNORDA_FUZZ=ON \
  -DNORDA_SETTINGS_BASE_URL="http://127.0.0.1:${NORDA_TEST_HTTP_PORT:-18080}" \
  -DNORDA_SMTP_PORT="${NORDA_TEST_SMTP_PORT:-18025}" "$@"
cmake --build "$build/asan" -j "$(nproc)"
