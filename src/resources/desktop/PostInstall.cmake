# SPDX-License-Identifier: GPL-3.0-or-later
# Runs at install time, from Install.cmake, which sets KORVEL_BINDIR and KORVEL_PROGRAM_DIR (each relative to the
# prefix or absolute) and KORVEL_PROGRAMS. It writes no caches of the desktop (file types, programs, icons): the Debian
# package leaves them to the triggers of the packages that own them, and after a direct install into another prefix
# update-mime-database and update-desktop-database are run by hand.
cmake_path(ABSOLUTE_PATH KORVEL_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE binDir)
cmake_path(ABSOLUTE_PATH KORVEL_PROGRAM_DIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE programDir)

# Relative links, so the tree still works when it is moved or staged under DESTDIR.
file(RELATIVE_PATH linkTarget "${binDir}" "${programDir}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${binDir}")
foreach(program IN LISTS KORVEL_PROGRAMS)
    set(link "$ENV{DESTDIR}${binDir}/${program}")
    message(STATUS "Installing: ${link} -> ${linkTarget}/${program}")
    file(CREATE_LINK "${linkTarget}/${program}" "${link}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
endforeach()
