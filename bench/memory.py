#!/usr/bin/env python3
"""Memory of vakro at rest with 1,000 assignments, against a minimal window-and-tray program:
the Linux process's private memory (smaps_rollup: Private_Clean + Private_Dirty) and its
anonymous resident memory, read some seconds after start; prints both and their ratios.

    bench/memory.py [seconds at rest, default 3]

Wine answers no private-memory query about another process, so the figures come from /proc:
they hold Wine's own share of the process (its loader, the builtin libraries' data) too, which
the minimal program has as well.
"""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
from startup import assignments, close  # noqa: E402
from vakro_app import Vakro, WinTool  # noqa: E402
from vakro_e2e import Desktop, build_dir, wait_until  # noqa: E402


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


def main():
    rest = float(sys.argv[1]) if len(sys.argv) > 1 else 3
    with Desktop("memory") as desktop:
        tool = WinTool(desktop)
        vakro = Vakro(desktop, {"keydata.dat": assignments(1000)}).start()
        time.sleep(rest)
        vakro_private, vakro_anon = figures(vakro.process.pid)
        close(desktop, tool, vakro.process, "TNodraWnd")
        minimal = desktop.run(os.path.join(build_dir(), "tools", "minimal_tray.exe"))
        wait_until(lambda: tool.find("MinimalTray"), 60, "the minimal program")
        time.sleep(rest)
        minimal_private, minimal_anon = figures(minimal.pid)
        close(desktop, tool, minimal, "MinimalTray")
    print(f"vakro with 1,000 assignments at rest: private {vakro_private} KiB, anonymous resident {vakro_anon} KiB")
    print(f"minimal window and tray icon:        private {minimal_private} KiB, anonymous resident {minimal_anon} KiB")
    print(f"vakro beyond the minimal program: private {vakro_private - minimal_private} KiB "
          f"(ratio {vakro_private / minimal_private:.2f}), anonymous {vakro_anon - minimal_anon} KiB "
          f"(ratio {vakro_anon / minimal_anon:.2f})")


if __name__ == "__main__":
    main()
