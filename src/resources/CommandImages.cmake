# SPDX-License-Identifier: GPL-3.0-or-later
# The program's own pictures of four menu commands, drawn from the same picture set as the resource library's icons
# so they sit well beside them: 160 the synchronisation manager (a handheld receiving), 179 the web page (a globe),
# 180 zoom (a magnifying glass), 184 the user's guide (a book). Rendered at build time at each menu size and compiled
# into korvel_views as :/commands/<size>/<id>.png.
set(KORVEL_COMMAND_IMAGE_SIZES 16 32)
set(KORVEL_COMMAND_IMAGES 160=1f4f2 179=1f310 180=1f50d 184=1f4d8)
set(commandImageFolder ${CMAKE_CURRENT_BINARY_DIR}/commandimages)
set(commandImagePngs "")
foreach(entry IN LISTS KORVEL_COMMAND_IMAGES)
    string(REPLACE "=" ";" pair ${entry})
    list(GET pair 0 imageId)
    list(GET pair 1 picture)
    set(svg ${KORVEL_TWEMOJI_SVG_FOLDER}/${picture}.svg)
    foreach(size IN LISTS KORVEL_COMMAND_IMAGE_SIZES)
        set(png ${commandImageFolder}/${size}/${imageId}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${commandImageFolder}/${size}
            COMMAND ${KORVEL_RSVG_CONVERT} --width=${size} --height=${size} --format=png --output=${png} ${svg}
            DEPENDS ${svg}
            COMMENT "Rendering command image ${imageId} at ${size} px" VERBATIM)
        list(APPEND commandImagePngs ${png})
    endforeach()
endforeach()
qt_add_resources(korvel_views korvel_command_images PREFIX /commands BASE ${commandImageFolder}
    FILES ${commandImagePngs})
