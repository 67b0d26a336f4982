# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""Windows Metafiles and Enhanced Metafiles in Pillow, drawn by Pictorate.

Importing the module registers Pictorate as the handler of Pillow's WMF and EMF plugin, so that
on Linux a metafile opens at its own size (96 dots per inch) and loads as the converter draws it:

    import pictorate
    from PIL import Image

    with Image.open("chart.emf") as image:
        print(image.size)          # the picture's own size at 96 dpi
        image.load(dpi=300)        # optional: another resolution
        image.save("chart.png")

It also opens what Pillow's plugin does not take: Windows Metafiles without a placeable header
and gzip-compressed metafiles (.wmz, .emz), told by their content. Until it is loaded, an opened
picture's info["pictorate"] holds the converter's description of the file (`pictorate-convert
--info`: its kind, EMF+ records, records skipped or malformed, the fonts asked for and used).

The pictures are drawn by the `pictorate-convert` program, run once to describe a file and once
to draw it: the environment's PICTORATE_CONVERT, else the one installed beside this module, else
the one on the PATH.
"""

import io
import json
import os
import pathlib
import shutil
import subprocess

from PIL import Image, ImageFile, WmfImagePlugin

__all__ = ["register", "converter", "NotAPicture", "DEFAULT_DPI"]

DEFAULT_DPI = 96
# The converter reads no more than this of a picture; more is refused here before it is sent.
_MAX_BYTES = 256 * 1024 * 1024
_TWIPS_PER_INCH = 1440


class NotAPicture(OSError):
    """The converter could not read the file as a picture."""


def converter():
    """The path of the pictorate-convert program that draws the pictures."""
    given = os.environ.get("PICTORATE_CONVERT")
    if given:
        return given
    # Installed under a prefix: <prefix>/lib/python3/dist-packages/pictorate/ and <prefix>/bin/.
    beside = pathlib.Path(__file__).resolve().parents[4] / "bin" / "pictorate-convert"
    if beside.is_file() and os.access(beside, os.X_OK):
        return str(beside)
    found = shutil.which("pictorate-convert")
    if found:
        return found
    raise OSError("pictorate-convert was not found: install Pictorate, or name the program in PICTORATE_CONVERT")


def _read(image):
    image.fp.seek(0)
    data = image.fp.read(_MAX_BYTES + 1)
    if len(data) > _MAX_BYTES:
        raise OSError(f"{_name(image)}: the file is too large for a picture")
    return data


def _name(image):
    return getattr(image, "filename", "") or "picture"


def _run(arguments, data):
    """Runs the converter on `data` as standard input: its exit status and standard output."""
    program = converter()
    try:
        done = subprocess.run([program, *arguments, "-"], input=data, capture_output=True, check=False)
    except OSError as error:
        raise OSError(f"pictorate-convert could not be run as {program}: {error.strerror}") from error
    return done


def _failure(done):
    reason = done.stderr.decode(errors="replace").strip().removeprefix("-: ")
    return OSError(reason or f"pictorate-convert failed with status {done.returncode}")


def _resolution(dpi):
    """Pillow passes one number or an (x, y) pair; the converter draws at one resolution."""
    if isinstance(dpi, (tuple, list)):
        if len(dpi) != 2 or dpi[0] != dpi[1]:
            raise ValueError(f"Pictorate draws at one resolution for both axes, not {dpi}")
        dpi = dpi[0]
    return float(dpi)


class PictorateHandler:
    """The handler Pillow's WMF plugin calls: open() sizes the picture, load() draws it."""

    def open(self, image):
        done = _run(["--info"], _read(image))
        if not done.stdout:
            raise _failure(done)
        info = json.loads(done.stdout)
        if info.get("status") != "ok":
            raise NotAPicture(f"{_name(image)}: {info.get('reason', 'it could not be read')}")
        natural = info["natural_size"]
        twips = info["frame_twips"]
        image.mode = "RGB"
        image._size = (natural["width"], natural["height"])
        image.info["dpi"] = DEFAULT_DPI
        # Pillow's load(dpi=...) sizes a picture from its box and units per inch: given the
        # frame in twips, it sizes every kind as the converter does, not placeable WMF only.
        image.info["wmf_bbox"] = (0, 0, round(twips["width"]), round(twips["height"]))
        image._inch = _TWIPS_PER_INCH
        image.info["pictorate"] = info

    def load(self, image):
        dpi = _resolution(image.info.get("dpi", DEFAULT_DPI))
        done = _run(["--stdout", "--format=bmp", f"--dpi={dpi:g}"], _read(image))
        if done.returncode != 0:
            raise _failure(done)
        with Image.open(io.BytesIO(done.stdout)) as bitmap:
            picture = bitmap.convert("RGB")
        picture.info["dpi"] = (dpi, dpi)
        return picture


class MetafileImageFile(ImageFile.StubImageFile):
    """Metafiles that Pillow's WMF plugin does not take, drawn by the same handler."""

    format = "PICTORATE"
    format_description = "Windows Metafile or Enhanced Metafile, also gzip-compressed (Pictorate)"

    def _open(self):
        self._inch = None
        try:
            _handler.open(self)
        except NotAPicture as error:
            # Not a metafile after all (a compressed file of something else): other readers may try.
            raise SyntaxError(str(error)) from error

    def _load(self):
        return _handler

    def load(self, dpi=None):
        if dpi is not None:
            self.info["dpi"] = dpi
            x0, y0, x1, y1 = self.info["wmf_bbox"]
            scale = _resolution(dpi) / self._inch
            self._size = (max(1, round((x1 - x0) * scale)), max(1, round((y1 - y0) * scale)))
        return super().load()


def _accept(prefix):
    # A Windows Metafile's standard header (in memory or on disk, nine words), or gzip.
    return prefix[:4] in (b"\x01\x00\x09\x00", b"\x02\x00\x09\x00") or prefix[:3] == b"\x1f\x8b\x08"


_handler = PictorateHandler()


def register():
    """Registers Pictorate with Pillow; importing the module has done so already."""
    WmfImagePlugin.register_handler(_handler)
    Image.register_open(MetafileImageFile.format, MetafileImageFile, _accept)


register()
