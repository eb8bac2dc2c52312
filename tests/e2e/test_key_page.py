"""The programs page of the settings window with the real vakro.exe: the chord recorder, the
entry check with its messages, adding an assignment that then fires, and the app finder dragged
with the real mouse; the find box, export and take-in on a long list; data files changed on disk
by another program. The tests of a class share one running program and run in the order of their
names."""

import os
import subprocess
import time
import unittest

from vakro_app import Vakro, built_program, ids, keydata_line, sjis
from vakro_e2e import DesktopTestCase, Witness, wait_until, winpath

CB_SETCURSEL = 0x014E
ENTRY_IDS = (ids.kProgramId, ids.kKeyId, ids.kPathId, ids.kArgumentsId, ids.kWorkPathId)
# Keystroke flags of a few keys (scan code in bits 16-23), for the platform's key names.
LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER, BACKSPACE, F7, F8 = (
    0x001D0000, 0x001E0000, 0x00300000, 0x000F0000, 0x001C0000, 0x000E0000, 0x00410000, 0x00420000)
FINDER_CENTRE = 7


class KeyPageTest(DesktopTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.vakro = Vakro(cls.desktop, program=built_program())
            cls.names = cls.vakro.key_names(LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER, BACKSPACE, F7, F8)
            cls.vakro.start()
            # With no assignments the settings window opens at once.
            wait_until(cls.vakro.listed_settings, 60, "the settings window")
        except BaseException:
            cls.tearDownClass()
            raise

    # -- observing and acting ----------------------------------------------------------------
    def entry(self):
        window = self.vakro.settings()
        return tuple(window.control(i).text for i in ENTRY_IDS)

    def refused_add(self):
        """Clicks 追加 and answers the error box it opens; returns the box's text."""
        self.vakro.click_control(ids.kAddId)
        return self.vakro.error_message()

    def drag_finder_to(self, x, y):
        """Drags the finder mark with the left button so that its centre is released on (x, y);
        returns the pointer positions after the press and after the release."""
        start = self.vakro.control(ids.kFinderId).centre
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
        x, y, w, h = self.vakro.settings().find(cls="SysHeader32").rect
        self.desktop.click(x + 40, y + h + 7)

    def wine_cursor(self):
        status, out = self.vakro.tool.run("cursor")
        return tuple(map(int, out.split())) if status == 0 else None

    def pointer(self):
        fields = dict(w.split(":") for w in self.desktop.xdotool("getmouselocation").split())
        return int(fields["x"]), int(fields["y"])

    # -- tests -----------------------------------------------------------------------------
    def test_1_chord_box_records_keys_and_holds_the_keyboard(self):
        names = self.names
        self.vakro.record_chord("Control_L", "a")
        self.vakro.wait_text(ids.kKeyId, f"{names[LEFT_CTRL]}+{names[KEY_A]}", "Ctrl+A in the chord box")
        # Auto-repeat, a second press and the order of releases add nothing.
        self.desktop.xdotool("keydown", "a", "keydown", "a", "keydown", "Control_L", "keyup", "a", "keyup", "Control_L",
                             "keydown", "b", "keyup", "b")
        self.vakro.wait_text(ids.kKeyId, f"{names[LEFT_CTRL]}+{names[KEY_A]}+{names[KEY_B]}", "the B after the repeats")

        # Tab and Enter are keys of the chord: the focus stays and no button is pressed.
        self.desktop.type_keys(["Tab", "Return"])
        window = self.vakro.wait_text(ids.kKeyId, "+".join(names[k] for k in (LEFT_CTRL, KEY_A, KEY_B, TAB, ENTER)),
                                      "Tab and Enter in the chord box")
        self.assertTrue(window.control(ids.kKeyId).focus, "the chord box keeps the focus")
        self.assertEqual(self.vakro.visible_windows("#32770"), [])

        # Ctrl+Backspace empties the box; Backspace alone afterwards is a key like any other.
        self.desktop.xdotool("keydown", "Control_L", "keydown", "BackSpace", "keyup", "BackSpace", "keyup", "Control_L")
        self.vakro.wait_text(ids.kKeyId, "", "the emptied chord box")
        self.desktop.type_keys(["BackSpace"])
        self.vakro.wait_text(ids.kKeyId, names[BACKSPACE], "Backspace recorded")

        # A click elsewhere gives the keyboard back to the other programs.
        witness = Witness(self.desktop, "typing", at=(40, 60, 320, 200))
        self.addCleanup(witness.end)
        witness.focus()
        self.desktop.type_keys(["x", "F9"])
        wait_until(lambda: ("WM_KEYUP", 0x78) in [(m, wp) for m, wp, _ in witness.keys()], 10, "F9 at the witness")
        self.assertIn(("WM_KEYDOWN", ord("X")), [(m, wp) for m, wp, _ in witness.keys()])
        self.assertEqual(self.vakro.settings().control(ids.kKeyId).text, names[BACKSPACE])

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
        start = self.vakro.settings().control(ids.kFinderId).centre
        self.assertEqual(pressed, (start[0] - FINDER_CENTRE, start[1] - FINDER_CENTRE))
        self.assertEqual(released, child)
        window = self.vakro.wait_text(ids.kProgramId, "finder", "the finder's answer")
        self.assertEqual(window.control(ids.kPathId).text.lower(), winpath(witness.path).lower())
        self.assertEqual(window.control(ids.kWorkPathId).text.lower(), winpath(os.path.dirname(witness.path)).lower())
        self.assertEqual(window.control(ids.kArgumentsId).text, arguments)
        self.assertTrue(window.control(ids.kFinderId).visible)

        # Released on the settings window itself: the answer names vakro and changes nothing.
        before = self.entry()
        self.drag_finder_to(*window.control(ids.kKeyListId).centre)
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            self.assertEqual(self.entry(), before)

    def test_3_add_checks_the_entry_and_the_new_chord_fires(self):
        names = self.names
        self.vakro.click_control(ids.kKeyResetId)
        for control_id in (ids.kProgramId, ids.kPathId, ids.kArgumentsId, ids.kWorkPathId):
            self.vakro.type_into(control_id, "")
        # Every check runs; the message of the last failing one is shown.
        self.assertEqual(self.refused_add(), "実行ファイルを指定してください。")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        self.assertEqual(self.refused_add(), "キーを指定してください。")
        self.vakro.record_chord("Control_L", "F7")
        self.vakro.wait_text(ids.kKeyId, f"{names[LEFT_CTRL]}+{names[F7]}", "Ctrl+F7")
        self.vakro.type_into(ids.kPathId, "C:\\nowhere\\none.exe")
        self.assertEqual(self.refused_add(), "実行ファイルが存在しません。")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        self.vakro.type_into(ids.kWorkPathId, "C:\\nowhere")
        self.assertEqual(self.refused_add(), "作業パスが存在しません。")
        self.assertEqual(self.vakro.settings().control(ids.kKeyId).text, f"{names[LEFT_CTRL]}+{names[F7]}")

        # The finder fills a real program; the chord is kept, and 追加 takes the entry.
        witness = Witness(self.desktop, "起動テスト", at=(40, 60, 360, 240), child=True,
                          extra_args=["--extra", "fired"])
        self.addCleanup(witness.end)
        fired_log = witness.log  # a second witness started by the chord writes here too
        self.drag_finder_to(*witness.centre("child"))
        self.vakro.wait_text(ids.kProgramId, "起動テスト", "the finder's answer")
        self.vakro.type_into(ids.kPathId, self.vakro.settings().control(ids.kPathId).text + "  ")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")
        self.assertEqual(self.entry(), ("", "", "", "", ""))

        # The same chord again is refused; a second one is added with a command path.
        self.vakro.record_chord("Control_L", "F7")
        self.vakro.type_into(ids.kPathId, "$show")
        self.assertEqual(self.refused_add(), "このキーの組み合わせは登録済みです。")
        self.vakro.record_chord("F8")
        self.vakro.wait_text(ids.kKeyId, f"{names[LEFT_CTRL]}+{names[F7]}+{names[F8]}", "the longer chord")
        self.vakro.type_into(ids.kProgramId, "show settings")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")

        # Selecting a row shows its assignment; 追加 refuses its chord, 更新 accepts it.
        self.assertFalse(self.vakro.settings().control(ids.kUpdateId).enabled)
        self.click_first_row()
        window = self.vakro.wait_text(ids.kProgramId, "起動テスト", "the selected row in the entry")
        self.assertEqual(window.control(ids.kKeyId).text, f"{names[LEFT_CTRL]}+{names[F7]}")
        self.assertEqual((window.control(ids.kUpdateId).enabled, window.control(ids.kDeleteId).enabled), (True, True))
        self.assertEqual(self.refused_add(), "このキーの組み合わせは登録済みです。")
        self.vakro.click_control(ids.kUpdateId)
        self.assertEqual(self.vakro.visible_windows("#32770"), [])
        self.vakro.click_control(ids.kKeyResetId)
        self.vakro.record_chord("Shift_L", "F8")
        self.vakro.type_into(ids.kProgramId, "notepad")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        self.vakro.type_into(ids.kArgumentsId, "readme.txt")
        self.vakro.type_into(ids.kWorkPathId, "")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")
        self.vakro.screenshot_of(self.vakro.settings(), "settings-programs")

        # OK hides the window and saves; then the new chord starts the program of the first row.
        self.vakro.ok()
        lines = self.vakro.data_text("keydata.dat").split("\r\n")
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
        """The settings window shown from the tray with no row selected, so a new chord would come
        last."""
        window = self.vakro.show_settings_from_tray()
        # A Ctrl+click on the first row takes away its selection, whichever rows the list shows.
        self.click_first_row()
        wait_until(lambda: self.vakro.settings().control(ids.kUpdateId).enabled, 10, "the first row selected")
        x, y, w, h = window.find(cls="SysHeader32").rect
        self.desktop.xdotool("keydown", "Control_L")
        self.desktop.click(x + 40, y + h + 7)
        self.desktop.xdotool("keyup", "Control_L")
        wait_until(lambda: not self.vakro.settings().control(ids.kUpdateId).enabled, 10, "no row selected")
        # The entry keeps what the selection showed: emptied, as 追加 left it.
        self.vakro.click_control(ids.kKeyResetId)
        for control_id in (ids.kProgramId, ids.kPathId, ids.kArgumentsId, ids.kWorkPathId):
            self.vakro.type_into(control_id, "")
        return window

    def test_4_note_names_the_chord_that_fires_instead_and_blocks_nothing(self):
        window = self.settings_with_no_row_selected()
        self.assertEqual(window.control(ids.kKeyNoteId).text, "")

        # Ctrl+F7 (起動テスト) fires on the way to Ctrl+F7+F9, which therefore never can.
        self.vakro.record_chord("Control_L", "F7", "F9")
        window = self.vakro.wait_text(ids.kKeyNoteId, "途中で「起動テスト」が実行されるため、実行されません。",
                                      "the note of the shadowed chord")
        self.assertTrue(window.control(ids.kKeyNoteId).visible)
        self.vakro.screenshot_of(self.vakro.settings(), "settings-programs-note")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")
        window = self.vakro.wait_text(ids.kKeyNoteId, "", "the note gone with the entry")
        self.assertFalse(window.control(ids.kKeyNoteId).visible)
        # Rows that never fire (Ctrl+F7+F8 of test 3 and the new one) are drawn greyed.
        self.assertEqual(self.row_text_shades(), ["dark", "grey", "dark", "grey"])

    def test_5_scope_list_is_checked_and_the_finder_adds_a_program_to_it(self):
        window = self.settings_with_no_row_selected()
        tool = self.vakro.tool
        self.vakro.record_chord("Control_L", "F11")
        self.chord_shown("F11")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        tool.send(window.control(ids.kScopeId).hwnd, CB_SETCURSEL, 1)  # 次のプログラムでのみ
        self.vakro.type_into(ids.kScopeListId, "C:\\Windows\\notepad.exe")
        self.assertEqual(self.refused_add(),
                         "プログラムはフォルダを含まない実行ファイル名 (notepad.exe など) で指定してください。")
        self.vakro.type_into(ids.kScopeListId, "notepad,,write")
        self.assertEqual(self.refused_add(), "プログラムの一覧に空の名前があります。")
        self.assertEqual(self.vakro.settings().control(ids.kScopeListId).text, "notepad,,write")
        self.assertEqual(self.vakro.settings().control(ids.kPathId).text, "notepad.exe")

        # Dragged while the list has the focus, the finder adds the program's file name to it.
        witness = Witness(self.desktop, "scoped", at=(40, 60, 360, 240),
                          program=Witness.program_named(self.desktop, "scoped.exe"))
        self.addCleanup(witness.end)
        self.vakro.type_into(ids.kScopeListId, "notepad")
        self.drag_finder_to(*witness.centre())
        window = self.vakro.wait_text(ids.kScopeListId, "notepad, scoped.exe", "the program added by the finder")
        self.assertEqual((window.control(ids.kProgramId).text, window.control(ids.kPathId).text), ("", "notepad.exe"))
        self.vakro.screenshot_of(self.vakro.settings(), "settings-programs-scope")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kScopeListId, "", "the entry emptied by 追加")

        # The same chord is taken for those programs, and free for all the others.
        self.vakro.record_chord("Control_L", "F11")
        self.chord_shown("F11")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        tool.send(window.control(ids.kScopeId).hwnd, CB_SETCURSEL, 1)
        self.vakro.type_into(ids.kScopeListId, "Scoped")
        self.assertEqual(self.refused_add(), "このキーの組み合わせは登録済みです。")
        tool.send(window.control(ids.kScopeId).hwnd, CB_SETCURSEL, 2)  # 次のプログラム以外
        self.vakro.type_into(ids.kScopeListId, "notepad, scoped.exe")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kScopeListId, "", "the entry emptied by 追加")
        self.vakro.ok()
        lines = self.vakro.data_file("keydata.dat").split(b"\r\n")
        self.assertTrue(lines[-3].endswith(b',notepad.exe,,,false,"only,notepad,scoped.exe"'), lines[-3])
        self.assertTrue(lines[-2].endswith(b',notepad.exe,,,false,"except,notepad,scoped.exe"'), lines[-2])
        self.assertTrue(all(line.endswith((b"true", b"false")) for line in lines[:-3]), lines)

    def test_6_sequence_box_records_each_tap_as_a_step_and_the_file_keeps_the_word(self):
        names = self.names
        self.settings_with_no_row_selected()
        self.vakro.click_control(ids.kSequenceId)
        wait_until(self.vakro.chord_box_focused, 10, "the chord box focused by 順に押す")
        # A key may come again; a second press while held (an auto-repeat) and releases add nothing.
        self.desktop.xdotool("key", "F8", "keydown", "a", "keydown", "a", "keyup", "a", "key", "F8")
        steps = f"{names[F8]}, {names[KEY_A]}, {names[F8]}"
        self.vakro.wait_text(ids.kKeyId, steps, "the steps joined by commas")
        self.vakro.type_into(ids.kPathId, "notepad.exe")
        self.vakro.click_control(ids.kAddId)
        self.vakro.wait_text(ids.kPathId, "", "the entry emptied by 追加")
        self.vakro.click_control(ids.kOKId)
        wait_until(lambda: "sequence" in (self.vakro.data_file("keydata.dat") or b"").decode("cp932"), 10,
                   "the saved sequence")
        line = next(l for l in self.vakro.data_text("keydata.dat").splitlines() if l.endswith(",,sequence"))
        self.assertTrue(line.startswith('"000066,000030,000066",,"' + steps + '",notepad.exe,'), line)

    def chord_shown(self, last_key):
        """Waits until the chord box shows the chord recorded: its note may move the entry, so
        a box is clicked only after that."""
        wait_until(lambda: self.vakro.control(ids.kKeyId).text.endswith("+" + last_key), 10, "the recorded chord")

    def row_text_shades(self):
        """How each row's text is drawn, from a screenshot of the list's key column (above the
        scroll bar): the text lines are bands of pixel rows darker than the background."""
        x, y, w, h = self.vakro.settings().control(ids.kKeyListId).rect
        header = self.vakro.settings().find(cls="SysHeader32").rect
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


F12, F7_CODE, F8_CODE, F9_CODE, CTRL_CODE = "000088", "000065", "000066", "000067", "000029"
SHOW = keydata_line([F12], "$show", name="Show", key_text="F12")
QUIET_SETTINGS = "[Setting]\r\nKeyViewPos=1\r\nHideCursor=0\r\nStartUp=0\r\n"


def long_list(count):
    """`count` assignments of one made-up key each, named prog000, prog001... in capitals."""
    return "".join(keydata_line([f"{100 + i:06d}"], f"C:\\tools\\tool{i:03d}.exe", name=f"PROG{i:03d}",
                                key_text=f"K{i:03d}") for i in range(count))


class KeyListTransferTest(DesktopTestCase):
    """Three hundred assignments: the find box filters them, two rows go to a file, and a fresh
    vakro takes that file in."""

    EXPORTED = "C:\\vakro-export.dat"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.vakro = Vakro(cls.desktop, {"keydata.dat": long_list(300) + SHOW, "vakro.dat": QUIET_SETTINGS},
                              program=built_program()).start()
        except BaseException:
            cls.tearDownClass()
            raise

    def rows(self, vakro=None):
        vakro = vakro or self.vakro
        _, out = vakro.tool.run("rows", hex(vakro.control(ids.kKeyListId).hwnd))
        return [line.split("\t") for line in out.splitlines()]

    def exported_path(self):
        return os.path.join(self.desktop.prefix, "drive_c", self.EXPORTED[3:])

    def choose_file(self, vakro, title, path):
        dialog = vakro.dialog(title)
        self.assertTrue(any(c.text == "キー割り当て (*.dat)" for c in dialog.children), "the *.dat filter")
        vakro.click(next(c for c in dialog.children if c.cls == "Edit" and c.visible))
        self.desktop.xdotool("key", "End", "shift+Home", "BackSpace")  # the file chosen last time
        self.desktop.xdotool("type", "--delay", "12", path)
        self.desktop.xdotool("key", "Return")
        vakro.wait_dialog_closed(title)

    def test_1_find_box_filters_the_list_and_escape_restores_it(self):
        v = self.vakro
        v.show_settings_from_tray()
        self.assertEqual(len(self.rows()), 301)
        self.assertEqual(v.control(ids.kKeyFindCountId).text, "")
        # Ctrl+F from the list puts the focus into the find box; the typed text filters at once,
        # whatever its letter case, in every column.
        v.click_control(ids.kProgramId)
        self.desktop.xdotool("key", "ctrl+f")
        wait_until(lambda: v.control(ids.kKeyFindId).focus, 10, "the find box to have the focus")
        self.desktop.xdotool("type", "--delay", "2", "prog01")
        window = v.wait_text(ids.kKeyFindCountId, "10 / 301 件", "the count of the found rows")
        self.assertEqual([row[1] for row in self.rows()], [f"PROG{i:03d}" for i in range(10, 20)])
        self.assertTrue(all(row[0] == "-" for row in self.rows()), "no row selected")
        v.screenshot_of(window, "settings-programs-find")
        v.type_into(ids.kKeyFindId, "TOOL29")  # the path column
        v.wait_text(ids.kKeyFindCountId, "10 / 301 件")
        self.assertEqual(self.rows()[0][1], "PROG290")
        v.type_into(ids.kKeyFindId, "k12")  # the key column
        v.wait_text(ids.kKeyFindCountId, "10 / 301 件")

        self.desktop.xdotool("key", "Escape")
        v.wait_text(ids.kKeyFindId, "", "the find box emptied by Escape")
        v.wait_text(ids.kKeyFindCountId, "")
        self.assertEqual(len(self.rows()), 301)
        self.assertTrue(v.settings_visible(), "Escape in the find box does not close the window")

    def test_2_export_writes_the_two_selected_rows(self):
        v = self.vakro
        v.type_into(ids.kKeyFindId, "prog01")
        v.wait_text(ids.kKeyFindCountId, "10 / 301 件")
        x, y, w, h = v.settings().find(cls="SysHeader32").rect
        self.desktop.click(x + 40, y + h + 7)
        self.desktop.xdotool("key", "shift+Down")
        wait_until(lambda: [row[0] for row in self.rows()[:3]] == ["*", "*", "-"], 10, "two rows selected")
        # Several rows selected: 更新 and 削除 act on one row only.
        self.assertEqual((v.control(ids.kUpdateId).enabled, v.control(ids.kDeleteId).enabled), (False, False))
        if os.path.exists(self.exported_path()):
            os.remove(self.exported_path())
        v.click_control(ids.kExportId)
        self.choose_file(v, "キー割り当ての書き出し", self.EXPORTED)
        wait_until(lambda: os.path.exists(self.exported_path()), 10, "the exported file")
        with open(self.exported_path(), "rb") as f:
            exported = f.read()
        all_lines = sjis(long_list(300)).split(b"\r\n")
        self.assertEqual(exported, all_lines[10] + b"\r\n" + all_lines[11] + b"\r\n")
        self.assertEqual(len(self.rows()), 10, "the list as it was")

    def test_3_a_fresh_vakro_takes_the_file_in_and_skips_what_it_has(self):
        self.vakro.stop()
        # The second of the two rows is there already, with another name and path.
        own = keydata_line([f"{111:06d}"], "C:\\mine.exe", name="mine", key_text="K011")
        v = Vakro(self.desktop, {"keydata.dat": SHOW + own, "vakro.dat": QUIET_SETTINGS}, program=built_program()).start()
        self.addCleanup(v.stop)
        v.show_settings_from_tray()
        self.assertEqual(len(self.rows(v)), 2)
        v.click_control(ids.kImportId)
        self.choose_file(v, "キー割り当ての取り込み", self.EXPORTED)
        box = wait_until(lambda: v.visible_window("#32770", "Vakro"), 10, "the take-in report")
        # (the tool prints a line break as two blanks)
        self.assertEqual([c.text for c in box.children if c.cls == "Static" and c.text],
                         ["1 件の割り当てを取り込みました。  1 件は同じキーと対象の割り当てが既にあるため取り込みませんでした。"])
        v.click(box.find(cls="Button"))
        wait_until(lambda: not v.visible_windows("#32770"), 10, "the report to close")
        self.assertEqual([row[1] for row in self.rows(v)], ["Show", "mine", "PROG010"])
        # Nothing is saved until OK.
        self.assertEqual(v.data_text("keydata.dat"), SHOW + own)
        v.ok()
        self.assertEqual(v.data_file("keydata.dat"),
                         sjis(SHOW + own) + sjis(long_list(300)).split(b"\r\n")[10] + b"\r\n")

        # A file without any assignment says so and changes nothing.
        with open(self.exported_path(), "wb") as f:
            f.write(b"not an assignment\r\n")
        v.show_settings_from_tray()
        v.click_control(ids.kImportId)
        self.choose_file(v, "キー割り当ての取り込み", self.EXPORTED)
        self.assertEqual(v.error_message(), f"ファイル「{self.EXPORTED}」にキーの割り当てがありません。")
        self.assertEqual(len(self.rows(v)), 3)


DELETE, LEFT_SHIFT = 0x01530000, 0x002A0000


class OutputEntryTest(DesktopTestCase):
    """The entry of an output action and of a program's options: a key-sending entry's stored
    codes shown by name, keys recorded in its arguments box chord by chord, malformed codes
    refused; the options of a program stored beside option words vakro does not know."""

    KEYS = keydata_line([CTRL_CODE, F7_CODE], "$keys", arguments="000029,000030 001083", name="select",
                        key_text="Ctrl+F7")
    TYPED = keydata_line([CTRL_CODE, F8_CODE], "$keys", arguments="hello", name="typed", key_text="Ctrl+F8")
    RAISE = keydata_line([CTRL_CODE, F9_CODE], "notepad.exe", name="notepad", key_text="Ctrl+F9").replace(
        "\r\n", ",,\"raise,later\"\r\n")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.vakro = Vakro(cls.desktop, {"keydata.dat": cls.KEYS + cls.TYPED + cls.RAISE, "vakro.dat": QUIET_SETTINGS},
                              program=built_program()).start()
            cls.names = cls.vakro.key_names(LEFT_CTRL, KEY_A, KEY_B, DELETE, LEFT_SHIFT, F8)
        except BaseException:
            cls.tearDownClass()
            raise

    def select_row(self, row, name):
        """Clicks the first row and goes down to the row with the arrow keys."""
        x, y, w, h = self.vakro.settings().find(cls="SysHeader32").rect
        self.desktop.click(x + 40, y + h + 7)
        if row:
            self.desktop.xdotool("key", *["Down"] * row)
        self.vakro.wait_text(ids.kProgramId, name, f"row {row} selected")

    def test_1_keys_box_records_chords_shows_names_and_stores_codes(self):
        v, names = self.vakro, self.names
        v.show_settings_from_tray()
        self.select_row(0, "select")
        window = v.wait_text(ids.kArgumentsId, f"{names[LEFT_CTRL]}+{names[KEY_A]}, {names[DELETE]}",
                             "the stored codes by name")
        self.assertEqual(window.control(ids.kActionId).text, "キー送信")
        self.assertEqual((window.control(ids.kRaiseId).enabled, window.control(ids.kMinimizeId).enabled),
                         (False, False))
        v.screenshot_of(window, "settings-programs-actions")
        # リセット empties the box and keeps the focus in it; keys held together are one chord,
        # released out of order, and the press after all are up begins the next.
        v.click_control(ids.kKeysResetId)
        v.wait_text(ids.kArgumentsId, "", "the emptied keys box")
        wait_until(lambda: v.control(ids.kArgumentsId).focus, 10, "the keys box to have the focus")
        self.desktop.xdotool("keydown", "Shift_L", "keydown", "b", "keydown", "b", "keyup", "Shift_L", "keyup", "b",
                             "keydown", "F8", "keyup", "F8", "keydown", "b", "keyup", "b")
        v.wait_text(ids.kArgumentsId, f"{names[LEFT_SHIFT]}+{names[KEY_B]}, {names[F8]}, {names[KEY_B]}",
                    "three chords recorded")
        v.click_control(ids.kUpdateId)
        self.assertEqual(v.visible_windows("#32770"), [])

        # Text typed before the entry sent keys is no key codes: refused, with the entry kept.
        self.select_row(1, "typed")
        window = v.wait_text(ids.kArgumentsId, "hello", "the hand-written arguments")
        v.click_control(ids.kUpdateId)
        self.assertEqual(v.error_message(), "送信するキーの指定が正しくありません。実行時引数でキーを記録し直してください。")
        self.assertEqual(v.control(ids.kArgumentsId).text, "hello")

        # The options of a program: raise kept with the unknown word, minimise added after them.
        self.select_row(2, "notepad")
        window = v.wait_text(ids.kActionId, "起動", "the program's entry")
        self.assertEqual((window.control(ids.kRaiseId).enabled, window.control(ids.kMinimizeId).enabled), (True, True))
        v.click_control(ids.kMinimizeId)
        v.click_control(ids.kUpdateId)
        v.screenshot_of(v.settings(), "settings-programs-raise")
        v.ok()
        lines = v.data_file("keydata.dat").split(b"\r\n")
        self.assertEqual(lines[0], sjis(self.KEYS.replace("000029,000030 001083", "000042,000048 000066 000048"))[:-2])
        self.assertEqual(lines[1], sjis(self.TYPED)[:-2])
        self.assertEqual(lines[2], sjis(self.RAISE.replace("raise,later", "raise,later,minimize"))[:-2])


class DataFileReloadTest(DesktopTestCase):
    """Data files changed by another program while vakro runs: taken in while the settings window
    is hidden, kept when they are junk, and kept as ".bak" when the window's OK saves over them."""

    FIRST = keydata_line([CTRL_CODE, F7_CODE], "C:\\first.exe", name="first", key_text="Ctrl+F7")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.vakro = Vakro(cls.desktop, {"keydata.dat": cls.FIRST + SHOW, "vakro.dat": QUIET_SETTINGS},
                              program=built_program()).start()
        except BaseException:
            cls.tearDownClass()
            raise

    def write(self, name, content, mode="wb"):
        with open(os.path.join(self.vakro.data, name), mode) as f:
            f.write(sjis(content))

    def guide_seen(self):
        """Holds left Ctrl until the guide shows; returns its place and its texts. A reload that
        lands meanwhile ends the chord and the guide: then None, and the caller tries again."""
        v = self.vakro
        v.focus_typing_target()
        self.desktop.xdotool("keydown", "Control_L")
        try:
            guide = wait_until(v.shown_guide, 3, "the key guide")
        except AssertionError:
            guide = None
        self.desktop.xdotool("keyup", "Control_L")
        wait_until(lambda: v.shown_guide() is None, 10, "the key guide to hide")
        return (guide.rect[:2], [c.text for c in guide.children if c.text]) if guide else None

    def guide_until(self, condition, what):
        return wait_until(lambda: (lambda seen: seen if seen and condition(*seen) else None)(self.guide_seen()),
                          20, what)

    def fired(self, *keys):
        """Types the chord into the typing target; whether the settings window then shows."""
        self.vakro.focus_typing_target()
        self.desktop.xdotool(*[a for k in keys for a in ("keydown", k)], *[a for k in reversed(keys) for a in ("keyup", k)])
        try:
            wait_until(self.vakro.settings_visible, 1, "the settings window")
            return True
        except AssertionError:
            return False

    def test_1_a_line_appended_by_another_program_fires(self):
        self.guide_until(lambda place, texts: "first" in texts, "the guide listing the first assignment")
        appended = keydata_line([CTRL_CODE, F8_CODE], "$show", name="appended", key_text="Ctrl+F8")
        self.write("keydata.dat", appended, "ab")
        wait_until(lambda: self.fired("Control_L", "F8"), 20, "the appended chord to fire")
        self.vakro.hide_settings()

    def test_2_junk_keeps_the_assignments_firing(self):
        place, texts = self.guide_until(lambda place, texts: "appended" in texts, "the appended assignment")
        # Junk first, then the guide's place: once the guide moves, the junk has been looked at.
        self.write("keydata.dat", "\x00junk that is no assignment\r\n")
        self.write("vakro.dat", QUIET_SETTINGS.replace("KeyViewPos=1", "KeyViewPos=4"))
        _, texts = self.guide_until(lambda moved, texts: moved != place, "the guide in its new place")
        self.assertIn("first", texts)
        self.assertIn("appended", texts)
        self.assertTrue(self.fired("Control_L", "F8"), "the kept assignment fires")

    def test_3_an_edit_while_the_window_is_open_survives_as_bak_after_ok(self):
        v = self.vakro
        if not v.settings_visible():
            v.show_settings_from_tray()
        theirs = keydata_line([CTRL_CODE, F9_CODE], "C:\\theirs.exe", name="theirs", key_text="Ctrl+F9")
        self.write("keydata.dat", theirs)
        v.ok()
        self.assertEqual(v.data_text("keydata.dat.bak"), theirs)
        saved = v.data_text("keydata.dat")
        self.assertIn(",appended,", saved)
        self.assertNotIn("theirs", saved)
        # Its own save is no change: the assignments stay as the window had them.
        _, texts = self.guide_until(lambda place, texts: True, "the guide")
        self.assertNotIn("theirs", texts)
        self.assertIn("first", texts)


if __name__ == "__main__":
    unittest.main()
