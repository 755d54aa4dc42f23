// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"
#include "TestFiles.h"
#include "document/ResourceLibrary.h"
#include "model/CArchive.h"
#include "model/CCardTemplate.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {
void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

// Every command that changes a wallet, checked through what the wallet file holds afterwards.
class TestCliChange : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_folder;
    QString m_wallet;

    QString Path(const QString& name) const { return m_folder.filePath(name); }

    CliRun Ok(const QStringList& arguments, const QByteArray& input = {}) {
        const CliRun run = RunCli(arguments, input);
        if (run.status != 0)
            qWarning("%s", Shown(run).constData());
        return run;
    }

    const QJsonObject Card(const QString& id) { return RunCli({"show", m_wallet, id, "--json"}).Json().object(); }
    int Count(const char* key) { return RunCli({"info", m_wallet, "--json"}).Json().object()[key].toInt(); }

private Q_SLOTS:
    void initTestCase() {
        // Extracted attachments go to the user's runtime folder; here, one of the test's own.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QString error;
        QVERIFY2(ResourceLibrary::Load(&error), qPrintable(error));
    }

    // A new wallet without password, with category 37 "Open" (no password) holding card 38.
    void init() {
        m_wallet = Path(QStringLiteral("w.kvx"));
        QFile::remove(m_wallet);
        QCOMPARE(Ok({"create", m_wallet}).status, 0);
        QCOMPARE(Ok({"add-category", m_wallet, "Open", "--no-password"}).out, QStringLiteral("37\n"));
        QCOMPARE(Ok({"add-card", m_wallet, "37", "9", "Visa", "--value", "0=4111"}).out, QStringLiteral("38\n"));
    }

    void addCategoryWithOptions() {
        const CliRun run = Ok({"add-category", m_wallet, "Cards", "--icon", "524", "--template", "9"});
        QCOMPARE(run.out, QStringLiteral("39\n"));
        const QJsonObject category = RunCli({"ls", m_wallet, "--json"}).Json().array()[3].toObject();
        QCOMPARE(category, (QJsonObject{{"id", 39},
                                        {"description", "Cards"},
                                        {"requirePassword", true},
                                        {"iconId", 524},
                                        {"defaultTemplate", "9"}}));
    }

    void addCardTakesTemplateByInternalNameAndIcon() {
        QCOMPARE(Ok({"add-card", m_wallet, "37", "9", "Mail", "--value", "3=1 = 2", "--notes", "line 1\nline 2"}).out,
                 QStringLiteral("39\n"));
        const QJsonObject card = Card(QStringLiteral("39"));
        QCOMPARE(card["iconId"].toInt(), 524);
        QCOMPARE(card["values"][3].toString(), QStringLiteral("******"));
        QCOMPARE(card["notes"].toString(), QStringLiteral("line 1\nline 2"));
        const QJsonArray values =
            RunCli({"show", m_wallet, "39", "--json", "--show-passwords"}).Json().object()["values"].toArray();
        QCOMPARE(values[3].toString(), QStringLiteral("1 = 2"));
    }

    void editCard() {
        Ok({"edit-card", m_wallet, "38", "--description", "Visa Gold", "--value", "0=", "--value", "1=ME", "--notes",
            "n"});
        const QJsonObject card = Card(QStringLiteral("38"));
        QCOMPARE(card["description"].toString(), QStringLiteral("Visa Gold"));
        QCOMPARE(card["values"][0].toString(), QString());
        QCOMPARE(card["values"][1].toString(), QStringLiteral("ME"));
        QCOMPARE(card["notes"].toString(), QStringLiteral("n"));
        // Editing to the same contents is no change.
        const QDateTime before = QFileInfo(m_wallet).lastModified();
        QTest::qSleep(20);
        Ok({"edit-card", m_wallet, "38", "--notes", "n"});
        QCOMPARE(QFileInfo(m_wallet).lastModified(), before);
    }

    // Destructive commands ask at a terminal and otherwise need --yes.
    void confirmation_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<bool>("done");
        QTest::newRow("no terminal, no --yes") << QStringList{} << QByteArray("y\n") << false << false;
        QTest::newRow("no terminal, --yes") << QStringList{"--yes"} << QByteArray() << false << true;
        QTest::newRow("terminal, yes") << QStringList{} << QByteArray("y\n") << true << true;
        QTest::newRow("terminal, no") << QStringList{} << QByteArray("no\n") << true << false;
        QTest::newRow("terminal, default is no") << QStringList{} << QByteArray("\n") << true << false;
        QTest::newRow("terminal, asks again") << QStringList{} << QByteArray("maybe\nyes\n") << true << true;
    }

    void confirmation() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, input);
        QFETCH(bool, interactive);
        QFETCH(bool, done);
        const CliRun card = RunCli(QStringList{"rm-card", m_wallet, "38"} + options, input, interactive);
        QCOMPARE(card.status, done ? 0 : 1);
        QCOMPARE(Count("cards"), done ? 0 : 1);
        const CliRun category = RunCli(QStringList{"rm-category", m_wallet, "37"} + options, input, interactive);
        QCOMPARE(category.status, done ? 0 : 1);
        QCOMPARE(Count("categories"), done ? 2 : 3);
        if (!done)
            QVERIFY2(category.err.contains("Deleting this category will also delete all the cards"), Shown(category));
    }

    void removingCategoryRemovesItsCards() {
        Ok({"add-card", m_wallet, "37", "9", "Second"});
        Ok({"rm-category", m_wallet, "37", "--yes"});
        QCOMPARE(Count("cards"), 0);
        QCOMPARE(RunCli({"show", m_wallet, "38"}).status, 1);
    }

    void attachExtractDetach() {
        const QByteArray bytes = QByteArray(70000, 'k') + "end";
        WriteFile(Path("scan.pdf"), bytes);
        QCOMPARE(Ok({"attach", m_wallet, "38", "document", Path("scan.pdf")}).status, 0);
        QCOMPARE(Card("38")["attachments"]["document"]["name"].toString(), QStringLiteral("scan.pdf"));
        QCOMPARE(Count("attachments"), 1);
        QCOMPARE(RunCli({"attach", m_wallet, "38", "document", Path("scan.pdf")}).status, 1);

        const CliRun extracted = Ok({"extract", m_wallet, "38", "document"});
        const QString privatePath = extracted.out.trimmed();
        QVERIFY2(privatePath.startsWith(m_runtime.path()), Shown(extracted));
        QCOMPARE(FileBytes(privatePath), bytes);

        Ok({"extract", m_wallet, "38", "document", Path("copy.pdf")});
        QCOMPARE(FileBytes(Path("copy.pdf")), bytes);
        WriteFile(Path("copy.pdf"), "mine");
        QCOMPARE(RunCli({"extract", m_wallet, "38", "document", Path("copy.pdf")}).status, 1);
        QCOMPARE(FileBytes(Path("copy.pdf")), QByteArray("mine"));
        Ok({"extract", m_wallet, "38", "document", Path("copy.pdf"), "--yes"});
        QCOMPARE(FileBytes(Path("copy.pdf")), bytes);

        QCOMPARE(RunCli({"detach", m_wallet, "38", "document"}).status, 1);
        QCOMPARE(Count("attachments"), 1);
        Ok({"detach", m_wallet, "38", "document", "--yes"});
        QCOMPARE(Count("attachments"), 0);
        QCOMPARE(Card("38")["attachments"]["document"].toObject(), (QJsonObject{{"name", ""}, {"stream", ""}}));
        QCOMPARE(RunCli({"attach", m_wallet, "38", "image", Path("missing.png")}).status, 1);
    }

    void templatesTravelBetweenWallets() {
        const QString file = Path(QStringLiteral("card.kvt"));
        QFile::remove(file);
        QVERIFY2(Ok({"template-export", m_wallet, "9", file}).out.contains("successfully exported"), "message");
        const CliRun again = RunCli({"template-import", m_wallet, file});
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains("already exists in your wallet"), Shown(again));

        // A template of another wallet, with an internal name this one does not have.
        CCardTemplate custom(600);
        custom.ParseDefinition(QStringLiteral("Gym,540,Member,0,Code,3"));
        custom.internalName = QStringLiteral("Custom");
        QFile customFile(Path(QStringLiteral("gym.kvt")));
        QVERIFY(customFile.open(QIODevice::WriteOnly));
        {
            CArchive archive(customFile, CArchive::Mode::Store);
            custom.Serialize(archive);
            archive.Flush();
        }
        customFile.close();
        // The counter is at 39, so the import takes 539 and keeps the internal name of the file.
        QCOMPARE(Ok({"template-import", m_wallet, customFile.fileName()}).out, QStringLiteral("539\n"));
        const QJsonArray templates = RunCli({"templates", m_wallet, "--json"}).Json().array();
        QCOMPARE(templates.last()["id"].toInt(), 539);
        QCOMPARE(templates.last()["internalName"].toString(), QStringLiteral("Custom"));
        QCOMPARE(templates.last()["description"].toString(), QStringLiteral("Gym (Imported)"));
        QCOMPARE(templates.last()["fields"].toArray().size(), 2);
        // The template is found by its id and by its internal name.
        QCOMPARE(Ok({"add-card", m_wallet, "37", "539", "Gym card", "--value", "1=42"}).out, QStringLiteral("40\n"));
        QCOMPARE(Ok({"add-card", m_wallet, "37", "Custom", "Pool card"}).out, QStringLiteral("41\n"));
        QCOMPARE(Card("40")["values"][1].toString(), QStringLiteral("******"));
    }

    void exportWritesChosenCategories() {
        Ok({"add-card", m_wallet, "35", "9", "Hidden"});
        Ok({"export", m_wallet, Path("all.txt")});
        QCOMPARE(FileBytes(Path("all.txt")), QByteArray("Hidden\r\n\r\nVisa\r\nAcct #: 4111\r\n\r\n"));
        const CliRun run = Ok({"export", m_wallet, Path("open.xml"), "--xml", "--category", "37"});
        QVERIFY2(run.out.contains("The wallet was successfully exported to"), Shown(run));
        QVERIFY(FileBytes(Path("open.xml")).contains("<Category Description=\"Open\">\r\n<Card Description=\"Visa\">"));
        QVERIFY(!FileBytes(Path("open.xml")).contains("Hidden"));
        QCOMPARE(RunCli({"export", m_wallet, Path("open.xml"), "--xml"}).status, 1);
        QCOMPARE(RunCli({"export", m_wallet, Path("x.txt"), "--category", "99"}).status, 1);
        Ok({"rm-card", m_wallet, "38", "--yes"});
        Ok({"rm-card", m_wallet, "39", "--yes"});
        const CliRun empty = RunCli({"export", m_wallet, Path("none.txt")});
        QCOMPARE(empty.status, 1);
        QVERIFY2(empty.err.contains("You have no data to export."), Shown(empty));
        QVERIFY(!QFileInfo::exists(Path("none.txt")));
    }

    void passwd() {
        QVERIFY(Ok({"passwd", m_wallet}, "1357\n1357\n").out.contains("Password changed successfully!"));
        QCOMPARE(RunCli({"search", m_wallet, "v"}, "0000\n").status, 1);
        const CliRun wrong = RunCli({"passwd", m_wallet}, "0000\n2468\n2468\n");
        QCOMPARE(wrong.status, 1);
        QVERIFY2(wrong.err.contains("access refused: the password is wrong"), Shown(wrong));
        const CliRun same = RunCli({"passwd", m_wallet}, "1357\n1357\n1357\n");
        QCOMPARE(same.status, 1);
        QVERIFY2(same.err.contains("the password was not changed"), Shown(same));
        Ok({"passwd", m_wallet}, "1357\n2468\n2468\n");
        QCOMPARE(Ok({"search", m_wallet, "visa"}, "2468\n").out, QStringLiteral("38\tVisa\n"));
    }

    void compact() {
        WriteFile(Path("a.txt"), QByteArray(20000, 'a'));
        Ok({"attach", m_wallet, "38", "image", Path("a.txt")});
        Ok({"detach", m_wallet, "38", "image", "--yes"});
        const CliRun run = Ok({"compact", m_wallet});
        QVERIFY(run.out.contains("The wallet was successfully compacted"));
        QCOMPARE(Card("38")["description"].toString(), QStringLiteral("Visa"));
    }
};

QTEST_GUILESS_MAIN(TestCliChange)
#include "TestCliChange.moc"
