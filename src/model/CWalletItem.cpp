// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CWalletItem.h"

#include "model/CArchive.h"

void CWalletItem::Serialize(CArchive&) {}

void CWalletItem::SerializeHead(CArchive& archive) {
    archive.Item(id);
    CipheredItem(archive, description);
    archive.Item(iconId);
    CipheredItem(archive, reservedText);
}

void CWalletItem::CipheredItem(CArchive& archive, QString& text) {
    if (archive.IsStoring())
        archive.WriteCiphered(text);
    else
        archive.ReadCiphered(text);
}
