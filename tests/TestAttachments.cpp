// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {
// A run of the program in a child process with an attachment open: it prints the copy's path and keeps it until its
// input ends, or until it is killed, as by a crash.
int HoldOpenedCopy() {
    const QString folder = CAttachment::OpenedCopiesFolder();
    if (folder.isEmpty())
        return 1;
    const QString copy = WriteFileBytes(QDir(folder).filePath(QStringLiteral("statement.pdf")), "plain text");
    std::printf("%s\n", QFile::encodeName(copy).constData());
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CAttachment::RemoveOpenedCopies();
    return 0;
}
} // namespace

class TestAttachments : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase() {
        // Extracted files go to the user's runtime folder; here, a private one of the test's.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        WalletFixture::LoadLibrary();
    }
    void cleanup() {
        Clock::Release();
        CAttachment::RemoveOpenedCopies();
    }

    void streamNames() {
        QCOMPARE(CAttachment::MakeStreamName(QDateTime(QDate(2003, 7, 5), QTime(9, 4, 3))),
                 QStringLiteral("200375943"));
        QCOMPARE(CAttachment::MakeStreamName(QDateTime(QDate(2024, 11, 30), QTime(23, 59, 0))),
                 QStringLiteral("2024113023590"));
    }

    // Once the wallet is saved, the file picker comes as if the wallet had had its file all along.
    void insertingIntoUnsavedWalletAsksToSave() {
        WalletFixture f;
        f.MakeNew();
        CAttachment slot;
        slot.filterId = CAttachment::kImageFilter;
        f.prompts.Message(QStringLiteral("Before attaching files, your wallet must be saved."), Prompts::Answer::No);
        QCOMPARE(slot.StoreFile(), 0);
        f.prompts.Message(QStringLiteral("Before attaching files"), Prompts::Answer::Yes);
        f.prompts.SaveFile(QString());
        QCOMPARE(slot.StoreFile(), 0);
        f.prompts.Message(QStringLiteral("Before attaching files"), Prompts::Answer::Yes);
        f.prompts.SaveFile(f.Path("saved.kvx"));
        f.prompts.OpenFile(WriteFileBytes(f.Path("scan.png"), "png"));
        QCOMPARE(slot.StoreFile(), 1);
        QCOMPARE(slot.description, QStringLiteral("scan.png"));
        QCOMPARE(f.wallet->PathName(), f.Path("saved.kvx"));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void insertAndExtract_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("three blocks") << 8001;
        QTest::newRow("large") << 3 * 1024 * 1024 + 17;
    }

    void insertAndExtract() {
        QFETCH(int, size);
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("a.kvx")));
        const QByteArray bytes = Pattern(size);
        const QString source = WriteFileBytes(f.Path("scan.jpg"), bytes);
        CAttachment slot;
        slot.filterId = CAttachment::kImageFilter;
        f.prompts.OpenFile(source);
        QCOMPARE(slot.StoreFile(), 1);
        QCOMPARE(slot.description, QStringLiteral("scan.jpg"));
        QCOMPARE(slot.path, source);
        QVERIFY(QFileInfo::exists(source));
        QString extracted;
        QCOMPARE(slot.ExtractFile(extracted), 1);
        QCOMPARE(FileBytes(extracted), bytes);
        QCOMPARE(QFileInfo(extracted).fileName(), QStringLiteral("scan.jpg"));
        QVERIFY(extracted.startsWith(m_runtime.path()));
        QCOMPARE(QFileInfo(extracted).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void twoInsertsInOneSecond() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("t.kvx")));
        Clock::Freeze(QDateTime(QDate(2011, 1, 1), QTime(10, 0, 0)));
        CCard* card = f.AddCard(QStringLiteral("Two"));
        CAttachment& first = card->image();
        CAttachment& second = card->document();
        for (CAttachment* slot : {&first, &second})
            QVERIFY(f.Attach(*slot, "doc.txt", "text"));
        QCOMPARE(first.streamName, QStringLiteral("2011111000"));
        QCOMPARE(second.streamName, QStringLiteral("2011111001"));
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(f.wallet->CountAttachments(), 2);
    }

    void failedInsertLeavesSlot() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("x.kvx")));
        CAttachment slot;
        slot.description = QStringLiteral("old.png");
        slot.streamName = QStringLiteral("1999");
        f.prompts.OpenFile(QString());
        QCOMPARE(slot.StoreFile(), 0);
        f.prompts.OpenFile(f.Path("missing.bin"));
        QCOMPARE(slot.StoreFile(), 0);
        QCOMPARE(slot.description, QStringLiteral("old.png"));
        QCOMPARE(slot.streamName, QStringLiteral("1999"));
        QCOMPARE(f.wallet->CountAttachments(), 0);
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void extractionStaysInPrivateFolder_data() {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("climbing") << QStringLiteral("../../x") << QStringLiteral("x");
        QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << QStringLiteral("passwd");
        QTest::newRow("backslashes") << QStringLiteral("..\\..\\evil.exe") << QStringLiteral("evil.exe");
        QTest::newRow("dots only") << QStringLiteral("..") << QStringLiteral("attachment");
        QTest::newRow("empty") << QString() << QStringLiteral("attachment");
        QTest::newRow("control") << QStringLiteral("a\nb") << QStringLiteral("a_b");
    }

    void extractionStaysInPrivateFolder() {
        QFETCH(QString, displayName);
        QFETCH(QString, fileName);
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("e.kvx")));
        CAttachment slot;
        f.prompts.OpenFile(WriteFileBytes(f.Path("in.bin"), "data"));
        QCOMPARE(slot.StoreFile(), 1);
        slot.description = displayName;
        QString extracted;
        QCOMPARE(slot.ExtractFile(extracted), 1);
        QCOMPARE(QFileInfo(extracted).fileName(), fileName);
        QCOMPARE(QFileInfo(extracted).absolutePath(), CAttachment::ExtractionFolder());
        QCOMPARE(FileBytes(extracted), QByteArray("data"));
    }

    // Copies opened for viewing stay with the run that opened them: they go when it ends, or, when it crashed, at a
    // later start, which never touches those of a run still going nor what extract left in the folder.
    void openedCopiesGoWithTheirRun() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("o.kvx")));
        CAttachment slot;
        f.prompts.OpenFile(WriteFileBytes(f.Path("scan.png"), "pixels"));
        f.prompts.Message(QStringLiteral("has been attached"), Prompts::Answer::Ok);
        QCOMPARE(slot.StoreFile(), 1);
        QString mine;
        QCOMPARE(slot.ExtractForOpening(mine), 1);
        QCOMPARE(FileBytes(mine), QByteArray("pixels"));
        const QString folder = QFileInfo(mine).absolutePath();
        QCOMPARE(folder, CAttachment::OpenedCopiesFolder());
        QCOMPARE(QFileInfo(folder).absolutePath(), CAttachment::ExtractionFolder());
        QCOMPARE(int(QFile::permissions(folder) & 0x0077), 0);
        QString extracted;
        QCOMPARE(slot.ExtractFile(extracted), 1);

        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hold-opened-copy")});
        QVERIFY(other.waitForStarted());
        while (!other.canReadLine() && other.waitForReadyRead(20000)) {
        }
        const QString theirs = QFile::decodeName(other.readLine().trimmed());
        QVERIFY2(QFile::exists(theirs), qPrintable(theirs));
        const QString theirFolder = QFileInfo(theirs).absolutePath();
        QVERIFY(theirFolder != folder);

        // Both runs are going: nothing is a leftover.
        CAttachment::RemoveLeftoverCopies();
        QVERIFY(QFile::exists(mine));
        QVERIFY(QFile::exists(theirs));

        // The other run crashes: its copy goes at the next start, folder, lock and all.
        other.kill();
        QVERIFY(other.waitForFinished());
        QVERIFY(QFile::exists(theirs));
        CAttachment::RemoveLeftoverCopies();
        QVERIFY(!QFileInfo::exists(theirFolder));
        QVERIFY(QFile::exists(mine));
        QVERIFY(QFile::exists(extracted));

        // This run ends: its copies go with it, and the next opening makes a folder anew.
        CAttachment::RemoveOpenedCopies();
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(QDir(CAttachment::ExtractionFolder()).entryList({QStringLiteral("run-*")}, QDir::AllEntries),
                 QStringList());
        QCOMPARE(slot.ExtractForOpening(mine), 1);
        QVERIFY(QFileInfo(mine).absolutePath() != folder);
        CAttachment::RemoveOpenedCopies();
        QVERIFY(!QFile::exists(mine));
        QVERIFY(QFile::remove(extracted));
    }

    void removeStream() {
        WalletFixture f;
        f.MakeNew();
        CAttachment empty;
        QCOMPARE(empty.RemoveStream(), 1);
        QVERIFY(f.SaveAs(QStringLiteral("r.kvx")));
        CAttachment slot;
        f.prompts.OpenFile(WriteFileBytes(f.Path("in.bin"), "data"));
        QCOMPARE(slot.StoreFile(), 1);
        f.wallet->SetModified(false);
        QCOMPARE(slot.RemoveStream(), 1);
        QVERIFY(!slot.IsAttached());
        QCOMPARE(slot.description, QStringLiteral("in.bin"));
        QCOMPARE(f.wallet->CompactCounter(), 1);
        QVERIFY(f.wallet->IsModified());
        QCOMPARE(f.wallet->CountAttachments(), 0);
        QString extracted;
        QCOMPARE(slot.ExtractFile(extracted), 0);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "hold-opened-copy") == 0)
        return HoldOpenedCopy();
    TestAttachments test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestAttachments.moc"
