// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// libkorvelres.so, the resource library: the built-in card templates, the suggested category names, two messages
// about templates in use and the icon set. The program opens it at run time by file name and looks the functions up
// by name, so they have C linkage and plain types, and nothing else of the library is visible.
//
// Strings (UTF-16, null-terminated):
//   5000-5033  the built-in card templates: "name,iconId,fieldName,fieldType,..."
//   10000      the suggested category names, each followed by ";"
//   10001      " "
//   10006      why a template in use cannot be altered
//   10007      why a template in use cannot be deleted
// Icons 500-595: square colour pictures stored as PNG at 16, 32, 48, 64 and 128 pixels.

#ifndef __cplusplus
#include <uchar.h>
#endif

#define KORVELRES_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

// First icon id and number of icons: 500, 96.
KORVELRES_EXPORT void GetImagesInfo(int* firstId, int* count);
// First template string id and number of templates: 5000, 34.
KORVELRES_EXPORT void GetTemplatesInfo(int* firstId, int* count);

// The text of string `id` and its length in UTF-16 units; null and length 0 for an unknown id. `length` may be null.
KORVELRES_EXPORT const char16_t* KorvelResString(int id, int* length);

// The PNG bytes of icon `id` at the smallest stored size not below `size` (the largest when `size` is above all of
// them) and their count; null and length 0 for an unknown id. `length` may be null.
KORVELRES_EXPORT const unsigned char* KorvelResIcon(int id, int size, int* length);

#ifdef __cplusplus
}
#endif
