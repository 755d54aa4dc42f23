// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

class TestAttachments : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase() {
        // Extracted files go to the user's runtime folder; here, a private one of the test's.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        WalletFixture::LoadLibrary();
    }
    void cleanup() { Clock::Release(); }

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

QTEST_GUILESS_MAIN(TestAttachments)
#include "TestAttachments.moc"
