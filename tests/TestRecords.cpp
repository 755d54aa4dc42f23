// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWallet.h"
#include "model/FieldType.h"

#include <QTest>

namespace {
void AddTemplate(CWallet& wallet, qint32 id, const QString& definition) {
    auto cardTemplate = std::make_unique<CCardTemplate>(id);
    cardTemplate->ParseDefinition(definition);
    cardTemplate->internalName = QString::number(id);
    wallet.AddTemplate(std::move(cardTemplate));
}

CCard* AddCard(CWallet& wallet, const QString& templateName, const QString& description) {
    auto card = std::make_unique<CCard>(wallet.NextId());
    card->templateName = templateName;
    card->description = description;
    CCard* raw = card.get();
    wallet.AddCard(std::move(card));
    return raw;
}

QList<qint32> Ids(const CCardList& list) {
    QList<qint32> ids;
    for (const CCard* card : list)
        ids.append(card->id);
    return ids;
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseDefinition_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("types");
        QTest::newRow("website") << QStringLiteral("Online: Website,547,URL,4,Username,0,Password,3,Email,5")
                                 << QStringLiteral("Online: Website") << 547
                                 << QStringList{"URL", "Username", "Password", "Email"} << QList<int>{4, 0, 3, 5};
        QTest::newRow("notes") << QStringLiteral("Generic: Notes,534,Subject,0,Date/Time,0")
                               << QStringLiteral("Generic: Notes") << 534 << QStringList{"Subject", "Date/Time"}
                               << QList<int>{0, 0};
        QTest::newRow("comma runs") << QStringLiteral(",,Bank,,520,,Acct,7,,") << QStringLiteral("Bank") << 520
                                    << QStringList{"Acct"} << QList<int>{7};
        QTest::newRow("name without type") << QStringLiteral("Pet,571,Name,0,Breed") << QStringLiteral("Pet") << 571
                                           << QStringList{"Name", "Breed"} << QList<int>{0, 0};
        QTest::newRow("letters and digits") << QStringLiteral("X,abc,F,3xyz,G, -2") << QStringLiteral("X") << 0
                                            << QStringList{"F", "G"} << QList<int>{3, -2};
        QTest::newRow("blanks kept") << QStringLiteral(" Spaced , 12,A ,1") << QStringLiteral(" Spaced ") << 12
                                     << QStringList{"A "} << QList<int>{1};
    }

    void parseDefinition() {
        QFETCH(QString, text);
        QFETCH(QString, description);
        QFETCH(int, icon);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, types);
        CCardTemplate t;
        t.ParseDefinition(text);
        QCOMPARE(t.description, description);
        QCOMPARE(t.iconId, icon);
        QCOMPARE(t.fields.UsedCount(), names.size());
        for (int i = 0; i < CTemplateFieldArray::kMaxFields; ++i) {
            QCOMPARE(t.fields[i].name, i < names.size() ? names[i] : QString());
            QCOMPARE(t.fields[i].type, i < types.size() ? types[i] : 0);
        }
    }

    void parseDefinitionNeverWritesPastFifteenSlots() {
        QString text = QStringLiteral("Big,1");
        for (int i = 0; i < 20; ++i)
            text += QStringLiteral(",F%1,%2").arg(i).arg(i % 8);
        CCardTemplate t;
        t.ParseDefinition(text);
        QCOMPARE(t.fields.UsedCount(), 15);
        QCOMPARE(t.fields[14].name, QStringLiteral("F14"));
    }

    void fieldTypeNames() {
        QCOMPARE(FieldTypes::DisplayName(0), QStringLiteral("<Default>"));
        QCOMPARE(FieldTypes::DisplayName(3), QStringLiteral("Password/PIN"));
        QCOMPARE(FieldTypes::DisplayName(7), QStringLiteral("Money/Currency"));
        QCOMPARE(FieldTypes::DisplayName(9), QStringLiteral("Unknown"));
        QCOMPARE(FieldTypes::DisplayName(-1), QStringLiteral("Unknown"));
    }

    void insertKeepsIdOrderAndRefusesDuplicates() {
        CCardList list;
        for (int id : {5, 3, 9, 4}) {
            auto card = std::make_unique<CCard>(id);
            QVERIFY(list.InsertInIdOrder(card));
            QVERIFY(!card);
        }
        QCOMPARE(Ids(list), (QList<qint32>{3, 4, 5, 9}));
        auto again = std::make_unique<CCard>(5);
        QVERIFY(!list.InsertInIdOrder(again));
        QVERIFY(again);
        QCOMPARE(list.Count(), 4);
    }

    void findByIdOverListShapes() {
        CCardList list;
        QVERIFY(!list.FindById(1));
        auto one = std::make_unique<CCard>(10);
        list.InsertInIdOrder(one);
        QVERIFY(!list.FindById(11));
        QCOMPARE(list.FindById(10)->id, 10);
        for (int id = 20; id <= 2000; id += 2) {
            auto card = std::make_unique<CCard>(id);
            list.InsertInIdOrder(card);
        }
        QCOMPARE(list.FindById(10)->id, 10);
        QCOMPARE(list.FindById(2000)->id, 2000);
        for (int id = 20; id <= 2000; id += 2)
            QVERIFY(list.FindById(id));
        QVERIFY(!list.FindById(21));
        QVERIFY(!list.FindById(15));
        QVERIFY(!list.FindById(2001));
        QVERIFY(!list.FindById(-10));
    }

    void removeHandsRecordToCaller() {
        CCardList list;
        for (int id : {1, 2, 3}) {
            auto card = std::make_unique<CCard>(id);
            list.InsertInIdOrder(card);
        }
        std::unique_ptr<CCard> taken = list.RemoveById(2);
        QVERIFY(taken);
        QCOMPARE(taken->id, 2);
        QCOMPARE(Ids(list), (QList<qint32>{1, 3}));
        QVERIFY(!list.RemoveById(2));
        list.DeleteAll();
        QVERIFY(list.IsEmpty());
    }

    void newCardsTakeWalletDefaults() {
        {
            CCard orphan;
            QCOMPARE(orphan.hidePasswords, 1);
            QCOMPARE(orphan.backColor, 0xFFFFFFu);
        }
        CWallet wallet;
        {
            CWallet::Settings settings = wallet.GetSettings();
            settings.hidePasswordsDefault = 0;
            settings.boldFieldNamesDefault = 1;
            settings.defaultBackColor = 0x00102030;
            settings.defaultTextColor = 0x00405060;
            wallet.SetSettings(settings);
        }
        CCard card(3);
        QCOMPARE(card.id, 3);
        QCOMPARE(card.iconId, 500);
        QCOMPARE(card.hidePasswords, 0);
        QCOMPARE(card.boldNames, 1);
        QCOMPARE(card.backColor, 0x00102030u);
        QCOMPARE(card.textColor, 0x00405060u);
    }

    void cardCopyLeavesIdAndAttachments() {
        CCard source(4);
        source.description = QStringLiteral("Passport");
        source.templateName = QStringLiteral("12");
        source.categoryId = 2;
        source.hidePasswords = 0;
        source.textColor = 0xFF;
        source.notes = QStringLiteral("n");
        source.values.Set(3, QStringLiteral("X123"));
        source.image().streamName = QStringLiteral("2003759");
        source.image().description = QStringLiteral("p.jpg");
        CCard copy(9);
        copy.CopyFrom(source);
        QCOMPARE(copy.id, 9);
        QCOMPARE(copy.description, source.description);
        QCOMPARE(copy.templateName, source.templateName);
        QCOMPARE(copy.categoryId, 2);
        QCOMPARE(copy.hidePasswords, 0);
        QCOMPARE(copy.textColor, 0xFFu);
        QCOMPARE(copy.notes, source.notes);
        QVERIFY(copy.values == source.values);
        QVERIFY(!copy.image().IsAttached());
        QVERIFY(copy.image().description.isEmpty());
    }

    void templateCopyAndNames() {
        CWallet wallet;
        AddTemplate(wallet, 7, QStringLiteral("Bank,520,Acct,7,PIN,3"));
        CCardTemplate copy(600);
        copy.internalName = QStringLiteral("ABC");
        copy.CopyFrom(*wallet.Templates().FindById(7));
        QCOMPARE(copy.id, 600);
        QCOMPARE(copy.internalName, QStringLiteral("ABC"));
        QCOMPARE(copy.description, QStringLiteral("Bank"));
        QVERIFY(copy.fields == wallet.Templates().FindById(7)->fields);

        QCOMPARE(wallet.Templates().IdOfInternalName(QStringLiteral("7")), 7);
        QCOMPARE(wallet.Templates().IdOfInternalName(QString()), 0);
        QCOMPARE(wallet.Templates().IdOfInternalName(QStringLiteral("8")), 0);
        QCOMPARE(wallet.Templates().InternalNameOfId(7), QStringLiteral("7"));
        QCOMPARE(wallet.Templates().InternalNameOfId(0), QString());
        QCOMPARE(wallet.Templates().InternalNameOfId(8), QString());
        QVERIFY(!wallet.Templates().FindByInternalName(QStringLiteral("07")));
    }

    void templateInUse() {
        CWallet wallet;
        AddTemplate(wallet, 7, QStringLiteral("Bank,520,Acct,7"));
        AddTemplate(wallet, 8, QStringLiteral("Car,502,Plate,1"));
        AddCard(wallet, QStringLiteral("7"), QStringLiteral("My bank"));
        QVERIFY(wallet.Templates().FindById(7)->IsInUse());
        QVERIFY(!wallet.Templates().FindById(8)->IsInUse());
        CCardTemplate unnumbered;
        unnumbered.internalName = QStringLiteral("7");
        QVERIFY(!unnumbered.IsInUse());
    }

    void plainText() {
        CWallet wallet;
        AddTemplate(wallet, 1, QStringLiteral("T,500,N1,0,Empty,0,N2,3"));
        CCard* card = AddCard(wallet, QStringLiteral("1"), QStringLiteral("D"));
        QCOMPARE(card->GetText(false), QStringLiteral("D\r\n"));
        card->values.Set(0, QStringLiteral("V1"));
        card->values.Set(2, QStringLiteral("a\nb"));
        QCOMPARE(card->GetText(false), QStringLiteral("D\r\nN1: V1\r\nN2: a\nb\r\n"));
        card->notes = QStringLiteral("T");
        QCOMPARE(card->GetText(false), QStringLiteral("D\r\nN1: V1\r\nN2: a\nb\r\nNotes:\r\nT"));
        // Without its template the card still shows everything it holds, each value with its (empty) name.
        card->templateName = QStringLiteral("missing");
        QCOMPARE(card->GetText(false), QStringLiteral("D\r\n: V1\r\n: a\nb\r\nNotes:\r\nT"));
        // A value in a slot that has no name in the template is written the same way.
        card->templateName = QStringLiteral("1");
        card->values.Set(1, QStringLiteral("V3"));
        wallet.Templates().FindById(1)->fields[1].name.clear();
        QCOMPARE(card->GetText(false), QStringLiteral("D\r\nN1: V1\r\n: V3\r\nN2: a\nb\r\nNotes:\r\nT"));
    }

    void xmlText() {
        CWallet wallet;
        AddTemplate(wallet, 1, QStringLiteral("T,500,Name \"q\",0,Empty,0,PIN,3"));
        CCard* card = AddCard(wallet, QStringLiteral("1"), QStringLiteral("A&B"));
        QCOMPARE(card->GetText(true), QStringLiteral("<Card Description=\"A&amp;B\"/>\r\n"));
        card->values.Set(0, QStringLiteral("<1>"));
        card->values.Set(2, QStringLiteral("'42'"));
        card->notes = QStringLiteral("x \"y\"");
        QCOMPARE(card->GetText(true), QStringLiteral("<Card Description=\"A&amp;B\">\r\n"
                                                     "<Field Description=\"Name &quot;q&quot;\">&lt;1&gt;</Field>\r\n"
                                                     "<Field Description=\"PIN\">'42'</Field>\r\n"
                                                     "<Notes>x \"y\"</Notes>\r\n"
                                                     "</Card>\r\n"));
    }

    void containsText() {
        CCard card;
        card.description = QStringLiteral("Visa Card");
        card.values.Set(4, QStringLiteral("ACCOUNT 991"));
        card.notes = QStringLiteral("branch on Main Street");
        QVERIFY(card.ContainsText(QStringLiteral("card"), false));
        QVERIFY(!card.ContainsText(QStringLiteral("card"), true));
        QVERIFY(card.ContainsText(QStringLiteral("account"), false));
        QVERIFY(!card.ContainsText(QStringLiteral("account"), true));
        QVERIFY(card.ContainsText(QStringLiteral("Main"), true));
        QVERIFY(!card.ContainsText(QStringLiteral("Mastercard"), false));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "TestRecords.moc"
