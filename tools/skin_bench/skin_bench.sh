#!/usr/bin/env bash
# Times the skin toolkit under Wine and prints each figure with its target:
# window creation to the first complete paint of mainWnd.xml (<= 50 ms), the
# skin archive's opening with the decoding of all its images (<= 30 ms) and
# one progress-bar update repaint (<= 2 ms). Each figure is the median over
# five fresh processes. The machine's load is printed too: other builds on
# the same two cores slow every figure down.
# Usage: tools/skin_bench/skin_bench.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target skin_bench >/dev/null
trap '"$build/wine_env.sh" stop >/dev/null 2>&1 || true' EXIT
"$build/wine_env.sh" start
exe="$build/tools/skin_bench/skin_bench.exe"
runs=5

collect() {  # mode -> one line of numbers per run
  for _ in $(seq $runs); do "$build/wine_run.sh" "$exe" "$1" | tr -d '\r'; done
}
median() {  # column -> median of that column
  awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "OK" : "OVER TARGET" }'; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
w=$(collect window)
first=$(echo "$w" | median 1); later=$(echo "$w" | median 2)
complete=$(echo "$w" | awk '{ s += $3 } END { print (s == NR) ? "" : " (a first paint did not cover the window)" }')
printf 'window creation to first complete paint, mainWnd.xml: %.1f ms first window of a process, %.1f ms later windows (target <= 50 ms) %s%s\n' \
  "$first" "$later" "$(verdict "$first" 50)" "$complete"
plain=$(collect plain | median 1)
printf '  beside it, a plain Win32 window of the same size, creation to the end of its first paint: %.1f ms (what Wine costs a first window before any skin work; the skin adds %.1f ms)\n' \
  "$plain" "$(awk -v a="$first" -v b="$plain" 'BEGIN { print a - b }')"
a=$(collect archive)
open=$(echo "$a" | median 1); images=$(echo "$a" | median 2)
printf 'archive open + decode of all %d images: %.1f ms (target <= 30 ms) %s\n' "$images" "$open" "$(verdict "$open" 30)"
p=$(collect progress)
bar=$(echo "$p" | median 1); slowest=$(echo "$p" | median 2); text=$(echo "$p" | median 3)
printf 'progress-bar update repaint: %.2f ms median, %.2f ms slowest of 100 (target <= 2 ms) %s; with the progress text: %.2f ms\n' \
  "$bar" "$slowest" "$(verdict "$bar" 2)" "$text"
