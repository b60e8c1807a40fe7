#!/usr/bin/env python3
"""Start-up time of qinglan: from process start to MainWindow's first paint, with the access-token
request answered by the local services. Median of N starts (default 10) on an X server.

    python3 bench/startup_bench.py [BUILD_DIR] [N]      (default build, 10)

Needs an X display; without one it re-runs itself under scripts/with-xvfb.sh. The program is started
with QINGLAN_EXIT_AFTER_SHOWN=1, so it prints "shown" after the first paint and quits; the time is taken
from just before the process is spawned to the moment that line arrives.
"""
import os
import re
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build')
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
binary = os.path.join(build, 'bin', 'qinglan')
services_binary = os.path.join(build, 'bin', 'qinglan-local-services')

if not os.environ.get('DISPLAY'):
    os.execv(os.path.join(ROOT, 'scripts', 'with-xvfb.sh'),
             ['with-xvfb.sh', sys.executable, os.path.abspath(__file__), build, str(runs)])

services = subprocess.Popen([services_binary, '--port', '0'], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            text=True)
try:
    m = re.search(r'listening on 127\.0\.0\.1:(\d+)', services.stdout.readline())
    if not m:
        sys.exit('startup_bench: the local services did not start')
    base = 'http://127.0.0.1:' + m.group(1)
    env = dict(os.environ, QINGLAN_EXIT_AFTER_SHOWN='1', QINGLAN_OCR_BASE=base, QINGLAN_IMAGE_HOST_BASE=base,
               QINGLAN_TRANSLATE_BASE=base, QT_QPA_PLATFORM='xcb')
    times = []
    for i in range(runs + 1):  # the first start warms the file cache and is not counted
        t0 = time.monotonic()
        p = subprocess.Popen([binary], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
        line = p.stdout.readline()
        t1 = time.monotonic()
        p.wait(timeout=60)
        if line.strip() != 'shown':
            sys.exit('startup_bench: the program did not report its window (exit %s)' % p.returncode)
        if i:
            times.append((t1 - t0) * 1000)
    times.sort()
    print('startup_bench: process start to MainWindow shown, %d starts: median %.1f ms (min %.1f, max %.1f)'
          % (runs, statistics.median(times), times[0], times[-1]))
finally:
    services.terminate()
    services.wait()
