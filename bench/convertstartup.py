#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""What a file manager and a script pay per call of the converter: whole processes of
`pictorate-convert --version`, `--help` and `--thumbnail 256` (as a file manager calls it)
on a few typical pictures of the corpus, each the median of several runs after an untimed
warm-up run, next to gdk-pixbuf's thumbnailer on the same files where it is installed.
Times are the wall clock of the whole process, from fork to exit, and its processor time.

The targets: --version at most 10 ms, a typical 256-pixel thumbnail at most 40 ms.

  bench/convertstartup.py [--runs N] [--files N] [--program PATH]
"""

import argparse
import pathlib
import shutil
import statistics
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

VERSION_TARGET = 0.010
THUMBNAIL_TARGET = 0.040


def timed(command, runs, output=None, quiet=False):
    """The median wall clock and processor time of `runs` runs of `command`, after one
    untimed run that warms the caches; None when a run fails."""
    measures = []
    for _ in range(runs + 1):
        measure = benchtools.run_measured(command, timeout=60, check_output=output)
        if not measure.ok:
            if not quiet:
                print(f"  {' '.join(map(str, command))}: {measure.message}", file=sys.stderr)
            return None
        measures.append(measure)
    measures = measures[1:]
    return statistics.median(m.wall for m in measures), statistics.median(m.processor for m in measures)


def row(name, result, target=None):
    if result is None:
        return f"{name:<44} failed"
    wall, processor = result
    verdict = "" if target is None else ("  met" if wall <= target else f"  over the {target * 1000:.0f} ms target")
    return f"{name:<44} {wall * 1000:7.1f} ms  (processor {processor * 1000:5.1f} ms){verdict}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--files", type=int, default=5, help="pictures of the corpus, spread evenly")
    parser.add_argument("--program", help="the pictorate-convert to time (default: the first one built)")
    args = parser.parse_args()

    program = benchtools.find_built("cli/pictorate-convert", args.program)
    if program is None:
        print("pictorate-convert is not built: run `cmake --preset bench && cmake --build build/bench "
              "--target pictorate-convert` first", file=sys.stderr)
        return 2
    files, origin = benchtools.corpus_files(args.files)
    pixbuf = shutil.which("gdk-pixbuf-thumbnailer")
    print(f"Converter start-up: {program}; {origin}; median of {args.runs} runs each")
    status = 0
    for option, target in (("--version", VERSION_TARGET), ("--help", None)):
        result = timed([program, option], args.runs)
        print(row(f"pictorate-convert {option}", result, target))
        status |= result is None or (target is not None and result[0] > target)
    thumbnails = []
    any_peer = False
    with tempfile.TemporaryDirectory() as folder:
        output = pathlib.Path(folder) / "thumbnail.png"
        for path in files:
            result = timed([program, "--thumbnail", "256", path, output], args.runs, output)
            print(row(f"--thumbnail 256 {path.name[:28]}", result))
            if result is not None:
                thumbnails.append(result[0])
            if pixbuf:
                peer = timed([pixbuf, "-s", "256", path, output], args.runs, output, quiet=True)
                if peer is not None:
                    print(row("  gdk-pixbuf-thumbnailer -s 256", peer))
                any_peer |= peer is not None
    if pixbuf and not any_peer:
        print("gdk-pixbuf-thumbnailer read none of them: its WMF loader (libwmf's) is not installed")
    if thumbnails:
        middle = statistics.median(thumbnails)
        verdict = "met" if middle <= THUMBNAIL_TARGET else f"over the {THUMBNAIL_TARGET * 1000:.0f} ms target"
        print(f"{'a typical thumbnail (the median file)':<44} {middle * 1000:7.1f} ms  {verdict}")
        status |= middle > THUMBNAIL_TARGET
    return 1 if status else 0


if __name__ == "__main__":
    sys.exit(main())
