# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# The Debian package (`cpack -G DEB` in a build folder). It holds what `cmake --install` puts
# under /usr: the program, its launcher, icons and metainfo, and Qt's image-format plugin. Name,
# version and summary come from project().

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictorate)
set(CPACK_PACKAGE_VENDOR Quillfern)
set(CPACK_PACKAGE_CONTACT "Quillfern <pictorate@quillfern.example>")
# The long description, in lines of under 80 characters as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Pictorate turns a Windows Metafile drawing (WMF) into a Windows bitmap (BMP)"
    "at exactly the size you ask for: pick a drawing, see it in the preview,"
    "optionally give a target name and a size in twips, and press the big button."
    "Its converter, pictorate-convert, also writes PNG and the other formats Qt"
    "writes, reads standard input and gzip-compressed .wmz and .emz files, and"
    "draws metafiles for Pillow (the Python module pictorate) and ImageMagick."
    "A Qt image-format plugin lets every Qt 6 application open WMF, EMF, WMZ and"
    "EMZ files as pictures.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.quillfern.example/")
# The libraries the program links (Qt 6 Widgets, Gui, Core, the C++ runtime) are found by
# dpkg-shlibdeps from the binary itself. What it cannot see is loaded at run time:
# - qt6-qpa-plugins holds the xcb and Wayland platform plugins; without one Qt cannot open a
#   window at all, and libqt6gui6 only recommends it.
# - fonts-liberation2 gives metafile text the advance widths of Arial, Times New Roman and
#   Courier New, so it keeps its length; fonts-urw-base35 (Standard Symbols PS) draws Symbol
#   text with Symbol's widths and fonts-opensymbol the other symbol fonts;
#   fonts-crosextra-carlito and -caladea give Calibri and Cambria text their widths. Qt finds
#   fonts through fontconfig, never by linking, and falls back to other faces without them.
# - python3-pil is the Pillow that the Python module `pictorate` plugs into.
# - qt6-image-formats-plugins lets the converter write TIFF and WebP besides BMP, PNG and JPEG.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, python3-pil")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-urw-base35, fonts-opensymbol, fonts-crosextra-carlito, fonts-crosextra-caladea, qt6-image-formats-plugins")

# Debian's machine-readable copyright file: everything the package installs is the project's
# own, under Apache-2.0.
include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictorate)
