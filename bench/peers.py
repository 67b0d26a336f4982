#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Times wmf-render (the program's renderer and writer, as one process) against the
metafile converters installed here, on the same files and at the same sizes, side by side
in one run: whole processes, medians over the files, and each peer's time as a multiple of
ours. A peer that is not installed is skipped.

  bench/peers.py [--files N] [--runs R] [--sizes 1024x768,4000x3000] [--peers NAME,...]
"""

import argparse
import math
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

OURS = "wmf-render"
TARGETS = {"1024x768": 3.0, "4000x3000": 10.0}  # how many times faster than the fastest peer


class Tool:
    def __init__(self, name, program, command, prepare=None):
        self.name = name
        self.program = program  # path, or None when not installed
        self.command = command  # (program, input, output folder, width, height, prepared) -> (argv, output)
        self.prepare = prepare  # untimed work per input file, or None


def native_size(program, path):
    """The size in pixels at which ImageMagick draws the metafile by default (72 dots per
    inch); measured once per file, outside the timing."""
    identify = shutil.which("identify") or "identify"
    try:
        text = subprocess.run([identify, "-format", "%w %h", str(path)], capture_output=True, text=True,
                              timeout=60).stdout.split()
        return int(text[0]), int(text[1])
    except (OSError, ValueError, IndexError, subprocess.TimeoutExpired):
        return None


def tools(wmf_render):
    def ours(program, path, folder, width, height, _):
        output = folder / "ours.bmp"
        return [str(program), str(path), str(output), str(width), str(height)], output

    def wmf2gd(program, path, folder, width, height, _):
        output = folder / "wmf2gd.png"
        return [program, "-t", "png", f"--maxwidth={width}", f"--maxheight={height}", "--maxsize",
                "-o", str(output), str(path)], output

    def inkscape(program, path, folder, width, height, _):
        output = folder / "inkscape.png"
        return [program, "--export-type=png", f"--export-filename={output}", "-w", str(width), "-h", str(height),
                str(path)], output

    # ImageMagick draws a metafile at a resolution and then scales it: draw it at the
    # resolution that gives the requested size, as a user asking for a large bitmap would.
    def imagemagick(program, path, folder, width, height, native):
        output = folder / "convert.bmp"
        density = math.ceil(72 * max(width / native[0], height / native[1])) if native else 72
        return [program, "-density", str(density), str(path), "-resize", f"{width}x{height}!",
                f"BMP3:{output}"], output

    def libreoffice(program, path, folder, width, height, _):
        output = folder / (path.stem + ".png")
        options = ('png:draw_png_Export:{"PixelWidth":{"type":"long","value":"%d"},'
                   '"PixelHeight":{"type":"long","value":"%d"}}' % (width, height))
        profile = (folder / "profile").as_uri()
        return [program, f"-env:UserInstallation={profile}", "--headless", "--convert-to", options,
                "--outdir", str(folder), str(path)], output

    return [
        Tool(OURS, wmf_render, ours),
        Tool("wmf2gd", shutil.which("wmf2gd"), wmf2gd),
        Tool("inkscape", shutil.which("inkscape"), inkscape),
        Tool("convert", shutil.which("convert"), imagemagick, native_size),
        Tool("libreoffice", shutil.which("soffice") or shutil.which("libreoffice"), libreoffice),
    ]


def parse_size(text):
    width, height = (int(part) for part in text.lower().split("x"))
    return width, height


def ratio_line(results, name, files, key):
    """Median over files of the peer's time over ours on the same file, both succeeded."""
    ratios = []
    for path in files:
        ours, theirs = results[OURS].get(path), results[name].get(path)
        if ours and theirs and ours.ok and theirs.ok and key(ours) > 0:
            ratios.append(key(theirs) / key(ours))
    return benchtools.median_or_none(ratios)


def report(size, files, present, results):
    print(f"\n== {size}: {len(files)} files, whole processes; times are medians over the files ==")
    print(f"{'tool':<12} {'wall':>9} {'processor':>10} {'peak MiB':>9} {'failed':>7} "
          f"{'wall x ours':>12} {'proc x ours':>12}")
    summary = {}
    for tool in present:
        runs = [results[tool.name][p] for p in files if p in results[tool.name]]
        good = [m for m in runs if m.ok]
        wall = benchtools.median_or_none(m.wall for m in good)
        processor = benchtools.median_or_none(m.processor for m in good)
        peak = max((m.peak_bytes for m in good), default=0) / 2**20
        wall_ratio = ratio_line(results, tool.name, files, lambda m: m.wall)
        processor_ratio = ratio_line(results, tool.name, files, lambda m: m.processor)
        summary[tool.name] = (wall, wall_ratio, processor_ratio)
        show = lambda value, unit: "-" if value is None else f"{value:.3f}{unit}"
        print(f"{tool.name:<12} {show(wall, ' s'):>9} {show(processor, ' s'):>10} {peak:>9.0f} "
              f"{len(runs) - len(good):>3}/{len(runs):<3} {show(wall_ratio, ''):>12} {show(processor_ratio, ''):>12}")
    peers = [name for name in summary if name != OURS and summary[name][0] is not None]
    if not peers:
        print("no peer is installed: nothing to compare with")
        return
    fastest = min(peers, key=lambda name: summary[name][0])
    _, wall_ratio, processor_ratio = summary[fastest]
    target = TARGETS.get(size)
    verdict = ""
    if target is not None and wall_ratio is not None:
        verdict = f" (target: at least {target:.0f}x: {'met' if wall_ratio >= target else 'MISSED'})"
    print(f"fastest peer at {size}: {fastest}; {OURS} is {wall_ratio or 0:.1f}x faster in wall clock, "
          f"{processor_ratio or 0:.1f}x in processor time{verdict}")
    for tool in present:
        for path in files:
            measure = results[tool.name].get(path)
            if measure and not measure.ok:
                print(f"  {tool.name} failed on {path.name}: {measure.message}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--files", type=int, default=12, help="files spread over the corpus (0: all); default 12")
    parser.add_argument("--runs", type=int, default=1, help="runs per tool, file and size; the median counts")
    parser.add_argument("--sizes", default="1024x768,4000x3000")
    parser.add_argument("--peers", default="", help="comma-separated names to run (default: all installed)")
    parser.add_argument("--wmf-render", default=None, help="path of wmf-render (default: the build folders)")
    parser.add_argument("--timeout", type=int, default=120, help="seconds before a run counts as failed")
    args = parser.parse_args()

    wmf_render = benchtools.wmf_render_or_report(args.wmf_render)
    if wmf_render is None:
        return 1
    files, origin = benchtools.corpus_files(args.files)
    sizes = [s.strip() for s in args.sizes.split(",") if s.strip()]
    all_tools = tools(wmf_render)
    wanted = {name.strip() for name in args.peers.split(",") if name.strip()}
    present = [t for t in all_tools if t.program and (t.name == OURS or not wanted or t.name in wanted)]
    print(origin)
    print(f"{OURS}: {wmf_render}")
    for tool in all_tools:
        if not tool.program:
            print(f"skipped: {tool.name} is not installed")

    with tempfile.TemporaryDirectory(prefix="pictorate-peers-") as temporary:
        folder = pathlib.Path(temporary)
        prepared = {(t.name, p): t.prepare(t.program, p) for t in present if t.prepare for p in files}
        for size in sizes:
            width, height = parse_size(size)
            results = {t.name: {} for t in present}
            for path in files:
                for tool in present:
                    runs = []
                    for _ in range(max(1, args.runs)):
                        command, output = tool.command(tool.program, path, folder, width, height,
                                                       prepared.get((tool.name, path)))
                        runs.append(benchtools.run_measured(command, args.timeout, check_output=output))
                    good = sorted((m for m in runs if m.ok), key=lambda m: m.wall)
                    results[tool.name][path] = good[len(good) // 2] if good else runs[-1]
                print(f"  {size} {path.name}: " + ", ".join(
                    f"{t.name} {results[t.name][path].wall:.2f}s" + ("" if results[t.name][path].ok else " (failed)")
                    for t in present), file=sys.stderr, flush=True)
            report(size, files, present, results)
    return 0


if __name__ == "__main__":
    sys.exit(main())
