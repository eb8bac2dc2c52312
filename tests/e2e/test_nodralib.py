"""NodraLib in the Wine desktop: real keys typed into a witness window while a host process
holds the hooks; what reaches the witness and what the hooks report to the host."""

import os
import unittest

from vakro_app import WinTool, companion_processes, ids
from vakro_e2e import DesktopTestCase, Witness, build_dir, is_32_bit_build, wait_until, winpath

WM_SYSCOMMAND = 0x0112
SC_CLOSE = 0xF060
VK_F9 = 0x78
EXTENDED = 1 << 24
RELEASED = 1 << 31
# Letters, an extended key, a function key, modifiers and the numeric pad's (extended) Enter.
KEYS = ["a", "z", "Right", "Home", "space", "F5", "KP_Enter", "Shift_L", "Control_R", "Alt_L"]


def collapse(events):
    """Drops repeats of the event just before: a key event may be reported more than once
    (peeking calls, and under Wine the hooks a killed host left behind)."""
    return [e for i, e in enumerate(events) if i == 0 or e != events[i - 1]]


class HookHost:
    """tools/hookhost.exe: holds the hooks with its own window and logs what they post."""

    def __init__(self, desktop, name="host", extra_args=()):
        self.desktop = desktop
        self.log = desktop.log(name + ".log")
        self.command_path = os.path.join(desktop.folder, name + ".commands")
        open(self.command_path, "w").close()
        self.done = 0
        self.process = desktop.run(os.path.join(build_dir(), "tools", "hookhost.exe"),
                                   ["--log", winpath(self.log.path), "--commands", winpath(self.command_path),
                                    *extra_args])
        hooked = self.log.wait_event("hooked", timeout=30)
        assert hooked.fields["ok"] == "1", hooked

    def command(self, line, timeout=10):
        """Runs one command and waits until the host has run it; messages posted to the host
        before the command was given are logged by then."""
        with open(self.command_path, "a") as f:
            f.write(line + "\n")
        self.done += 1
        wait_until(lambda: len(self.log.events("done")) >= self.done, timeout, f"host command '{line}'")

    def set_mode(self, mode):
        self.command(f"mode {mode}")
        return self.log.events("mode")[-1].int_field("previous")

    def keys(self):
        """The key reports: virtual-key code (without the key state of withheld ones) and flags."""
        return collapse([(e.int_field("wp") & 0xFFFF, e.int_field("lp")) for e in self.log.events("WM_HOOK_KEY")])

    def wait_keys(self, count, what="key events"):
        wait_until(lambda: len(self.keys()) >= count, 10, f"{count} {what} at the host")

    def reports(self, event):
        self.command("sync")
        return [e.int_field("wp") for e in self.log.events(event)]

    def order(self, command):
        """Gives a command that ends the host and waits for its process to end."""
        with open(self.command_path, "a") as f:
            f.write(command + "\n")
        wait_until(lambda: self.process.poll() is not None, 30, f"the host to end after '{command}'")

    def end(self):
        """Releases the hooks normally when the host still runs (Wine keeps a killed process's
        global hooks), else makes sure the process is gone."""
        if self.process.poll() is None:
            with open(self.command_path, "a") as f:
                f.write("exit\n")
            try:
                self.process.wait(5)
            except Exception:
                pass
        self.desktop.kill(self.process)


class Witness64(Witness):
    """The witness of the x64 build beside this one."""

    @staticmethod
    def program():
        return os.path.join(os.path.dirname(build_dir()), "win64", "tools", "witness.exe")


def probe(desktop):
    """What the exports answer in a fresh process."""
    log = desktop.log("probe.log")
    process = desktop.run(os.path.join(build_dir(), "tools", "hookhost.exe"), ["--log", winpath(log.path), "--probe"])
    wait_until(lambda: process.poll() is not None, 30, "the probe to end")
    return log.wait_event("probe").fields


class NodraLibTest(DesktopTestCase):
    def setUp(self):
        self.witness = Witness(self.desktop, self._testMethodName + "-witness", stay=True)
        self.host = HookHost(self.desktop, self._testMethodName + "-host")
        self.addCleanup(self.host.end)
        self.addCleanup(self.witness.end)
        self.witness.focus()

    def type_and_wait(self, keys):
        """Types keys and then F9; waits until the witness has the F9 release."""
        self.desktop.type_keys(keys + ["F9"])
        wait_until(lambda: (("WM_KEYUP", VK_F9) in [(m, wp) for m, wp, _ in self.witness.keys()]), 10,
                   "F9 at the witness")

    def witness_key_events(self):
        return [(wp, lp) for _, wp, lp in self.witness.keys()]

    def test_pass_mode_gives_every_key_to_the_window_and_reports_it_alike(self):
        self.type_and_wait(KEYS)
        received = self.witness_key_events()
        self.assertGreaterEqual(len(received), 2 * (len(KEYS) + 1))
        self.host.command("sync")
        self.assertEqual(self.host.keys(), received)
        self.assertTrue(any(lp & EXTENDED for _, lp in received), "an extended key")
        self.assertTrue(any(lp & RELEASED for _, lp in received), "a release")
        messages = {m for m, _, _ in self.witness.keys()}
        self.assertTrue({"WM_KEYDOWN", "WM_KEYUP", "WM_SYSKEYDOWN"} <= messages, messages)

    def test_swallow_modes_report_every_key_and_deliver_none(self):
        for mode in (0, 5):
            with self.subTest(mode=mode):
                before_host = len(self.host.keys())
                before_witness = len(self.witness.keys())
                self.host.set_mode(mode)
                self.desktop.type_keys(KEYS)
                self.host.wait_keys(before_host + 2 * len(KEYS), "swallowed key events")
                # A host of the five exports never says it handled a report: the keys stay
                # withheld however long that lasts (here until the hooks' clock has gone on four
                # times the watchdog's half second).
                tool = WinTool(self.desktop)
                since = int(tool.run("tick", check=True)[1])
                wait_until(lambda: (int(tool.run("tick", check=True)[1]) - since) % 2**32 >= 2000, 30,
                           "the hooks' clock to go on two seconds")
                self.desktop.type_keys(KEYS)
                self.host.wait_keys(before_host + 4 * len(KEYS), "key events swallowed two seconds later")
                swallowed = self.host.keys()[before_host:]
                self.host.set_mode(1)
                self.type_and_wait([])  # F9 passes again: everything typed before has been decided
                self.host.command("sync")
                self.assertEqual(self.witness_key_events()[before_witness:], self.host.keys()[-2:])
                self.assertEqual([wp for wp, lp in swallowed if not lp & RELEASED][:2], [ord("A"), ord("Z")])

    def test_mode_reads_without_change_and_starts_at_pass(self):
        self.assertEqual(self.host.set_mode(0), 1)
        self.assertEqual(self.host.set_mode(-1), 0)
        self.assertEqual(self.host.set_mode(-1), 0)
        self.assertEqual(self.host.set_mode(1), 0)
        self.assertEqual(self.host.set_mode(-1), 1)

    def check_keys_return_after(self, command):
        self.host.set_mode(0)
        self.desktop.type_keys(["a"])
        self.host.wait_keys(2)
        self.host.order(command)
        self.type_and_wait(["b"])  # the very first keys typed after the host's end arrive
        self.assertEqual([wp for m, wp, _ in self.witness.keys() if m == "WM_KEYDOWN"], [ord("B"), VK_F9])

    def test_keys_return_when_the_swallowing_host_is_terminated(self):
        self.check_keys_return_after("terminate")

    def test_keys_return_when_the_swallowing_host_crashes(self):
        self.check_keys_return_after("crash")

    def test_a_hook_left_by_a_killed_host_reports_no_key_twice(self):
        self.host.order("terminate")  # Wine keeps its hooks, which chain to the same procedure
        second = HookHost(self.desktop, "second-host")
        self.addCleanup(second.end)
        self.type_and_wait(["a", "Right"])
        second.command("sync")
        raw = [(e.int_field("wp"), e.int_field("lp")) for e in second.log.events("WM_HOOK_KEY")]
        self.assertEqual(raw, self.witness_key_events())

    def test_finder_answers_path_and_command_line_cut_to_260(self):
        self.witness.end()
        log_path = os.path.join(self.desktop.folder, "finder.log")
        fixed = len(Witness.command_line(Witness.arguments(log_path, "finder", child=True, extra_args=["--pad", ""])))
        pad = "".join(chr(ord("a") + i % 26) for i in range(300 - fixed))
        finder = Witness(self.desktop, "finder", child=True, extra_args=["--pad", pad])
        self.addCleanup(finder.end)
        command_line = finder.log.wait_event("cmdline").rest
        self.assertEqual(len(command_line), 300)

        for role in ("main", "child"):
            with self.subTest(role=role):
                replies = len(self.host.log.events("WM_FIND_REPLY"))
                self.host.command(f"find {finder.hwnd(role):x}")
                wait_until(lambda: len(self.host.log.events("find_command")) > replies, 10, "the finder reply")
                reply = self.host.log.events("WM_FIND_REPLY")[-1]
                self.assertEqual(reply.int_field("wp"), finder.hwnd(role))
                self.assertEqual(reply.fields["command_length"], "260")
                self.assertEqual(self.host.log.events("find_command")[-1].rest, command_line[:260])
                self.assertEqual(self.host.log.events("find_path")[-1].rest.lower(), winpath(finder.path).lower())

    @unittest.skipUnless(is_32_bit_build(), "the hook companion serves the 32-bit build")
    def test_companion_hooks_64_bit_programs_and_ends_with_its_host(self):
        """The companion's low-level hook decides the keys of 64-bit programs and reports them as
        the in-process hook does; the keys of 32-bit programs it leaves to that hook."""
        self.host.end()
        x64 = os.path.join(os.path.dirname(build_dir()), "win64")
        host = HookHost(self.desktop, "companion-host",
                        ["--companion", winpath(os.path.join(x64, "ui", "vakrohook64.exe"))])
        self.addCleanup(host.end)
        tool = WinTool(self.desktop)
        companion = wait_until(lambda: companion_processes(tool), 30, "the companion")
        self.assertEqual(companion["program"], host.log.wait_event("start").int_field("pid"))
        witness = Witness64(self.desktop, "witness64", at=(100, 400, 320, 200), extra_args=["--pad", "x64"])
        self.addCleanup(witness.end)
        witness.focus()

        # Keys of the 64-bit program reach the host through the companion and are withheld.
        host.set_mode(0)
        self.desktop.type_keys(["a", "F9"])
        withheld = RELEASED | ids.NL_KEY_WITHHELD | (0x43 << 16) | 1  # the hook says it withheld the key
        wait_until(lambda: (VK_F9, withheld) in [(wp, lp & ~(1 << 30)) for wp, lp in host.keys()],
                   10, "F9 reported through the companion")
        self.assertEqual(witness.keys(), [])
        host.set_mode(1)
        self.desktop.type_keys(["F9"])
        wait_until(lambda: ("WM_KEYUP", VK_F9) in [(m, wp) for m, wp, _ in witness.keys()], 10, "F9 passing")
        host.command("sync")
        self.assertEqual([(wp, lp) for _, wp, lp in witness.keys()][-2:], [k for k in host.keys() if k[0] == VK_F9][-2:],
                         "the companion reports what the program receives")

        # The finder in the 64-bit program: the companion asks its process.
        host.command(f"find {witness.hwnd():x}")
        wait_until(lambda: host.log.events("find_command"), 10, "the finder reply")
        self.assertEqual(host.log.events("find_path")[-1].rest.lower(), winpath(witness.path).lower())
        # (It lies in the x64 build, outside drive V:, so its command line may reach the cut.)
        self.assertEqual(host.log.events("find_command")[-1].rest, witness.log.wait_event("cmdline").rest[:260])

        # A 32-bit program's keys: reported once each, by the hook inside it, and withheld.
        self.witness = Witness(self.desktop, "witness32-beside", stay=True)
        self.addCleanup(self.witness.end)
        self.witness.focus()
        host.set_mode(0)
        before = len(host.keys())
        self.desktop.type_keys(["F9"])
        wait_until(lambda: len(host.keys()) >= before + 2, 10, "F9 reported for the 32-bit program")
        host.command("sync")
        self.assertEqual([wp for wp, _ in host.keys()[before:]], [VK_F9, VK_F9])
        self.assertNotIn(VK_F9, [wp for _, wp, _ in self.witness.keys()])
        witness.focus()

        # Killed while withholding: the companion ends and the program gets its keys at once.
        host.order("terminate")
        wait_until(lambda: companion_processes(tool) is None, 10, "the companion to end")
        self.desktop.type_keys(["F9"])
        wait_until(lambda: ("WM_KEYUP", VK_F9) in [(m, wp) for m, wp, _ in witness.keys()], 10, "F9 at the witness")

    def test_close_report_is_for_sc_close_exactly(self):
        hwnd = self.witness.hwnd()

        def close_with(command, closes):
            self.host.command(f"post {hwnd:x} {WM_SYSCOMMAND:x} {command:x} 0")
            wait_until(lambda: len(self.witness.log.events("WM_CLOSE")) == closes, 10, f"close {closes} at the witness")
            return self.host.reports("WM_HOOK_CLOSE")

        self.assertEqual(close_with(SC_CLOSE + 1, 1), [])
        self.assertEqual(close_with(SC_CLOSE + 0xF, 2), [])
        reports = close_with(SC_CLOSE, 3)
        self.assertGreaterEqual(len(reports), 1)
        self.assertEqual({(e.fields["wp"], e.fields["lp"]) for e in self.host.log.events("WM_HOOK_CLOSE")},
                         {("0x0", "0x0")})

    def test_activation_reported_for_unowned_top_level_windows_only(self):
        other = Witness(self.desktop, "other", at=(100, 400, 320, 200), child=True, popup=True, stay=True)
        self.addCleanup(other.end)
        child, popup = other.hwnd("child"), other.hwnd("popup")

        self.desktop.click_until(*other.centre("main", dy=-40), other.is_active, "the other witness to activate")
        self.assertIn(other.hwnd(), self.host.reports("WM_HOOK_ACTIVATE"))

        self.witness.focus()
        wait_until(lambda: not other.is_active(), 10, "the other witness to deactivate")
        # A click on the child activates its top-level window.
        self.desktop.click_until(*other.centre("child"), other.is_active, "activation through the child")
        self.desktop.click_until(*other.centre("popup"), lambda: other.is_active("popup"), "the pop-up to activate")

        reports = self.host.reports("WM_HOOK_ACTIVATE")
        self.assertGreaterEqual(reports.count(other.hwnd()), 2)
        self.assertIn(self.witness.hwnd(), reports)
        self.assertNotIn(child, reports)
        self.assertNotIn(popup, reports)

    def test_release_removes_hooks_and_block(self):
        alive = probe(self.desktop)
        self.assertEqual((alive["mode"], alive["path_ok"], alive["command_ok"], alive["release"]), ("1", "1", "1", "0"))
        self.host.set_mode(0)
        self.host.order("exit")
        self.assertEqual(self.host.log.wait_event("release").fields["result"], "1")
        gone = probe(self.desktop)
        self.assertEqual((gone["mode"], gone["path_ok"], gone["command_ok"]), ("-1", "0", "0"))
        self.assertEqual((gone["path"], gone["command"]), ("untouched", "untouched"))
        self.type_and_wait(["c"])


if __name__ == "__main__":
    unittest.main()
