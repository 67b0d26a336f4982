#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""The converter's SVG and PDF files, checked and measured.

    vector.py check CONVERT FILE|FOLDER...
    vector.py score CONVERT ORACLE_CACHE FOLDER... [--width 1024] [--jobs 2] [--keep DIR] [--natural]

check: every metafile (.wmf, .emf, also compressed) gives an SVG file that rsvg-convert draws and
a PDF file that pdfinfo accepts. Prints a line per failure; exits 1 when there is one.

score: each metafile as an SVG and a PDF file of WIDTH pixels (--size; with --natural as the
converter writes it by default, its own size at 96 dots per inch), rasterised at WIDTH pixels wide
(SVG with rsvg-convert, PDF with pdftoppm), and its raster output at the same size, scored against
GDI's picture at that size (the oracle's render-gdi, kept in ORACLE_CACHE)
as score.py scores: the mean difference per channel of the pictures reduced 4 x 4. Prints a line
per file, the medians per folder and over all, the files whose vector pictures lie farthest from
the raster one, and the sizes of the SVG, PDF and PNG (at WIDTH) files. With --keep the pictures
stay in DIR (NAME.raster.png, NAME.svg.png, NAME.pdf.png, NAME.oracle.bmp).

Needs Debian's python3-pil, librsvg2-bin and poppler-utils.
"""
import concurrent.futures
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import score as scoring  # noqa: E402

ORACLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'shared', 'tools', 'gdi-oracle',
                      'render-gdi')
METAFILE_SUFFIXES = ('.wmf', '.emf', '.wmz', '.emz')


def metafiles(operands):
    for operand in operands:
        if os.path.isdir(operand):
            for root, _, names in sorted(os.walk(operand)):
                for name in sorted(names):
                    if name.lower().endswith(METAFILE_SUFFIXES):
                        yield os.path.join(root, name)
        else:
            yield operand


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, timeout=300, **kwargs)


def convert(converter, source, fmt, *options):
    result = run([converter, '-f', fmt, '--stdout', *options, source])
    return result.stdout if result.returncode == 0 else None


def check_one(converter, source):
    """The reasons `source` fails, if any."""
    faults = []
    with tempfile.TemporaryDirectory() as folder:
        for fmt in ('svg', 'pdf'):
            data = convert(converter, source, fmt)
            if data is None:
                faults.append(f'no {fmt.upper()} file')
                continue
            path = os.path.join(folder, 'picture.' + fmt)
            with open(path, 'wb') as out:
                out.write(data)
            reader = ['rsvg-convert', '-o', os.path.join(folder, 'svg.png'), path] if fmt == 'svg' else ['pdfinfo', path]
            result = run(reader)
            if result.returncode != 0:
                why = result.stderr.decode(errors='replace').strip().splitlines() or ['no reason given']
                faults.append(f'{reader[0]} refuses the {fmt.upper()} file: {why[-1]}')
    return faults


def check(converter, operands):
    failed = 0
    files = list(metafiles(operands))
    for source in files:
        for fault in check_one(converter, source):
            print(f'{source}: {fault}')
            failed += 1
    print(f'{len(files)} files, {failed} faults')
    return 1 if failed else 0


def as_scored(image):
    image = image.convert('RGB')
    width, height = image.size
    data = image.tobytes()
    return width, height, [data[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def natural_size(converter, source):
    info = json.loads(run([converter, '--info', source]).stdout)
    size = info['natural_size']
    return size['width'], size['height']


def score_one(converter, cache, keep, width, natural, source):
    name = os.path.basename(source)
    nw, nh = natural_size(converter, source)
    height = max(1, round(width * nh / nw))
    oracle = os.path.join(cache, f'{name}.{width}x{height}.bmp')
    if not os.path.exists(oracle):
        run([ORACLE, source, oracle, str(width), str(height)])
    if not os.path.exists(oracle):
        return name, None
    reference = as_scored(Image.open(oracle))
    row = {'name': name, 'folder': os.path.dirname(source)}
    with tempfile.TemporaryDirectory() as folder:
        png = convert(converter, source, 'png', '--size', f'{width}x{height}')
        sized = [] if natural else ['--size', f'{width}x{height}']
        svg = convert(converter, source, 'svg', *sized)
        pdf = convert(converter, source, 'pdf', *sized)
        row['sizes'] = [len(x) if x else None for x in (svg, pdf, png)]
        pictures = {}
        if png:
            pictures['raster'] = os.path.join(folder, 'raster.png')
            with open(pictures['raster'], 'wb') as out:
                out.write(png)
        if svg:
            with open(os.path.join(folder, 'v.svg'), 'wb') as out:
                out.write(svg)
            pictures['svg'] = os.path.join(folder, 'svg.png')
            run(['rsvg-convert', '-w', str(width), '-h', str(height), '-b', 'white', '-o', pictures['svg'],
                 os.path.join(folder, 'v.svg')])
        if pdf:
            with open(os.path.join(folder, 'v.pdf'), 'wb') as out:
                out.write(pdf)
            run(['pdftoppm', '-png', '-scale-to-x', str(width), '-scale-to-y', str(height), '-singlefile',
                 os.path.join(folder, 'v.pdf'), os.path.join(folder, 'pdf')])
            pictures['pdf'] = os.path.join(folder, 'pdf.png')
        for kind in ('raster', 'svg', 'pdf'):
            path = pictures.get(kind)
            if path and os.path.exists(path):
                image = Image.open(path)
                if image.size != (width, height):
                    image = image.resize((width, height))
                row[kind] = scoring.score(as_scored(image), reference)[0]
                if keep:
                    shutil.copy(path, os.path.join(keep, f'{name}.{kind}.png'))
            else:
                row[kind] = scoring.score(None, reference)[0]
        if keep:
            shutil.copy(oracle, os.path.join(keep, f'{name}.oracle.bmp'))
    return name, row


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else float('nan')


def score(converter, cache, operands, width, jobs, keep, natural):
    os.makedirs(cache, exist_ok=True)
    if keep:
        os.makedirs(keep, exist_ok=True)
    files = list(metafiles(operands))
    rows = []
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for name, row in pool.map(lambda f: score_one(converter, cache, keep, width, natural, f), files):
            if row is None:
                print(f'{name}: the oracle draws nothing')
                continue
            rows.append(row)
            print(f'{row["raster"]:7.2f} {row["svg"]:7.2f} {row["pdf"]:7.2f}  {name}', flush=True)
    print('\nmedian distance to GDI    raster     svg     pdf   files')
    for folder in sorted({r['folder'] for r in rows}) + [None]:
        chosen = [r for r in rows if folder is None or r['folder'] == folder]
        print(f'{folder or "all":24} {median(r["raster"] for r in chosen):7.2f} {median(r["svg"] for r in chosen):7.2f} '
              f'{median(r["pdf"] for r in chosen):7.2f} {len(chosen):7d}')
    for kind in ('svg', 'pdf'):
        print(f'\nfarthest {kind.upper()} from the raster output (vector - raster):')
        for r in sorted(rows, key=lambda r: r['raster'] - r[kind])[:8]:
            print(f'  {r[kind] - r["raster"]:+7.2f}  {r["name"]}')
    sizes = [r['sizes'] for r in rows if None not in r['sizes']]
    print(f'\nmedian bytes: SVG {median(s[0] for s in sizes):.0f}, PDF {median(s[1] for s in sizes):.0f}, '
          f'PNG at {width} wide {median(s[2] for s in sizes):.0f}; largest SVG {max(s[0] for s in sizes)}, '
          f'largest PDF {max(s[1] for s in sizes)}')
    return 0


def main():
    args = sys.argv[1:]
    if len(args) >= 2 and args[0] == 'check':
        return check(args[1], args[2:])
    if len(args) >= 4 and args[0] == 'score':
        options = {'--width': '1024', '--jobs': '2', '--keep': None}
        natural = '--natural' in args
        rest = []
        while args[3:]:
            item = args.pop(3)
            if item in options:
                options[item] = args.pop(3)
            elif item != '--natural':
                rest.append(item)
        return score(args[1], args[2], rest, int(options['--width']), int(options['--jobs']), options['--keep'],
                     natural)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main())
