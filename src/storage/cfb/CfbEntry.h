// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cfb/CfbConstants.h"

#include <QString>

#include <vector>

// One element of a compound file as the reader found it: the directory fields, plus the element's children (for
// the root and storages) as indexes into the reader's entry list, sorted in the format's name order.
struct CfbEntry {
    QString name;
    quint32 directoryId = 0;
    quint8 type = cfb::kTypeUnused;
    quint8 color = cfb::kColorBlack;
    quint32 left = cfb::kNoStream;
    quint32 right = cfb::kNoStream;
    quint32 child = cfb::kNoStream;
    quint32 start = cfb::kEndOfChain;
    quint64 size = 0;
    std::vector<quint32> children;

    bool IsStream() const { return type == cfb::kTypeStream; }
};
