// SPDX-License-Identifier: GPL-3.0-or-later
// A resource library without GetTemplatesInfo, as a broken or outdated installation would have it: the loader must
// refuse it rather than fail later when a new wallet asks for the templates.
#include "resources/korvelres/KorvelRes.h"

void GetImagesInfo(int* firstId, int* count) {
    *firstId = 500;
    *count = 96;
}

const char16_t* KorvelResString(int, int* length) {
    *length = 0;
    return nullptr;
}

const unsigned char* KorvelResIcon(int, int, int* length) {
    *length = 0;
    return nullptr;
}
