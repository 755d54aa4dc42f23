// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletImporter.h"

#include "base/Utilities.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"
#include "model/ImportReader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {
constexpr int kFields = CCard::kValueCount;
constexpr int kFree = -1;
// Templates that the user makes take ids from here on.
constexpr qint32 kFirstMadeTemplateId = 500;

// A built-in template and, for each of its slots, the field names that fit it (compared without case). Names in
// `toNotes` fit the template too, in its card's notes.
struct BuiltIn {
    const char16_t* description;
    std::initializer_list<std::initializer_list<const char16_t*>> slots;
    std::initializer_list<const char16_t*> toNotes;
};

const BuiltIn kBuiltIns[] = {
    {u"Online: Website",
     {{u"url", u"uri", u"website"}, {u"username", u"user name", u"login"}, {u"password"}, {u"email", u"e-mail"}},
     {}},
    {u"Finance: Credit Card",
     {{u"number", u"card number", u"acct #"},
      {u"expires", u"expiry", u"expiration"},
      {u"pin", u"atm pin"},
      {u"security code", u"code", u"cvv", u"cvc"},
      {u"card holder", u"cardholder", u"cardholder name"}},
     {u"brand"}},
    {u"Identification: Passport", {{u"full name"}, {u"passport #", u"passport number"}}, {}},
    {u"Identification: Driver's License", {{u"full name"}, {u"license #", u"license number"}, {u"state"}}, {}},
    {u"Identification: Social Security Card", {{u"ssn"}, {u"full name"}}, {}},
};

bool Among(const QString& name, std::initializer_list<const char16_t*> names) {
    for (const char16_t* candidate : names)
        if (name.compare(QStringView(candidate), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A name is secret when one of its words is, words being separated by anything but letters and digits ("TOTP Seed",
// "otp_secret", "TimeOtp-Secret-Base32"). One-time-password seeds are as secret as the passwords beside them.
bool IsSecretName(const QString& name) {
    static const QRegularExpression secretWord(
        QStringLiteral(
            R"((?<![\p{L}\p{N}])(password|passwd|pin|secret|otp|totp|hotp|otpauth|cvv|cvc)(?![\p{L}\p{N}]))"),
        QRegularExpression::CaseInsensitiveOption);
    return secretWord.match(name).hasMatch();
}

FieldType TypeOf(const ImportedEntry::Field& field) {
    static const QRegularExpression email(QStringLiteral(R"(^[^@\s]+@[^@\s]+\.[^@\s]+$)"));
    static const QRegularExpression webName(QStringLiteral(R"(^(url|uri|website)\b)"),
                                            QRegularExpression::CaseInsensitiveOption);
    // KeePassXC keeps an entry's one-time-password seed as an otpauth:// address, whatever the field is called.
    if (field.secret || IsSecretName(field.name) || field.value.startsWith(u"otpauth://", Qt::CaseInsensitive))
        return FieldTypes::Password;
    if (webName.match(field.name).hasMatch() || field.value.startsWith(u"http://") ||
        field.value.startsWith(u"https://"))
        return FieldTypes::WebAddress;
    if (email.match(field.value).hasMatch())
        return FieldTypes::EmailAddress;
    return FieldTypes::Default;
}

enum class SlotKind { Image, Sound, Document };

SlotKind KindOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (Among(suffix, {u"bmp", u"jpg", u"jpeg", u"gif", u"png", u"tif", u"tiff", u"webp", u"ico"}))
        return SlotKind::Image;
    if (Among(suffix, {u"wav", u"mp3", u"ogg", u"oga", u"flac", u"m4a", u"aac", u"wma", u"opus"}))
        return SlotKind::Sound;
    return SlotKind::Document;
}

QString NoteLine(const ImportedEntry::Field& field) {
    return field.name + QStringLiteral(": ") + field.value;
}
} // namespace

WalletImporter::WalletImporter(CWallet& wallet, const QString& category, AccessCheck accessCheck)
    : m_wallet(wallet), m_category(category), m_accessCheck(std::move(accessCheck)) {
    // The lists are in ascending id order.
    if (m_wallet.Cards().Count() > 0)
        m_highestAtStart = std::max(m_highestAtStart, m_wallet.Cards().At(m_wallet.Cards().Count() - 1)->id);
    if (m_wallet.Templates().Count() > 0)
        m_highestAtStart = std::max(m_highestAtStart, m_wallet.Templates().At(m_wallet.Templates().Count() - 1)->id);
    if (m_wallet.Categories().Count() > 0)
        m_highestAtStart = std::max(m_highestAtStart, m_wallet.Categories().At(m_wallet.Categories().Count() - 1)->id);
    // Only the wallet's built-in templates, which keep the ids they were made with, are matched by name.
    for (const auto& cardTemplate : m_wallet.Templates())
        if (cardTemplate->id < kFirstMadeTemplateId && !m_builtIns.contains(cardTemplate->description))
            m_builtIns.insert(cardTemplate->description, cardTemplate);
}

bool WalletImporter::Add(const ImportedEntry& entry, QString& error) {
    ++m_summary.entries;
    const qint32 categoryId = CategoryId(entry.groupPath);
    const Placement& placement = PlacementFor(entry);
    const QString title = entry.title.isEmpty() ? QStringLiteral("(no title)") : entry.title;
    CCard& card = NewCard(categoryId, placement.cardTemplate, title);
    std::array<QStringView, kFields> values{};
    for (size_t slot = 0; slot < values.size(); ++slot)
        if (placement.slots[slot] != kFree)
            values[slot] = entry.fields.at(placement.slots[slot]).value;
    card.values = CCardValues(values);
    card.notes = entry.notes;
    if (!placement.notes.isEmpty()) {
        for (int field : placement.notes) {
            if (!card.notes.isEmpty())
                card.notes += u'\n';
            card.notes += NoteLine(entry.fields.at(field));
        }
        m_summary.valuesToNotes += int(placement.notes.size());
        m_summary.placedElsewhere.append(
            QStringLiteral("\"%1\": %2 values in the notes").arg(title).arg(placement.notes.size()));
    }
    if (!entry.missingFiles.isEmpty()) {
        if (m_summary.missingFilesNamed.size() < Summary::kMissingNamed)
            m_summary.missingFilesNamed.append(title);
        ++m_summary.entriesMissingFiles;
    }
    return Attach(card, placement.cardTemplate, title, entry.files, error);
}

// Entries come group by group, so the last group's category is asked for again and again.
qint32 WalletImporter::CategoryId(const QStringList& groupPath) {
    if (m_lastCategoryId != 0 && groupPath == m_lastGroupPath)
        return m_lastCategoryId;
    m_lastGroupPath = groupPath;
    m_lastCategoryId = FindOrMakeCategory(groupPath);
    return m_lastCategoryId;
}

qint32 WalletImporter::FindOrMakeCategory(const QStringList& groupPath) {
    QString name = m_category;
    if (name.isEmpty())
        name = groupPath.isEmpty() ? DefaultCategory() : groupPath.join(QStringLiteral(" / "));
    const auto known = m_categories.constFind(name);
    if (known != m_categories.cend())
        return *known;
    for (const auto& category : m_wallet.Categories()) {
        if (category->description == name) {
            if (category->RequiresPassword() && m_accessCheck)
                m_accessCheck(*category);
            m_categories.insert(name, category->id);
            return category->id;
        }
    }
    // A category made here starts as one made by hand does, requiring the password: an export is full of
    // passwords, and nothing in it says which of them may be shown while the wallet is locked.
    auto category = std::make_unique<CCategory>(FreeId());
    category->description = name;
    const qint32 id = m_wallet.AddCategory(std::move(category)).id;
    m_categories.insert(name, id);
    ++m_summary.categories;
    return id;
}

// The entries of an export mostly have the same fields one after another, so the last placement serves every entry
// whose fields have the same names.
const WalletImporter::Placement& WalletImporter::PlacementFor(const ImportedEntry& entry) {
    const bool same =
        m_lastPlacement && m_lastNames.size() == entry.fields.size() &&
        std::equal(m_lastNames.cbegin(), m_lastNames.cend(), entry.fields.cbegin(),
                   [](const QString& name, const ImportedEntry::Field& field) { return name == field.name; });
    if (!same) {
        m_lastPlacement = Place(entry);
        m_lastNames.clear();
        for (const ImportedEntry::Field& field : entry.fields)
            m_lastNames.append(field.name);
    }
    return *m_lastPlacement;
}

WalletImporter::Placement WalletImporter::Place(const ImportedEntry& entry) {
    Placement placement;
    placement.slots.fill(kFree);
    if (entry.fields.isEmpty())
        placement.cardTemplate = TemplateNamed(QStringLiteral("Generic: Notes"));
    if (placement.cardTemplate || FitBuiltIn(entry, placement))
        return placement;
    placement.cardTemplate = &ImportedTemplate(entry);
    for (qsizetype i = 0; i < entry.fields.size(); ++i) {
        if (i < kFields)
            placement.slots[size_t(i)] = int(i);
        else
            placement.notes.append(int(i));
    }
    return placement;
}

bool WalletImporter::FitBuiltIn(const ImportedEntry& entry, Placement& placement) const {
    for (const BuiltIn& builtIn : kBuiltIns) {
        const CCardTemplate* cardTemplate = TemplateNamed(QString::fromUtf16(builtIn.description));
        if (!cardTemplate)
            continue;
        Placement tried;
        tried.slots.fill(kFree);
        tried.cardTemplate = cardTemplate;
        bool fits = true;
        for (qsizetype i = 0; fits && i < entry.fields.size(); ++i) {
            const ImportedEntry::Field& field = entry.fields.at(i);
            if (Among(field.name, builtIn.toNotes)) {
                tried.notes.append(int(i));
                continue;
            }
            fits = false;
            int listed = 0;
            for (const auto& names : builtIn.slots) {
                const QString& slotName = (*cardTemplate).fields[listed].name;
                if (tried.slots[size_t(listed)] == kFree &&
                    (Among(field.name, names) || field.name.compare(slotName, Qt::CaseInsensitive) == 0)) {
                    tried.slots[size_t(listed)] = int(i);
                    fits = true;
                    break;
                }
                ++listed;
            }
        }
        if (fits) {
            placement = tried;
            return true;
        }
    }
    return false;
}

const CCardTemplate& WalletImporter::ImportedTemplate(const ImportedEntry& entry) {
    QStringList names;
    for (qsizetype i = 0; i < entry.fields.size() && i < kFields; ++i)
        names.append(entry.fields.at(i).name);
    const QString key = names.join(u'\n');
    const auto known = m_importedTemplates.constFind(key);
    if (known != m_importedTemplates.cend())
        return **known;
    auto cardTemplate = std::make_unique<CCardTemplate>(FreeId(kFirstMadeTemplateId));
    cardTemplate->description = QStringLiteral("Imported: ") + names.join(QStringLiteral(", "));
    for (qsizetype i = 0; i < names.size(); ++i) {
        cardTemplate->fields[int(i)].name = names.at(i);
        cardTemplate->fields[int(i)].type = TypeOf(entry.fields.at(i));
    }
    do
        cardTemplate->internalName = UniqueText();
    while (m_wallet.Templates().FindByInternalName(cardTemplate->internalName));
    const CCardTemplate& made = m_wallet.AddTemplate(std::move(cardTemplate));
    m_importedTemplates.insert(key, &made);
    ++m_summary.templates;
    return made;
}

bool WalletImporter::Attach(CCard& card, const CCardTemplate* cardTemplate, const QString& title,
                            const QList<ImportedEntry::File>& files, QString& error) {
    QList<ImportedEntry::File> left;
    for (const ImportedEntry::File& file : files) {
        CAttachment* slot = nullptr;
        switch (KindOf(file.name)) {
        case SlotKind::Image:
            slot = &card.image();
            break;
        case SlotKind::Sound:
            slot = &card.sound();
            break;
        case SlotKind::Document:
            slot = &card.document();
            break;
        }
        if (slot->IsAttached())
            left.append(file);
        else if (!Store(*slot, file, error))
            return false;
    }
    if (left.isEmpty())
        return true;
    m_summary.placedElsewhere.append(
        QStringLiteral("\"%1\": %2 attached files on extra cards").arg(title).arg(left.size()));
    // Three at a time, in the order the entry gave them.
    const CCardTemplate* notesTemplate = TemplateNamed(QStringLiteral("Generic: Notes"));
    for (qsizetype first = 0; first < left.size(); first += 3) {
        CCard& extra = NewCard(card.categoryId, notesTemplate ? notesTemplate : cardTemplate,
                               title + QStringLiteral(" (attachments)"));
        ++m_summary.extraCards;
        CAttachment* slots[] = {&extra.image(), &extra.sound(), &extra.document()};
        for (qsizetype i = 0; i < 3 && first + i < left.size(); ++i)
            if (!Store(*slots[i], left.at(first + i), error))
                return false;
    }
    return true;
}

bool WalletImporter::Store(CAttachment& slot, const ImportedEntry::File& file, QString& error) {
    QByteArray data = file.data;
    QBuffer source(&data);
    source.open(QIODevice::ReadOnly);
    const QString streamName = m_wallet.AddStream(source, error);
    if (streamName.isEmpty())
        return false;
    slot.streamName = streamName;
    slot.description = file.name.isEmpty() ? QStringLiteral("attachment") : QFileInfo(file.name).fileName();
    ++m_summary.attachments;
    return true;
}

CCard& WalletImporter::NewCard(qint32 categoryId, const CCardTemplate* cardTemplate, const QString& title) {
    auto card = std::make_unique<CCard>(FreeId());
    card->description = title;
    card->categoryId = categoryId;
    if (cardTemplate) {
        card->templateName = cardTemplate->internalName;
        card->iconId = cardTemplate->iconId;
    }
    ++m_summary.cards;
    return m_wallet.AddCard(std::move(card));
}

const CCardTemplate* WalletImporter::TemplateNamed(const QString& description) const {
    return m_builtIns.value(description);
}

// Ids up to the highest the wallet had are looked up in its lists; above it only the template ids taken ahead of the
// counter can be in use, so a hundred thousand cards need no search.
qint32 WalletImporter::FreeId(qint32 offset) {
    for (;;) {
        const qint32 id = m_wallet.NextId() + offset;
        const bool taken = id <= m_highestAtStart
                               ? m_wallet.Cards().FindById(id) || m_wallet.Templates().FindById(id) ||
                                     m_wallet.Categories().FindById(id)
                               : m_takenAhead.contains(id);
        if (taken)
            continue;
        if (offset > 0)
            m_takenAhead.insert(id);
        return id;
    }
}

QString WalletImporter::Summary::Text(bool dryRun) const {
    QString text = QStringLiteral("%1 %2 entries: %3 categories, %4 cards and %5 templates made, %6 attached files "
                                  "placed, %7 values moved to notes, %8 extra cards for attached files")
                       .arg(dryRun ? QStringLiteral("Would import") : QStringLiteral("Imported"))
                       .arg(entries)
                       .arg(categories)
                       .arg(cards)
                       .arg(templates)
                       .arg(attachments)
                       .arg(valuesToNotes)
                       .arg(extraCards);
    for (const QString& line : placedElsewhere)
        text += QStringLiteral("\n  ") + line;
    if (entriesMissingFiles > 0) {
        text += QStringLiteral("\nAttached files that the export names but does not hold %1 left out of %2 entries: \"")
                    .arg(dryRun ? QStringLiteral("would be") : QStringLiteral("were"))
                    .arg(entriesMissingFiles) +
                missingFilesNamed.join(QStringLiteral("\", \"")) + u'"';
        if (entriesMissingFiles > missingFilesNamed.size())
            text += QStringLiteral(" and %1 more").arg(entriesMissingFiles - missingFilesNamed.size());
    }
    return text;
}

bool WalletImporter::ImportFile(CWallet& wallet, const QString& path, const ImportLimits& limits, Summary& summary,
                                QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    const auto format = ImportReader::Detect(file);
    if (!format) {
        error = QStringLiteral("the file is empty");
        return false;
    }
    const auto reader = ImportReader::Create(*format, false, limits);
    if (!reader->Read(
            file, [](ImportedEntry&) {}, error) ||
        !file.seek(0))
        return false;
    WalletImporter importer(wallet, QString(), {});
    QString addError;
    const bool read = reader->ReadAhead(
        file,
        [&](ImportedEntry& entry) {
            if (addError.isEmpty())
                importer.Add(entry, addError);
        },
        error);
    summary = importer.GetSummary();
    if (!addError.isEmpty())
        error = addError;
    return read && addError.isEmpty();
}
