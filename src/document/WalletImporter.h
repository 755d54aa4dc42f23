// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/CWallet.h"
#include "model/ImportLimits.h"
#include "model/ImportedEntry.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class CAttachment;
class CCard;
class CCardTemplate;
class CCategory;

// Turns entries of another program's export into categories, templates and cards of a wallet. Each group becomes a
// category ("Parent / Child", requiring the password as a new category does), each entry a card of the built-in
// template its fields fit, or else of a template made for its set of field names. Nothing is dropped: values beyond a
// template's 15 fields go into the card's notes, and attached files that find no free slot go to extra cards beside
// it. Only files that the export names without holding them cannot come along; the summary names their entries.
class WalletImporter {
public:
    struct Summary {
        int entries = 0;
        int categories = 0;
        int cards = 0;
        int templates = 0;
        int attachments = 0;
        int valuesToNotes = 0;
        int extraCards = 0;
        // A line for each entry whose values or files went elsewhere than its fields and slots.
        QStringList placedElsewhere;
        // Entries that refer to attached files the export does not hold, imported without them: how many, and the
        // titles of the first few.
        static constexpr int kMissingNamed = 5;
        int entriesMissingFiles = 0;
        QStringList missingFilesNamed;

        // The counts in a sentence, then the line of each entry placed elsewhere, then the entries whose attached
        // files were missing.
        QString Text(bool dryRun) const;
    };
    // Called before a card goes into a category that was there already and requires the wallet's password; it may
    // end the import by throwing.
    using AccessCheck = std::function<void(const CCategory&)>;

    // Entries go into `category` when it is not empty, otherwise into categories named after their groups.
    WalletImporter(CWallet& wallet, const QString& category, AccessCheck accessCheck);

    // False with `error` when an attached file cannot be stored.
    bool Add(const ImportedEntry& entry, QString& error);
    const Summary& GetSummary() const { return m_summary; }

    // Imports the file at `path` in the format its content shows, within `limits`. The file is read through once
    // first, so that a damaged, hostile or too large one is refused before the wallet is touched. False with `error`
    // otherwise.
    static bool ImportFile(CWallet& wallet, const QString& path, const ImportLimits& limits, Summary& summary,
                           QString& error);

    // The category for entries filed nowhere.
    static QString DefaultCategory() { return QStringLiteral("Imported"); }

private:
    // Where an entry's fields go: the template, the field in each of its slots, and the fields that go to the notes.
    // It depends on the fields' names alone.
    struct Placement {
        const CCardTemplate* cardTemplate = nullptr;
        std::array<int, 15> slots{};
        QList<int> notes;
    };

    qint32 CategoryId(const QStringList& groupPath);

    qint32 FindOrMakeCategory(const QStringList& groupPath);
    const Placement& PlacementFor(const ImportedEntry& entry);
    Placement Place(const ImportedEntry& entry);
    bool FitBuiltIn(const ImportedEntry& entry, Placement& placement) const;
    const CCardTemplate& ImportedTemplate(const ImportedEntry& entry);
    bool Attach(CCard& card, const CCardTemplate* cardTemplate, const QString& title,
                const QList<ImportedEntry::File>& files, QString& error);
    bool Store(CAttachment& slot, const ImportedEntry::File& file, QString& error);
    CCard& NewCard(qint32 categoryId, const CCardTemplate* cardTemplate, const QString& title);
    const CCardTemplate* TemplateNamed(const QString& description) const;
    qint32 FreeId(qint32 offset = 0);

    CWallet& m_wallet;
    // The views hear of the import as one reset at its end, not of each of its records.
    CWallet::BulkChange m_bulk{m_wallet};
    QString m_category;
    AccessCheck m_accessCheck;
    QHash<QString, qint32> m_categories;
    QStringList m_lastGroupPath;
    qint32 m_lastCategoryId = 0;
    qint32 m_highestAtStart = 0;
    QSet<qint32> m_takenAhead;
    QHash<QString, const CCardTemplate*> m_builtIns;
    QHash<QString, const CCardTemplate*> m_importedTemplates;
    QStringList m_lastNames;
    std::optional<Placement> m_lastPlacement;
    Summary m_summary;
};
