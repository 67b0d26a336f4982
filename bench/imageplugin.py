#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
"""What Qt's image-format plugin costs an application: a fresh PyQt6 process (Debian's
python3-pyqt6, so run it with /usr/bin/python3) lists the image formats, which loads every
image plugin, measures a metafile with QImageReader::size(), then reads it twice. Each phase is
timed, with the resident memory after it and whether the font database has been opened
(fontconfig's cache files mapped into the process). The same phases without the plugin give the
floor. The target: listing the formats costs the plugin a few milliseconds at most, and no
font is set up until the first picture is drawn.

  /usr/bin/python3 bench/imageplugin.py [--runs N] [--plugins FOLDER] [FILE]

FOLDER is a Qt plugin folder holding imageformats/libpictorate-metafile.so (default: the first
build folder that has one); FILE a metafile with text (default: a committed chart).
"""

import argparse
import json
import os
import statistics
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import benchtools  # noqa: E402

PHASES = ("application", "formats", "size", "first read", "second read")

CHILD = r"""
import json, sys, time
from PyQt6.QtGui import QGuiApplication, QImageReader

def state():
    maps = open("/proc/self/maps").read()
    rss = next(int(line.split()[1]) for line in open("/proc/self/status") if line.startswith("VmRSS:"))
    return {"fonts": ".cache-" in maps, "plugin": "libpictorate-metafile" in maps, "rss_kib": rss}

phases = {}
def phase(name, work):
    start = time.perf_counter()
    work()
    phases[name] = dict(state(), ms=(time.perf_counter() - start) * 1000)

holder = {}
phase("application", lambda: holder.setdefault("app", QGuiApplication(sys.argv[:1])))
phase("formats", QImageReader.supportedImageFormats)
reader = QImageReader(sys.argv[1])
phase("size", reader.size)
phase("first read", reader.read)
phase("second read", lambda: QImageReader(sys.argv[1]).read())
print(json.dumps(phases))
"""


def run_once(picture, plugins):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    env.pop("QT_PLUGIN_PATH", None)
    if plugins:
        env["QT_PLUGIN_PATH"] = str(plugins)
    done = subprocess.run([sys.executable, "-c", CHILD, str(picture)], env=env, capture_output=True, text=True,
                          check=True)
    return json.loads(done.stdout)


def summary(runs):
    lines = []
    for name in PHASES:
        times = [run[name]["ms"] for run in runs]
        last = runs[-1][name]
        lines.append(f"  {name:12} {statistics.median(times):8.2f} ms  {last['rss_kib'] / 1024:7.1f} MiB resident"
                     f"  fonts {'open' if last['fonts'] else 'not open'}"
                     f"  plugin {'loaded' if last['plugin'] else 'not loaded'}")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--plugins")
    parser.add_argument("picture", nargs="?", default=benchtools.SOURCE_DIR / "tests/data/emf/aspose-cells__Chart.emf")
    arguments = parser.parse_args()
    plugins = arguments.plugins
    if not plugins:
        plugins = next((benchtools.SOURCE_DIR / build / "plugins" for build in benchtools.BUILD_DIRS
                        if (benchtools.SOURCE_DIR / build / "plugins/imageformats/libpictorate-metafile.so").exists()),
                       None)
    if not plugins:
        sys.exit("the plugin is not built: run `cmake --preset bench && cmake --build build/bench "
                 "--target pictorate_imageformats` first")
    print(f"Qt's image plugin from {plugins}, {arguments.runs} fresh processes each, median times; "
          f"picture {arguments.picture}")
    for label, folder in (("without the plugin", None), ("with the plugin", plugins)):
        runs = [run_once(arguments.picture, folder) for _ in range(arguments.runs)]
        print(f"{label}:\n{summary(runs)}")


if __name__ == "__main__":
    main()
