#!/usr/bin/env python3
"""Writes the Python module of the program's control ids and message numbers that the
end-to-end tests use, read from the headers that define them, so the tests never retype one.

    make-e2e-ids.py OUTPUT --root SOURCE --headers HEADER... --uses TEST...

Recognised lines: `constexpr WORD kName = 123;`, `#define NAME (WM_APP + 500)`,
`#define NAME 0x1800` and `#define NAME "text"`. Fails when a name the tests use (`ids.NAME` in a TEST) is not defined."""
import argparse
import os
import re
import sys

WM_APP = 0x8000
DEFINITIONS = (
    (re.compile(r"^constexpr\s+WORD\s+(k\w+)\s*=\s*(\d+)\s*;"), lambda n: int(n)),
    (re.compile(r"^#define\s+(\w+)\s+\(WM_APP\s*\+\s*(\d+)\)"), lambda n: WM_APP + int(n)),
    (re.compile(r"^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)u?(?:\s|//|$)"), lambda n: int(n, 0)),
    (re.compile(r'^#define\s+(\w+)\s+"([^"\\]*)"'), lambda text: text),
)
USE = re.compile(r"\bids\.(\w+)")


def constants(path):
    """(name, value) of each recognised line of a header, in order."""
    found = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            for pattern, value in DEFINITIONS:
                match = pattern.match(line.strip())
                if match:
                    found.append((match.group(1), value(match.group(2))))
                    break
    return found


def used_names(paths):
    """{name: the first test file using it}."""
    names = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for name in USE.findall(f.read()):
                names.setdefault(name, os.path.basename(path))
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--root", required=True)
    parser.add_argument("--headers", nargs="+", required=True)
    parser.add_argument("--uses", nargs="*", default=[])
    args = parser.parse_args()

    lines, defined = [], {}
    for header in args.headers:
        relative = os.path.relpath(header, args.root).replace(os.sep, "/")
        found = constants(header)
        if not found:
            sys.exit(f"make-e2e-ids: no constants recognised in {relative}")
        lines.append(f"\n# {relative}")
        for name, value in found:
            if defined.get(name, value) != value:
                sys.exit(f"make-e2e-ids: {name} is {defined[name]} and {value}")
            defined[name] = value
            lines.append(f"{name} = {value!r}")
    missing = {name: test for name, test in used_names(args.uses).items() if name not in defined}
    if missing:
        listed = ", ".join(f"{name} ({test})" for name, test in sorted(missing.items()))
        sys.exit(f"make-e2e-ids: the tests use names no header defines: {listed}")

    text = ('"""Control ids and message numbers of vakro, written by the build from its headers '
            '(scripts/make-e2e-ids.py)."""\n' + "\n".join(lines) + "\n")
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
