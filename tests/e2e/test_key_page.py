"""The programs page of the settings window with the real vakro.exe: the chord recorder, the
entry check with its messages, adding an assignment that then fires, and the app finder dragged
with the real mouse. The tests share one running program and run in the order of their names."""

import os
import subprocess
import time
import unittest

from vakro_e2e import DesktopTestCase, Witness, build_dir, wait_until, winpath
from vakro_app import WinTool, place_companion
from vakro_faults import WM_LBUTTONDBLCLK, WM_TRAY_NOTIFY

# Control ids of the programs page.
ID_PROGRAM, ID_KEY, ID_KEY_RESET, ID_PATH, ID_ARGUMENTS, ID_WORK_PATH = 202, 203, 204, 205, 206, 207
ID_ADD, ID_UPDATE, ID_DELETE, ID_FINDER, ID_KEY_LIST, ID_KEY_NOTE = 208, 209, 210, 214, 201, 215
ID_SCOPE, ID_SCOPE_LIST = 216, 217
ID_OK = 102
CB_SETCURSEL = 0x014E
ENTRY_IDS = (ID_PROGRAM, ID_KEY, ID_PATH, ID_ARGUMENTS, ID_WORK_PATH)
# Keystroke flags of a few keys (scan code in bits 16-23), for the platform's key names.
LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER, BACKSPACE, F7, F8 = (
    0x001D0000, 0x001E0000, 0x00300000, 0x000F0000, 0x001C0000, 0x000E0000, 0x00410000, 0x00420000)
FINDER_CENTRE = 7


class SettingsWindowDriver:
    """Reads the settings window through wintool.exe and acts on it with real input; mixed into a
    DesktopTestCase whose desktop runs vakro.exe."""

    # -- observing -------------------------------------------------------------------------
    @classmethod
    def key_names(cls, *flags):
        names = WinTool(cls.desktop).key_names(*flags)
        assert all(names.values()), names
        return names

    @classmethod
    def windows(cls, window_class):
        """The visible top-level windows of the class, each with its descendants."""
        return [window for window in WinTool(cls.desktop).tree(window_class) if window.visible]

    @classmethod
    def listed_settings(cls):
        """The settings window as one listing saw it, or None: a listing can miss it while a
        message box closes."""
        found = cls.windows("TNodraWnd")
        return found[0] if found else None

    @classmethod
    def settings(cls):
        """The settings window, listed again until a listing finds it."""
        return wait_until(cls.listed_settings, 10, "the settings window")

    def entry(self):
        window = self.settings()
        return tuple(window.control(i).text for i in ENTRY_IDS)

    def wait_entry(self, control_id, expected, what):
        return wait_until(lambda: (lambda w: w if w and w.control(control_id).text == expected else None)(
            self.listed_settings()), 10, what)

    # -- acting ----------------------------------------------------------------------------
    def click_control(self, control_id):
        self.desktop.click(*self.settings().control(control_id).centre)

    def focus_key_box(self):
        self.click_control(ID_KEY)
        wait_until(self.key_box_has_focus, 10, "the chord box to have the focus")

    def key_box_has_focus(self):
        # A listing can miss the window while a message box closes: then it is asked again.
        window = self.listed_settings()
        return window is not None and window.control(ID_KEY).focus

    def record_chord(self, *keys):
        """Holds the keys down in order in the chord box, then releases them."""
        self.focus_key_box()
        self.desktop.xdotool(*[a for k in keys for a in ("keydown", k)], *[a for k in reversed(keys) for a in ("keyup", k)])

    def type_into(self, control_id, text):
        self.click_control(control_id)
        self.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
        if text:
            self.desktop.xdotool("type", "--delay", "2", text)
        self.wait_entry(control_id, text, f"the text {text!r} in control {control_id}")

    def press_add_and_read_error(self):
        """Clicks 追加 and answers the message box it opens; returns the box's text."""
        self.click_control(ID_ADD)
        box = wait_until(lambda: next(iter(self.windows("#32770")), None), 10, "a message box")
        self.assertEqual(box.title, "エラー")
        text = next(c.text for c in box.children if c.cls == "Static" and c.text)
        self.desktop.click(*box.find(cls="Button").centre)
        wait_until(lambda: not self.windows("#32770"), 10, "the message box to close")
        return text

    def drag_finder_to(self, x, y):
        """Drags the finder mark with the left button so that its centre is released on (x, y);
        returns the pointer positions after the press and after the release."""
        start = self.settings().control(ID_FINDER).centre
        self.desktop.xdotool("mousemove", *start, "mousedown", 1)
        pressed = wait_until(lambda: self.pointer() != start and self.pointer(), 10, "the pointer to move on press")
        target = (x - FINDER_CENTRE, y - FINDER_CENTRE)
        for step in (1, 2, 3):
            self.desktop.xdotool("mousemove", pressed[0] + (target[0] - pressed[0]) * step // 3,
                                 pressed[1] + (target[1] - pressed[1]) * step // 3)

        def at_target():
            # A warp of the press that Wine carries out late puts the pointer back: move again.
            if self.pointer() == target:
                return True
            self.desktop.xdotool("mousemove", *target)
            return False

        def seen_at_target():
            # The programs' cursor too: released earlier, vakro may read a point of the way there.
            return at_target() and self.wine_cursor() == target
        wait_until(seen_at_target, 10, "the pointer at the drop point")
        self.desktop.xdotool("mouseup", 1)
        released = wait_until(lambda: self.pointer() != target and self.pointer(), 10, "the pointer to move on release")
        return pressed, released

    def click_first_row(self):
        x, y, w, h = self.settings().find(cls="SysHeader32").rect
        self.desktop.click(x + 40, y + h + 7)

    def wine_cursor(self):
        status, out = WinTool(self.desktop).run("cursor")
        return tuple(map(int, out.split())) if status == 0 else None

    def pointer(self):
        fields = dict(w.split(":") for w in self.desktop.xdotool("getmouselocation").split())
        return int(fields["x"]), int(fields["y"])


class KeyPageTest(SettingsWindowDriver, DesktopTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.names = cls.key_names(LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER, BACKSPACE, F7, F8)
            place_companion(os.path.join(build_dir(), "ui"))
            cls.desktop.run(os.path.join(build_dir(), "ui", "vakro.exe"))
            # With no assignments the settings window opens at once.
            wait_until(cls.listed_settings, 60, "the settings window")
        except BaseException:
            cls.tearDownClass()
            raise

    # -- tests -----------------------------------------------------------------------------
    def test_1_chord_box_records_keys_and_holds_the_keyboard(self):
        names = self.names
        self.record_chord("Control_L", "a")
        self.wait_entry(ID_KEY, f"{names[LEFT_CTRL]}+{names[KEY_A]}", "Ctrl+A in the chord box")
        # Auto-repeat, a second press and the order of releases add nothing.
        self.desktop.xdotool("keydown", "a", "keydown", "a", "keydown", "Control_L", "keyup", "a", "keyup", "Control_L",
                             "keydown", "b", "keyup", "b")
        self.wait_entry(ID_KEY, f"{names[LEFT_CTRL]}+{names[KEY_A]}+{names[KEY_B]}", "the B after the repeats")

        # Tab and Enter are keys of the chord: the focus stays and no button is pressed.
        self.desktop.type_keys(["Tab", "Return"])
        window = self.wait_entry(ID_KEY, "+".join(names[k] for k in (LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER)),
                                 "Tab and Enter in the chord box")
        self.assertTrue(window.control(ID_KEY).focus, "the chord box keeps the focus")
        self.assertEqual(self.windows("#32770"), [])

        # Ctrl+Backspace empties the box; Backspace alone afterwards is a key like any other.
        self.desktop.xdotool("keydown", "Control_L", "keydown", "BackSpace", "keyup", "BackSpace", "keyup", "Control_L")
        self.wait_entry(ID_KEY, "", "the emptied chord box")
        self.desktop.type_keys(["BackSpace"])
        self.wait_entry(ID_KEY, names[BACKSPACE], "Backspace recorded")

        # A click elsewhere gives the keyboard back to the other programs.
        witness = Witness(self.desktop, "typing", at=(40, 60, 320, 200))
        self.addCleanup(witness.end)
        witness.focus()
        self.desktop.type_keys(["x", "F9"])
        wait_until(lambda: ("WM_KEYUP", 0x78) in [(m, wp) for m, wp, _ in witness.keys()], 10, "F9 at the witness")
        self.assertIn(("WM_KEYDOWN", ord("X")), [(m, wp) for m, wp, _ in witness.keys()])
        self.assertEqual(self.settings().control(ID_KEY).text, names[BACKSPACE])

    def test_2_finder_fills_the_entry_from_another_program(self):
        witness = Witness(self.desktop, "finder", at=(40, 60, 360, 240), child=True,
                          extra_args=["--pad", "xyz", "--more"])
        self.addCleanup(witness.end)
        command_line = witness.log.wait_event("cmdline").rest
        self.assertTrue(command_line.startswith('"'), command_line)
        arguments = command_line[command_line.index('"', 1) + 1:].strip()
        self.assertIn("--more", arguments)

        # Released on the witness's child control: the name is that of its top-level window.
        child = witness.centre("child")
        pressed, released = self.drag_finder_to(*child)
        start = self.settings().control(ID_FINDER).centre
        self.assertEqual(pressed, (start[0] - FINDER_CENTRE, start[1] - FINDER_CENTRE))
        self.assertEqual(released, child)
        window = self.wait_entry(ID_PROGRAM, "finder", "the finder's answer")
        self.assertEqual(window.control(ID_PATH).text.lower(), winpath(witness.path).lower())
        self.assertEqual(window.control(ID_WORK_PATH).text.lower(), winpath(os.path.dirname(witness.path)).lower())
        self.assertEqual(window.control(ID_ARGUMENTS).text, arguments)
        self.assertTrue(window.control(ID_FINDER).visible)

        # Released on the settings window itself: the answer names vakro and changes nothing.
        before = self.entry()
        self.drag_finder_to(*window.control(ID_KEY_LIST).centre)
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            self.assertEqual(self.entry(), before)

    def test_3_add_checks_the_entry_and_the_new_chord_fires(self):
        names = self.names
        self.click_control(ID_KEY_RESET)
        for control_id in (ID_PROGRAM, ID_PATH, ID_ARGUMENTS, ID_WORK_PATH):
            self.type_into(control_id, "")
        # Every check runs; the message of the last failing one is shown.
        self.assertEqual(self.press_add_and_read_error(), "実行ファイルを指定してください。")
        self.type_into(ID_PATH, "notepad.exe")
        self.assertEqual(self.press_add_and_read_error(), "キーを指定してください。")
        self.record_chord("Control_L", "F7")
        self.wait_entry(ID_KEY, f"{names[LEFT_CTRL]}+{names[F7]}", "Ctrl+F7")
        self.type_into(ID_PATH, "C:\\nowhere\\none.exe")
        self.assertEqual(self.press_add_and_read_error(), "実行ファイルが存在しません。")
        self.type_into(ID_PATH, "notepad.exe")
        self.type_into(ID_WORK_PATH, "C:\\nowhere")
        self.assertEqual(self.press_add_and_read_error(), "作業パスが存在しません。")
        self.assertEqual(self.settings().control(ID_KEY).text, f"{names[LEFT_CTRL]}+{names[F7]}")

        # The finder fills a real program; the chord is kept, and 追加 takes the entry.
        witness = Witness(self.desktop, "起動テスト", at=(40, 60, 360, 240), child=True,
                          extra_args=["--extra", "fired"])
        self.addCleanup(witness.end)
        fired_log = witness.log  # a second witness started by the chord writes here too
        self.drag_finder_to(*witness.centre("child"))
        self.wait_entry(ID_PROGRAM, "起動テスト", "the finder's answer")
        self.type_into(ID_PATH, self.settings().control(ID_PATH).text + "  ")
        self.click_control(ID_ADD)
        self.wait_entry(ID_PATH, "", "the entry emptied by 追加")
        self.assertEqual(self.entry(), ("", "", "", "", ""))

        # The same chord again is refused; a second one is added with a command path.
        self.record_chord("Control_L", "F7")
        self.type_into(ID_PATH, "$show")
        self.assertEqual(self.press_add_and_read_error(), "このキーの組み合わせは登録済みです。")
        self.record_chord("F8")
        self.wait_entry(ID_KEY, f"{names[LEFT_CTRL]}+{names[F7]}+{names[F8]}", "the longer chord")
        self.type_into(ID_PROGRAM, "show settings")
        self.click_control(ID_ADD)
        self.wait_entry(ID_PATH, "", "the entry emptied by 追加")

        # Selecting a row shows its assignment; 追加 refuses its chord, 更新 accepts it.
        self.assertFalse(self.settings().control(ID_UPDATE).enabled)
        self.click_first_row()
        window = self.wait_entry(ID_PROGRAM, "起動テスト", "the selected row in the entry")
        self.assertEqual(window.control(ID_KEY).text, f"{names[LEFT_CTRL]}+{names[F7]}")
        self.assertEqual((window.control(ID_UPDATE).enabled, window.control(ID_DELETE).enabled), (True, True))
        self.assertEqual(self.press_add_and_read_error(), "このキーの組み合わせは登録済みです。")
        self.click_control(ID_UPDATE)
        self.assertEqual(self.windows("#32770"), [])
        self.click_control(ID_KEY_RESET)
        self.record_chord("Shift_L", "F8")
        self.type_into(ID_PROGRAM, "notepad")
        self.type_into(ID_PATH, "notepad.exe")
        self.type_into(ID_ARGUMENTS, "readme.txt")
        self.type_into(ID_WORK_PATH, "")
        self.click_control(ID_ADD)
        self.wait_entry(ID_PATH, "", "the entry emptied by 追加")
        self.keep_screenshot()

        # OK hides the window and saves; then the new chord starts the program of the first row.
        self.click_control(ID_OK)
        wait_until(lambda: not self.listed_settings(), 10, "the settings window to hide")
        data = os.path.join(self.desktop.prefix, "drive_c", "users", "root", "AppData", "Roaming", "Vakro",
                            "keydata.dat")
        with open(data, "rb") as f:
            lines = f.read().decode("cp932").split("\r\n")
        self.assertEqual(len(lines), 4, lines)
        self.assertIn("起動テスト", lines[0])
        self.assertIn(winpath(witness.path).lower() + ",", lines[0].lower())  # stored trimmed
        self.assertIn(",$show,", lines[1])
        starts = len(fired_log.events("start"))
        witness.focus()
        self.desktop.xdotool("keydown", "Control_L", "keydown", "F7", "keyup", "F7", "keyup", "Control_L")
        wait_until(lambda: len(fired_log.events("start")) > starts, 20, "the chord to start the witness")
        wait_until(lambda: len(fired_log.events("cwd")) > starts, 10, "the started witness's folder")
        self.assertEqual(fired_log.events("cwd")[-1].rest.lower(), winpath(os.path.dirname(witness.path)).lower())
        self.assertTrue(fired_log.events("cmdline")[-1].rest.endswith("--extra fired"),
                        fired_log.events("cmdline")[-1].rest)

    def settings_with_no_row_selected(self):
        """The settings window shown from the tray, a click in the empty space below the rows: no
        row is selected, so a new chord would come last."""
        tool = WinTool(self.desktop)
        tool.post(tool.find("TNodraWnd"), WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK)
        window = self.settings()
        x, y, w, h = window.control(ID_KEY_LIST).rect
        self.desktop.click(x + w // 2, y + h - 30)
        wait_until(lambda: not self.settings().control(ID_UPDATE).enabled, 10, "no row selected")
        return window

    def test_4_note_names_the_chord_that_fires_instead_and_blocks_nothing(self):
        window = self.settings_with_no_row_selected()
        self.assertEqual(window.control(ID_KEY_NOTE).text, "")

        # Ctrl+F7 (起動テスト) fires on the way to Ctrl+F7+F9, which therefore never can.
        self.record_chord("Control_L", "F7", "F9")
        window = self.wait_entry(ID_KEY_NOTE, "途中で「起動テスト」が実行されるため、実行されません。",
                                 "the note of the shadowed chord")
        self.assertTrue(window.control(ID_KEY_NOTE).visible)
        self.keep_screenshot("settings-programs-note")
        self.type_into(ID_PATH, "notepad.exe")
        self.click_control(ID_ADD)
        self.wait_entry(ID_PATH, "", "the entry emptied by 追加")
        window = self.wait_entry(ID_KEY_NOTE, "", "the note gone with the entry")
        self.assertFalse(window.control(ID_KEY_NOTE).visible)
        # Rows that never fire (Ctrl+F7+F8 of test 3 and the new one) are drawn greyed.
        self.assertEqual(self.row_text_shades(), ["dark", "grey", "dark", "grey"])

    def test_5_scope_list_is_checked_and_the_finder_adds_a_program_to_it(self):
        window = self.settings_with_no_row_selected()
        tool = WinTool(self.desktop)
        self.record_chord("Control_L", "F11")
        self.type_into(ID_PATH, "notepad.exe")
        tool.send(window.control(ID_SCOPE).hwnd, CB_SETCURSEL, 1)  # 次のプログラムでのみ
        self.type_into(ID_SCOPE_LIST, "C:\\Windows\\notepad.exe")
        self.assertEqual(self.press_add_and_read_error(),
                         "プログラムはフォルダを含まない実行ファイル名 (notepad.exe など) で指定してください。")
        self.type_into(ID_SCOPE_LIST, "notepad,,write")
        self.assertEqual(self.press_add_and_read_error(), "プログラムの一覧に空の名前があります。")
        self.assertEqual(self.settings().control(ID_SCOPE_LIST).text, "notepad,,write")
        self.assertEqual(self.settings().control(ID_PATH).text, "notepad.exe")

        # Dragged while the list has the focus, the finder adds the program's file name to it.
        witness = Witness(self.desktop, "scoped", at=(40, 60, 360, 240),
                          program=Witness.program_named(self.desktop, "scoped.exe"))
        self.addCleanup(witness.end)
        self.type_into(ID_SCOPE_LIST, "notepad")
        self.drag_finder_to(*witness.centre())
        window = self.wait_entry(ID_SCOPE_LIST, "notepad, scoped.exe", "the program added by the finder")
        self.assertEqual((window.control(ID_PROGRAM).text, window.control(ID_PATH).text), ("", "notepad.exe"))
        self.keep_screenshot("settings-programs-scope")
        self.click_control(ID_ADD)
        self.wait_entry(ID_SCOPE_LIST, "", "the entry emptied by 追加")

        # The same chord is taken for those programs, and free for all the others.
        self.record_chord("Control_L", "F11")
        self.type_into(ID_PATH, "notepad.exe")
        tool.send(window.control(ID_SCOPE).hwnd, CB_SETCURSEL, 1)
        self.type_into(ID_SCOPE_LIST, "Scoped")
        self.assertEqual(self.press_add_and_read_error(), "このキーの組み合わせは登録済みです。")
        tool.send(window.control(ID_SCOPE).hwnd, CB_SETCURSEL, 2)  # 次のプログラム以外
        self.type_into(ID_SCOPE_LIST, "notepad, scoped.exe")
        self.click_control(ID_ADD)
        self.wait_entry(ID_SCOPE_LIST, "", "the entry emptied by 追加")
        self.click_control(ID_OK)
        wait_until(lambda: not self.listed_settings(), 10, "the settings window to hide")
        data = os.path.join(self.desktop.prefix, "drive_c", "users", "root", "AppData", "Roaming", "Vakro")
        with open(os.path.join(data, "keydata.dat"), "rb") as f:
            lines = f.read().split(b"\r\n")
        self.assertTrue(lines[-3].endswith(b',notepad.exe,,,false,"only,notepad,scoped.exe"'), lines[-3])
        self.assertTrue(lines[-2].endswith(b',notepad.exe,,,false,"except,notepad,scoped.exe"'), lines[-2])
        self.assertTrue(all(line.endswith((b"true", b"false")) for line in lines[:-3]), lines)

    def row_text_shades(self):
        """How each row's text is drawn, from a screenshot of the list's key column (above the
        scroll bar): the text lines are bands of pixel rows darker than the background."""
        x, y, w, h = self.settings().control(ID_KEY_LIST).rect
        header = self.settings().find(cls="SysHeader32").rect
        top = header[1] + header[3]
        path = self.desktop.screenshot("rows")
        pgm = subprocess.run(["convert", path, "-crop", f"90x{y + h - top - 24}+{x + 104}+{top}", "+repage",
                              "-colorspace", "gray", "-depth", "8", "pgm:-"], capture_output=True, check=True).stdout
        width, height = map(int, pgm.split(b"\n")[1].split())
        pixels = pgm[len(pgm) - width * height:]
        darkest = [min(pixels[r * width:(r + 1) * width]) for r in range(height)]
        shades, band = [], None
        for value in darkest + [255]:
            if value < 200:
                band = value if band is None else min(band, value)
            elif band is not None:
                shades.append("dark" if band < 64 else "grey")
                band = None
        return shades

    def keep_screenshot(self, name="settings-programs"):
        window = self.settings()
        x, y, w, h = window.rect
        path = self.desktop.screenshot(name)
        subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True, timeout=30)


if __name__ == "__main__":
    unittest.main()
