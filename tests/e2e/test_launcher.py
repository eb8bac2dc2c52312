"""The resident launcher with real keys: chords start programs (a bare name is the system's,
wherever a file dialog was), the key guide shows what is left to press, the built-in
commands, the tray icon and saving on exit."""

import glob
import os
import shutil
import signal
import subprocess
import time
import unittest

from test_nodralib import Witness64
from test_settings_pages import QUIET_SETTINGS
from vakro_app import (KEY_X, KEY_Y, KEY_Z, LEFT_ALT, LEFT_CTRL, WM_CLOSE, WM_QUERYENDSESSION, WM_SYSCOMMAND, Vakro,
                       built_program, companion_processes, hook_program, ids, keydata_line)
from vakro_e2e import VK_F12, DesktopTestCase, Witness, build_dir, is_32_bit_build, wait_until, winpath
from vakro_faults import mount_data_folder

VK_CONTROL, VK_MENU, VK_X = 0x11, 0x12, 0x58
SC_MINIMIZE = 0xF020
LEFT_CTRL_PRESS = 0x001D0001  # keystroke flags of a left Ctrl press
DEFAULT_SETTINGS = ("[Setting]\r\nShowKeyView=1\r\nTextColor=6304206\r\nProgColor=13505323\r\n"
                    "BackColor=10546153\r\nTextColor2=16776960\r\nProgColor2=9431012\r\n"
                    "BackColor2=11877933\r\nFontName=ＭＳ 明朝\r\nFontSize=12\r\nFontStyle=\r\n"
                    "StartUp=1\r\nEdgeColor=8421376\r\nKeyViewPos=0\r\nHideCursor=1\r\n")


def rgb_of(colour):
    """A 0x00BBGGRR colour as (r, g, b)."""
    return colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF


def pixel(path, x, y):
    import subprocess
    out = subprocess.run(["convert", path, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                          f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split(","))


LEFT_SHIFT, KEY_F12 = "000042", "000088"
LETTER_SCANS = {"A": 0x1E, "B": 0x30, "C": 0x2E, "D": 0x20, "E": 0x12, "F": 0x21, "G": 0x22, "H": 0x23,
                "I": 0x17, "J": 0x24, "K": 0x25, "L": 0x26, "M": 0x32, "N": 0x31, "O": 0x18, "P": 0x19,
                "Q": 0x10, "R": 0x13, "S": 0x1F, "T": 0x14}


class Notepad:
    """The platform's notepad, of the bitness of the programs under test (or a 64-bit one), and
    its text."""

    def __init__(self, desktop, tool, bits=None):
        system = "syswow64" if (bits or (32 if is_32_bit_build() else 64)) == 32 else "system32"
        self.desktop, self.tool = desktop, tool
        self.process = desktop.run(os.path.join(desktop.prefix, "drive_c", "windows", system, "notepad.exe"))
        self.window = wait_until(lambda: next((w for w in tool.tree("Notepad") if w.find(cls="Edit")), None),
                                 30, "notepad's window")
        self.edit = self.window.find(cls="Edit")

    def focus(self):
        x, y = self.edit.centre
        self.desktop.click_until(x, y, lambda: (self.tool.foreground() or self.window).hwnd == self.window.hwnd,
                                 "notepad to have the focus")

    def text(self):
        return self.tool.text(self.edit.hwnd)

    def wait_text(self, expected, what, timeout=20):
        try:
            wait_until(lambda: self.text() == expected, timeout, what)
        except AssertionError:
            raise AssertionError(f"{what}: notepad holds {self.text()!r}, not {expected!r}") from None

    def end(self):
        self.desktop.kill(self.process)


class LauncherTest(DesktopTestCase):
    def setUp(self):
        self.vakro = None

    def tearDown(self):
        super().tearDown()
        if self.vakro:
            self.vakro.stop()

    def start_vakro(self, lines, settings=None):
        files = {"keydata.dat": "".join(lines)}
        if settings:
            files["vakro.dat"] = settings
        self.vakro = Vakro(self.desktop, files).start()
        self.assertFalse(self.vakro.settings_visible(), "the settings window opened with assignments")
        return self.vakro

    def focused_witness(self, name, program=None):
        """A witness that has the keyboard: a key typed reaches it before the test goes on."""
        return super().focused_witness(name, program, confirmed=True)

    def hold(self, *keys):
        """Presses the keys one after another, unpaced, as a keyboard sends them; `release` lets
        them go in reverse order."""
        for key in keys:
            self.desktop.xdotool("keydown", key)

    def release(self, *keys):
        for key in reversed(keys):
            self.desktop.xdotool("keyup", key)

    def guide_visible(self):
        return self.vakro.guide_visible()

    def test_chord_starts_the_program_once_and_withholds_the_keys_after_the_first(self):
        target_log = self.desktop.log("launched.log")
        work = os.path.join(self.desktop.folder, "work folder")
        os.makedirs(work, exist_ok=True)
        args = f'--log "{winpath(target_log.path)}" --hidden --title launched'
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(), args,
                                       winpath(work), "起動", "Ctrl+Alt+X")])
        witness = self.focused_witness("typing")

        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after the first key")
        self.hold("Alt_L")
        self.hold("x")
        start = target_log.wait_event("start", timeout=20)
        self.release("Control_L", "Alt_L", "x")
        wait_until(lambda: [k for k in witness.keys() if k[1] == VK_CONTROL and k[0] == "WM_KEYUP"], 10,
                   "the Ctrl release at the focused window")

        self.assertEqual(len(target_log.events("start")), 1, "the program started more than once")
        self.assertIn(args, target_log.events("cmdline")[0].rest)
        self.assertEqual(target_log.events("cwd")[0].rest, winpath(work))
        self.assertIsNotNone(start)
        # Auto-repeats of X (previous-state bit set) pass once the chord has fired, as they should.
        downs = [(m, vk) for m, vk, lp in witness.keys()
                 if m in ("WM_KEYDOWN", "WM_SYSKEYDOWN") and vk != VK_F12 and not lp & (1 << 30)]
        self.assertEqual(downs, [("WM_KEYDOWN", VK_CONTROL)], "only the first key may reach the window")
        ups = {vk for m, vk, _ in witness.keys() if m in ("WM_KEYUP", "WM_SYSKEYUP")}
        self.assertTrue({VK_CONTROL, VK_MENU, VK_X} <= ups, "the releases must pass")
        self.assertFalse(self.guide_visible())

    def guide_picture(self, position):
        settings = DEFAULT_SETTINGS.replace("KeyViewPos=0", f"KeyViewPos={position}")
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe", name="メモ帳"),
                          keydata_line([LEFT_CTRL, KEY_Y], "$show", name="設定画面")], settings)
        witness = self.focused_witness(f"guide{position}")
        self.hold("Control_L")
        info = wait_until(lambda: self.guide_visible() and self.vakro.guide_info(), 10, "the guide")
        picture = self.desktop.screenshot(f"guide-{position}")
        foreground = self.vakro.tool.foreground()
        self.release("Control_L")
        wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.assertTrue(foreground and foreground.title.startswith("guide"), f"the guide took the focus: {foreground}")
        self.assertTrue(witness.is_active())
        return info.edges, picture

    def check_guide_colours(self, rect, picture):
        left, top, right, bottom = rect
        self.assertEqual(pixel(picture, left + 1, top + 1), rgb_of(8421376), "frame in EdgeColor")
        self.assertEqual(pixel(picture, right - 2, bottom - 2), rgb_of(8421376), "frame in EdgeColor")
        height = bottom - top - 8
        row0 = pixel(picture, right - 8, top + 4 + 1)
        row1 = pixel(picture, right - 8, top + 4 + height // 2 + 1)
        self.assertEqual(row0, rgb_of(10546153), "first row on BackColor")
        self.assertEqual(row1, rgb_of(11877933), "second row on BackColor2")

    def test_guide_shows_two_rows_in_their_colours_centred_without_taking_the_focus(self):
        rect, picture = self.guide_picture(0)
        left, top, right, bottom = rect
        self.assertEqual((left + right) // 2 in range(510, 515), True, rect)
        self.assertEqual((top + bottom) // 2 in range(382, 387), True, rect)
        self.check_guide_colours(rect, picture)

    def test_guide_at_the_lower_right_corner(self):
        rect, picture = self.guide_picture(4)
        self.assertEqual((rect[2], rect[3]), (1024, 768))
        self.check_guide_colours(rect, picture)

    def test_windowinfo_describes_the_focused_window_in_a_new_temporary_file_and_opens_it(self):
        # The program's folder read-only, as under Program Files: nothing is written there.
        app = os.path.join(self.desktop.folder, "app")
        mount = mount_data_folder(self, app, size="64m")
        self.vakro = Vakro(self.desktop, {"keydata.dat": keydata_line([LEFT_CTRL, KEY_X], "$WindowInfo")})
        mount.read_only()
        self.vakro.start()
        users = os.path.join(self.desktop.prefix, "drive_c", "users")

        def files(pattern):  # the user's temporary folder, wherever the prefix puts it
            return set(glob.glob(os.path.join(users, "**", pattern), recursive=True))

        before = files("nod*")
        witness = self.focused_witness("described")
        self.hold("Control_L", "x")
        self.release("Control_L", "x")
        written = wait_until(lambda: [p for p in files("nod*.txt") - before if os.path.getsize(p) > 0], 20,
                             "a new nod*.txt in the temporary folder")
        self.assertEqual(len(written), 1, written)
        path = written[0]
        self.assertEqual(files("nod*") - before, {path}, "no reservation left")
        # Nothing written beside the program (the 32-bit one has its hook process's folder there).
        self.assertEqual(sorted(set(os.listdir(app)) - {"x64"}), sorted(["NodraLib.dll", "vakro.exe", hook_program()]))
        x, y, w, h = map(int, witness.windows["main"].fields["rect"].split(","))
        expected = ("■ウィンドウ情報■\r\n\r\n"
                    "ウィンドウテキスト : described\r\n"
                    f"ウィンドウハンドル : {witness.hwnd():08X}\r\n"
                    "ウィンドウクラス　 : VakroWitness\r\n"
                    f"座標　　　　　　　 : ({x},{y})-({x + w},{y + h})\r\n").encode("cp932")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), expected)
        viewer = wait_until(lambda: self.desktop.find_windows(os.path.basename(path)), 30, "the text viewer")
        for window in viewer:
            self.desktop.xdotool("windowclose", window)

    def test_volume_commands_without_a_sound_server_do_nothing(self):
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_X], "$volumeup"),
                          keydata_line([LEFT_CTRL, KEY_Y], "$mute")])
        self.focused_witness("volume")
        for key in ("x", "y"):
            self.hold("Control_L", key)
            self.release("Control_L", key)
        wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.assertFalse(self.vakro.exited())
        self.assertEqual(self.vakro.tool.dialog_texts("エラー"), [])

    def test_show_opens_the_settings_window_and_no_chord_fires_while_it_is_visible(self):
        blocked_log = self.desktop.log("blocked.log")
        later_log = self.desktop.log("later.log")
        self.start_vakro([
            keydata_line([LEFT_CTRL, KEY_Y], "$show"),
            keydata_line([LEFT_CTRL, KEY_X], Witness.program_wine(), f'--log "{winpath(blocked_log.path)}" --hidden'),
            keydata_line([LEFT_ALT, KEY_X], Witness.program_wine(), f'--log "{winpath(later_log.path)}" --hidden')])
        self.focused_witness("show")
        self.hold("Control_L", "y")
        self.release("Control_L", "y")
        wait_until(self.vakro.settings_visible, 10, "the settings window")
        handled = self.vakro.keys_handled()
        self.hold("Control_L", "x")
        self.release("Control_L", "x")
        # The window hides only once vakro has handled the four keys, which it did while visible.
        wait_until(lambda: self.vakro.keys_handled() >= handled + 4, 20, "the keys typed at the settings window")
        self.vakro.hide_settings()
        self.focused_witness("show2")
        self.hold("Alt_L", "x")
        self.release("Alt_L", "x")
        later_log.wait_event("start", timeout=20)
        # Key events are handled in order: had the blocked chord fired, it would have by now.
        self.assertEqual(blocked_log.entries() if os.path.exists(blocked_log.path) else [], [])

    def test_a_second_start_ends_at_once_and_the_first_goes_on(self):
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_X], "notepad.exe")])
        second = self.desktop.run(self.vakro.exe)
        self.assertEqual(second.wait(30), 0)
        self.assertFalse(self.vakro.exited())

    def fire(self, key):
        self.hold("Control_L", "Alt_L", key)
        self.release("Control_L", "Alt_L", key)

    def started_line(self, key, name, at, options=None):
        """An assignment of Ctrl+Alt+key that starts a witness copied to name.exe, placed away from
        the typing witness, with the option words given; its log, and the copies closed at the end."""
        log = self.desktop.log(name + ".log")
        self.addCleanup(self.close_started, log)
        program = Witness.program_named(self.desktop, name + ".exe")
        return log, keydata_line([LEFT_CTRL, LEFT_ALT, key], winpath(program),
                                 f'--log "{winpath(log.path)}" --title {name} --at {at}', options=options)

    def close_started(self, log):
        for window in log.events("window"):
            self.vakro.tool.post(window.int_field("hwnd"), WM_CLOSE)

    def started_window(self, log):
        """The main window of the one process that logs to `log`, once it is in front."""
        log.wait_event("ready", timeout=30)
        window = next(e for e in log.events("window") if e.fields["role"] == "main").int_field("hwnd")
        wait_until(lambda: self.in_front(window), 10, "the started program in front")
        return window

    def in_front(self, window):
        return getattr(self.vakro.tool.foreground(), "hwnd", None) == window

    def minimised(self, window):
        return self.vakro.tool.info(window).rect[0] <= -30000

    def test_a_raise_chord_brings_its_running_program_forward_and_a_plain_one_starts_another(self):
        raised, raising = self.started_line(KEY_X, "raised", "500,300,320,200", options="raise")
        plain, starting = self.started_line(KEY_Y, "plain", "500,100,200,100")
        self.start_vakro([raising, starting])
        typing = self.focused_witness("typing")
        self.fire("x")
        window = self.started_window(raised)
        typing.focus()
        self.fire("x")
        wait_until(lambda: self.in_front(window), 10, "the running copy brought to the front")
        self.vakro.tool.post(window, WM_SYSCOMMAND, SC_MINIMIZE)
        wait_until(lambda: self.minimised(window), 10, "the copy minimised")
        typing.focus()
        self.fire("x")
        wait_until(lambda: not self.minimised(window) and self.in_front(window), 10, "the copy restored in front")
        # Starts and raises run in the order asked: once both plain starts are done, so are the raises.
        self.fire("y")
        self.fire("y")
        wait_until(lambda: len(plain.events("ready")) == 2, 30, "a second plain copy: no option, no raise")
        self.assertEqual(len(raised.events("start")), 1, "three firings of the raise chord, one process")

    def test_a_raise_and_minimize_chord_minimises_its_program_in_front_and_brings_it_back(self):
        raised, raising = self.started_line(KEY_X, "minimised", "500,300,320,200", options="raise,minimize")
        self.start_vakro([raising])
        self.focused_witness("typing")
        self.fire("x")
        window = self.started_window(raised)
        self.fire("x")
        wait_until(lambda: self.minimised(window), 10, "the copy in front minimised")
        self.fire("x")
        wait_until(lambda: not self.minimised(window) and self.in_front(window), 10, "the copy restored in front")
        self.assertEqual(len(raised.events("start")), 1)

    def exit_from_tray(self):
        tray = self.tray_icon_position()
        self.desktop.xdotool("mousemove", *tray, "click", 3)
        menu = wait_until(lambda: self.vakro.tool.find("#32768"), 10, "the tray menu")
        left, top, right, bottom = self.vakro.tool.info(menu).edges
        self.desktop.click((left + right) // 2, bottom - 10)
        wait_until(self.vakro.exited, 20, "vakro to end")

    def scoped_chord(self, witness, key, fires_in=None):
        """Holds Ctrl, Alt and `key` in the witness; the chord fires when `fires_in` (a log of the
        program it starts) sees a start, otherwise its keys reach the witness."""
        self.hold("Control_L", "Alt_L", key)
        if fires_in:
            fires_in.wait_event("start", timeout=20)
        else:
            self.wait_for_key_at(witness, ord(key.upper()))
        self.release("Control_L", "Alt_L", key)
        self.wait_for_key_at(witness, VK_CONTROL, "up")

    def test_a_chord_for_some_programs_fires_only_there_and_one_for_all_but_them_elsewhere(self):
        only, others = self.desktop.log("only.log"), self.desktop.log("others.log")
        starts = lambda log: f'--log "{winpath(log.path)}" --hidden --title launched'
        self.start_vakro([
            keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(), starts(only), scope="only,WITNESS"),
            keydata_line([LEFT_CTRL, LEFT_ALT, KEY_Y], Witness.program_wine(), starts(others),
                         scope="except,witness.exe")])
        other = self.focused_witness("other", Witness.program_named(self.desktop, "other.exe"))
        self.scoped_chord(other, "x")
        self.scoped_chord(other, "y", fires_in=others)
        witness = self.focused_witness("witness")
        self.scoped_chord(witness, "y")
        self.scoped_chord(witness, "x", fires_in=only)
        self.assertEqual((len(only.events("start")), len(others.events("start"))), (1, 1))
        self.assertNotIn(("down", ord("Y")), self.typed_keys(other))

    def test_an_excluded_program_gets_every_key_and_the_files_are_saved_as_read(self):
        log = self.desktop.log("launched.log")
        lines = [keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(),
                              f'--log "{winpath(log.path)}" --hidden --title launched', name="すべて"),
                 keydata_line([LEFT_CTRL, KEY_Y], "notepad.exe", scope='except,other.exe,"my app.exe"'),
                 keydata_line([LEFT_CTRL, KEY_Z], "notepad.exe", scope="sometimes")]
        settings = DEFAULT_SETTINGS + "ExcludePrograms=Other\r\n"
        self.start_vakro(lines, settings)
        other = self.focused_witness("other", Witness.program_named(self.desktop, "other.exe"))
        handled = self.vakro.keys_handled()
        self.hold("Control_L")
        wait_until(lambda: self.vakro.keys_handled() > handled, 10, "vakro to handle the Ctrl press")
        deadline = time.monotonic() + 1
        while time.monotonic() < deadline:
            self.assertFalse(self.guide_visible(), "the guide in an excluded program")
        self.hold("Alt_L", "x")
        self.wait_for_key_at(other, VK_X)
        self.release("Control_L", "Alt_L", "x")
        self.wait_for_key_at(other, VK_CONTROL, "up")
        self.assertEqual([k for k in self.typed_keys(other) if k[0] == "down"],
                         [("down", VK_CONTROL), ("down", VK_MENU), ("down", VK_X)])
        witness = self.focused_witness("witness")
        self.scoped_chord(witness, "x", fires_in=log)
        self.exit_from_tray()
        self.assertEqual(self.vakro.data_file("keydata.dat"), "".join(lines).encode("cp932"))
        self.assertEqual(self.vakro.data_file("vakro.dat"), settings.encode("cp932"))
        self.assertEqual(len(log.events("start")), 1)

    def test_tray_menu_exit_saves_all_four_files(self):
        line = keydata_line([LEFT_CTRL, KEY_X], "notepad.exe", name="メモ帳", key_text="Ctrl+X")
        self.start_vakro([line])
        tray = self.tray_icon_position()
        self.desktop.xdotool("mousemove", *tray, "click", 3)
        menu = wait_until(lambda: self.vakro.tool.find("#32768"), 10, "the tray menu")
        self.desktop.screenshot("tray-menu")
        left, top, right, bottom = self.vakro.tool.info(menu).edges
        # The last item, 終了(&X), is the bottom row of the menu.
        self.desktop.click((left + right) // 2, bottom - 10)
        wait_until(self.vakro.exited, 20, "vakro to end")
        self.assertEqual(self.vakro.data_file("keydata.dat"), line.encode("cp932"))
        self.assertEqual(self.vakro.data_file("keyname.dat"), b"")
        self.assertEqual(self.vakro.data_file("plugin.dat"), b"")
        self.assertEqual(self.vakro.data_file("vakro.dat"), DEFAULT_SETTINGS.encode("cp932"))

    def test_tray_double_click_shows_the_settings_window_in_front(self):
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_X], "notepad.exe")])
        self.focused_witness("front")
        self.show_settings_from_tray_icon()

    def test_session_end_saves_all_four_files(self):
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_X], "notepad.exe")])
        self.assertTrue(self.vakro.tool.send(self.vakro.main, WM_QUERYENDSESSION))
        for name in ("keydata.dat", "keyname.dat", "plugin.dat", "vakro.dat"):
            self.assertIsNotNone(self.vakro.data_file(name), name)
        self.assertFalse(self.vakro.exited())

    def typed_keys(self, witness):
        """Key presses and releases at the witness, the focusing F12 left out and auto-repeats
        folded into their press (a re-sent press may carry the previous-state bit, as the
        window's key state took the withheld one in)."""
        typed = []
        for m, vk, _ in witness.keys():
            event = ("down" if m.endswith("DOWN") else "up", vk)
            if vk != VK_F12 and not (event[0] == "down" and typed and typed[-1] == event):
                typed.append(event)
        return typed

    def wait_for_key_at(self, witness, vk, direction="down"):
        try:
            wait_until(lambda: (direction, vk) in self.typed_keys(witness), 10,
                       f"key {vk:#x} {direction} at the witness")
        except AssertionError:
            # Where the key may have gone instead: who had the keyboard, and what the witness took.
            print(f"\nforeground: {self.vakro.tool.foreground()}; the witness's activations: "
                  f"{witness.activations()[-4:]}; its keys: {witness.keys()[-6:]}")
            raise

    def test_shortcuts_that_begin_like_a_chord_still_reach_the_window(self):
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe")])
        witness = self.focused_witness("shortcuts")
        for letter in ("c", "v"):
            self.hold("Control_L")
            wait_until(self.guide_visible, 10, "the guide after Ctrl")
            self.desktop.xdotool("keydown", letter, "keyup", letter, "keyup", "Control_L")
            wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.hold("Control_L")  # a lone tap
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.release("Control_L")
        self.wait_for_key_at(witness, VK_CONTROL, "up")
        wait_until(lambda: self.typed_keys(witness).count(("up", VK_CONTROL)) == 3, 10, "three Ctrl releases")
        C, V = ord("C"), ord("V")
        self.assertEqual(self.typed_keys(witness),
                         [("down", VK_CONTROL), ("down", C), ("up", C), ("up", VK_CONTROL),
                          ("down", VK_CONTROL), ("down", V), ("up", V), ("up", VK_CONTROL),
                          ("down", VK_CONTROL), ("up", VK_CONTROL)])

    def test_a_burst_after_a_chord_beginning_loses_and_doubles_nothing(self):
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe")])
        witness = self.focused_witness("burst")
        letters = "abcdefghijklmnopqrst"
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.desktop.xdotool(*[a for letter in letters for a in ("keydown", letter, "keyup", letter)],
                             "keyup", "Control_L")
        self.wait_for_key_at(witness, VK_CONTROL, "up")
        wait_until(lambda: len(self.typed_keys(witness)) >= 2 + 2 * len(letters), 10, "every key")
        expected = [("down", VK_CONTROL)]
        for letter in letters.upper():
            expected += [("down", ord(letter)), ("up", ord(letter))]
        self.assertEqual(self.typed_keys(witness), expected + [("up", VK_CONTROL)])

    def start_typing_beside_chords(self, bits=None):
        """vakro with a chord that begins with left Shift and one that begins with left Ctrl, and
        the platform's notepad focused; the chords start hidden witnesses that log their start."""
        logs = [self.desktop.log(f"{name}.log") for name in ("shift-chord", "ctrl-chord")]
        lines = [keydata_line(keys, Witness.program_wine(), f'--log "{winpath(log.path)}" --hidden --title chord')
                 for keys, log in zip(([LEFT_SHIFT, KEY_F12], [LEFT_CTRL, LEFT_ALT, KEY_X]), logs)]
        self.start_vakro(lines)
        if bits == 64 and is_32_bit_build():
            wait_until(lambda: companion_processes(self.vakro.tool), 30, "the hook companion")
        notepad = Notepad(self.desktop, self.vakro.tool, bits)
        self.addCleanup(notepad.end)
        notepad.focus()
        return notepad, logs

    def send_script(self, name, lines):
        path = os.path.join(self.desktop.folder, name)
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        result = subprocess.run([self.vakro.tool.desktop_wine(), os.path.join(build_dir(), "tools", "sendinput.exe"),
                                 "--script", winpath(path)], env=self.desktop.env(), check=True,
                                capture_output=True, text=True, timeout=60)
        self.assertRegex(result.stdout, r"failed=0 .*timeouts=0", result.stderr)

    def test_shortcuts_and_rolled_letters_beside_chords_reach_notepad_exactly_and_chords_fire_from_the_desktop(self):
        """Each needs withheld keys delivered and known as such: Ctrl+Shift+Home beside a chord of
        left Ctrl, left Shift, X; letters rolled over a chord of letters; then, with no window in
        front (the empty desktop), the chord fires."""
        launched = self.desktop.log("from-desktop.log")
        letter = lambda c: f"{LETTER_SCANS[c]:06d}"
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_SHIFT, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(launched.path)}" --hidden --title desktop'),
                          keydata_line([letter("A"), letter("S"), letter("D")], "notepad.exe")])
        notepad = Notepad(self.desktop, self.vakro.tool)
        self.addCleanup(notepad.end)
        notepad.focus()
        self.desktop.xdotool("type", "--delay", 20, "abc")
        notepad.wait_text("abc", "the letters typed")
        self.desktop.xdotool("keydown", "Control_L", "keydown", "Shift_L", "keydown", "Home", "keyup", "Home",
                             "keyup", "Shift_L", "keyup", "Control_L", "key", "z")
        notepad.wait_text("z", "Ctrl+Shift+Home selecting everything, replaced by z")
        self.desktop.xdotool("keydown", "a", "keydown", "s", "keyup", "a", "keyup", "s")
        notepad.wait_text("zas", "letters rolled over the chord's beginning")
        self.desktop.xdotool("key", "q")
        notepad.wait_text("zasq", "a small letter after them: no Shift left held")
        self.assertEqual(launched.events("start"), [], "a chord fired while typing")

        # The empty desktop: a click where no window lies gives it the foreground.
        self.desktop.click(1000, 20)
        wait_until(lambda: (self.vakro.tool.foreground() or notepad.window).hwnd != notepad.window.hwnd, 10,
                   "notepad to lose the foreground")
        self.hold("Control_L", "Shift_L", "x")
        self.release("Control_L", "Shift_L", "x")
        launched.wait_event("start", 20)

    def test_text_and_keys_reach_notepad_exactly_whatever_the_chord_still_holds(self):
        """Chords that type a text and press keys, fired while their keys are still down and with
        keys typed straight after them, as a machine sends them: notepad gets exactly the text and
        the keys, never combined with the chord's modifiers, and what follows comes after, plain."""
        letter = lambda c: f"{LETTER_SCANS[c]:06d}"
        text = "こんにちは, ソ表\\n\\x\\\\y\\tz"  # as typed in the box: backslash n, backslash x, ...
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, letter("T")], "$text", text),
                          keydata_line([LEFT_CTRL, LEFT_ALT, letter("D")], "$Keys", "000029,000030 001083"),
                          keydata_line([LEFT_CTRL, LEFT_ALT, letter("S")], "$keys", f"{LEFT_SHIFT},{letter('A')}")])
        notepad = Notepad(self.desktop, self.vakro.tool)
        self.addCleanup(notepad.end)
        notepad.focus()
        self.desktop.xdotool("key", "Return")  # what the edit control makes of a typed Enter
        enter = wait_until(notepad.text, 10, "the Enter typed")
        self.desktop.xdotool("key", "ctrl+a", "BackSpace")
        notepad.wait_text("", "the Enter deleted")
        typed = f"こんにちは, ソ表{enter}\\x\\y\tz"

        self.hold("Control_L", "Alt_L", "t")
        notepad.wait_text(typed, "the text while the chord is held")
        self.release("Control_L", "Alt_L", "t")
        self.desktop.xdotool("type", "--delay", 10, "ab")
        notepad.wait_text(typed + "ab", "plain letters after the chord: no Ctrl or Alt left held")

        # Back to back: the chord's completing key, its release and letters in one burst; the
        # letters come after. The hook withholds a chord's keys once vakro has heard the keys
        # before them, so the chord's first keys wait for that, as a typist's always do.
        chord = lambda c: ["down 001D", "mode swallow", "down 0038", "mode swallow", f"down {LETTER_SCANS[c]:04X}",
                           f"up {LETTER_SCANS[c]:04X}", "up 0038", "up 001D"]
        self.send_script("burst.txt", chord("S") + [f"{d} {LETTER_SCANS[c]:04X}" for c in "QR" for d in ("down", "up")])
        notepad.wait_text(typed + "abAqr", "Shift+A under the held Ctrl+Alt, then the letters")
        self.send_script("clear.txt", chord("D") + [f"{d} {LETTER_SCANS[c]:04X}" for c in "HI" for d in ("down", "up")])
        notepad.wait_text("hi", "Ctrl+A and Delete, then the letters")
        self.send_script("again.txt", chord("T") + chord("T"))
        notepad.wait_text("hi" + typed * 2, "the text twice, one chord after the other")
        self.desktop.xdotool("key", "shift+a", "b")
        notepad.wait_text("hi" + typed * 2 + "Ab", "a capital and a small letter after it all")

    def test_a_chord_typed_at_an_ordinary_pace_fires_beside_300_chords_sharing_its_first_key(self):
        """The guide for 300 candidates is built on vakro's window thread: it shows what fits, and
        the keys of the chord are neither lost nor let through."""
        launched = self.desktop.log("among-300.log")
        code = lambda c: f"{LETTER_SCANS[c]:06d}"
        pairs = [(a, b) for a in LETTER_SCANS for b in LETTER_SCANS if a != b][:300]
        self.start_vakro([keydata_line([LEFT_CTRL, code(a), code(b)], "notepad.exe") for a, b in pairs] +
                         [keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(launched.path)}" --hidden --title among')])
        witness = self.focused_witness("among")
        self.hold("Control_L")
        self.addCleanup(self.desktop.xdotool, "keyup", "Control_L")
        guide = wait_until(self.vakro.shown_guide, 20, "the guide for 300 candidates")
        self.hold("Alt_L", "x")
        self.release("Control_L", "Alt_L", "x")
        self.assertLess(len(guide.children), 2 * 300, "a label pair for every candidate")
        launched.wait_event("start", 20)
        self.wait_for_key_at(witness, VK_CONTROL, "up")
        self.assertEqual([vk for _, vk in self.typed_keys(witness)], [VK_CONTROL, VK_CONTROL],
                         "only Ctrl, which passed before the chord began, reaches the window")

    def test_text_sent_back_to_back_beside_shift_and_ctrl_chords_arrives_exactly(self):
        self.check_typing_beside_chords()

    @unittest.skipUnless(is_32_bit_build(), "the 32-bit vakro reaches 64-bit programs through its companion")
    def test_text_reaches_a_64_bit_program_exactly_through_the_companion(self):
        self.check_typing_beside_chords(bits=64)

    def check_typing_beside_chords(self, bits=None):
        notepad, chord_logs = self.start_typing_beside_chords(bits)
        expected = ""
        for delay, sentence in ((40, "The Quick Brown Fox Jumps Over The Lazy Dog."),
                                (12, " Pack My Box With Five Dozen Liquor Jugs.")):
            self.desktop.xdotool("type", "--delay", delay, sentence)
            expected += sentence
            notepad.wait_text(expected, f"the sentence typed with {delay} ms between characters")
        burst = "ABCDEFGHIJKLMNOPQRST"  # each with its own left Shift, as fast as events go
        self.send_script("burst.txt", ["down 0039", "up 0039"] +
                         [f"{d} {k:04X}" for c in burst for d, k in (("down", 0x2A), ("down", LETTER_SCANS[c]),
                                                                    ("up", LETTER_SCANS[c]), ("up", 0x2A))])
        expected += " " + burst
        notepad.wait_text(expected, "a burst of capitals")
        self.desktop.xdotool("key", "ctrl+a", "ctrl+c", "End", "ctrl+v", "ctrl+v")
        notepad.wait_text(expected * 3, "select all, copy and paste twice")
        self.desktop.xdotool("key", "shift+a", "b")  # no Shift left held anywhere
        notepad.wait_text(expected * 3 + "Ab", "a capital and a small letter after it all")
        self.assertEqual([log.events("start") for log in chord_logs], [[], []], "a chord fired while typing")

    @unittest.skipUnless(is_32_bit_build(), "the 32-bit vakro reaches 64-bit programs through its companion")
    def test_chords_fire_in_a_64_bit_program_and_a_killed_vakro_gives_its_keys_back(self):
        launched = self.desktop.log("launched64.log")
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(launched.path)}" --hidden --title launched')])
        companion = wait_until(lambda: companion_processes(self.vakro.tool), 30, "the hook companion")
        self.assertEqual(companion["program"], self.vakro.process_id())
        witness = Witness64(self.desktop, "typing64")
        self.addCleanup(witness.end)
        witness.focus()
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after the first key")
        self.hold("Alt_L", "x")
        launched.wait_event("start", timeout=20)
        self.release("Control_L", "Alt_L", "x")
        wait_until(lambda: ("WM_KEYUP", VK_CONTROL) in [(m, vk) for m, vk, _ in witness.keys()], 10,
                   "the Ctrl release at the 64-bit program")
        downs = [vk for m, vk, lp in witness.keys() if m in ("WM_KEYDOWN", "WM_SYSKEYDOWN") and not lp & (1 << 30)]
        self.assertEqual(downs, [VK_CONTROL], "only the first key may reach the program")

        self.hold("Control_L")  # the keyboard withheld, and then vakro is killed
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.vakro.stop()
        self.desktop.type_keys(["F12"])
        wait_until(lambda: ("WM_KEYUP", VK_F12) in [(m, vk) for m, vk, _ in witness.keys()], 10,
                   "a key at the 64-bit program once vakro is gone")
        self.release("Control_L")
        wait_until(lambda: companion_processes(self.vakro.tool) is None, 10, "the companion to end with vakro")

    def test_a_stopped_vakro_gives_the_keyboard_back_and_nothing_arrives_twice(self):
        notepad, (shift_log, ctrl_log) = self.start_typing_beside_chords()
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.release("Control_L")
        wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.hold("Shift_L")  # a chord half typed: the keyboard is withheld
        wait_until(self.guide_visible, 10, "the guide after Shift")
        os.kill(self.vakro.process.pid, signal.SIGSTOP)
        try:
            # The first keys meet a vakro that has not answered for long yet, and are withheld.
            wait_until(lambda: self.desktop.xdotool("key", "a") is not None and notepad.text(), 5,
                       "a key at notepad while vakro is stopped")
            reached = notepad.text()
            self.assertEqual(set(reached), {"A"})
            self.desktop.xdotool("type", "BC")
            self.release("Shift_L")
            self.desktop.xdotool("type", "de")
            notepad.wait_text(reached + "BCde", "typing while vakro is stopped", timeout=5)
        finally:
            os.kill(self.vakro.process.pid, signal.SIGCONT)
        wait_until(lambda: not self.guide_visible(), 10, "the guide reset once vakro answers")
        self.desktop.xdotool("type", "fg")
        notepad.wait_text(reached + "BCdefg", "typing once vakro answers again: nothing twice")
        self.hold("Control_L", "Alt_L", "x")
        ctrl_log.wait_event("start", timeout=20)
        self.release("Control_L", "Alt_L", "x")
        self.assertEqual(notepad.text(), reached + "BCdefg")
        self.assertEqual(shift_log.events("start"), [])

    def test_a_killed_hook_process_lets_keys_pass_and_is_back_for_the_next_chord(self):
        notepad, (shift_log, ctrl_log) = self.start_typing_beside_chords()
        first = companion_processes(self.vakro.tool)["companion"]
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        subprocess.run([self.vakro.tool.desktop_wine(), "taskkill", "/F", "/PID", str(first)], env=self.desktop.env(),
                       capture_output=True, timeout=60, check=True)
        self.release("Control_L")
        self.desktop.xdotool("type", "ab")
        notepad.wait_text("ab", "keys at notepad while the hook process is gone or back")
        wait_until(lambda: (companion_processes(self.vakro.tool) or {}).get("companion", first) != first, 10,
                   "the hook process started again")
        self.hold("Control_L", "Alt_L", "x")
        ctrl_log.wait_event("start", timeout=20)
        self.release("Control_L", "Alt_L", "x")
        self.desktop.xdotool("type", "c")
        notepad.wait_text("abc", "typing after the chord: nothing twice, nothing of the chord")

    def test_with_delivery_switched_off_keys_of_no_chord_stay_withheld(self):
        settings = DEFAULT_SETTINGS + "SendUnmatchedKeys=0\r\n"
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe")], settings)
        witness = self.focused_witness("nodelivery")
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.desktop.xdotool("keydown", "c")
        wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.desktop.xdotool("keyup", "c", "keyup", "Control_L")
        self.wait_for_key_at(witness, ord("C"), "up")  # passes: Ctrl alone begins the chord again
        self.assertNotIn(("down", ord("C")), self.typed_keys(witness))

    def test_settings_window_shown_mid_chord_leaves_the_keyboard_answering(self):
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], "notepad.exe")])
        witness = self.focused_witness("midchord")
        self.hold("Control_L")
        wait_until(self.guide_visible, 10, "the guide after Ctrl")
        self.show_settings_from_tray_icon()
        self.release("Control_L")
        witness.focus()
        self.confirm_keyboard(witness)
        self.desktop.type_keys(["b"])
        self.wait_for_key_at(witness, ord("B"))

    def test_minimised_settings_window_takes_no_keys_and_comes_back_when_shown(self):
        target_log = self.desktop.log("minimised.log")
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(target_log.path)}" --hidden')])
        self.show_settings_from_tray_icon()
        self.vakro.tool.post(self.vakro.main, WM_SYSCOMMAND, SC_MINIMIZE)  # as another program may
        wait_until(lambda: self.vakro.tool.info(self.vakro.main).rect[0] <= -30000, 10, "minimised")
        self.focused_witness("afterminimise")
        self.hold("Control_L", "x")
        self.release("Control_L", "x")
        target_log.wait_event("start", timeout=20)
        self.desktop.xdotool("mousemove", *self.tray_icon_position(), "click", "--repeat", 2, 1)
        wait_until(lambda: self.vakro.tool.info(self.vakro.main).rect[0] > -30000, 10, "restored")

    def test_a_press_whose_release_never_came_does_not_block_chords(self):
        target_log = self.desktop.log("stuck-started.log")
        self.start_vakro([keydata_line([LEFT_CTRL, KEY_Y], "notepad.exe"),
                          keydata_line([LEFT_ALT, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(target_log.path)}" --hidden')])
        self.focused_witness("stuck")
        # A left Ctrl press reported with no release to follow: the key is up all along.
        self.vakro.tool.post(self.vakro.guide, ids.WM_HOOK_KEY, VK_CONTROL, LEFT_CTRL_PRESS)
        wait_until(self.guide_visible, 10, "the guide for the reported Ctrl")

        def chord_fires():
            self.hold("Alt_L", "x")
            self.release("Alt_L", "x")
            return target_log.events("start") if os.path.exists(target_log.path) else []
        # vakro asks the system only once the press has settled, so the chord may need a retry.
        wait_until(chord_fires, 20, "the Alt+X chord to start its program", interval=0.5)

    def start_sequences(self, settings):
        """vakro with a sequence of the letter J (a leader that would type), W, C and a chord of J
        and X, each starting a hidden witness that logs its start; the platform's notepad
        focused."""
        logs = [self.desktop.log(f"{name}.log") for name in ("sequence", "leader-chord")]
        code = lambda c: f"{LETTER_SCANS[c]:06d}" if c in LETTER_SCANS else {"W": "000017", "X": "000045"}[c]
        witness = lambda log: f'--log "{winpath(log.path)}" --hidden --title fired'
        self.start_vakro([keydata_line([code("J"), code("W"), code("C")], Witness.program_wine(), witness(logs[0]),
                                       name="メモを開く", key_text="J, W, C", options="sequence"),
                          keydata_line([code("J"), code("X")], Witness.program_wine(), witness(logs[1]))],
                         DEFAULT_SETTINGS + settings)
        notepad = Notepad(self.desktop, self.vakro.tool)
        self.addCleanup(notepad.end)
        notepad.focus()
        return notepad, logs

    def test_a_sequence_behind_a_leader_fires_unseen_and_other_keys_reach_notepad_in_order(self):
        notepad, (fired, chord) = self.start_sequences("SequenceTimeout=1500\r\n")
        self.desktop.xdotool("type", "--delay", 20, "ab")
        notepad.wait_text("ab", "the letters typed")
        self.desktop.xdotool("key", "j", "w", "c")
        fired.wait_event("start", 20)
        self.desktop.xdotool("keydown", "j", "keyup", "j", "keydown", "w", "keydown", "c", "keyup", "w", "keyup", "c",
                             "type", "wcd")  # overlapping steps; then typing holding the later keys
        wait_until(lambda: len(fired.events("start")) == 2, 20, "the sequence tapped with overlapping keys")
        notepad.wait_text("abwcd", "nothing of either sequence reaches notepad")
        self.desktop.xdotool("key", "j", "w", "b")
        notepad.wait_text("abwcdjwb", "a broken sequence's keys in order, then the key that broke it")
        self.desktop.xdotool("key", "j", "w", "Escape", "e")
        notepad.wait_text("abwcdjwbe", "Escape abandons the sequence, delivering nothing")
        self.desktop.xdotool("key", "j", "j", "f")
        notepad.wait_text("abwcdjwbejf", "the leader twice types it once")
        self.desktop.xdotool("keydown", "j", "keydown", "x", "keyup", "x", "keyup", "j", "key", "g")
        chord.wait_event("start", 20)
        notepad.wait_text("abwcdjwbejfg", "a chord sharing the leader fires, none of its keys typed")
        self.desktop.xdotool("key", "j")
        notepad.wait_text("abwcdjwbejfgj", "the time-out delivers the leader", timeout=10)
        self.desktop.xdotool("key", "w", "c")
        notepad.wait_text("abwcdjwbejfgjwc", "the later keys after the time-out are typed")
        self.assertEqual((len(fired.events("start")), len(chord.events("start"))), (2, 1))

    def test_the_guide_waits_for_its_delay_after_a_chord_beginning_and_a_leader(self):
        """Held alone, J begins the chord; released, the sequence: the guide shows for each only
        once the delay has passed since the key, with the keys that follow and their programs."""
        notepad, _ = self.start_sequences("SequenceTimeout=20000\r\nKeyViewDelay=800\r\n")
        for press, events, end in ((("keydown", "j"), 1, ("keyup", "j", "key", "Escape")),
                                   (("key", "j"), 2, ("key", "Escape"))):
            handled = self.vakro.keys_handled()
            began = time.monotonic()
            self.desktop.xdotool(*press)
            wait_until(lambda: self.vakro.keys_handled() >= handled + events, 10, "the keys handled")
            self.assertFalse(self.guide_visible(), f"the guide before its delay after {press}")
            guide = wait_until(self.vakro.shown_guide, 10, "the guide after its delay")
            self.assertGreaterEqual(time.monotonic() - began, 0.8, press)
            self.assertIn("メモを開く", [child.text for child in guide.children])
            if press[0] == "key":  # a screenshot may hold vakro up longer than a held key's repeats wait
                self.desktop.screenshot("guide-after-the-leader")
            self.desktop.xdotool(*end)
            wait_until(lambda: not self.guide_visible(), 10, "the guide to hide")
        self.desktop.xdotool("key", "k")
        notepad.wait_text("k", "nothing of the leader or Escape typed")

    def tray_icon_position(self):
        """The tray icon: the right end of the taskbar's notification area."""
        return 1013, 757

    def show_settings_from_tray_icon(self):
        """Double-clicks the tray icon and waits until the settings window is in front with a
        control focused, as the user sees it come. (Under Wine, a click elsewhere while vakro still
        activates it can leave the X keyboard focus with it and the foreground with the other
        window, whose keys then go nowhere.)"""
        self.desktop.xdotool("mousemove", *self.tray_icon_position(), "click", "--repeat", 2, 1)
        wait_until(self.vakro.settings_visible, 10, "the settings window")

        def in_front_and_focused():
            front = self.vakro.tool.foreground()
            settings = self.vakro.listed_settings()
            return (front is not None and front.hwnd == self.vakro.main and settings is not None
                    and any(w.focus for w in [settings, *settings.children]))
        wait_until(in_front_and_focused, 10, "the settings window in front, a control focused")

    PAUSED_TIP = "Vakro (一時停止中)"

    def pause_from_tray(self, screenshot=None):
        """Clicks 一時停止(&P), the menu's second item (表示 above it is as high)."""
        self.desktop.xdotool("mousemove", *self.tray_icon_position(), "click", 3)
        menu = wait_until(lambda: self.vakro.tool.find("#32768"), 10, "the tray menu")
        if screenshot:
            self.desktop.screenshot(screenshot)
        left, top, right, _ = self.vakro.tool.info(menu).edges
        self.desktop.click((left + right) // 2, top + 30)
        wait_until(lambda: not self.vakro.tool.find("#32768"), 10, "the tray menu to close")

    def wait_tip(self, paused):
        tip = self.PAUSED_TIP if paused else "Vakro"
        wait_until(lambda: self.vakro.tray_tip(tip), 10, f"the tray tip {tip!r}")

    def press_handled(self, *keys):
        """Holds the keys down, each once the program has handled the report of the one before."""
        for key in keys:
            handled = self.vakro.keys_handled()
            self.desktop.xdotool("keydown", key)
            wait_until(lambda: self.vakro.keys_handled() > handled, 10, f"vakro to handle {key}")

    def pause_test_program(self, settings=None):
        started = self.desktop.log("paused-chord.log")
        self.start_vakro([keydata_line([LEFT_CTRL, LEFT_ALT, KEY_X], Witness.program_wine(),
                                       f'--log "{winpath(started.path)}" --hidden', name="起動"),
                          keydata_line([LEFT_CTRL, KEY_Z], "$Pause", name="一時停止")], settings)
        return started

    def check_paused_keys_pass(self, witness):
        """While paused a chord's keys reach the window at once and the guide stays hidden."""
        witness.focus()
        self.press_handled("Control_L", "Alt_L")
        self.assertFalse(self.guide_visible(), "the guide showed while paused")
        self.press_handled("x")
        # Had the chord fired, X would have been kept from the window.
        self.wait_for_key_at(witness, VK_X)
        self.release("Control_L", "Alt_L", "x")
        self.wait_for_key_at(witness, VK_X, "up")

    def check_chord_fires_once(self, witness, started):
        """After the pause the chord fires; it had not while paused (events are handled in order)."""
        witness.focus()
        self.hold("Control_L", "Alt_L", "x")
        self.release("Control_L", "Alt_L", "x")
        started.wait_event("start", timeout=20)
        self.assertEqual(len(started.events("start")), 1)

    def test_pause_from_the_tray_mid_chord_leaves_the_keyboard_passing_until_resumed(self):
        # Withheld keys are never sent on here, so a key reaches the window only by passing.
        started = self.pause_test_program(DEFAULT_SETTINGS + "SendUnmatchedKeys=0\r\n")
        self.assertTrue(self.vakro.tray_tip("Vakro"))
        witness = self.focused_witness("paused")
        self.press_handled("Control_L", "Alt_L")  # half a chord: Alt is withheld
        self.assertTrue(self.guide_visible())
        self.pause_from_tray()
        self.wait_tip(paused=True)
        self.assertFalse(self.guide_visible())
        witness.focus()
        self.press_handled("c")
        self.wait_for_key_at(witness, ord("C"))
        self.release("Control_L", "Alt_L", "c")
        self.check_paused_keys_pass(witness)

        self.pause_from_tray(screenshot="tray-menu-paused")
        self.wait_tip(paused=False)
        self.check_chord_fires_once(witness, started)

    def test_pause_chord_switches_the_hot_keys_off_and_on(self):
        started = self.pause_test_program()
        witness = self.focused_witness("pausechord")
        self.hold("Control_L", "z")
        self.release("Control_L", "z")
        self.wait_tip(paused=True)
        self.check_paused_keys_pass(witness)
        self.hold("Control_L", "z")
        self.release("Control_L", "z")
        self.wait_tip(paused=False)
        self.check_chord_fires_once(witness, started)


class CurrentFolderTest(DesktopTestCase):
    """On a desktop of its own: this vakro runs from the build folder, the launcher tests' from a
    copy, and Wine keeps a killed program's hooks, so two copies of the hook library would both
    answer every key of the later tests."""

    hold = LauncherTest.hold
    release = LauncherTest.release

    def test_a_bare_program_name_is_never_found_in_the_current_folder(self):
        # A folder holding programs of its own (witnesses), one with the name of a system
        # program, one with a name nothing else has: vakro is started there (a shortcut's
        # "start in"), and the user browses into it.
        lure = os.path.join(self.desktop.prefix, "drive_c", "lure")
        os.makedirs(lure, exist_ok=True)
        for name in ("notepad.exe", "vakrolure.exe"):
            shutil.copy2(os.path.join(build_dir(), "tools", "witness.exe"), os.path.join(lure, name))
        # A program started without a working folder of its own reports vakro's current folder.
        started_log = self.desktop.log("no-work-folder.log")
        reporter = keydata_line([LEFT_CTRL, KEY_Z], Witness.program_wine(),
                                f'--log "{winpath(started_log.path)}" --hidden --title reporter', name="cwd", key_text="Ctrl+Z")
        v = Vakro(self.desktop, {
            "keydata.dat": keydata_line([LEFT_CTRL, KEY_Y], "vakrolure.exe", name="lure", key_text="Ctrl+Y") +
                           keydata_line([LEFT_CTRL, KEY_X], "notepad.exe", name="notepad", key_text="Ctrl+X") +
                           reporter,
            "vakro.dat": QUIET_SETTINGS}, program=built_program()).start(cwd=lure)
        self.addCleanup(v.stop)
        tool = v.tool
        v.show_settings_from_tray()
        v.click_control(ids.kPathButtonId)
        dialog = v.dialog("実行ファイルの選択")
        v.click(next(c for c in dialog.children if c.cls == "Edit" and c.visible))
        self.desktop.xdotool("type", "--delay", "12", "C:\\lure\\notepad.exe")
        self.desktop.xdotool("key", "Return")
        v.wait_text(ids.kPathId, "C:\\lure\\notepad.exe", timeout=15)
        v.close_with_title_bar()

        self.focused_witness("typing", confirmed=True)
        for key in ("z", "y", "x"):
            self.hold("Control_L", key)
            self.release("Control_L", key)
        self.assertEqual(started_log.wait_event("cwd", timeout=20).rest.rstrip("\\"),
                         winpath(os.path.join(build_dir(), "ui")), "the program's own folder")
        started = wait_until(lambda: tool.find("Notepad") or tool.find("VakroWitness", "witness"), 30,
                             "the started program's window")
        self.assertIsNone(tool.find("VakroWitness", "witness"), "a program in the browsed folder ran")
        tool.post(started, WM_CLOSE)


if __name__ == "__main__":
    unittest.main()
