#!/usr/bin/env python3
"""Memory of vakro at rest against a minimal window-and-tray program: the Linux process's
private memory (smaps_rollup: Private_Clean + Private_Dirty) and its anonymous resident memory,
read some seconds after start; prints both, their ratios, and the growth per assignment.

    bench/memory.py [seconds at rest, default 3] [assignment counts, default 0,1000,10000]
                    [--breakdown]

With no assignments vakro opens its settings window at start; it is closed (hidden, as the
user does) before that figure is read. --breakdown prints vakro's private memory by mapping
(the sections of a program or library count under its name) beside the minimal program's.

Wine answers no private-memory query about another process, so the figures come from /proc:
they hold Wine's own share of the process (its loader, the builtin libraries' data) too, which
the minimal program has as well. Both programs run as released (see startup.py).
"""

import collections
import os
import re
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
from startup import assignments, close, minimal_program, released_vakro  # noqa: E402
from vakro_app import WinTool  # noqa: E402
from vakro_e2e import Desktop, wait_until  # noqa: E402


def kib(path, keys):
    values = {}
    with open(path) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in keys:
                values[name] = int(rest.split()[0])
    return values


def figures(pid):
    rollup = kib(f"/proc/{pid}/smaps_rollup", ("Private_Clean", "Private_Dirty"))
    status = kib(f"/proc/{pid}/status", ("RssAnon",))
    return rollup["Private_Clean"] + rollup["Private_Dirty"], status["RssAnon"]


def by_mapping(pid):
    """Private KiB per mapping name. Wine reads a program's or library's sections into
    anonymous memory right after the mapping of its file: those count under the file's name."""
    totals = collections.Counter()
    name, end = "[anonymous]", None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = re.match(r"^([0-9a-f]+)-([0-9a-f]+) \S+ \S+ \S+ \S+\s*(.*)$", line)
            if head:
                start, stop, path = int(head[1], 16), int(head[2], 16), head[3].strip()
                if path:
                    name = os.path.basename(path) if path.startswith("/") else path
                elif start != end or not name.lower().endswith((".exe", ".dll", ".drv")):
                    name = "[anonymous]"
                end = stop
            elif line.startswith(("Private_Clean:", "Private_Dirty:")):
                totals[name] += int(line.split()[1])
    return totals


def print_breakdown(vakro, minimal):
    print("private KiB by mapping      vakro  minimal  difference")
    names = sorted(set(vakro) | set(minimal), key=lambda n: minimal[n] - vakro[n])
    shown = [n for n in names if abs(vakro[n] - minimal[n]) >= 32 or vakro[n] >= 256]
    for name in shown:
        print(f"  {name[:24]:24} {vakro[name]:7} {minimal[name]:8} {vakro[name] - minimal[name]:+11}")
    rest_v = sum(v for n, v in vakro.items() if n not in shown)
    rest_m = sum(v for n, v in minimal.items() if n not in shown)
    print(f"  {'(the rest)':24} {rest_v:7} {rest_m:8} {rest_v - rest_m:+11}")


def vakro_at_rest(desktop, tool, count, rest):
    files = {"keydata.dat": assignments(count)} if count else {}
    vakro = released_vakro(desktop, files).start()
    if count == 0:
        vakro.hide_settings()
    time.sleep(rest)
    measured = figures(vakro.process.pid), by_mapping(vakro.process.pid)
    close(desktop, tool, vakro.process, "TNodraWnd")
    return measured


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    rest = float(args[0]) if args else 3
    counts = [int(c) for c in args[1].split(",")] if len(args) > 1 else [0, 1000, 10000]
    with Desktop("memory") as desktop:
        tool = WinTool(desktop)
        measured = {count: vakro_at_rest(desktop, tool, count, rest) for count in counts}
        minimal = desktop.run(minimal_program(desktop))
        wait_until(lambda: tool.find("MinimalTray"), 60, "the minimal program")
        time.sleep(rest)
        (minimal_private, minimal_anon), minimal_maps = figures(minimal.pid), by_mapping(minimal.pid)
        close(desktop, tool, minimal, "MinimalTray")
    print(f"minimal window and tray icon: private {minimal_private} KiB, anonymous resident {minimal_anon} KiB")
    for count, ((private, anon), _) in measured.items():
        print(f"vakro with {count:,} assignments at rest: private {private} KiB (ratio "
              f"{private / minimal_private:.2f}), anonymous resident {anon} KiB (ratio {anon / minimal_anon:.2f})")
    nonzero = sorted(c for c in counts if c)
    if len(nonzero) >= 2:
        low, high = nonzero[0], nonzero[-1]
        growth = (measured[high][0][0] - measured[low][0][0]) * 1024 / (high - low)
        print(f"private memory per assignment from {low:,} to {high:,}: {growth:.0f} bytes")
    if "--breakdown" in sys.argv:
        print_breakdown(measured[nonzero[0] if nonzero else counts[0]][1], minimal_maps)


if __name__ == "__main__":
    main()
