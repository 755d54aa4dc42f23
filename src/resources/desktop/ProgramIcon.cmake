# SPDX-License-Identifier: GPL-3.0-or-later
# The program icon: Twemoji's purse (1f45b), a wallet, rendered at build time into one folder per size, as the icon
# theme lays them out. korvel_views compiles them in as the window icon; Install.cmake puts them into the theme.
set(KORVEL_PROGRAM_ICON_SIZES 16 32 48 64 128 256)
set(KORVEL_PROGRAM_ICON_FOLDER ${CMAKE_CURRENT_BINARY_DIR}/programicon)
set(programIconSvg ${KORVEL_TWEMOJI_SVG_FOLDER}/1f45b.svg)
set(programIconPngs "")
foreach(size IN LISTS KORVEL_PROGRAM_ICON_SIZES)
    set(folder ${KORVEL_PROGRAM_ICON_FOLDER}/${size}x${size})
    add_custom_command(OUTPUT ${folder}/korvel.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${KORVEL_RSVG_CONVERT} --width=${size} --height=${size} --format=png --output=${folder}/korvel.png
            ${programIconSvg}
        DEPENDS ${programIconSvg}
        COMMENT "Rendering the program icon at ${size} px" VERBATIM)
    list(APPEND programIconPngs ${folder}/korvel.png)
endforeach()
qt_add_resources(korvel_views korvel_program_icon PREFIX /program BASE ${KORVEL_PROGRAM_ICON_FOLDER}
    FILES ${programIconPngs})
