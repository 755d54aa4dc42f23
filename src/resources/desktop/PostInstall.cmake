# SPDX-License-Identifier: GPL-3.0-or-later
# Runs at install time, from Install.cmake, which sets KORVEL_BINDIR, KORVEL_PROGRAM_DIR and KORVEL_DATADIR (each
# relative to the prefix or absolute) and KORVEL_PROGRAMS.
cmake_path(ABSOLUTE_PATH KORVEL_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE binDir)
cmake_path(ABSOLUTE_PATH KORVEL_PROGRAM_DIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE programDir)
cmake_path(ABSOLUTE_PATH KORVEL_DATADIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE dataDir)

# Relative links, so the tree still works when it is moved or staged under DESTDIR.
file(RELATIVE_PATH linkTarget "${binDir}" "${programDir}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${binDir}")
foreach(program IN LISTS KORVEL_PROGRAMS)
    set(link "$ENV{DESTDIR}${binDir}/${program}")
    message(STATUS "Installing: ${link} -> ${linkTarget}/${program}")
    file(CREATE_LINK "${linkTarget}/${program}" "${link}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
endforeach()

# A staged install (DESTDIR) leaves the databases to the package's own triggers. Installed directly, the file manager
# learns the wallet type and the program that opens it only once these are rebuilt.
if("$ENV{DESTDIR}" STREQUAL "")
    find_program(updateMimeDatabase update-mime-database)
    if(updateMimeDatabase)
        message(STATUS "Updating the file types in ${dataDir}/mime")
        execute_process(COMMAND "${updateMimeDatabase}" "${dataDir}/mime")
    endif()
    find_program(updateDesktopDatabase update-desktop-database)
    if(updateDesktopDatabase)
        message(STATUS "Updating the programs for file types in ${dataDir}/applications")
        execute_process(COMMAND "${updateDesktopDatabase}" "${dataDir}/applications")
    endif()
endif()
