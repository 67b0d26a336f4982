#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Closeness to GDI over the shared corpus, at the window's canvas and at each picture's own
proportions, and a check that it does not drift.

    bench/fidelity.py [--set emf|wmf ...] [--files N] [-j N] [--check] [--write] [--list]

Each metafile of the shared sets (../shared/corpus/emf/real, ../shared/corpus/real) is drawn
by `wmf-render` (as the window draws: the whole picture stretched onto the canvas) and by the
GDI oracle (../shared/tools/gdi-oracle/render-gdi) at two sizes:

- window: 269 x 213, the canvas the main window draws on;
- own: 1024 wide at the picture's own proportions (its frame, as the oracle frames it), the
  height a multiple of 4.

Both are scored as tests/fidelity/score.py scores (4 x 4 area averages, mean absolute
difference per channel). The table lists the mean and median of each set and size, and the
files whose distance at the window's size is more than twice their distance at their own
proportions plus 1.0: pictures that go wrong only when drawn small and stretched.

The oracle needs Wine, which CI does not have, and the shared files may not be committed, so
this runs here rather than in the test suite: the per-file scores are committed in
bench/fidelity-scores.tsv; --check compares a run with them and exits 1 when a set's mean or
median, or a file's score, has grown past its tolerance; --write replaces them after a change
that moved them on purpose. The oracle's renders depend only on the oracle and the files,
so they are kept under build/fidelity/ by the oracle's set-up version and made once.
"""

import argparse
import concurrent.futures
import os
import pathlib
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile

import benchtools

sys.path.insert(0, str(benchtools.SOURCE_DIR / "tests" / "fidelity"))
import score  # noqa: E402  (tests/fidelity/score.py, the project's measure)

SHARED = benchtools.SOURCE_DIR.parent / "shared"
SETS = {"emf": ("corpus/emf/real", ".emf"), "wmf": ("corpus/real", ".wmf")}
ORACLE = SHARED / "tools" / "gdi-oracle" / "render-gdi"
SCORES = benchtools.SOURCE_DIR / "bench" / "fidelity-scores.tsv"
WINDOW = (269, 213)
OWN_WIDTH = 1024
MAX_OWN_HEIGHT = 4096
# A file drifts when its score grows by more than this; a set when its mean or median does
# by more than SET_TOLERANCE. Both sides are deterministic on one machine, so any growth is
# a change in the engine; the slack absorbs another FreeType's anti-aliasing.
FILE_TOLERANCE = 0.5
SET_TOLERANCE = 0.05
# "Goes wrong only when small": distance at the window's size > FACTOR * own + MARGIN.
FACTOR, MARGIN = 2.0, 1.0


def frame_aspect(path):
    """Height over width of the picture's frame as the oracle frames it: an EMF's rclFrame;
    a WMF's placeable box, else its first window extent; None when neither is there."""
    data = path.read_bytes()
    if len(data) >= 40 and data[40:44] == b" EMF":
        left, top, right, bottom = struct.unpack_from("<iiii", data, 24)
    elif len(data) >= 22 and data[:4] == b"\xd7\xcd\xc6\x9a":
        left, top, right, bottom = struct.unpack_from("<hhhh", data, 6)
    else:
        left = top = right = bottom = 0
        offset = 18  # after the standard header
        while offset + 6 <= len(data):
            size, function = struct.unpack_from("<IH", data, offset)
            if size < 3 or function == 0:
                break
            if function == 0x020C and offset + 10 <= len(data):  # SETWINDOWEXT: height, width
                height, width = struct.unpack_from("<hh", data, offset + 6)
                right, bottom = width, height
                break
            offset += size * 2
    width, height = abs(right - left), abs(bottom - top)
    return height / width if width and height else None


def own_size(path):
    aspect = frame_aspect(path) or 0.75
    height = max(4, min(MAX_OWN_HEIGHT, round(OWN_WIDTH * aspect / 4) * 4))
    return OWN_WIDTH, height


def oracle_version():
    match = re.search(r"gdi-oracle-setup-(\d+)", ORACLE.read_text())
    return match.group(1) if match else "unknown"


def render(command, out):
    """Whether `command` wrote `out`; a renderer that times out or cannot start wrote nothing."""
    try:
        subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120, check=False)
    except (subprocess.TimeoutExpired, OSError):
        return False
    return out.exists() and out.stat().st_size > 0


def score_file(job):
    """(name, size label, score or None) for one file at one size."""
    path, label, size, wmf_render, cache, scratch = job
    reference = cache / label / (path.stem + ".bmp")
    reference.parent.mkdir(parents=True, exist_ok=True)
    if not reference.exists() and not render([str(ORACLE), str(path), str(reference), *map(str, size)], reference):
        return path.name, label, None
    ours = scratch / f"{label}-{path.stem}.bmp"
    rendered = render([str(wmf_render), str(path), str(ours), *map(str, size)], ours)
    mean, _ = score.score(score.read_bmp(ours) if rendered else None, score.read_bmp(reference))
    ours.unlink(missing_ok=True)
    return path.name, label, mean


def measure(kind, files, wmf_render, jobs):
    cache = benchtools.SOURCE_DIR / "build" / "fidelity" / f"oracle-v{oracle_version()}" / kind
    scores = {}
    with tempfile.TemporaryDirectory() as scratch:
        work = [(path, label, size, wmf_render, cache, pathlib.Path(scratch))
                for path in files for label, size in (("window", WINDOW), ("own", own_size(path)))]
        with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
            for name, label, value in pool.map(score_file, work):
                if value is not None:
                    scores.setdefault(name, {})[label] = value
    return {name: s for name, s in scores.items() if len(s) == 2}


def summary(scores):
    window = [s["window"] for s in scores.values()]
    own = [s["own"] for s in scores.values()]
    small = sorted(name for name, s in scores.items() if s["window"] > FACTOR * s["own"] + MARGIN)
    return {"files": len(scores), "window mean": statistics.mean(window), "window median": statistics.median(window),
            "own mean": statistics.mean(own), "own median": statistics.median(own)}, small


def read_committed():
    committed = {}
    if SCORES.exists():
        for line in SCORES.read_text().splitlines():
            if line and not line.startswith("#"):
                kind, name, window, own = line.split("\t")
                committed.setdefault(kind, {})[name] = {"window": float(window), "own": float(own)}
    return committed


def write_committed(results):
    lines = ["# SPDX-License-Identifier: Apache-2.0", "# SPDX-FileCopyrightText: 2026 Quillfern",
             "# bench/fidelity.py --write: set, file, distance to GDI at 269 x 213, at its own proportions"]
    for kind in sorted(results):
        for name in sorted(results[kind]):
            s = results[kind][name]
            lines.append(f"{kind}\t{name}\t{s['window']:.2f}\t{s['own']:.2f}")
    SCORES.write_text("\n".join(lines) + "\n")


def check(kind, scores, committed):
    """Lines naming what grew past its tolerance against the committed scores."""
    problems = []
    before = {name: committed[name] for name in scores if name in committed}
    if not before:
        return [f"{kind}: no committed scores to compare with"]
    now_summary, _ = summary({name: scores[name] for name in before})
    then_summary, _ = summary(before)
    for key in ("window mean", "window median", "own mean", "own median"):
        if now_summary[key] > then_summary[key] + SET_TOLERANCE:
            problems.append(f"{kind}: {key} {then_summary[key]:.2f} -> {now_summary[key]:.2f}")
    for name in sorted(before):
        for label in ("window", "own"):
            if scores[name][label] > before[name][label] + FILE_TOLERANCE:
                problems.append(f"{kind}: {name} at {label} {before[name][label]:.2f} -> {scores[name][label]:.2f}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--set", action="append", choices=sorted(SETS), help="emf, wmf (default: both)")
    parser.add_argument("--files", type=int, default=0, help="this many files of each set, spread evenly")
    parser.add_argument("-j", "--jobs", type=int, default=2)
    parser.add_argument("--check", action="store_true", help="compare with bench/fidelity-scores.tsv")
    parser.add_argument("--write", action="store_true", help="replace bench/fidelity-scores.tsv")
    parser.add_argument("--list", action="store_true", help="print every file's scores")
    parser.add_argument("--wmf-render", help="the wmf-render to measure (default: the first one built)")
    args = parser.parse_args()
    if args.write and args.files:
        print("--write takes the whole sets: leave out --files", file=sys.stderr)
        return 2
    wmf_render = benchtools.wmf_render_or_report(args.wmf_render)
    if wmf_render is None:
        return 2
    if not ORACLE.exists() or shutil.which("wine") is None:
        print(f"the GDI oracle needs {ORACLE} and Wine", file=sys.stderr)
        return 2
    committed = read_committed()
    results = {}
    problems = []
    for kind in args.set or sorted(SETS):
        folder, suffix = SETS[kind]
        files = sorted(p for p in (SHARED / folder).glob("*" + suffix) if p.is_file())
        if 0 < args.files < len(files):
            files = [files[i * len(files) // args.files] for i in range(args.files)]
        scores = measure(kind, files, wmf_render, args.jobs)
        results[kind] = scores
        figures, small = summary(scores)
        print(f"{kind}: {figures['files']} files; at 269 x 213 mean {figures['window mean']:.2f}, median "
              f"{figures['window median']:.2f}; at own proportions mean {figures['own mean']:.2f}, median "
              f"{figures['own median']:.2f}; {len(small)} files more than {FACTOR:g} x own + {MARGIN:g} at 269 x 213")
        for name in small:
            print(f"    {scores[name]['window']:6.2f} {scores[name]['own']:6.2f}  {name}")
        if args.list:
            for name in sorted(scores, key=lambda n: -scores[n]["window"]):
                print(f"  {scores[name]['window']:6.2f} {scores[name]['own']:6.2f}  {name}")
        if args.check:
            problems += check(kind, scores, committed.get(kind, {}))
    if args.write:
        merged = {**committed, **results}
        write_committed(merged)
        print(f"wrote {SCORES.relative_to(benchtools.SOURCE_DIR)}")
    for line in problems:
        print("drift: " + line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
