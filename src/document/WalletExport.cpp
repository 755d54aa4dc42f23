// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletExport.h"

#include "document/CWallet.h"
#include "document/OutputFile.h"
#include "document/Utilities.h"
#include "model/CXmlDocument.h"
#include "resources/StringTable.h"

#include <QHash>
#include <QSet>
#include <QStringEncoder>

#include <functional>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Calls `visit` for each chosen category in the wallet's order with its cards in card order. The cards are grouped in
// one pass, so a large wallet is not walked once per category.
void ForEachChosen(const CWallet& wallet, const QList<qint32>& categoryIds,
                   const std::function<void(const CCategory&, const QList<const CCard*>&)>& visit) {
    const QSet<qint32> chosen(categoryIds.begin(), categoryIds.end());
    QHash<qint32, QList<const CCard*>> cardsOf;
    for (const CCard* card : wallet.cards) {
        if (chosen.contains(card->categoryId))
            cardsOf[card->categoryId].append(card);
    }
    for (const CCategory* category : wallet.categories) {
        if (chosen.contains(category->id))
            visit(*category, cardsOf.value(category->id));
    }
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
    ForEachChosen(wallet, categoryIds, [&](const CCategory&, const QList<const CCard*>& cards) {
        for (const CCard* card : cards) {
            if (!written)
                return;
            const QByteArray bytes = encode(card->GetText(false) + kCrLf);
            written = file.write(bytes) == bytes.size();
        }
    });
    if (!written || !file.Commit()) {
        error = OpenError(file.errorString());
        return false;
    }
    return true;
}

bool WalletExport::WriteXml(const CWallet& wallet, const QList<qint32>& categoryIds, const QString& path,
                            QString& error) {
    CXmlDocument xml(LoadResString(kStrXmlDeclaration));
    if (!BuildXml(wallet, categoryIds, xml)) {
        error = xml.GetError();
        return false;
    }
    QString reason;
    if (!xml.Save(path, &reason)) {
        error = OpenError(reason);
        return false;
    }
    return true;
}

// A card that does not fit into the document fails the whole export rather than going missing from it.
bool WalletExport::BuildXml(const CWallet& wallet, const QList<qint32>& categoryIds, CXmlDocument& xml) {
    const QString categoryName = LoadResString(kStrCategory);
    const QString description = LoadResString(kStrDescription);
    bool ok = xml.AddElem(LoadResString(kStrAppTitle));
    ForEachChosen(wallet, categoryIds, [&](const CCategory& category, const QList<const CCard*>& cards) {
        ok = ok && xml.AddChildElem(categoryName) && xml.IntoElem() && xml.SetAttrib(description, category.description);
        for (const CCard* card : cards)
            ok = ok && xml.AddChildSubDoc(card->GetText(true));
        ok = ok && xml.OutOfElem();
    });
    return ok;
}
