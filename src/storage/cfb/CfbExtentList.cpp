// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cfb/CfbExtentList.h"

#include <algorithm>

void CfbExtentList::Append(qint64 filePos, qint64 length) {
    if (!m_extents.empty()) {
        Extent& last = m_extents.back();
        if (last.filePos + last.length == filePos) {
            last.length += length;
            m_size += length;
            return;
        }
    }
    m_extents.push_back({m_size, filePos, length});
    m_size += length;
}

const CfbExtentList::Extent& CfbExtentList::At(qint64 pos) const {
    const auto after = std::upper_bound(m_extents.begin(), m_extents.end(), pos,
                                        [](qint64 p, const Extent& e) { return p < e.streamPos; });
    return *(after - 1);
}
