"""The key-name and settings pages of the real vakro.exe in the Wine desktop: entry checks and
their messages, aliases reaching the assignments and the key guide, the guide's colours and
font, and the start-up shortcut."""

import os
import subprocess
import unittest

from vakro_e2e import Desktop, DesktopTestCase, Witness, build_dir, wait_until
from vakro_app import WinTool, keydata_line, place_companion

HERE = os.path.dirname(os.path.abspath(__file__))
APPDATA = os.path.join("drive_c", "users", "root", "AppData", "Roaming")
STARTUP = os.path.join(APPDATA, "Microsoft", "Windows", "Start Menu", "Programs", "StartUp")

# Control ids of the main window and the two pages.
ID_OK, ID_CLOSE = 102, 103
ID_KEY_NAME_LIST, ID_SRC_KEY, ID_DEST_NAME, ID_KEY_ADD, ID_KEY_UPDATE, ID_KEY_DELETE = range(301, 307)
ID_BACK_COLOR, ID_SEL_FONT, ID_START_UP = 412, 420, 422
ID_PROGRAM, ID_PLUG_PATH = 202, 502

CTRL_L, F12, KEY_A = "000029", "000088", "000030"
# A key Wine does not know reaches programs with scan code 0, which has no name.
NAMELESS_KEY, NAMELESS_CODE = "XF86Launch1", "000000"

MSG_DUPLICATE = "このキーは既に登録されています。"
MSG_NO_KEY = "キーを指定してください。"
MSG_NO_NAME = "割り当て名を指定してください。"


class Vakro:
    """vakro.exe with a prepared data folder, seen through tools/wintool.exe."""

    def __init__(self, desktop, files, cwd=None):
        self.desktop = desktop
        self.tool = WinTool(desktop)
        self.data = os.path.join(desktop.prefix, APPDATA, "Vakro")
        os.makedirs(self.data, exist_ok=True)
        for name in os.listdir(self.data):
            os.remove(os.path.join(self.data, name))
        for name, text in files.items():
            self.write(name, text)
        self.typing_target = None
        self.exe = os.path.join(build_dir(), "ui", "vakro.exe")
        place_companion(os.path.dirname(self.exe))
        self.process = desktop.run(self.exe, cwd=cwd)
        wait_until(lambda: self.main() is not None, 30, "the main window")

    def write(self, name, text):
        with open(os.path.join(self.data, name), "wb") as f:
            f.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932"))

    def read(self, name):
        with open(os.path.join(self.data, name), "rb") as f:
            return f.read().decode("cp932")

    # -- windows ---------------------------------------------------------------------------
    def top(self, cls=None, text=None, visible=None):
        for t in self.tool.tree(cls):
            if (text is None or t.text == text) and (visible is None or t.visible == visible):
                return t
        return None

    def main(self):
        return self.top(cls="TNodraWnd")

    def control(self, id):
        return self.main().find(id=id)

    def wait_top(self, what, timeout=15, **match):
        return wait_until(lambda: self.top(**match), timeout, what)

    def wait_gone(self, what, timeout=15, **match):
        wait_until(lambda: self.top(**match) is None, timeout, what)

    def wait_text(self, id, text, timeout=10):
        wait_until(lambda: self.control(id).text == text, timeout, f"{text!r} in control {id}")

    # -- actions ---------------------------------------------------------------------------
    def click(self, win):
        self.desktop.click(*win.centre)

    def click_control(self, id):
        self.click(self.control(id))

    def focus_typing_target(self):
        """Gives the keyboard to a program of vakro's bitness: the desktop's own window may be
        of the other one (in a WoW64 prefix), whose keys vakro's hooks never see."""
        if self.typing_target is None:
            self.typing_target = Witness(self.desktop, "typing-target", at=(20, 520, 240, 140))
        self.typing_target.focus()

    def show_settings(self):
        self.focus_typing_target()
        self.desktop.type_keys(["F12"])
        wait_until(lambda: self.main().visible, 15, "the settings window")

    def show_page(self, index, control_id, dpi=96):
        """Clicks the index-th tab until the page with the control shows. At another display
        scale the tabs' widths are not known: the first tab is clicked and the arrow keys go on."""
        tabs = self.main().find(cls="SysTabControl32")
        x, y, _, _ = tabs.rect
        guesses = (36 + 72 * index, 30 + 66 * index, 42 + 78 * index) if dpi == 96 else (20, 20, 20)
        for guess in guesses:
            if dpi == 96:
                self.desktop.click(x + guess, y + 10)
            else:
                self.desktop.click_until(x + guess * dpi // 96, y + 10 * dpi // 96,
                                         lambda: self.main().find(cls="SysTabControl32").focus,
                                         "the tabs to take the focus")
                self.desktop.xdotool("key", "Home", *["Right"] * index)
            try:
                wait_until(lambda: self.control(control_id).visible, 3, f"page {index}")
                return
            except AssertionError:
                pass
        raise AssertionError(f"page {index} did not show")

    def close_with_title_bar(self):
        x, y, w, _ = self.main().rect
        self.desktop.click(x + w - 14, y + 12)
        wait_until(lambda: not self.main().visible, 10, "the settings window to hide")

    def ok(self):
        self.click_control(ID_OK)
        wait_until(lambda: not self.main().visible, 10, "the settings window to hide after OK")

    def exit(self):
        if not self.main().visible:
            self.show_settings()
        self.click_control(ID_CLOSE)
        wait_until(lambda: self.process.poll() is not None, 30, "vakro to end")

    def type_text(self, id, text):
        """Replaces the text of an edit box by typing."""
        self.click_control(id)
        self.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
        if text:
            self.desktop.xdotool("type", "--delay", "30", text)
        self.wait_text(id, text)

    def error_message(self):
        """Waits for the error box; returns its text and closes it."""
        box = self.wait_top("an error box", cls="#32770", text="エラー", visible=True)
        message = next(c.text for c in box.children if c.cls == "Static" and c.text)
        self.click(box.find(cls="Button"))
        self.wait_gone("the error box to close", cls="#32770", text="エラー", visible=True)
        return message

    def guide(self):
        return self.top(cls="TKeyViewWnd", visible=True)

    def hold_for_guide(self, key="Control_L"):
        self.focus_typing_target()
        self.desktop.xdotool("keydown", key)
        return wait_until(self.guide, 10, "the key guide")

    def release(self, key="Control_L"):
        self.desktop.xdotool("keyup", key)
        wait_until(lambda: self.guide() is None, 10, "the key guide to hide")

    def screenshot_of(self, win, name):
        shot = self.desktop.screenshot(name + "-full")
        x, y, w, h = win.rect
        path = os.path.join(os.path.dirname(shot), name + ".png")
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True, timeout=30)
        return path

    def key_name(self, flags):
        return self.tool.key_names(flags)[flags]


def colours(png):
    """The colours of a picture as 0xRRGGBB, with their pixel counts."""
    out = subprocess.run(["convert", png, "-format", "%c", "histogram:info:-"], capture_output=True, text=True,
                         check=True, timeout=30).stdout
    result = {}
    for line in out.splitlines():
        count, _, rest = line.strip().partition(":")
        mark = rest.find("#")
        if mark >= 0:
            result[int(rest[mark + 1:mark + 7], 16)] = int(count)
    return result


def rgb(colorref):
    """0x00BBGGRR as 0xRRGGBB."""
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF)


SHOW = keydata_line([F12], "$show", name="Show", key_text="F12")
QUIET_SETTINGS = "[Setting]\nKeyViewPos=1\nHideCursor=0\nStartUp=0\n"


class SettingsPagesTest(DesktopTestCase):
    def start(self, files):
        vakro = Vakro(self.desktop, files)
        self.addCleanup(lambda: self.desktop.kill(vakro.process))
        return vakro

    def test_key_names_check_entries_and_rename_keys_everywhere(self):
        v = self.start({"keydata.dat": keydata_line([CTRL_L, NAMELESS_CODE], r"C:\one.exe", name="One", key_text="old1")
                                       + keydata_line([NAMELESS_CODE], r"C:\two.exe", name="Two", key_text="old2")
                                       + keydata_line([CTRL_L, KEY_A], r"C:\three.exe", name="Three", key_text="old3")
                                       + SHOW,
                        "keyname.dat": "", "vakro.dat": QUIET_SETTINGS})
        v.show_settings()
        v.show_page(1, ID_SRC_KEY)
        self.assertFalse(v.control(ID_KEY_UPDATE).enabled)
        self.assertFalse(v.control(ID_KEY_DELETE).enabled)

        # The box shows a key without a platform name as its digits; Ctrl+Backspace empties it.
        v.click_control(ID_SRC_KEY)
        wait_until(lambda: v.control(ID_SRC_KEY).focus, 10, "the source-key box to take the focus")
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ID_SRC_KEY, NAMELESS_CODE)
        v.desktop.xdotool("key", "ctrl+BackSpace")
        v.wait_text(ID_SRC_KEY, "")

        # Each check's message; a rejected entry leaves the fields as they were.
        v.click_control(ID_KEY_ADD)
        self.assertEqual(v.error_message(), MSG_NO_NAME)
        v.type_text(ID_DEST_NAME, "aliasx")
        v.click_control(ID_KEY_ADD)
        self.assertEqual(v.error_message(), MSG_NO_KEY)
        self.assertEqual(v.control(ID_DEST_NAME).text, "aliasx")
        v.click_control(ID_SRC_KEY)
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ID_SRC_KEY, NAMELESS_CODE)
        v.click_control(ID_KEY_ADD)
        v.wait_text(ID_SRC_KEY, "")
        self.assertEqual(v.control(ID_DEST_NAME).text, "")
        v.click_control(ID_SRC_KEY)
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ID_SRC_KEY, NAMELESS_CODE)
        v.type_text(ID_DEST_NAME, "dup")
        v.click_control(ID_KEY_ADD)
        self.assertEqual(v.error_message(), MSG_DUPLICATE)
        self.assertEqual((v.control(ID_SRC_KEY).text, v.control(ID_DEST_NAME).text), (NAMELESS_CODE, "dup"))

        # Selecting the row fills the fields; updating renames the key in every assignment using it.
        x, y, _, _ = v.control(ID_KEY_NAME_LIST).rect
        v.desktop.click(x + 40, y + 27)
        v.wait_text(ID_DEST_NAME, "aliasx")
        wait_until(lambda: v.control(ID_KEY_UPDATE).enabled, 10, "the update button to enable")
        v.type_text(ID_DEST_NAME, "renamed")
        v.click_control(ID_KEY_UPDATE)
        wait_until(lambda: v.control(ID_SRC_KEY).text == NAMELESS_CODE, 10, "the fields to stay")
        screenshot = v.screenshot_of(v.main(), "settings-keynames")
        v.ok()

        ctrl = v.key_name(0x1D << 16)
        lines = v.read("keydata.dat").splitlines()
        self.assertEqual([line.split(",")[-5] for line in lines],
                         [f"{ctrl}+renamed", "renamed", "old3", "F12"])
        self.assertEqual(v.read("keyname.dat"), f"{NAMELESS_CODE},renamed\r\n")
        guide = v.hold_for_guide()
        texts = [c.text for c in guide.children]
        v.release()
        self.assertIn("renamed", texts)
        v.exit()
        print(f"\nkey-name page: {screenshot}")

    def test_guide_colours_font_and_start_up_shortcut(self):
        v = self.start({"keydata.dat": keydata_line([CTRL_L, KEY_A], r"C:\none.exe", name="Prog", key_text="Control+A")
                                       + SHOW,
                        "vakro.dat": QUIET_SETTINGS})
        link = os.path.join(self.desktop.prefix, STARTUP, "Vakro.lnk")
        old_back, new_back = rgb(0xA0EBE9), 0x12C456

        def guide_look():
            guide = v.hold_for_guide()
            seen = colours(v.screenshot_of(guide, "guide"))
            v.release()
            return guide.rect, seen

        before_rect, before = guide_look()
        self.assertIn(old_back, before)

        v.show_settings()
        v.show_page(3, ID_SEL_FONT)
        screenshot = v.screenshot_of(v.main(), "settings-settings")
        # A new background colour for the odd rows, typed into the colour dialog.
        v.click_control(ID_BACK_COLOR)
        dialog = v.wait_top("the colour dialog", cls="#32770", text="色", visible=True)
        for edit_id, value in ((706, 0x12), (707, 0xC4), (708, 0x56)):
            v.click(dialog.find(id=edit_id))
            v.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
            v.desktop.xdotool("type", str(value))
        v.desktop.xdotool("key", "Tab")
        v.click(dialog.find(id=1))
        v.wait_gone("the colour dialog to close", cls="#32770", text="色", visible=True)
        # A larger font for the guide: it applies at once, before any save.
        v.click_control(ID_SEL_FONT)
        dialog = v.wait_top("the font dialog", cls="#32770", text="フォントの指定", visible=True)
        size = next(c for c in dialog.children if c.cls == "Edit" and c.text == "12")
        v.click(size)
        v.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
        v.desktop.xdotool("type", "30")
        v.click(dialog.find(id=1))
        v.wait_gone("the font dialog to close", cls="#32770", text="フォントの指定", visible=True)

        v.close_with_title_bar()
        unsaved_rect, unsaved = guide_look()
        self.assertGreater(unsaved_rect[3], before_rect[3] * 3 // 2, "the guide grows with the font")
        self.assertIn(old_back, unsaved, "the colour waits for a save")
        self.assertNotIn(new_back, unsaved)
        self.assertEqual(v.read("vakro.dat"), QUIET_SETTINGS.replace("\n", "\r\n"))
        self.assertFalse(os.path.exists(link))

        v.show_settings()
        v.click_control(ID_START_UP)
        v.ok()
        _, saved = guide_look()
        self.assertIn(new_back, saved)
        self.assertNotIn(old_back, saved)
        setting = v.read("vakro.dat")
        self.assertIn(f"BackColor={0x56C412}", setting)
        self.assertIn("StartUp=1", setting)
        self.assertIn("FontSize=30", setting)
        target = v.tool.link_target("C:\\" + os.path.relpath(link, os.path.join(self.desktop.prefix, "drive_c"))
                                    .replace("/", "\\"))
        self.assertTrue(target and target.lower().endswith("\\vakro.exe"), target)

        v.show_settings()
        v.click_control(ID_START_UP)
        v.ok()
        self.assertFalse(os.path.exists(link))
        self.assertIn("StartUp=0", v.read("vakro.dat"))
        v.exit()
        print(f"\nsettings page: {screenshot}")


def scaled(length, dpi):
    """A length of the 96-DPI layout at dpi, rounded half away from zero as the program does."""
    return (length * dpi + 48) // 96


class DisplayScaleTest(unittest.TestCase):
    """The four pages and the key guide with the prefix's display scale at 96, 120 and 144 DPI:
    laid out for the scale, on the screen, a screenshot of each kept."""

    PAGES = (("programs", ID_PROGRAM), ("keynames", ID_SRC_KEY), ("plugins", ID_PLUG_PATH),
             ("settings", ID_SEL_FONT))

    def run_at(self, dpi):
        with Desktop(f"{type(self).__name__}{dpi}", dpi=dpi) as desktop:
            v = Vakro(desktop, {
                "keydata.dat": keydata_line([CTRL_L, KEY_A], r"C:\Tools\editor.exe", name="エディタ",
                                            key_text="Control+A")
                               + keydata_line([CTRL_L, F12], r"C:\Tools\mail.exe", name="メール",
                                              key_text="Control+F12") + SHOW,
                "keyname.dat": f"{NAMELESS_CODE},拡張キー\r\n", "vakro.dat": QUIET_SETTINGS})
            try:
                v.show_settings()
                shots = {}
                for index, (name, control_id) in enumerate(self.PAGES):
                    v.show_page(index, control_id, dpi)
                    shots[name] = v.screenshot_of(v.main(), f"settings-{name}-{dpi}dpi")
                main = v.main()
                tabs = main.find(cls="SysTabControl32")
                # The client area is the 96-DPI one scaled; the window sits in the bottom-right
                # corner of the work area.
                self.assertEqual(tabs.rect[2], scaled(430, dpi))
                taskbar = v.tool.tree("Shell_TrayWnd")[0]
                self.assertEqual(main.edges[2:], (1024, taskbar.rect[1]))
                # Moved by its caption, the window opens there again, inside the work area.
                moved = self.drag_caption(v, dpi, -60, -40)
                v.ok()
                v.show_settings()
                x, y, w, h = moved.rect
                self.assertEqual(v.main().rect, (x, max(y, 0), w, h))
                v.ok()
                guide = v.hold_for_guide()
                shots["guide"] = v.screenshot_of(guide, f"key-guide-{dpi}dpi")
                v.release()
                first = min(guide.children, key=lambda c: (c.rect[1], c.rect[0]))
                # The edge around the rows is 4 pixels at 96 DPI, scaled; the guide is on the screen.
                self.assertEqual(first.rect[0] - guide.rect[0], scaled(4, dpi))
                self.assertEqual(first.rect[1] - guide.rect[1], scaled(4, dpi))
                self.assertEqual(guide.edges[:2], (0, 0))
                self.assertLessEqual(guide.edges[2], 1024)
                v.exit()
            finally:
                desktop.kill(v.process)
            for name, path in shots.items():
                print(f"\n{name} at {dpi} DPI: {path}")
            return first.rect[3], tabs.rect[3]

    @staticmethod
    def drag_caption(v, dpi, dx, dy):
        """Drags the settings window by its caption (Wine's move loop may take the pointer's
        first step twice); returns the window once it has come to rest elsewhere."""
        x, y, w, _ = v.main().rect
        grab = (x + w // 2, y + scaled(10, dpi))
        steps = [("mousemove", grab[0] + dx * i // 5, grab[1] + dy * i // 5) for i in range(1, 6)]
        v.desktop.xdotool("mousemove", *grab, "mousedown", 1, *[word for step in steps for word in step],
                          "mouseup", 1)
        seen = []

        def at_rest():
            seen.append(v.main())
            return len(seen) > 1 and seen[-1].rect[:2] != (x, y) and seen[-1].rect == seen[-2].rect and seen[-1]
        return wait_until(at_rest, 10, "the window to move")

    def test_pages_and_guide_follow_the_display_scale(self):
        sizes = [self.run_at(dpi) for dpi in (96, 120, 144)]
        row_heights = [row for row, _ in sizes]
        self.assertLess(row_heights[0], row_heights[1], "the guide's font keeps its points")
        self.assertLess(row_heights[1], row_heights[2])


if __name__ == "__main__":
    unittest.main()
