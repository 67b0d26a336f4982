#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""The converter's SVG and PDF files over the shared corpus: readable, close to GDI, small.

    bench/vector.py check [--set emf|wmf ...] [-j N] [--convert PATH] [FILE|FOLDER ...]
    bench/vector.py score [--set emf|wmf ...] [--files N] [-j N] [--keep DIR] [--far N] [--pdf-cairo]

check: each metafile (the shared sets, or the FILEs and the metafiles below the FOLDERs) as the converter writes it by default, at its
own size, as an SVG file that rsvg-convert draws and a PDF file that pdfinfo accepts; where the
metafile draws text (a text record with a visible character), whether pdftotext finds text in the PDF. Prints a line per fault and the
counts; exits 1 when a file gives no readable SVG or PDF, 77 when rsvg-convert or pdfinfo is missing.
The test suite runs it over the committed test files.

score: each metafile at 1024 pixels wide at its own proportions (the size bench/fidelity.py calls
"own", the oracle's render cached where it keeps it) as the raster output (wmf-render), and as an
SVG and a PDF file of that size (--size) rasterised at that size (SVG with rsvg-convert, PDF with
pdftoppm), each scored against GDI's render as tests/fidelity/score.py scores. Prints the medians
per set and per kind, the files whose SVG or PDF lies farthest from their raster output, and the
files' sizes against the PNG of the same picture. With --keep the pictures stay in DIR
(NAME.raster.bmp, NAME.svg.bmp, NAME.pdf.bmp, NAME.oracle.bmp) for looking at side by side. With --pdf-cairo the PDF files are
rasterised by poppler's Cairo backend (pdftocairo), which smooths edges as rsvg-convert does,
rather than by pdftoppm's own rasteriser.

Needs Debian's python3-pil, librsvg2-bin, poppler-utils, and for score the GDI oracle (Wine).
"""

import argparse
import concurrent.futures
import pathlib
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile

from PIL import Image

import benchtools
import fidelity
import score  # tests/fidelity/score.py, put on the path by fidelity

ETO_GLYPH_INDEX = 0x10


def run(command, **kwargs):
    try:
        return subprocess.run(command, capture_output=True, timeout=300, check=False, **kwargs)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(command, -1, b"", b"timed out")


def visible(text):
    return any(not c.isspace() and c.isprintable() for c in text)


def emf_text(data, offset, kind):
    """The string of an EXTTEXTOUTA or EXTTEXTOUTW record, unless it is glyph indices."""
    count, start, options = struct.unpack_from("<III", data, offset + 44)
    if options & ETO_GLYPH_INDEX:
        return ""
    width = 2 if kind == 84 else 1
    raw = data[offset + start:offset + start + count * width]
    return raw.decode("utf-16-le" if width == 2 else "cp1252", errors="replace")


def wmf_text(data, offset, function):
    """The string of a TEXTOUT or EXTTEXTOUT record."""
    if function == 0x0521:  # TEXTOUT: length, string
        count = struct.unpack_from("<H", data, offset + 6)[0]
        return data[offset + 8:offset + 8 + count].decode("cp1252", errors="replace")
    _, _, count, options = struct.unpack_from("<hhhH", data, offset + 6)
    start = offset + 14 + (8 if options & 0x0006 else 0)  # ETO_OPAQUE, ETO_CLIPPED: a rectangle
    return data[start:start + max(0, count)].decode("cp1252", errors="replace")


def draws_text(path):
    """Whether the metafile draws a visible character with a text record (glyph indices aside)."""
    data = path.read_bytes()
    try:
        if len(data) >= 44 and data[40:44] == b" EMF":
            offset = 0
            while offset + 8 <= len(data):
                kind, size = struct.unpack_from("<II", data, offset)
                if kind in (83, 84) and visible(emf_text(data, offset, kind)):
                    return True
                if size < 8 or kind == 14:  # EOF
                    return False
                offset += size
            return False
        offset = (22 if data[:4] == b"\xd7\xcd\xc6\x9a" else 0) + 18  # the headers
        while offset + 6 <= len(data):
            size, function = struct.unpack_from("<IH", data, offset)
            if function in (0x0521, 0x0A32) and visible(wmf_text(data, offset, function)):
                return True
            if size < 3 or function == 0:
                return False
            offset += size * 2
    except struct.error:  # a record cut short by the file's end
        pass
    return False


def metafiles(operands):
    for operand in operands:
        if operand.is_dir():
            yield from sorted(p for p in operand.rglob("*") if p.suffix.lower() in (".wmf", ".emf", ".wmz", ".emz"))
        else:
            yield operand


def convert(converter, source, fmt, *options):
    result = run([str(converter), "-f", fmt, "--stdout", *options, str(source)])
    return result.stdout if result.returncode == 0 and result.stdout else None


def check_one(job):
    """(path, faults, whether the file has text, whether pdftotext found text)."""
    converter, source = job
    faults = []
    text_found = False
    with tempfile.TemporaryDirectory() as folder:
        for fmt in ("svg", "pdf"):
            data = convert(converter, source, fmt)
            if data is None:
                faults.append(f"no {fmt.upper()} file")
                continue
            path = pathlib.Path(folder) / ("picture." + fmt)
            path.write_bytes(data)
            reader = ["rsvg-convert", "-o", str(path.with_suffix(".png")), str(path)] if fmt == "svg" else [
                "pdfinfo", str(path)]
            result = run(reader)
            if result.returncode != 0:
                why = result.stderr.decode(errors="replace").strip().splitlines() or ["no reason given"]
                faults.append(f"{reader[0]} refuses the {fmt.upper()} file: {why[-1]}")
            elif fmt == "pdf":
                text_found = bool(run(["pdftotext", str(path), "-"]).stdout.strip())
    return source, faults, draws_text(source), text_found


def check(converter, files, jobs):
    faulty = 0
    with_text = without = 0  # files that draw text; of them, whose PDF has none
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for source, faults, has_text, found in pool.map(check_one, [(converter, f) for f in files]):
            for fault in faults:
                print(f"{source}: {fault}", flush=True)
            faulty += bool(faults)
            if has_text and not faults:
                with_text += 1
                if not found:
                    without += 1
                    print(f"{source}: draws text, but pdftotext finds none", flush=True)
    print(f"{len(files)} files, {faulty} without a readable SVG and PDF; {with_text} draw text, "
          f"{with_text - without} of them with text pdftotext finds")
    return 1 if faulty else 0


def as_bmp(png, bmp, size):
    """`png` flattened on white at `size` as the 24-bit BMP score.py reads."""
    image = Image.open(png).convert("RGBA")
    flat = Image.new("RGBA", image.size, "white")
    flat.alpha_composite(image)
    flat = flat.convert("RGB")
    if flat.size != size:
        flat = flat.resize(size)
    flat.save(bmp)


def score_one(job):
    converter, wmf_render, kind, source, keep, pdf_cairo = job
    size = fidelity.own_size(source)
    cache = benchtools.SOURCE_DIR / "build" / "fidelity" / f"oracle-v{fidelity.oracle_version()}" / kind
    with tempfile.TemporaryDirectory() as scratch:
        name, _, raster = fidelity.score_file((source, "own", size, wmf_render, cache, pathlib.Path(scratch)))
        if raster is None:
            return None
        reference_path = cache / "own" / (source.stem + ".bmp")
        reference = score.read_bmp(reference_path)
        row = {"name": name, "set": kind, "raster": raster}
        options = ["--size", f"{size[0]}x{size[1]}"]
        files = {fmt: convert(converter, source, fmt, *options) for fmt in ("svg", "pdf", "png")}
        row["bytes"] = {fmt: len(data) if data else None for fmt, data in files.items()}
        folder = pathlib.Path(scratch)
        for fmt in ("svg", "pdf"):
            png = folder / f"{fmt}.png"
            if files[fmt]:
                (folder / f"v.{fmt}").write_bytes(files[fmt])
                if fmt == "svg":
                    run(["rsvg-convert", "-w", str(size[0]), "-h", str(size[1]), "-b", "white", "-o", str(png),
                         str(folder / "v.svg")])
                else:
                    run(["pdftocairo" if pdf_cairo else "pdftoppm", "-png", "-singlefile", "-scale-to-x", str(size[0]), "-scale-to-y", "-1",
                         str(folder / "v.pdf"), str(folder / "pdf")])
            bmp = folder / f"{fmt}.bmp"
            if png.exists():
                as_bmp(png, bmp, size)
            row[fmt] = score.score(score.read_bmp(bmp) if bmp.exists() else None, reference)[0]
            if keep and bmp.exists():
                shutil.copy(bmp, keep / f"{name}.{fmt}.bmp")
        if keep:
            shutil.copy(reference_path, keep / f"{name}.oracle.bmp")
            run([str(wmf_render), str(source), str(keep / f"{name}.raster.bmp"), *map(str, size)])
    return row


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else float("nan")


def report(rows, far):
    print("\nmedian distance to GDI at 1024 wide   raster    SVG    PDF  files")
    for kind in sorted({r["set"] for r in rows}) + [None]:
        chosen = [r for r in rows if kind is None or r["set"] == kind]
        label = "all" if kind is None else fidelity.SETS[kind][0]
        print(f"  {label:35} {median(r['raster'] for r in chosen):6.2f} {median(r['svg'] for r in chosen):6.2f} "
              f"{median(r['pdf'] for r in chosen):6.2f} {len(chosen):6d}")
    for fmt in ("svg", "pdf"):
        print(f"\nfarthest {fmt.upper()} from the raster output (vector - raster, raster, vector):")
        for r in sorted(rows, key=lambda r: r["raster"] - r[fmt])[:far]:
            print(f"  {r[fmt] - r['raster']:+7.2f} {r['raster']:6.2f} {r[fmt]:6.2f}  {r['name']}")
    sizes = [r["bytes"] for r in rows if None not in r["bytes"].values()]
    if sizes:
        print(f"\nmedian bytes at 1024 wide: SVG {median(s['svg'] for s in sizes):.0f}, PDF "
              f"{median(s['pdf'] for s in sizes):.0f}, PNG {median(s['png'] for s in sizes):.0f}; largest SVG "
              f"{max(s['svg'] for s in sizes)}, largest PDF {max(s['pdf'] for s in sizes)}")
        for fmt in ("svg", "pdf"):
            larger = sum(s[fmt] > s["png"] for s in sizes)
            print(f"  {fmt.upper()} larger than the PNG: {larger} of {len(sizes)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n", maxsplit=1)[0])
    parser.add_argument("action", choices=("check", "score"))
    parser.add_argument("files", nargs="*", type=pathlib.Path, help="metafiles (default: the shared sets)")
    parser.add_argument("--set", action="append", choices=sorted(fidelity.SETS), help="emf, wmf (default: both)")
    parser.add_argument("--files", type=int, default=0, dest="count", help="this many files of each set, spread evenly")
    parser.add_argument("-j", "--jobs", type=int, default=2)
    parser.add_argument("--keep", type=pathlib.Path, help="keep the pictures in this folder")
    parser.add_argument("--convert", help="the pictorate-convert to run (default: the first one built)")
    parser.add_argument("--pdf-cairo", action="store_true", help="rasterise PDF files with pdftocairo")
    parser.add_argument("--far", type=int, default=10, help="list this many files farthest from the raster output")
    args = parser.parse_intermixed_args()
    converter = benchtools.find_built("cli/pictorate-convert", args.convert)
    if converter is None:
        print("pictorate-convert is not built", file=sys.stderr)
        return 2
    jobs = []
    for kind in args.set or sorted(fidelity.SETS):
        folder, suffix = fidelity.SETS[kind]
        files = sorted(p for p in (fidelity.SHARED / folder).glob("*" + suffix) if p.is_file())
        if 0 < args.count < len(files):
            files = [files[i * len(files) // args.count] for i in range(args.count)]
        jobs += [(kind, f) for f in files]
    if args.action == "check":
        missing = [tool for tool in ("rsvg-convert", "pdfinfo", "pdftotext") if shutil.which(tool) is None]
        if missing:
            print(f"needs {', '.join(missing)} (librsvg2-bin, poppler-utils)", file=sys.stderr)
            return 77
        return check(converter, list(metafiles(args.files)) if args.files else [f for _, f in jobs], args.jobs)
    wmf_render = benchtools.wmf_render_or_report()
    if wmf_render is None:
        return 2
    if args.keep:
        args.keep.mkdir(parents=True, exist_ok=True)
    rows = []
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for row in pool.map(score_one, [(converter, wmf_render, kind, f, args.keep, args.pdf_cairo) for kind, f in jobs]):
            if row:
                rows.append(row)
                print(f"{row['raster']:7.2f} {row['svg']:7.2f} {row['pdf']:7.2f}  {row['name']}", flush=True)
    report(rows, args.far)
    return 0


if __name__ == "__main__":
    sys.exit(main())
