// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CWalletItem.h"

#include "model/CArchive.h"

void CWalletItem::Serialize(CArchive&) {}

void CWalletItem::SerializeHead(CArchive& archive) {
    archive.Item(id);
    archive.Item(description);
    archive.Item(iconId);
    archive.Item(reservedText);
}

bool CWalletItem::IsStoring(const CArchive& archive) {
    return archive.IsStoring();
}
