// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletExport.h"

#include "base/OutputFile.h"
#include "base/Utilities.h"
#include "document/CWallet.h"
#include "document/Windows1252Writer.h"
#include "resources/StringTable.h"

#include <QHash>
#include <QSet>
#include <QStringEncoder>

#include <algorithm>
#include <functional>

namespace {
// The text export encodes and writes cards in pieces of about this many units.
constexpr qsizetype kPieceSize = 32 * 1024;

const QString kCrLf = QStringLiteral("\r\n");

// Calls `visit` for each chosen category in the wallet's order with its cards in card order. The cards are grouped in
// one pass, so a large wallet is not walked once per category.
void ForEachChosen(const CWallet& wallet, const QList<qint32>& categoryIds,
                   const std::function<void(const CCategory&, const QList<const CCard*>&)>& visit) {
    const QSet<qint32> chosen(categoryIds.begin(), categoryIds.end());
    QHash<qint32, QList<const CCard*>> cardsOf;
    for (const CCard* card : wallet.Cards()) {
        if (chosen.contains(card->categoryId))
            cardsOf[card->categoryId].append(card);
    }
    for (const CCategory* category : wallet.Categories()) {
        if (chosen.contains(category->id))
            visit(*category, cardsOf.value(category->id));
    }
}

// The names the XML file uses, from the string table.
struct XmlNames {
    QString root = LoadResString(kStrAppTitle);
    QString category = LoadResString(kStrCategory);
    QString card = LoadResString(kStrCard);
    QString field = LoadResString(kStrField);
    QString notes = LoadResString(kStrNotes);
    QString description = LoadResString(kStrDescription);
};

// "<name Description="value"", the start tag still open.
void OpenTag(Windows1252Writer& xml, const XmlNames& names, const QString& name, const QString& description) {
    xml.Markup(u"<");
    xml.Markup(name);
    xml.Markup(u" ");
    xml.Markup(names.description);
    xml.Markup(u"=\"");
    xml.Text(description, true);
    xml.Markup(u"\"");
}

void EndTag(Windows1252Writer& xml, const QString& name) {
    xml.Markup(u"</");
    xml.Markup(name);
    xml.Markup(u">\r\n");
}

// The card's XML element, as the card renders it: field names from its template in the exported wallet.
void WriteCard(Windows1252Writer& xml, const XmlNames& names, const CWallet& wallet, const CCard& card) {
    const CCardTemplate* cardTemplate = wallet.Templates().FindByInternalName(card.templateName);
    OpenTag(xml, names, names.card, card.description);
    const bool empty = card.notes.isEmpty() &&
                       std::all_of(card.values.begin(), card.values.end(), [](QStringView v) { return v.isEmpty(); });
    if (empty) {
        xml.Markup(u"/>\r\n");
        return;
    }
    xml.Markup(u">\r\n");
    for (int i = 0; i < CCard::kValueCount; ++i) {
        const QStringView value = card.values[size_t(i)];
        if (value.isEmpty())
            continue;
        OpenTag(xml, names, names.field, cardTemplate ? cardTemplate->fields[i].name : QString());
        xml.Markup(u">");
        xml.Text(value, false);
        EndTag(xml, names.field);
    }
    if (!card.notes.isEmpty()) {
        xml.Markup(u"<");
        xml.Markup(names.notes);
        xml.Markup(u">");
        xml.Text(card.notes, false);
        EndTag(xml, names.notes);
    }
    EndTag(xml, names.card);
}

QString OpenError(const QString& reason) {
    return LoadResString(kStrOpenError) + QStringLiteral("\n\n") + reason;
}
} // namespace

bool WalletExport::Write(const CWallet& wallet, const QList<qint32>& categoryIds, Format format, const QString& path,
                         QString& error) {
    return format == Format::Xml ? WriteXml(wallet, categoryIds, path, error)
                                 : WriteText(wallet, categoryIds, path, error);
}

// Written piece by piece through the locale's encoder; the first failed write (a full disk) ends the export.
bool WalletExport::WriteText(const CWallet& wallet, const QList<qint32>& categoryIds, const QString& path,
                             QString& error) {
    OutputFile file(path);
    if (!file.Open()) {
        error = OpenError(file.errorString());
        return false;
    }
    QStringEncoder encode(QStringConverter::System);
    bool written = true;
    QString piece;
    auto write = [&] {
        const QByteArray bytes = encode(piece);
        written = written && file.write(bytes) == bytes.size();
        piece.resize(0);
    };
    ForEachChosen(wallet, categoryIds, [&](const CCategory&, const QList<const CCard*>& cards) {
        for (const CCard* card : cards) {
            if (!written)
                return;
            piece += card->GetText(false);
            piece += kCrLf;
            if (piece.size() >= kPieceSize)
                write();
        }
    });
    write();
    if (!written || !file.Commit()) {
        error = OpenError(file.errorString());
        return false;
    }
    return true;
}

// One pass: each card is escaped and encoded as it is written, the bytes that building the whole document with the
// XML model and saving it would give.
bool WalletExport::WriteXml(const CWallet& wallet, const QList<qint32>& categoryIds, const QString& path,
                            QString& error) {
    OutputFile file(path);
    if (!file.Open()) {
        error = OpenError(file.errorString());
        return false;
    }
    const XmlNames names;
    Windows1252Writer xml(file);
    xml.Markup(LoadResString(kStrXmlDeclaration));
    xml.Markup(u"<");
    xml.Markup(names.root);
    bool any = false;
    ForEachChosen(wallet, categoryIds, [&](const CCategory& category, const QList<const CCard*>& cards) {
        if (!any)
            xml.Markup(u">\r\n");
        any = true;
        OpenTag(xml, names, names.category, category.description);
        if (cards.isEmpty()) {
            xml.Markup(u"/>\r\n");
            return;
        }
        xml.Markup(u">\r\n");
        for (const CCard* card : cards)
            WriteCard(xml, names, wallet, *card);
        EndTag(xml, names.category);
    });
    if (any)
        EndTag(xml, names.root);
    else
        xml.Markup(u"/>\r\n");
    if (!xml.Flush() || !file.Commit()) {
        error = OpenError(file.errorString());
        return false;
    }
    return true;
}
