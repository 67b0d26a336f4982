#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Peak resident memory and time of the largest conversion the program accepts, 32767 x 32767
pixels (a 3.2 GB BMP), drawn and written a band at a time by pictorate-convert, against the
bound of 1 GiB for any size. The kernel's own count for the process (wait4) is used. A
1 x 1 conversion of the same file shows what the process needs without the picture.

  bench/largest.py [--files N] [--size 32767x32767] [--folder DIR]
"""

import argparse
import os
import pathlib
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

MIB = 2**20
BOUND = 2**30


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--files", type=int, default=2, help="files spread over the corpus; default 2")
    parser.add_argument("--size", default="32767x32767")
    parser.add_argument("--convert", default=None, help="path of pictorate-convert (default: the build folders)")
    parser.add_argument("--folder", default=None, help="where the bitmap goes (default: a temporary folder); "
                        "it needs room for the whole bitmap")
    args = parser.parse_args()

    convert = benchtools.find_built("cli/pictorate-convert", args.convert)
    if convert is None:
        print("pictorate-convert is not built: run `cmake --preset bench && cmake --build build/bench "
              "--target pictorate-convert` first", file=sys.stderr)
        return 1
    files, origin = benchtools.corpus_files(args.files)
    print(origin)
    width, height = (int(part) for part in args.size.lower().split("x"))
    bitmap_bytes = 54 + ((width * 3 + 3) & ~3) * height

    rows, failures = [], []
    with tempfile.TemporaryDirectory(prefix="pictorate-largest-", dir=args.folder) as temporary:
        free = os.statvfs(temporary)
        if free.f_bavail * free.f_frsize < bitmap_bytes * 1.05:
            print(f"{temporary} has no room for a {bitmap_bytes / 2**30:.1f} GiB bitmap; give --folder",
                  file=sys.stderr)
            return 1
        for path in files:
            output = pathlib.Path(temporary) / (path.stem + ".bmp")
            full = benchtools.run_measured([str(convert), "-q", "--size", args.size, "-o", temporary, str(path)],
                                           timeout=1800, check_output=output)
            size = output.stat().st_size if output.exists() else 0
            output.unlink(missing_ok=True)
            bare = benchtools.run_measured([str(convert), "-q", "--size", "1x1", "-o", temporary, str(path)],
                                           check_output=output)
            if full.ok and bare.ok and size == bitmap_bytes:
                rows.append((path.name, full, bare))
            else:
                failures.append((path.name, full.message or bare.message or f"wrote {size} bytes"))

    print(f"\n== The largest conversion, {args.size} by pictorate-convert, {len(rows)} files ==")
    print(f"bitmap: {bitmap_bytes / MIB:.0f} MiB; bound for any size: {BOUND / MIB:.0f} MiB")
    for name, full, bare in rows:
        print(f"{name}: peak {full.peak_bytes / MIB:.0f} MiB ({bare.peak_bytes / MIB:.0f} MiB at 1 x 1), "
              f"{full.wall:.1f} s wall, {full.processor:.1f} s processor")
    if rows:
        over = [name for name, full, _ in rows if full.peak_bytes > BOUND]
        print(f"bound: {'met' if not over else 'MISSED'} ({len(over)} of {len(rows)} files over it)")
    for name, message in failures:
        print(f"  failed on {name}: {message}")
    return 0 if rows and not failures else 1


if __name__ == "__main__":
    sys.exit(main())
