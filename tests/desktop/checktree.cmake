# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# check_installed_tree(ROOT): fails the test unless ROOT/usr holds exactly Pictorate's files:
# the program, the converter with its manual page, thumbnailer, ImageMagick delegates and Python
# module, the launcher, the two icons, the metainfo and the copyright file, consistent with each other.
# Expects APP_ID and VERSION.

function(fail message)
    message(FATAL_ERROR "${message}")
endfunction()

function(check_icon file size)
    # A PNG file starts with its 8-byte signature and the IHDR chunk: length, type, width, height.
    file(READ ${file} head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 signature)
    string(SUBSTRING "${head}" 32 16 dimensions)
    math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x" "" expected ${expected})
    string(LENGTH ${expected} digits)
    math(EXPR padding "8 - ${digits}")
    string(REPEAT 0 ${padding} zeros)
    set(expected ${zeros}${expected})
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT dimensions STREQUAL "${expected}${expected}")
        message(FATAL_ERROR "${file} is not a ${size} x ${size} PNG picture (starts ${head})")
    endif()
endfunction()

# A thumbnailer file has no validator of its own: its one group and its keys are checked as the
# file managers read them.
function(check_thumbnailer file)
    file(READ ${file} text)
    set(expected [=[[Thumbnailer Entry]
TryExec=pictorate-convert
Exec=pictorate-convert --thumbnail %s %i %o
MimeType=image/wmf;image/x-wmf;image/emf;image/x-emf;
]=])
    if(NOT text STREQUAL "${expected}")
        fail("${file} reads\n${text}\nbut should read\n${expected}")
    endif()
endfunction()

function(check_installed_tree root)
    set(expected
        usr/bin/pictorate
        usr/bin/pictorate-convert
        usr/lib/python3/dist-packages/pictorate/__init__.py
        usr/${QT_PLUGINS}/imageformats/libpictorate-metafile.so
        usr/share/applications/${APP_ID}.desktop
        usr/share/doc/pictorate/copyright
        usr/share/icons/hicolor/16x16/apps/${APP_ID}.png
        usr/share/icons/hicolor/32x32/apps/${APP_ID}.png
        usr/share/man/man1/pictorate-convert.1.gz
        usr/share/metainfo/${APP_ID}.metainfo.xml
        usr/share/pictorate/imagemagick/delegates.xml
        usr/share/thumbnailers/pictorate.thumbnailer)
    file(GLOB_RECURSE found RELATIVE ${root} LIST_DIRECTORIES false ${root}/*)
    list(SORT found)
    if(NOT found STREQUAL expected)
        string(REPLACE ";" "\n  " foundText "${found}")
        string(REPLACE ";" "\n  " expectedText "${expected}")
        message(FATAL_ERROR "${root} holds\n  ${foundText}\nbut should hold exactly\n  ${expectedText}")
    endif()

    foreach(program pictorate pictorate-convert)
        execute_process(COMMAND test -x ${root}/usr/bin/${program} RESULT_VARIABLE notExecutable)
        if(notExecutable)
            fail("usr/bin/${program} is not executable")
        endif()
    endforeach()
    # Qt loads an image plugin only when its metadata names the image readers' interface.
    file(STRINGS ${root}/usr/${QT_PLUGINS}/imageformats/libpictorate-metafile.so metadata
         REGEX "QImageIOHandlerFactoryInterface")
    if(NOT metadata)
        fail("${QT_PLUGINS}/imageformats/libpictorate-metafile.so carries no image plugin's metadata")
    endif()
    check_thumbnailer(${root}/usr/share/thumbnailers/pictorate.thumbnailer)
    # ImageMagick runs the converter where the package puts it, whatever the user's PATH.
    file(READ ${root}/usr/share/pictorate/imagemagick/delegates.xml delegates)
    string(REPLACE "&quot;" "'" delegates "${delegates}") # a semicolon would split the list
    string(REGEX MATCHALL "command=\"'[^']*'" commands "${delegates}")
    list(REMOVE_DUPLICATES commands)
    if(NOT commands STREQUAL "command=\"'/usr/bin/pictorate-convert'")
        fail("the ImageMagick delegates run ${commands}, not /usr/bin/pictorate-convert")
    endif()
    check_icon(${root}/usr/share/icons/hicolor/16x16/apps/${APP_ID}.png 16)
    check_icon(${root}/usr/share/icons/hicolor/32x32/apps/${APP_ID}.png 32)
    # Debian's machine-readable copyright format, naming the project's licence.
    file(STRINGS ${root}/usr/share/doc/pictorate/copyright copyright)
    list(GET copyright 0 format)
    list(FIND copyright "License: Apache-2.0" licenceAt)
    if(NOT format MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$"
       OR licenceAt EQUAL -1)
        fail("usr/share/doc/pictorate/copyright is not a machine-readable copyright file naming Apache-2.0")
    endif()

    file(STRINGS ${root}/usr/share/applications/${APP_ID}.desktop iconLine REGEX "^Icon=")
    if(NOT iconLine STREQUAL "Icon=${APP_ID}")
        fail("the launcher names the icon '${iconLine}', not ${APP_ID}")
    endif()
    file(READ ${root}/usr/share/metainfo/${APP_ID}.metainfo.xml metainfo)
    string(FIND "${metainfo}" "<release version=\"${VERSION}\"" releaseAt)
    if(releaseAt EQUAL -1)
        fail("the metainfo does not list release ${VERSION}")
    endif()
endfunction()
