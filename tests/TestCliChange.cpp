// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveBytes.h"
#include "CliRunner.h"
#include "SpecialFiles.h"
#include "TestFiles.h"
#include "base/FieldCipher.h"
#include "base/ResourceLibrary.h"
#include "model/CArchive.h"
#include "model/CCardTemplate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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
        const QString error = StartCliSuite(m_runtime);
        QVERIFY2(error.isEmpty(), qPrintable(error));
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

    // The file is readable; the disk that is full is the cause, and the wallet stays as it was.
    void attachOnAFullDiskNamesTheDisk() {
        const SmallDisk disk(Path("disk"), 512 * 1024);
        if (!disk.IsMounted())
            QSKIP("a small file system cannot be mounted here");
        const QString wallet = Path("disk/w.kvx");
        QVERIFY(QFile::copy(m_wallet, wallet));
        WriteFile(Path("scan.pdf"), QByteArray(3 << 20, 's'));
        QVERIFY(disk.Fill(0));
        const QByteArray before = FileBytes(wallet);
        const CliRun run = RunCli({"attach", wallet, "38", "document", Path("scan.pdf")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("could not be attached") && run.err.contains("No space left on device"), Shown(run));
        QCOMPARE(FileBytes(wallet), before);
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
            // Under the method of the wallet it goes into: a new wallet's.
            CArchive archive(customFile, CArchive::Mode::Store, FieldCipher::BlockOnly);
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

    // A template file does not name its cipher method: it is written and read under the method of the wallet, here
    // one of the substitution method, whatever method a new wallet would have.
    void templateFilesTakeTheWalletsMethod() {
        const QString wallet = Path(QStringLiteral("method2.kvx"));
        QFile::remove(wallet);
        QVERIFY(QFile::copy(QStringLiteral(KORVEL_TEST_SOURCE "/data/format/wallets/method2-no-password/wallet.kvx"),
                            wallet));
        QVERIFY(QFile::setPermissions(wallet, QFile::ReadOwner | QFile::WriteOwner));
        const QString exported = Path(QStringLiteral("simple.kvt"));
        QFile::remove(exported);
        QVERIFY2(Ok({"template-export", wallet, "3", exported}).out.contains("successfully exported"), "message");
        CCardTemplate simple;
        LoadBytes(simple, FileBytes(exported), FieldCipher::SubstituteThenBlock);
        QCOMPARE(simple.description, QStringLiteral("Simple"));
        QCOMPARE(simple.fields[0].name, QStringLiteral("Note"));

        simple.internalName = QStringLiteral("Elsewhere");
        const QString incoming = WriteFileBytes(Path(QStringLiteral("elsewhere.kvt")),
                                                StoredBytes(simple, FieldCipher::SubstituteThenBlock));
        QCOMPARE(Ok({"template-import", wallet, incoming}).status, 0);
        const QJsonObject imported = RunCli({"templates", wallet, "--json"}).Json().array().last().toObject();
        QCOMPARE(imported["description"].toString(), QStringLiteral("Simple (Imported)"));
        QCOMPARE(imported["fields"].toArray().at(0)["name"].toString(), QStringLiteral("Note"));
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

    // Every command that writes a file the user names: into a FIFO and a device they write, never replacing them; a
    // full device or disk fails with its cause; a regular file is replaced whole, keeping its permissions.
    void outputFiles_data() {
        QTest::addColumn<QStringList>("arguments"); // FILE stands for the output file
        QTest::newRow("export text") << QStringList{"export", "WALLET", "FILE"};
        QTest::newRow("export XML") << QStringList{"export", "WALLET", "FILE", "--xml"};
        QTest::newRow("extract") << QStringList{"extract", "WALLET", "38", "document", "FILE"};
        QTest::newRow("template-export") << QStringList{"template-export", "WALLET", "9", "FILE"};
    }

    void outputFiles() {
        QFETCH(QStringList, arguments);
        WriteFile(Path("scan.pdf"), Pattern(100000));
        Ok({"attach", m_wallet, "38", "document", Path("scan.pdf")});
        const auto run = [&](const QString& file, const QStringList& more = {}) {
            QStringList filled = arguments;
            filled.replace(filled.indexOf("WALLET"), m_wallet);
            filled.replace(filled.indexOf("FILE"), file);
            return RunCli(filled + more);
        };
        QFile::remove(Path("reference"));
        QCOMPARE(run(Path("reference")).status, 0);
        const QByteArray expected = FileBytes(Path("reference"));
        QVERIFY(!expected.isEmpty());

        QFile::remove(Path("fifo"));
        FifoReader reader(Path("fifo"));
        QVERIFY(reader.IsMade());
        const CliRun intoFifo = run(Path("fifo"));
        QVERIFY2(intoFifo.status == 0, Shown(intoFifo));
        QCOMPARE(reader.Finish(), expected);
        QVERIFY(IsFifo(Path("fifo")));

        WriteFile(Path("mine"), "mine");
        QVERIFY(QFile::setPermissions(Path("mine"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QCOMPARE(run(Path("mine"), {"--yes"}).status, 0);
        QCOMPARE(FileBytes(Path("mine")), expected);
        QCOMPARE(QFileInfo(Path("mine")).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::ReadGroup);

        const QString full = SafeDevice(QStringLiteral("/dev/full"), QDir(m_folder.path()));
        if (!full.isEmpty()) {
            const CliRun intoFull = run(full);
            QCOMPARE(intoFull.status, 1);
            QVERIFY2(intoFull.err.contains("No space left on device"), Shown(intoFull));
            QVERIFY(IsCharacterDevice(full));
            QFile::remove(Path("full"));
        }

        const SmallDisk disk(Path("disk"), 128 * 1024);
        if (!disk.IsMounted())
            QSKIP("a small file system cannot be mounted here");
        WriteFile(Path("disk/old"), "old");
        QVERIFY(disk.Fill(0));
        const CliRun onFullDisk = run(Path("disk/old"), {"--yes"});
        QCOMPARE(onFullDisk.status, 1);
        QVERIFY2(onFullDisk.err.contains("No space left on device"), Shown(onFullDisk));
        QCOMPARE(FileBytes(Path("disk/old")), QByteArray("old"));
        QCOMPARE(QDir(Path("disk")).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "old"}));
    }

    // The success comes only with the saved wallet: here the disk is too full to save it.
    void passwdReportsOnlyASavedChange() {
        const SmallDisk disk(Path("disk"), 256 * 1024);
        if (!disk.IsMounted())
            QSKIP("a small file system cannot be mounted here");
        const QString wallet = Path("disk/w.kvx");
        QVERIFY(QFile::copy(m_wallet, wallet));
        QVERIFY(disk.Fill(0));
        const CliRun run = RunCli({"passwd", wallet}, "1357\n1357\n");
        QCOMPARE(run.status, 1);
        QVERIFY2(!run.out.contains("Password changed successfully!"), Shown(run));
        QVERIFY2(run.err.contains("could not be saved"), Shown(run));
        QVERIFY(QFile::remove(Path("disk/filler")));
        QCOMPARE(RunCli({"search", wallet, "visa"}).out, QStringLiteral("38\tVisa\n"));
    }

    void emptyFileArgumentIsRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("create") << QStringList{"create", ""} << "WALLET is empty";
        QTest::newRow("export") << QStringList{"export", "WALLET", ""} << "FILE is empty";
        QTest::newRow("template-import") << QStringList{"template-import", "WALLET", ""} << "FILE is empty";
    }

    void emptyFileArgumentIsRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        arguments.replaceInStrings(QStringLiteral("WALLET"), m_wallet);
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), Shown(run));
    }

    // Reading one would wait for a writer that never comes, or never end.
    void templateImportReadsOnlyRegularFiles_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("FIFO without writer") << "fifo";
        QTest::newRow("endless device") << "/dev/zero";
        QTest::newRow("folder") << ".";
    }

    void templateImportReadsOnlyRegularFiles() {
        QFETCH(QString, source);
        QFile::remove(Path("fifo"));
        QCOMPARE(mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
        const CliRun run = RunCli({"template-import", m_wallet, QDir(m_folder.path()).filePath(source)});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("is not a regular file"), Shown(run));
    }

    // Paths are bytes; one that is not UTF-8 cannot be named again, so it is refused rather than taken for another.
    void argumentsMustBeUtf8() {
        const QByteArray folder = QFile::encodeName(m_folder.path());
        const CliRun refused = RunCliNative({"create", folder + "/w\xff.kvx"});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains("is not valid UTF-8"), Shown(refused));
        const QStringList before = QDir(m_folder.path()).entryList(QDir::Files);
        QVERIFY(!before.contains(QStringLiteral("w\uFFFD.kvx")));

        const QByteArray name = folder + "/w\xc3\xa4llet.kvx";
        QCOMPARE(RunCliNative({"create", name}).status, 0);
        QVERIFY(QFileInfo::exists(QFile::decodeName(name)));
        QCOMPARE(RunCliNative({"info", name}).status, 0);
    }

    // Texts of a wallet may hold terminal escape sequences; the plain output shows them instead of running them.
    void plainOutputEscapesControls() {
        const QString red = QStringLiteral("\x1b[31mRed\x1b[0m");
        QCOMPARE(Ok({"add-card", m_wallet, "37", "9", red, "--value", "0=a\ab", "--notes",
                     QStringLiteral("n1\r\nn2\u009B"
                                    "2J")})
                     .out,
                 QStringLiteral("39\n"));
        const QString name = Path(QStringLiteral("doc\x1b]0;title\x07.pdf"));
        WriteFile(name, "pdf");
        Ok({"attach", m_wallet, "39", "document", name});
        QString plain;
        for (const QStringList& arguments : {QStringList{"ls", m_wallet, "37"}, QStringList{"show", m_wallet, "39"},
                                             QStringList{"search", m_wallet, "red"}})
            plain += Ok(arguments).out;
        QVERIFY2(std::none_of(plain.begin(), plain.end(),
                              [](QChar c) { return c != u'\n' && c != u'\t' && c.category() == QChar::Other_Control; }),
                 qPrintable(plain));
        QVERIFY2(plain.contains(QStringLiteral("39\t\\x1B[31mRed\\x1B[0m\n")), qPrintable(plain));
        QVERIFY2(plain.contains(QStringLiteral("Acct #: a\\x07b\n")), qPrintable(plain));
        QVERIFY2(plain.contains(QStringLiteral("Document: doc\\x1B]0;title\\x07.pdf\n")), qPrintable(plain));
        QVERIFY2(plain.contains(QStringLiteral("Notes:\nn1\nn2\\x9B2J\n")), qPrintable(plain));
        const QJsonObject card = Card(QStringLiteral("39"));
        QCOMPARE(card["description"].toString(), red);
        QCOMPARE(card["attachments"]["document"]["name"].toString(), QFileInfo(name).fileName());
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
