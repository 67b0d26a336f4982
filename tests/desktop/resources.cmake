# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern

# Runs makeresources.py into SCRATCH and compares every picture it writes with the committed
# one in RESOURCES: a changed script whose output was not committed, or a hand-edited icon
# that the desktop PNGs no longer match, fails here.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${PYTHON3} ${RESOURCES}/makeresources.py ${SCRATCH} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makeresources.py failed")
endif()
file(GLOB_RECURSE written RELATIVE ${SCRATCH} ${SCRATCH}/*)
list(LENGTH written count)
if(count LESS 5)
    message(FATAL_ERROR "makeresources.py wrote only ${written}")
endif()
foreach(name IN LISTS written)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${name} ${RESOURCES}/${name}
                    RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "resources/${name} is not what makeresources.py writes: run it and commit the result")
    endif()
endforeach()
