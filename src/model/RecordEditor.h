// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/InstalledInterface.h"

#include <QString>

class CCard;
class CCategory;

// The windows in which records are edited: the card's property sheet, the category dialog and the template picker.
// The desktop program installs them; without them (the command line, tests of the core) nothing can be edited this
// way and every edit reports no change.
class RecordEditor : public InstalledInterface<RecordEditor> {
public:
    RecordEditor() = default;
    RecordEditor(const RecordEditor&) = delete;
    RecordEditor& operator=(const RecordEditor&) = delete;
    virtual ~RecordEditor() = default;

    // Shows the card's property sheet over `working`, a copy of the card with copies of its attachments; true when
    // the sheet closed with OK, `working` then holding what the user left in it.
    virtual bool EditCard(CCard& working) = 0;
    // The category dialog over a copy; `defaultTemplateId` is the id of the default template in and out (0: none).
    virtual bool EditCategory(CCategory& working, qint32& defaultTemplateId) = 0;
    // The internal name of the template the user picks, `preselected` first; empty when cancelled.
    virtual QString SelectTemplate(const QString& preselected, bool showCreateLink) = 0;
};
