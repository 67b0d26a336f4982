# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Installs the build folder BUILD_DIR with prefix /usr into the scratch root ROOT (as DESTDIR)
# and checks what landed there. The validator tests then read ROOT.
include(${CHECKS})

file(REMOVE_RECURSE ${ROOT})
set(ENV{DESTDIR} ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE failed)
if(failed)
    fail("cmake --install ${BUILD_DIR} failed")
endif()
check_installed_tree(${ROOT})
