# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""The end-to-end test's steps about saving and ending, run by e2e.py with its helpers (`d`):
the frame sizes freely, the open dialog starts in the pictures folder, a long name wraps in the
confirmation, the largest canvas saves with a busy pointer and a progress box whose Cancel
leaves the old file within 1 GiB of memory, a protected file is refused, and the program ends
cleanly on SIGTERM and SIGHUP and leaves nothing when it is killed outright."""

import ctypes
import os
import shutil
import signal
import subprocess
import time

LARGEST = "491565"  # twips: 32771 pixels outside, the largest canvas, 32767 inside
GIB = 2**30
PROGRESS = "Pictorating..."


class CursorWatch:
    """The pointer's current picture, read through the XFixes extension as a user sees it."""

    class Image(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                    ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                    ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                    ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xfixes = ctypes.CDLL("libXfixes.so.3")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(self.Image)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(display.encode())
        base, error = ctypes.c_int(), ctypes.c_int()
        self.xfixes.XFixesQueryExtension(ctypes.c_void_p(self.display), ctypes.byref(base), ctypes.byref(error))

    def shape(self):
        image = self.xfixes.XFixesGetCursorImage(self.display)
        if not image:
            return None
        c = image.contents
        shape = (c.width, c.height, c.xhot, c.yhot, tuple(c.pixels[i] for i in range(c.width * c.height)))
        self.x11.XFree(image)
        return shape


def listing(folder):
    return sorted(os.listdir(folder))


def set_field(d, wid, x, y, text):
    d.click(wid, x, y)
    d.keys(wid, "ctrl+a")
    d.focus(wid)
    d.run("xdotool", "type", "--delay", "2", "--", text)


def resizable_frame(d, main_wid):
    """The frame is an ordinary sizeable one: its smallest size is well below the design."""
    hints = d.run("xprop", "-id", main_wid, "WM_NORMAL_HINTS")
    for line in hints.splitlines():
        if "minimum size" in line:
            width, height = (int(part) for part in line.split(":")[1].replace("by", " ").split())
            if width >= 530 or height >= 376:
                raise d.StepFailed(f"the window cannot be made smaller than {width} x {height}")


def dialog_starts_in_pictures(d, main_wid, menu):
    """A name typed without a folder in the first dialog is found in the user's pictures folder."""
    d.keys(main_wid, "alt+e")
    dialog = d.wait_window("Select file to pictorate:")
    d.screenshot("dialog-in-pictures", dialog)
    d.type_text(dialog, "sample.wmf")
    d.keys(dialog, "Return")
    d.wait_gone("Select file to pictorate:")
    d.wait_for("the picture from the pictures folder", lambda: not d.canvas_blank(main_wid, menu))


def long_name_wraps(d, main_wid, menu, scratch):
    """The confirmation of a long target name wraps it within a box narrower than the screen."""
    name = "a_picture_with_a_long_name_" * 8 + ".bmp"
    set_field(d, main_wid, 64 + 40, menu + 264 + 9, "1500")
    set_field(d, main_wid, 200 + 40, menu + 264 + 9, "3000")
    set_field(d, main_wid, 336 + 60, menu + 248 + 9, name)
    d.keys(main_wid, "alt+i")
    box = d.wait_window("Rasterwick")
    d.screenshot("wrapped", "root")
    width = d.geometry(box)[2]
    text = d.message_text()
    if os.path.join(scratch, name) not in text:
        raise d.StepFailed(f"the confirmation does not name {name}: {text!r}")
    if width > 700:
        raise d.StepFailed(f"the confirmation of a long name is {width} pixels wide")
    os.remove(os.path.join(scratch, name))


def largest_canvas(d, main_wid, menu, scratch, source, program):
    """At 32767 x 32767 the pointer is busy at once, the progress shows, and Cancel leaves the old
    file; a wide conversion then completes in bands. The process stays within 1 GiB."""
    big = os.path.join(scratch, "big.bmp")
    with open(big, "wb") as old:
        old.write(b"old picture")
    before = listing(scratch)
    set_field(d, main_wid, 64 + 40, menu + 264 + 9, LARGEST)
    set_field(d, main_wid, 200 + 40, menu + 264 + 9, LARGEST)
    set_field(d, main_wid, 336 + 60, menu + 248 + 9, "big")
    cursor = CursorWatch(d.env["DISPLAY"])
    d.move(main_wid, 100, menu + 330)
    idle = d.wait_for("the pointer's picture", cursor.shape)
    d.keys(main_wid, "alt+i")
    d.wait_for("the busy pointer", lambda: cursor.shape() != idle, timeout=1.0)
    progress = d.wait_window(PROGRESS)
    d.screenshot("progress", "root")
    d.keys(progress, "Escape")
    d.wait_gone(PROGRESS)
    # The run ends once the band being drawn is done: the canvas shows the picture again.
    d.wait_for("the canvas back at its size", lambda: not d.canvas_blank(main_wid, menu), timeout=30)
    if d.window("Rasterwick"):
        raise d.StepFailed("a cancelled conversion showed a message")
    with open(big, "rb") as kept:
        if kept.read() != b"old picture" or listing(scratch) != before:
            raise d.StepFailed(f"a cancelled conversion changed the folder: {listing(scratch)}")

    set_field(d, main_wid, 64 + 40, menu + 264 + 9, "9000")
    d.keys(main_wid, "alt+i")
    text = d.message_text(timeout=60)
    if "converted" not in text or d.bmp_size(big) != (32767, 596, 24):
        raise d.StepFailed(f"the wide conversion gave {text!r}, {d.bmp_size(big)}")
    os.remove(big)
    d.choose(main_wid, source)
    peak = peak_memory(program.pid)
    print(f"end-to-end: peak memory {peak / 2**20:.0f} MiB after the largest conversions")
    if peak > GIB:
        raise d.StepFailed(f"the program took {peak / 2**20:.0f} MiB")


def peak_memory(pid):
    """The process's peak resident memory so far, as the kernel counts it."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    return 0


def as_user(d, scratch):
    """How a second program runs: as `nobody` when the test is root, so that root's files are
    another user's, with a home, temporary and runtime folder of its own."""
    root = os.geteuid() == 0
    prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if root else []
    env = dict(d.env)
    folders = {}
    for name, variables in (("home2", ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                        "XDG_STATE_HOME")), ("tmp2", ("TMPDIR",)), ("run2", ("XDG_RUNTIME_DIR",))):
        folder = os.path.join(scratch, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.mkdir(folder, 0o700)
        if root:
            os.chown(folder, 65534, 65534)
        for variable in variables:
            env[variable] = folder
        folders[name] = folder
    return prefix, env, folders


def second_program(d, scratch, source, ending):
    """Another run of the program: chooses the source and, as `ending` asks, is ended by a signal
    when idle (after a refused protected target), while it saves, or killed outright while it
    saves. It must leave its home and temporary folder empty and the old file whole."""
    prefix, env, folders = as_user(d, scratch)
    work = os.path.join(scratch, f"work-{ending}")
    os.mkdir(work)
    os.chmod(work, 0o777)
    target = os.path.join(work, "other.bmp")
    with open(target, "wb") as old:
        old.write(b"precious")
    os.chmod(target, 0o644 if os.geteuid() == 0 else 0o444)
    program = subprocess.Popen(prefix + [d.PROGRAM], env=env, cwd=work, stderr=subprocess.DEVNULL)
    try:
        main_wid = d.wait_window("Pictorate!")
        menu = d.geometry(main_wid)[3] - 376
        d.choose(main_wid, source)
        if ending == "term":
            set_field(d, main_wid, 336 + 60, menu + 248 + 9, target)
            d.keys(main_wid, "alt+i")
            text = d.message_text()
            if f"The file {target} could not be saved: it is write-protected." not in text:
                raise d.StepFailed(f"unexpected message for a protected file: {text!r}")
        else:
            os.chmod(target, 0o666)
            d.click(main_wid, 16 + 8, menu + 232 + 12)
            set_field(d, main_wid, 64 + 40, menu + 264 + 9, LARGEST)
            set_field(d, main_wid, 200 + 40, menu + 264 + 9, LARGEST)
            set_field(d, main_wid, 336 + 60, menu + 248 + 9, target)
            d.keys(main_wid, "alt+i")
            d.wait_window(PROGRESS)
        program.send_signal({"term": signal.SIGTERM, "hup": signal.SIGHUP, "kill": signal.SIGKILL}[ending])
        status = program.wait(timeout=30)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    expected = {"term": -signal.SIGTERM, "hup": -signal.SIGHUP, "kill": -signal.SIGKILL}[ending]
    if status != expected:
        raise d.StepFailed(f"the program ended by {ending} with status {status}")
    with open(target, "rb") as kept:
        if kept.read() != b"precious" or listing(work) != ["other.bmp"]:
            raise d.StepFailed(f"after {ending} the folder holds {listing(work)}")
    for name in ("home2", "tmp2"):
        if os.listdir(folders[name]):
            raise d.StepFailed(f"after {ending} the program left {os.listdir(folders[name])} in {name}")
