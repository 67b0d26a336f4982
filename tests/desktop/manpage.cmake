# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Formats the installed manual page MAN_PAGE with MAN, all of groff's warnings on (w): any warning fails.
# The page must name the program's VERSION.
# man-db drops groff's warnings unless told to keep them when its output is not a terminal.
execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 MAN_KEEP_STDERR=1 ${MAN} --warnings=w -l ${MAN_PAGE}
                RESULT_VARIABLE failed OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
if(failed OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "man -l ${MAN_PAGE} failed or warned:\n${warnings}")
endif()
foreach(section NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS")
    if(NOT page MATCHES "\n${section}\n")
        message(FATAL_ERROR "the manual page has no ${section} section")
    endif()
endforeach()
# The formats it reads are named where a reader looks first: the one-line summary that
# apropos and whatis show, and the description.
string(REGEX MATCH "NAME\n[^\n]*\n[^\n]*\n" name "${page}")
string(REGEX REPLACE "[ \n]+" " " name "${name}")
foreach(word "(WMF," " EMF," " EMF+)")
    string(FIND "${name}" "${word}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the manual page's NAME line does not name ${word}: ${name}")
    endif()
endforeach()
foreach(word ".wmz" ".emz" "PNG" "JPEG" "TIFF" "WebP")
    string(FIND "${page}" "${word}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the manual page does not name ${word}")
    endif()
endforeach()
if(NOT page MATCHES "Pictorate ${VERSION}")
    message(FATAL_ERROR "the manual page does not name version ${VERSION}")
endif()
