// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Layout of the icon bytes that the build generates from icons.txt.
namespace korvelres {

struct IconImage {
    int size;
    const unsigned char* png;
    int length;
};

// The images of one icon, in ascending size.
struct Icon {
    const IconImage* images;
    int count;
};

} // namespace korvelres
