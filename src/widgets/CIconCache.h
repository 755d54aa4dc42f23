// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

#include <map>
#include <utility>

// The icons of the resource library by id and size, each read and decoded once: a tree of 100,000 cards shows a
// few dozen distinct pictures, never 100,000 images.
class CIconCache {
public:
    // The icon at `size` pixels square; a null pixmap for an id the library does not have.
    static QPixmap Pixmap(int iconId, int size);
    static QIcon Icon(int iconId, int size);
    // Forgets every picture (for tests that load another library).
    static void Clear();

private:
    static std::map<std::pair<int, int>, QPixmap>& Cache();
};
