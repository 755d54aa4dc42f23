// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CIconCache.h"

#include "base/ResourceLibrary.h"

std::map<std::pair<int, int>, QPixmap>& CIconCache::Cache() {
    static std::map<std::pair<int, int>, QPixmap> cache;
    return cache;
}

QPixmap CIconCache::Pixmap(int iconId, int size) {
    const auto key = std::make_pair(iconId, size);
    auto found = Cache().find(key);
    if (found != Cache().end())
        return found->second;
    QPixmap pixmap;
    if (pixmap.loadFromData(ResourceLibrary::Icon(iconId, size), "PNG") && pixmap.width() != size)
        pixmap = pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return Cache().emplace(key, pixmap).first->second;
}

QIcon CIconCache::Icon(int iconId, int size) {
    return QIcon(Pixmap(iconId, size));
}

void CIconCache::Clear() {
    Cache().clear();
}
