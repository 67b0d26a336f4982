# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Runs the installed thumbnailer in ROOT the way a file manager does: the Exec line with %s,
# %i and %o filled in, the program taken from ROOT/usr/bin. The PNG it writes must have a
# longer side of the asked size and the drawing's proportions. Expects ROOT, PICTURE (a
# metafile wider than high), WIDTH and HEIGHT (its proportions) and SCRATCH.
file(STRINGS ${ROOT}/usr/share/thumbnailers/pictorate.thumbnailer execLine REGEX "^Exec=")
string(REGEX REPLACE "^Exec=" "" command "${execLine}")
separate_arguments(command UNIX_COMMAND "${command}")
list(POP_FRONT command program)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(size 128)
set(output ${SCRATCH}/thumbnail.png)
list(TRANSFORM command REPLACE "^%s$" ${size})
list(TRANSFORM command REPLACE "^%i$" ${PICTURE})
list(TRANSFORM command REPLACE "^%o$" ${output})
# A file manager's session has a display; the thumbnailer must not need one.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                        ${ROOT}/usr/bin/${program} ${command}
                RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
    message(FATAL_ERROR "${program} ${command} failed: ${errors}")
endif()
file(READ ${output} head LIMIT 24 HEX)
string(SUBSTRING "${head}" 0 16 signature)
if(NOT signature STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "${output} is not a PNG file")
endif()
string(SUBSTRING "${head}" 32 8 widthHex)
string(SUBSTRING "${head}" 40 8 heightHex)
math(EXPR width "0x${widthHex}")
math(EXPR height "0x${heightHex}")
math(EXPR expectedHeight "(${size} * ${HEIGHT} + ${WIDTH} / 2) / ${WIDTH}")
if(NOT width EQUAL size OR NOT height EQUAL expectedHeight)
    message(FATAL_ERROR "the thumbnail is ${width} x ${height}, not ${size} x ${expectedHeight}")
endif()
