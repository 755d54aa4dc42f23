// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CTemplateFieldArray.h"
#include "model/CWalletItem.h"

// A card template: the named, typed fields that cards bound to it have. Cards name it by its internal name.
class CCardTemplate : public CWalletItem {
public:
    static constexpr qint64 kMinStoredSize = 140;
    static constexpr qint32 kDefaultIcon = 534;

    CCardTemplate();
    explicit CCardTemplate(qint32 templateId);

    // Fills description, icon and slots from a built-in definition: "description,iconId,name,type,name,type,...".
    void ParseDefinition(const QString& text);
    // Copies description, icon, reserved text and the slots; not the id, internal name, flag or notes.
    void CopyFrom(const CCardTemplate& other);
    // Whether a card of the active wallet is bound to this template. Templates without an id are never in use.
    bool IsInUse() const;
    void CipherTexts(bool encipher, qint32 method);
    // Calls `visit` with each text that the file holds enciphered, in enciphering order.
    template <class Visit> void VisitTexts(Visit&& visit) {
        visit(description);
        visit(reservedText);
        for (CTemplateField& field : fields)
            visit(field.name);
    }
    void Serialize(CArchive& archive) override;

    // A template file does not name its cipher method: it is written and read under the method of the wallet it is
    // exported from or imported into.
    // Writes this template to a template file the user chooses. False when cancelled or when it failed (the user has
    // been told); a file already there is replaced only by a complete one.
    bool ExportToFile(qint32 cipherMethod);
    // Reads a template file the user chooses into this (new) template: 1 when it may be added to the wallet, 0 when
    // cancelled, unreadable, damaged or already in the wallet (the user has been told). The file stays where it is.
    int ImportFromFile(qint32 cipherMethod);

    CTemplateFieldArray fields;
    QString internalName;
};
