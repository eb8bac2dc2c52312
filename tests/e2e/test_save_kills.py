"""vakro killed (SIGKILL of its Wine process) at seeded random moments while it saves all its
data files: afterwards every file holds either its old or its new content, whole.

The kills have a file of their own: each one costs a start of vakro (one to two seconds under
Wine), so 100 of them do not fit beside the other fault tests. The test run makes 5;
VAKRO_KILLS=100 makes the full run. VAKRO_KILLS and VAKRO_KILL_SEED change the count and the seed."""

import os
import random
import select
import signal
import subprocess
import time
import unittest

from vakro_app import Vakro
from vakro_e2e import WINE, DesktopTestCase, Witness, wait_until
from vakro_faults import leftover_temporaries, old_and_new_files, plugin_copy, six_item_line

# The kill moments are spread over the measured length of a save, so a longer save is not
# needed to hit it; 2,000 assignments keep each start short.
ASSIGNMENTS = 2000
KILLS = int(os.environ.get("VAKRO_KILLS", "5"))
SEED = int(os.environ.get("VAKRO_KILL_SEED", "20240601"))


def many_assignments(count):
    """count assignments in the six-item layout, which saving rewrites with a seventh item."""
    return "".join(six_item_line(["000029", f"{i % 900 + 1:06d}"], f"C:\\tools\\prog{i}.exe", arguments=f"-n{i}",
                                 work="C:\\work", name=f"prog{i}", key_text=f"Ctrl+{i}") for i in range(count))


class SaveKillsTest(DesktopTestCase):
    def setUp(self):
        app = os.path.join(self.desktop.folder, "app")
        os.makedirs(app, exist_ok=True)
        self.old, self.new = old_and_new_files(Witness.program_wine(), "--hidden", plugin_copy(app),
                                               many_assignments(ASSIGNMENTS))
        self.vakro = Vakro(self.desktop)
        self.addCleanup(self.vakro.stop)

    def write_old_files(self):
        for name, content in self.old.items():
            with open(os.path.join(self.vakro.data, name), "wb") as f:
                f.write(content)

    def start_and_save(self):
        """Starts vakro with the old files and asks it to save as at a session end; returns the
        moment the request was posted. A start that ends at once (the killed instance's mutex
        not yet gone) is tried again."""
        self.write_old_files()
        for _ in range(20):
            self.vakro.process = self.desktop.run(self.vakro.exe)
            trigger = subprocess.Popen([WINE, self.vakro.tool.path, "endsession", "Vakro 0"],
                                       env=self.desktop.env(), stdout=subprocess.PIPE)
            try:
                while self.vakro.process.poll() is None:
                    if select.select([trigger.stdout], [], [], 0.01)[0]:
                        if trigger.stdout.readline().strip() == b"posted":
                            return time.monotonic()
                        break
            finally:
                if trigger.poll() is None:
                    trigger.kill()
                trigger.communicate()
            self.vakro.stop()
        self.fail("vakro did not start")

    def states(self):
        """"old" or "new" for each data file; anything else fails the test."""
        result = {}
        for name, old in self.old.items():
            content = self.vakro.data_file(name)
            if content in (old, self.new[name]):
                result[name] = "old" if content == old else "new"
            else:
                shown = content[:60] + b"..." + content[-40:] if content and len(content) > 100 else content
                self.fail(f"{name} is neither its old nor its new content after a kill: {shown!r}")
        return result

    def save_duration(self):
        """How long an uninterrupted save takes, from the request to the last file in place.
        The first one also tells what vakro.dat holds when saved."""
        posted = self.start_and_save()

        def saved():
            if leftover_temporaries(self.vakro.data):
                return False
            if "vakro.dat" not in self.new:
                content = self.vakro.data_file("vakro.dat")
                if content == self.old["vakro.dat"]:
                    return False
                self.new["vakro.dat"] = content
            return set(self.states().values()) == {"new"}
        wait_until(saved, 20, "an uninterrupted save", interval=0.001)
        took = time.monotonic() - posted
        self.vakro.stop()
        return took

    def test_every_file_is_old_or_new_whole_after_kills_during_saving(self):
        started = time.monotonic()
        self.save_duration()  # the first save also makes the start-up shortcut
        window = 1.2 * max(self.save_duration(), self.save_duration())
        randomness = random.Random(SEED)
        outcomes = {"all old": 0, "mixed": 0, "all new": 0}
        for _ in range(KILLS):
            posted = self.start_and_save()
            time.sleep(max(0.0, posted + randomness.uniform(0, window) - time.monotonic()))
            self.vakro.process.send_signal(signal.SIGKILL)
            self.vakro.process.wait()
            states = set(self.states().values())
            outcomes["mixed" if len(states) == 2 else "all " + states.pop()] += 1
        print(f"\n{KILLS} kills in {time.monotonic() - started:.0f} s, seed {SEED}, random moments in the "
              f"first {window * 1000:.0f} ms of a save of {ASSIGNMENTS} assignments: {outcomes}")
        self.assertGreaterEqual(outcomes["mixed"], KILLS // 10, "too few kills landed between two files")


if __name__ == "__main__":
    unittest.main()
