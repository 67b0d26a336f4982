# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Builds the Debian package from this build folder with CPACK_CONFIG into SCRATCH, reads its
# control fields and unpacks it into a scratch root, the way dpkg would install it.
include(${CHECKS})

foreach(tool dpkg-deb dpkg-shlibdeps file)
    find_program(toolPath ${tool})
    if(NOT toolPath)
        fail("${tool} is not installed: install the Debian packages dpkg-dev and file (./setup.sh does)")
    endif()
    unset(toolPath CACHE)
endforeach()

file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB -B ${SCRATCH} --config ${CPACK_CONFIG}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
    fail("cpack failed:\n${output}")
endif()
file(GLOB packages ${SCRATCH}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
    fail("cpack made ${count} .deb files in ${SCRATCH}: ${packages}")
endif()
set(package ${packages})

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE architecture
                OUTPUT_STRIP_TRAILING_WHITESPACE)
cmake_path(GET package FILENAME fileName)
if(NOT fileName STREQUAL "pictorate_${VERSION}_${architecture}.deb")
    fail("the package is named ${fileName}")
endif()

# expect_field(FIELD REGEX): the control field FIELD of the package matches REGEX.
function(expect_field field regex)
    execute_process(COMMAND dpkg-deb -f ${package} ${field} OUTPUT_VARIABLE value
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT value MATCHES "${regex}")
        fail("${field}: '${value}' does not match ${regex}")
    endif()
endfunction()
expect_field(Package "^pictorate$")
expect_field(Version "^${VERSION}$")
expect_field(Architecture "^${architecture}$")
expect_field(Section "^graphics$")
expect_field(Maintainer "^[^<]+ <[^>@]+@[^>]+>$")
# The Qt libraries and libc6 only appear when dpkg-shlibdeps read the program; the others are
# loaded at run time and named by hand.
foreach(dependency libqt6widgets6 libqt6gui6 libqt6core6 libc6 qt6-qpa-plugins fonts-liberation2 python3-pil)
    expect_field(Depends "(^|, )${dependency}( |,|$)")
endforeach()
expect_field(Recommends "(^|, )fonts-opensymbol( |,|$)")
expect_field(Recommends "(^|, )fonts-urw-base35( |,|$)")
expect_field(Recommends "(^|, )fonts-crosextra-carlito( |,|$)")
expect_field(Recommends "(^|, )qt6-image-formats-plugins( |,|$)")

execute_process(COMMAND dpkg -x ${package} ${SCRATCH}/root RESULT_VARIABLE failed)
if(failed)
    fail("dpkg -x ${package} failed")
endif()
check_installed_tree(${SCRATCH}/root)
