"""vakro against hostile input across its trust boundaries: hook messages with random
parameters posted by another process at a high rate, a shared block full of unterminated
bytes, and data files of random bytes, huge lines and invalid Shift-JIS at start. Afterwards
vakro must be alive and answer: the guide hidden after a reset, a chord fires, the settings
window shows."""

import os
import random
import unittest

from vakro_app import (KEY_X, KEY_Y, LEFT_ALT, LEFT_CTRL, WM_LBUTTONDBLCLK, WM_QUERYENDSESSION, Vakro, ids,
                       keydata_line)
from vakro_e2e import DesktopTestCase, Witness, wait_until, winpath
from vakro_faults import error_texts, no_error_box_after

WM_APP_PRIVATE = 0x8001  # a message number any program may use for its own purposes
SETTINGS = "[Setting]\r\nShowKeyView=1\r\nHideCursor=1\r\n"


def seeded_bytes(seed, size):
    return random.Random(seed).randbytes(size)


def invalid_shift_jis():
    """Lead bytes without trail bytes: before a comma, a quote and a line end, at the end of the
    text; bytes that are never part of Shift-JIS; half-width kana."""
    return [b"\x81", b"abc\x81", b"\x81,\x81\"", b"\xff\xfe\xfd\x80\xa0", b"\xb1\xb2\xb3", b"\x9f\xfc\x81"]


class HostileTest(DesktopTestCase):
    def start(self, files):
        vakro = Vakro(self.desktop, files).start()
        self.addCleanup(vakro.stop)
        self.assertEqual(error_texts(vakro.tool), [], "an error box at start")
        return vakro

    def launcher(self, name, extra_lines=b""):
        """keydata.dat whose Ctrl+X starts a hidden witness, after the given lines."""
        log = self.desktop.log(name + ".log")
        line = keydata_line([LEFT_CTRL, KEY_X], Witness.program_wine(),
                            f'--log "{winpath(log.path)}" --hidden --title {name}', name="起動")
        return log, line.encode("cp932") + extra_lines

    def check_alive_and_answering(self, vakro, launched, name):
        """The guide goes after a reset, Ctrl+X fires once more, the settings window shows and
        the program still saves and ends normally."""
        self.assertFalse(vakro.exited(), "vakro ended")
        vakro.tool.post(vakro.guide, ids.WM_HOOK_CLOSE)
        wait_until(lambda: not vakro.guide_visible(), 10, "the guide to hide after a reset")
        starts = len(launched.events("start"))
        witness = Witness(self.desktop, name)
        self.addCleanup(witness.end)
        witness.focus()
        self.desktop.xdotool("keydown", "Control_L")
        # The flood may still be queued ahead of the key (assignments it matched start programs).
        wait_until(vakro.guide_visible, 60, "the guide after Ctrl")
        self.desktop.xdotool("keydown", "x", "keyup", "x", "keyup", "Control_L")
        wait_until(lambda: len(launched.events("start")) > starts, 20, "the chord to fire")
        vakro.tool.post(vakro.main, ids.WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK)
        wait_until(vakro.settings_visible, 10, "the settings window")
        vakro.tool.post(vakro.main, WM_QUERYENDSESSION)
        wait_until(lambda: vakro.data_file("vakro.dat") and b"HideCursor" in vakro.data_file("vakro.dat"), 20,
                   "the save")
        self.assertTrue(no_error_box_after(vakro.tool, vakro.main))

    def test_random_hook_messages_at_a_high_rate_and_an_unterminated_shared_block(self):
        launched, keys = self.launcher("flooded")
        # Candidates for the random keys to run into: Ctrl and Alt begin chords.
        keys += keydata_line([LEFT_CTRL, LEFT_ALT, KEY_Y], "$volumeup", name="音量").encode("cp932")
        keys += keydata_line([LEFT_ALT, KEY_Y, KEY_X], "$mute", name="消音", repeat=True).encode("cp932")
        vakro = self.start({"keydata.dat": keys, "vakro.dat": SETTINGS})
        status, _ = vakro.tool.run("fillblock", "0x41")
        self.assertEqual(status, 0, "the shared block could not be opened")
        for seed in (1, 2, 3, 4):
            status, out = vakro.tool.run("flood", hex(vakro.guide), 5000, seed)
            self.assertEqual((status, out.strip()), (0, "posted=5000 refused=0"), f"seed {seed}")
        for _ in range(3):  # finder replies read the block full of unterminated bytes
            vakro.tool.post(vakro.guide, ids.WM_FIND_REPLY, vakro.main)
        # Another program's private message, broadcast or sent by mistake to vakro's windows.
        application = vakro.tool.find("TVakroApplication")
        for garbage in (0, 1, 0x41414141):
            vakro.tool.post(application, WM_APP_PRIVATE, 0, garbage)
        self.assertTrue(vakro.tool.send(vakro.guide, 0), "the key guide window does not answer")
        # Both windows share one thread and its queue of posted messages, handled in order: once
        # the settings window shows, the flood is behind. (The guide is no such mark: random key
        # reports show and hide it while the flood is being handled.)
        vakro.tool.post(vakro.main, ids.WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK)
        wait_until(vakro.settings_visible, 120, "the flood to be handled")
        vakro.hide_settings()
        self.check_alive_and_answering(vakro, launched, "flood-witness")

    def check_hostile_files(self, name, keys_after, names, plugins, settings):
        launched, keys = self.launcher(name, keys_after)
        vakro = self.start({"keydata.dat": keys, "keyname.dat": names, "plugin.dat": plugins,
                            "vakro.dat": settings})
        self.check_alive_and_answering(vakro, launched, name + "-witness")

    def test_data_files_of_random_bytes(self):
        self.check_hostile_files("random", seeded_bytes(11, 256 * 1024), seeded_bytes(12, 256 * 1024),
                                 seeded_bytes(13, 64 * 1024), SETTINGS.encode() + seeded_bytes(14, 64 * 1024))

    def test_data_files_with_huge_lines(self):
        huge = b"A" * (4 << 20)
        keys = (b"\r\n" + huge + b"\r\n" + b"," * (1 << 20) + b"\r\n\"" + b"q" * (1 << 20) + b"\r\n"
                + keydata_line([LEFT_CTRL, KEY_Y], "x" * 100000, name="n" * 100000, key_text="k" * 100000).encode())
        settings = (SETTINGS + "FontName=" + "F" * (1 << 20) + "\r\nFontStyle=" + "0," * 100000 + "\r\n"
                    "FontSize=99999999999999999999\r\nKeyViewPos=-2147483649\r\n").encode()
        self.check_hostile_files("huge", keys, b"000123," + huge + b"\r\n" + huge, b"C:\\" + huge + b",,$a\r\n",
                                 settings)

    def test_data_files_with_invalid_shift_jis(self):
        bad = invalid_shift_jis()
        keys = b"".join(b'"000029,000021",' + b + b"," + b + b"," + b + b",," + b + b",true\r\n" for b in bad)
        keys += b"000029," + bad[0]  # a lead byte as the file's last byte
        names = b"".join(b"%06d," % (100 + i) + b + b"\r\n" for i, b in enumerate(bad)) + b"000200,\x81"
        plugins = b"".join(b + b"," + b + b",$" + b + b"\r\n" for b in bad)
        settings = SETTINGS.encode() + b"FontName=\x81\r\nFontStyle=\x81,\"\x81\r\n"
        self.check_hostile_files("sjis", keys, names, plugins, settings)


if __name__ == "__main__":
    unittest.main()
