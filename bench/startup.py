#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Start-up time of the real program: starts it on a private virtual X server (Xvfb) and
measures the time from the start of the process until its main window "Pictorate!" is
mapped and viewable, as the median of a few runs after one untimed warm-up run.

xdotool's own --sync waits half a second between its searches, too coarse for this; the
script asks xdotool every few milliseconds instead, which costs the program a little of
the processor and so errs on the slow side.

  bench/startup.py [--runs N] [--program PATH]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

TARGET_SECONDS = 0.3
TITLE = "^Pictorate!$"
POLL_SECONDS = 0.005


def window_shown(env):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def start_xvfb():
    """A virtual X server on the first free display it finds; returns it and its display.
    It must not reset when its last client leaves: a program starting during a reset fails."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as reader:
        number = reader.readline().strip()
    if not number:
        server.kill()
        server.wait()
        raise RuntimeError("Xvfb did not start")
    return server, f":{number}"


def one_run(program, env, timeout=20.0):
    """Seconds until the window is shown, or an error text."""
    start = time.perf_counter()
    process = subprocess.Popen([str(program)], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        while not window_shown(env):
            if process.poll() is not None:
                error = process.stderr.read().decode(errors="replace").strip().splitlines()
                return f"the program ended with {process.returncode} before showing its window" + (
                    f": {error[-1]}" if error else "")
            if time.perf_counter() - start > timeout:
                return f"no window after {timeout:.0f} s"
            time.sleep(POLL_SECONDS)
        return time.perf_counter() - start
    finally:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        process.stderr.close()
        # The server drops the window when it notices the closed connection; the next run
        # must not find this one.
        deadline = time.perf_counter() + 5
        while window_shown(env) and time.perf_counter() < deadline:
            time.sleep(0.01)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--program", default=None, help="path of pictorate (default: the build folders)")
    args = parser.parse_args()

    program = benchtools.find_built("app/pictorate", args.program)
    if program is None:
        print("pictorate is not built: run `cmake --preset bench && cmake --build build/bench` first",
              file=sys.stderr)
        return 1
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print(f"{tool} is not installed (Debian packages xvfb and xdotool)", file=sys.stderr)
            return 1

    server, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        results = [one_run(program, env) for _ in range(max(1, args.runs) + 1)][1:]  # the first warms the caches
    finally:
        server.terminate()
        server.wait()

    times = [r for r in results if isinstance(r, float)]
    print(f"\n== Start-up of {program} until \"Pictorate!\" is shown (Xvfb {display}) ==")
    for error in sorted({r for r in results if isinstance(r, str)}):
        print(f"  failed: {error}")
    if not times:
        return 1
    middle = statistics.median(times)
    print(f"median {middle:.3f} s over {len(times)} runs (fastest {min(times):.3f} s, slowest {max(times):.3f} s); "
          f"target at most {TARGET_SECONDS} s: {'met' if middle <= TARGET_SECONDS else 'MISSED'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
