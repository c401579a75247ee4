#!/usr/bin/env python3
"""Runs the analytics benchmark against a local collector and prints its
figures with their targets, all measured in one run.

  tools/analytics_bench/run_analytics_bench.py [BUILD_DIR]

BUILD_DIR defaults to ./build; the program must be built there
(cmake --build build --target analytics_bench). Exit status 0 when every
target is met.
"""

import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures", "collector"))
from collector import Collector  # noqa: E402
from run_with_collector import free_port  # noqa: E402


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    program = os.path.join(build, "tools", "analytics_bench", "analytics_bench.exe")
    if not os.path.exists(program):
        sys.exit("build the benchmark first: cmake --build %s --target analytics_bench" % build)
    display_was_up = os.path.exists(os.path.join(build, "wine", "display"))
    subprocess.run([os.path.join(build, "wine_env.sh"), "start"], check=True)
    collector = Collector().start()
    env = dict(os.environ)
    env["LUMAVOX_BENCH_COLLECTOR_URL"] = "http://127.0.0.1:%d/sa?project=pc" % collector.port
    env["LUMAVOX_DEAD_COLLECTOR_URL"] = "http://127.0.0.1:%d/sa?project=pc" % free_port()
    try:
        result = subprocess.run([os.path.join(build, "wine_run.sh"), program], env=env)
    finally:
        collector.stop()
        if not display_was_up:
            subprocess.run([os.path.join(build, "wine_env.sh"), "stop"])
    requests = collector.store.requests
    records = sum(r[1] for r in requests if r[0] == 200)
    ok_requests = sum(1 for r in requests if r[0] == 200)
    met = ok_requests == 35 and records == 1024
    print("requests the collector took for the flush: %d with %d records (expected 35 with 1024) %s"
          % (ok_requests, records, "met" if met else "MISSED"))
    return 0 if result.returncode == 0 and met else 1


if __name__ == "__main__":
    sys.exit(main())
