// SPDX-License-Identifier: GPL-3.0-or-later
// How a card keeps its values and attachment slots: only what it holds, with every slot and value still there to read
// and write, and the same bytes on disk as a card that keeps all of them.
#include "ArchiveBytes.h"
#include "WalletFixture.h"
#include "base/CipherText.h"
#include "model/CCardList.h"

#include <QTest>

namespace {
using Slots = QList<int>;

// A card with a value in each slot of `filled` and a file named in each attachment slot of `attached`.
std::unique_ptr<CCard> MakeCard(qint32 id, const Slots& filled, const Slots& attached) {
    auto card = std::make_unique<CCard>(id);
    card->description = QStringLiteral("card %1").arg(id);
    for (int slot : filled)
        card->values.Set(size_t(slot), QStringLiteral("value %1").arg(slot));
    CAttachment* attachments[] = {&card->image(), &card->sound(), &card->document()};
    for (int slot : attached) {
        attachments[slot]->streamName = QStringLiteral("2003759%1").arg(slot);
        attachments[slot]->description = QStringLiteral("file%1.bin").arg(slot);
    }
    return card;
}

void CompareCards(const CCard& back, const CCard& card) {
    QCOMPARE(back.description, card.description);
    for (int slot = 0; slot < CCard::kValueCount; ++slot)
        QCOMPARE(back.values[size_t(slot)], card.values[size_t(slot)]);
    QVERIFY(back.values == card.values);
    const std::pair<const CAttachment*, const CAttachment*> pairs[] = {
        {&back.image(), &card.image()}, {&back.sound(), &card.sound()}, {&back.document(), &card.document()}};
    for (const auto& [got, want] : pairs) {
        QCOMPARE(got->streamName, want->streamName);
        QCOMPARE(got->description, want->description);
    }
    QCOMPARE(back.HasAttachments(), card.HasAttachments());
}

void AddShapes() {
    QTest::addColumn<Slots>("filled");
    QTest::addColumn<Slots>("attached");
    QTest::newRow("nothing") << Slots{} << Slots{};
    QTest::newRow("first value") << Slots{0} << Slots{};
    QTest::newRow("last value after empty ones") << Slots{14} << Slots{};
    QTest::newRow("gap between values") << Slots{0, 2, 9} << Slots{};
    QTest::newRow("all values") << Slots{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14} << Slots{};
    QTest::newRow("image only") << Slots{0, 1} << Slots{0};
    QTest::newRow("sound only") << Slots{} << Slots{1};
    QTest::newRow("document and image") << Slots{3} << Slots{2, 0};
}
} // namespace

class TestCardStorage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    // Two cards that hold the same texts are equal, whatever room each keeps; clearing gives back an empty card.
    void valuesCompareByTextsNotRoom() {
        CCardValues written;
        written.Set(0, QStringLiteral("a"));
        written.Set(14, QStringLiteral("z"));
        QCOMPARE(written.KeptCount(), size_t(15));
        CCardValues grown = written;
        grown.Set(14, {});
        QCOMPARE(grown.KeptCount(), size_t(1));
        CCardValues plain;
        plain.Set(0, QStringLiteral("a"));
        QVERIFY(grown == plain);
        QVERIFY(!(written == plain));
        // Made from texts at once, trailing empty ones keep no room.
        const QStringView texts[] = {u"a", {}, u"c", {}};
        const CCardValues made(texts);
        CCardValues set;
        set.Set(0, u"a");
        set.Set(2, u"c");
        QVERIFY(made == set);
        QCOMPARE(made.KeptCount(), size_t(3));
        written.Clear();
        QVERIFY(written == CCardValues());
        QVERIFY(written[0].isEmpty());
        QCOMPARE(written.KeptCount(), size_t(0));
    }

    // All values share one allocation: writing one slot, shorter or longer or from another slot's text, leaves every
    // other slot's text as it was.
    void settingOneSlotKeepsTheOthers() {
        CCardValues values;
        QStringList expected(CCardValues::kCount);
        for (int slot : {3, 0, 7, 1}) {
            expected[slot] = QString(slot * 3 + 1, QChar(u'a' + slot));
            values.Set(size_t(slot), expected[slot]);
        }
        values.Set(1, values[7]);
        expected[1] = expected[7];
        values.Set(3, QStringLiteral("x"));
        expected[3] = QStringLiteral("x");
        values.Set(7, {});
        expected[7].clear();
        QCOMPARE(values.KeptCount(), size_t(4));
        for (size_t slot = 0; slot < size_t(CCardValues::kCount); ++slot)
            QCOMPARE(values[slot], expected[qsizetype(slot)]);
    }

    // Texts enciphered and deciphered where they lie match the one-text cipher, their lengths changing with the
    // padding, and a copy taken while enciphered holds the enciphered texts.
    void valuesCipherInPlace_data() {
        QTest::addColumn<int>("method");
        for (int method : {0, 1, 2})
            QTest::addRow("method %d", method) << method;
    }
    void valuesCipherInPlace() {
        QFETCH(int, method);
        CCardValues values;
        const QString texts[] = {QStringLiteral("1"), QStringLiteral("four"), QStringLiteral("12345"), QString(),
                                 QStringLiteral("\u00e9\U0001F600 eight.")};
        for (size_t slot = 0; slot < std::size(texts); ++slot)
            values.Set(slot, texts[slot]);
        values.CipherTexts(true, method);
        const CCardValues enciphered = values;
        for (size_t slot = 0; slot < std::size(texts); ++slot)
            QCOMPARE(values[slot], CipherText(texts[slot], true, method));
        values.CipherTexts(false, method);
        for (size_t slot = 0; slot < std::size(texts); ++slot)
            QCOMPARE(values[slot], texts[slot]);
        QCOMPARE(enciphered[1], CipherText(texts[1], true, method));
    }

    // The bytes are those of a card that keeps all 15 values and three slots: the same 25 strings in the same order.
    void storedBytesKeepEveryItem() {
        CCard card(7);
        card.values.Set(14, QStringLiteral("w"));
        QByteArray expected = QByteArray::fromHex("07000000") + Hex("FFFEFF00") + QByteArray::fromHex("F4010000") +
                              Hex("FFFEFF00 FFFEFF00") + QByteArray::fromHex("00000000 01000000 00000000") +
                              Hex("FFFEFF00").repeated(6) + QByteArray::fromHex("00000000 FFFFFF00") +
                              Hex("FFFEFF00").repeated(15) + Hex("FFFEFF01 7700");
        QCOMPARE(StoredBytes(card, FieldCipher::None), expected);
        CCard back;
        LoadBytes(back, expected, FieldCipher::None);
        QCOMPARE(back.values[14], QStringLiteral("w"));
        QVERIFY(!back.HasAttachments());
    }

    void recordRoundTrip_data() { AddShapes(); }
    void recordRoundTrip() {
        QFETCH(Slots, filled);
        QFETCH(Slots, attached);
        const std::unique_ptr<CCard> card = MakeCard(5, filled, attached);
        const QByteArray bytes = StoredBytes(*card, FieldCipher::BlockOnly);
        CCard back;
        LoadBytes(back, bytes, FieldCipher::BlockOnly);
        CompareCards(back, *card);
        QCOMPARE(StoredBytes(back, FieldCipher::BlockOnly), bytes);
    }

    // A list is read in batches whose texts are deciphered together after the cards that hold them are read, so each
    // text must be in its place by then, however many slots each card keeps.
    void listRoundTripDeciphersEveryCard() {
        CCardList list;
        const Slots shapes[][2] = {{{}, {}}, {{14}, {1}}, {{0, 1, 2}, {}}, {{}, {0, 2}}, {{0, 14}, {0, 1, 2}}};
        for (qint32 id = 0; id < 40; ++id) {
            const auto& shape = shapes[id % 5];
            auto card = MakeCard(id, shape[0], shape[1]);
            QVERIFY(list.InsertInIdOrder(card));
        }
        CCardList back;
        LoadBytes(back, StoredBytes(list, FieldCipher::BlockOnly), FieldCipher::BlockOnly);
        QCOMPARE(back.Count(), list.Count());
        for (qsizetype i = 0; i < list.Count(); ++i)
            CompareCards(*back.At(i), *list.At(i));
    }

    void copyAndAssignmentCopyAttachments() {
        const std::unique_ptr<CCard> source = MakeCard(3, {1, 14}, {2});
        CCard copy(*source);
        CompareCards(copy, *source);
        QCOMPARE(copy.id, 3);
        copy.document().streamName = QStringLiteral("other");
        copy.values.Set(1, QStringLiteral("changed"));
        QCOMPARE(source->document().streamName, QStringLiteral("20037592"));
        QCOMPARE(source->values[1], QStringLiteral("value 1"));

        CCard assigned(9);
        assigned.image().streamName = QStringLiteral("dropped");
        assigned = *source;
        CompareCards(assigned, *source);
        assigned = CCard(4);
        QVERIFY(!assigned.HasAttachments());
        QVERIFY(assigned.values == CCardValues());
        const CCard& self = assigned;
        assigned = self;
        QCOMPARE(assigned.id, 4);
    }

    // Attached files in some slots and not in others, through a save and an open of the wallet file; a removed
    // stream leaves its display name, which the file keeps.
    void slotsSurviveSaveAndOpen() {
        WalletFixture f;
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("w.kvx")));
        CCard* photo = f.AddCard(QStringLiteral("Photo"));
        CCard* plain = f.AddCard(QStringLiteral("Plain"));
        CCard* removed = f.AddCard(QStringLiteral("Removed"));
        plain->values.Set(14, QStringLiteral("fifteenth"));
        QVERIFY(f.Attach(photo->sound(), "a.wav", "sound bytes"));
        QVERIFY(f.Attach(photo->document(), "b.pdf", "document bytes"));
        QVERIFY(f.Attach(removed->image(), "c.jpg", "image bytes"));
        QCOMPARE(removed->image().RemoveStream(), 1);
        QVERIFY(f.wallet->OnSaveDocument(f.wallet->PathName()));

        CWallet back;
        QVERIFY(back.OnOpenDocument(f.wallet->PathName()));
        QCOMPARE(back.Cards().Count(), f.wallet->Cards().Count());
        for (qsizetype i = 0; i < back.Cards().Count(); ++i)
            CompareCards(*back.Cards().At(i), *f.wallet->Cards().At(i));
        const CCard* photoBack = back.Cards().FindById(photo->id);
        QVERIFY(!photoBack->image().IsAttached());
        QString error;
        const auto stream = back.OpenStream(photoBack->document().streamName, error);
        QVERIFY2(stream, qPrintable(error));
        QCOMPARE(stream->readAll(), QByteArray("document bytes"));
        const CCard* removedBack = back.Cards().FindById(removed->id);
        QVERIFY(!removedBack->HasAttachments());
        QCOMPARE(removedBack->image().description, QStringLiteral("c.jpg"));
        QCOMPARE(back.Cards().FindById(plain->id)->values[14], QStringLiteral("fifteenth"));
    }
};

QTEST_GUILESS_MAIN(TestCardStorage)
#include "TestCardStorage.moc"
