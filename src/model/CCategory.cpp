// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCategory.h"

#include "document/CipherText.h"
#include "model/CArchive.h"
#include "model/RecordDisplay.h"

#include <utility>

CCategory::CCategory() : CCategory(-1) {}

CCategory::CCategory(qint32 categoryId) : CWalletItem(categoryId) {
    flag = 1;
    iconId = kDefaultIcon;
    description = QStringLiteral("New Category");
}

void CCategory::CipherTexts(bool encipher) {
    VisitTexts([encipher](QString& text) { text = CipherText(std::move(text), encipher); });
}

void CCategory::Serialize(CArchive& archive) {
    SerializeHead(archive);
    archive.Item(defaultTemplate);
    archive.Item(flag);
    if (archive.IsLoading() && !archive.IsBatching())
        CipherTexts(false);
}

void CCategory::AddToTree(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToTree(*this, select);
}

void CCategory::AddToList(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToList(*this, select);
}
