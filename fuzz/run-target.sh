#!/bin/sh
# Runs one fuzz target (a libFuzzer program built from fuzz/<name>.cpp):
#   run-target.sh replay BINARY WORKDIR
#       every input of fuzz/corpus/<name> and fuzz/regressions/<name> once;
#   run-target.sh fuzz BINARY WORKDIR SECONDS [SEED]
#       fuzzes for SECONDS from those inputs (SEED 0 or none: a random seed).
# WORKDIR gets the grown corpus (made anew each run) and, on a failure, the
# input that caused it. Exits non-zero on a crash, a leak, a time-out, a
# failed check or too much memory.
set -eu
mode=$1
binary=$2
work=$3
name=$(basename "$binary")
fuzz=$(cd "$(dirname "$0")" && pwd)
inputs=""
for dir in "$fuzz/regressions/$name" "$fuzz/corpus/$name"; do
  [ -d "$dir" ] && inputs="$inputs $dir"
done
# An input that runs this long counts as a hang.
limits="-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
# A run rewrites its scratch files thousands of times a second: keep them in
# memory where the system allows.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
rm -rf "$work/corpus"
mkdir -p "$work/corpus" "$work/artifacts"
case $mode in
  replay)
    # shellcheck disable=SC2086
    exec "$binary" $limits -runs=0 "-artifact_prefix=$work/artifacts/" "$work/corpus" $inputs
    ;;
  fuzz)
    seconds=$4
    seed=${5:-0}
    status=0
    # shellcheck disable=SC2086
    "$binary" $limits "-max_total_time=$seconds" "-seed=$seed" -print_final_stats=1 \
      "-artifact_prefix=$work/artifacts/" "$work/corpus" $inputs || status=$?
    if [ "$status" -ne 0 ]; then
      echo "$name failed; its input is in $work/artifacts/." \
        "Once fixed, keep it in fuzz/regressions/$name/." >&2
    fi
    exit "$status"
    ;;
  *)
    echo "usage: $0 replay|fuzz BINARY WORKDIR [SECONDS [SEED]]" >&2
    exit 2
    ;;
esac
