// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CWalletItem.h"

// A group of cards. Its flag says whether the wallet must be unlocked before its cards are shown.
class CCategory : public CWalletItem {
public:
    static constexpr qint64 kMinStoredSize = 24;
    static constexpr qint32 kDefaultIcon = 500;

    CCategory();
    explicit CCategory(qint32 categoryId);

    bool RequiresPassword() const { return flag != 0; }
    void CipherTexts(bool encipher, qint32 method);
    // Calls `visit` with each text that the file holds enciphered, in enciphering order.
    template <class Visit> void VisitTexts(Visit&& visit) {
        visit(description);
        visit(reservedText);
    }
    void Serialize(CArchive& archive) override;
    // Lets the user edit the category in its dialog; 1 when it changed. A cleared description changes nothing.
    int Edit();
    // Inserts or updates the category's item in the tree or in the summary's icon list, through RecordDisplay.
    void AddToTree(bool select) const;
    void AddToList(bool select) const;

    // Internal name of the template offered first for a new card here; empty for none.
    QString defaultTemplate;
};
