#!/usr/bin/env bash
# Times Utils::FileMd5 under Wine against native md5sum on the same 256 MiB
# file, best of three runs each, and prints their ratio (target: at most 1.5).
# Usage: tools/md5_bench/md5_bench.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target md5_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"; "$build/wine_env.sh" stop >/dev/null 2>&1 || true' EXIT
file="$work/body.bin"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null  # both sides read from the page cache

"$build/wine_env.sh" start
best() { sort -n | head -n 1; }

native=$(for _ in 1 2 3; do
  s=$(date +%s.%N); md5sum "$file" >"$work/native.txt"; e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.6f\n", e - s }'
done | best)

ours=$(for _ in 1 2 3; do
  "$build/wine_run.sh" "$build/tools/md5_bench/md5_bench.exe" "Z:${file//\//\\}" | tee "$work/ours.txt" | cut -d' ' -f1
done | best)

want=$(cut -d' ' -f1 "$work/native.txt")
got=$(cut -d' ' -f2 "$work/ours.txt" | tr -d '\r')
[ "$want" = "$got" ] || { echo "digest mismatch: md5sum $want, FileMd5 $got" >&2; exit 1; }

printf 'file: 256 MiB, digest %s\n' "$got"
printf 'md5sum (native):      %.3f s\n' "$native"
printf 'Utils::FileMd5 (Wine): %.3f s\n' "$ours"
printf 'ratio FileMd5 / md5sum: %.2f (target <= 1.5)\n' "$(awk -v a="$ours" -v b="$native" 'BEGIN { print a / b }')"
