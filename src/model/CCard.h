// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CAttachment.h"
#include "model/CWalletItem.h"

#include <array>

class CCardTemplate;

// A card: a description, up to 15 values laid out by its template, notes, display settings and three attachments.
class CCard : public CWalletItem {
public:
    static constexpr qint64 kMinStoredSize = 128;
    static constexpr int kValueCount = 15;
    static constexpr qint32 kDefaultIcon = 500;
    // Display settings of a new card when no wallet gives its own.
    static constexpr qint32 kDefaultHidePasswords = 1;
    static constexpr qint32 kDefaultBoldNames = 0;
    static constexpr quint32 kDefaultBackColor = 0xFFFFFF;
    static constexpr quint32 kDefaultTextColor = 0x000000;

    // The display settings come from the active wallet's card defaults.
    CCard();
    explicit CCard(qint32 cardId);

    // Copies everything but the id and the attachments: a copy starts with nothing attached.
    void CopyFrom(const CCard& other);
    // The card as plain text (description, a line per filled value, notes) or as one XML element.
    QString GetText(bool asXml) const;
    // Whether the description, a value or the notes contain `text`.
    bool ContainsText(const QString& text, bool matchCase) const;
    void CipherTexts(bool encipher);
    // Calls `visit` with each text that the file holds enciphered, in enciphering order.
    template <class Visit> void VisitTexts(Visit&& visit) {
        visit(description);
        visit(reservedText);
        for (CAttachment* slot : {&image, &sound, &document})
            visit(slot->streamName);
        for (CAttachment* slot : {&image, &sound, &document})
            visit(slot->description);
        visit(notes);
        for (QString& value : values)
            visit(value);
    }
    void Serialize(CArchive& archive) override;
    // Shows the card in the summary and its notes in the notes pane; inserts or updates its item in the tree or the
    // summary's icon list. These reach the desktop program's windows through RecordDisplay.
    void Show() const;
    void AddToTree(bool select) const;
    void AddToList(bool select) const;
    // Lets the user edit the card in its property sheet (binding a new card to a template first); 1 when the card
    // changed, 0 when not or when the user cancelled at any point.
    int Edit();
    // Lets go of the streams of the image, the sound and the document; the next save leaves them out of the file.
    bool RemoveAllStreams();

    QString templateName;
    qint32 categoryId = 0;
    CAttachment image;
    CAttachment sound;
    CAttachment document;
    qint32 hidePasswords = kDefaultHidePasswords;
    qint32 boldNames = kDefaultBoldNames;
    quint32 backColor = kDefaultBackColor;
    quint32 textColor = kDefaultTextColor;
    std::array<QString, kValueCount> values;

private:
    const CCardTemplate* Template() const;
    QString PlainText(const CCardTemplate* cardTemplate) const;
    QString XmlText(const CCardTemplate* cardTemplate) const;
};
