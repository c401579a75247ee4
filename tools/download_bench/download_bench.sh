#!/usr/bin/env bash
# Download benchmark (not a test). In one run on this machine, against the
# local package server with the same generated body and the same rate limit
# L per connection, it measures:
#   - CMTCurlDownloader, Start to 1003, against the ideal two-connection time size / 2L;
#   - CCurlDownloader against size / L;
#   - aria2c -x2 -s2 and the curl command line on the same URL, for comparison;
#   - the segmented downloader's time from the last byte sent to 1003 (join and
#     digest) against native cat + md5sum of the same two parts;
#   - the peak working set of the downloading Windows process.
# Each ratio is printed on its own line with its target.
#
#   tools/download_bench/download_bench.sh [--size BYTES] [--rate BYTES_PER_S] [--big]
#
# Defaults: 200 MiB, 20 MiB/s. --big adds a real segmented download of a
# package above 2 GiB (no rate limit). BUILD_DIR picks the build folder
# (default build/); the Wine environment of that build is used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
size=$((200 * 1024 * 1024))
rate=$((20 * 1024 * 1024))
big=0
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --rate) rate=$2; shift 2 ;;
    --big) big=1; shift ;;
    *) echo "usage: $0 [--size BYTES] [--rate BYTES_PER_S] [--big]" >&2; exit 2 ;;
  esac
done

cmake --build "$build" --target download_bench -j2 >/dev/null
bench_exe="$build/tools/download_bench/download_bench.exe"
"$build/wine_env.sh" start

# Work files on the same disk as the build (the Windows side writes there
# through drive Z:).
work=$(mktemp -d "$build/bench.XXXXXX")
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$root/tests/fixtures/http_server/test_http_server.py" --port-file "$work/port" >/dev/null &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

url() {  # url ID [extra options]
  echo "http://127.0.0.1:$port/dl/id=$1,size=$size,seed=42${2:+,$2}/software/206"
}
winpath() { echo "Z:$1" | tr '/' '\\'; }
now() { date +%s.%N; }
field() { awk -v k="$1" '$1 == k { print $2 }' <<<"$2"; }
mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# The server works out the body's digest at the first request; not timed.
expected_md5=$(curl -sS -I -L -o /dev/null -w '%{url_effective}' "$(url warm)" | awk -F/ '{ print $(NF-1) }')

check_file() {  # check_file PATH NAME
  local got
  got=$(md5sum "$1" | cut -d' ' -f1)
  if [ "$got" != "$expected_md5" ]; then
    echo "$2: the downloaded file is not the server's body" >&2
    exit 1
  fi
}

run_ours() {  # run_ours TYPE ID -> sets out
  local file="$work/$2.exe"
  out=$("$build/wine_run.sh" "$bench_exe" "$1" "$(url "$2" "rate=$rate,timing=1")" "$(winpath "$file")" | tr -d '\r')
  if [ "$(field result "$out" | head -1)" != "1003" ]; then
    echo "downloader type $1 did not complete:" >&2
    echo "$out" >&2
    exit 1
  fi
  check_file "$file" "type $1"
  rm -f "$file"
}

echo "package $(mib "$size") MiB, limit L = $(mib "$rate") MiB/s per connection"

run_ours 3 bench_mt
mt_out=$out
run_ours 1 bench_curl
curl_out=$out

t0=$(now)
aria2c -q -x2 -s2 -k1M --file-allocation=none --allow-overwrite=true -d "$work" -o aria.bin \
  "$(url bench_aria "rate=$rate")"
t1=$(now)
check_file "$work/aria.bin" aria2c
rm -f "$work/aria.bin"
curl -sS -L -o "$work/curl.bin" "$(url bench_curlcli "rate=$rate")"
t2=$(now)
check_file "$work/curl.bin" curl
rm -f "$work/curl.bin"

# The same two parts as the segmented downloader's, for the native join.
half=$((size / 2))
curl -sS -L -r "0-$((half - 1))" -o "$work/part_0" "$(url parts)"
curl -sS -L -r "$half-" -o "$work/part_1" "$(url parts)"
t3=$(now)
cat "$work/part_0" "$work/part_1" >"$work/joined"
native_md5=$(md5sum "$work/joined" | cut -d' ' -f1)
t4=$(now)
[ "$native_md5" = "$expected_md5" ] || { echo "the native join is not the body" >&2; exit 1; }
rm -f "$work/part_0" "$work/part_1" "$work/joined"

# When the server sent the last byte of the segmented download.
last_byte_ms=$(curl -sS "http://127.0.0.1:$port/_log?id=bench_mt" | awk '$2 == "END" { if ($5 > m) m = $5 } END { printf "%.3f", m }')

awk -v size="$size" -v rate="$rate" \
    -v mt="$(field elapsed_ms "$mt_out")" -v cu="$(field elapsed_ms "$curl_out")" \
    -v aria="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print (b - a) * 1000 }')" \
    -v cli="$(awk -v a="$t1" -v b="$t2" 'BEGIN { print (b - a) * 1000 }')" \
    -v native="$(awk -v a="$t3" -v b="$t4" 'BEGIN { print (b - a) * 1000 }')" \
    -v end="$(field end_epoch_ms "$mt_out")" -v last="$last_byte_ms" \
    -v mtpeak="$(field peak_working_set "$mt_out")" -v cupeak="$(field peak_working_set "$curl_out")" \
    -v mtstart="$(field working_set_start "$mt_out")" -v custart="$(field working_set_start "$curl_out")" '
BEGIN {
  ideal2 = size / (2 * rate) * 1000; ideal1 = size / rate * 1000; tail = end - last
  printf "CMTCurlDownloader %.2f s, ideal size/2L %.2f s, aria2c -x2 -s2 %.2f s\n", mt / 1000, ideal2 / 1000, aria / 1000
  printf "CCurlDownloader %.2f s, ideal size/L %.2f s, curl command line %.2f s\n", cu / 1000, ideal1 / 1000, cli / 1000
  printf "ratio CMTCurlDownloader / (size/2L) = %.3f (target <= 1.10)\n", mt / ideal2
  printf "ratio CCurlDownloader / (size/L) = %.3f (target <= 1.10)\n", cu / ideal1
  printf "ratio aria2c -x2 -s2 / (size/2L) = %.3f (for comparison)\n", aria / ideal2
  printf "ratio curl command line / (size/L) = %.3f (for comparison)\n", cli / ideal1
  printf "ratio last byte to 1003 (%.0f ms) / native cat + md5sum (%.0f ms) = %.3f (target <= 1.5)\n", tail, native, tail / native
  printf "peak working set CMTCurlDownloader = %.1f MiB (target <= 32 MiB; %.1f MiB at entry to main, %.1f MiB added by the download)\n", mtpeak / 1048576, mtstart / 1048576, (mtpeak - mtstart) / 1048576
  printf "peak working set CCurlDownloader = %.1f MiB (target <= 32 MiB; %.1f MiB at entry to main, %.1f MiB added by the download)\n", cupeak / 1048576, custart / 1048576, (cupeak - custart) / 1048576
}'

if [ "$big" = 1 ]; then
  size=$((2 * 1024 * 1024 * 1024 + 512 * 1024 * 1024 + 12345))
  echo "big package $(mib "$size") MiB, no rate limit: the server works out its digest first"
  expected_md5=$(curl -sS -I -L -o /dev/null -w '%{url_effective}' "$(url big_warm)" | awk -F/ '{ print $(NF-1) }')
  file="$work/big.exe"
  out=$("$build/wine_run.sh" "$bench_exe" 3 "$(url big)" "$(winpath "$file")" | tr -d '\r')
  [ "$(field result "$out" | head -1)" = "1003" ] || { echo "the big download did not complete: $out" >&2; exit 1; }
  [ "$(stat -c %s "$file")" = "$size" ] || { echo "the big package has the wrong size" >&2; exit 1; }
  check_file "$file" "big package"
  echo "big package: CMTCurlDownloader 1003 after $(awk -v t="$(field elapsed_ms "$out")" 'BEGIN { printf "%.1f", t / 1000 }') s, file identical to the server's body (MD5 $expected_md5)"
fi
