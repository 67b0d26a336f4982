#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Debian's Pillow opens, loads and saves metafiles through the `pictorate` module and the built
converter (PICTORATE_CONVERT), at their own size and at the dpi given to load(); each picture
is the converter's own, pixel for pixel."""

import gzip
import io
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
import pictorate  # noqa: E402  (registers the handler)
from PIL import Image  # noqa: E402

DATA = pathlib.Path(os.environ["PICTORATE_TEST_DATA"])
CONVERT = os.environ["PICTORATE_CONVERT"]

EYE = DATA / "wmf/aspose__eye.wmf"  # placeable, 3096 x 2615 units at 606 to the inch
CHART = DATA / "emf/aspose-cells__Chart.emf"  # EMF+ dual, frame 84.66 x 44.97 mm
PLAIN_WMF = DATA / "wmf-text/dotnet__gdiwmfboundariesbug.wmf"  # no placeable header

# name, file bytes, dpi given to load() (None: none), size when opened, size when loaded, format
PICTURES = [
    ("EMF", CHART.read_bytes(), None, (320, 170), (320, 170), "WMF"),
    ("EMF at 300 dpi", CHART.read_bytes(), 300, (320, 170), (1000, 531), "WMF"),
    ("placeable WMF", EYE.read_bytes(), None, (490, 414), (490, 414), "WMF"),
    ("placeable WMF at 192 dpi", EYE.read_bytes(), 192, (490, 414), (981, 829), "WMF"),
    ("WMF without a placeable header", PLAIN_WMF.read_bytes(), None, (324, 252), (324, 252), "PICTORATE"),
    (".emz", gzip.compress(CHART.read_bytes()), None, (320, 170), (320, 170), "PICTORATE"),
    (".emz at (150, 150) dpi", gzip.compress(CHART.read_bytes()), (150, 150), (320, 170), (500, 266), "PICTORATE"),
    (".wmz at 48 dpi", gzip.compress(EYE.read_bytes()), 48, (490, 414), (245, 207), "PICTORATE"),
]

# name, file bytes, the error's type, words in its message
FAILURES = [
    ("a placeable WMF cut short", EYE.read_bytes()[:30], pictorate.NotAPicture, "the file is truncated"),
    ("a compressed file of text", gzip.compress(b"hello"), Image.UnidentifiedImageError, "cannot identify"),
]


def converted(data, dpi):
    """The converter's own picture of `data` at `dpi`, through standard input and output."""
    done = subprocess.run([CONVERT, "--stdout", "-f", "png", f"--dpi={dpi}", "-"], input=data,
                          capture_output=True, check=True)
    return Image.open(io.BytesIO(done.stdout)).convert("RGB")


class PillowTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def write(self, name, data):
        path = pathlib.Path(self.folder.name) / name
        path.write_bytes(data)
        return path

    def test_pictures(self):
        for name, data, dpi, opened, loaded, format_name in PICTURES:
            with self.subTest(name):
                path = self.write("picture", data)
                with Image.open(path) as image:
                    self.assertEqual(image.format, format_name)
                    self.assertEqual(image.size, opened)
                    self.assertEqual(image.mode, "RGB")
                    self.assertEqual(image.info["pictorate"]["natural_size"], dict(zip(("width", "height"), opened)))
                    image.load(dpi=dpi) if dpi is not None else image.load()
                    self.assertEqual(image.size, loaded)
                    resolution = dpi[0] if isinstance(dpi, tuple) else dpi or 96
                    self.assertEqual(image.tobytes(), converted(data, resolution).tobytes())

    def test_save_as_png(self):
        for name, data, _, opened, _, _ in PICTURES:
            with self.subTest(name):
                source = self.write("picture.emf", data)
                target = pathlib.Path(self.folder.name) / "picture.png"
                Image.open(source).save(target)
                with Image.open(target) as saved:
                    self.assertEqual(saved.format, "PNG")
                    self.assertEqual(saved.size, opened)
                    self.assertEqual(saved.convert("RGB").tobytes(), converted(data, 96).tobytes())

    def test_failures(self):
        for name, data, error, words in FAILURES:
            with self.subTest(name):
                path = self.write("broken.wmf", data)
                with self.assertRaises(error) as raised:
                    Image.open(path)
                self.assertIn(words, str(raised.exception))

    def test_converter_missing(self):
        path = self.write("chart.emf", CHART.read_bytes())
        saved = os.environ["PICTORATE_CONVERT"]
        os.environ["PICTORATE_CONVERT"] = "/nonexistent/pictorate-convert"
        try:
            with self.assertRaises(OSError) as raised:
                Image.open(path)
            self.assertIn("could not be run as /nonexistent/pictorate-convert", str(raised.exception))
        finally:
            os.environ["PICTORATE_CONVERT"] = saved


if __name__ == "__main__":
    unittest.main(verbosity=2)
