// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The format corpus (tests/data/format): wallets and template files written once by one build and kept for good, so
// that every later build is checked against what users already have on disk. This header holds what each entry
// contains and how it is written (MakeFormatCorpus writes new entries, TestFormatCorpus writes them again and
// compares), and what a build makes of a stored file when it reads it (written beside each entry once, compared by
// TestFormatCorpus ever after).
#include "CliRunner.h"
#include "TestFiles.h"
#include "base/Prompts.h"
#include "document/CWallet.h"
#include "storage/CompoundFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include <iterator>
#include <memory>
#include <optional>

namespace FormatCorpus {

// Answers as a user who knows the password would, and counts how often the password was asked for.
class Answers : public Prompts {
public:
    explicit Answers(const QString& password, const QString& fileName = QString())
        : m_password(password), m_fileName(fileName) {
        Install(this);
    }
    ~Answers() override { Install(nullptr); }

    int PasswordPrompts() const { return m_passwordPrompts; }

    Answer Message(const QString&, Icon, Buttons buttons, Answer defaultAnswer) override {
        return buttons == Buttons::YesNo ? Answer::No : defaultAnswer;
    }
    QString OpenFileName(const QString&, const QString&) override { return m_fileName; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return m_fileName; }
    bool PromptPassword(QString& password, const QString&) override {
        ++m_passwordPrompts;
        return password == m_password;
    }
    // The corpus holds no sealed wallets.
    bool AskPassphrase(QString&, const QString&, bool) override { return false; }

private:
    QString m_password;
    QString m_fileName;
    int m_passwordPrompts = 0;
};

// ---- What the entries hold -------------------------------------------------------------------------------------

// Settings of a wallet entry; the records are the same in all of them, apart from the attachments and the long text.
struct WalletEntry {
    const char* name;
    qint32 method;
    float version;
    const char* password;
    qint32 askPasswordOnOpen, mustUnlockToEdit, disableDesktopPassword, lockMinutes, autoLock;
    qint32 hidePasswordsDefault, boldFieldNamesDefault;
    quint32 defaultBackColor, defaultTextColor;
    qint32 compactCounter;
    bool attachments;
    bool longText;
};

// New entries go at the end; an entry once in the corpus never changes. Columns: name, cipher method, version,
// password; ask on open, must unlock to edit, no desktop password, lock minutes, auto-lock; card defaults (hide
// passwords, bold names, background and text colour); compact counter; attachments; a 65535-unit text.
inline const QList<WalletEntry>& WalletEntries() {
    static const QList<WalletEntry> entries = {
        {"method0-no-password", 0, 1.7f, "", 0, 0, 0, 15, 1, 1, 0, 0xFFFFFF, 0x000000, 0, false, true},
        {"method0-password", 0, 1.0f, "8642", 0, 1, 1, 30, 0, 0, 1, 0xE0FFFF, 0x400000, 2, false, false},
        {"method1-no-password", 1, 1.7f, "", 0, 0, 0, 10, 1, 1, 0, 0xFFFFFF, 0x000000, 3, true, false},
        {"method1-password", 1, 2.5f, "2468", 1, 0, 0, 42, 0, 1, 0, 0xC0FFEE, 0x102030, 0, true, false},
        {"method2-no-password", 2, 2.5f, "", 0, 0, 0, 60, 1, 0, 1, 0xFFFFFF, 0x000000, 1, false, false},
        {"method2-password", 2, 1.0f, "13579", 0, 1, 0, 20, 1, 0, 1, 0xF0F0F0, 0x0000C0, 0, true, false},
    };
    return entries;
}

struct TemplateEntry {
    const char* name;
    qint32 method;
};

inline const QList<TemplateEntry>& TemplateEntries() {
    static const QList<TemplateEntry> entries = {{"method0", 0}, {"method1", 1}, {"method2", 2}};
    return entries;
}

// A readable text of exactly `units` UTF-16 units.
inline QString TextOfLength(qsizetype units, const QString& pattern) {
    QString text;
    text.reserve(units);
    while (text.size() < units)
        text += pattern;
    text.truncate(units);
    return text;
}

inline const QString kNonBmp = QString::fromUtf8("\U0001D11E \U0001F511 \U00020000");

// Slots 0 to 7 have the eight field types, slot 8 a type code no build knows; slots 11 to 14 are free.
inline void FillTypesTemplate(CCardTemplate& t) {
    t.id = 2;
    t.description = QString::fromUtf8("Every field type \U0001F5C2");
    t.iconId = 520;
    t.reservedText = QStringLiteral("r");
    t.internalName = QStringLiteral("2");
    const std::pair<const char*, FieldType> fields[] = {{"Default", FieldTypes::Default},
                                                        {"Upper", FieldTypes::UpperCase},
                                                        {"Proper", FieldTypes::ProperCase},
                                                        {"PIN", FieldTypes::Password},
                                                        {"Web", FieldTypes::WebAddress},
                                                        {"E-mail", FieldTypes::EmailAddress},
                                                        {"Phone", FieldTypes::PhoneNumber},
                                                        {"Balance", FieldTypes::Money},
                                                        {"Code 42", 42},
                                                        {"254 units", FieldTypes::Default},
                                                        {"255 units \U0001F51A", FieldTypes::Default}};
    for (int slot = 0; slot < int(std::size(fields)); ++slot) {
        t.fields[slot].name = QString::fromUtf8(fields[slot].first);
        t.fields[slot].type = fields[slot].second;
    }
}

inline CCard& AddCard(CWallet& wallet, qint32 id, qint32 categoryId, const QString& templateName,
                      const QString& description) {
    auto card = std::make_unique<CCard>(id);
    card->categoryId = categoryId;
    card->templateName = templateName;
    card->description = description;
    card->iconId = 500 + id;
    card->hidePasswords = 1 - id % 2;
    card->boldNames = id % 2;
    card->textColor = 0x00112233;
    card->backColor = 0x00CCDDEE;
    CCard& added = *card;
    wallet.AddCard(std::move(card));
    return added;
}

inline void AddCategory(CWallet& wallet, qint32 id, const QString& description, bool protect,
                        const QString& defaultTemplate) {
    auto category = std::make_unique<CCategory>(id);
    category->description = description;
    category->iconId = 490 + id;
    category->flag = protect ? 1 : 0;
    category->defaultTemplate = defaultTemplate;
    wallet.AddCategory(std::move(category));
}

// The attachment streams of an entry, by stream name.
inline QMap<QString, QByteArray> AttachmentStreams(const WalletEntry& entry) {
    if (!entry.attachments)
        return {};
    return {{QStringLiteral("200375943"), Pattern(700, 1)},
            {QStringLiteral("20101231235959"), Pattern(1500, 2)},
            {QStringLiteral("2024229000"), Pattern(5000, 3)}};
}

// Values only in slots that have a field name: a value in a nameless slot is shown differently by different builds.
inline void Fill(CWallet& wallet, const WalletEntry& entry) {
    wallet.SetCipherMethod(entry.method);
    wallet.SetVersion(entry.version);
    wallet.SetPassword(QString::fromLatin1(entry.password));
    {
        CWallet::Settings settings = wallet.GetSettings();
        settings.askPasswordOnOpen = entry.askPasswordOnOpen;
        settings.mustUnlockToEdit = entry.mustUnlockToEdit;
        settings.disableDesktopPassword = entry.disableDesktopPassword;
        settings.lockMinutes = entry.lockMinutes;
        settings.autoLock = entry.autoLock;
        settings.hidePasswordsDefault = entry.hidePasswordsDefault;
        settings.boldFieldNamesDefault = entry.boldFieldNamesDefault;
        settings.defaultBackColor = entry.defaultBackColor;
        settings.defaultTextColor = entry.defaultTextColor;
        wallet.SetSettings(settings);
    }
    wallet.SetCompactCounter(entry.compactCounter);
    wallet.SetNextId(30);

    auto types = std::make_unique<CCardTemplate>();
    FillTypesTemplate(*types);
    const QString typesName = types->internalName;
    wallet.AddTemplate(std::move(types));
    auto simple = std::make_unique<CCardTemplate>(3);
    simple->description = QStringLiteral("Simple");
    simple->internalName = QStringLiteral("A1B2C3D4");
    simple->fields[0].name = QStringLiteral("Note");
    wallet.AddTemplate(std::move(simple));

    AddCategory(wallet, 10, QString::fromUtf8("Open \U0001F4C2"), false, typesName);
    AddCategory(wallet, 11, QString::fromUtf8("Protected \U0001F512"), true, QString());

    CCard& all = AddCard(wallet, 20, 11, typesName, QString::fromUtf8("Everything \U0001F4B3"));
    const char* const values[] = {"x",
                                  "ABCD",
                                  "Abcde",
                                  "s3cret!",
                                  "https://example.com/\u00E4?q=1&r=<2>",
                                  "anna@example.org",
                                  "+44 20 7946 0958",
                                  "1 234,56 \u20AC",
                                  "42"};
    for (int slot = 0; slot < int(std::size(values)); ++slot)
        all.values.Set(size_t(slot), QString::fromUtf8(values[slot]));
    all.values.Set(9, TextOfLength(254, QStringLiteral("abcdefghij")));
    all.values.Set(10, TextOfLength(255, QString::fromUtf8("\u00C4\u00D6\u00DC\u20AC 0123456789 ")));
    all.notes = QStringLiteral("Line one\r\nLine two \"quoted\" & <tag> ") + kNonBmp;

    // Under method 1 the first value enciphers to a block holding a zero unit, under method 2 the second.
    CCard& zero = AddCard(wallet, 21, 10, typesName, QStringLiteral("Zero units"));
    zero.values.Set(0, QStringLiteral("07hp"));
    zero.values.Set(1, QStringLiteral("05ZQ"));
    zero.values.Set(3, QStringLiteral("0042"));
    zero.notes = QStringLiteral("1");

    CCard& simpleCard = AddCard(wallet, 22, 10, QStringLiteral("A1B2C3D4"), QStringLiteral("Simple"));
    simpleCard.values.Set(0, kNonBmp);
    simpleCard.reservedText = entry.longText
                                  ? TextOfLength(65535, QString::fromUtf8("Korvel keeps wallets \u6771\u4EAC "))
                                  : QStringLiteral("reserved");
    if (entry.attachments) {
        simpleCard.image().streamName = QStringLiteral("200375943");
        simpleCard.image().description = QStringLiteral("passport.jpg");
        simpleCard.sound().streamName = QStringLiteral("20101231235959");
        simpleCard.sound().description = QString::fromUtf8("voice m\u00E9mo.wav");
        simpleCard.document().streamName = QStringLiteral("2024229000");
        simpleCard.document().description = QString::fromUtf8("contract \U0001F4C4.pdf");
    }

    // Every text empty and no template.
    AddCard(wallet, 23, 10, QString(), QString());
}

// ---- Writing -----------------------------------------------------------------------------------------------------

// The attachment streams go into the file first, so that the save finds every stream its cards name.
inline bool WriteAttachmentStreams(const WalletEntry& entry, const QString& path, QString& error) {
    const QMap<QString, QByteArray> streams = AttachmentStreams(entry);
    if (streams.isEmpty())
        return true;
    CompoundFile file;
    bool ok = file.Create(path) && file.CreateStorage(QStringLiteral("F"), true);
    for (auto it = streams.begin(); ok && it != streams.end(); ++it) {
        std::unique_ptr<QIODevice> stream = file.CreateStream(it.key());
        ok = stream && stream->write(it.value()) == it.value().size();
    }
    ok = ok && file.Commit();
    if (!ok)
        error = file.ErrorString();
    return ok;
}

inline bool WriteWallet(const WalletEntry& entry, const QString& path, QString& error) {
    if (!WriteAttachmentStreams(entry, path, error))
        return false;
    Answers answers(QString::fromLatin1(entry.password));
    CWallet wallet;
    Fill(wallet, entry);
    if (QFileInfo::exists(path))
        wallet.SetPathName(path);
    if (!wallet.OnSaveDocument(path)) {
        error = QStringLiteral("saving failed");
        return false;
    }
    return true;
}

inline bool WriteTemplate(const TemplateEntry& entry, const QString& path) {
    Answers answers(QString(), path);
    CCardTemplate t;
    FillTypesTemplate(t);
    return t.ExportToFile(entry.method);
}

// ---- Reading -----------------------------------------------------------------------------------------------------

// Texts of more than a thousand units are known by their length and digest.
inline QJsonValue Text(const QString& text) {
    if (text.size() <= 1000)
        return text;
    const QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return QJsonObject{{QStringLiteral("units"), text.size()},
                       {QStringLiteral("sha256"),
                        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())}};
}

inline QJsonObject Head(const CWalletItem& item) {
    return QJsonObject{{QStringLiteral("id"), item.id},
                       {QStringLiteral("description"), Text(item.description)},
                       {QStringLiteral("iconId"), item.iconId},
                       {QStringLiteral("reservedText"), Text(item.reservedText)}};
}

inline QJsonObject Slot(const CAttachment& slot) {
    return QJsonObject{{QStringLiteral("stream"), Text(slot.streamName)},
                       {QStringLiteral("name"), Text(slot.description)}};
}

inline QJsonObject CardMembers(const CCard& card) {
    QJsonObject object = Head(card);
    QJsonArray values;
    for (QStringView value : card.values)
        values.append(Text(value.toString()));
    object.insert(QStringLiteral("templateName"), Text(card.templateName));
    object.insert(QStringLiteral("categoryId"), card.categoryId);
    object.insert(QStringLiteral("hidePasswords"), card.hidePasswords);
    object.insert(QStringLiteral("boldNames"), card.boldNames);
    object.insert(QStringLiteral("image"), Slot(card.image()));
    object.insert(QStringLiteral("sound"), Slot(card.sound()));
    object.insert(QStringLiteral("document"), Slot(card.document()));
    object.insert(QStringLiteral("textColor"), qint64(card.textColor));
    object.insert(QStringLiteral("backColor"), qint64(card.backColor));
    object.insert(QStringLiteral("notes"), Text(card.notes));
    object.insert(QStringLiteral("values"), values);
    return object;
}

inline QJsonObject TemplateMembers(const CCardTemplate& t) {
    QJsonObject object = Head(t);
    QJsonArray fields;
    for (const CTemplateField& field : t.fields)
        fields.append(QJsonArray{field.type, Text(field.name)});
    object.insert(QStringLiteral("internalName"), Text(t.internalName));
    object.insert(QStringLiteral("fields"), fields);
    return object;
}

inline QJsonObject CategoryMembers(const CCategory& category) {
    QJsonObject object = Head(category);
    object.insert(QStringLiteral("defaultTemplate"), Text(category.defaultTemplate));
    object.insert(QStringLiteral("requirePassword"), category.flag);
    return object;
}

inline QJsonObject WalletMembers(const CWallet& wallet) {
    QJsonArray cards, templates, categories;
    for (const CCard* card : wallet.Cards())
        cards.append(CardMembers(*card));
    for (const CCardTemplate* t : wallet.Templates())
        templates.append(TemplateMembers(*t));
    for (const CCategory* category : wallet.Categories())
        categories.append(CategoryMembers(*category));
    return QJsonObject{{QStringLiteral("version"), double(wallet.Version())},
                       {QStringLiteral("cipherMethod"), wallet.CipherMethod()},
                       {QStringLiteral("password"), wallet.Password()},
                       {QStringLiteral("nextId"), wallet.PeekNextId()},
                       {QStringLiteral("compactCounter"), wallet.CompactCounter()},
                       {QStringLiteral("askPasswordOnOpen"), wallet.GetSettings().askPasswordOnOpen},
                       {QStringLiteral("mustUnlockToEdit"), wallet.GetSettings().mustUnlockToEdit},
                       {QStringLiteral("disableDesktopPassword"), wallet.GetSettings().disableDesktopPassword},
                       {QStringLiteral("lockMinutes"), wallet.GetSettings().lockMinutes},
                       {QStringLiteral("autoLock"), wallet.GetSettings().autoLock},
                       {QStringLiteral("hidePasswordsDefault"), wallet.GetSettings().hidePasswordsDefault},
                       {QStringLiteral("boldFieldNamesDefault"), wallet.GetSettings().boldFieldNamesDefault},
                       {QStringLiteral("defaultBackColor"), qint64(wallet.GetSettings().defaultBackColor)},
                       {QStringLiteral("defaultTextColor"), qint64(wallet.GetSettings().defaultTextColor)},
                       {QStringLiteral("locked"), wallet.IsLocked() ? 1 : 0},
                       {QStringLiteral("cards"), cards},
                       {QStringLiteral("templates"), templates},
                       {QStringLiteral("categories"), categories}};
}

// Every element of a compound file by its path ("D/W"): a stream's bytes, or an empty value for a storage.
inline bool Elements(CompoundFile& file, const QString& prefix, QMap<QString, std::optional<QByteArray>>& out) {
    for (const QString& name : file.ElementNames()) {
        if (file.OpenStorage(name)) {
            out.insert(prefix + name, std::nullopt);
            if (!Elements(file, prefix + name + u'/', out))
                return false;
            file.PopStorage();
            continue;
        }
        std::unique_ptr<QIODevice> stream = file.OpenStream(name);
        if (!stream)
            return false;
        out.insert(prefix + name, stream->readAll());
    }
    return true;
}

inline QMap<QString, std::optional<QByteArray>> Elements(const QString& path, QString& error) {
    QMap<QString, std::optional<QByteArray>> elements;
    CompoundFile file;
    if (!file.Open(path) || !Elements(file, QString(), elements))
        error = file.ErrorString();
    return elements;
}

inline QJsonObject ElementList(const QString& path, QString& error) {
    QJsonObject list;
    const auto elements = Elements(path, error);
    for (auto it = elements.begin(); it != elements.end(); ++it) {
        const QByteArray hash =
            it.value() ? QCryptographicHash::hash(*it.value(), QCryptographicHash::Sha256).toHex() : QByteArray();
        list.insert(it.key(), it.value()
                                  ? QJsonValue(QJsonObject{{QStringLiteral("bytes"), it.value()->size()},
                                                           {QStringLiteral("sha256"), QString::fromLatin1(hash)}})
                                  : QJsonValue(QStringLiteral("storage")));
    }
    return list;
}

inline QByteArray JsonBytes(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

// What this build makes of a wallet file, by the name of the file that keeps it beside the wallet: its members as
// read ("members.json", with the elements of the file and how often opening asked for the password), korvel-cli's
// "info --json" and "show --json" of every card, and the text and XML exports. Reading leaves the file as it is.
// Empty on failure, with `error` saying why.
inline QMap<QString, QByteArray> ReadWallet(const QString& path, const QString& password, QString& error) {
    QMap<QString, QByteArray> observed;
    QList<qint32> cardIds;
    {
        Answers answers(password);
        CWallet wallet;
        wallet.SetStarted(true);
        if (!wallet.OnOpenDocument(path)) {
            error = QStringLiteral("the wallet does not open");
            return {};
        }
        QJsonObject members = WalletMembers(wallet);
        members.insert(QStringLiteral("passwordPromptsOnOpen"), answers.PasswordPrompts());
        members.insert(QStringLiteral("elements"), ElementList(path, error));
        observed.insert(QStringLiteral("members.json"), JsonBytes(members));
        for (const CCard* card : wallet.Cards())
            cardIds.append(card->id);
    }
    const QByteArray input = password.isEmpty() ? QByteArray() : (password + u'\n').toUtf8().repeated(3);
    auto cli = [&](const QStringList& arguments) {
        const CliRun run = RunCli(arguments, input);
        if (run.status != 0)
            error += QString::fromUtf8(Shown(run)) + u'\n';
        return run.out.toUtf8();
    };
    observed.insert(QStringLiteral("info.json"), cli({"info", path, "--json"}));
    for (qint32 id : cardIds)
        observed.insert(QStringLiteral("show-%1.json").arg(id), cli({"show", path, QString::number(id), "--json"}));
    QTemporaryDir exports;
    for (const QString& name : {QStringLiteral("export.txt"), QStringLiteral("export.xml")}) {
        const QString target = exports.filePath(name);
        cli(name.endsWith(QStringLiteral(".xml")) ? QStringList{"export", path, target, "--xml"}
                                                  : QStringList{"export", path, target});
        observed.insert(name, FileBytes(target));
    }
    if (!error.isEmpty())
        return {};
    return observed;
}

// A template file as read under a cipher method, by the name of the file that keeps it ("template.json").
inline QMap<QString, QByteArray> ReadTemplate(const QString& path, qint32 method, QString& error) {
    Answers answers(QString(), path);
    CCardTemplate t;
    if (t.ImportFromFile(method) != 1) {
        error = QStringLiteral("the template file does not import");
        return {};
    }
    QJsonObject members = TemplateMembers(t);
    members.insert(QStringLiteral("cipherMethod"), method);
    return {{QStringLiteral("template.json"), JsonBytes(members)}};
}

} // namespace FormatCorpus
