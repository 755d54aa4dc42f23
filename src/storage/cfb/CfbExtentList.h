// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

// Where the bytes of one stream lie in the file: runs of contiguous bytes in stream order. Neighbouring sectors
// merge into one run, so a stream written in one piece costs one entry however large it is.
class CfbExtentList {
public:
    struct Extent {
        qint64 streamPos;
        qint64 filePos;
        qint64 length;
    };

    void Append(qint64 filePos, qint64 length);
    qint64 Size() const { return m_size; }
    // The run that holds stream position `pos`, which must be below Size().
    const Extent& At(qint64 pos) const;

private:
    std::vector<Extent> m_extents;
    qint64 m_size = 0;
};
