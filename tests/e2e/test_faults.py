"""vakro under faults: a data folder that cannot be written or is full, data files locked by
another process at start, the program killed while a chord is half typed, and a plug-in call
that never returns when the program ends (it is not told to terminate under the call)."""

import os
import shutil
import subprocess
import time
import unittest

from vakro_app import DATA_FOLDER, KEY_X, LEFT_ALT, LEFT_CTRL, WM_QUERYENDSESSION, Vakro, ids, keydata_line
from vakro_e2e import WINE, DesktopTestCase, Witness, wait_until, winpath
from vakro_faults import (LOAD_ERRORS, SAVE_ERRORS, WM_COMMAND, answer_errors,
                          leftover_temporaries, mount_data_folder, no_error_box_after, old_and_new_files,
                          plugin_copy, six_item_line)

VK_MENU, VK_B = 0x12, 0x42
HOOK_BLOCK = "NodraMemFileJP01"
NO_HOT_KEYS = "キーボードフックを開始できません。ホットキーは使えません。"


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


class FaultsTest(DesktopTestCase):
    def launcher(self, name):
        """A log and the arguments of a hidden witness that a chord starts."""
        log = self.desktop.log(name + ".log")
        return log, f'--log "{winpath(log.path)}" --hidden --title {name}'

    def files(self, name):
        log, args = self.launcher(name)
        app = os.path.join(self.desktop.folder, "app")
        os.makedirs(app, exist_ok=True)
        old, new = old_and_new_files(Witness.program_wine(), args, plugin_copy(app))
        return log, old, new

    def start(self, files):
        vakro = Vakro(self.desktop, files)
        self.addCleanup(vakro.stop)
        return vakro

    def fire_ctrl_x(self, vakro, launched):
        self.focused_witness("typing-" + os.path.basename(launched.path)[:-4])
        self.desktop.xdotool("keydown", "Control_L")
        wait_until(vakro.guide_visible, 10, "the guide after Ctrl")
        self.desktop.xdotool("keydown", "x")
        launched.wait_event("start", timeout=20)
        self.desktop.xdotool("keyup", "x", "keyup", "Control_L")

    def check_saves_fail_and_keep_everything(self, name, break_folder, mend_folder):
        mount = mount_data_folder(self, os.path.join(self.desktop.prefix, DATA_FOLDER))
        launched, old, new = self.files(name)
        vakro = self.start(old).start()
        break_folder(mount)

        vakro.tool.post(vakro.main, WM_QUERYENDSESSION)
        answer_errors(vakro.tool, SAVE_ERRORS)
        self.assertTrue(no_error_box_after(vakro.tool, vakro.main), "no message for vakro.dat")
        for file_name, content in old.items():
            self.assertEqual(vakro.data_file(file_name), content, f"{file_name} changed by a failed save")
        self.assertEqual(leftover_temporaries(vakro.data), [])
        self.fire_ctrl_x(vakro, launched)  # the assignments in memory are kept

        mend_folder(mount)
        vakro.tool.post(vakro.main, WM_QUERYENDSESSION)
        wait_until(lambda: all(vakro.data_file(n) == c for n, c in new.items()), 20, "the next save")
        wait_until(lambda: b"HideCursor=" in (vakro.data_file("vakro.dat") or b""), 20, "vakro.dat saved")
        self.assertTrue(no_error_box_after(vakro.tool, vakro.main))

    def test_saves_into_a_read_only_data_folder_report_and_change_nothing(self):
        self.check_saves_fail_and_keep_everything("readonly", lambda mount: mount.read_only(True),
                                                  lambda mount: mount.read_only(False))

    def test_saves_into_a_full_data_folder_report_and_change_nothing(self):
        filler = []
        self.check_saves_fail_and_keep_everything("full", lambda mount: filler.append(mount.fill()),
                                                  lambda mount: os.remove(filler[0]))

    def test_files_locked_and_the_hook_block_taken_at_start_are_reported_and_kept_as_bak_after_exit(self):
        _, old, _ = self.files("locked")
        vakro = self.start(old)
        release = os.path.join(self.desktop.folder, "release-lock")
        paths = [winpath(os.path.join(vakro.data, name)) for name in old]
        # An event holds the shared block's name, so the hooks cannot start.
        locker = subprocess.Popen([WINE, vakro.tool.path, "lock", winpath(release), *paths, "event:" + HOOK_BLOCK],
                                  env=self.desktop.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(self.desktop.kill, locker)
        self.assertEqual(locker.stdout.readline().strip(), b"locked")

        vakro.process = self.desktop.run(vakro.exe)
        answer_errors(vakro.tool, LOAD_ERRORS + (NO_HOT_KEYS,))  # in loading order; none for vakro.dat
        vakro.main = wait_until(lambda: vakro.tool.find("TNodraWnd"), 30, "vakro's main window")
        wait_until(vakro.settings_visible, 20, "the settings window (nothing was loaded)")
        open(release, "w").close()
        locker.communicate(timeout=10)
        self.assertEqual(locker.returncode, 0)

        vakro.tool.post(vakro.main, WM_COMMAND, ids.kCloseId)
        wait_until(vakro.exited, 20, "vakro to end")
        for name, content in old.items():
            self.assertEqual(vakro.data_file(name + ".bak"), content, f"{name}: the unread content is lost")
        self.assertEqual([vakro.data_file(n) for n in ("keydata.dat", "keyname.dat", "plugin.dat")], [b""] * 3)
        self.assertIn(b"ShowKeyView=1", vakro.data_file("vakro.dat"))

    def test_a_data_folder_that_cannot_be_made_is_reported_and_vakro_goes_on(self):
        vakro = self.start({})
        shutil.rmtree(vakro.data)
        open(vakro.data, "w").close()  # a file where the folder should be
        self.addCleanup(os.remove, vakro.data)
        vakro.process = self.desktop.run(vakro.exe)
        folder = "C:" + DATA_FOLDER[len("drive_c"):].replace("/", "\\") + "\\"
        answer_errors(vakro.tool, [f"データフォルダ「{folder}」を作成できません。設定は保存されません。"])
        vakro.main = wait_until(lambda: vakro.tool.find("TNodraWnd"), 30, "vakro's main window")
        wait_until(vakro.settings_visible, 20, "the settings window (no assignments)")
        vakro.tool.post(vakro.main, WM_COMMAND, ids.kCloseId)
        answer_errors(vakro.tool, SAVE_ERRORS)
        wait_until(vakro.exited, 20, "vakro to end")

    def test_keys_reach_the_focused_window_at_once_and_in_order_when_vakro_dies_mid_chord(self):
        vakro = self.start({"keydata.dat": keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe")}).start()
        witness = self.focused_witness("midchord")
        self.desktop.xdotool("keydown", "Control_L")
        wait_until(vakro.guide_visible, 10, "the guide after Ctrl")
        self.desktop.xdotool("keydown", "Alt_L")  # swallowed: the chord goes on
        self.desktop.kill(vakro.process)
        killed = time.monotonic()
        self.desktop.xdotool("keydown", "b", "keyup", "b")
        wait_until(lambda: any(m == "WM_KEYDOWN" and vk == VK_B for m, vk, _ in witness.keys()), 5,
                   "the B key at the witness after the kill")
        print(f"\nkeys reached the witness {time.monotonic() - killed:.2f} s after the kill")
        self.desktop.xdotool("keyup", "Alt_L", "keyup", "Control_L")
        # The Alt withheld for the chord is not lost: it comes once, before the B typed after it.
        presses = [vk for m, vk, _ in witness.keys() if m.endswith("KEYDOWN")]
        self.assertEqual([vk for vk in presses if vk in (VK_MENU, VK_B)], [VK_MENU, VK_B], presses)

    def test_exit_ends_at_once_and_saves_while_a_plugin_call_never_returns(self):
        app = os.path.join(self.desktop.folder, "app")
        os.makedirs(app, exist_ok=True)
        plugin = plugin_copy(app, "vp_block")
        never = winpath(os.path.join(self.desktop.folder, "never-created"))
        keys = keydata_line([LEFT_CTRL, KEY_X], "$block")  # as saving writes it
        vakro = self.start({"keydata.dat": six_item_line([LEFT_CTRL, KEY_X], "$block"),
                            "plugin.dat": f"{plugin},{never},$block\r\n"}).start()
        self.focused_witness("blocked")
        self.desktop.xdotool("keydown", "Control_L")
        wait_until(vakro.guide_visible, 10, "the guide after Ctrl")
        self.desktop.xdotool("keydown", "x", "keyup", "x", "keyup", "Control_L")
        plugin_log = os.path.join(app, "vp_block.vpi.log")
        wait_until(lambda: b"|vakroExecute|" in read_bytes(plugin_log), 20, "the plug-in call")

        poster = subprocess.Popen([WINE, vakro.tool.path, "post", hex(vakro.main), hex(WM_COMMAND),
                                   hex(ids.kCloseId), "0"], env=self.desktop.env(), stdout=subprocess.PIPE)
        self.assertEqual(poster.stdout.readline().strip(), b"posted")
        posted = time.monotonic()
        wait_until(vakro.exited, 10, "vakro to end")
        took = time.monotonic() - posted
        poster.communicate(timeout=10)
        print(f"\nvakro ended {took:.2f} s after 終了 with a plug-in call running")
        self.assertLess(took, 1.0)
        self.assertEqual(vakro.data_file("keydata.dat"), keys.encode("cp932"))
        self.assertEqual(vakro.data_file("plugin.dat"), f"{plugin},{never},$block\r\n".encode("cp932"))
        self.assertIn(b"HideCursor=", vakro.data_file("vakro.dat"))
        self.assertNotIn(b"|vakroTerminate|", read_bytes(plugin_log), "a running plug-in is not terminated")


if __name__ == "__main__":
    unittest.main()
