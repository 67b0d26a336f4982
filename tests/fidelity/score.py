#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Closeness of rendered metafiles to reference renders.

    score.py OURS_DIR REF_DIR [NAME ...]

Both folders hold NAME.bmp files of the same size (24-bit BMP). Each pair is reduced
4 x 4 by area averaging, then the mean absolute difference per channel (0-255) is the
file's score: 0 is identical, a blank white image scores about 36 against the corpus.
Beside it stands the worst 16 x 16 tile of the reduced images, scored the same way: a shape
lost or misplaced shows there even when the mean hardly moves. A file missing from OURS_DIR
is scored as a blank white image. Prints one line per file (worst mean first) and the means.
Standard library only.
"""
import os
import struct
import sys


def read_bmp(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] != b'BM':
        raise ValueError(f'{path}: not a BMP')
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height = struct.unpack_from('<ii', data, 18)
    bits = struct.unpack_from('<H', data, 28)[0]
    if bits != 24:
        raise ValueError(f'{path}: {bits} bits per pixel, expected 24')
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        rows.append(data[start:start + width * 3])
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


def reduce4(width, height, rows):
    """Sums of 4 x 4 blocks per channel, as a flat list."""
    bw, bh = width // 4, height // 4
    out = []
    for by in range(bh):
        acc = [0] * (bw * 3)
        for row in rows[by * 4:by * 4 + 4]:
            for c in range(3):
                ch = row[c::3]
                sums = [a + b + d + e for a, b, d, e in zip(ch[0::4], ch[1::4], ch[2::4], ch[3::4])]
                for i, s in enumerate(sums[:bw]):
                    acc[i * 3 + c] += s
        out.extend(acc)
    return out


def score(ours, ref, tile=16):
    """(mean difference, worst tile difference), both per channel on 0-255."""
    w, h, ref_rows = ref
    b = reduce4(w, h, ref_rows)
    if ours is None:
        a = [16 * 255] * len(b)
    else:
        ow, oh, our_rows = ours
        if (ow, oh) != (w, h):
            raise ValueError(f'size {ow}x{oh} differs from reference {w}x{h}')
        a = reduce4(ow, oh, our_rows)
    diff = [abs(x - y) / 16.0 for x, y in zip(a, b)]
    bw, bh = w // 4, h // 4
    worst = 0.0
    for top in range(0, bh, tile):
        for left in range(0, bw, tile):
            values = [diff[(y * bw + x) * 3 + c]
                      for y in range(top, min(top + tile, bh))
                      for x in range(left, min(left + tile, bw)) for c in range(3)]
            worst = max(worst, sum(values) / len(values))
    return sum(diff) / len(diff), worst


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    ours_dir, ref_dir = sys.argv[1], sys.argv[2]
    names = sys.argv[3:] or sorted(n[:-4] for n in os.listdir(ref_dir) if n.endswith('.bmp'))
    results = []
    for name in names:
        ref = read_bmp(os.path.join(ref_dir, name + '.bmp'))
        path = os.path.join(ours_dir, name + '.bmp')
        ours = read_bmp(path) if os.path.exists(path) else None
        mean, worst = score(ours, ref)
        results.append((mean, worst, name, ours is None))
    for mean, worst, name, missing in sorted(results, reverse=True):
        print(f'{mean:7.2f} {worst:7.2f}  {name}{"  (not rendered)" if missing else ""}')
    if results:
        print(f'mean {sum(r[0] for r in results) / len(results):.2f}, '
              f'worst tile {sum(r[1] for r in results) / len(results):.2f} on average, over {len(results)} files')
    return 0


if __name__ == '__main__':
    sys.exit(main())
