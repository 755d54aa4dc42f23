// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/InstalledInterface.h"

class CCard;
class CCategory;

// Where records show themselves: the desktop program's tree, icon list, summary and notes pane. The program
// installs its main window here; without one (the command line, tests of the core) records show nowhere.
class RecordDisplay : public InstalledInterface<RecordDisplay> {
public:
    RecordDisplay() = default;
    RecordDisplay(const RecordDisplay&) = delete;
    RecordDisplay& operator=(const RecordDisplay&) = delete;
    virtual ~RecordDisplay() = default;

    // The card's fields in the summary, its notes in the notes pane.
    virtual void ShowCard(const CCard& card) = 0;
    // Inserts or updates the record's item in the tree (a category under the root, a card under its category) or
    // in the summary's icon list; with `select` it becomes the selected item.
    virtual void AddToTree(const CCategory& category, bool select) = 0;
    virtual void AddToTree(const CCard& card, bool select) = 0;
    virtual void AddToList(const CCategory& category, bool select) = 0;
    virtual void AddToList(const CCard& card, bool select) = 0;
};
