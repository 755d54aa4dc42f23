# SPDX-License-Identifier: GPL-3.0-or-later
# The install layout. The programs open libkorvelres.so from their own folder, so the two programs and the library
# share ${CMAKE_INSTALL_LIBEXECDIR}/korvel, a folder of the package's own that the dynamic linker does not search (a
# library there needs no ldconfig); the bin folder holds symbolic links to the programs (the programs find their
# folder through /proc/self/exe, which names the link's target).
set(KORVEL_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/korvel)
install(TARGETS korvel korvel-cli korvelres
    RUNTIME DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR}
    LIBRARY DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR})

# The User's Guide, which the program opens from its own folder.
install(FILES ${KORVEL_GUIDE_PDF} DESTINATION ${KORVEL_INSTALL_PROGRAM_DIR})

# The desktop's entry, the software centre's entry, the wallet file type and the icon, also shown on wallet files.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${CMAKE_CURRENT_LIST_DIR}/korvel.metainfo.xml.in org.ostrande.korvel.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.ostrande.korvel.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/korvel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(size IN LISTS KORVEL_PROGRAM_ICON_SIZES)
    set(png ${KORVEL_PROGRAM_ICON_FOLDER}/${size}x${size}/korvel.png)
    set(themeFolder ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
    install(FILES ${png} DESTINATION ${themeFolder}/apps)
    install(FILES ${png} DESTINATION ${themeFolder}/mimetypes RENAME application-x-korvel-wallet.png)
endforeach()

# The manual pages (korvel-cli's is made from its commands, src/cli/CMakeLists.txt), the bash completion, and the
# licence and changelog of the package. Pages and changelog are compressed as Debian keeps them; gzip -n leaves the
# name and time out, so the same sources give the same files.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/app/korvel.1.in korvel.1 @ONLY)
set(packageFolder ${CMAKE_CURRENT_SOURCE_DIR}/resources/package)
set(gzipFolder ${CMAKE_CURRENT_BINARY_DIR}/gzipped)
set(gzipped "")
foreach(file ${CMAKE_CURRENT_BINARY_DIR}/korvel.1 ${KORVEL_CLI_MANUAL} ${packageFolder}/changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${gzipFolder}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${file} ${gzipFolder}/${name}
        COMMAND gzip -9nf ${gzipFolder}/${name}
        DEPENDS ${file} VERBATIM)
    list(APPEND gzipped ${gzipFolder}/${name}.gz)
endforeach()
add_custom_target(korvel_gzipped ALL DEPENDS ${gzipped})
add_dependencies(korvel_gzipped korvel_cli_docs)
install(FILES ${gzipFolder}/korvel.1.gz ${gzipFolder}/korvel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KORVEL_CLI_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME korvel-cli)
install(FILES ${packageFolder}/copyright ${gzipFolder}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvel)

# Last, as it runs over what is installed by then: the links to the programs.
install(CODE "
    set(KORVEL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    set(KORVEL_PROGRAM_DIR \"${KORVEL_INSTALL_PROGRAM_DIR}\")
    set(KORVEL_PROGRAMS korvel korvel-cli)
    include(\"${CMAKE_CURRENT_LIST_DIR}/PostInstall.cmake\")")
