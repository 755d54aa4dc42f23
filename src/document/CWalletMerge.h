// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletPropertiesEditor.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

class CWallet;

// A three-way merge of two versions of one wallet: ours (the wallet that takes the result), theirs (the same wallet
// as another device or program left it) and their common base (what ours was when it last read or wrote its file).
// Records are matched by id. A record changed on one side only takes that side's change; changed on both sides the
// same way, it changes once; changed differently, it is merged field by field, unless both changed one field
// differently: then ours stays and theirs joins it as a copy named "<description> (conflict DATE TIME)". A record
// deleted on one side and changed on the other is kept. Records added on both sides under one id are both kept,
// theirs renumbered. Without a base nothing is known to be deleted: records only on one side are kept, and records
// that differ are both kept, theirs as a conflict copy.
//
// After a merge no two records share an id and no two attachments share a stream: every attachment that comes from
// theirs is copied into ours' file under a new stream name. Theirs is read for the merge alone, and the merge
// rewrites its cards' references in place where it renumbers their category or template.
class CWalletMerge {
public:
    enum class Outcome {
        Added,      // only theirs has it
        Changed,    // theirs changed it, or both changed it in different fields
        Removed,    // theirs deleted it
        Kept,       // deleted on one side and changed on the other (or still needed by a card): kept
        Conflict,   // both changed it differently: theirs is kept as a copy beside ours
        Renumbered, // added on both sides under one id: theirs is kept under a new id
    };
    enum class Kind { Template, Category, Card, Password };
    struct Entry {
        Outcome outcome;
        Kind kind;
        QString description;
        // The record's id in ours after the merge, and in theirs where that differs.
        qint32 id = 0;
        qint32 theirId = 0;
    };

    // `base` is null when the versions' common base is unknown.
    CWalletMerge(const CWallet* base, const CWallet& ours, CWallet& theirs, const QDateTime& now);
    ~CWalletMerge();
    CWalletMerge(const CWalletMerge&) = delete;
    CWalletMerge& operator=(const CWalletMerge&) = delete;

    // What the merge does to ours; empty when ours stays as it is.
    const std::vector<Entry>& Report() const { return m_report; }
    bool ChangesNothing() const;
    // The report for people, a line for each record that came from theirs (`theirName`) or was kept.
    QString ReportText(const QString& theirName) const;

    // Makes ours the merged wallet (the one given to the constructor): asks for theirs' password where ours takes
    // it, copies the attachments that come from theirs into ours' file, then hands over the records, announced as
    // one reset. On failure `error` says why and ours is as it was.
    bool Apply(CWallet& ours, QString& error);

private:
    using Settings = WalletPropertiesEditor::Settings;
    template <class Record> struct Plan {
        // Each replaces the record of its id in ours, or joins ours.
        std::vector<std::unique_ptr<Record>> put;
        // Ids that leave ours, each with its line of the report.
        QHash<qint32, size_t> removed;
    };
    // An attachment slot of a merged card whose stream is in theirs' file.
    struct Import {
        CCard* card;
        int slot;
        QString stream;
    };

    template <class Record, class List> void MergeList(const List* base, const List& ours, const List& theirs);
    template <class Record> void MergeRecord(const Record* base, const Record* ours, const Record* theirs);
    template <class Record> void TakeTheirs(const Record& theirs, const Record* ours, Outcome outcome);
    template <class Record> void KeepTheirsBeside(const Record& theirs, bool known);
    template <class Record> void Put(std::unique_ptr<Record> record, Outcome outcome, qint32 theirId);
    template <class Record> void Remove(const Record& record);
    template <class Record> Plan<Record>& PlanOf();
    void Report(Outcome outcome, Kind kind, const QString& description, qint32 id, qint32 theirId = 0);

    bool IdTaken(qint32 id) const;
    qint32 FreeId();
    // A record of theirs joins the result: its references and attachments are fitted to ours.
    void Arrived(CCardTemplate& copy, const CCardTemplate* ours, Outcome outcome, qint32 theirId);
    void Arrived(CCategory& copy, const CCategory* ours, Outcome outcome, qint32 theirId);
    void Arrived(CCard& copy, const CCard* ours, Outcome outcome, qint32 theirId);
    void KeepWhatCardsNeed();
    void NeedCategory(qint32 id);
    void NeedTemplate(const QString& name);
    void MergeHeader();
    static QString EntryText(const Entry& entry, const QString& theirName);

    bool AskTheirPassword() const;
    bool ImportAttachments(CWallet& ours, QString& error);
    template <class Record, class List> void Hand(List& list, Plan<Record>& plan);

    const CWallet* m_base;
    const CWallet& m_ours;
    CWallet& m_theirs;
    QString m_conflictSuffix;

    Plan<CCardTemplate> m_templates;
    Plan<CCategory> m_categories;
    Plan<CCard> m_cards;
    std::vector<Import> m_imports;
    std::vector<Entry> m_report;
    // Ids handed to records that join ours, and the next one to try for a renumbered record.
    QSet<qint32> m_given;
    qint32 m_nextFree = 1;

    Settings m_settings;
    bool m_settingsChanged = false;
    QString m_password;
    bool m_takesTheirPassword = false;
    qint32 m_nextId = 1;
};
