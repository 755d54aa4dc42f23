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

    qint32 flag = 0;
    qint32 iconId = 0;
    QString notes;
    qint32 id = -1;
    QString description;
    // Stored with every record, set by no operation: it stays empty.
    QString reservedText;

protected:
    // The leading items that cards, templates and categories share, in their stored order.
    void SerializeHead(CArchive& archive);

    // Runs `items` with the record's texts enciphered while they are written, and deciphers them afterwards, also
    // when writing fails, so the record in memory is never left enciphered.
    template <class Record, class Items> static void SerializeCiphered(Record& record, CArchive& archive, Items items) {
        const bool storing = IsStoring(archive);
        if (storing)
            record.CipherTexts(true);
        try {
            items();
        } catch (...) {
            if (storing)
                record.CipherTexts(false);
            throw;
        }
        record.CipherTexts(false);
    }

private:
    static bool IsStoring(const CArchive& archive);
};
