#!/usr/bin/env python3
"""Times the install pipeline around the NSIS demo package under Wine.

  tools/install_bench/install_bench.py [build folder] [--runs N]

Runs the headless install driver N times (default 7) against the local
download server and prints, from one run of this script:
  - from the download's completion (1003) to the package's start (its
    process creation time), target at most 100 ms;
  - from the package's exit (its last act, written by the package itself)
    to the success event 2003, target at most 150 ms: once with the
    package's State=Success line, once with a package that writes no verdict
    (2003 then follows the process's end).
The times of events come from the driver (--timestamps), the package's from
the record it writes beside itself; both are the system's precise clock.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def windows_path(unix_path):
    return "Z:" + unix_path.replace("/", "\\")


def start_server(work, package):
    port_file = os.path.join(work, "port")
    server = subprocess.Popen(
        [sys.executable, os.path.join(ROOT, "tests/fixtures/http_server/test_http_server.py"),
         "--port", "0", "--port-file", port_file, "--serve-file", "package=" + package],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if os.path.exists(port_file) and open(port_file).read().strip():
            return server, open(port_file).read().strip()
        time.sleep(0.05)
    server.kill()
    raise SystemExit("the download server did not start")


def run_once(build, url, folder, instcmd):
    shutil.rmtree(folder, ignore_errors=True)
    args = [os.path.join(build, "wine_run.sh"), os.path.join(build, "tools/install_driver/install_driver.exe"),
            "-downloadurl=" + url, "--dir=" + windows_path(folder), "--old-uninstaller=",
            "--no-records", "--timestamps", "--timeout=120", "--desktop=false", "--quicklaunch=false"]
    if instcmd:
        args.append("-instcmd=" + instcmd)
    out = subprocess.run(args, capture_output=True, text=True, encoding="utf-8", errors="replace").stdout
    events = {}
    for line in out.splitlines():
        fields = line.rstrip("\r").split("\t")
        if fields[0] == "event" and len(fields) >= 5:
            events.setdefault(int(fields[1]), int(fields[4]))
    if 2003 not in events or 1003 not in events:
        raise SystemExit("the install did not succeed:\n" + out)
    record = open(os.path.join(folder, "__Package_lumavoxapp.exe.cmdline"), encoding="utf-8").read()
    created = int(re.search(r"created=(\d+)", record).group(1))
    finished = int(re.search(r"finished=(\d+)", record).group(1))
    ms = lambda ticks: ticks / 10000.0  # FILETIME units of 100 ns
    return ms(created - events[1003]), ms(events[2003] - finished)


def report(name, values, target):
    print("%-52s median %6.1f ms   max %6.1f ms   (target <= %d ms)"
          % (name, statistics.median(values), max(values), target))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=7)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    subprocess.run(["cmake", "--build", build, "--target", "install_driver", "demo_package"],
                   check=True, stdout=subprocess.DEVNULL)
    package = os.path.join(build, "tests/fixtures/package/lumavox_demo_package.exe")

    work = tempfile.mkdtemp(prefix="lumavox_bench.")
    subprocess.run([os.path.join(build, "wine_env.sh"), "start"], check=True)
    server, port = start_server(work, package)
    try:
        url = "http://127.0.0.1:%s/software/206" % port
        folder = os.path.join(work, "lumavoxapp")
        run_once(build, url, folder, "")  # warm-up: page cache, Wine's first start
        to_start, verdict, no_verdict = [], [], []
        for _ in range(options.runs):
            start, end = run_once(build, url, folder, "")
            to_start.append(start)
            verdict.append(end)
            start, end = run_once(build, url, folder, "-result=none")
            to_start.append(start)
            no_verdict.append(end)
    finally:
        server.terminate()
        server.wait()
        subprocess.run([os.path.join(build, "wine_env.sh"), "stop"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(work, ignore_errors=True)

    print("install pipeline with the NSIS demo package under Wine, %d runs each" % options.runs)
    report("1003 -> package start", to_start, 100)
    report("package exit -> 2003 (package writes State=Success)", verdict, 150)
    report("package exit -> 2003 (package writes no verdict)", no_verdict, 150)
    return 0


if __name__ == "__main__":
    sys.exit(main())
