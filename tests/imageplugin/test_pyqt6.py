#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Debian's PyQt6 opens metafiles through the plugin installed into a scratch root (QT_PLUGIN_PATH
names its Qt plugin folder), as a user's program would with the package installed: an EMF and a
WMF are the installed converter's pictures at their size, and without a QGuiApplication a
picture is measured but not drawn, with the reason on standard error."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

from PyQt6.QtCore import QByteArray
from PyQt6.QtGui import QGuiApplication, QImage, QImageReader

DATA = pathlib.Path(os.environ["PICTORATE_TEST_DATA"])
CONVERT = os.environ["PICTORATE_CONVERT"]

# name, file, size at 96 dpi
PICTURES = [
    ("EMF with text", DATA / "emf/aspose-cells__Chart.emf", (320, 170)),
    ("placeable WMF", DATA / "wmf/aspose__eye.wmf", (490, 414)),
]

WITHOUT_APPLICATION = """
import sys
from PyQt6.QtGui import QImageReader
reader = QImageReader(sys.argv[1])
size = reader.size()
print(size.width(), size.height(), reader.read().isNull())
"""


def converted(path):
    done = subprocess.run([CONVERT, "--stdout", "-f", "png", "--background=transparent", str(path)],
                          capture_output=True, check=True)
    return QImage.fromData(QByteArray(done.stdout)).convertToFormat(QImage.Format.Format_ARGB32)


class PyQt6Test(unittest.TestCase):
    def test_formats_and_mime_types(self):
        for mime_type, key in (("image/wmf", "wmf"), ("image/x-wmf", "wmf"), ("image/emf", "emf"),
                               ("image/x-emf", "emf")):
            with self.subTest(mime_type):
                self.assertIn(key, [bytes(k).decode() for k in QImageReader.imageFormatsForMimeType(
                    QByteArray(mime_type.encode()))])

    def test_opens_metafiles(self):
        for name, path, size in PICTURES:
            with self.subTest(name):
                image = QImage(str(path))
                self.assertFalse(image.isNull())
                self.assertEqual((image.width(), image.height()), size)
                self.assertTrue(image.convertToFormat(QImage.Format.Format_ARGB32) == converted(path))

    def test_measured_but_not_drawn_without_a_gui_application(self):
        with tempfile.TemporaryDirectory() as folder:
            script = pathlib.Path(folder) / "measure.py"
            script.write_text(WITHOUT_APPLICATION)
            for name, path, size in PICTURES:
                with self.subTest(name):
                    done = subprocess.run([sys.executable, str(script), str(path)], capture_output=True, text=True)
                    self.assertEqual(done.returncode, 0, done.stderr)
                    self.assertEqual(done.stdout.split(), [str(size[0]), str(size[1]), "True"])
                    self.assertIn(f"{path}: could not be read as a picture: drawing a metafile needs a "
                                  "QGuiApplication", done.stderr)


if __name__ == "__main__":
    application = QGuiApplication(sys.argv[:1])
    formats = [bytes(key).decode() for key in QImageReader.supportedImageFormats()]
    if not {"wmf", "emf", "wmz", "emz"} <= set(formats):
        sys.exit(f"the plugin is not found on QT_PLUGIN_PATH={os.environ.get('QT_PLUGIN_PATH')}: {formats}")
    unittest.main()
