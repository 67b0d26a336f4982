#!/usr/bin/env python3
"""Closeness of rendered metafiles to reference renders.

    score.py OURS_DIR REF_DIR [NAME ...]

Both folders hold NAME.bmp files of the same size (24-bit BMP). Each pair is reduced
4 x 4 by area averaging, then the mean absolute difference per channel (0-255) is the
file's score: 0 is identical, a blank white image scores about 36 against the corpus.
A file missing from OURS_DIR is scored as a blank white image. Prints one line per file
(worst first) and the mean. Standard library only.
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


def score(ours, ref):
    w, h, ref_rows = ref
    b = reduce4(w, h, ref_rows)
    if ours is None:
        a = [16 * 255] * len(b)
    else:
        ow, oh, our_rows = ours
        if (ow, oh) != (w, h):
            raise ValueError(f'size {ow}x{oh} differs from reference {w}x{h}')
        a = reduce4(ow, oh, our_rows)
    return sum(abs(x - y) for x, y in zip(a, b)) / 16.0 / len(b)


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
        results.append((score(ours, ref), name, ours is None))
    for value, name, missing in sorted(results, reverse=True):
        print(f'{value:7.2f}  {name}{"  (not rendered)" if missing else ""}')
    if results:
        print(f'mean {sum(r[0] for r in results) / len(results):.2f} over {len(results)} files')
    return 0


if __name__ == '__main__':
    sys.exit(main())
