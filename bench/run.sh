#!/bin/sh
# Builds what the benchmarks need (native build, with the tree's optimisation)
# and prints one table: the program against established peers on the same
# data in the same run.
#   - deflate at level 8, ours against zlib's, on a generated crash-report
#     corpus: time and compressed size per file and in total (deflate_bench;
#     processor time, best of NORDA_BENCH_REPS runs), and CRC-32;
#   - packing a whole report (a 64 MB memory dump, a crash log and a registry
#     export) with the program's archive writer (norda-zip: one entry per
#     file, as the report packing adds them) against Info-ZIP's `zip -8` and
#     Python's zipfile at level 8: processor time (best of the runs), archive
#     size and peak memory;
#   - Base64 of the report mail against coreutils `base64` (base64_bench);
#   - the peak memory that mailing a 64 MB archive to a real SMTP server
#     (aiosmtpd on loopback) adds to the sending process (send_memory_bench),
#     and the time of that mail over STARTTLS (certificates made with openssl,
#     the server's pinned) against the plain send: elapsed time, best of the
#     runs; the bar is 1.25.
# Ratios are ours / peer: below 1 is faster, smaller or leaner than the peer.
# Every archive of ours is checked with unzip -t before it counts.
#
# NORDA_BUILD_DIR   build folder (default: build/ in the tree); native/ below it
# NORDA_BENCH_REPS  runs per measurement, the best counted (default 3)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NORDA_BUILD_DIR:-$root/build}/native
reps=${NORDA_BENCH_REPS:-3}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target deflate_bench base64_bench send_memory_bench norda-zip -j 2 >/dev/null

work=$(mktemp -d /tmp/norda-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/corpus" "$work/report" "$work/mail"

"$build/bench/deflate_bench" --reps "$reps" --write-corpus "$work/corpus" >"$work/deflate.txt"

# The report: the corpus's dump, crash log and registry export in one folder.
for name in memory.dmp crash.log registry.reg; do
  ln "$work/corpus/$name" "$work/report/$name"
done
report_files="$work/report/memory.dmp $work/report/crash.log $work/report/registry.reg"

# measure NAME COMMAND...: runs the command once, writing NAME.zip anew;
# NAME.cpu keeps the least processor time so far (user + system, seconds),
# NAME.kb the highest peak resident set.
measure() {
  name=$1
  shift
  rm -f "$work/$name.zip"
  /usr/bin/time -f "%U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
  read -r user system kb <<TIME
$(tail -n 1 "$work/time.txt")
TIME
  cpu=$(awk "BEGIN {printf \"%.3f\", $user + $system}")
  if [ ! -f "$work/$name.cpu" ] || awk "BEGIN {exit !($cpu < $(cat "$work/$name.cpu"))}"; then
    echo "$cpu" >"$work/$name.cpu"
  fi
  if [ ! -f "$work/$name.kb" ] || [ "$kb" -gt "$(cat "$work/$name.kb")" ]; then
    echo "$kb" >"$work/$name.kb"
  fi
}

pack_python='
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=8) as z:
    for path in sys.argv[2:]:
        z.write(path, os.path.basename(path))
'
# The three packers take turns, so that a machine busy with other work
# slows them alike.
i=0
while [ "$i" -lt "$reps" ]; do
  # shellcheck disable=SC2086
  measure ours "$build/tools/norda-zip" "$work/ours.zip" $report_files
  # shellcheck disable=SC2086
  measure infozip zip -8 -j -q "$work/infozip.zip" $report_files
  # shellcheck disable=SC2086
  measure python /usr/bin/python3 -c "$pack_python" "$work/python.zip" $report_files
  i=$((i + 1))
done
if ! unzip -tqq "$work/ours.zip" >/dev/null 2>&1; then
  echo "bench: our archive of the report fails unzip -t" >&2
  exit 1
fi

"$build/bench/base64_bench" 64 >"$work/base64.txt"

# Mailing a 64 MB archive (random bytes: a packed report does not compress),
# plain and over STARTTLS, each to its own aiosmtpd; send.txt keeps every run.
head -c 67108864 /dev/urandom >"$work/report64.zip"
mkdir "$work/certs"
sh "$root/tests/peers/make_certs.sh" "$work/certs"
for security in none starttls; do
  /usr/bin/python3 "$root/tests/peers/smtp_server.py" --port-file "$work/$security.port" \
    --stop-file "$work/smtp.stop" --exited-file "$work/$security.exited" --lifetime 900 \
    --mail-folder "$work/mail" --user bench --password bench --security "$security" \
    --tls-cert "$work/certs/server.pem" --tls-key "$work/certs/server.key" >/dev/null 2>&1 &
  for _ in $(seq 1 300); do [ -f "$work/$security.port" ] && break; sleep 0.1; done
done
for _ in $(seq 1 "$reps"); do
  "$build/bench/send_memory_bench" "$(cut -d' ' -f1 "$work/none.port")" "$work/report64.zip" >>"$work/send.txt"
  "$build/bench/send_memory_bench" "$(cut -d' ' -f1 "$work/starttls.port")" "$work/report64.zip" \
    starttls "$(cat "$work/certs/server.sha256")" >>"$work/send.txt"
  rm -f "$work"/mail/mail*
done
touch "$work/smtp.stop"
wait

size() { stat -c %s "$1"; }
row() {  # measure ours peer ratio peer-name
  printf '%-46s %13s %13s %9s  %s\n' "$1" "$2" "$3" "$4" "$5"
}
ratio() { awk "BEGIN {printf \"%.3f\", $1 / $2}"; }
mb() { awk "BEGIN {printf \"%.1f MB\", $1 / 1048576}"; }

zlib=$(sed -n 's/.*ours against zlib \([^ ]*\) .*/\1/p' "$work/deflate.txt")
machine=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "NordaErrorDialog against established peers: same data, same run; ratio = ours / peer"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'); $machine, $(nproc) cores; best of $reps runs"
echo
row "measure" "ours" "peer" "ratio" "peer"
row "-------" "----" "----" "-----" "----"
awk '$1 ~ /^(crash\.log|memory\.dmp|registry\.reg|random\.bin|total)$/ {print}' "$work/deflate.txt" |
  while read -r name bytes ours_ms zlib_ms time_ratio ours_size zlib_size size_ratio; do
    label="deflate -8, $name ($(mb "$bytes"))"
    [ "$name" = total ] && label="deflate -8, whole corpus ($(mb "$bytes"))"
    row "$label: time" "$ours_ms ms" "$zlib_ms ms" "$time_ratio" "zlib $zlib -8"
    row "$label: size" "$ours_size" "$zlib_size" "$size_ratio" "zlib $zlib -8"
  done
read -r ours_crc zlib_crc <<CRC
$(sed -n 's/^CRC-32: \([0-9.]*\) GB\/s (zlib crc32: \([0-9.]*\) GB\/s)/\1 \2/p' "$work/deflate.txt")
CRC
row "CRC-32, 64 MB dump: throughput" "$ours_crc GB/s" "$zlib_crc GB/s" "$(ratio "$zlib_crc" "$ours_crc")" \
  "zlib crc32 (ratio of times)"

report_bytes=$(( $(size "$work/report/memory.dmp") + $(size "$work/report/crash.log") + $(size "$work/report/registry.reg") ))
label="pack report ($(mb "$report_bytes"), 3 files)"
for peer in infozip python; do
  name="Info-ZIP zip 3.0 -8"
  [ "$peer" = python ] && name="Python zipfile, zlib level 8"
  row "$label: CPU time" "$(cat "$work/ours.cpu") s" "$(cat "$work/$peer.cpu") s" \
    "$(ratio "$(cat "$work/ours.cpu")" "$(cat "$work/$peer.cpu")")" "$name"
  row "$label: archive size" "$(size "$work/ours.zip")" "$(size "$work/$peer.zip")" \
    "$(ratio "$(size "$work/ours.zip")" "$(size "$work/$peer.zip")")" "$name"
  row "$label: peak memory" "$(cat "$work/ours.kb") KB" "$(cat "$work/$peer.kb") KB" \
    "$(ratio "$(cat "$work/ours.kb")" "$(cat "$work/$peer.kb")")" "$name"
done

ours_b64=$(awk '/ours \(/ {print $4}' "$work/base64.txt")
peer_b64=$(awk '/coreutils base64/ {print $5}' "$work/base64.txt")
grep -q 'same Base64 text: yes' "$work/base64.txt" || { echo "bench: Base64 texts differ" >&2; exit 1; }
row "Base64, 64 MB report-like data: time" "$ours_b64 ms" "$peer_b64 ms" "$(ratio "$ours_b64" "$peer_b64")" \
  "coreutils base64 -w 76"

if grep -q 'NOT SENT' "$work/send.txt"; then echo "bench: the 64 MB mail was not sent" >&2; exit 1; fi
plain=$(grep '(none)' "$work/send.txt" | tail -n 1)
growth=$(echo "$plain" | sed -n 's/.*growth \(-*[0-9]*\) KB.*/\1/p')
after=$(echo "$plain" | sed -n 's/.*after \([0-9]*\) KB.*/\1/p')
row "mail a 64 MB archive: peak memory added" "$growth KB" "65536 KB" "$(ratio "$growth" 65536)" \
  "the attachment's size (peak in all: $after KB)"
# best MODE: the least elapsed time of the runs of that security, in ms.
best() { sed -n "s/.*($1): sent;.*elapsed \([0-9.]*\) ms/\1/p" "$work/send.txt" | sort -n | head -n 1; }
row "mail a 64 MB archive over STARTTLS: time" "$(best starttls) ms" "$(best none) ms" \
  "$(ratio "$(best starttls)" "$(best none)")" "the plain send to aiosmtpd (bar: 1.25)"
