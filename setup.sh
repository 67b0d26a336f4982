#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
# Sets up a Debian 12 machine for Pictorate, builds it, and then starts the program
# (`./setup.sh start`) or runs the whole test suite (`./setup.sh test`).
# Installs only the Debian packages that are missing; needs root or sudo for that.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
    cmake ninja-build g++ pkg-config   # the build
    qt6-base-dev                       # Qt 6 Widgets, QtGui and QtTest
    zlib1g-dev                         # inflating gzip-compressed metafiles (.wmz, .emz)
    qt6-image-formats-plugins          # the converter writes TIFF and WebP too (and the tests check them)
    fonts-liberation2                  # metric-compatible faces for Arial, Times New Roman, Courier New
    fonts-opensymbol                   # glyphs for dingbat fonts in metafiles, and symbols without URW's
    fonts-urw-base35                   # Standard Symbols PS: the Symbol design at Symbol's own codes
    fonts-crosextra-carlito            # Carlito and Caladea: the widths of Office's Calibri and Cambria
    fonts-crosextra-caladea
    xvfb xauth xdotool xclip           # the end-to-end test drives the real window on an X server
    libxfixes3                         # ... and reads the pointer's picture through XFixes
    imagemagick                        # screenshots, pixel reads, an independent BMP reader, and the delegates test
    python3                            # small test and benchmark scripts
    poppler-utils                      # the tests read the PDF files the converter writes (pdftotext, pdfinfo)
    librsvg2-bin                       # ... and draw its SVG files (rsvg-convert); bench/vector.py rasterises both
    python3-pil                        # the Python module's Pillow handler, tested with Debian's Pillow
    python3-pyqt6                      # a real Qt 6 program that opens metafiles through the image plugin
    clang libclang-rt-14-dev           # the fuzzing job: libFuzzer with the address and UB sanitizers
    libbenchmark-dev                   # the benchmarks in bench/ (bench/run.sh)
    desktop-file-utils appstream       # the tests validate the launcher and the metainfo file
    man-db groff-base                  # the tests format the converter's manual page
    dpkg-dev file                      # cpack's Debian package: dpkg-shlibdeps finds the libraries
    reuse                              # the tests check that every file's licence is declared
    clang-format clang-tidy            # tools/check-style: the layout and the static checks
)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

case "${1:-}" in
start)
    install_missing "${packages[@]}"
    cmake --preset release
    cmake --build --preset release
    exec ./build/release/app/pictorate
    ;;
test)
    install_missing "${packages[@]}"
    cmake --preset test
    cmake --build --preset test
    ctest --preset test
    tools/check-style                  # the layout of every C++ file, clang-tidy over the program
    fuzz/run-ci.sh                     # fuzzing, then the tests again under the sanitizers
    ;;
*)
    echo "usage: $0 start|test" >&2
    exit 2
    ;;
esac
