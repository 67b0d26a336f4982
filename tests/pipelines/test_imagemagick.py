#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Debian's ImageMagick reads metafiles through the delegates file (its template given as the
argument, filled in with the built converter, PICTORATE_CONVERT): `convert chart.emf chart.png`
draws the picture as the converter does, at ImageMagick's density (72 dots per inch unless
-density says otherwise)."""

import gzip
import io
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

DATA = pathlib.Path(os.environ["PICTORATE_TEST_DATA"])
CONVERT = os.environ["PICTORATE_CONVERT"]
TEMPLATE = pathlib.Path(sys.argv.pop(1))

CHART = (DATA / "emf/aspose-cells__Chart.emf").read_bytes()
EYE = (DATA / "wmf/aspose__eye.wmf").read_bytes()


def imagemagick_reads_wmf():
    """Whether ImageMagick's own libwmf reader is installed: it then claims .wmf and .wmz."""
    formats = subprocess.run(["convert", "-list", "format"], capture_output=True, text=True, check=True).stdout
    return any(line.split()[0].rstrip("*") == "WMF" for line in formats.splitlines() if line.split())


# name, file name, its bytes, ImageMagick's arguments before the input, the input as named to it,
# dpi: the converter's picture to match (None: another reader's, only its size is checked)
ROWS = [
    ("EMF at ImageMagick's 72 dpi", "chart.emf", CHART, [], "chart.emf", 72),
    ("EMF at -density 150", "chart.emf", CHART, ["-density", "150"], "chart.emf", 150),
    ("EMF, compressed", "chart.emz", gzip.compress(CHART), [], "chart.emz", 72),
    ("WMF through the pictorate: prefix", "eye.wmf", EYE, [], "pictorate:eye.wmf", 72),
    ("WMF, compressed, through the prefix", "eye.wmz", gzip.compress(EYE), ["-density", "96"], "pictorate:eye.wmz",
     96),
    ("WMF by its name", "eye.wmf", EYE, [], "eye.wmf", None if imagemagick_reads_wmf() else 72),
]


def converted(data, dpi):
    done = subprocess.run([CONVERT, "--stdout", "-f", "png", f"--dpi={dpi}", "-"], input=data,
                          capture_output=True, check=True)
    return Image.open(io.BytesIO(done.stdout)).convert("RGB")


@unittest.skipUnless(shutil.which("convert"), "ImageMagick (Debian's imagemagick) is not installed")
class ImageMagickTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        delegates = TEMPLATE.read_text().replace("@PICTORATE_CONVERT_PATH@", CONVERT)
        delegates = delegates.replace("@PICTORATE_DELEGATES_DIR@", str(self.folder))
        (self.folder / "delegates.xml").write_text(delegates)

    def convert(self, arguments):
        environment = dict(os.environ, MAGICK_CONFIGURE_PATH=str(self.folder))
        return subprocess.run(["convert", *arguments], cwd=self.folder, env=environment, capture_output=True,
                              text=True, check=False)

    def test_rows(self):
        for name, file_name, data, options, named, dpi in ROWS:
            with self.subTest(name):
                (self.folder / file_name).write_bytes(data)
                done = self.convert([*options, named, "out.png"])
                self.assertEqual(done.returncode, 0, done.stderr)
                with Image.open(self.folder / "out.png") as written:
                    picture = written.convert("RGB")
                expected = converted(data, dpi or 72)
                self.assertEqual(picture.size, expected.size)
                if dpi is not None:
                    self.assertEqual(picture.tobytes(), expected.tobytes())

    def test_broken_file_fails(self):
        (self.folder / "broken.emf").write_bytes(CHART[:60])
        done = self.convert(["broken.emf", "out.png"])
        self.assertNotEqual(done.returncode, 0)
        self.assertFalse((self.folder / "out.png").exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
