"""Checks of what a Windows user downloads: the release archive's files and the help file.

    python3 -m unittest release_checks.HelpFileTest        the help file beside vakro.exe
    python3 -m unittest release_checks.Win32ArchiveTest    the 32-bit release archive

The 32-bit archive is packed from build/win32 (its x64 hook companion from build/win64) and
checked by listing: the files, their machine type, the read-me's encoding. (Where 32-bit Wine
runs, the release build's own end-to-end run unpacks and uses it too.)
"""

import os
import re
import struct
import subprocess
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
VERSION = "0.3.0"
TOP = f"vakro-{VERSION}/"
ARCHIVE_FILES = {"vakro.exe", "NodraLib.dll", "vakro.chm", "readme.txt", "plugin/window_action.vpi",
                 "plugin/source/vakro_plugin.h", "plugin/source/window_action.c",
                 "plugin/source/window_action.rc", "plugin/source/window_action.def",
                 "plugin/source/resource.h"}
COMPANION_FILES = {"x64/vakrohook64.exe"}  # no hook library of its own: nothing to map into programs
PE_I386, PE_AMD64 = 0x014C, 0x8664
PE32, PE32_PLUS = 0x10B, 0x20B
COMMANDS = ("$exitwindows", "$reboot", "$show", "$windowinfo", "$volumeup", "$volumedown", "$mute")


def build_dir():
    return os.environ.get("VAKRO_BUILD_DIR", os.path.join(REPO, "build", "win64"))


def make_archive(build, out):
    """Packs the archive of a build folder with the release script's packer; its path."""
    result = subprocess.run(["python3", os.path.join(REPO, "scripts", "make-release.py"), build, out],
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"packing {build} failed: {result.stdout}{result.stderr}")
    return result.stdout.strip().splitlines()[-1]


def pe_machine(data):
    """(machine, optional-header magic) of a PE image, or None when it is not one."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, offset + 4)[0]
    magic = struct.unpack_from("<H", data, offset + 24)[0]
    return machine, magic


def debug_sections(data):
    """The names of a PE image's debug sections (long names, which only they use here, resolved
    through the symbol table's strings while there is one)."""
    offset = struct.unpack_from("<I", data, 0x3C)[0] + 4
    count, _, symbols, symbol_count, optional = struct.unpack_from("<HIIIH", data, offset + 2)
    names = []
    for index in range(count):
        raw = data[offset + 20 + optional + 40 * index:][:8].rstrip(b"\0").decode("ascii", "replace")
        if raw.startswith("/") and symbols:
            start = symbols + 18 * symbol_count + int(raw[1:])
            raw = data[start:data.index(b"\0", start)].decode("ascii", "replace")
        if raw.startswith(("/", ".debug", ".stab")):
            names.append(raw)
    return names


def dll_imports(path):
    """The lower-cased names of the libraries a PE image imports."""
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True, text=True,
                          errors="replace", timeout=60).stdout
    return [line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line]


class ArchiveChecks:
    """What every release archive holds, whichever build it was packed from."""

    def check_archive(self, path, machine, magic):
        with zipfile.ZipFile(path) as archive:
            names = archive.namelist()
            for name in names:
                self.assertTrue(name.startswith(TOP), name)
                self.assertTrue(name.isascii(), name)
            companion = COMPANION_FILES if machine == PE_I386 else set()
            hook = "vakrohook.exe" if machine == PE_I386 else "vakrohook64.exe"
            self.assertEqual({n[len(TOP):] for n in names}, ARCHIVE_FILES | companion | {hook})
            for name in ("vakro.exe", hook, "NodraLib.dll", "plugin/window_action.vpi"):
                self.assertEqual(pe_machine(archive.read(TOP + name)), (machine, magic), name)
            for name in companion:
                self.assertEqual(pe_machine(archive.read(TOP + name)), (PE_AMD64, PE32_PLUS), name)
            for name in names:  # every program and library as released: no debug sections
                data = archive.read(name)
                if pe_machine(data):
                    self.assertEqual(debug_sections(data), [], name)
            self.assertTrue(archive.read(TOP + "vakro.chm").startswith(b"ITSF"), "a compiled help file")
            self.check_readme(archive.read(TOP + "readme.txt"))

    def check_readme(self, data):
        text = data.decode("cp932")  # strict: the read-me is Shift-JIS throughout
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line ends in CR LF")
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"))
        for word in COMMANDS + ("%APPDATA%\\Vakro\\", "keydata.dat", "keyname.dat", "plugin.dat",
                                "vakro.dat", "Vakro.lnk", "スタートアップに登録する(S)", "終了(X)",
                                "キーガイド", "キーの名前", "プラグイン", "English"):
            self.assertIn(word, text)


class Win32ArchiveTest(ArchiveChecks, unittest.TestCase):
    def test_win32_archive_holds_the_32_bit_release(self):
        build = os.path.join(os.path.dirname(build_dir()), "win32")
        if not os.path.isfile(os.path.join(build, "ui", "vakro.exe")):
            self.fail(f"the 32-bit release is not built: run scripts/build.sh win32 ({build})")
        with tempfile.TemporaryDirectory() as out:
            path = make_archive(build, out)
            self.assertEqual(os.path.basename(path), f"vakro-{VERSION}.zip")
            self.check_archive(path, PE_I386, PE32)
            with zipfile.ZipFile(path) as archive:
                with open(os.path.join(build, "ui", "vakro.chm"), "rb") as f:
                    self.assertTrue(archive.read(TOP + "vakro.chm") == f.read(), "the help file of the build")
                archive.extract(TOP + "vakro.exe", out)
            # The program imports the hook library beside it and no compiler runtime library.
            imports = dll_imports(os.path.join(out, TOP, "vakro.exe"))
            self.assertIn("nodralib.dll", imports)
            self.assertEqual([d for d in imports if d.startswith(("libgcc", "libstdc++", "libwinpthread"))], [])


class HelpFileTest(unittest.TestCase):
    """The compiled help file beside vakro.exe holds every page, picture and the contents, each
    page in Shift-JIS, with no link to a file it lacks."""

    @classmethod
    def setUpClass(cls):
        cls.chm = os.path.join(build_dir(), "ui", "vakro.chm")
        listing = subprocess.run(["chmls", "-n", "list", cls.chm], capture_output=True, text=True,
                                 errors="replace", timeout=60)
        cls.names = {line.strip().lstrip("/") for line in listing.stdout.splitlines()}

    def project_files(self):
        with open(os.path.join(REPO, "help", "vakro.hhp"), encoding="utf-8") as f:
            text = f.read()
        return [line.strip() for line in text.split("[FILES]", 1)[1].splitlines() if line.strip()]

    def extract(self, name):
        with tempfile.TemporaryDirectory() as out:
            target = os.path.join(out, "page")
            subprocess.run(["chmls", "extract", self.chm, "/" + name, target], capture_output=True, timeout=60)
            with open(target, "rb") as f:
                return f.read()

    def test_every_page_picture_and_the_contents_are_in_the_file(self):
        files = self.project_files()
        pages = [f for f in files if f.endswith(".html")]
        self.assertGreaterEqual(len(pages), 8)
        for screenshot in os.listdir(os.path.join(REPO, "docs", "screenshots")):
            self.assertIn("images/" + screenshot, files)
        for name in files + ["vakro.hhc", "#SYSTEM", "#WINDOWS"]:
            self.assertIn(name, self.names)

    def test_pages_are_shift_jis_and_link_only_to_files_inside(self):
        contents = self.extract("vakro.hhc").decode("cp932")
        for name in [f for f in self.project_files() if f.endswith(".html")]:
            data = self.extract(name)
            text = data.decode("cp932")
            self.assertIn("charset=Shift_JIS", text, name)
            self.assertIn(f'value="{name}"', contents, f"{name} is in the contents")
            for target in re.findall(r'(?:href|src)="([^"#:]+)', text):
                self.assertIn(target, self.names, f"{name} links to {target}")

    def test_system_block_names_japanese_and_the_start_page(self):
        system = subprocess.run(["chmls", "printsystem", self.chm], capture_output=True, timeout=60).stdout
        text = system.decode("cp932", "replace")
        self.assertRegex(text, r"LCID from HHP file\s*:\s*1041")
        self.assertIn("index.html", text)
        self.assertIn("Vakro ヘルプ", text)


if __name__ == "__main__":
    unittest.main()
