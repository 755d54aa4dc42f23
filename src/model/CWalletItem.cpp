// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CWalletItem.h"

#include "document/CipherText.h"
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
        archive.WriteString(CipherText(text, true));
    else
        text = archive.ReadString();
}
