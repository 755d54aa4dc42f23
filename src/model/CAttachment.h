// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CWalletItem.h"

// One of a card's three attached files. The file's bytes live in a stream of the wallet file; the record keeps the
// stream's name and, as its description, the file's display name.
class CAttachment : public CWalletItem {
public:
    // String ids of the file-type filter of each slot.
    static constexpr qint32 kImageFilter = 65027;
    static constexpr qint32 kSoundFilter = 65028;
    static constexpr qint32 kDocumentFilter = 65029;

    bool IsAttached() const { return !streamName.isEmpty(); }
    void CopyFrom(const CAttachment& other);

    qint32 filterId = 0;
    QString streamName;
    QString path;
};
