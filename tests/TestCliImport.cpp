// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// korvel-cli import: what it saves, what it prints, and that a refused file leaves the wallet file as it was.
class TestCliImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_folder;
    QString m_wallet;

    static QString Sample(const char* name) {
        return QStringLiteral(KORVEL_TEST_SOURCE "/data/import/") + QLatin1StringView(name);
    }

    QJsonObject Info() { return RunCli({"info", m_wallet, "--json"}).Json().object(); }

private Q_SLOTS:
    void initTestCase() {
        const QString error = StartCliSuite(m_runtime);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init() {
        m_wallet = m_folder.filePath(QStringLiteral("w.kvx"));
        QFile::remove(m_wallet);
        QCOMPARE(RunCli({"create", m_wallet}).status, 0);
    }

    void importsAndSavesOnce() {
        const CliRun run = RunCli({"import", m_wallet, Sample("keepass.xml")});
        QVERIFY2(run.status == 0, Shown(run));
        QVERIFY2(run.out.startsWith(QStringLiteral("Imported 3 entries: 2 categories, 4 cards and 1 templates made, 5 "
                                                   "attached files placed, 0 values moved to notes, 1 extra cards")),
                 Shown(run));
        QVERIFY(run.out.contains(QStringLiteral("\"Online banking\": 3 attached files on extra cards")));
        const QJsonObject info = Info();
        QCOMPARE(info[QStringLiteral("cards")].toInt(), 4);
        QCOMPARE(info[QStringLiteral("attachments")].toInt(), 5);
        // The wallet exported as text holds the values of the export.
        const QString text = m_folder.filePath(QStringLiteral("w.txt"));
        const CliRun exported = RunCli({"export", m_wallet, text}, "");
        QVERIFY2(exported.status == 0, Shown(exported));
        const QString exportedText = QString::fromUtf8(FileBytes(text));
        for (const char* value : {"anna", "s3cr\xC3\xA9t<>", "pin-0815", "A1 B2 C3", "Frau Wei\xC3\x9F"})
            QVERIFY2(exportedText.contains(QString::fromUtf8(value)), value);
    }

    // KeePassXC's XML export names attached files that it leaves out: every entry comes in, and the output names those
    // that lost files.
    void attachedFilesTheExportDoesNotHold() {
        const CliRun run = RunCli({"import", m_wallet, Sample("keepassxc-no-binaries.xml")});
        QVERIFY2(run.status == 0, Shown(run));
        QVERIFY2(run.out.contains(QStringLiteral("were left out of 2 entries: \"Tax office\", \"Passport\"")),
                 Shown(run));
        QCOMPARE(Info()[QStringLiteral("cards")].toInt(), 3);
        QCOMPARE(Info()[QStringLiteral("attachments")].toInt(), 0);
    }

    void formatAndCategoryOptions() {
        const CliRun run =
            RunCli({"import", m_wallet, Sample("chrome.csv"), "--format", "csv", "--category", "Browser"});
        QVERIFY2(run.status == 0, Shown(run));
        const QJsonArray categories = RunCli({"ls", m_wallet, "--json"}).Json().array();
        bool found = false;
        for (const QJsonValue category : categories)
            found = found || category.toObject()[QStringLiteral("description")].toString() == u"Browser";
        QVERIFY2(found, qPrintable(RunCli({"ls", m_wallet}).out));
        const CliRun wrong = RunCli({"import", m_wallet, Sample("chrome.csv"), "--format", "keepass-xml"});
        QCOMPARE(wrong.status, 1);
        QVERIFY2(wrong.err.contains(QStringLiteral("line 1")), Shown(wrong));
        QCOMPARE(RunCli({"import", m_wallet, Sample("chrome.csv"), "--format", "pdf"}).status, 2);
    }

    void dryRunAndRefusedFilesChangeNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("dry run") << QStringList{"--dry-run"} << FileBytes(Sample("bitwarden.json")) << 0
                                 << "Would import 7 entries";
        QTest::newRow("truncated xml") << QStringList{} << FileBytes(Sample("keepass.xml")).left(2500) << 1
                                       << "nothing imported";
        QTest::newRow("billion laughs")
            << QStringList{}
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                          "<KeePassFile>&b;</KeePassFile>")
            << 1 << "document type";
        QTest::newRow("broken csv") << QStringList{} << QByteArray("name,password\nok,1\n\"open,2\n") << 1 << "line 3";
        QTest::newRow("encrypted json") << QStringList{} << QByteArray("{\"encrypted\":true,\"data\":\"x\"}") << 1
                                        << "encrypted Bitwarden export";
        const QByteArray notes = "title,notes\na," + QByteArray(300000, 'n') + "\nb," + QByteArray(300000, 'n') + '\n';
        QTest::newRow("beyond the total") << QStringList{"--max-total", "1"} << notes << 1
                                          << "more than 1 MiB of attached files and texts, the limit for one import";
        QTest::newRow("no total") << QStringList{"--max-total", "0"} << notes << 2 << "--max-total takes a number";
        QTest::newRow("no file size") << QStringList{"--max-attachment", "x"} << notes << 2
                                      << "--max-attachment takes a number";
    }

    void dryRunAndRefusedFilesChangeNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        QFETCH(QString, output);
        const QString input = WriteFileBytes(m_folder.filePath(QStringLiteral("input")), content);
        const QByteArray before = FileBytes(m_wallet);
        const CliRun run = RunCli(QStringList{"import", m_wallet, input} + arguments);
        QVERIFY2(run.status == status, Shown(run));
        QVERIFY2((run.out + run.err).contains(output), Shown(run));
        QVERIFY(FileBytes(m_wallet) == before);
    }

    // Entries for a category of the wallet that requires the password go into it only once the password is given.
    void reusedProtectedCategoryAsksForThePassword() {
        QFile::remove(m_wallet);
        QCOMPARE(RunCli({"create", m_wallet, "--password"}, "2468\n2468\n").status, 0);
        const CliRun made = RunCli({"add-category", m_wallet, "Mail"}, "2468\n");
        QVERIFY2(made.status == 0, Shown(made));
        const QString input = WriteFileBytes(m_folder.filePath(QStringLiteral("mail.csv")),
                                             "name,username,password,folder\nPost,anna,pw,Mail\n");
        const QByteArray before = FileBytes(m_wallet);
        CliRun run = RunCli({"import", m_wallet, input}, "1357\n");
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("password is wrong")), Shown(run));
        QVERIFY(FileBytes(m_wallet) == before);
        run = RunCli({"import", m_wallet, input}, "2468\n");
        QVERIFY2(run.status == 0 && run.out.contains(QStringLiteral("0 categories")), Shown(run));
        run = RunCli({"ls", m_wallet, made.out.trimmed(), "--json"}, "2468\n");
        QVERIFY2(run.out.contains(QStringLiteral("Post")), Shown(run));
    }
};

QTEST_GUILESS_MAIN(TestCliImport)
#include "TestCliImport.moc"
