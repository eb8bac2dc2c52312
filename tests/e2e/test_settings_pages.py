"""The key-name and settings pages of the real vakro.exe in the Wine desktop: entry checks and
their messages, aliases reaching the assignments and the key guide, the guide's colours and
font, and the start-up shortcut."""

import os
import subprocess
import unittest

from vakro_e2e import WINE, DesktopTestCase, build_dir, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
APPDATA = os.path.join("drive_c", "users", "root", "AppData", "Roaming")
STARTUP = os.path.join(APPDATA, "Microsoft", "Windows", "Start Menu", "Programs", "StartUp")

# Control ids of the main window and the two pages.
ID_OK, ID_CLOSE = 102, 103
ID_KEY_NAME_LIST, ID_SRC_KEY, ID_DEST_NAME, ID_KEY_ADD, ID_KEY_UPDATE, ID_KEY_DELETE = range(301, 307)
ID_BACK_COLOR, ID_SEL_FONT, ID_START_UP = 412, 420, 422

CTRL_L, F12, KEY_A = "000029", "000088", "000030"
# F13 as xdotool sends it reaches Wine with scan code 91, a key Wine has no name for.
NAMELESS_KEY, NAMELESS_CODE = "F13", "000091"

MSG_DUPLICATE = "このキーは既に登録されています。"
MSG_NO_KEY = "キーを指定してください。"
MSG_NO_NAME = "割り当て名を指定してください。"


class Win:
    """One window as tools/wintree.exe saw it."""

    def __init__(self, line):
        head, _, self.text = line.partition(" text=")
        words = head.split()
        self.depth = int(words[0])
        fields = dict(w.split("=", 1) for w in words[1:])
        self.hwnd = int(fields["hwnd"], 16)
        self.id = int(fields["id"])
        self.visible = fields["visible"] == "1"
        self.enabled = fields["enabled"] == "1"
        self.focus = fields["focus"] == "1"
        self.rect = tuple(map(int, fields["rect"].split(",")))
        self.cls = fields["class"]
        self.children = []

    @property
    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def find(self, id=None, cls=None, text=None):
        for c in self.children:
            if (id is None or c.id == id) and (cls is None or c.cls == cls) and (text is None or c.text == text):
                return c
        return None

    def __repr__(self):
        return f"<{self.cls} id={self.id} visible={self.visible} rect={self.rect} text={self.text!r}>"


class Vakro:
    """vakro.exe with a prepared data folder, seen through tools/wintree.exe."""

    def __init__(self, desktop, files):
        self.desktop = desktop
        self.data = os.path.join(desktop.prefix, APPDATA, "Vakro")
        os.makedirs(self.data, exist_ok=True)
        for name in os.listdir(self.data):
            os.remove(os.path.join(self.data, name))
        for name, text in files.items():
            self.write(name, text)
        self.exe = os.path.join(build_dir(), "ui", "vakro.exe")
        self.process = desktop.run(self.exe)
        wait_until(lambda: self.main() is not None, 30, "the main window")

    def write(self, name, text):
        with open(os.path.join(self.data, name), "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("cp932"))

    def read(self, name):
        with open(os.path.join(self.data, name), "rb") as f:
            return f.read().decode("cp932")

    # -- windows ---------------------------------------------------------------------------
    def tops(self):
        out = subprocess.run([WINE, os.path.join(build_dir(), "tools", "wintree.exe")], env=self.desktop.env(),
                             capture_output=True, timeout=60).stdout.decode("cp932", "replace")
        tops = []
        for line in out.splitlines():
            if " hwnd=" not in line:
                continue
            win = Win(line)
            if win.depth == 0:
                tops.append(win)
            elif tops:
                tops[-1].children.append(win)
        return tops

    def top(self, cls=None, text=None, visible=None):
        for t in self.tops():
            if (cls is None or t.cls == cls) and (text is None or t.text == text) and \
                    (visible is None or t.visible == visible):
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

    def show_settings(self):
        self.desktop.type_keys(["F12"])
        wait_until(lambda: self.main().visible, 15, "the settings window")

    def show_page(self, index, control_id):
        """Clicks the index-th tab until the page with the control shows."""
        tabs = self.main().find(cls="SysTabControl32")
        x, y, _, _ = tabs.rect
        for guess in (36 + 72 * index, 30 + 66 * index, 42 + 78 * index):
            self.desktop.click(x + guess, y + 10)
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
        return subprocess.run([WINE, os.path.join(build_dir(), "tools", "wintree.exe"), "--keyname", f"{flags:x}"],
                              env=self.desktop.env(), capture_output=True, timeout=60).stdout.decode("cp932").strip()


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


if __name__ == "__main__":
    unittest.main()
