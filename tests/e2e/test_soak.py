"""Soak test of the real vakro.exe: a seeded random key stream, sent through SendInput as a
keyboard's scan codes (tools/sendinput.exe), against a few hundred chords of one to four keys.
Now and then the stream holds a ghost press: a press reported to vakro whose release never comes,
as when another window takes a release. What vakro starts is compared, in order, with what the
replay oracle (tools/replay_oracle.exe: the dispatcher fed the same events) says it must start;
every key the focused window receives is compared with the events the oracle says pass or
delivers afterwards (withheld keys that formed no chord); the oracle checks that whenever every
key is up an ordinary key would reach the window; afterwards the key guide is hidden, keys pass
again, and vakro's handle count and private memory are back where they were after a warm-up.

Environment:
  VAKRO_SOAK_LONG=1      the long soak, 20,000 events (the normal run sends 2,000)
  VAKRO_SOAK_EVENTS=N    any other length
  VAKRO_SOAK_SEED=N      another stream and other chords (default 1)
  VAKRO_SOAK_RATE=N      key events per second at most (default: as fast as the pacing lets)
  VAKRO_SOAK_OPEN=1      no pacing by the dispatch mode, only the rate (to measure which rate
                         keeps the keys the window receives exact without it)
"""

import os
import random
import re
import subprocess
import time
import unittest

from test_nodralib import HookHost
from vakro_app import Vakro, WinTool, ids, keydata_line
from vakro_e2e import WINE, DesktopTestCase, build_dir, wait_until, winpath

# Pacing: the hook decides each event by the dispatch mode vakro set after the events before, so
# the next event may only reach the focused window once that mode is in place. After each event
# the generator waits until the mode is the one the oracle says vakro sets for it. Waiting for
# the value is enough: vakro sets a mode after every event it evaluates, so a mode that differs
# from the one before shows that vakro has caught up, and while it is behind on events whose
# modes equal the awaited one, whatever it still has to handle leaves the mode as it is.
WARM_UP_EVENTS = 300
# Growth allowed between the figures after the warm-up and after the stream.
HANDLE_MARGIN = 8
PRIVATE_MARGIN = 1 << 20

LEFT_CTRL, RIGHT_CTRL, LEFT_ALT, RIGHT_ALT = 0x001D, 0xE01D, 0x0038, 0xE038
LEFT_SHIFT, RIGHT_SHIFT, LEFT_WIN, RIGHT_WIN = 0x002A, 0x0036, 0xE05B, 0xE05C
LETTERS = [0x001E, 0x001F, 0x0020, 0x002D, 0x0015, 0x002C]  # A S D X Y Z
OTHERS = [0x0002, 0x0003, 0xE04B, 0xE04D, 0xE047, 0xE053]  # 1 2 Left Right Home Delete
# One Shift key only: Wine keeps a single key state for both, so with both in play the state that
# vakro reads for a key held long ago (to find releases no hook saw) would not be the script's.
CHORD_KEYS = [LEFT_CTRL, RIGHT_CTRL, LEFT_ALT, RIGHT_ALT, LEFT_SHIFT] + LETTERS + OTHERS
STREAM_KEYS = CHORD_KEYS + [LEFT_WIN, RIGHT_WIN]
F9 = 0x0043  # in no chord: the key that shows keys pass again
VK_F9 = 0x78
F11 = 0x0057  # in no stream: its chord starts the last program, after every start before it
LAST_START = "last"
KEY_MESSAGES = ("WM_KEYDOWN", "WM_KEYUP", "WM_SYSKEYDOWN", "WM_SYSKEYUP")
VK_SHIFT = 0x10
ALT_HELD, WAS_DOWN = 1 << 29, 1 << 30
GHOSTS_PER_EVENT = 0.01
GHOST_PAUSE_MS = 200


def comparable(events):
    """Key events without the Alt-held and previous-state bits. Both come from the key state of
    the window's thread, not from vakro: Wine keeps one state for both Shift keys (left Shift
    pressed while right Shift is held comes as a repeat) and for both Alt keys (releasing one
    clears Alt-held while the other is down), and the state also takes in events that were
    withheld from the window, so a chord's withheld press makes a later press look like a repeat,
    and the other way round."""
    return [(vk, lp & ~(ALT_HELD | WAS_DOWN)) for vk, lp in events]


def soak_events():
    if os.environ.get("VAKRO_SOAK_EVENTS"):
        return int(os.environ["VAKRO_SOAK_EVENTS"])
    return 20000 if os.environ.get("VAKRO_SOAK_LONG") == "1" else 2000


def key_code(key):
    """The six-digit key code of a scan code with its 0xE0 prefix."""
    return f"{1 if key >> 8 == 0xE0 else 0:03d}{key & 0xFF:03d}"


def tool(name):
    return os.path.join(build_dir(), "tools", name)


class Oracle:
    """What replay_oracle.exe prints: each key event's codes and the mode it meets, the events
    delivered after it, the starts, and how often the keyboard would not have answered."""

    def __init__(self, text):
        self.keys, self.execs, self.delivered, self.stuck = [], [], {}, None
        for line in text.splitlines():
            words = line.split()
            if words[0] == "key":
                self.keys.append((int(words[2][3:], 16), int(words[3][3:], 16), words[4], words[5][5:]))
            elif words[0] == "deliver":
                self.delivered.setdefault(int(words[1]), []).append((int(words[2][3:], 16),
                                                                     int(words[3][3:], 16)))
            elif words[0] == "exec":
                self.execs.append((int(words[1]), line.split(None, 3)[3].split()[-1]))
            elif words[0] == "summary":
                self.stuck = int(words[3].split("=")[1])

    def received(self):
        """What the focused window must receive, in order: (event, evaluation's mode, delivered)."""
        events = []
        for index, (vk, lp, met, then) in enumerate(self.keys):
            if met == "pass":
                events.append(((vk, lp), then, False))
            events += [(event, then, True) for event in self.delivered.get(index, [])]
        return events

    def passed(self):
        return [event for event, _, _ in self.received()]

    def withheld_by_repeated_reports(self, received):
        """The events the oracle passes that the window did not receive, when each of them is one
        whose own evaluation sets swallow: the hook may report an event twice (a peek before the
        removal), and vakro then decides it before the hook's second call, which withholds it.
        None when the window's keys differ from the oracle's in any other way."""
        withheld, at = [], 0
        for event, then, delivered in self.received():
            if at < len(received) and comparable([received[at]]) == comparable([event]):
                at += 1
            elif then == "swallow" and not delivered:
                withheld.append(event)
            else:
                return None
        return withheld if at == len(received) else None

    def first_difference(self, received):
        """Where the window's keys first part from the oracle's, for the failure message."""
        expected, origin = [], []
        for index, (vk, lp, met, then) in enumerate(self.keys):
            if met == "pass":
                expected.append(comparable([(vk, lp)])[0])
                origin.append(index)
            for event in self.delivered.get(index, []):
                expected.append(comparable([event])[0])
                origin.append(index)
        got = comparable(received)
        at = next((i for i, (a, b) in enumerate(zip(expected, got)) if a != b), min(len(expected), len(got)))
        near = origin[at] if at < len(origin) else len(self.keys)
        context = [(i, hex(vk), hex(lp), met, then, [hex(e[0]) for e in self.delivered.get(i, [])])
                   for i, (vk, lp, met, then) in enumerate(self.keys) if near - 6 <= i < near + 3]
        return (f"oracle steps {context}; first difference at event {at} of {len(got)} received, "
                f"{len(expected)} expected: "
                f"expected {[(hex(v), hex(l)) for v, l in expected[at:at + 6]]}, "
                f"received {[(hex(v), hex(l)) for v, l in got[at:at + 6]]}")


class SoakTest(DesktopTestCase):
    def setUp(self):
        self.env = self.desktop.env()

    def wine(self, program, *args, timeout=600):
        result = subprocess.run([WINE, tool(program), *map(str, args)], env=self.env, capture_output=True,
                                text=True, timeout=timeout)
        self.assertEqual(result.returncode, 0, f"{program} {args}: {result.stderr}")
        self.last_errors = result.stderr
        return result.stdout

    def path(self, name):
        return os.path.join(self.desktop.folder, name)

    def write(self, name, text):
        with open(self.path(name), "w", newline="\n") as f:
            f.write(text)
        return self.path(name)

    def send(self, script_path, rate=0, record=None):
        args = ["--script", winpath(script_path), "--rate", rate]
        if record:
            args += ["--record", winpath(self.path(record))]
        with open(script_path) as f:
            lines = sum(1 for _ in f)
        out = self.wine("sendinput.exe", *args, timeout=120 + lines // 5)
        return {k: float(v) for k, v in re.findall(r"(\w+)=([\d.]+)", out)}

    def oracle(self, keydata_path, script_path):
        return Oracle(self.wine("replay_oracle.exe", winpath(keydata_path), winpath(script_path)))

    @staticmethod
    def received(witness):
        return [(wp, lp) for m, wp, lp in witness.keys() if m in KEY_MESSAGES]

    # -- the generator against the hooks ---------------------------------------------------
    def test_sendinput_events_reach_the_hooks_with_the_flags_the_oracle_derives(self):
        witness = self.focused_witness("flags")
        host = HookHost(self.desktop, "flags-host")
        self.addCleanup(host.end)
        witness.focus()
        # Presses, an auto-repeat, releases of keys never pressed, extended keys, Alt held with
        # Ctrl and alone, both Windows keys; left Shift is still held at the end.
        script = self.write("flags.txt", "\n".join([
            "down 001D", "down 001D", "down 0038", "down 002D", "up 002D", "up 0038", "up 001D", "up 0015",
            "down E01D", "down E04B", "up E04B", "up E01D", "pause 20", "down E038", "down 001E", "up 001E",
            "up E038", "down E05B", "up E05B", "down E05C", "up E05C", "down 0036", "up 0036", "down 002A"]) + "\n")
        figures = self.send(script, rate=50, record="flags-sent.txt")
        with open(self.path("flags-sent.txt")) as f:
            sent = f.read()
        self.assertTrue(sent.endswith("down 002A\nup 002A\n"), "the held key is released at the end")
        expected = self.oracle(self.write("empty.dat", ""), self.path("flags-sent.txt"))
        self.assertEqual(figures["events"], len(expected.keys))
        host.wait_keys(len(expected.keys), "reports of the sent events")
        host.command("sync")
        self.assertEqual([(hex(vk), hex(lp)) for vk, lp in host.keys()],
                         [(hex(vk), hex(lp)) for vk, lp, _, _ in expected.keys])
        wait_until(lambda: len(self.received(witness)) >= len(expected.keys), 10, "the keys at the witness")
        self.assertEqual(self.received(witness), expected.passed())

    # -- the soak ---------------------------------------------------------------------------
    def assignments(self, rng, launches):
        """A few hundred chords of one to four keys, some repeating, and a score of sequences of two
        or three keys behind leaders that chords begin with too, each starting launchlog.exe with
        its own word; single keys are rare, as every press of one starts a program."""
        lines = []
        for index in range(300):
            sequence = index % 15 == 7
            size = rng.choice([2, 3]) if sequence else rng.choices([1, 2, 3, 4], weights=[1, 30, 40, 29])[0]
            keys = rng.sample(CHORD_KEYS, size)
            if size == 1:
                keys = [rng.choice(OTHERS)]
            lines.append(keydata_line([key_code(k) for k in keys], winpath(tool("launchlog.exe")),
                                      f'"{winpath(launches)}" a{index}', repeat=rng.random() < 0.2 and not sequence,
                                      options="sequence" if sequence else None))
        lines.append(keydata_line([key_code(F11)], winpath(tool("launchlog.exe")), f'"{winpath(launches)}" {LAST_START}'))
        return "".join(lines)

    def stream(self, seed, count, name):
        keys = ",".join(f"{k:04X}" for k in STREAM_KEYS)
        self.wine("sendinput.exe", "--random", seed, "--count", count, "--keys", keys, "--max-held", 4,
                  "--dry-run", "--record", winpath(self.path(name)))
        with open(self.path(name)) as f:
            return f.read().splitlines()

    @staticmethod
    def with_ghosts(lines, seed):
        """The stream with a ghost press here and there, of a chord key the stream does not hold."""
        chooser, held, result = random.Random(seed), set(), []
        for line in lines:
            if chooser.random() < GHOSTS_PER_EVENT:
                result.append(f"ghost {chooser.choice([k for k in CHORD_KEYS if k not in held]):04X}")
            result.append(line)
            word, key = line.split()
            (held.add if word == "down" else held.discard)(int(key, 16))
        return result

    @staticmethod
    def paced(events, modes):
        """The events, each followed by a wait for the mode vakro sets for it. A ghost press is
        followed by a pause: vakro takes a key for up only once it is that old (the system's key
        state may lag behind a new press), where the oracle takes every held key for old."""
        lines = []
        for line, mode in zip(events, modes):
            lines += [line] + ([f"mode {mode}"] if mode else [])
            if line.startswith("ghost"):
                lines.append(f"pause {GHOST_PAUSE_MS}")
        return "\n".join(lines) + "\n"

    def process_figures(self, vakro):
        """Handles and private bytes of vakro. Wine gives neither for another process: then the
        handles of the system's handle table and the commit charge stand in."""
        out = vakro.tool.run("process", hex(vakro.main), check=True)[1]
        figures = {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", out)}
        return {"handles": figures["handles"] or figures["table_handles"],
                "private": figures["private"] or figures["pagefile"]}

    def started(self, launches, count, last=False):
        """The words of the programs started, in the order they were created, once at least
        `count` have started and none still runs. With `last`, the start F11 makes, typed after
        everything else, is awaited too: vakro starts programs one after another in the order
        their chords fire, so every start before it has been made by then."""
        windows = WinTool(self.desktop)

        def lines():
            if not os.path.exists(launches):
                return []
            with open(launches) as f:
                return [line.split() for line in f.read().splitlines() if line]

        def settled():
            words = [word for _, word in lines()]
            return (len(words) >= count + last and (not last or LAST_START in words)
                    and int(windows.run("running", "launchlog.exe", check=True)[1]) == 0)
        wait_until(settled, 120, f"{count} program starts" + (" and the last one" if last else ""))
        return [word for _, word in sorted(lines(), key=lambda entry: int(entry[0])) if word != LAST_START]

    def test_unpaced_typing_beside_chord_beginnings_makes_exactly_the_typed_characters(self):
        """Random text with capitals, sent as fast as events go, against chords that begin with
        left Shift and with left Ctrl but that the text never completes: the characters the
        window makes of it are the text, and its key messages come in the order typed."""
        rng = random.Random(int(os.environ.get("VAKRO_SOAK_SEED", "1")))
        scans = dict(zip("qwertyuiopasdfghjkl", [0x10 + i for i in range(10)] + [0x1E + i for i in range(9)]))
        scans.update({"1": 0x02, "2": 0x03, "3": 0x04, " ": 0x39})
        text = "".join(rng.choice(list(scans) + [c.upper() for c in "qwertyuiopasdfghjkl"])
                       for _ in range(soak_events() // 5))
        lines, typed = [], []
        for c in text:
            keys = ([LEFT_SHIFT] if c.isupper() else []) + [scans[c.lower()]]
            lines += [f"down {k:04X}" for k in keys] + [f"up {k:04X}" for k in reversed(keys)]
            vks = [VK_SHIFT] * c.isupper() + [ord(c.upper()) if c.isalnum() else 0x20]
            typed += [("down", vk) for vk in vks] + [("up", vk) for vk in reversed(vks)]
        chords = [[LEFT_SHIFT, F9], [LEFT_SHIFT, 0x0044], [LEFT_CTRL, LEFT_ALT, LETTERS[3]]]
        launches = self.path("unpaced-launches.txt")
        keydata = "".join(keydata_line([key_code(k) for k in keys], winpath(tool("launchlog.exe")),
                                       f'"{winpath(launches)}" c{i}') for i, keys in enumerate(chords))
        vakro = Vakro(self.desktop, {"keydata.dat": keydata}).start()
        self.addCleanup(vakro.stop)
        witness = self.focused_witness("unpaced")
        started = time.monotonic()
        figures = self.send(self.write("unpaced.txt", "\n".join(lines) + "\n"))
        sent_seconds = time.monotonic() - started

        def characters():
            return "".join(chr(e.int_field("wp")) for e in witness.log.entries() if e.event == "WM_CHAR")
        wait_until(lambda: len(characters()) >= len(text), 60, f"{len(text)} characters at the witness")
        print(f"\nsoak: {figures['events']:.0f} events unpaced in {sent_seconds:.1f} s "
              f"({figures['rate']:.0f}/s while sending), {len(text)} characters")
        self.assertEqual(characters(), text)
        received = [("down" if m.endswith("DOWN") else "up", vk) for m, vk, _ in witness.keys()]
        self.assertEqual(received, typed, "the key messages, in the order typed")
        self.assertFalse(os.path.exists(launches), "a chord fired")
        self.assertFalse(vakro.exited())

    def test_soak_starts_what_the_oracle_says_and_leaves_nothing_behind(self):
        seed = int(os.environ.get("VAKRO_SOAK_SEED", "1"))
        rate = float(os.environ.get("VAKRO_SOAK_RATE", "0"))
        open_loop = os.environ.get("VAKRO_SOAK_OPEN") == "1"
        count = soak_events()
        launches = self.path("launches.txt")
        keydata = self.assignments(random.Random(seed), launches)
        keydata_path = self.write("keydata-copy.dat", keydata)
        warm_up = self.stream(seed + 1000, WARM_UP_EVENTS, "warm-up.txt")
        main = self.with_ghosts(self.stream(seed, count, "stream.txt"), seed + 2000)
        everything = self.write("everything.txt", "\n".join(warm_up + main) + "\n")
        oracle = self.oracle(keydata_path, everything)
        first_main = len(warm_up)
        print(f"\nsoak: seed {seed}, {len(main)} events at {rate:g}/s, {len(oracle.execs)} starts foreseen "
              f"({sum(1 for i, _ in oracle.execs if i >= first_main)} in the stream)")

        # The oracle knows no clock: a sequence begun waits as long as vakro may ever be held up.
        settings = "[Setting]\r\nSequenceTimeout=60000\r\n"
        vakro = Vakro(self.desktop, {"keydata.dat": keydata, "vakro.dat": settings}).start()
        self.addCleanup(vakro.stop)
        witness = self.focused_witness("typing")

        def run(events, first, name):
            modes = [then for _, _, _, then in oracle.keys[first:first + len(events)]]
            script = self.write(name, self.paced(events, [None] * len(modes) if open_loop else modes))
            started = time.monotonic()
            figures = self.send(script, rate=rate, record=name + ".sent")
            self.assertEqual((figures["failed"], figures["timeouts"]), (0, 0), self.last_errors)
            return time.monotonic() - started, figures

        run(warm_up, 0, "warm-up-paced.txt")
        self.started(launches, sum(1 for i, _ in oracle.execs if i < first_main))
        before = self.process_figures(vakro)
        seconds, figures = run(main, first_main, "stream-paced.txt")
        # vakro has handled every event (each waited for its mode): a guide left on screen is stuck.
        wait_until(lambda: not vakro.guide_visible(), 10, "the key guide to hide after the stream")
        self.assertEqual(oracle.stuck, 0, "steps after which every key was up and a key would not pass")
        self.send(self.write("f9.txt", f"down {F9:04X}\nup {F9:04X}\n"))
        wait_until(lambda: ("WM_KEYUP", VK_F9) in [(m, wp) for m, wp, _ in witness.keys()], 10,
                   "F9 at the witness: keys pass again")
        received = self.received(witness)[:-2]
        self.send(self.write("f11.txt", f"down {F11:04X}\nup {F11:04X}\n"))
        observed = self.started(launches, len(oracle.execs), last=True)
        after = self.process_figures(vakro)
        print(f"soak: sent {figures['events']:.0f} events in {seconds:.1f} s ({figures['rate']:.0f}/s while "
              f"sending, {figures['waits']:.0f} waits for the mode); handles {before['handles']} -> "
              f"{after['handles']}, private bytes {before['private']} -> {after['private']}")

        self.assertEqual(observed, [word for _, word in oracle.execs], "the programs started, in order")
        withheld = oracle.withheld_by_repeated_reports(received)
        self.assertIsNotNone(withheld, "the keys the focused window received differ from the oracle's: " +
                             oracle.first_difference(received))
        print(f"soak: the window received {len(received)} key events, the oracle passes or delivers "
              f"{len(oracle.passed())} ({sum(map(len, oracle.delivered.values()))} delivered); "
              f"{sum(1 for k in oracle.keys if k[2] == 'ghost')} ghost presses; "
              f"withheld after a repeated report: {len(withheld)}")
        self.assertLessEqual(after["handles"], before["handles"] + HANDLE_MARGIN, "handles")
        self.assertLessEqual(after["private"], before["private"] + PRIVATE_MARGIN, "private bytes")
        self.assertFalse(vakro.exited())


if __name__ == "__main__":
    unittest.main()
