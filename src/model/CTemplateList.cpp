// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CTemplateList.h"

CCardTemplate* CTemplateList::FindByInternalName(const QString& name) const {
    for (CCardTemplate* cardTemplate : *this) {
        if (cardTemplate->internalName == name)
            return cardTemplate;
    }
    return nullptr;
}

qint32 CTemplateList::IdOfInternalName(const QString& name) const {
    if (name.isEmpty())
        return 0;
    const CCardTemplate* cardTemplate = FindByInternalName(name);
    return cardTemplate ? cardTemplate->id : 0;
}

QString CTemplateList::InternalNameOfId(qint32 templateId) const {
    if (templateId == 0)
        return QString();
    const CCardTemplate* cardTemplate = FindById(templateId);
    return cardTemplate ? cardTemplate->internalName : QString();
}
