// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCategory.h"

#include "base/CipherText.h"
#include "base/Utilities.h"
#include "model/CArchive.h"
#include "model/CTemplateList.h"
#include "model/RecordDisplay.h"
#include "model/RecordEditor.h"
#include "model/WalletContext.h"

#include <utility>

CCategory::CCategory() : CCategory(-1) {}

CCategory::CCategory(qint32 categoryId) : CWalletItem(categoryId) {
    flag = 1;
    iconId = kDefaultIcon;
    description = QStringLiteral("New Category");
}

void CCategory::CipherTexts(bool encipher, qint32 method) {
    VisitTexts([encipher, method](QString& text) { text = CipherText(std::move(text), encipher, method); });
}

void CCategory::Serialize(CArchive& archive) {
    SerializeHead(archive);
    archive.Item(defaultTemplate);
    archive.Item(flag);
    if (archive.IsLoading() && !archive.IsBatching())
        CipherTexts(false, archive.CipherMethod());
}

// A category without a description could not be told apart in the tree, so a cleared one leaves the record as it
// was. With no template entry selected the category is left without a default template.
int CCategory::Edit() {
    WalletContext* wallet = WalletContext::Get();
    RecordEditor* editor = RecordEditor::Get();
    if (!wallet || !editor || (RequiresPassword() && !wallet->RequestAccess(QString())))
        return 0;
    CCategory working(id);
    working.description = description;
    working.flag = flag;
    working.iconId = iconId;
    // A default template that is gone matches no entry of the dialog, not "none".
    qint32 templateId = wallet->Templates().IdOfInternalName(defaultTemplate);
    if (templateId == 0 && !defaultTemplate.isEmpty())
        templateId = -1;
    if (!editor->EditCategory(working, templateId) || working.description.isEmpty())
        return 0;
    bool changed = false;
    SetIfChanged(description, working.description, changed);
    SetIfChanged(flag, working.flag, changed);
    SetIfChanged(iconId, working.iconId, changed);
    SetIfChanged(defaultTemplate, wallet->Templates().InternalNameOfId(templateId), changed);
    return changed ? 1 : 0;
}

void CCategory::AddToTree(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToTree(*this, select);
}

void CCategory::AddToList(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToList(*this, select);
}
