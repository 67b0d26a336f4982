#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Times a whole folder's conversion: pictorate-convert on every metafile of the corpus in
one process (BMP and PNG, with -j 1 and with -j 2), against libwmf's wmf2gd writing PNG, run
once per file the way a shell loop uses it, and Inkscape converting the same files in one
process. Wall clock and processor time of the whole batch; a peer that is not installed is
skipped. The target: our PNG batch at least 15 times faster than the wmf2gd loop.

  bench/batch.py [--size 1024x768] [--files N] [--pictorate-convert PATH]
"""

import argparse
import pathlib
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

TARGET_OVER_WMF2GD = 15.0  # how many times faster than the wmf2gd loop the batch should be


class Batch:
    """A whole batch: wall and processor seconds summed over its processes, and how many
    files came out."""

    def __init__(self, wall=0.0, processor=0.0, written=0, failed_processes=0, message=""):
        self.wall = wall
        self.processor = processor
        self.written = written
        self.failed_processes = failed_processes
        self.message = message


def count_outputs(folder, suffix):
    return sum(1 for path in folder.rglob(f"*{suffix}") if path.stat().st_size > 0)


def ours(program, files, folder, size, jobs, format_name="bmp"):
    out = folder / f"pictorate-{format_name}-j{jobs}"
    command = [str(program), "-q", "-j", str(jobs), f"--size={size[0]}x{size[1]}", "-f", format_name, "-o", str(out)]
    measure = benchtools.run_measured(command + [str(path) for path in files], timeout=1800)
    # Exit status 1 means some files failed; the batch itself still ran.
    message = "" if measure.ok else measure.message
    return Batch(measure.wall, measure.processor, count_outputs(out, "." + format_name), 0, message)


def wmf2gd_loop(program, files, folder, size):
    out = folder / "wmf2gd"
    out.mkdir()
    batch = Batch()
    for path in files:
        target = out / (path.stem + ".png")
        measure = benchtools.run_measured([program, "-t", "png", f"--maxwidth={size[0]}", f"--maxheight={size[1]}",
                                           "--maxsize", "-o", str(target), str(path)], timeout=120,
                                          check_output=target)
        batch.wall += measure.wall
        batch.processor += measure.processor
        batch.failed_processes += 0 if measure.ok else 1
    batch.written = count_outputs(out, ".png")
    return batch


def inkscape_batch(program, files, folder, size, timeout):
    """Inkscape writes each PNG beside its input: it converts copies made before the clock
    starts."""
    out = folder / "inkscape"
    out.mkdir()
    copies = []
    for path in files:
        copy = out / path.name
        shutil.copyfile(path, copy)
        copies.append(str(copy))
    command = [program, "--export-type=png", "-w", str(size[0]), "-h", str(size[1])] + copies
    measure = benchtools.run_measured(command, timeout=timeout)
    return Batch(measure.wall, measure.processor, count_outputs(out, ".png"), 0,
                 "" if measure.ok else measure.message)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--size", default="1024x768")
    parser.add_argument("--files", type=int, default=0, help="files spread over the corpus (0: all, the default)")
    parser.add_argument("--pictorate-convert", default=None, help="path of the converter (default: the build folders)")
    parser.add_argument("--inkscape-timeout", type=int, default=600,
                        help="seconds Inkscape gets for the whole batch (0: leave it out); it can stall on one file")
    args = parser.parse_args()

    program = benchtools.find_built("cli/pictorate-convert", args.pictorate_convert)
    if program is None:
        print("pictorate-convert is not built: run `cmake --preset bench && cmake --build build/bench "
              "--target pictorate-convert` first", file=sys.stderr)
        return 1
    size = tuple(int(part) for part in args.size.lower().split("x"))
    files, origin = benchtools.corpus_files(args.files)
    print(origin)
    print(f"program: {program}")

    rows = []
    with tempfile.TemporaryDirectory(prefix="pictorate-batch-") as scratch:
        folder = pathlib.Path(scratch)
        for format_name in ("bmp", "png"):
            for jobs in (1, 2):
                rows.append((f"pictorate-convert {format_name} -j {jobs}",
                             ours(program, files, folder, size, jobs, format_name)))
        wmf2gd = shutil.which("wmf2gd")
        if wmf2gd:
            rows.append(("wmf2gd png, a process a file", wmf2gd_loop(wmf2gd, files, folder, size)))
        else:
            print("wmf2gd is not installed (Debian package libwmf-bin): skipped")
        inkscape = shutil.which("inkscape")
        if not inkscape:
            print("inkscape is not installed: skipped")
        elif args.inkscape_timeout > 0:
            rows.append(("inkscape, one process",
                         inkscape_batch(inkscape, files, folder, size, args.inkscape_timeout)))

    ours_rows = [(name, batch) for name, batch in rows if name.startswith("pictorate")]
    fastest_ours = min(batch.wall for name, batch in ours_rows)
    fastest_png = min(batch.wall for name, batch in ours_rows if " png " in name)
    print(f"\n== {len(files)} files at {size[0]}x{size[1]}: the whole batch ==")
    print(f"{'tool':<30} {'wall':>9} {'processor':>10} {'written':>8} {'x best ours':>12}")
    for name, batch in rows:
        ratio = batch.wall / fastest_ours if fastest_ours > 0 else 0
        print(f"{name:<30} {batch.wall:>8.2f}s {batch.processor:>9.2f}s {batch.written:>4}/{len(files):<3} "
              f"{ratio:>11.1f}x")
        if batch.message:
            print(f"  {name}: {batch.message}")
        if batch.failed_processes:
            print(f"  {name}: {batch.failed_processes} processes failed")
    for name, batch in rows[len(ours_rows):]:
        if name.startswith("wmf2gd"):
            ratio = batch.wall / fastest_png if fastest_png > 0 else 0
            cpu = batch.processor / min(b.processor for n, b in ours_rows if " png " in n)
            verdict = "met" if ratio >= TARGET_OVER_WMF2GD else "MISSED"
            print(f"PNG against the wmf2gd loop: {ratio:.1f}x faster by the clock, {cpu:.1f}x by processor time "
                  f"(target: at least {TARGET_OVER_WMF2GD:.0f}x: {verdict})")
        if name.startswith("inkscape"):
            unfinished = f" (it stopped after {batch.written} files)" if batch.written < len(files) else ""
            print(f"against Inkscape: {'faster' if batch.wall > fastest_ours else 'SLOWER'}{unfinished}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
