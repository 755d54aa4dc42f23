// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CCardTemplate.h"
#include "model/CRecordList.h"

// All card templates of a wallet, in id order, also found by internal name.
class CTemplateList : public CRecordList<CCardTemplate> {
public:
    // The first template with exactly this internal name, or none.
    CCardTemplate* FindByInternalName(const QString& name) const;
    // 0 for an empty name or one no template has.
    qint32 IdOfInternalName(const QString& name) const;
    // Empty for id 0 or an id no template has.
    QString InternalNameOfId(qint32 templateId) const;
};
