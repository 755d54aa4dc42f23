// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class CArchive;

// What every record of a wallet has: cards, templates, categories and attachments.
class CWalletItem {
public:
    CWalletItem() = default;
    explicit CWalletItem(qint32 itemId) : id(itemId) {}
    CWalletItem(const CWalletItem&) = default;
    CWalletItem& operator=(const CWalletItem&) = default;
    virtual ~CWalletItem() = default;

    // Records that are stored write and read their own items; the base stores nothing.
    virtual void Serialize(CArchive& archive);

    // A text that is stored enciphered. Writing enciphers a copy, so the record in memory stays plain even when
    // writing fails; reading keeps the enciphered form until the record's CipherTexts(false) after the whole record,
    // or, while the archive reads a batch of records, until the archive deciphers the batch.
    static void CipheredItem(CArchive& archive, QString& text);

    // The texts first and the numbers last, so that a record's own numbers fill the room after them.
    QString notes;
    QString description;
    // Stored with every record, set by no operation: it stays empty.
    QString reservedText;
    qint32 flag = 0;
    qint32 iconId = 0;
    qint32 id = -1;

protected:
    // The leading items that cards, templates and categories share, in their stored order.
    void SerializeHead(CArchive& archive);
};
