// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"
#include "base/Utilities.h"
#include "document/WalletExport.h"
#include "model/CXmlDocument.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QByteArray kDeclaration = R"(<?xml version="1.0" encoding="windows-1252"?>)";

// Ids of the wallet below.
constexpr qint32 kBank = 100;
constexpr qint32 kEmpty = 101;
constexpr qint32 kQuoted = 102;
constexpr qint32 kForeign = 103;
} // namespace

class TestWalletExport : public QObject {
    Q_OBJECT

    // A wallet with one template ("Number", "PIN", "Site") and four categories: cards with one field, with notes and
    // with none; a category without cards; markup in names; characters windows-1252 lacks; a card whose category is
    // gone.
    static void Fill(CWallet& wallet) {
        auto cardTemplate = std::make_unique<CCardTemplate>(1);
        cardTemplate->ParseDefinition(QStringLiteral("Account,530,Number,0,PIN,3,Site,4"));
        cardTemplate->internalName = QStringLiteral("T");
        wallet.AddTemplate(std::move(cardTemplate));
        const std::pair<qint32, const char*> categories[] = {
            {kBank, "Bank & Co"}, {kEmpty, "Empty"}, {kQuoted, "Say \"hi\""}, {kForeign, "Café ☕"}};
        for (const auto& [id, name] : categories) {
            auto category = std::make_unique<CCategory>(id);
            category->description = QString::fromUtf8(name);
            wallet.AddCategory(std::move(category));
        }
        AddCard(wallet, 200, kBank, "Visa", {{0, "4111"}});
        AddCard(wallet, 201, kQuoted, "Tom & \"Jerry\"", {{2, "a&b<c>"}});
        AddCard(wallet, 202, kBank, "Mail", {{1, "1234"}}, "line 1\r\nline 2");
        AddCard(wallet, 203, 999, "Orphan", {{0, "lost"}});
        AddCard(wallet, 204, kForeign, "Ω €", {{0, "√2"}});
        AddCard(wallet, 205, kBank, "Zeta", {});
    }

    static void AddCard(CWallet& wallet, qint32 id, qint32 category, const char* description,
                        std::initializer_list<std::pair<int, const char*>> values, const char* notes = "") {
        auto card = std::make_unique<CCard>(id);
        card->categoryId = category;
        card->templateName = QStringLiteral("T");
        card->description = QString::fromUtf8(description);
        for (const auto& [slot, value] : values)
            card->values.Set(size_t(slot), QString::fromUtf8(value));
        card->notes = QString::fromUtf8(notes);
        wallet.AddCard(std::move(card));
    }

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    void writesFilesByteForByte_data() {
        QTest::addColumn<bool>("xml");
        QTest::addColumn<QList<qint32>>("categories");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray bank = "Visa\r\nNumber: 4111\r\n\r\n"
                                "Mail\r\nPIN: 1234\r\nNotes:\r\nline 1\r\nline 2\r\n"
                                "Zeta\r\n\r\n";
        QTest::newRow("text, one category") << false << QList<qint32>{kBank} << bank;
        QTest::newRow("text, category order, not ticking order")
            << false << QList<qint32>{kForeign, kEmpty, kBank} << bank + QByteArray("Ω €\r\nNumber: √2\r\n\r\n");
        QTest::newRow("text, only an empty category") << false << QList<qint32>{kEmpty} << QByteArray();
        QTest::newRow("text, nothing ticked") << false << QList<qint32>{} << QByteArray();
        QTest::newRow("text, gone category is never exported") << false << QList<qint32>{999} << QByteArray();

        QTest::newRow("xml, nothing ticked") << true << QList<qint32>{} << kDeclaration + "<Korvel/>\r\n";
        QTest::newRow("xml, empty category") << true << QList<qint32>{kEmpty}
                                             << kDeclaration + "<Korvel>\r\n"
                                                               "<Category Description=\"Empty\"/>\r\n"
                                                               "</Korvel>\r\n";
        QTest::newRow("xml, all") << true << QList<qint32>{kBank, kEmpty, kQuoted, kForeign}
                                  << kDeclaration + "<Korvel>\r\n"
                                                    "<Category Description=\"Bank &amp; Co\">\r\n"
                                                    "<Card Description=\"Visa\">\r\n"
                                                    "<Field Description=\"Number\">4111</Field>\r\n"
                                                    "</Card>\r\n"
                                                    "<Card Description=\"Mail\">\r\n"
                                                    "<Field Description=\"PIN\">1234</Field>\r\n"
                                                    "<Notes>line 1\r\nline 2</Notes>\r\n"
                                                    "</Card>\r\n"
                                                    "<Card Description=\"Zeta\"/>\r\n"
                                                    "</Category>\r\n"
                                                    "<Category Description=\"Empty\"/>\r\n"
                                                    "<Category Description=\"Say &quot;hi&quot;\">\r\n"
                                                    "<Card Description=\"Tom &amp; &quot;Jerry&quot;\">\r\n"
                                                    "<Field Description=\"Site\">a&amp;b&lt;c&gt;</Field>\r\n"
                                                    "</Card>\r\n"
                                                    "</Category>\r\n"
                                                    "<Category Description=\"Caf\xE9 &#9749;\">\r\n"
                                                    "<Card Description=\"&#937; \x80\">\r\n"
                                                    "<Field Description=\"Number\">&#8730;2</Field>\r\n"
                                                    "</Card>\r\n"
                                                    "</Category>\r\n"
                                                    "</Korvel>\r\n";
    }

    void writesFilesByteForByte() {
        QFETCH(bool, xml);
        QFETCH(QList<qint32>, categories);
        QFETCH(QByteArray, expected);
        WalletFixture f;
        Fill(*f.wallet);
        const QString path = f.Path(QStringLiteral("out"));
        QString error;
        QVERIFY2(WalletExport::Write(*f.wallet, categories,
                                     xml ? WalletExport::Format::Xml : WalletExport::Format::Text, path, error),
                 qPrintable(error));
        QCOMPARE(FileBytes(path), expected);
    }

    // The XML export writes what building the document with the XML model and saving it writes, also for every
    // 16-bit unit (lone surrogates included), characters beyond the BMP, markup in every text and a card whose
    // template is gone.
    void xmlIsWhatTheModelSaves() {
        WalletFixture f;
        Fill(*f.wallet);
        QString every;
        for (char32_t u = 1; u <= 0xFFFF; ++u)
            every += QChar(char16_t(u));
        AddCard(*f.wallet, 206, kForeign, "\xF0\x9F\x94\x91 'key' <&>", {{0, "x"}, {2, "\xF0\x90\x90\x80"}});
        f.wallet->Cards().FindById(206)->notes = every + QChar(0xD800) + QStringLiteral("a") + QChar(0xDC00);
        AddCard(*f.wallet, 207, kEmpty, "No template", {{4, "v"}}, "n");
        f.wallet->Cards().FindById(207)->templateName = QStringLiteral("gone");
        f.wallet->Templates().FindByInternalName(QStringLiteral("T"))->fields[2].name = QStringLiteral("S\"i<t>e&'");
        const QList<qint32> all = {kBank, kEmpty, kQuoted, kForeign};

        CXmlDocument model(LoadResString(kStrXmlDeclaration));
        QVERIFY(model.AddElem(LoadResString(kStrAppTitle)));
        for (const CCategory* category : f.wallet->Categories()) {
            QVERIFY(model.AddChildElem(LoadResString(kStrCategory)) && model.IntoElem());
            QVERIFY(model.SetAttrib(LoadResString(kStrDescription), category->description));
            for (const CCard* card : f.wallet->Cards()) {
                if (card->categoryId == category->id)
                    QVERIFY(model.AddChildSubDoc(card->GetText(true)));
            }
            QVERIFY(model.OutOfElem());
        }
        const QString modelPath = f.Path(QStringLiteral("model.xml"));
        QVERIFY(model.Save(modelPath));

        const QString path = f.Path(QStringLiteral("out.xml"));
        QString error;
        QVERIFY2(WalletExport::Write(*f.wallet, all, WalletExport::Format::Xml, path, error), qPrintable(error));
        const QByteArray expected = FileBytes(modelPath);
        QVERIFY(expected.size() > 0xFFFF);
        QCOMPARE(FileBytes(path), expected);
    }

    // Field names come from the exported wallet's templates, also when the records reach another wallet (the one
    // made first).
    void xmlNamesFieldsFromTheExportedWallet() {
        WalletFixture f;
        CWallet exported;
        Fill(exported);
        const QString path = f.Path(QStringLiteral("out.xml"));
        QString error;
        QVERIFY2(WalletExport::Write(exported, {kBank}, WalletExport::Format::Xml, path, error), qPrintable(error));
        QVERIFY(FileBytes(path).contains("<Field Description=\"Number\">4111</Field>"));
    }

    // A target that cannot be created is reported, never passed off as written.
    void failureSaysWhy_data() {
        QTest::addColumn<bool>("xml");
        QTest::addColumn<QString>("target");
        for (bool xml : {false, true}) {
            const char* format = xml ? "xml" : "text";
            QTest::addRow("%s, missing folder", format) << xml << QStringLiteral("missing/out");
            QTest::addRow("%s, a folder", format) << xml << QStringLiteral("folder");
        }
    }

    void failureSaysWhy() {
        QFETCH(bool, xml);
        QFETCH(QString, target);
        WalletFixture f;
        Fill(*f.wallet);
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("folder")));
        QString error;
        QVERIFY(!WalletExport::Write(*f.wallet, {kBank}, xml ? WalletExport::Format::Xml : WalletExport::Format::Text,
                                     f.Path(target), error));
        QVERIFY(error.startsWith(QStringLiteral("There was an error opening the selected file.")));
        QVERIFY(QFileInfo(f.Path(QStringLiteral("folder"))).isDir());
    }
};

QTEST_GUILESS_MAIN(TestWalletExport)
#include "TestWalletExport.moc"
