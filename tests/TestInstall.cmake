# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into WORK_DIR/stage with DESTDIR and checks what lands where. Run with cmake -P and
# -DBUILD_DIR=... -DWORK_DIR=... -DBINDIR=... -DLIBEXECDIR=... -DDATADIR=... -DMANDIR=... (the install folders, relative to
# the prefix).
set(prefix /usr)
set(stage ${WORK_DIR}/stage)
set(root ${stage}${prefix})
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(fail)
    string(JOIN "" text ${ARGN})
    message(FATAL_ERROR "${text}")
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage} ${CMAKE_COMMAND} --install ${BUILD_DIR}
        --prefix ${prefix}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    fail("cmake --install failed:\n${output}")
endif()

# Exactly these files, nothing more.
set(sizes 16 32 48 64 128 256)
set(expected ${BINDIR}/korvel ${BINDIR}/korvel-cli ${LIBEXECDIR}/korvel/korvel ${LIBEXECDIR}/korvel/korvel-cli
    ${LIBEXECDIR}/korvel/libkorvelres.so ${LIBEXECDIR}/korvel/KVGuide.pdf ${DATADIR}/applications/korvel.desktop
    ${DATADIR}/mime/packages/korvel.xml ${DATADIR}/metainfo/org.ostrande.korvel.metainfo.xml
    ${MANDIR}/man1/korvel.1.gz ${MANDIR}/man1/korvel-cli.1.gz ${DATADIR}/bash-completion/completions/korvel-cli
    ${DATADIR}/doc/korvel/copyright ${DATADIR}/doc/korvel/changelog.gz)
foreach(size IN LISTS sizes)
    list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/korvel.png
        ${DATADIR}/icons/hicolor/${size}x${size}/mimetypes/application-x-korvel-wallet.png)
endforeach()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(SORT expected)
list(SORT installed)
if(NOT installed STREQUAL expected)
    string(REPLACE ";" "\n  " installed "${installed}")
    string(REPLACE ";" "\n  " expected "${expected}")
    fail("installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()

# The bin folder links to the programs beside the library, by relative links.
foreach(program korvel korvel-cli)
    set(link ${root}/${BINDIR}/${program})
    if(NOT IS_SYMLINK ${link})
        fail("${link} is not a symbolic link")
    endif()
    file(READ_SYMLINK ${link} target)
    file(REAL_PATH ${link} resolved)
    file(REAL_PATH ${root}/${LIBEXECDIR}/korvel/${program} real)
    if(IS_ABSOLUTE "${target}" OR NOT resolved STREQUAL real)
        fail("${link} leads to ${target}, not to ${real}")
    endif()
endforeach()

# Each icon folder holds the picture at its own size: a PNG whose header gives that width and height.
foreach(size IN LISTS sizes)
    set(png ${root}/${DATADIR}/icons/hicolor/${size}x${size}/apps/korvel.png)
    file(READ ${png} header LIMIT 24 HEX)
    math(EXPR sizeWord "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${sizeWord}" 2 -1 sizeHex)
    string(LENGTH "${sizeHex}" length)
    while(length LESS 8)
        string(PREPEND sizeHex 0)
        math(EXPR length "${length} + 1")
    endwhile()
    if(NOT header STREQUAL "89504e470d0a1a0a0000000d49484452${sizeHex}${sizeHex}")
        fail("${png} is not a ${size} px PNG: ${header}")
    endif()
endforeach()

# korvel-cli started through its link finds the resource library in the folder the link leads to: making a wallet
# needs its built-in templates.
set(wallet ${WORK_DIR}/installed.kvx)
execute_process(COMMAND ${root}/${BINDIR}/korvel-cli create ${wallet} WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${wallet})
    fail("the installed korvel-cli could not make a wallet (${result}):\n${output}")
endif()
execute_process(COMMAND ${root}/${BINDIR}/korvel-cli templates ${wallet} --json WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "\"id\"")
    fail("the installed korvel-cli could not list the templates (${result}):\n${output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
