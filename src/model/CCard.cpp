// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CCard.h"

#include "base/CipherText.h"
#include "base/Utilities.h"
#include "model/CArchive.h"
#include "model/CCardList.h"
#include "model/CCardTemplate.h"
#include "model/CCategoryList.h"
#include "model/CTemplateList.h"
#include "model/CXmlDocument.h"
#include "model/RecordDisplay.h"
#include "model/RecordEditor.h"
#include "model/WalletContext.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <utility>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// A value whose slot has no name (no template found, or a free slot) is still shown, under no name.
QString FieldName(const CCardTemplate* cardTemplate, int slot) {
    return cardTemplate ? cardTemplate->fields[slot].name : QString();
}
} // namespace

CCard::CCard() : CCard(-1) {}

CCard::CCard(qint32 cardId) : CWalletItem(cardId) {
    iconId = kDefaultIcon;
    if (const WalletContext* wallet = WalletContext::Get()) {
        const WalletContext::CardDefaults defaults = wallet->NewCardDefaults();
        hidePasswords = defaults.hidePasswords;
        boldNames = defaults.boldNames;
        backColor = defaults.backColor;
        textColor = defaults.textColor;
    }
}

CCard::CCard(const CCard& other)
    : CWalletItem(other), categoryId(other.categoryId), templateName(other.templateName),
      hidePasswords(other.hidePasswords), boldNames(other.boldNames), backColor(other.backColor),
      textColor(other.textColor), values(other.values),
      m_slots(other.m_slots ? std::make_unique<Slots>(*other.m_slots) : nullptr) {}

CCard& CCard::operator=(const CCard& other) {
    if (this != &other)
        *this = CCard(other);
    return *this;
}

CCard::~CCard() = default;

const CAttachment& CCard::Slot(size_t slot) const {
    static const CAttachment unused;
    return m_slots ? (*m_slots)[slot] : unused;
}

CAttachment& CCard::Slot(size_t slot) {
    if (!m_slots)
        m_slots = std::make_unique<Slots>();
    return (*m_slots)[slot];
}

bool CCard::HasAttachments() const {
    return m_slots &&
           std::any_of(m_slots->begin(), m_slots->end(), [](const CAttachment& a) { return a.IsAttached(); });
}

void CCard::CopyFrom(const CCard& other) {
    description = other.description;
    iconId = other.iconId;
    reservedText = other.reservedText;
    flag = other.flag;
    notes = other.notes;
    templateName = other.templateName;
    categoryId = other.categoryId;
    textColor = other.textColor;
    backColor = other.backColor;
    hidePasswords = other.hidePasswords;
    boldNames = other.boldNames;
    values = other.values;
}

QString CCard::GetText(bool asXml) const {
    const CCardTemplate* cardTemplate = Template();
    return asXml ? XmlText(cardTemplate) : PlainText(cardTemplate);
}

const CCardTemplate* CCard::Template() const {
    const WalletContext* wallet = WalletContext::Get();
    return wallet ? wallet->Templates().FindByInternalName(templateName) : nullptr;
}

// Sized first and written once: an export makes this text for every card.
QString CCard::PlainText(const CCardTemplate* cardTemplate) const {
    const QString notesHead = notes.isEmpty() ? QString() : LoadResString(kStrNotes) + QStringLiteral(":") + kCrLf;
    const QStringView separator = u": ";
    qsizetype size = description.size() + kCrLf.size() + notesHead.size() + notes.size();
    for (size_t i = 0; i < values.KeptCount(); ++i) {
        if (!values[i].isEmpty())
            size += FieldName(cardTemplate, int(i)).size() + separator.size() + values[i].size() + kCrLf.size();
    }
    QString text;
    text.reserve(size);
    text += description;
    text += kCrLf;
    for (size_t i = 0; i < values.KeptCount(); ++i) {
        if (values[i].isEmpty())
            continue;
        text += FieldName(cardTemplate, int(i));
        text += separator;
        text += values[i];
        text += kCrLf;
    }
    text += notesHead;
    text += notes;
    return text;
}

QString CCard::XmlText(const CCardTemplate* cardTemplate) const {
    const QString attribute = LoadResString(kStrDescription);
    CXmlDocument xml;
    xml.AddElem(LoadResString(kStrCard));
    xml.SetAttrib(attribute, description);
    for (int i = 0; i < kValueCount; ++i) {
        if (values[size_t(i)].isEmpty())
            continue;
        xml.AddChildElem(LoadResString(kStrField), values[size_t(i)].toString());
        xml.SetChildAttrib(attribute, FieldName(cardTemplate, i));
    }
    if (!notes.isEmpty())
        xml.AddChildElem(LoadResString(kStrNotes), notes);
    return xml.GetDocument();
}

bool CCard::ContainsText(const QString& text, bool matchCase) const {
    if (FindSubstring(description, text, matchCase))
        return true;
    for (size_t slot = 0; slot < values.KeptCount(); ++slot) {
        const QStringView value = values[slot];
        if (!value.isEmpty() && FindSubstring(value, text, matchCase))
            return true;
    }
    return FindSubstring(notes, text, matchCase);
}

void CCard::CipherTexts(bool encipher, qint32 method) {
    VisitTexts([encipher, method](QString& text) { text = CipherText(std::move(text), encipher, method); });
    values.CipherTexts(encipher, method);
}

void CCard::Serialize(CArchive& archive) {
    SerializeHead(archive);
    archive.SharedItem(templateName);
    archive.Item(categoryId);
    archive.Item(hidePasswords);
    archive.Item(boldNames);
    SerializeSlots(archive);
    archive.Item(textColor);
    archive.Item(backColor);
    CipheredItem(archive, notes);
    values.Serialize(archive);
    if (archive.IsLoading() && !archive.IsBatching())
        CipherTexts(false, archive.CipherMethod());
}

// Each slot's stream name, then its display name. Reading makes the slots only when one of the six texts is there.
void CCard::SerializeSlots(CArchive& archive) {
    if (archive.IsStoring()) {
        for (size_t slot = 0; slot < kSlotCount; ++slot) {
            archive.WriteCiphered(std::as_const(*this).Slot(slot).streamName);
            archive.WriteCiphered(std::as_const(*this).Slot(slot).description);
        }
        return;
    }
    std::array<QString, 2 * kSlotCount> read;
    for (QString& text : read)
        text = archive.ReadEnciphered();
    if (std::all_of(read.begin(), read.end(), [](const QString& text) { return text.isEmpty(); })) {
        m_slots.reset();
        return;
    }
    m_slots = std::make_unique<Slots>();
    for (size_t slot = 0; slot < kSlotCount; ++slot) {
        CAttachment& attachment = (*m_slots)[slot];
        attachment.streamName = std::move(read[2 * slot]);
        attachment.description = std::move(read[2 * slot + 1]);
        archive.DecipherLater(attachment.streamName);
        archive.DecipherLater(attachment.description);
    }
}

// The sheet works on a copy with copies of the slots. A file inserted there is only held for the next save, which
// writes it only when a card names it, so a cancelled sheet leaves nothing behind; a slot emptied there lets go of its
// stream only here, once the sheet closed with OK.
int CCard::Edit() {
    WalletContext* wallet = WalletContext::Get();
    RecordEditor* editor = RecordEditor::Get();
    if (!wallet || !editor)
        return 0;
    bool changed = false;
    if (templateName.isEmpty()) {
        const CCategory* category = wallet->Categories().FindById(categoryId);
        const CCardTemplate* chosen = wallet->SelectTemplate(category ? category->defaultTemplate : QString(), true);
        if (!chosen)
            return 0;
        templateName = chosen->internalName;
        iconId = chosen->iconId;
        changed = true;
    }
    CCard working(id);
    working.CopyFrom(*this);
    CAttachment* slots[] = {&image(), &sound(), &document()};
    CAttachment* workingSlots[] = {&working.image(), &working.sound(), &working.document()};
    for (int slot = 0; slot < 3; ++slot)
        workingSlots[slot]->CopyFrom(*slots[slot]);
    if (!editor->EditCard(working))
        return 0;
    SetIfChanged(description, working.description, changed);
    if (description.isEmpty())
        return 0;
    if (values != working.values) {
        values = working.values;
        changed = true;
    }
    SetIfChanged(iconId, working.iconId, changed);
    SetIfChanged(boldNames, working.boldNames, changed);
    SetIfChanged(hidePasswords, working.hidePasswords, changed);
    SetIfChanged(backColor, working.backColor, changed);
    SetIfChanged(textColor, working.textColor, changed);
    SetIfChanged(notes, working.notes, changed);
    for (int slot = 0; slot < 3; ++slot) {
        if (slots[slot]->streamName != workingSlots[slot]->streamName) {
            slots[slot]->RemoveStream();
            changed = true;
        }
        SetIfChanged(slots[slot]->streamName, workingSlots[slot]->streamName, changed);
        SetIfChanged(slots[slot]->description, workingSlots[slot]->description, changed);
    }
    return changed ? 1 : 0;
}

void CCard::Show() const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->ShowCard(*this);
}

void CCard::AddToTree(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToTree(*this, select);
}

void CCard::AddToList(bool select) const {
    if (RecordDisplay* display = RecordDisplay::Get())
        display->AddToList(*this, select);
}

bool CCard::RemoveAllStreams() {
    if (!m_slots)
        return true;
    bool all = true;
    for (CAttachment& slot : *m_slots)
        all = slot.RemoveStream() != 0 && all;
    return all;
}
