// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class CWallet;

// Writes the cards of chosen categories to a text or XML file: categories in the wallet's order, each one's cards in
// card order. The Export dialog and korvel-cli both run it; telling the user about the outcome is theirs.
class WalletExport {
public:
    enum class Format { Text, Xml };

    // Categories whose id is not in `categoryIds` are left out, and so is a card whose category is not in the
    // wallet. A file is written whole or not at all: on failure an existing file at `path` stays as it was, and
    // `error` says why. A device or a pipe at `path` is written into.
    static bool Write(const CWallet& wallet, const QList<qint32>& categoryIds, Format format, const QString& path,
                      QString& error);

private:
    static bool WriteText(const CWallet& wallet, const QList<qint32>& categoryIds, const QString& path, QString& error);
    static bool WriteXml(const CWallet& wallet, const QList<qint32>& categoryIds, const QString& path, QString& error);
};
