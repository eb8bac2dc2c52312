#!/usr/bin/env python3
"""Compiles the help file vakro.chm from the UTF-8 sources of this folder.

The Windows help viewer of a Japanese (0x411) help file reads its pages, contents and title in
the ANSI code page, so every text source is converted to Shift-JIS (strictly: a character
without a Shift-JIS form is an error, not a "?") and each page's charset declaration is
rewritten to match. The screenshots are copied into images/ beside the pages.

    build_chm.py SOURCE_DIR SCREENSHOT_DIR WORK_DIR OUTPUT.chm
"""
import os
import re
import shutil
import subprocess
import sys

TEXT_SUFFIXES = (".html", ".hhc", ".hhp", ".css")
PROJECT = "vakro.hhp"


def project_files(project_text):
    """The names listed in the [FILES] section of a help project."""
    names, inside = [], False
    for line in project_text.splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line.upper() == "[FILES]"
        elif inside and line and not line.startswith(";"):
            names.append(line.replace("\\", "/"))
    return names


def to_shift_jis(name, text):
    if name.endswith((".html", ".hhc")):
        text, count = re.subn(r"charset=UTF-8", "charset=Shift_JIS", text, flags=re.IGNORECASE)
        if name.endswith(".html") and count != 1:
            raise SystemExit(f"build_chm: {name} must declare charset=UTF-8 once")
    try:
        return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")
    except UnicodeEncodeError as error:
        bad = text[error.start:error.end]
        raise SystemExit(f"build_chm: {name}: {bad!r} has no Shift-JIS form")


def main(source, screenshots, work, output):
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(os.path.join(work, "images"))
    for name in sorted(os.listdir(source)):
        if name.endswith(TEXT_SUFFIXES):
            with open(os.path.join(source, name), encoding="utf-8") as f:
                data = to_shift_jis(name, f.read())
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
    for name in sorted(os.listdir(screenshots)):
        if name.endswith(".png"):
            shutil.copy2(os.path.join(screenshots, name), os.path.join(work, "images", name))

    with open(os.path.join(source, PROJECT), encoding="utf-8") as f:
        missing = [n for n in project_files(f.read()) if not os.path.isfile(os.path.join(work, n))]
    if missing:
        raise SystemExit(f"build_chm: files of {PROJECT} not found: {', '.join(missing)}")

    result = subprocess.run(["chmcmd", "--no-html-scan", "--verbosity", "1", PROJECT], cwd=work,
                            capture_output=True, text=True, errors="replace")
    built = os.path.join(work, "vakro.chm")
    if result.returncode != 0 or not os.path.isfile(built):
        sys.stderr.write(result.stdout + result.stderr)
        raise SystemExit("build_chm: chmcmd failed")
    os.replace(built, output)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
