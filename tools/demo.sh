#!/usr/bin/env bash
# The installer end to end on this machine, without the window: installs
# the dependencies when they are missing, configures and builds (reusing the
# build folder), starts the local download server with the NSIS demo package
# behind the product's redirect chain (its MD5 in the final URL), and runs
# the headless install driver under Wine twice: a first install on a clean
# record, then a second run that removes that install through its own
# uninstaller and installs again. BUILD_DIR picks another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/install_deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2

package="$build/tests/fixtures/package/lumavox_demo_package.exe"
driver="$build/tools/install_driver/install_driver.exe"
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  "$build/wine_env.sh" stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$build/wine_env.sh" start
python3 "$root/tests/fixtures/http_server/test_http_server.py" --port 0 --port-file "$work/port" \
  --serve-file "package=$package" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "the download server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
url="http://127.0.0.1:$(cat "$work/port")/software/206"

# A clean record, so the first run shows an install on a fresh machine.
"$build/wine_run.sh" reg delete 'HKCU\Software\ZeltoSoft\lumavoxapp' /f >/dev/null 2>&1 || true

echo "== download server: $url -> lumavox_demo_package.exe (md5 $(md5sum "$package" | cut -d' ' -f1))"
echo "== first run: install into the default folder"
"$build/wine_run.sh" "$driver" "-downloadurl=$url" --timeout=300
echo
echo "== second run: the registry names the installed version; its uninstaller runs first"
"$build/wine_run.sh" "$driver" "-downloadurl=$url" --timeout=300
echo
echo "== the install record"
"$build/wine_run.sh" reg query 'HKCU\Software\ZeltoSoft\lumavoxapp' | tr -d '\r'
