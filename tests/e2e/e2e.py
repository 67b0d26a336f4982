#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Drives the real program on a virtual X server with real keyboard and mouse events, as a
person would: nothing in the program is replaced. Usage: e2e.py PROGRAM METAFILE ENHANCED OUTDIR,
ENHANCED an Enhanced Metafile.
Screenshots of every step stay in OUTDIR when a step fails (always with E2E_KEEP_SCREENSHOTS=1)."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import e2e_saving  # noqa: E402

PROGRAM, METAFILE, ENHANCED, OUTDIR = map(os.path.abspath, sys.argv[1:5])
TIMEOUT = 15.0
env = dict(os.environ)
env.pop("QT_QPA_PLATFORM", None)
screens = []


class StepFailed(Exception):
    pass


def run(*args, check=True):
    result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise StepFailed(f"{' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout.strip()


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls `probe` until it returns something true; fails with `what` after the timeout."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise StepFailed(f"timed out waiting for {what}")
        time.sleep(0.05)


def window(title):
    ids = run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False).split()
    return ids[0] if ids else None


def wait_window(title, timeout=TIMEOUT):
    return wait_for(f'window "{title}"', lambda: window(title), timeout)


def wait_gone(title):
    wait_for(f'window "{title}" to close', lambda: window(title) is None)


def focus(wid):
    run("xdotool", "windowfocus", "--sync", wid)


def keys(wid, *sequence):
    focus(wid)
    run("xdotool", "key", "--clearmodifiers", "--delay", "30", *sequence)


def type_text(wid, text):
    focus(wid)
    run("xdotool", "type", "--delay", "10", "--", text)


def click(wid, x, y, button=1):
    run("xdotool", "mousemove", "--window", wid, str(x), str(y), "click", str(button))


def move(wid, x, y):
    run("xdotool", "mousemove", "--window", wid, str(x), str(y))


def geometry(wid):
    out = run("xdotool", "getwindowgeometry", "--shell", wid)
    values = dict(line.split("=") for line in out.splitlines())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def screenshot(name, wid="root"):
    path = os.path.join(OUTDIR, f"{len(screens):02d}-{name}.png")
    run("import", "-window", wid, path)
    screens.append(path)
    return path


def pixels(path, x, y, width, height):
    """The RGB pixels of a region of a PNG, row by row, read through ImageMagick."""
    raw = subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def message_text(title="Rasterwick", timeout=TIMEOUT):
    """Waits for a message box, copies its text with Ctrl+C as a user can, and dismisses it with Enter."""
    box = wait_window(title, timeout)
    screenshot("message", box)
    keys(box, "ctrl+c")
    text = wait_for("the message on the clipboard",
                    lambda: run("xclip", "-o", "-selection", "clipboard", check=False))
    keys(box, "Return")
    wait_gone(title)
    return text


def field_text(wid, x, y):
    """Reads a text box through the clipboard: click into it, select all, copy."""
    click(wid, x, y)
    keys(wid, "ctrl+a", "ctrl+c")
    return run("xclip", "-o", "-selection", "clipboard", check=False)


def bmp_size(path):
    with open(path, "rb") as file:
        header = file.read(54)
    if header[:2] != b"BM":
        raise StepFailed(f"{path} is not a BMP file")
    width, height = struct.unpack_from("<ii", header, 18)
    depth, = struct.unpack_from("<H", header, 28)
    return width, height, depth


def main():
    os.makedirs(OUTDIR, exist_ok=True)
    scratch = tempfile.mkdtemp()
    source = os.path.join(scratch, "drawing.wmf")
    shutil.copy(METAFILE, source)
    opened = os.path.join(scratch, "opened.txt")
    bin_dir = os.path.join(scratch, "bin")
    os.mkdir(bin_dir)
    with open(os.path.join(bin_dir, "xdg-open"), "w") as recorder:
        recorder.write(f'#!/bin/sh\necho "$@" >> "{opened}"\n')
    os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
    env["PATH"] = bin_dir + os.pathsep + env["PATH"]
    # The program runs in a home of its own with a picture in its pictures folder, and with a
    # temporary and a runtime folder of its own; it must leave home and temporary folder as it
    # found them.
    home = os.path.join(scratch, "home")
    os.makedirs(os.path.join(home, "Pictures"))
    shutil.copy(METAFILE, os.path.join(home, "Pictures", "sample.wmf"))
    for variable in ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"):
        env[variable] = home
    for variable, name in (("TMPDIR", "tmp"), ("XDG_RUNTIME_DIR", "run")):
        env[variable] = os.path.join(scratch, name)
        os.mkdir(env[variable], 0o700)
    if os.geteuid() == 0:
        os.chmod(scratch, 0o755)  # the second program runs as another user

    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    os.close(write_fd)
    env["DISPLAY"] = ":" + os.read(read_fd, 16).decode().strip()
    program = None
    try:
        program = subprocess.Popen([PROGRAM], env=env, cwd=scratch, stderr=subprocess.DEVNULL)
        steps(program, scratch, source, opened)
        left_behind = [os.path.relpath(os.path.join(folder, name), home)
                       for folder, folders, files in os.walk(home) for name in folders + files]
        left_behind += os.listdir(env["TMPDIR"])
        if sorted(left_behind) != ["Pictures", os.path.join("Pictures", "sample.wmf")]:
            raise StepFailed(f"the session left files in the home or temporary folder: {left_behind}")
        for ending in ("term", "hup", "kill"):
            e2e_saving.second_program(sys.modules[__name__], scratch, source, ending)
        print("end-to-end: all steps passed")
        if not os.environ.get("E2E_KEEP_SCREENSHOTS"):
            for path in screens:
                os.remove(path)
        return 0
    except StepFailed as failure:
        print(f"end-to-end: FAILED: {failure}; screenshots in {OUTDIR}", file=sys.stderr)
        try:
            screenshot("at-failure")
        except Exception:
            pass
        return 1
    finally:
        if program and program.poll() is None:
            program.kill()
        xvfb.kill()
        shutil.rmtree(scratch, ignore_errors=True)


def choose(main_wid, path):
    """Alt+E opens the real dialog; the path is typed and confirmed."""
    keys(main_wid, "alt+e")
    dialog = wait_window("Select file to pictorate:")
    type_text(dialog, path)
    keys(dialog, "Return")
    wait_gone("Select file to pictorate:")


def refused_choice(main_wid, menu, path, reason):
    """A choice that is no picture: refused at once with its reason, the preview kept."""
    choose(main_wid, path)
    started = time.monotonic()
    text = message_text()
    if f"The file {path} could not be read as a picture: {reason}." not in text:
        raise StepFailed(f"unexpected message for {path}: {text!r}")
    if time.monotonic() - started > 5.0:
        raise StepFailed(f"the refusal of {path} took {time.monotonic() - started:.1f} s")
    if canvas_blank(main_wid, menu):
        raise StepFailed(f"the preview was lost after choosing {path}")


def canvas_blank(main_wid, menu):
    """True when the canvas's inner area is all white (the canvas lies at 16, 8 in the client area)."""
    shot = screenshot("canvas", main_wid)
    return set(pixels(shot, 16 + 6, menu + 8 + 6, 257, 201)) == {(255, 255, 255)}


def steps(program, scratch, source, opened):
    # 1. The window appears; the convert button holds the focus, so Space presses it.
    main_wid = wait_window("Pictorate!")
    screenshot("start", main_wid)
    _, _, width, height = geometry(main_wid)
    menu = height - 376  # the client area is 376 pixels high, under the menu bar
    if width != 530 or not 15 <= menu <= 40:
        raise StepFailed(f"main window is {width}x{height}")
    e2e_saving.resizable_frame(sys.modules[__name__], main_wid)

    # 2. Convert with nothing selected.
    keys(main_wid, "space")
    text = message_text()
    if "Please make sure you have selected a file to convert." not in text or "Rasterwick" not in text:
        raise StepFailed(f"unexpected message: {text!r}")

    # 3. Alt+E opens the real dialog in the pictures folder; type the path; the preview shows the drawing.
    if not canvas_blank(main_wid, menu):
        raise StepFailed("the canvas is not blank at start")
    e2e_saving.dialog_starts_in_pictures(sys.modules[__name__], main_wid, menu)
    keys(main_wid, "alt+e")
    dialog = wait_window("Select file to pictorate:")
    screenshot("dialog", dialog)
    type_text(dialog, source)
    keys(dialog, "Return")
    wait_gone("Select file to pictorate:")
    wait_for("the drawing in the preview", lambda: not canvas_blank(main_wid, menu))

    # 3a. A named pipe and a device behind a link are no pictures: refused at once, and the
    # window keeps working.
    pipe = os.path.join(scratch, "pipe.wmf")
    os.mkfifo(pipe)
    refused_choice(main_wid, menu, pipe, "it is a named pipe, not a file")
    zero = os.path.join(scratch, "zero.wmf")
    os.symlink("/dev/zero", zero)
    refused_choice(main_wid, menu, zero, "it is a device, not a file")

    # 3b. A source named .bmp with no target name would be its own target: refused, kept whole.
    same = os.path.join(scratch, "same.bmp")
    shutil.copy(source, same)
    choose(main_wid, same)
    keys(main_wid, "alt+i")
    text = message_text()
    if f"The file {same} could not be saved: it is the source file itself, which would be lost." not in text:
        raise StepFailed(f"unexpected message for a source that is its own target: {text!r}")
    with open(same, "rb") as kept, open(source, "rb") as original:
        if kept.read() != original.read():
            raise StepFailed("the source was overwritten by its own conversion")

    # 3c. An Enhanced Metafile, as "All Files" lists it: previewed and converted as a
    # Windows Metafile is, at the canvas's own size.
    chart = os.path.join(scratch, "chart.emf")
    shutil.copy(ENHANCED, chart)
    choose(main_wid, chart)
    wait_for("the EMF in the preview", lambda: not canvas_blank(main_wid, menu))
    keys(main_wid, "alt+i")
    text = message_text()
    if chart not in text or "converted" not in text:
        raise StepFailed(f"unexpected confirmation for an EMF: {text!r}")
    converted = os.path.join(scratch, "chart.bmp")
    if bmp_size(converted) != (269, 213, 24):
        raise StepFailed(f"chart.bmp is {bmp_size(converted)}")
    if set(pixels(converted, 0, 0, 269, 213)) <= {(255, 255, 255)}:
        raise StepFailed("chart.bmp is blank")
    choose(main_wid, source)

    # 4. Tick the size option, type a size and a target name, convert.
    click(main_wid, 16 + 8, menu + 232 + 12)
    click(main_wid, 64 + 40, menu + 264 + 9)
    type_text(main_wid, "1500")
    click(main_wid, 200 + 40, menu + 264 + 9)
    type_text(main_wid, "3000")
    click(main_wid, 336 + 60, menu + 248 + 9)
    type_text(main_wid, "out")
    screenshot("filled", main_wid)
    keys(main_wid, "alt+i")
    box = wait_window("Rasterwick")
    shot = screenshot("confirming", main_wid)
    # The canvas is 200 x 100 pixels now: a point that was inside it shows the window's face.
    if pixels(shot, 250, menu + 150, 1, 1)[0] == (255, 255, 255):
        raise StepFailed("the canvas did not take the new size while the confirmation was up")
    text = message_text()
    if source not in text or "converted" not in text:
        raise StepFailed(f"unexpected confirmation: {text!r}")
    target = os.path.join(scratch, "out.bmp")
    if bmp_size(target) != (196, 96, 24):
        raise StepFailed(f"out.bmp is {bmp_size(target)}")
    identified = run("identify", "-format", "%m %w %h %[channels] %z", target)
    if identified != "BMP3 196 96 srgb 8":  # BMP3: the BITMAPINFOHEADER format
        raise StepFailed(f"ImageMagick reads out.bmp as {identified!r}")
    wait_for("the canvas back at its start", lambda: canvas_blank(main_wid, menu))
    if field_text(main_wid, 64 + 40, menu + 264 + 9) != "1500":
        raise StepFailed("the height text was not kept")

    # 5. A negative height is refused and nothing is written.
    os.remove(target)
    keys(main_wid, "ctrl+a")
    type_text(main_wid, "-1")
    keys(main_wid, "alt+e")
    dialog = wait_window("Select file to pictorate:")
    type_text(dialog, source)
    keys(dialog, "Return")
    wait_gone("Select file to pictorate:")
    keys(main_wid, "alt+i")
    text = message_text()
    if "Please enter a valid height" not in text:
        raise StepFailed(f"unexpected message: {text!r}")
    if os.path.exists(target):
        raise StepFailed("a BMP was written after a refused height")

    # 5a. The largest canvas, cancelled and then a wide one; a long target name's confirmation.
    e2e_saving.largest_canvas(sys.modules[__name__], main_wid, menu, scratch, source, program)
    e2e_saving.long_name_wraps(sys.modules[__name__], main_wid, menu, scratch)

    # 6. Help > About: the link lights under the pointer, darkens after it, opens the address.
    keys(main_wid, "alt+h", "a")
    about = wait_window("About Rasterwick")
    screenshot("about", about)
    about_x, about_y, _, _ = geometry(about)
    link = (304, 8, 185, 17)  # picHyperlink: 4560, 120 twips, the label's size

    def blue_rows():
        shot = screenshot("link", about)
        region = pixels(shot, *link)
        rows = [region[i:i + link[2]] for i in range(0, len(region), link[2])]
        return [sum(1 for r, g, b in row if b > 150 and r < 100 and g < 100) for row in rows]

    move(about, link[0] + 40, link[1] + 8)
    lit = wait_for("the link to light", lambda: (lambda rows: rows if sum(rows) > 30 else None)(blue_rows()))
    if max(lit) < 40:
        raise StepFailed("the lit link is not underlined")
    move(about, link[0] + 40, link[1] + 200)
    left = time.monotonic()
    wait_for("the link to darken", lambda: sum(blue_rows()) == 0, timeout=2.0)
    if time.monotonic() - left > 1.0:
        raise StepFailed("the link stayed lit too long")
    click(about, link[0] + 40, link[1] + 8)
    address = wait_for("the URL handler", lambda: os.path.exists(opened) and open(opened).read().strip())
    if not address.startswith("http"):
        raise StepFailed(f"the URL handler got {address!r}")
    keys(about, "Escape")
    wait_gone("About Rasterwick")

    # 6b. Opened from the keyboard under a pointer that rests where the link appears, the link
    # stays black when a button goes down: no move of the user's has lit it.
    run("xdotool", "mousemove", str(about_x + link[0] + 40), str(about_y + link[1] + 8))
    keys(main_wid, "alt+h", "a")
    about = wait_window("About Rasterwick")
    if geometry(about)[:2] != (about_x, about_y):
        raise StepFailed("the About window opened somewhere else the second time")
    run("xdotool", "mousedown", "1")
    time.sleep(0.3)
    shot = screenshot("pressed-unmoved", about)
    coloured = sum(1 for r, g, b in pixels(shot, *link) if max(r, g, b) > 150 and min(r, g, b) < 100)
    run("xdotool", "mouseup", "1")
    if coloured:
        raise StepFailed("a press with no move lit the link")
    keys(about, "Escape")
    wait_gone("About Rasterwick")

    # 7. Help > Pictorate Info, then File > Exit: the Info window stays; Close ends the program.
    keys(main_wid, "alt+h", "i")
    info = wait_window("Info on Pictorate")
    screenshot("info", info)
    keys(main_wid, "alt+f", "x")
    wait_gone("Pictorate!")
    if program.poll() is not None or window("Info on Pictorate") is None:
        raise StepFailed("the Info window did not outlive the main window")
    keys(info, "alt+c")
    status = wait_for("the program to end", lambda: program.poll() is not None or None)
    if program.returncode != 0:
        raise StepFailed(f"the program ended with status {program.returncode}")


if __name__ == "__main__":
    sys.exit(main())
