// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"

#include <QFile>
#include <QFileInfo>

class TestTemplateFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    void exportProposesSafeName() {
        WalletFixture f;
        f.MakeNew();
        CCardTemplate* bank = f.wallet->Templates().FindById(8);
        bank->description = QStringLiteral("Bank: a/b");
        f.prompts.SaveFile(QString());
        QVERIFY(!bank->ExportToFile(f.wallet->CipherMethod()));
        QCOMPARE(f.prompts.Asked().last(), QStringLiteral("save Bank - a b"));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void emptyTemplateFileSize() {
        WalletFixture f;
        CCardTemplate blank;
        blank.description.clear();
        f.prompts.SaveFile(f.Path("blank.kvt"));
        f.prompts.Message(QStringLiteral("This template has been successfully exported."), Prompts::Answer::Ok);
        QVERIFY(blank.ExportToFile(f.wallet->CipherMethod()));
        QCOMPARE(QFileInfo(f.Path("blank.kvt")).size(), 140);
    }

    void sameWalletRefusesTheImport() {
        WalletFixture f;
        f.MakeNew();
        f.prompts.SaveFile(f.Path("bank.kvt"));
        f.prompts.Message(QStringLiteral("successfully exported"), Prompts::Answer::Ok);
        QVERIFY(f.wallet->Templates().FindById(8)->ExportToFile(f.wallet->CipherMethod()));
        CCardTemplate incoming;
        f.prompts.OpenFile(f.Path("bank.kvt"));
        f.prompts.Message(QStringLiteral("\"Finance: Bank Account\" already exists in your wallet. It will not be "
                                         "imported."),
                          Prompts::Answer::Ok);
        QCOMPARE(incoming.ImportFromFile(f.wallet->CipherMethod()), 0);
        QCOMPARE(incoming.id, -1);
        QVERIFY(incoming.internalName.isEmpty());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void anotherWalletTakesTheTemplate() {
        WalletFixture f;
        f.MakeNew();
        CCardTemplate* source = f.wallet->Templates().FindById(8);
        source->internalName = QStringLiteral("A1B2C3");
        f.prompts.SaveFile(f.Path("bank.kvt"));
        f.prompts.Message(QStringLiteral("successfully exported"), Prompts::Answer::Ok);
        QVERIFY(source->ExportToFile(f.wallet->CipherMethod()));
        const CCardTemplate expected = *source;

        f.MakeNew();
        CCardTemplate incoming;
        f.prompts.OpenFile(f.Path("bank.kvt"));
        QCOMPARE(incoming.ImportFromFile(f.wallet->CipherMethod()), 1);
        QCOMPARE(incoming.description, expected.description);
        QCOMPARE(incoming.iconId, expected.iconId);
        QCOMPARE(incoming.internalName, QStringLiteral("A1B2C3"));
        QVERIFY(incoming.fields == expected.fields);
        QVERIFY(QFileInfo::exists(f.Path("bank.kvt")));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void damagedFilesAreRefused_data() {
        QTest::addColumn<int>("cut");
        QTest::newRow("empty") << 0;
        QTest::newRow("in the id") << 2;
        QTest::newRow("in a name") << 30;
        QTest::newRow("last byte") << -1;
    }

    void damagedFilesAreRefused() {
        QFETCH(int, cut);
        WalletFixture f;
        f.MakeNew();
        f.prompts.SaveFile(f.Path("t.kvt"));
        f.prompts.Message(QStringLiteral("successfully exported"), Prompts::Answer::Ok);
        QVERIFY(f.wallet->Templates().FindById(3)->ExportToFile(f.wallet->CipherMethod()));
        QByteArray bytes = FileBytes(f.Path("t.kvt"));
        bytes = cut < 0 ? bytes.left(bytes.size() - 1) : bytes.left(cut);
        QFile file(f.Path("t.kvt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        f.wallet->Templates().FindById(3)->internalName = QStringLiteral("gone");
        CCardTemplate incoming;
        f.prompts.OpenFile(f.Path("t.kvt"));
        f.prompts.Message(QStringLiteral("\"t.kvt\" could not be read"), Prompts::Answer::Ok);
        QCOMPARE(incoming.ImportFromFile(f.wallet->CipherMethod()), 0);
        QCOMPARE(incoming.description, QStringLiteral("New Template"));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void unreadableFile() {
        WalletFixture f;
        f.MakeNew();
        CCardTemplate incoming;
        f.prompts.OpenFile(f.Path("none.kvt"));
        f.prompts.Message(QStringLiteral("There was an error opening the selected file. Please try again."),
                          Prompts::Answer::Ok);
        QCOMPARE(incoming.ImportFromFile(f.wallet->CipherMethod()), 0);
        f.prompts.SaveFile(f.Path("no/such/folder/x.kvt"));
        f.prompts.Message(QStringLiteral("There was an error opening the selected file. Please try again."),
                          Prompts::Answer::Ok);
        QVERIFY(!incoming.ExportToFile(f.wallet->CipherMethod()));
        QVERIFY(f.prompts.Faults().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTemplateFiles)
#include "TestTemplateFiles.moc"
