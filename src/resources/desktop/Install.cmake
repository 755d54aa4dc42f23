# SPDX-License-Identifier: GPL-3.0-or-later
# The install layout. The programs open libkorvelres.so from their own folder, so the two programs and the library
# share ${CMAKE_INSTALL_LIBDIR}/korvel; the bin folder holds symbolic links to the programs (the programs find their
# folder through /proc/self/exe, which names the link's target).
set(KORVEL_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/korvel)
install(TARGETS korvel korvel-cli korvelres
    RUNTIME DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR}
    LIBRARY DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR})

# The User's Guide, which the program opens from its own folder.
install(FILES ${KORVEL_GUIDE_PDF} DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR})

# The desktop's entry, the wallet file type and the icon, also shown on wallet files.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(size IN LISTS KORVEL_PROGRAM_ICON_SIZES)
    set(png ${KORVEL_PROGRAM_ICON_FOLDER}/${size}x${size}/korvel.png)
    set(themeFolder ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
    install(FILES ${png} DESTINATION ${themeFolder}/apps)
    install(FILES ${png} DESTINATION ${themeFolder}/mimetypes RENAME application-x-korvel-wallet.png)
endforeach()

# Last, as it runs over what is installed by then: the links to the programs and, on a direct install, the desktop's
# databases.
install(CODE "
    set(KORVEL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(KORVEL_PROGRAM_DIR \"${KORVEL_INSTALL_PROGRAM_DIR}\")
    set(KORVEL_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
    set(KORVEL_PROGRAMS korvel korvel-cli)
    include(\"${CMAKE_CURRENT_LIST_DIR}/PostInstall.cmake\")")
