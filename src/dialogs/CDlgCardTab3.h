// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class CAttachment;
class CCard;
class CLinkLabel;
class QPushButton;

// The Attachments page of the card sheet: the image, sound and document slots of the sheet's copy of the card. A
// file inserted here is held by the wallet until its next save, which writes it only if a saved card names it; a
// slot emptied here lets go of its stream only when the sheet closes with OK.
class CDlgCardTab3 : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSlots = 3;

    explicit CDlgCardTab3(CCard& working, QWidget* parent = nullptr);

    // Insert into an empty slot, Remove from an attached one.
    void InsertOrRemove(int slot);
    // Opens a copy of the slot's file with the desktop's application for it. The copy stays while the program runs,
    // since a viewer may still be starting when the sheet closes.
    void Open(int slot);

    QPushButton& Button(int slot) { return *m_buttons[slot]; }
    CLinkLabel& Label(int slot) { return *m_labels[slot]; }

private:
    void ShowSlots();

    CAttachment* m_slots[kSlots];
    QPushButton* m_buttons[kSlots];
    CLinkLabel* m_labels[kSlots];
};
