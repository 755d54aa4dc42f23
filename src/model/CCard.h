// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CAttachment.h"
#include "model/CCardValues.h"
#include "model/CWalletItem.h"

#include <array>
#include <memory>

class CCardTemplate;

// A card: a description, up to 15 values laid out by its template, notes, display settings and three attachments.
class CCard : public CWalletItem {
public:
    static constexpr qint64 kMinStoredSize = 128;
    static constexpr int kValueCount = CCardValues::kCount;
    static constexpr qint32 kDefaultIcon = 500;
    // Display settings of a new card when no wallet gives its own.
    static constexpr qint32 kDefaultHidePasswords = 1;
    static constexpr qint32 kDefaultBoldNames = 0;
    static constexpr quint32 kDefaultBackColor = 0xFFFFFF;
    static constexpr quint32 kDefaultTextColor = 0x000000;

    // The display settings come from the active wallet's card defaults.
    CCard();
    explicit CCard(qint32 cardId);
    // A copy has copies of the attachments, unlike CopyFrom.
    CCard(const CCard& other);
    CCard& operator=(const CCard& other);
    CCard(CCard&& other) noexcept = default;
    CCard& operator=(CCard&& other) noexcept = default;
    ~CCard() override;

    // Copies everything but the id and the attachments: a copy starts with nothing attached.
    void CopyFrom(const CCard& other);
    // The card as plain text (description, a line per filled value, notes) or as one XML element.
    QString GetText(bool asXml) const;
    // Whether the description, a value or the notes contain `text`.
    bool ContainsText(const QString& text, bool matchCase) const;
    void CipherTexts(bool encipher, qint32 method);
    // Calls `visit` with each text that the file holds enciphered but the values, which keep their texts in storage
    // of their own (CCardValues). Slots that the card does not keep are passed over: they are empty, and an empty
    // text stays empty under the cipher.
    template <class Visit> void VisitTexts(Visit&& visit) {
        visit(description);
        visit(reservedText);
        if (m_slots) {
            for (CAttachment& slot : *m_slots)
                visit(slot.streamName);
            for (CAttachment& slot : *m_slots)
                visit(slot.description);
        }
        visit(notes);
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

    // The attachment slots: image, sound and document. Hardly any card uses one, so the slots are made only when a
    // non-const accessor is called; until then the const ones read empty attachments.
    const CAttachment& image() const { return Slot(0); }
    const CAttachment& sound() const { return Slot(1); }
    const CAttachment& document() const { return Slot(2); }
    CAttachment& image() { return Slot(0); }
    CAttachment& sound() { return Slot(1); }
    CAttachment& document() { return Slot(2); }
    // Whether any slot has a file attached; asks without making the slots.
    bool HasAttachments() const;

    // Declared after the inherited numbers, so that it takes the room after them.
    qint32 categoryId = 0;
    QString templateName;
    qint32 hidePasswords = kDefaultHidePasswords;
    qint32 boldNames = kDefaultBoldNames;
    quint32 backColor = kDefaultBackColor;
    quint32 textColor = kDefaultTextColor;
    CCardValues values;

private:
    static constexpr size_t kSlotCount = 3;
    using Slots = std::array<CAttachment, kSlotCount>;

    const CAttachment& Slot(size_t slot) const;
    CAttachment& Slot(size_t slot);
    void SerializeSlots(CArchive& archive);
    const CCardTemplate* Template() const;
    QString PlainText(const CCardTemplate* cardTemplate) const;
    QString XmlText(const CCardTemplate* cardTemplate) const;

    std::unique_ptr<Slots> m_slots;
};
