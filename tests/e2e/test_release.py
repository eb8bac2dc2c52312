"""The release as a user meets it: the archive of this build unpacked into a new folder, vakro.exe
started from there with no data files, one assignment made in the settings window with real keys
and clicks, its chord fired, the program ended from the tray menu, and its data files checked."""

import os
import shutil
import unittest
import zipfile

from release_checks import TOP, ArchiveChecks, make_archive, pe_machine
from vakro_app import DATA_FILES, STARTUP, Vakro, ids, keydata_line
from vakro_e2e import DesktopTestCase, LogFile, Witness, build_dir, wait_until, winpath

LEFT_CTRL, F9 = 0x001D0000, 0x00430000  # keystroke flags: scan codes in bits 16-23
TRAY_ICON = (1013, 757)  # the right end of the taskbar's notification area


class ReleaseTest(ArchiveChecks, DesktopTestCase):
    def unpack_release(self):
        archive = make_archive(build_dir(), os.path.join(self.desktop.folder, "release"))
        with open(os.path.join(build_dir(), "ui", "vakro.exe"), "rb") as f:
            self.check_archive(archive, *pe_machine(f.read()))
        target = os.path.join(self.desktop.folder, "downloads")
        with zipfile.ZipFile(archive) as f:
            f.extractall(target)
        return os.path.join(target, TOP)

    def exit_from_tray_menu(self, vakro):
        tool = vakro.tool
        self.desktop.xdotool("mousemove", *TRAY_ICON, "click", 3)
        menu = wait_until(lambda: tool.find("#32768"), 10, "the tray menu")
        left, _, right, bottom = tool.info(menu).edges
        self.desktop.click((left + right) // 2, bottom - 10)  # 終了(&X), the last item
        wait_until(vakro.exited, 20, "vakro to end")

    def test_unpacked_release_records_a_chord_that_starts_a_program(self):
        folder = self.unpack_release()
        vakro = Vakro(self.desktop, program=os.path.join(folder, "vakro.exe"))
        startup = os.path.join(self.desktop.prefix, STARTUP, "Vakro.lnk")
        shutil.rmtree(vakro.data, ignore_errors=True)  # a user who never ran it
        if os.path.exists(startup):
            os.remove(startup)
        names = vakro.key_names(LEFT_CTRL, F9)

        # First start: no assignments, so the settings window opens at once.
        vakro.start(cwd=folder)
        wait_until(vakro.listed_settings, 60, "the settings window")
        self.assertTrue(vakro.settings().title.startswith("Vakro 0.3.0"), vakro.settings().title)

        # One assignment with real keys and clicks: the chord, the program, its arguments.
        log = LogFile(os.path.join(self.desktop.folder, "launch.log"))
        launcher = winpath(os.path.join(build_dir(), "tools", "launchlog.exe"))
        vakro.record_chord("Control_L", "F9")
        vakro.wait_text(ids.kKeyId, f"{names[LEFT_CTRL]}+{names[F9]}", "Ctrl+F9 in the chord box")
        vakro.type_into(ids.kProgramId, "launch")
        vakro.type_into(ids.kPathId, launcher)
        vakro.type_into(ids.kArgumentsId, f"{winpath(log.path)} fired")
        vakro.click_control(ids.kAddId)
        vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")
        vakro.ok()

        # The chord starts the program while another window has the keyboard.
        witness = Witness(self.desktop, "typing", at=(40, 60, 320, 200))
        self.addCleanup(witness.end)
        witness.focus()
        self.desktop.xdotool("keydown", "Control_L", "keydown", "F9", "keyup", "F9", "keyup", "Control_L")
        log.wait_event("fired", timeout=20)

        # 終了 from the tray menu saves the four data files; OK made the start-up shortcut.
        self.exit_from_tray_menu(vakro)
        files = {name: vakro.data_file(name) for name in DATA_FILES}
        line = keydata_line(["000029", "000067"], launcher, f"{winpath(log.path)} fired", name="launch",
                            key_text=f"{names[LEFT_CTRL]}+{names[F9]}")
        self.assertEqual(files["keydata.dat"].decode("cp932"), line)
        self.assertEqual((files["keyname.dat"], files["plugin.dat"]), (b"", b""))
        self.assertIn(b"StartUp=1\r\n", files["vakro.dat"])
        self.assertTrue(os.path.isfile(startup), "Vakro.lnk in the Startup folder")


if __name__ == "__main__":
    unittest.main()
