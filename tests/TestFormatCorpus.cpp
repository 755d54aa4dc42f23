// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatCorpus.h"
#include "base/ResourceLibrary.h"

#include <QTest>

#include <algorithm>

namespace {
const QString kCorpus = QStringLiteral(KORVEL_TEST_SOURCE "/data/format");
const QString kWallet = QStringLiteral("wallet.kvx");
const QString kTemplate = QStringLiteral("template.kvt");

QString EntryFolder(const QString& kind, const QString& name) {
    return kCorpus + u'/' + kind + u'/' + name;
}

QStringList EntryNames(const QString& kind) {
    return QDir(kCorpus + u'/' + kind).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// Every file of a corpus entry, by name.
QMap<QString, QByteArray> StoredFiles(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files.insert(name, FileBytes(QDir(folder).filePath(name)));
    return files;
}

// A stored file is read and changed only as a copy, so the corpus stays as it is whatever a build does.
QString WorkCopy(const QTemporaryDir& work, const QByteArray& bytes, const QString& name) {
    return WriteFileBytes(work.filePath(name), bytes);
}

QString Shown(const QJsonValue& value) {
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    return value.toVariant().toString() + QStringLiteral(" (JSON type %1)").arg(int(value.type()));
}

// The first place where two JSON values differ, or nothing.
QString JsonDifference(const QJsonValue& expected, const QJsonValue& actual, const QString& at) {
    if (expected.isObject() && actual.isObject()) {
        const QJsonObject e = expected.toObject();
        const QJsonObject a = actual.toObject();
        // A key that a later build adds is no change to what was there.
        for (const QString& key : e.keys()) {
            const QString difference = JsonDifference(e.value(key), a.value(key), at + u'.' + key);
            if (!difference.isEmpty())
                return difference;
        }
        return QString();
    }
    if (expected.isArray() && actual.isArray() && expected.toArray().size() == actual.toArray().size()) {
        const QJsonArray e = expected.toArray();
        const QJsonArray a = actual.toArray();
        for (qsizetype i = 0; i < e.size(); ++i) {
            const QString difference = JsonDifference(e[i], a[i], at + QStringLiteral("[%1]").arg(i));
            if (!difference.isEmpty())
                return difference;
        }
        return QString();
    }
    if (expected == actual)
        return QString();
    return QStringLiteral("%1: stored %2, read %3").arg(at, Shown(expected), Shown(actual));
}

QString ByteDifference(const QByteArray& expected, const QByteArray& actual) {
    if (expected == actual)
        return QString();
    qsizetype at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return QStringLiteral("%1 bytes stored, %2 made; first difference at byte %3: stored %4, made %5")
        .arg(expected.size())
        .arg(actual.size())
        .arg(at)
        .arg(QString::fromLatin1(expected.mid(at, 16).toHex(' ')), QString::fromLatin1(actual.mid(at, 16).toHex(' ')));
}

// JSON is compared as documents, since its layout is not promised; everything else byte for byte.
QString Difference(const QString& name, const QByteArray& expected, const QByteArray& actual) {
    QJsonParseError problem{};
    const QJsonDocument stored = QJsonDocument::fromJson(expected, &problem);
    if (!name.endsWith(QStringLiteral(".json")) || problem.error != QJsonParseError::NoError)
        return ByteDifference(expected, actual);
    return JsonDifference(stored.object(), QJsonDocument::fromJson(actual).object(), name);
}

QString FilesDifference(const QMap<QString, QByteArray>& expected, const QMap<QString, QByteArray>& actual) {
    if (expected.keys() != actual.keys())
        return QStringLiteral("stored files %1, made %2").arg(expected.keys().join(u' '), actual.keys().join(u' '));
    // The members say most about a difference; the outputs made from them follow.
    QStringList names = expected.keys();
    std::stable_partition(names.begin(), names.end(), [](const QString& name) { return name == u"members.json"; });
    for (const QString& name : names) {
        const QString difference = Difference(name, expected.value(name), actual.value(name));
        if (!difference.isEmpty())
            return name + QStringLiteral(": ") + difference;
    }
    return QString();
}

// The storages and the bytes of every stream; how the compound file lays them out in sectors is not compared, since
// any valid layout reads the same.
QString WalletFileDifference(const QString& expectedPath, const QString& actualPath) {
    QString error;
    const auto expected = FormatCorpus::Elements(expectedPath, error);
    const auto actual = FormatCorpus::Elements(actualPath, error);
    if (!error.isEmpty())
        return error;
    if (expected.keys() != actual.keys())
        return QStringLiteral("stored elements %1, made %2").arg(expected.keys().join(u' '), actual.keys().join(u' '));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const auto& made = actual.value(it.key());
        if (it.value().has_value() != made.has_value())
            return it.key() + QStringLiteral(": a storage in one file, a stream in the other");
        const QString difference = it.value() ? ByteDifference(*it.value(), *made) : QString();
        if (!difference.isEmpty())
            return it.key() + QStringLiteral(": ") + difference;
    }
    return QString();
}

QString StoredPassword(const QMap<QString, QByteArray>& files) {
    return QJsonDocument::fromJson(files.value(QStringLiteral("members.json"))).object().value("password").toString();
}

qint32 StoredMethod(const QMap<QString, QByteArray>& files) {
    return QJsonDocument::fromJson(files.value(QStringLiteral("template.json"))).object().value("cipherMethod").toInt();
}

void AddEntryRows(const QString& kind) {
    QTest::addColumn<QString>("entry");
    const QStringList names = EntryNames(kind);
    QVERIFY2(!names.isEmpty(), qPrintable(QStringLiteral("no %1 in the corpus at %2").arg(kind, kCorpus)));
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}
} // namespace

// Wallets and template files kept from earlier builds must read the same with this one, and what this build writes
// for the same content must be what they hold. See tests/data/format/README.md.
class TestFormatCorpus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(ResourceLibrary::Load(&error), qPrintable(error));
    }

    // Members, korvel-cli's JSON and both exports, compared with what the build that wrote the wallet read.
    void storedWalletsReadAsBefore_data() { AddEntryRows(QStringLiteral("wallets")); }
    void storedWalletsReadAsBefore() {
        QFETCH(QString, entry);
        QMap<QString, QByteArray> stored = StoredFiles(EntryFolder(QStringLiteral("wallets"), entry));
        const QByteArray wallet = stored.take(kWallet);
        QVERIFY(!wallet.isEmpty());
        QTemporaryDir work;
        const QString path = WorkCopy(work, wallet, kWallet);
        QString error;
        const QMap<QString, QByteArray> read = FormatCorpus::ReadWallet(path, StoredPassword(stored), error);
        QVERIFY2(!read.isEmpty(), qPrintable(error));
        const QString difference = FilesDifference(stored, read);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY2(FileBytes(path) == wallet, "reading changed the wallet file");
    }

    void storedTemplatesReadAsBefore_data() { AddEntryRows(QStringLiteral("templates")); }
    void storedTemplatesReadAsBefore() {
        QFETCH(QString, entry);
        QMap<QString, QByteArray> stored = StoredFiles(EntryFolder(QStringLiteral("templates"), entry));
        QTemporaryDir work;
        const QString path = WorkCopy(work, stored.take(kTemplate), kTemplate);
        QString error;
        const QMap<QString, QByteArray> read = FormatCorpus::ReadTemplate(path, StoredMethod(stored), error);
        QVERIFY2(!read.isEmpty(), qPrintable(error));
        const QString difference = FilesDifference(stored, read);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A stored wallet saved again by this build holds the same streams: nothing is lost or changed on the way
    // through memory, and the version stays the file's own.
    void storedWalletsSaveUnchanged_data() { AddEntryRows(QStringLiteral("wallets")); }
    void storedWalletsSaveUnchanged() {
        QFETCH(QString, entry);
        const QMap<QString, QByteArray> stored = StoredFiles(EntryFolder(QStringLiteral("wallets"), entry));
        QTemporaryDir work;
        const QString original = WorkCopy(work, stored.value(kWallet), QStringLiteral("original.kvx"));
        const QString path = WorkCopy(work, stored.value(kWallet), kWallet);
        {
            FormatCorpus::Answers answers(StoredPassword(stored));
            CWallet wallet;
            QVERIFY(wallet.OnOpenDocument(path));
            QVERIFY(wallet.OnSaveDocument(path));
        }
        const QString difference = WalletFileDifference(original, path);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void storedTemplatesExportUnchanged_data() { AddEntryRows(QStringLiteral("templates")); }
    void storedTemplatesExportUnchanged() {
        QFETCH(QString, entry);
        const QMap<QString, QByteArray> stored = StoredFiles(EntryFolder(QStringLiteral("templates"), entry));
        QTemporaryDir work;
        const QString path = WorkCopy(work, stored.value(kTemplate), kTemplate);
        const qint32 method = StoredMethod(stored);
        CCardTemplate read;
        {
            FormatCorpus::Answers answers(QString(), path);
            QCOMPARE(read.ImportFromFile(method), 1);
        }
        const QString again = work.filePath(QStringLiteral("again.kvt"));
        {
            FormatCorpus::Answers answers(QString(), again);
            QVERIFY(read.ExportToFile(method));
        }
        const QString difference = ByteDifference(stored.value(kTemplate), FileBytes(again));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Each entry of FormatCorpus.h written anew by this build.
    void walletsWriteAsStored_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < FormatCorpus::WalletEntries().size(); ++i)
            QTest::newRow(FormatCorpus::WalletEntries()[i].name) << i;
    }
    void walletsWriteAsStored() {
        QFETCH(int, index);
        const FormatCorpus::WalletEntry& entry = FormatCorpus::WalletEntries()[index];
        const QString folder = EntryFolder(QStringLiteral("wallets"), QString::fromLatin1(entry.name));
        QVERIFY2(QFileInfo::exists(folder), "not in the corpus yet: run MakeFormatCorpus (see its README)");
        QTemporaryDir work;
        const QString stored = WorkCopy(work, FileBytes(folder + u'/' + kWallet), QStringLiteral("stored.kvx"));
        const QString made = work.filePath(kWallet);
        QString error;
        QVERIFY2(FormatCorpus::WriteWallet(entry, made, error), qPrintable(error));
        const QString difference = WalletFileDifference(stored, made);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void templatesWriteAsStored_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < FormatCorpus::TemplateEntries().size(); ++i)
            QTest::newRow(FormatCorpus::TemplateEntries()[i].name) << i;
    }
    void templatesWriteAsStored() {
        QFETCH(int, index);
        const FormatCorpus::TemplateEntry& entry = FormatCorpus::TemplateEntries()[index];
        const QString folder = EntryFolder(QStringLiteral("templates"), QString::fromLatin1(entry.name));
        QVERIFY2(QFileInfo::exists(folder), "not in the corpus yet: run MakeFormatCorpus (see its README)");
        QTemporaryDir work;
        const QString made = work.filePath(kTemplate);
        QVERIFY(FormatCorpus::WriteTemplate(entry, made));
        const QString difference = ByteDifference(FileBytes(folder + u'/' + kTemplate), FileBytes(made));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
};

QTEST_GUILESS_MAIN(TestFormatCorpus)
#include "TestFormatCorpus.moc"
