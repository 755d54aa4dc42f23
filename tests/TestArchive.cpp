// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveBytes.h"
#include "base/FieldCipher.h"
#include "model/CArchiveException.h"
#include "model/CCardList.h"
#include "model/CCategoryList.h"
#include "model/CTemplateList.h"

#include <QBuffer>
#include <QHash>
#include <QTest>

namespace {
// The layout tests read the stored texts as they are.
constexpr qint32 kPlain = FieldCipher::None;

struct Text {
    QString value;
    void Serialize(CArchive& archive) { archive.Item(value); }
};
} // namespace

class TestArchive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stringLengthForms_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("empty") << 0 << Hex("FF FE FF 00");
        QTest::newRow("254") << 254 << Hex("FF FE FF FE");
        QTest::newRow("255") << 255 << Hex("FF FE FF FF FF 00");
        QTest::newRow("65533") << 65533 << Hex("FF FE FF FF FD FF");
        QTest::newRow("65534") << 65534 << Hex("FF FE FF FF FF FF FE FF 00 00");
        QTest::newRow("65535") << 65535 << Hex("FF FE FF FF FF FF FF FF 00 00");
        QTest::newRow("70000") << 70000 << Hex("FF FE FF FF FF FF 70 11 01 00");
    }

    void stringLengthForms() {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        Text text{QString(length, u'\x263A')};
        const QByteArray bytes = StoredBytes(text, kPlain);
        QCOMPARE(bytes.left(prefix.size()), prefix);
        QCOMPARE(bytes.size(), prefix.size() + 2 * length);
        if (length > 0)
            QCOMPARE(bytes.mid(prefix.size(), 2), Hex("3A 26"));
        Text back;
        LoadBytes(back, bytes, kPlain);
        QCOMPARE(back.value, text.value);
    }

    void stringsCarryEveryUnit() {
        Text text{QString(QChar(0)) + QChar(0xFFFF) + QChar(0xD800) + QStringLiteral("x")};
        Text back;
        LoadBytes(back, StoredBytes(text, kPlain), kPlain);
        QCOMPARE(back.value, text.value);
    }

    void workedCategoryExample() {
        CCategory category(35);
        category.description = QStringLiteral("Business");
        QCOMPARE(StoredBytes(category, kPlain), Hex("23000000"
                                                    "FFFEFF08 42007500730069006E0065007300 7300"
                                                    "F4010000 FFFEFF00 FFFEFF00 01000000"));
        CCategory back;
        LoadBytes(back, StoredBytes(category, kPlain), kPlain);
        QCOMPARE(back.id, 35);
        QCOMPARE(back.description, QStringLiteral("Business"));
        QCOMPARE(back.iconId, 500);
        QCOMPARE(back.flag, 1);
    }

    void emptyRecordSizes() {
        CCard card;
        card.description.clear();
        QCOMPARE(StoredBytes(card, kPlain).size(), 128);
        CCardTemplate cardTemplate;
        cardTemplate.description.clear();
        QCOMPARE(StoredBytes(cardTemplate, kPlain).size(), 140);
        CCategory category;
        category.description.clear();
        QCOMPARE(StoredBytes(category, kPlain).size(), 24);
        CCardList none;
        QCOMPARE(StoredBytes(none, kPlain), Hex("00000000"));
    }

    void cardLayoutOrder() {
        CCard card(7);
        card.description = QStringLiteral("D");
        card.iconId = 0x0203;
        card.templateName = QStringLiteral("T");
        card.categoryId = 9;
        card.hidePasswords = 0;
        card.boldNames = 1;
        card.image().streamName = QStringLiteral("a");
        card.image().description = QStringLiteral("b");
        card.sound().streamName = QStringLiteral("c");
        card.document().description = QStringLiteral("e");
        card.textColor = 0x00112233;
        card.backColor = 0x00445566;
        card.notes = QStringLiteral("N");
        card.values.Set(0, QStringLiteral("v"));
        card.values.Set(14, QStringLiteral("w"));
        const QByteArray expected = Hex("07000000 FFFEFF01 4400 03020000 FFFEFF00 FFFEFF01 5400 09000000"
                                        "00000000 01000000"
                                        "FFFEFF01 6100 FFFEFF01 6200 FFFEFF01 6300 FFFEFF00 FFFEFF00 FFFEFF01 6500"
                                        "33221100 66554400 FFFEFF01 4E00 FFFEFF01 7600") +
                                    QByteArray(13 * 4, 0).replace(QByteArray(4, 0), Hex("FFFEFF00")) +
                                    Hex("FFFEFF01 7700");
        QCOMPARE(StoredBytes(card, kPlain).toHex(' '), expected.toHex(' '));
    }

    void templateLayoutOrder() {
        CCardTemplate cardTemplate(3);
        cardTemplate.ParseDefinition(QStringLiteral("Bank,520,Acct,7"));
        cardTemplate.internalName = QStringLiteral("3");
        const QByteArray head = Hex("03000000 FFFEFF04 420061006E006B00 08020000 FFFEFF00 FFFEFF01 3300"
                                    "07000000 FFFEFF04 4100630063007400");
        QByteArray freeSlots;
        for (int i = 1; i < 15; ++i)
            freeSlots += Hex("00000000 FFFEFF00");
        QCOMPARE(StoredBytes(cardTemplate, kPlain).toHex(' '), (head + freeSlots).toHex(' '));
    }

    void enciphersMarkedTextsOnly() {
        CCategory category(1);
        category.description = QStringLiteral("B");
        category.defaultTemplate = QStringLiteral("12");
        const QByteArray bytes = StoredBytes(category, FieldCipher::BlockOnly);
        QCOMPARE(bytes.mid(4, 4), Hex("FFFEFF04"));
        QVERIFY(bytes.contains(Hex("FFFEFF02 31003200")));
        // Writing leaves the record deciphered in memory.
        QCOMPARE(category.description, QStringLiteral("B"));
        CCategory back;
        LoadBytes(back, bytes, FieldCipher::BlockOnly);
        QCOMPARE(back.description, QStringLiteral("B"));
        QCOMPARE(back.defaultTemplate, QStringLiteral("12"));
    }

    void cardRoundTripKeepsEveryStoredMember() {
        CCard card(42);
        card.description = QStringLiteral("Visa Gold");
        card.iconId = 524;
        card.templateName = QStringLiteral("5");
        card.categoryId = 3;
        card.hidePasswords = 0;
        card.boldNames = 1;
        card.backColor = 0x00ABCDEF;
        card.textColor = 0x00010203;
        card.notes = QStringLiteral("Line 1\r\nLine 2 — ünïcödé");
        card.image().streamName = QStringLiteral("200375943");
        card.image().description = QStringLiteral("scan.jpg");
        card.image().path = QStringLiteral("/home/u/scan.jpg");
        for (int i = 0; i < 15; ++i)
            card.values.Set(size_t(i), QString(i * 7, QChar(u'a' + i)));
        CCard back;
        LoadBytes(back, StoredBytes(card, FieldCipher::SubstituteThenBlock), FieldCipher::SubstituteThenBlock);
        QCOMPARE(back.id, card.id);
        QCOMPARE(back.description, card.description);
        QCOMPARE(back.iconId, card.iconId);
        QCOMPARE(back.templateName, card.templateName);
        QCOMPARE(back.categoryId, card.categoryId);
        QCOMPARE(back.hidePasswords, card.hidePasswords);
        QCOMPARE(back.boldNames, card.boldNames);
        QCOMPARE(back.backColor, card.backColor);
        QCOMPARE(back.textColor, card.textColor);
        QCOMPARE(back.notes, card.notes);
        QCOMPARE(back.image().streamName, card.image().streamName);
        QCOMPARE(back.image().description, card.image().description);
        QCOMPARE(back.image().path, QString());
        QVERIFY(back.values == card.values);
    }

    // Archives of different methods in use at once each decipher under their own, one's batch waiting while the
    // other reads; and a stream may name its method after texts already read, as a wallet's header does: those are
    // deciphered under the method they were written with, also while they wait for their batch.
    void archivesKeepTheirOwnMethod() {
        CCategory block(1), substituted(2);
        block.description = QStringLiteral("Block");
        substituted.description = QStringLiteral("Substituted \u00e9");
        CCardList cards;
        for (int id = 1; id <= 3; ++id) {
            auto card = std::make_unique<CCard>(id);
            card->values.Set(0, QStringLiteral("Value %1").arg(id));
            QVERIFY(cards.InsertInIdOrder(card));
        }
        QBuffer mixed, cardBytes;
        mixed.setData(StoredBytes(block, FieldCipher::BlockOnly) +
                      StoredBytes(substituted, FieldCipher::SubstituteThenBlock));
        cardBytes.setData(StoredBytes(cards, FieldCipher::SubstituteThenBlock));
        QVERIFY(mixed.open(QIODevice::ReadOnly) && cardBytes.open(QIODevice::ReadOnly));
        CArchive mixedArchive(mixed, CArchive::Mode::Load, FieldCipher::BlockOnly);
        CArchive cardArchive(cardBytes, CArchive::Mode::Load, FieldCipher::SubstituteThenBlock);
        CCategory blockBack, substitutedBack;
        CCardList cardsBack;
        mixedArchive.LoadBatched([&] {
            blockBack.Serialize(mixedArchive);
            cardsBack.Serialize(cardArchive);
            mixedArchive.SetCipherMethod(FieldCipher::SubstituteThenBlock);
            substitutedBack.Serialize(mixedArchive);
        });
        QCOMPARE(mixedArchive.CipherMethod(), qint32(FieldCipher::SubstituteThenBlock));
        QCOMPARE(blockBack.description, block.description);
        QCOMPARE(substitutedBack.description, substituted.description);
        QCOMPARE(cardsBack.Count(), 3);
        for (qsizetype i = 0; i < cards.Count(); ++i)
            QCOMPARE(cardsBack.At(i)->values[0], cards.At(i)->values[0]);
    }

    void listsKeepStoredOrder() {
        CTemplateList list;
        for (int id : {2, 5, 9}) {
            auto t = std::make_unique<CCardTemplate>(id);
            t->internalName = QString::number(id);
            QVERIFY(list.InsertInIdOrder(t));
        }
        CTemplateList back;
        LoadBytes(back, StoredBytes(list, kPlain), kPlain);
        QCOMPARE(back.Count(), 3);
        QCOMPARE(back.At(0)->id, 2);
        QCOMPARE(back.At(2)->internalName, QStringLiteral("9"));
    }

    // Repeated texts come back equal and as one shared copy, wherever the read buffer cuts them, and past the number
    // of texts the archive remembers; a damaged one fails as any text does.
    void sharedItemsReadBackEqual() {
        QStringList texts;
        for (int i = 0; i < 20000; ++i) {
            if (i % 3 == 0)
                texts << QStringLiteral("unique %1").arg(i);
            else if (i % 101 == 0)
                texts << QString(3000 + i % 7, QChar(0x263A));
            else
                texts << QStringLiteral("Vorlage \u00e9 %1").arg(i % 9) + QString(i % 9 == 0 ? 0 : 40, u'x');
        }
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        CArchive store(out, CArchive::Mode::Store, kPlain);
        for (QString text : texts)
            store.SharedItem(text);
        store.Flush();
        QVERIFY(bytes.size() > 4 * 64 * 1024);

        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        CArchive load(in, CArchive::Mode::Load, kPlain);
        QHash<QString, QString> first;
        for (const QString& text : texts) {
            QString back;
            load.SharedItem(back);
            QCOMPARE(back, text);
            if (text.startsWith(u"Vorlage")) {
                const QString seen = first.value(text, back);
                QVERIFY(back.isSharedWith(seen));
                first.insert(text, back);
            }
        }
        QCOMPARE(load.BytesLeft(), 0);

        QBuffer cut;
        cut.setData(bytes.left(bytes.size() - 1));
        cut.open(QIODevice::ReadOnly);
        CArchive damaged(cut, CArchive::Mode::Load, kPlain);
        QString back;
        QVERIFY_THROWS_EXCEPTION(CArchiveException, [&] {
            for (qsizetype i = 0; i < texts.size(); ++i)
                damaged.SharedItem(back);
        }());
    }

    void damagedStreamsFailCleanly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("count only") << Hex("01000000");
        QTest::newRow("negative count") << Hex("FFFFFFFF");
        QTest::newRow("absurd count") << Hex("FFFFFF7F") + QByteArray(200, 0);
        QTest::newRow("8-bit text form") << Hex("01000000 23000000 03 414243");
        QTest::newRow("text longer than data") << Hex("01000000 23000000 FFFEFF FFFFFF FFFFFF7F 4100");
        QTest::newRow("huge 16-bit length") << Hex("01000000 23000000 FFFEFF FF FEFF 4100");
        QTest::newRow("all-ones length") << Hex("01000000 23000000 FFFEFF FF FFFF FFFFFFFF");
    }

    void damagedStreamsFailCleanly() {
        QFETCH(QByteArray, bytes);
        CCategoryList list;
        QVERIFY_THROWS_EXCEPTION(CArchiveException, LoadBytes(list, bytes, kPlain));
    }

    void cutAtEveryOffsetFails() {
        CCardList cards;
        for (int id = 1; id <= 3; ++id) {
            auto card = std::make_unique<CCard>(id);
            card.get()->description = QStringLiteral("Card %1").arg(id);
            card->values.Set(0, QString(300, u'v'));
            QVERIFY(cards.InsertInIdOrder(card));
        }
        const QByteArray bytes = StoredBytes(cards, kPlain);
        for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
            CCardList back;
            QVERIFY_THROWS_EXCEPTION(CArchiveException, LoadBytes(back, bytes.left(cut), kPlain));
        }
    }
};

QTEST_APPLESS_MAIN(TestArchive)
#include "TestArchive.moc"
