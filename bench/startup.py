#!/usr/bin/env python3
"""Start-up time of vakro with 1,000 assignments, to its tray icon and caption, against a
minimal Win32 program that only creates a window and a tray icon; prints medians and ratio.

    bench/startup.py [starts per program, default 10]

A waiter (tools/wintool.exe wait) polls inside Wine for the window that each program titles
last in its start-up and stamps the moment with QueryPerformanceCounter, which Wine reads from
CLOCK_MONOTONIC_RAW; the launch is stamped here on the same clock. The two programs alternate.
Both run as released: copies without the debug sections of the test build.
"""

import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from vakro_app import WM_CLOSE, Vakro, WinTool, keydata_line  # noqa: E402
from vakro_e2e import Desktop, build_dir, wait_until  # noqa: E402

WINE = "/usr/lib/wine/wine64"
STRIP = "x86_64-w64-mingw32-strip"


def now_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 1000


def assignments(count):
    codes = ["%06d" % c for c in range(2, 60)]
    lines = []
    for i in range(count):
        chord = [codes[i % len(codes)], codes[(i // len(codes)) % len(codes)], codes[(i * 7) % len(codes)]]
        lines.append(keydata_line(list(dict.fromkeys(chord)), "notepad.exe", f"/x{i}", name=f"番号{i}"))
    return "".join(lines)


def as_released(*paths):
    """Strips the symbols and debug sections from copies of the test build's binaries, as the
    release build does: Wine reads every section of a program into memory, those included."""
    subprocess.run([STRIP, "-s", *paths], check=True, timeout=60)


def minimal_program(desktop):
    """A released copy of the minimal tray program in the desktop's folder."""
    path = os.path.join(desktop.folder, "minimal_tray.exe")
    shutil.copy2(os.path.join(build_dir(), "tools", "minimal_tray.exe"), path)
    as_released(path)
    return path


def released_vakro(desktop, files):
    vakro = Vakro(desktop, files)
    as_released(vakro.exe, os.path.join(vakro.folder, "NodraLib.dll"))
    return vakro


def timed_start(desktop, program, window_class, prefix):
    waiter = subprocess.Popen([WINE, os.path.join(build_dir(), "tools", "wintool.exe"), "wait", window_class,
                               prefix, "60"], env=desktop.env(), stdout=subprocess.PIPE)
    time.sleep(0.5)  # the waiter is polling before the program starts
    started = now_us()
    process = desktop.run(program)
    out, _ = waiter.communicate(timeout=90)
    found = int(out.split()[1])
    return process, (found - started) / 1000


def close(desktop, tool, process, window_class):
    window = tool.find(window_class)
    if window:
        tool.post(window, WM_CLOSE)
    try:
        process.wait(30)
    except subprocess.TimeoutExpired:
        desktop.kill(process)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    with Desktop("startup") as desktop:
        tool = WinTool(desktop)
        data = assignments(1000)
        minimal = minimal_program(desktop)
        vakro_ms, minimal_ms = [], []
        for _ in range(count):
            vakro = released_vakro(desktop, {"keydata.dat": data})
            process, elapsed = timed_start(desktop, vakro.exe, "TNodraWnd", "Vakro 0")
            vakro_ms.append(elapsed)
            close(desktop, tool, process, "TNodraWnd")
            process, elapsed = timed_start(desktop, minimal, "MinimalTray", "ready")
            minimal_ms.append(elapsed)
            close(desktop, tool, process, "MinimalTray")
    v, m = statistics.median(vakro_ms), statistics.median(minimal_ms)
    print(f"starts per program: {count}")
    print(f"vakro with 1,000 assignments to its tray icon, median: {v:.1f} ms (min {min(vakro_ms):.1f})")
    print(f"minimal window and tray icon, median: {m:.1f} ms (min {min(minimal_ms):.1f})")
    print(f"ratio vakro / minimal: {v / m:.2f}")


if __name__ == "__main__":
    main()
