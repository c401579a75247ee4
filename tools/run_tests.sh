#!/usr/bin/env bash
# The one command for a fresh machine: dependencies, configure, build, and
# every test under Wine. BUILD_DIR picks another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/install_deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2 "$@"
