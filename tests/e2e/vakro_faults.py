"""Helpers of the fault tests: data files the program rewrites on saving (so the old and the new
content differ), a tmpfs over the data folder, the error boxes answered one after another."""

import os
import shutil
import subprocess

from vakro_app import KEY_X, LEFT_CTRL, keydata_line
from vakro_e2e import build_dir, wait_until, winpath

WM_NULL = 0x0000
WM_COMMAND = 0x0111

LOAD_ERRORS = ("キー情報の読み込みに失敗。", "キー名称情報の読み込みに失敗。", "プラグインデータの読み込みに失敗。")
SAVE_ERRORS = ("キー情報の保存に失敗。", "キー名称情報の保存に失敗。", "プラグインデータの保存に失敗。")


def six_item_line(keys, path, **fields):
    """An assignment in the earlier six-item layout: saving appends ",false"."""
    line = keydata_line(keys, path, **fields)
    assert line.endswith(",false\r\n")
    return line[:-len(",false\r\n")] + "\r\n"


def plugin_copy(folder, name="vp_logger"):
    """A test plug-in copied into folder; its Wine path."""
    target = os.path.join(folder, name + ".vpi")
    shutil.copy2(os.path.join(build_dir(), "tools", "plugins", name + ".vpi"), target)
    return winpath(target)


def old_and_new_files(launch_path, launch_args, plugin_path, extra_keys=""):
    """Four data files as a hand or an older version wrote them, and what the program writes
    for the same content: every one differs, none is empty."""
    seven = keydata_line([LEFT_CTRL, KEY_X], launch_path, launch_args, name="起動", key_text="Ctrl+X")
    old = {
        "keydata.dat": six_item_line([LEFT_CTRL, KEY_X], launch_path, arguments=launch_args, name="起動",
                                     key_text="Ctrl+X") + extra_keys,
        "keyname.dat": "000123, 無変換\r\n",
        "plugin.dat": f"{plugin_path}, ,$log\r\n",
        "vakro.dat": "[Setting]\r\nShowKeyView=1\r\n",
    }
    new_keys = seven + "".join(l[:-2] + ",false\r\n" for l in extra_keys.splitlines(True))
    new = {"keydata.dat": new_keys, "keyname.dat": "000123,無変換\r\n", "plugin.dat": f"{plugin_path},,$log\r\n"}
    return ({k: v.encode("cp932") for k, v in old.items()}, {k: v.encode("cp932") for k, v in new.items()})


class DataMount:
    """A small tmpfs mounted over the program's data folder, so the folder can be filled or
    made read-only (the tests run as root, which file permissions do not stop)."""

    def __init__(self, folder, size="256k"):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "vakro-data", folder],
                                capture_output=True, text=True)
        self.mounted = result.returncode == 0
        self.error = result.stderr.strip()

    def read_only(self, on=True):
        subprocess.run(["mount", "-o", "remount," + ("ro" if on else "rw"), self.folder], check=True)

    def fill(self):
        """Writes a filler file until the file system is full; returns its path."""
        path = os.path.join(self.folder, "filler")
        fd = os.open(path, os.O_WRONLY | os.O_CREAT)
        try:
            while True:
                os.write(fd, b"\0" * 4096)
        except OSError:
            pass
        finally:
            os.close(fd)
        return path

    def unmount(self):
        if not self.mounted:
            return
        if subprocess.run(["umount", self.folder], capture_output=True).returncode != 0:
            subprocess.run(["umount", "-l", self.folder], capture_output=True)
        self.mounted = False


def mount_data_folder(test, folder, size="256k"):
    """Mounts the tmpfs for one test, skips the test where mounting is not allowed, and always
    unmounts it at the end (a cleanup added before the program's, so it runs after it)."""
    mount = DataMount(folder, size)
    if not mount.mounted:
        test.skipTest(f"cannot mount a tmpfs over the data folder here ({mount.error}); "
                      "these faults need mount rights (root in a machine or container that allows it)")
    test.addCleanup(mount.unmount)
    return mount


def error_texts(tool):
    return [line.split(" ", 1)[1] for line in tool.dialog_texts("エラー") if " " in line]


def answer_errors(tool, messages, timeout=20):
    """Waits for each error box in turn, checks its text and closes it with OK."""
    for message in messages:
        wait_until(lambda: message in error_texts(tool), timeout, f"the error box '{message}'")
        tool.press("エラー", "OK")
        wait_until(lambda: message not in error_texts(tool), timeout, f"the error box '{message}' to close")


def no_error_box_after(tool, window):
    """True when the program, once it has handled everything sent before, shows no error box."""
    tool.send(window, WM_NULL)
    return error_texts(tool) == []


def leftover_temporaries(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith(".new"))
