#!/bin/sh
# Builds what the benchmark needs (native build, with the tree's optimisation)
# and prints: our deflate at level 8 against zlib's at level 8 on a generated
# crash-report corpus (time and size per file and in total), the CRC-32
# throughput, and the peak memory of packing the whole corpus with norda-zip.
#
# NORDA_BUILD_DIR   build folder (default: build/ in the tree); native/ below it
# NORDA_BENCH_REPS  runs per file and compressor, the best counted (default 3)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}/native
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target deflate_bench norda-zip -j 2 >/dev/null

corpus=$(mktemp -d /tmp/norda-bench.XXXXXX)
trap 'rm -rf "$corpus"' EXIT INT TERM
"$build/bench/deflate_bench" --reps "${NORDA_BENCH_REPS:-3}" --write-corpus "$corpus"

# Peak memory: maximum resident set of the whole packing, and of packing one
# empty file (the tool's own baseline); the difference is what the corpus adds.
: >"$corpus/empty.txt"
/usr/bin/time -f %M -o "$corpus/empty.rss" "$build/tools/norda-zip" "$corpus/empty.zip" "$corpus/empty.txt" >/dev/null
/usr/bin/time -f %M -o "$corpus/all.rss" "$build/tools/norda-zip" "$corpus/all.zip" \
  "$corpus/crash.log" "$corpus/memory.dmp" "$corpus/registry.reg" "$corpus/random.bin" >/dev/null
base=$(tail -n 1 "$corpus/empty.rss")
peak=$(tail -n 1 "$corpus/all.rss")
echo
echo "norda-zip peak memory packing the corpus: $peak KB; on one empty file: $base KB; difference: $((peak - base)) KB"
if unzip -tqq "$corpus/all.zip" >/dev/null 2>&1; then
  echo "archive checked with unzip -t: all entries good"
else
  echo "archive check with unzip -t FAILED" >&2
  exit 1
fi

# Mailing a 64 MB archive to aiosmtpd on loopback: the sending process's peak
# memory growth while it streams the attachment.
cmake --build "$build" --target send_memory_bench -j 2 >/dev/null
head -c 67108864 /dev/urandom >"$corpus/report64.zip"
mkdir -p "$corpus/mail"
/usr/bin/python3 "$root/tests/peers/smtp_server.py" --port-file "$corpus/smtp.port" \
  --stop-file "$corpus/smtp.stop" --exited-file "$corpus/smtp.exited" --lifetime 300 \
  --mail-folder "$corpus/mail" --user bench --password bench >/dev/null 2>&1 &
for _ in $(seq 1 300); do [ -f "$corpus/smtp.port" ] && break; sleep 0.1; done
"$build/bench/send_memory_bench" "$(cut -d' ' -f1 "$corpus/smtp.port")" "$corpus/report64.zip"
touch "$corpus/smtp.stop"
wait
