#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Makes the committed GDI references of test metafiles with the GDI oracle.

    make-references.py KIND OUT_DIR FILE...

KIND says what each reference is (tests/data/*/README.md describe the sets):
  fill     drawn 1024 x 768, the frame filling it, reduced 4 x 4: 256 x 192
  own      drawn 1024 wide at the picture's own aspect, the height a multiple of 4,
           reduced 4 x 4: 256 wide
  window   drawn 269 x 213, the canvas the main window draws on, as it is
  text     drawn at the picture's own aspect, 1024 on its longer side (the other a multiple
           of 4), as it is, in grey

Each FILE's reference is OUT_DIR/NAME.png. A 4 x 4 reduction averages each block and drops
the remainder, as the fidelity tests do with their own renders. Needs Wine (the oracle);
standard library otherwise. The references are committed, so the tests themselves need
neither.
"""
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import zlib

ORACLE = pathlib.Path(__file__).resolve().parents[3] / "shared" / "tools" / "gdi-oracle" / "render-gdi"
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))
import fidelity  # noqa: E402  (bench/fidelity.py: the frame as the oracle frames it)
import score  # noqa: E402  (tests/fidelity/score.py, imported by fidelity: its BMP reader)


def reduce4(width, height, rows):
    """Each 4 x 4 block's average, its remainder dropped, as the fidelity tests reduce."""
    sums = score.reduce4(width, height, rows)
    out_width = width // 4
    return out_width, height // 4, [bytes(v // 16 for v in sums[y * out_width * 3:(y + 1) * out_width * 3])
                                    for y in range(height // 4)]


def write_png(path, width, height, rows):
    """An 8-bit PNG of RGB rows; grey when every pixel is (a third of the bytes)."""
    grey = all(row[i] == row[i + 1] == row[i + 2] for row in rows for i in range(0, len(row), 3))
    lines = [row[::3] if grey else row for row in rows]
    raw = b"".join(b"\0" + line for line in lines)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 0 if grey else 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                  + chunk(b"IEND", b""))


def size_for(kind, path):
    if kind == "fill":
        return 1024, 768
    if kind == "window":
        return fidelity.WINDOW
    if kind == "own":
        return fidelity.own_size(path)
    aspect = fidelity.frame_aspect(path) or 0.75
    return fidelity.own_size(path) if aspect <= 1 else (max(4, round(1024 / aspect / 4) * 4), 1024)


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in ("fill", "own", "window", "text"):
        print(__doc__, file=sys.stderr)
        return 2
    kind, out_dir = sys.argv[1], pathlib.Path(sys.argv[2])
    out_dir.mkdir(parents=True, exist_ok=True)
    for name in sys.argv[3:]:
        path = pathlib.Path(name)
        width, height = size_for(kind, path)
        with tempfile.TemporaryDirectory() as scratch:
            bmp = os.path.join(scratch, "gdi.bmp")
            subprocess.run([str(ORACLE), str(path), bmp, str(width), str(height)], check=True,
                           stderr=subprocess.DEVNULL)
            width, height, rows = score.read_bmp(bmp)
        if kind in ("fill", "own"):
            width, height, rows = reduce4(width, height, rows)
        # The BMP's rows are blue, green, red; a PNG's red, green, blue. Text references are
        # grey by the luma of ITU-R 601.
        rows = [bytes(v for i in range(0, len(row), 3) for v in (row[i + 2], row[i + 1], row[i])) for row in rows]
        if kind == "text":
            rows = [bytes(v for i in range(0, len(row), 3)
                          for v in [(row[i] * 19595 + row[i + 1] * 38470 + row[i + 2] * 7471 + 0x8000) >> 16] * 3)
                    for row in rows]
        target = out_dir / (path.stem + ".png")
        write_png(target, width, height, rows)
        print(f"{target}: {width} x {height}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
