"""End-to-end harness: Windows programs under Wine in a virtual desktop on a private X display.

One Desktop is an Xvfb display, a copy of the test Wine prefix, its wineserver and the Wine
"shell" desktop. Programs are started by path, their windows are clicked and typed into with
xdotool (real X input), and what they log is read back from files. Everything the harness
starts is ended by process id when the desktop closes, also after a failure.
"""

import os
import shutil
import signal
import subprocess
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
VK_F12 = 0x7B
BINARY_SUFFIXES = {".dll", ".exe", ".drv", ".sys", ".ocx", ".acm", ".cpl", ".tlb", ".nls", ".msstyles", ".ax"}


def build_dir():
    return os.environ.get("VAKRO_BUILD_DIR", os.path.join(REPO, "build", "win64"))


def is_32_bit_build():
    """Whether build_dir() holds the 32-bit programs (PE machine i386)."""
    with open(os.path.join(build_dir(), "tools", "witness.exe"), "rb") as f:
        data = f.read(4096)
    offset = int.from_bytes(data[0x3C:0x40], "little")
    return data[offset + 4:offset + 6] == b"\x4c\x01"


# The build folder is drive V: of every test desktop, so the paths that programs see (and that
# the app finder cuts at 260 characters) do not grow with the folder the repository lies in.
BUILD_DRIVE = "v:"


def winpath(path):
    """The Wine path of a Unix path: through drive V: inside the build folder, else Z:."""
    path = os.path.abspath(path)
    inside = os.path.relpath(path, build_dir())
    if inside != os.pardir and not inside.startswith(os.pardir + os.sep):
        return BUILD_DRIVE.upper() + "\\" + ("" if inside == os.curdir else inside.replace("/", "\\"))
    return "Z:" + path.replace("/", "\\")


def wait_until(condition, timeout=10.0, what="condition", interval=0.01):
    """Polls condition() until it returns something true; returns it, or fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


def native_stacks(pid):
    """The Unix-side call stacks of a process's threads (gdb), for the report of a program that
    hangs: they show the Wine call each thread waits in."""
    try:
        result = subprocess.run(["gdb", "-p", str(pid), "-batch", "-nx", "-ex", "thread apply all bt 12"],
                                capture_output=True, text=True, errors="replace", timeout=120)
    except (OSError, subprocess.TimeoutExpired) as error:
        return f"no stacks: {error}"
    return "\n".join(line for line in result.stdout.splitlines() if line.startswith(("#", "Thread")))


def copy_prefix(source, target):
    """Copies a Wine prefix; the system binaries, which Wine only reads, are hard links."""
    def copy(src, dst):
        inside_windows = os.sep + "drive_c" + os.sep + "windows" + os.sep in src
        if inside_windows and os.path.splitext(src)[1].lower() in BINARY_SUFFIXES:
            os.link(src, dst)
        else:
            shutil.copy2(src, dst)
    shutil.copytree(source, target, symlinks=True, copy_function=copy)


def disable_crash_debugger(prefix):
    """A program that crashes ends at once, as on a machine without a debugger: Wine's crash
    debugger would otherwise take the keyboard focus and linger. (Without a Debugger value Wine
    starts it anyway, so the value names a program that does not exist.)"""
    path = os.path.join(prefix, "system.reg")
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    section = ""
    kept = []
    for line in lines:
        if line.startswith("["):
            section = line
        if "\\AeDebug]" in section and line.startswith('"Debugger"='):
            line = '"Debugger"="no-crash-debugger.exe %ld %ld"'
        kept.append(line)
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write("\n".join(kept))


def set_display_dpi(prefix, dpi):
    """The display scale as the platform's own setting: LogPixels of the user's desktop, which
    every program of the prefix reads when it starts."""
    path = os.path.join(prefix, "user.reg")
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    kept, inside = [], False
    for line in lines:
        if line.startswith("["):
            inside = line.startswith("[Control Panel\\\\Desktop]")
        elif inside and line.startswith('"LogPixels"='):
            continue
        elif inside and not line:
            kept.append(f'"LogPixels"=dword:{dpi:08x}')
            inside = False
        kept.append(line)
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write("\n".join(kept))


open_desktops = set()


def _close_on_terminate(signum, frame):
    """A runner ended by SIGTERM still ends the displays and Wine servers it started."""
    for desktop in list(open_desktops):
        desktop.close()
    os._exit(128 + signum)


signal.signal(signal.SIGTERM, _close_on_terminate)


class LogFile:
    """A log written by our test programs: "<microseconds> <event> <rest>" per line."""

    def __init__(self, path):
        self.path = path

    def entries(self):
        try:
            with open(self.path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        result = []
        for raw in data.split(b"\n")[:-1]:  # a last line without its newline is not complete
            parts = raw.rstrip(b"\r").decode("cp932", "replace").split(" ", 2)
            if len(parts) >= 2:
                result.append(Entry(int(parts[0]), parts[1], parts[2] if len(parts) > 2 else ""))
        return result

    def events(self, name):
        return [e for e in self.entries() if e.event == name]

    def wait_for(self, predicate, timeout=10.0, what="a log line"):
        """Waits for an entry that satisfies predicate and returns it."""
        def found():
            return next((e for e in self.entries() if predicate(e)), None)
        return wait_until(found, timeout, f"{what} in {os.path.basename(self.path)}")

    def wait_event(self, name, timeout=10.0):
        return self.wait_for(lambda e: e.event == name, timeout, name)


class Entry:
    def __init__(self, time_us, event, rest):
        self.time_us, self.event, self.rest = time_us, event, rest

    @property
    def fields(self):
        """The key=value words of the line."""
        return dict(word.split("=", 1) for word in self.rest.split() if "=" in word)

    def int_field(self, name):
        return int(self.fields[name], 0)

    def __repr__(self):
        return f"{self.time_us} {self.event} {self.rest}"


class Desktop:
    """An X display with the Wine "shell" desktop of a private copy of the test prefix."""

    def __init__(self, name, dpi=None):
        self.name = name
        self.dpi = dpi
        self.folder = os.path.join(build_dir(), "e2e-runs", name)
        self.prefix = os.path.join(self.folder, "prefix")
        self.processes = []
        self.xvfb = None
        self.wineserver = None
        self.display = None

    # -- life -------------------------------------------------------------------------------
    def start(self):
        try:
            if os.path.exists(self.folder):
                shutil.rmtree(self.folder)
            os.makedirs(self.folder)
            source = os.path.join(os.path.dirname(build_dir()), "wineprefix")
            if not os.path.isdir(source):
                raise AssertionError(f"no Wine prefix at {source}: run scripts/setup.sh first")
            copy_prefix(source, self.prefix)
            os.symlink(os.path.abspath(build_dir()), os.path.join(self.prefix, "dosdevices", BUILD_DRIVE))
            disable_crash_debugger(self.prefix)
            if self.dpi:
                set_display_dpi(self.prefix, self.dpi)
            self._start_xvfb()
            self.wineserver = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env(),
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self._start_desktop()
        except BaseException:
            self.close()
            raise
        open_desktops.add(self)
        return self

    def close(self):
        open_desktops.discard(self)
        for process in reversed(self.processes):
            self.kill(process)
        if self.wineserver:
            subprocess.run([WINESERVER, "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=20)
            self._end(self.wineserver)
            self.wineserver = None
        if self.xvfb:
            self._end(self.xvfb)
            self.xvfb = None
        shutil.rmtree(self.prefix, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def _start_xvfb(self):
        # Another run may take the same free number at the same moment: then the next one.
        for attempt in range(5):
            number = next(n for n in range(90 + attempt, 250) if not os.path.exists(f"/tmp/.X11-unix/X{n}")
                          and not os.path.exists(f"/tmp/.X{n}-lock"))
            self.display = f":{number}"
            self.xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if wait_until(self._xvfb_answers_or_ended, 20, f"X display {self.display}") == "up":
                return
        raise AssertionError("no X display could be started")

    def _xvfb_answers_or_ended(self):
        if self.xvfb.poll() is not None:
            return "ended"
        return "up" if self.xdotool_ok("getdisplaygeometry") else None

    def _start_desktop(self):
        # A program that shows nothing keeps the desktop up: Wine ends it with the last program.
        log = LogFile(os.path.join(self.folder, "anchor.log"))
        errors = log.path + ".wine"
        anchor = self.run(os.path.join(build_dir(), "tools", "witness.exe"),
                          ["--log", winpath(log.path), "--hidden", "--title", "anchor"], errors=errors)
        self.wait_started(anchor, lambda: log.events("ready"), 60, "the desktop's anchor to be ready", errors)
        wait_until(lambda: self.xdotool_ok("search", "--name", "Wine desktop"), 20, "the Wine desktop window")

    @staticmethod
    def _end(process, grace=5.0):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    # -- programs ---------------------------------------------------------------------------
    def env(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        env.update(WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all", WINELOADER=WINE,
                   WINESERVER=WINESERVER, WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                   LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
        if self.display:
            env["DISPLAY"] = self.display
        return env

    def run(self, program, args=(), cwd=None, errors=None):
        """Starts a Windows program; the process is ended when the desktop closes. Wine's error
        lines about it (not its notes on what it lacks) go to the file `errors` when given."""
        env = self.env()
        if errors:
            env["WINEDEBUG"] = "fixme-all"
        with open(errors, "ab") if errors else open(os.devnull, "wb") as sink:
            process = subprocess.Popen([WINE, winpath(program), *args], env=env, cwd=cwd or self.folder,
                                       stdout=subprocess.DEVNULL, stderr=sink)
        self.processes.append(process)
        return process

    def wait_started(self, process, condition, timeout, what, errors):
        """Waits until condition() holds for a program just started with run(errors=...). A
        start that fails says why it may have: the exit status, Wine's error lines, a screenshot."""
        def started_or_ended():
            return condition() or ("ended" if process.poll() is not None else None)
        try:
            value = wait_until(started_or_ended, timeout, what)
            if value == "ended":
                raise AssertionError(f"the program ended before {what}")
            return value
        except AssertionError:
            with open(errors, "rb") as f:
                said = f.read()[-3000:].decode("utf-8", "replace")
            print(f"\n{what} failed (exit status {process.poll()}); Wine printed: {said!r}; "
                  f"screenshot: {self.screenshot('failed-start')}")
            if process.poll() is None:
                print(f"where its threads wait:\n{native_stacks(process.pid)}\n"
                      f"where the Wine server is:\n{native_stacks(self.wineserver.pid)}")
            raise

    def kill(self, process):
        if process.poll() is None:
            process.send_signal(signal.SIGKILL)
            process.wait()

    # -- input and output -------------------------------------------------------------------
    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env(), check=True, capture_output=True,
                              text=True, timeout=20).stdout

    def xdotool_ok(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, timeout=20).returncode == 0

    def find_windows(self, title):
        """X windows whose title matches (Wine gives each top-level window one)."""
        result = subprocess.run(["xdotool", "search", "--name", title], env=self.env(), capture_output=True,
                                text=True, timeout=20)
        return [int(w) for w in result.stdout.split()]

    def click(self, x, y):
        # The pointer always moves before the click: Wine may ignore a click without a motion
        # after a window under the pointer went away (seen after its crash debugger).
        self.xdotool("mousemove", x - 1, y, "mousemove", x, y, "click", 1)

    def click_until(self, x, y, condition, what, timeout=10.0):
        """Clicks until condition() holds. Now and then Wine loses a click that comes just
        after another window appeared; the click is then given again, and reported."""
        deadline = time.monotonic() + timeout
        while True:
            self.click(x, y)
            try:
                return wait_until(condition, min(2.0, max(0.1, deadline - time.monotonic())), what)
            except AssertionError:
                if time.monotonic() >= deadline:
                    raise
                print(f"\nclick at {x},{y} had no effect yet ({what}); clicking again")

    def type_keys(self, keys):
        """Presses and releases each X key name in turn, in one xdotool run."""
        args = []
        for key in keys:
            args += ["keydown", key, "keyup", key]
        self.xdotool(*args)

    def wintool(self, *args):
        """What tools/wintool.exe prints for the arguments."""
        result = subprocess.run([WINE, winpath(os.path.join(build_dir(), "tools", "wintool.exe")), *args],
                                env=self.env(), capture_output=True, timeout=60)
        return result.stdout.decode("ascii", "replace").strip()

    def hooks_state(self):
        """What the hooks share (wintool hooks), for a failure's report."""
        return self.wintool("hooks") or "no shared block"

    def screenshot(self, name):
        path = os.path.join(self.folder, "screenshots", name + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-display", self.display, "-window", "root", path], env=self.env(),
                       capture_output=True, timeout=30)
        return path

    def log(self, name):
        """A fresh log file in the run folder and its Wine path."""
        path = os.path.join(self.folder, name)
        if os.path.exists(path):
            os.remove(path)
        return LogFile(path)


class Witness:
    """tools/witness.exe: a window that logs the keys, activations and closes it receives."""

    def __init__(self, desktop, name, at=(100, 100, 320, 200), child=False, popup=False, stay=False,
                 extra_args=(), cwd=None, program=None):
        self.desktop = desktop
        self.log = desktop.log(name + ".log")
        self.path = program or self.program()
        args = self.arguments(self.log.path, name, at, child, popup, stay, extra_args)
        errors = self.log.path + ".wine"
        self.process = desktop.run(self.path, args, cwd, errors=errors)
        desktop.wait_started(self.process, lambda: self.log.events("ready"), 60, f"{name} to be ready", errors)
        self.windows = {e.fields["role"]: e for e in self.log.events("window")}

    @staticmethod
    def program():
        return os.path.join(build_dir(), "tools", "witness.exe")

    @staticmethod
    def program_named(desktop, file_name):
        """The witness copied into the desktop's folder under another executable name."""
        path = os.path.join(desktop.folder, file_name)
        if not os.path.exists(path):
            shutil.copy2(Witness.program(), path)
        return path

    @staticmethod
    def program_wine():
        return winpath(Witness.program())

    @staticmethod
    def arguments(log_path, name, at=(100, 100, 320, 200), child=False, popup=False, stay=False, extra_args=()):
        args = ["--log", winpath(log_path), "--title", name, "--at", ",".join(map(str, at))]
        return args + ["--child"] * child + ["--popup"] * popup + ["--stay"] * stay + list(extra_args)

    @staticmethod
    def command_line(args):
        """The command line Wine gives the witness for these arguments (none holds a blank)."""
        return " ".join([f'"{winpath(Witness.program())}"', *args])

    def hwnd(self, role="main"):
        return self.windows[role].int_field("hwnd")

    def centre(self, role="main", dy=0):
        x, y, w, h = map(int, self.windows[role].fields["rect"].split(","))
        return x + w // 2, y + h // 2 + dy

    def focus(self):
        """Clicks the main window's client area, away from its child, until it is active."""
        x, y, w, _ = map(int, self.windows["main"].fields["rect"].split(","))
        self.desktop.click_until(x + w - 40, y + 50, self.is_active, "the witness to activate")

    def activations(self, role="main"):
        return [e for e in self.log.events("WM_ACTIVATE") if e.int_field("hwnd") == self.hwnd(role)]

    def is_active(self, role="main"):
        events = self.activations(role)
        return bool(events) and events[-1].int_field("wp") & 0xFFFF != 0

    def keys(self):
        """The key messages received: (message, wParam, lParam)."""
        names = {"WM_KEYDOWN", "WM_KEYUP", "WM_SYSKEYDOWN", "WM_SYSKEYUP"}
        return [(e.event, e.int_field("wp"), e.int_field("lp")) for e in self.log.entries() if e.event in names]

    def end(self):
        self.desktop.kill(self.process)


class DesktopTestCase(unittest.TestCase):
    """One desktop for all tests of a class; a screenshot is kept for every failing test."""

    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(cls.__name__).start()

    @classmethod
    def tearDownClass(cls):
        if cls.desktop:
            cls.desktop.close()

    def focused_witness(self, name, program=None, confirmed=False):
        """A witness that has the keyboard, ended with the test. Confirmed: an F12 typed has
        reached it before the test goes on."""
        witness = Witness(self.desktop, name, program=program)
        self.addCleanup(witness.end)
        witness.focus()
        if confirmed:
            self.confirm_keyboard(witness)
        return witness

    def confirm_keyboard(self, witness):
        """Gives the active witness the X keyboard focus too, then types F12 and waits until the
        witness has seen it. Under Wine the X focus follows a window's activation a moment later,
        and a program that was activated just before may take it back, its request coming late:
        keys then go to that program's window, not to the foreground one as on Windows."""
        x_window = self.desktop.wintool("prop", hex(witness.hwnd()), "__wine_x11_whole_window")
        self.desktop.xdotool("windowfocus", "--sync", x_window)
        def f12_seen():
            return len([k for k in witness.keys() if k[1] == VK_F12])
        before = f12_seen()
        self.desktop.type_keys(["F12"])
        wait_until(lambda: f12_seen() > before, 10, "a key at the witness")

    def tearDown(self):
        # Runs before the test's cleanups, so the picture still shows its windows.
        result = self._outcome.result
        failed = any(test is self for test, _ in result.failures + result.errors)
        if failed and self.desktop and self.desktop.display:
            print(f"\nscreenshot of the failure: {self.desktop.screenshot(self._testMethodName)}")
            print(f"the hooks' state then: {self.desktop.hooks_state()}")
