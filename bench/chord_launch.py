#!/usr/bin/env python3
"""Time from a chord's last key to the started program running, against Wine starting the same
program directly; prints medians and their ratio.

    bench/chord_launch.py [starts per way, default 20]

The chord is left Ctrl + X, bound in vakro to tools/witness.exe. The last key is sent through
XTest from this process and stamped with CLOCK_MONOTONIC_RAW; the witness stamps its first log
line with QueryPerformanceCounter, which Wine reads from the same clock. A direct start is
timed from the moment this process asks Wine to run the witness. The two ways alternate.
"""

import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
from key_latency import XTestKeyboard  # noqa: E402
from vakro_app import KEY_X, LEFT_CTRL, Vakro, keydata_line  # noqa: E402
from vakro_e2e import Desktop, Witness, wait_until, winpath  # noqa: E402


def now_us():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 1000


def started_at(log, timeout=30):
    return log.wait_event("start", timeout).time_us


def by_chord(keyboard, vakro, log):
    """One start through the chord; the witness it starts writes `log` anew."""
    if os.path.exists(log.path):
        os.remove(log.path)
    ctrl, x = keyboard.keycode("Control_L"), keyboard.keycode("x")
    keyboard.send(ctrl, 1)
    wait_until(lambda: vakro.guide_visible(), 10, "the guide")
    sent = keyboard.send(x, 1)
    keyboard.send(x, 0)
    keyboard.send(ctrl, 0)
    return started_at(log) - sent


def directly(desktop, index):
    log = desktop.log(f"direct{index}.log")
    sent = now_us()
    process = desktop.run(Witness.program(), ["--log", winpath(log.path), "--hidden"])
    elapsed = started_at(log) - sent
    desktop.kill(process)
    return elapsed


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    with Desktop("chord_launch") as desktop:
        log = desktop.log("chord.log")
        line = keydata_line([LEFT_CTRL, KEY_X], Witness.program_wine(), f'--log "{winpath(log.path)}" --hidden')
        vakro = Vakro(desktop, {"keydata.dat": line}).start()
        Witness(desktop, "focus").focus()
        keyboard = XTestKeyboard(desktop.display)
        chord, direct = [], []
        for i in range(count):
            chord.append(by_chord(keyboard, vakro, log))
            direct.append(directly(desktop, i))
        keyboard.close()
    chord_ms, direct_ms = statistics.median(chord) / 1000, statistics.median(direct) / 1000
    print(f"starts per way: {count}")
    print(f"chord's last key to program running, median: {chord_ms:.1f} ms")
    print(f"Wine starting the program directly, median: {direct_ms:.1f} ms")
    print(f"ratio chord / direct: {chord_ms / direct_ms:.2f}")


if __name__ == "__main__":
    main()
