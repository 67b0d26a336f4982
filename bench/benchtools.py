# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

"""Shared parts of the benchmark scripts: finding the corpus and the program's tools, and
timing one whole process (wall clock, processor time and peak resident memory)."""

import os
import sys
import pathlib
import statistics
import subprocess
import tempfile
import threading
import time

SOURCE_DIR = pathlib.Path(__file__).resolve().parent.parent
BUILD_DIRS = ("build/bench", "build/release", "build/test")


def corpus_files(limit):
    """The sorted .wmf files of the corpus, `limit` of them spread evenly (all when 0),
    and a line saying where they came from."""
    shared = os.environ.get("PICTORATE_SHARED_CORPUS")
    candidates = [pathlib.Path(shared)] if shared else []
    candidates.append(SOURCE_DIR.parent / "shared" / "corpus" / "real")
    folder = next((c for c in candidates if c.is_dir()), None)
    if folder is None:
        folder = SOURCE_DIR / "tests" / "data" / "wmf"
        origin = f"shared corpus not found; using the committed test files in {folder}"
    else:
        origin = f"corpus: {folder.resolve()}"
    files = sorted(p for p in folder.iterdir() if p.suffix.lower() == ".wmf" and p.is_file())
    if 0 < limit < len(files):
        files = [files[i * len(files) // limit] for i in range(limit)]
    return files, f"{origin} ({len(files)} files)"


def find_built(relative, given=None):
    """The path of a built program: `given`, else the first build folder that has it."""
    if given:
        path = pathlib.Path(given)
        return path if path.is_file() and os.access(path, os.X_OK) else None
    for build in BUILD_DIRS:
        path = SOURCE_DIR / build / relative
        if path.is_file() and os.access(path, os.X_OK):
            return path
    return None


def wmf_render_or_report(given=None):
    """The built wmf-render, or None after saying on stderr how to build it. wmf-render
    draws without a display on its own."""
    path = find_built("tools/wmf-render/wmf-render", given)
    if path is None:
        print("wmf-render is not built: run `cmake --preset bench && cmake --build build/bench "
              "--target wmf-render` first", file=sys.stderr)
    return path


class Measure:
    """One finished process: seconds of wall clock and of processor time (user plus
    system), peak resident memory in bytes, and whether it did its job."""

    def __init__(self, wall, processor, peak_bytes, ok, message=""):
        self.wall = wall
        self.processor = processor
        self.peak_bytes = peak_bytes
        self.ok = ok
        self.message = message


def run_measured(command, timeout=300, env=None, check_output=None):
    """Runs `command` to its end and measures it with the kernel's own accounting of that
    one child (wait4), so other processes on the machine do not count. `check_output`, when
    given, is a file that must exist and be non-empty afterwards."""
    if check_output is not None:
        check_output.unlink(missing_ok=True)
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=errors, env=env)
        timer = threading.Timer(timeout, process.kill)
        timer.start()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        timed_out = not timer.is_alive()
        timer.cancel()
        process.returncode = os.waitstatus_to_exitcode(status)
        errors.seek(0)
        error = errors.read().decode(errors="replace").strip()
    processor = usage.ru_utime + usage.ru_stime
    peak = usage.ru_maxrss * 1024  # the kernel counts in KiB
    if timed_out:
        return Measure(wall, processor, peak, False, f"timed out after {timeout} s")
    if process.returncode != 0:
        lines = [line for line in error.splitlines() if line.strip()]
        return Measure(wall, processor, peak, False, lines[-1] if lines else f"exit {process.returncode}")
    if check_output is not None and not (check_output.exists() and check_output.stat().st_size > 0):
        return Measure(wall, processor, peak, False, "wrote no output")
    return Measure(wall, processor, peak, True)


def median_or_none(values):
    values = list(values)
    return statistics.median(values) if values else None
