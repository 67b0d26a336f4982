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
the remainder, as the fidelity tests do with their own renders. Needs Wine (the oracle) and
python3-pil (Debian's /usr/bin/python3 has it); the references are committed, so the tests
themselves need neither.
"""
import os
import pathlib
import subprocess
import sys
import tempfile

from PIL import Image

ORACLE = pathlib.Path(__file__).resolve().parents[3] / "shared" / "tools" / "gdi-oracle" / "render-gdi"
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "bench"))
import fidelity  # noqa: E402  (bench/fidelity.py: the frame as the oracle frames it)


def reduce4(image):
    """Each 4 x 4 block's average, its remainder dropped, as the fidelity tests reduce."""
    width, height = image.width // 4, image.height // 4
    source = image.load()
    out = Image.new("RGB", (width, height))
    target = out.load()
    for y in range(height):
        for x in range(width):
            sums = [0, 0, 0]
            for dy in range(4):
                for dx in range(4):
                    pixel = source[x * 4 + dx, y * 4 + dy]
                    for c in range(3):
                        sums[c] += pixel[c]
            target[x, y] = tuple(s // 16 for s in sums)
    return out


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
            image = Image.open(bmp).convert("RGB")
        if kind in ("fill", "own"):
            image = reduce4(image)
        # A picture in greys only is kept as grey, a third of the bytes.
        if kind == "text" or all(r == g == b for r, g, b in image.getdata()):
            image = image.convert("L")
        image.save(out_dir / (path.stem + ".png"), optimize=True)
        print(f"{out_dir / (path.stem + '.png')}: {image.width} x {image.height}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
