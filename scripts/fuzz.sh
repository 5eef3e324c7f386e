#!/bin/sh
# A longer fuzzing run: builds build/asan (scripts/build-sanitized.sh) and runs
# every fuzz target, one after the other, for SECONDS each (default 600) with
# a random seed, from its checked-in corpus. Targets may be named to run only
# those. Exits non-zero when any target fails; the input that failed is kept
# in build/asan/fuzz-long/<target>/artifacts/.
#   scripts/fuzz.sh 600
#   scripts/fuzz.sh 120 zip_archive_fuzz deflate_fuzz
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}
seconds=${1:-600}
[ $# -gt 0 ] && shift
"$root/scripts/build-sanitized.sh"
targets=$*
if [ -z "$targets" ]; then
  for source in "$root"/fuzz/*_fuzz.cpp; do
    targets="$targets $(basename "$source" .cpp)"
  done
fi
failed=""
for target in $targets; do
  echo "== $target: $seconds s"
  "$root/fuzz/run-target.sh" fuzz "$build/asan/fuzz/$target" "$build/asan/fuzz-long/$target" \
    "$seconds" 0 || failed="$failed $target"
done
if [ -n "$failed" ]; then
  echo "failed:$failed" >&2
  exit 1
fi
echo "every fuzz target ran $seconds s without a failure"
