#!/usr/bin/env python3
"""Packs the release archive vakro-<version>.zip from one Windows build folder.

    make-release.py BUILD_DIR OUT_DIR

The archive holds one folder vakro-<version>\\ with the program, its hook process (a low-level
hook, no hook library), the hook library, the help file, the read-me for Windows users
(Shift-JIS, CRLF) and the example plug-in with its source and the plug-in header. The 32-bit
archive also holds x64\\: the 64-bit hook process from the x64 build beside BUILD_DIR, which on
64-bit Windows also answers the app finder for 64-bit programs.
Every program and library goes in stripped of symbols and debug sections. Names inside are
ASCII; entries are sorted and dated by their files, so the same build gives the same archive.
Prints the archive's path.
"""
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def version():
    with open(os.path.join(REPO, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(vakro VERSION (\d+\.\d+\.\d+)", f.read())
    if not match:
        raise SystemExit("make-release: no version in CMakeLists.txt")
    return match.group(1)


def pe_machine(data):
    """The machine field of a PE image, or None when the bytes are not one."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    offset = int.from_bytes(data[0x3C:0x40], "little")
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return int.from_bytes(data[offset + 4:offset + 6], "little")


def is_32_bit(program):
    with open(program, "rb") as f:
        return pe_machine(f.read(4096)) == 0x014C


def companion(build):
    """The x64 hook companion for a 32-bit build: (name in the archive, source path)."""
    if not is_32_bit(os.path.join(build, "ui", "vakro.exe")):
        return []
    x64 = os.path.join(os.path.dirname(build), "win64", "ui")
    return [("x64/vakrohook64.exe", os.path.join(x64, "vakrohook64.exe"))]


def contents(build):
    """(name in the archive, source path) of every file, the read-me excepted."""
    example = os.path.join(REPO, "tools", "example_plugin")
    hook = "vakrohook.exe" if is_32_bit(os.path.join(build, "ui", "vakro.exe")) else "vakrohook64.exe"
    return companion(build) + [
        ("vakro.exe", os.path.join(build, "ui", "vakro.exe")),
        (hook, os.path.join(build, "ui", hook)),
        ("NodraLib.dll", os.path.join(build, "ui", "NodraLib.dll")),
        ("vakro.chm", os.path.join(build, "ui", "vakro.chm")),
        ("plugin/window_action.vpi", os.path.join(build, "tools", "example_plugin", "window_action.vpi")),
        ("plugin/source/vakro_plugin.h", os.path.join(REPO, "plugins", "vakro_plugin.h")),
    ] + [(f"plugin/source/{name}", os.path.join(example, name))
         for name in ("window_action.c", "window_action.rc", "window_action.def", "resource.h")]


STRIP = {0x014C: "i686-w64-mingw32-strip", 0x8664: "x86_64-w64-mingw32-strip"}


def as_released(data):
    """A program or library as users get it: without symbols and debug sections, whichever build
    it comes from (the x64 build keeps them for the tests)."""
    machine = pe_machine(data)
    if machine is None:
        return data
    with tempfile.TemporaryDirectory() as scratch:
        built, stripped = os.path.join(scratch, "built"), os.path.join(scratch, "stripped")
        with open(built, "wb") as f:
            f.write(data)
        subprocess.run([STRIP[machine], "--strip-all", "-o", stripped, built], check=True)
        with open(stripped, "rb") as f:
            return f.read()


def windows_text(path):
    """A UTF-8 text of the repository as a Japanese Windows editor reads it: Shift-JIS, CRLF."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")


def add(archive, name, data, date):
    entry = zipfile.ZipInfo(name, date_time=date)
    entry.compress_type = zipfile.ZIP_DEFLATED
    entry.external_attr = 0o644 << 16
    archive.writestr(entry, data)


def main(build, out):
    build = os.path.abspath(build)
    if not os.path.isfile(os.path.join(build, "ui", "vakro.exe")):
        raise SystemExit(f"make-release: not built: {build}")
    files = contents(build)
    missing = [path for _, path in files if not os.path.isfile(path)]
    if missing:
        raise SystemExit("make-release: not built: " + ", ".join(missing))
    top = f"vakro-{version()}"
    os.makedirs(out, exist_ok=True)
    target = os.path.join(out, top + ".zip")
    partial = target + ".part"
    readme = os.path.join(REPO, "help", "readme.txt")
    entries = [(name, path) for name, path in files] + [("readme.txt", readme)]
    with zipfile.ZipFile(partial, "w") as archive:
        for name, path in sorted(entries):
            date = max((1980, 1, 1, 0, 0, 0), time.localtime(os.path.getmtime(path))[:6])
            if path == readme:
                data = windows_text(path)
            else:  # the plug-in sources stay UTF-8, as their build notes say
                with open(path, "rb") as f:
                    data = as_released(f.read())
            add(archive, f"{top}/{name}", data, date)
    os.replace(partial, target)
    print(target)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
