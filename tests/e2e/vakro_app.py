"""vakro.exe in an end-to-end desktop: its data folder prepared, the program started from a
folder of its own, its windows found and talked to through tools/wintool.exe."""

import os
import shutil
import subprocess
import types

from vakro_e2e import Witness, build_dir, is_32_bit_build, wait_until, winpath


def generated_ids():
    """The control ids and message numbers of the program, as the build wrote them from its
    headers into vakro_ids.py of the build folder's tests/e2e."""
    path = os.path.join(build_dir(), "tests", "e2e", "vakro_ids.py")
    if not os.path.exists(path):
        raise AssertionError(f"no {path}: build the program first")
    module = types.ModuleType("vakro_ids")
    with open(path, encoding="utf-8") as f:
        exec(compile(f.read(), path, "exec"), module.__dict__)
    return module


ids = generated_ids()

WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_SYSCOMMAND = 0x0112
WM_LBUTTONDBLCLK = 0x0203
SC_CLOSE = 0xF060
DATA_FILES = ("keydata.dat", "keyname.dat", "plugin.dat", "vakro.dat")
# Folders of the prefix's user: the program's data folder and the start-up folder of its shortcut.
APPDATA = os.path.join("drive_c", "users", "root", "AppData", "Roaming")
DATA_FOLDER = os.path.join(APPDATA, "Vakro")
STARTUP = os.path.join(APPDATA, "Microsoft", "Windows", "Start Menu", "Programs", "StartUp")

# Key codes of the keys the tests press (scan codes of a standard keyboard).
LEFT_CTRL, LEFT_ALT, KEY_X, KEY_Y, KEY_Z = "000029", "000056", "000045", "000021", "000044"


def sjis(text):
    return text.encode("cp932")


def keydata_line(keys, path, arguments="", work="", name="", key_text="", repeat=False, scope=None, options=None):
    """One line of keydata.dat, quoted as the program writes it; `scope` ("only,a.exe") is item 7,
    `options` ("raise,minimize", "sequence") item 8."""
    def item(text):
        if text and not any(c in text for c in ' ",') and all(ord(c) > 32 for c in text):
            return text
        return '"' + text.replace('"', '""') + '"' if text else ""
    codes = ",".join(keys)
    items = [item(codes), item(name), item(key_text), item(path), item(arguments), item(work),
             "true" if repeat else "false"] + ([item(scope or "")] if scope or options else [])
    items += [item(options)] if options else []
    return ",".join(items) + "\r\n"


def built_program():
    """vakro.exe where the build made it, with the hook companion beside it as in the release."""
    folder = os.path.join(build_dir(), "ui")
    place_companion(folder)
    return os.path.join(folder, "vakro.exe")


def hook_program():
    """The hook process of vakro's own bitness, which lies beside vakro.exe."""
    return "vakrohook.exe" if is_32_bit_build() else "vakrohook64.exe"


def place_companion(folder):
    """As in the 32-bit release: the x64 hook process in folder\\x64 (from the x64 build beside
    this one), which the 32-bit vakro starts. The x64 build's own lies beside its vakro.exe."""
    if not is_32_bit_build():
        return
    x64 = os.path.join(folder, "x64")
    os.makedirs(x64, exist_ok=True)
    shutil.copy2(os.path.join(os.path.dirname(build_dir()), "win64", "ui", "vakrohook64.exe"), x64)


def companion_processes(tool):
    """{"program": id, "companion": id} of the running hook companion, or None."""
    status, out = tool.run("companion")
    return dict((k, int(v)) for k, v in (w.split("=") for w in out.split())) if status == 0 else None


class Window:
    """One window as a line of tools/wintool.exe describes it. In a tree listing a top-level
    window carries all its descendants in children."""

    def __init__(self, line):
        head, _, self.text = line.partition(" text=")
        fields = dict(word.split("=", 1) for word in head.split())
        self.hwnd = int(fields["hwnd"], 16)
        self.depth = int(fields["depth"])
        self.id = int(fields["id"])
        self.visible = fields["visible"] == "1"
        self.enabled = fields["enabled"] == "1"
        self.focus = fields["focus"] == "1"
        self.rect = tuple(map(int, fields["rect"].split(",")))  # x, y, width, height
        self.cls = fields["class"]
        self.children = []

    @property
    def title(self):
        return self.text

    @property
    def edges(self):
        """left, top, right, bottom"""
        x, y, w, h = self.rect
        return x, y, x + w, y + h

    @property
    def centre(self):
        x, y, w, h = self.rect
        return x + w // 2, y + h // 2

    def find(self, id=None, cls=None, text=None):
        """The first descendant that matches, or None."""
        for c in self.children:
            if (id is None or c.id == id) and (cls is None or c.cls == cls) and (text is None or c.text == text):
                return c
        return None

    def control(self, id):
        control = self.find(id=id)
        if control is None:
            raise AssertionError(f"no control {id} in {self!r}")
        return control

    def __repr__(self):
        return f"<{self.cls} id={self.id} visible={self.visible} rect={self.rect} text={self.text!r}>"


def windows_of(out):
    """The Window of each line of a wintool listing."""
    return [Window(line) for line in out.splitlines() if line.startswith("hwnd=")]


class WinTool:
    def __init__(self, desktop):
        self.desktop = desktop
        self.path = os.path.join(build_dir(), "tools", "wintool.exe")

    def run(self, *args, check=False):
        result = subprocess.run([self.desktop_wine(), self.path, *map(str, args)], env=self.desktop.env(),
                                capture_output=True, timeout=60)
        if check and result.returncode != 0:
            raise AssertionError(f"wintool {args} failed: {result.returncode}")
        return result.returncode, result.stdout.decode("cp932", "replace")

    @staticmethod
    def desktop_wine():
        return "/usr/lib/wine/wine64"

    def find(self, window_class, title=None):
        args = ["find", window_class] + ([title] if title else [])
        status, out = self.run(*args)
        return int(out.strip(), 16) if status == 0 and out.strip() else None

    def tree(self, window_class=None):
        """The top-level windows (of the class, when given), each with its descendants."""
        tops = []
        for window in windows_of(self.run("tree", *([window_class] if window_class else []))[1]):
            if window.depth == 0:
                tops.append(window)
            elif tops:
                tops[-1].children.append(window)
        return tops

    def info(self, hwnd):
        """The Window of a handle; None when it is gone."""
        status, out = self.run("info", hex(hwnd))
        found = windows_of(out) if status == 0 else []
        return found[0] if found else None

    def foreground(self):
        found = windows_of(self.run("foreground")[1])
        return found[0] if found else None

    def key_names(self, *flags):
        """{flags: the platform's name of the key} for keystroke flags (scan code in bits 16-23)."""
        out = self.run("keyname", *[f"{f:08x}" for f in flags], check=True)[1]
        return {int(line[:8], 16): line[9:] for line in out.splitlines()}

    def link_target(self, link):
        """The target of a shortcut (a Windows path), or None."""
        status, out = self.run("link", link)
        return out.strip() if status == 0 else None

    def text(self, hwnd):
        """The window's text as its program answers WM_GETTEXT; None when it does not answer."""
        status, out = self.run("text", hex(hwnd))
        return out if status == 0 else None

    def send(self, hwnd, message, wparam=0, lparam=0):
        return self.run("send", hex(hwnd), hex(message), hex(wparam), hex(lparam))[0] == 0

    def post(self, hwnd, message, wparam=0, lparam=0):
        return self.run("post", hex(hwnd), hex(message), hex(wparam), hex(lparam))[0] == 0

    def tool_tips(self):
        """The texts of every tool tip of the desktop (the tray icons' tips among them). The shell
        is a 64-bit program: the x64 build's tool asks it when there is one, as tool tip records
        hold pointers."""
        x64 = os.path.join(os.path.dirname(build_dir()), "win64", "tools", "wintool.exe")
        tool = WinTool(self.desktop)
        if os.path.exists(x64):
            tool.path = x64
        return tool.run("tips")[1].splitlines()

    def property(self, hwnd, name):
        """A window property's value as a number; None when the window is gone."""
        status, out = self.run("prop", hex(hwnd), name)
        return int(out) if status == 0 else None

    def dialog_texts(self, caption):
        """Texts of the controls of the visible dialogs with this caption ([] when none)."""
        status, out = self.run("texts", caption)
        return [] if status != 0 else [line for line in out.splitlines() if not line.startswith("dialog ")]

    def press(self, caption, button):
        return self.run("press", caption, button)[0] == 0


class Vakro:
    """One vakro.exe run and its settings window. The program is the build's copied with
    NodraLib.dll into a folder of the desktop, or the vakro.exe given; its data folder in the
    desktop's prefix is written beforehand. Its windows are read through tools/wintool.exe and
    driven with real input."""

    def __init__(self, desktop, files=None, program=None):
        self.desktop = desktop
        self.tool = WinTool(desktop)
        if program:
            self.exe, self.folder = program, os.path.dirname(program)
        else:
            self.folder = os.path.join(desktop.folder, "app")
            os.makedirs(self.folder, exist_ok=True)
            for name in ("vakro.exe", "NodraLib.dll", hook_program()):
                shutil.copy2(os.path.join(build_dir(), "ui", name), self.folder)
            place_companion(self.folder)
            self.exe = os.path.join(self.folder, "vakro.exe")
        self.data = os.path.join(desktop.prefix, DATA_FOLDER)
        os.makedirs(self.data, exist_ok=True)
        for name in DATA_FILES:
            path = os.path.join(self.data, name)
            if os.path.exists(path):
                os.remove(path)
        for name, content in (files or {}).items():
            with open(os.path.join(self.data, name), "wb") as f:
                f.write(sjis(content) if isinstance(content, str) else content)
        self.process = None
        self.main = self.guide = None
        self.typing_target = None

    # -- the program -----------------------------------------------------------------------
    def start(self, cwd=None, loaded=True):
        """Starts the program and finds its windows; with loaded, waits until it has read its
        data files too."""
        # A vakro killed just before may not have let go of its mutex yet: a start then would end
        # silently, as a second start does.
        wait_until(lambda: self.tool.run("mutex", "_NodraAppMutex")[0] != 0, 30, "the vakro before to end")
        # Its windows may outlive the mutex for a moment: the window found must be the new one's.
        wait_until(lambda: not self.tool.find("TNodraWnd"), 30, "the windows of the vakro before to go")
        errors = os.path.join(self.desktop.folder, "vakro-start.log")
        self.process = self.desktop.run(self.exe, cwd=cwd, errors=errors)
        try:
            self.main = self.desktop.wait_started(self.process, lambda: self.tool.find("TNodraWnd"), 60,
                                                  "vakro's main window", errors)
            self.guide = wait_until(lambda: self.tool.find("TKeyViewWnd"), 30, "vakro's key guide window")
            if loaded:
                self.wait_loaded()
        except BaseException:
            ended = self.process.poll()
            print(f"\nvakro's start failed; its process {'runs' if ended is None else f'ended with {ended:#x}'}")
            # A vakro left running would hold its mutex, and every start after it would fail.
            self.stop()
            raise
        return self

    def wait_loaded(self):
        # The data files are read after the windows exist: wait for the caption set last, and for
        # the hook process, which names itself once its hook is in place.
        wait_until(lambda: self.title().startswith("Vakro 0"), 30, "vakro to finish starting")
        own = self.process_id()
        wait_until(lambda: (companion_processes(self.tool) or {}).get("program") == own, 30, "vakro's keyboard hook")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.desktop.kill(self.process)

    def exited(self):
        return self.process.poll() is not None

    def process_id(self):
        """The Windows process id of vakro."""
        return int(self.tool.run("process", hex(self.main), check=True)[1].split("pid=")[1].split()[0])

    def title(self):
        window = self.tool.info(self.main)
        return window.title if window else ""

    def data_file(self, name):
        path = os.path.join(self.data, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def data_text(self, name):
        return self.data_file(name).decode("cp932")

    def wine_path(self, *parts):
        return winpath(os.path.join(self.folder, *parts))

    # -- the key guide and the tray ----------------------------------------------------------
    def guide_info(self):
        """The key guide's Window; None when it is gone."""
        return self.tool.info(self.guide)

    def guide_visible(self):
        window = self.guide_info()
        return window is not None and window.visible

    def shown_guide(self):
        """The visible key guide with its rows, or None."""
        return self.visible_window("TKeyViewWnd")

    def hold_for_guide(self, key="Control_L"):
        """Holds the key down in the typing target until the guide shows; returns the guide."""
        self.focus_typing_target()
        self.desktop.xdotool("keydown", key)
        return wait_until(self.shown_guide, 10, "the key guide")

    def release_held(self, key="Control_L"):
        self.desktop.xdotool("keyup", key)
        wait_until(lambda: self.shown_guide() is None, 10, "the key guide to hide")

    def keys_handled(self):
        """How many key reports the key guide window has handled."""
        return self.tool.property(self.guide, ids.NL_KEYS_HANDLED_PROPERTY) or 0

    def tray_tip(self, tip):
        """Whether the tray shows a tip that is exactly this text."""
        return tip in self.tool.tool_tips()

    def focus_typing_target(self):
        """Gives the keyboard to a program of vakro's bitness: the desktop's own window may be
        of the other one (in a WoW64 prefix), whose keys vakro's hooks never see."""
        if self.typing_target is None:
            self.typing_target = Witness(self.desktop, "typing-target", at=(20, 520, 240, 140))
        self.typing_target.focus()

    # -- windows -----------------------------------------------------------------------------
    def visible_windows(self, window_class):
        """The visible top-level windows of the class, each with its descendants."""
        return [window for window in self.tool.tree(window_class) if window.visible]

    def visible_window(self, window_class, title=None):
        return next((w for w in self.visible_windows(window_class) if title is None or w.title == title), None)

    def dialog(self, title, timeout=15):
        """Waits for the visible dialog box with the title; returns it with its controls."""
        return wait_until(lambda: self.visible_window("#32770", title), timeout, f"the dialog {title!r}")

    def wait_dialog_closed(self, title, timeout=15):
        wait_until(lambda: self.visible_window("#32770", title) is None, timeout, f"the dialog {title!r} to close")

    def error_message(self):
        """Waits for a message box, checks that it is an error box and closes it; returns its text."""
        box = wait_until(lambda: self.visible_window("#32770"), 10, "a message box")
        if box.title != "エラー":
            raise AssertionError(f"not an error box: {box!r}")
        text = next(c.text for c in box.children if c.cls == "Static" and c.text)
        self.click(box.find(cls="Button"))
        wait_until(lambda: not self.visible_windows("#32770"), 10, "the message box to close")
        return text

    def screenshot_of(self, window, name):
        """A screenshot of the desktop cut to the window; its path."""
        shot = self.desktop.screenshot(name + "-full")
        x, y, w, h = window.rect
        path = os.path.join(os.path.dirname(shot), name + ".png")
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True, timeout=30)
        return path

    def key_names(self, *flags):
        """{flags: the platform's name of the key}; every key must have one."""
        names = self.tool.key_names(*flags)
        assert all(names.values()), names
        return names

    # -- the settings window: observing --------------------------------------------------------
    def settings_visible(self):
        window = self.tool.info(self.main)
        return window is not None and window.visible

    def listed_settings(self):
        """The visible settings window with its controls as one listing saw it, or None: a
        listing can miss it while a message box closes."""
        return self.visible_window("TNodraWnd")

    def settings(self):
        """The visible settings window, listed again until a listing finds it."""
        return wait_until(self.listed_settings, 10, "the settings window")

    def control(self, control_id):
        return self.settings().control(control_id)

    def wait_text(self, control_id, text, what=None, timeout=10):
        """Waits until the control shows the text; returns the settings window as then listed."""
        def shown():
            window = self.listed_settings()
            return window if window and window.control(control_id).text == text else None
        return wait_until(shown, timeout, what or f"{text!r} in control {control_id}")

    def chord_box_focused(self):
        window = self.listed_settings()
        return window is not None and window.control(ids.kKeyId).focus

    # -- the settings window: acting -----------------------------------------------------------
    def click(self, window):
        self.desktop.click(*window.centre)

    def click_control(self, control_id):
        self.click(self.control(control_id))

    def type_into(self, control_id, text):
        """Replaces the text of an edit box by typing."""
        self.click_control(control_id)
        self.desktop.xdotool("key", "End", "shift+Home", "BackSpace")
        if text:
            self.desktop.xdotool("type", "--delay", "2", text)
        self.wait_text(control_id, text)

    def record_chord(self, *keys):
        """Holds the keys down in order in the chord box of the programs page, then releases them."""
        self.click_control(ids.kKeyId)
        wait_until(self.chord_box_focused, 10, "the chord box to have the focus")
        self.desktop.xdotool(*[a for k in keys for a in ("keydown", k)], *[a for k in reversed(keys) for a in ("keyup", k)])

    def show_settings(self):
        """Shows the settings window with F12 (an assignment of $show) typed into the typing target."""
        self.focus_typing_target()
        self.desktop.type_keys(["F12"])
        wait_until(self.settings_visible, 15, "the settings window")

    def show_settings_from_tray(self):
        """Shows the settings window as a double click on the tray icon does; returns it."""
        self.tool.post(self.main, ids.WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK)
        wait_until(self.settings_visible, 15, "the settings window")
        return self.settings()

    def show_page(self, index, control_id, dpi=96):
        """Clicks the index-th tab until the page with the control shows. At another display
        scale the tabs' widths are not known: the first tab is clicked and the arrow keys go on."""
        x, y, _, _ = self.settings().find(cls="SysTabControl32").rect
        guesses = (36 + 72 * index, 30 + 66 * index, 42 + 78 * index) if dpi == 96 else (20, 20, 20)
        for guess in guesses:
            if dpi == 96:
                self.desktop.click(x + guess, y + 10)
            else:
                self.desktop.click_until(x + guess * dpi // 96, y + 10 * dpi // 96,
                                         lambda: self.settings().find(cls="SysTabControl32").focus,
                                         "the tabs to take the focus")
                self.desktop.xdotool("key", "Home", *["Right"] * index)
            try:
                wait_until(lambda: self.control(control_id).visible, 3, f"page {index}")
                return
            except AssertionError:
                pass
        raise AssertionError(f"page {index} did not show")

    def hide_settings(self):
        self.tool.post(self.main, WM_SYSCOMMAND, SC_CLOSE, 0)
        wait_until(lambda: not self.settings_visible(), 10, "the settings window to hide")

    def close_with_title_bar(self):
        x, y, w, _ = self.settings().rect
        self.desktop.click(x + w - 14, y + 12)
        wait_until(lambda: not self.settings_visible(), 10, "the settings window to hide")

    def ok(self):
        self.click_control(ids.kOKId)
        wait_until(lambda: not self.settings_visible(), 10, "the settings window to hide after OK")

    def exit(self):
        if not self.settings_visible():
            self.show_settings()
        self.click_control(ids.kCloseId)
        wait_until(self.exited, 30, "vakro to end")
