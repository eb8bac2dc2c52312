"""The key-name and settings pages of the real vakro.exe in the Wine desktop: entry checks and
their messages, aliases reaching the assignments and the key guide, the guide's colours and
font, and the start-up shortcut."""

import os
import subprocess
import unittest

from vakro_app import STARTUP, Vakro, built_program, ids, keydata_line
from vakro_e2e import Desktop, DesktopTestCase, wait_until

CTRL_L, F12, KEY_A = "000029", "000088", "000030"
# A key Wine does not know reaches programs with scan code 0, which has no name.
NAMELESS_KEY, NAMELESS_CODE = "XF86Launch1", "000000"

MSG_DUPLICATE = "このキーは既に登録されています。"
MSG_NO_KEY = "キーを指定してください。"
MSG_NO_NAME = "割り当て名を指定してください。"


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


BACK_COLOR_PANEL = ids.kColorPanelId + 2  # the third colour panel: the odd rows' background
SHOW = keydata_line([F12], "$show", name="Show", key_text="F12")
QUIET_SETTINGS = "[Setting]\r\nKeyViewPos=1\r\nHideCursor=0\r\nStartUp=0\r\n"


class SettingsPagesTest(DesktopTestCase):
    def start(self, files):
        vakro = Vakro(self.desktop, files, program=built_program()).start()
        self.addCleanup(vakro.stop)
        return vakro

    def test_key_names_check_entries_and_rename_keys_everywhere(self):
        v = self.start({"keydata.dat": keydata_line([CTRL_L, NAMELESS_CODE], r"C:\one.exe", name="One", key_text="old1")
                                       + keydata_line([NAMELESS_CODE], r"C:\two.exe", name="Two", key_text="old2")
                                       + keydata_line([CTRL_L, KEY_A], r"C:\three.exe", name="Three", key_text="old3")
                                       + SHOW,
                        "keyname.dat": "", "vakro.dat": QUIET_SETTINGS})
        v.show_settings()
        v.show_page(1, ids.kSrcKeyId)
        self.assertFalse(v.control(ids.kKeyUpdateId).enabled)
        self.assertFalse(v.control(ids.kKeyDeleteId).enabled)

        # The box shows a key without a platform name as its digits; Ctrl+Backspace empties it.
        v.click_control(ids.kSrcKeyId)
        wait_until(lambda: v.control(ids.kSrcKeyId).focus, 10, "the source-key box to take the focus")
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ids.kSrcKeyId, NAMELESS_CODE)
        v.desktop.xdotool("key", "ctrl+BackSpace")
        v.wait_text(ids.kSrcKeyId, "")

        # Each check's message; a rejected entry leaves the fields as they were.
        v.click_control(ids.kKeyAddId)
        self.assertEqual(v.error_message(), MSG_NO_NAME)
        v.type_into(ids.kDestNameId, "aliasx")
        v.click_control(ids.kKeyAddId)
        self.assertEqual(v.error_message(), MSG_NO_KEY)
        self.assertEqual(v.control(ids.kDestNameId).text, "aliasx")
        v.click_control(ids.kSrcKeyId)
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ids.kSrcKeyId, NAMELESS_CODE)
        v.click_control(ids.kKeyAddId)
        v.wait_text(ids.kSrcKeyId, "")
        self.assertEqual(v.control(ids.kDestNameId).text, "")
        v.click_control(ids.kSrcKeyId)
        v.desktop.type_keys([NAMELESS_KEY])
        v.wait_text(ids.kSrcKeyId, NAMELESS_CODE)
        v.type_into(ids.kDestNameId, "dup")
        v.click_control(ids.kKeyAddId)
        self.assertEqual(v.error_message(), MSG_DUPLICATE)
        self.assertEqual((v.control(ids.kSrcKeyId).text, v.control(ids.kDestNameId).text), (NAMELESS_CODE, "dup"))

        # Selecting the row fills the fields; updating renames the key in every assignment using it.
        x, y, _, _ = v.control(ids.kKeyNameListId).rect
        v.desktop.click(x + 40, y + 27)
        v.wait_text(ids.kDestNameId, "aliasx")
        wait_until(lambda: v.control(ids.kKeyUpdateId).enabled, 10, "the update button to enable")
        v.type_into(ids.kDestNameId, "renamed")
        v.click_control(ids.kKeyUpdateId)
        wait_until(lambda: v.control(ids.kSrcKeyId).text == NAMELESS_CODE, 10, "the fields to stay")
        screenshot = v.screenshot_of(v.settings(), "settings-keynames")

        # The find box filters by key or name, any letter case; Escape shows every row again.
        def rows():
            return v.tool.run("rows", hex(v.control(ids.kKeyNameListId).hwnd))[1].splitlines()
        v.type_into(ids.kKeyNameFindId, "xyz")
        v.wait_text(ids.kKeyNameFindCountId, "0 / 1 件")
        self.assertEqual(rows(), [])
        v.type_into(ids.kKeyNameFindId, "RENAM")
        v.wait_text(ids.kKeyNameFindCountId, "1 / 1 件")
        self.assertEqual([row.split("\t")[1:] for row in rows()], [[NAMELESS_CODE, "renamed"]])
        v.desktop.xdotool("key", "Escape")
        v.wait_text(ids.kKeyNameFindId, "", "the find box emptied by Escape")
        v.wait_text(ids.kKeyNameFindCountId, "")
        self.assertEqual(len(rows()), 1)
        v.ok()

        ctrl = v.key_names(0x1D << 16)[0x1D << 16]
        lines = v.data_text("keydata.dat").splitlines()
        self.assertEqual([line.split(",")[-5] for line in lines],
                         [f"{ctrl}+renamed", "renamed", "old3", "F12"])
        self.assertEqual(v.data_text("keyname.dat"), f"{NAMELESS_CODE},renamed\r\n")
        guide = v.hold_for_guide()
        texts = [c.text for c in guide.children]
        v.release_held()
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
            v.release_held()
            return guide.rect, seen

        before_rect, before = guide_look()
        self.assertIn(old_back, before)

        v.show_settings()
        v.show_page(3, ids.kSelFontId)
        screenshot = v.screenshot_of(v.settings(), "settings-settings")
        # A new background colour for the odd rows, typed into the colour dialog.
        v.click_control(BACK_COLOR_PANEL)
        dialog = v.dialog("色")
        for edit_id, value in ((706, 0x12), (707, 0xC4), (708, 0x56)):
            v.click(dialog.find(id=edit_id))
            v.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
            v.desktop.xdotool("type", str(value))
        v.desktop.xdotool("key", "Tab")
        v.click(dialog.find(id=1))
        v.wait_dialog_closed("色")
        # A larger font for the guide: like the colour, it applies at once, before any save.
        v.click_control(ids.kSelFontId)
        dialog = v.dialog("フォントの指定")
        size = next(c for c in dialog.children if c.cls == "Edit" and c.text == "12")
        v.click(size)
        v.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
        v.desktop.xdotool("type", "30")
        v.click(dialog.find(id=1))
        v.wait_dialog_closed("フォントの指定")

        v.close_with_title_bar()
        unsaved_rect, unsaved = guide_look()
        self.assertGreater(unsaved_rect[3], before_rect[3] * 3 // 2, "the guide grows with the font")
        self.assertIn(new_back, unsaved, "the colour applies at once, as the font does")
        self.assertNotIn(old_back, unsaved)
        self.assertEqual(v.data_text("vakro.dat"), QUIET_SETTINGS)
        self.assertFalse(os.path.exists(link))

        v.show_settings()
        v.click_control(ids.kStartUpId)
        v.ok()
        _, saved = guide_look()
        self.assertIn(new_back, saved)
        self.assertNotIn(old_back, saved)
        setting = v.data_text("vakro.dat")
        self.assertIn(f"BackColor={0x56C412}", setting)
        self.assertIn("StartUp=1", setting)
        self.assertIn("FontSize=30", setting)
        target = v.tool.link_target("C:\\" + os.path.relpath(link, os.path.join(self.desktop.prefix, "drive_c"))
                                    .replace("/", "\\"))
        self.assertTrue(target and target.lower().endswith("\\vakro.exe"), target)

        v.show_settings()
        v.click_control(ids.kStartUpId)
        v.ok()
        self.assertFalse(os.path.exists(link))
        self.assertIn("StartUp=0", v.data_text("vakro.dat"))
        v.exit()
        print(f"\nsettings page: {screenshot}")


def scaled(length, dpi):
    """A length of the 96-DPI layout at dpi, rounded half away from zero as the program does."""
    return (length * dpi + 48) // 96


class DisplayScaleTest(unittest.TestCase):
    """The four pages and the key guide with the prefix's display scale at 96, 120 and 144 DPI:
    laid out for the scale, on the screen, a screenshot of each kept."""

    PAGES = (("programs", ids.kProgramId), ("keynames", ids.kSrcKeyId), ("plugins", ids.kPlugPathId),
             ("settings", ids.kSelFontId))

    def run_at(self, dpi):
        with Desktop(f"{type(self).__name__}{dpi}", dpi=dpi) as desktop:
            v = Vakro(desktop, {
                "keydata.dat": keydata_line([CTRL_L, KEY_A], r"C:\Tools\editor.exe", name="エディタ",
                                            key_text="Control+A")
                               + keydata_line([CTRL_L, F12], r"C:\Tools\mail.exe", name="メール",
                                              key_text="Control+F12") + SHOW,
                "keyname.dat": f"{NAMELESS_CODE},拡張キー\r\n", "vakro.dat": QUIET_SETTINGS}, program=built_program())
            try:
                v.start()
                v.show_settings()
                shots = {}
                for index, (name, control_id) in enumerate(self.PAGES):
                    v.show_page(index, control_id, dpi)
                    shots[name] = v.screenshot_of(v.settings(), f"settings-{name}-{dpi}dpi")
                main = v.settings()
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
                self.assertEqual(v.settings().rect, (x, max(y, 0), w, h))
                v.ok()
                guide = v.hold_for_guide()
                shots["guide"] = v.screenshot_of(guide, f"key-guide-{dpi}dpi")
                v.release_held()
                first = min(guide.children, key=lambda c: (c.rect[1], c.rect[0]))
                # The edge around the rows is 4 pixels at 96 DPI, scaled; the guide is on the screen.
                self.assertEqual(first.rect[0] - guide.rect[0], scaled(4, dpi))
                self.assertEqual(first.rect[1] - guide.rect[1], scaled(4, dpi))
                self.assertEqual(guide.edges[:2], (0, 0))
                self.assertLessEqual(guide.edges[2], 1024)
                v.exit()
            finally:
                v.stop()
            for name, path in shots.items():
                print(f"\n{name} at {dpi} DPI: {path}")
            return first.rect[3], tabs.rect[3]

    @staticmethod
    def drag_caption(v, dpi, dx, dy):
        """Drags the settings window by its caption (Wine's move loop may take the pointer's
        first step twice); returns the window once it has come to rest elsewhere."""
        x, y, w, _ = v.settings().rect
        grab = (x + w // 2, y + scaled(10, dpi))
        steps = [("mousemove", grab[0] + dx * i // 5, grab[1] + dy * i // 5) for i in range(1, 6)]
        v.desktop.xdotool("mousemove", *grab, "mousedown", 1, *[word for step in steps for word in step],
                          "mouseup", 1)
        seen = []

        def at_rest():
            seen.append(v.settings())
            return len(seen) > 1 and seen[-1].rect[:2] != (x, y) and seen[-1].rect == seen[-2].rect and seen[-1]
        return wait_until(at_rest, 10, "the window to move")

    def test_pages_and_guide_follow_the_display_scale(self):
        sizes = [self.run_at(dpi) for dpi in (96, 120, 144)]
        row_heights = [row for row, _ in sizes]
        self.assertLess(row_heights[0], row_heights[1], "the guide's font keeps its points")
        self.assertLess(row_heights[1], row_heights[2])


if __name__ == "__main__":
    unittest.main()
