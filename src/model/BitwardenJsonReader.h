// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportReader.h"

#include <QHash>
#include <QJsonObject>

// Bitwarden's unencrypted JSON export: folders, then items (logins, secure notes, cards, identities) with their
// custom fields. The text is read by a SAX parser, and only one item at a time is held whole. An encrypted export is
// refused: its values cannot be read without the account's key.
class BitwardenJsonReader : public ImportReader {
public:
    explicit BitwardenJsonReader(const ImportLimits& limits = {}) : ImportReader(limits) {}

    // Called by the parser with each folder or item once it is complete; false with `error` ends the reading.
    bool Folder(const QJsonObject& folder, QString& error);
    bool Item(const QJsonObject& item, QString& error);

protected:
    bool ReadEntries(QIODevice& input, QString& error) override;

private:
    static void AddLogin(const QJsonObject& login, ImportedEntry& entry);
    static void AddCard(const QJsonObject& card, ImportedEntry& entry);
    static void AddIdentity(const QJsonObject& identity, ImportedEntry& entry);
    static void AddCustomFields(const QJsonArray& fields, ImportedEntry& entry);

    QHash<QString, QString> m_folders;
};
