# SPDX-License-Identifier: GPL-3.0-or-later
# Every target of the project gets the same strict warnings and, on request, the sanitizers.
add_library(korvel_options INTERFACE)
target_compile_options(korvel_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
target_compile_definitions(korvel_options INTERFACE QT_NO_KEYWORDS)
if(KORVEL_SANITIZE)
    target_compile_options(korvel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(korvel_options INTERFACE -fsanitize=address,undefined)
endif()
