#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Peak resident memory of whole conversions at 4000 x 3000 (wmf-render, which renders and
writes as the program does), against the bound of 1.3 x the image's bytes plus 64 MiB.
The kernel's own count for each process (wait4) is used, so nothing else on the machine
counts. A 1 x 1 conversion of the same file shows what the process needs without the image.

  bench/memory.py [--files N] [--size 4000x3000]
"""

import argparse
import pathlib
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

MIB = 2**20


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--files", type=int, default=24, help="files spread over the corpus (0: all); default 24")
    parser.add_argument("--size", default="4000x3000")
    parser.add_argument("--wmf-render", default=None, help="path of wmf-render (default: the build folders)")
    args = parser.parse_args()

    wmf_render = benchtools.wmf_render_or_report(args.wmf_render)
    if wmf_render is None:
        return 1
    width, height = (int(part) for part in args.size.lower().split("x"))
    image_bytes = width * height * 4  # the RGB32 canvas image
    bound = 1.3 * image_bytes + 64 * MIB
    files, origin = benchtools.corpus_files(args.files)
    print(origin)

    rows, failures = [], []
    with tempfile.TemporaryDirectory(prefix="pictorate-memory-") as temporary:
        output = pathlib.Path(temporary) / "out.bmp"
        for path in files:
            full = benchtools.run_measured([str(wmf_render), str(path), str(output), str(width), str(height)],
                                           check_output=output)
            bare = benchtools.run_measured([str(wmf_render), str(path), str(output), "1", "1"], check_output=output)
            if full.ok and bare.ok:
                rows.append((path.name, full.peak_bytes, bare.peak_bytes))
            else:
                failures.append((path.name, full.message or bare.message))

    print(f"\n== Peak resident memory, {args.size} conversion by wmf-render, {len(rows)} files ==")
    print(f"image: {image_bytes / MIB:.1f} MiB; bound 1.3 x image + 64 MiB = {bound / MIB:.1f} MiB")
    if rows:
        peaks = [peak for _, peak, _ in rows]
        extras = [peak - bare for _, peak, bare in rows]
        worst = max(rows, key=lambda row: row[1])
        over = [name for name, peak, _ in rows if peak > bound]
        print(f"median peak {benchtools.median_or_none(peaks) / MIB:.1f} MiB, "
              f"largest {worst[1] / MIB:.1f} MiB ({worst[0]}); "
              f"median growth over a 1 x 1 conversion {benchtools.median_or_none(extras) / MIB:.1f} MiB "
              f"({benchtools.median_or_none(extras) / image_bytes:.2f} x the image)")
        print(f"bound: {'met' if not over else 'MISSED'} ({len(over)} of {len(rows)} files over it"
              + (f": {', '.join(over)}" if over else "") + ")")
    for name, message in failures:
        print(f"  failed on {name}: {message}")
    return 0 if rows else 1


if __name__ == "__main__":
    sys.exit(main())
