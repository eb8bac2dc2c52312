#!/usr/bin/env python3
"""Time from an X key event to the witness window receiving it, without hooks and with vakro
resident (1,000 assignments, none of which begins with the key typed, so the keys pass);
prints medians and their ratio. Beside it, in the same run, each against the same input without
vakro: a capital A typed with left Shift, which begins chords that A does not go on with (the A
passes beside them), Shift, S, T, where S goes on with one of them and T with none (vakro
withholds both and re-sends them when T shows the chord leads nowhere: the latency of T), and
bursts of 20 capital As sent back to back (the lag of the last one). The floor of the platform is
timed in the same run: a low-level keyboard hook that only hands each event on (the test host
with --floor), which is what deciding every key in one low-level hook costs at the least. With
--hookhost the hooks come from the test host instead, which installs NodraLib's hooks and does
nothing with their reports (then only the first figure). Against the 32-bit build
(VAKRO_BUILD_DIR=build/win32, on a machine that runs 32-bit code) it also types into a 64-bit
witness.

    bench/key_latency.py [--hookhost] [keys per phase, default 200] [rounds, default 2]

Keys are sent through XTest straight from this process (ctypes), so the send time is the
moment the event leaves for the X server; the witness stamps each key message with
QueryPerformanceCounter, which Wine takes from CLOCK_MONOTONIC_RAW, the clock read here.
Phases alternate (without, with, without, with, ...) so a change of machine load falls on both.
"""

import ctypes
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from vakro_app import WM_CLOSE, Vakro, keydata_line  # noqa: E402
from vakro_e2e import Desktop, Witness, build_dir, is_32_bit_build, wait_until, winpath  # noqa: E402
from test_nodralib import Witness64  # noqa: E402

PACE = 0.008  # seconds between two key events, so one event is received before the next


class XTestKeyboard:
    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open X display {display}")

    def keycode(self, name):
        return self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(name.encode()))

    def send(self, keycode, press):
        """Sends one key event; returns the send time in microseconds of CLOCK_MONOTONIC_RAW."""
        self.xtst.XTestFakeKeyEvent(self.display, keycode, press, 0)
        sent = time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 1000
        self.x11.XFlush(self.display)
        return sent

    def close(self):
        self.x11.XCloseDisplay(self.display)


def phase(keyboard, witness, count):
    """Types count keys; returns the latency of each press and release in microseconds."""
    before = len(witness.keys())
    code = keyboard.keycode("a")
    sent = []
    for _ in range(count):
        for press in (1, 0):
            sent.append(keyboard.send(code, press))
            time.sleep(PACE)
    wait_until(lambda: len(witness.keys()) >= before + 2 * count, 30, "every key at the witness")
    events = [e for e in witness.log.entries() if e.event in ("WM_KEYDOWN", "WM_KEYUP")][before:]
    return [e.time_us - s for e, s in zip(events, sent)]


VK_A = 0x41


def letter_downs(witness, before, vk=VK_A):
    """Time stamps of the letter's presses at the witness after the first `before` log entries."""
    return [e.time_us for e in witness.log.entries()[before:] if e.event == "WM_KEYDOWN" and e.int_field("wp") == vk]


def capital_phase(keyboard, witness, count):
    """Types count capital As, paced; returns the latency of each A press in microseconds."""
    before = len(witness.log.entries())
    shift, a = keyboard.keycode("Shift_L"), keyboard.keycode("a")
    vk = VK_A
    sent = []
    for _ in range(count):
        keyboard.send(shift, 1)
        time.sleep(PACE)
        sent.append(keyboard.send(a, 1))
        time.sleep(PACE)
        keyboard.send(a, 0)
        keyboard.send(shift, 0)
        time.sleep(PACE)
    wait_until(lambda: len(letter_downs(witness, before, vk)) >= count, 30, "every capital at the witness")
    return [r - s for r, s in zip(letter_downs(witness, before, vk), sent)]


def delivered_phase(keyboard, witness, count):
    """Types Shift, S, T count times, paced; returns the latency of each T press in microseconds."""
    before = len(witness.log.entries())
    shift, s, t = (keyboard.keycode(name) for name in ("Shift_L", "s", "t"))
    sent = []
    for _ in range(count):
        for key in (shift, s):
            keyboard.send(key, 1)
            time.sleep(PACE)
        sent.append(keyboard.send(t, 1))
        time.sleep(PACE)
        for key in (t, s, shift):
            keyboard.send(key, 0)
        time.sleep(PACE)
    wait_until(lambda: len(letter_downs(witness, before, ord("T"))) >= count, 30, "every T at the witness")
    return [r - s for r, s in zip(letter_downs(witness, before, ord("T")), sent)]


def burst_phase(keyboard, witness, bursts, size=20):
    """Sends bursts of capitals back to back; returns the lag of each burst's last A press."""
    shift, a = keyboard.keycode("Shift_L"), keyboard.keycode("a")
    lags = []
    for _ in range(bursts):
        before = len(witness.log.entries())
        for _ in range(size):
            keyboard.send(shift, 1)
            last = keyboard.send(a, 1)
            keyboard.send(a, 0)
            keyboard.send(shift, 0)
        wait_until(lambda: len(letter_downs(witness, before)) >= size, 30, "the burst at the witness")
        lags.append(letter_downs(witness, before)[size - 1] - last)
        time.sleep(20 * PACE)
    return lags


def start_host(desktop, name, floor=False):
    log = desktop.log(name + ".log")
    commands = os.path.join(desktop.folder, name + ".commands")
    open(commands, "w").close()
    process = desktop.run(os.path.join(build_dir(), "tools", "hookhost.exe"),
                          ["--log", winpath(log.path), "--commands", winpath(commands), "--quiet-keys"] +
                          (["--floor"] if floor else []))
    log.wait_event("hooked", timeout=30)
    return process, commands


def stop_host(host):
    process, commands = host
    with open(commands, "a") as f:
        f.write("exit\n")
    wait_until(lambda: process.poll() is not None, 30, "the host to release its hooks and end")


A_KEY = "000030"
LEFT_SHIFT, S_KEY, Z_KEY = "000042", "000031", "000044"


def assignments(count):
    """Chords of two and three keys over the main block that never begin with A."""
    codes = ["%06d" % c for c in range(2, 60) if "%06d" % c != A_KEY]
    lines = []
    for i in range(count):
        chord = [codes[i % len(codes)], codes[(i * 7 + 1) % len(codes)], A_KEY][: 2 + i % 2]
        lines.append(keydata_line(list(dict.fromkeys(chord)), "notepad.exe", f"/x{i}", name=f"番号{i}"))
    return "".join(lines)


def start_vakro(desktop, witness):
    shift_s = keydata_line([LEFT_SHIFT, S_KEY, Z_KEY], "notepad.exe", "/s", name="S")  # S goes on with Shift
    vakro = Vakro(desktop, {"keydata.dat": assignments(1000) + shift_s}).start()
    witness.focus()
    return vakro


def stop_vakro(vakro):
    vakro.tool.post(vakro.main, WM_CLOSE)
    wait_until(vakro.exited, 30, "vakro to release its hooks and end")


def main():
    args = sys.argv[1:]
    hookhost = "--hookhost" in args
    args = [a for a in args if a != "--hookhost"]
    count = int(args[0]) if args else 200
    rounds = int(args[1]) if len(args) > 1 else 2
    without, hooked, floor = [], [], []
    figures = {"capital": ([], []), "delivered": ([], []), "burst": ([], []), "x64": ([], [])}  # (without, with)
    into_64 = is_32_bit_build() and not hookhost
    with Desktop("key_latency") as desktop:
        witness64 = Witness64(desktop, "latency-witness64", at=(100, 400, 320, 200)) if into_64 else None
        witness = Witness(desktop, "latency-witness")
        witness.focus()
        keyboard = XTestKeyboard(desktop.display)
        phase(keyboard, witness, 20)  # warm-up
        def resident_phases(side):
            """The delivered capitals, the bursts and the 64-bit program, into figures[...][side]."""
            figures["capital"][side].extend(capital_phase(keyboard, witness, count // 4))
            figures["delivered"][side].extend(delivered_phase(keyboard, witness, count // 4))
            figures["burst"][side].extend(burst_phase(keyboard, witness, 5))
            if into_64:
                witness64.focus()
                figures["x64"][side].extend(phase(keyboard, witness64, count))
                witness.focus()

        for n in range(rounds):
            without += phase(keyboard, witness, count)
            if hookhost:
                host = start_host(desktop, f"latency-host-{n}")
                hooked += phase(keyboard, witness, count)
                stop_host(host)
                continue
            host = start_host(desktop, f"latency-floor-{n}", floor=True)
            floor += phase(keyboard, witness, count)
            stop_host(host)
            resident_phases(0)
            vakro = start_vakro(desktop, witness)
            hooked += phase(keyboard, witness, count)
            resident_phases(1)
            stop_vakro(vakro)
        keyboard.close()

    def describe(name, values):
        quantiles = statistics.quantiles(values, n=100)
        print(f"{name:<22} {len(values):5d} events  median {statistics.median(values) / 1000:6.3f} ms"
              f"  90th {quantiles[89] / 1000:6.3f} ms  99th {quantiles[98] / 1000:6.3f} ms")

    describe("without hooks", without)
    describe("hook host, pass mode" if hookhost else "vakro, 1,000 assignments", hooked)
    print(f"ratio of medians (hooked / without): {statistics.median(hooked) / statistics.median(without):.3f}")
    if hookhost:
        return
    describe("floor: low-level hook", floor)
    print(f"ratio of medians (floor / without): {statistics.median(floor) / statistics.median(without):.3f}; "
          f"(vakro / floor): {statistics.median(hooked) / statistics.median(floor):.3f}")
    for name, label in (("capital", "capital A beside"), ("delivered", "T after Shift, S, delivered"),
                        ("burst", "last of 20 capitals"), ("x64", "64-bit program")):
        plain, resident = figures[name]
        if not plain:
            continue
        describe(f"{label}, without", plain)
        describe(f"{label}, vakro", resident)
        print(f"  difference of medians: {(statistics.median(resident) - statistics.median(plain)) / 1000:.3f} ms")


if __name__ == "__main__":
    main()
