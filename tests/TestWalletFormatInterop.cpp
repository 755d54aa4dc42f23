// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"
#include "base/ResourceLibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// docs/wallet-format.md is enough to write a wallet: tests/interop/write_wallet.py, written from that document
// alone, makes a wallet and says what it put in it, and korvel-cli must show every setting, category, template,
// card, value, note and attached byte exactly so.
class TestWalletFormatInterop : public QObject {
    Q_OBJECT

    struct Written {
        QString path;
        QJsonObject expected;
        QByteArray error;
    };

    QTemporaryDir m_folder;
    QMap<QString, Written> m_written;

    // The wallet of the current data row, written by the script the first time it is asked for.
    const Written& Wallet();
    QByteArray Password() { return Wallet().expected["password"].toString().toUtf8() + '\n'; }
    QJsonObject Show(const QString& path, int card, bool showPasswords);
    void CompareCards(const QString& path, const QJsonArray& expected);
    void CompareFiles(const QString& path, const QJsonArray& files);

private Q_SLOTS:
    void initTestCase();
    void settingsAndCounts_data() { Rows(); }
    void settingsAndCounts();
    void categoriesAndTemplates_data() { Rows(); }
    void categoriesAndTemplates();
    void everyCardAsWritten_data() { Rows(); }
    void everyCardAsWritten();
    void attachedFilesAsWritten_data() { Rows(); }
    void attachedFilesAsWritten();
    void passwordGuardsProtectedCards_data() { Rows(); }
    void passwordGuardsProtectedCards();
    void passwordFieldsAreMasked_data() { Rows(); }
    void passwordFieldsAreMasked();
    void everythingSurvivesKorvelsSave_data() { Rows(); }
    void everythingSurvivesKorvelsSave();

private:
    static void Rows() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("method 1") << QStringList{"--method", "1"};
        QTest::newRow("method 2") << QStringList{"--method", "2"};
        // The document stream then passes the mini stream cutoff, and the notes take the longest length prefix.
        QTest::newRow("method 2, long notes") << QStringList{"--method", "2", "--long-notes"};
    }
};

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(KORVEL_TEST_SOURCE "/interop/write_wallet.py");

QByteArray Json(const QJsonValue& value) {
    return value.isObject() ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact)
                            : QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
}

QByteArray Differ(const QJsonValue& actual, const QJsonValue& expected) {
    return "korvel-cli shows\n  " + Json(actual) + "\nthe script wrote\n  " + Json(expected);
}

QJsonArray SortedById(const QJsonArray& array) {
    QList<QJsonValue> values(array.begin(), array.end());
    std::sort(values.begin(), values.end(),
              [](const QJsonValue& a, const QJsonValue& b) { return a["id"].toInt() < b["id"].toInt(); });
    QJsonArray sorted;
    for (const QJsonValue& value : values)
        sorted.append(value);
    return sorted;
}

} // namespace

#define COMPARE_JSON(actual, expected)                                                                                 \
    do {                                                                                                               \
        const QJsonValue a_(actual);                                                                                   \
        const QJsonValue e_(expected);                                                                                 \
        QVERIFY2(a_ == e_, Differ(a_, e_).constData());                                                                \
    } while (false)

const TestWalletFormatInterop::Written& TestWalletFormatInterop::Wallet() {
    const QString row = QString::fromUtf8(QTest::currentDataTag());
    if (const auto found = m_written.constFind(row); found != m_written.constEnd())
        return *found;
    Written& written = m_written[row];
    written.path = m_folder.filePath(row + ".kvx");
    QFETCH(QStringList, options);
    QProcess script;
    script.start(kPython, QStringList{kScript, written.path} + options);
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0)
        written.error = "write_wallet.py failed: " + script.readAllStandardError();
    else
        written.expected = QJsonDocument::fromJson(script.readAllStandardOutput()).object();
    if (written.error.isEmpty() && written.expected.isEmpty())
        written.error = "write_wallet.py printed no JSON object";
    return written;
}

QJsonObject TestWalletFormatInterop::Show(const QString& path, int card, bool showPasswords) {
    QStringList arguments{"show", path, QString::number(card), "--json"};
    if (showPasswords)
        arguments.append("--show-passwords");
    const CliRun run = RunCli(arguments, Password());
    if (run.status != 0)
        qWarning("%s", Shown(run).constData());
    return run.Json().object();
}

void TestWalletFormatInterop::CompareCards(const QString& path, const QJsonArray& expected) {
    QJsonArray listed;
    for (const QJsonValue& card : expected) {
        listed.append(QJsonObject{{"id", card["id"]},
                                  {"description", card["description"]},
                                  {"template", card["template"]},
                                  {"iconId", card["iconId"]},
                                  {"category", card["category"]}});
    }
    const CliRun ls = RunCli({"ls", path, "--all", "--json"}, Password());
    QVERIFY2(ls.status == 0, Shown(ls));
    COMPARE_JSON(SortedById(ls.Json().array()), SortedById(listed));
    for (const QJsonValue& card : expected)
        COMPARE_JSON(Show(path, card["id"].toInt(), true), card);
}

void TestWalletFormatInterop::CompareFiles(const QString& path, const QJsonArray& files) {
    QVERIFY(!files.isEmpty());
    for (const QJsonValue& file : files) {
        const QString out = m_folder.filePath(QStringLiteral("extracted"));
        QFile::remove(out);
        const CliRun run =
            RunCli({"extract", path, QString::number(file["card"].toInt()), file["slot"].toString(), out}, Password());
        QVERIFY2(run.status == 0, Shown(run));
        QFile extracted(out);
        QVERIFY(extracted.open(QIODevice::ReadOnly));
        QCOMPARE(extracted.readAll().toBase64(), file["base64"].toString().toLatin1());
    }
}

void TestWalletFormatInterop::initTestCase() {
    if (!QFile::exists(kPython))
        QSKIP("/usr/bin/python3 is missing: it runs tests/interop/write_wallet.py, which writes the wallets");
    QVERIFY(m_folder.isValid());
    QString error;
    QVERIFY2(ResourceLibrary::Load(&error), qPrintable(error));
}

void TestWalletFormatInterop::settingsAndCounts() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    const CliRun run = RunCli({"info", w.path, "--json"});
    QVERIFY2(run.status == 0, Shown(run));
    COMPARE_JSON(run.Json().object(), w.expected["info"]);
}

void TestWalletFormatInterop::categoriesAndTemplates() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    const CliRun categories = RunCli({"ls", w.path, "--json"});
    QVERIFY2(categories.status == 0, Shown(categories));
    COMPARE_JSON(categories.Json().array(), w.expected["categories"]);
    const CliRun templates = RunCli({"templates", w.path, "--json"}, Password());
    QVERIFY2(templates.status == 0, Shown(templates));
    COMPARE_JSON(templates.Json().array(), w.expected["templates"]);
}

void TestWalletFormatInterop::everyCardAsWritten() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    CompareCards(w.path, w.expected["cards"].toArray());
}

void TestWalletFormatInterop::attachedFilesAsWritten() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    CompareFiles(w.path, w.expected["files"].toArray());
}

// The keypad password guards the cards of the protected category, and only those.
void TestWalletFormatInterop::passwordGuardsProtectedCards() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    QMap<int, bool> guarded;
    for (const QJsonValue& category : w.expected["categories"].toArray())
        guarded[category["id"].toInt()] = category["requirePassword"].toBool();
    QVERIFY(guarded.values().contains(true) && guarded.values().contains(false));
    for (const QJsonValue& card : w.expected["cards"].toArray()) {
        const QStringList show{"show", w.path, QString::number(card["id"].toInt()), "--json"};
        const CliRun none = RunCli(show);
        const CliRun wrong = RunCli(show, "1357\n");
        const CliRun right = RunCli(show, Password());
        if (guarded[card["category"].toInt()]) {
            QVERIFY2(none.status == 1 && none.err.contains("access refused"), Shown(none));
            QVERIFY2(wrong.status == 1 && wrong.err.contains("the password is wrong"), Shown(wrong));
        } else {
            QVERIFY2(none.status == 0, Shown(none));
        }
        QVERIFY2(right.status == 0, Shown(right));
    }
}

// Values of Password/PIN fields show as ****** on cards that hide passwords: the field types reached korvel-cli in
// their slots.
void TestWalletFormatInterop::passwordFieldsAreMasked() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    QMap<QString, QJsonArray> fields;
    for (const QJsonValue& t : w.expected["templates"].toArray())
        fields[t["internalName"].toString()] = t["fields"].toArray();
    int masked = 0;
    for (const QJsonValue& card : w.expected["cards"].toArray()) {
        QJsonArray values = card["values"].toArray();
        for (const QJsonValue& field : fields[card["template"].toString()]) {
            const int slot = field["slot"].toInt();
            if (card["hidePasswords"].toBool() && field["type"].toInt() == 3 && !values[slot].toString().isEmpty()) {
                values[slot] = QStringLiteral("******");
                ++masked;
            }
        }
        COMPARE_JSON(Show(w.path, card["id"].toInt(), false)["values"], values);
    }
    QVERIFY(masked >= 2);
}

// Korvel rewrites the whole file in its own layout when it saves; nothing the script wrote may be lost on the way.
void TestWalletFormatInterop::everythingSurvivesKorvelsSave() {
    const Written& w = Wallet();
    QVERIFY2(w.error.isEmpty(), w.error.constData());
    const QString saved = m_folder.filePath(QStringLiteral("saved.kvx"));
    QFile::remove(saved);
    QVERIFY(QFile::copy(w.path, saved));
    QJsonArray cards = w.expected["cards"].toArray();
    QJsonObject edited = cards.last().toObject();
    edited["notes"] = QStringLiteral("edited by korvel-cli");
    cards.replace(cards.size() - 1, edited);
    const CliRun edit = RunCli(
        {"edit-card", saved, QString::number(edited["id"].toInt()), "--notes", edited["notes"].toString()}, Password());
    QVERIFY2(edit.status == 0, Shown(edit));

    const CliRun info = RunCli({"info", saved, "--json"});
    COMPARE_JSON(info.Json().object(), w.expected["info"]);
    CompareCards(saved, cards);
    if (QTest::currentTestFailed())
        return;
    CompareFiles(saved, w.expected["files"].toArray());
}

QTEST_GUILESS_MAIN(TestWalletFormatInterop)
#include "TestWalletFormatInterop.moc"
