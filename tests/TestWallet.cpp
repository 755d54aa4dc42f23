// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveBytes.h"
#include "base/FieldCipher.h"
#include "document/CWallet.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {
// A small wallet with something of every kind, for the round-trip and damage tests.
void Fill(CWallet& wallet) {
    wallet.SetPassword(QStringLiteral("4321"));
    {
        CWallet::Settings settings = wallet.GetSettings();
        settings.lockMinutes = 25;
        settings.askPasswordOnOpen = 1;
        settings.defaultBackColor = 0x00C0FFEE;
        wallet.SetSettings(settings);
    }
    auto cardTemplate = std::make_unique<CCardTemplate>(wallet.NextId());
    cardTemplate->ParseDefinition(QStringLiteral("Bank,520,Account,0,PIN,3"));
    cardTemplate->internalName = QString::number(cardTemplate->id);
    const QString templateName = cardTemplate->internalName;
    wallet.AddTemplate(std::move(cardTemplate));
    auto category = std::make_unique<CCategory>(wallet.NextId());
    category->description = QStringLiteral("Personal");
    category->defaultTemplate = templateName;
    const qint32 categoryId = category->id;
    wallet.AddCategory(std::move(category));
    for (int i = 0; i < 2; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = QStringLiteral("Account %1").arg(i);
        card->templateName = templateName;
        card->categoryId = categoryId;
        card->values.Set(0, QStringLiteral("12-3456-%1").arg(i));
        card->values.Set(1, QStringLiteral("0000"));
        card->notes = QStringLiteral("Opened in 2019");
        wallet.AddCard(std::move(card));
    }
}

QByteArray Stored(CWallet& wallet) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!wallet.Store(buffer, error))
        qFatal("store failed: %s", qPrintable(error));
    return bytes;
}

bool Load(CWallet& wallet, const QByteArray& bytes, QString* error = nullptr) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QString message;
    const bool ok = wallet.Load(buffer, message);
    if (error)
        *error = message;
    return ok;
}
} // namespace

class TestWallet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A wallet object is reused for every wallet opened or made, so emptying must reach every member: each one is
    // given a value other than its emptied one first.
    void emptiedWalletValues() {
        CWallet wallet;
        Fill(wallet);
        wallet.SetCipherMethod(2);
        wallet.SetCompactCounter(4);
        wallet.SetVersion(2.5f);
        wallet.SetLocked(false);
        {
            CWallet::Settings settings = wallet.GetSettings();
            settings.mustUnlockToEdit = 1;
            settings.hidePasswordsDefault = 0;
            settings.boldFieldNamesDefault = 1;
            settings.autoLock = 0;
            settings.disableDesktopPassword = 1;
            settings.defaultTextColor = 0x00123456;
            wallet.SetSettings(settings);
        }
        wallet.CardClipboard(CWallet::kCopy, wallet.Cards().At(0), 0);
        wallet.SetPathName(QStringLiteral("/home/user/w.kvx"));
        wallet.SetTitle(QStringLiteral("w.kvx"));
        wallet.SetModified(true);
        wallet.DeleteContents();
        QCOMPARE(wallet.Password(), QString());
        QCOMPARE(wallet.CipherMethod(), 1);
        QCOMPARE(wallet.ClipboardOp(), 0);
        QCOMPARE(wallet.GetSettings().lockMinutes, 15);
        QCOMPARE(wallet.CompactCounter(), 0);
        QCOMPARE(wallet.PeekNextId(), 1);
        QCOMPARE(wallet.Version(), 1.7f);
        QCOMPARE(wallet.GetSettings().askPasswordOnOpen, 0);
        QCOMPARE(wallet.GetSettings().mustUnlockToEdit, 0);
        QVERIFY(wallet.IsLocked());
        QCOMPARE(wallet.GetSettings().hidePasswordsDefault, 1);
        QCOMPARE(wallet.GetSettings().boldFieldNamesDefault, 0);
        QCOMPARE(wallet.GetSettings().autoLock, 1);
        QCOMPARE(wallet.GetSettings().disableDesktopPassword, 0);
        QCOMPARE(wallet.GetSettings().defaultBackColor, 0xFFFFFFu);
        QCOMPARE(wallet.GetSettings().defaultTextColor, 0x000000u);
        QVERIFY(wallet.Cards().IsEmpty() && wallet.Templates().IsEmpty() && wallet.Categories().IsEmpty());
        QVERIFY(!wallet.ClipboardCard());
        QVERIFY(!wallet.IsModified());
        QCOMPARE(wallet.PathName(), QString());
        QCOMPARE(wallet.Title(), QStringLiteral("NewWallet"));
        // Whatever the wallet saves is as a wallet object fresh from construction saves it.
        CWallet fresh;
        QCOMPARE(Stored(wallet), Stored(fresh));
    }

    void nextIdCountsUp() {
        CWallet wallet;
        QCOMPARE(wallet.NextId(), 1);
        QCOMPARE(wallet.NextId(), 2);
        QCOMPARE(wallet.PeekNextId(), 3);
    }

    // Each field holds a value that no other field holds, and each flag in turn is the only one set, so a field
    // written or read in its neighbour's place shows.
    void headerLayout_data() {
        QTest::addColumn<int>("flag");
        QTest::newRow("no flag") << -1;
        const char* flags[] = {"askPasswordOnOpen", "mustUnlockToEdit",     "disableDesktopPassword",
                               "autoLock",          "hidePasswordsDefault", "boldFieldNamesDefault"};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(flags[i]) << i;
    }

    void headerLayout() {
        QFETCH(int, flag);
        CWallet wallet;
        wallet.SetVersion(2.5f);
        wallet.SetCipherMethod(0);
        wallet.SetPassword(QStringLiteral("12345"));
        wallet.SetNextId(0x0A0B0C0D);
        wallet.SetCompactCounter(3);
        CWallet::Settings settings = wallet.GetSettings();
        settings.lockMinutes = 42;
        settings.defaultBackColor = 0x00AABBCC;
        settings.defaultTextColor = 0x00010203;
        // In stored order.
        qint32* const flags[] = {&settings.askPasswordOnOpen,      &settings.mustUnlockToEdit,
                                 &settings.disableDesktopPassword, &settings.autoLock,
                                 &settings.hidePasswordsDefault,   &settings.boldFieldNamesDefault};
        for (int i = 0; i < 6; ++i)
            *flags[i] = i == flag ? 1 : 0;
        wallet.SetSettings(settings);
        auto flagWord = [flag](int i) { return Hex(i == flag ? "01000000" : "00000000"); };
        // Version 2.5, cipher method, password, next id, compact counter; three flags, lock minutes, three flags;
        // the colours and the three empty lists.
        const QByteArray expected = Hex("00002040 00000000 FFFEFF05 3100 3200 3300 3400 3500 0D0C0B0A 03000000") +
                                    flagWord(0) + flagWord(1) + flagWord(2) + Hex("2A000000") + flagWord(3) +
                                    flagWord(4) + flagWord(5) + Hex("CCBBAA00 03020100 00000000 00000000 00000000");
        QCOMPARE(Stored(wallet).toHex(' '), expected.toHex(' '));

        CWallet back;
        QVERIFY(Load(back, expected));
        QCOMPARE(back.Version(), 2.5f);
        QCOMPARE(back.CipherMethod(), 0);
        QCOMPARE(back.Password(), QStringLiteral("12345"));
        QCOMPARE(back.PeekNextId(), 0x0A0B0C0D);
        QCOMPARE(back.CompactCounter(), 3);
        QCOMPARE(back.GetSettings().lockMinutes, 42);
        QCOMPARE(back.GetSettings().defaultBackColor, 0x00AABBCCu);
        QCOMPARE(back.GetSettings().defaultTextColor, 0x00010203u);
        const qint32 backFlags[] = {
            back.GetSettings().askPasswordOnOpen,      back.GetSettings().mustUnlockToEdit,
            back.GetSettings().disableDesktopPassword, back.GetSettings().autoLock,
            back.GetSettings().hidePasswordsDefault,   back.GetSettings().boldFieldNamesDefault};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(backFlags[i], i == flag ? 1 : 0);
    }

    void roundTripUnderEachMethod_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("none") << 0;
        QTest::newRow("block") << 1;
        QTest::newRow("substitute and block") << 2;
    }

    void roundTripUnderEachMethod() {
        QFETCH(int, method);
        CWallet wallet;
        Fill(wallet);
        wallet.SetCipherMethod(method);
        wallet.SetVersion(2.5f);
        const QByteArray bytes = Stored(wallet);
        QCOMPARE(wallet.Password(), QStringLiteral("4321"));
        QCOMPARE(bytes.contains(QByteArray("4\0003\0002\0001\000", 8)), method == 0);

        CWallet back;
        QVERIFY(Load(back, bytes));
        QCOMPARE(back.CipherMethod(), method);
        QCOMPARE(back.Version(), 2.5f);
        QCOMPARE(back.Password(), QStringLiteral("4321"));
        QCOMPARE(back.GetSettings().lockMinutes, 25);
        QCOMPARE(back.GetSettings().askPasswordOnOpen, 1);
        QCOMPARE(back.GetSettings().defaultBackColor, 0x00C0FFEEu);
        QCOMPARE(back.PeekNextId(), wallet.PeekNextId());
        QCOMPARE(back.Cards().Count(), 2);
        QCOMPARE(back.Cards().At(1)->values[0], QStringLiteral("12-3456-1"));
        QCOMPARE(back.Templates().At(0)->fields[1].name, QStringLiteral("PIN"));
        QCOMPARE(back.Categories().At(0)->description, QStringLiteral("Personal"));
        // The same wallet writes the same bytes again.
        QCOMPARE(Stored(back), bytes);
    }

    // Two wallets of different methods in one process, written and read in turn: each keeps to its own method,
    // whichever wallet was written or read last.
    void walletsOfDifferentMethodsSideBySide() {
        CWallet block, substituted;
        Fill(block);
        Fill(substituted);
        substituted.SetCipherMethod(FieldCipher::SubstituteThenBlock);
        const QByteArray blockBytes = Stored(block);
        const QByteArray substitutedBytes = Stored(substituted);
        QVERIFY(blockBytes != substitutedBytes);

        CWallet substitutedBack, blockBack;
        QVERIFY(Load(substitutedBack, substitutedBytes));
        QVERIFY(Load(blockBack, blockBytes));
        for (const CWallet* back : {&blockBack, &substitutedBack}) {
            QCOMPARE(back->Password(), QStringLiteral("4321"));
            QCOMPARE(back->Cards().At(1)->values[0], QStringLiteral("12-3456-1"));
            QCOMPARE(back->Templates().At(0)->fields[1].name, QStringLiteral("PIN"));
        }
        QCOMPARE(substitutedBack.CipherMethod(), qint32(FieldCipher::SubstituteThenBlock));
        QCOMPARE(Stored(substitutedBack), substitutedBytes);
        QCOMPARE(Stored(blockBack), blockBytes);
    }

    // A list is enciphered and deciphered in batches of many records, across several batches here; the bytes are
    // those of writing record by record, and reading gives every text back.
    void largeListsInBatches_data() {
        QTest::addColumn<int>("method");
        QTest::newRow("block") << 1;
        QTest::newRow("substitute and block") << 2;
    }

    void largeListsInBatches() {
        QFETCH(int, method);
        QRandomGenerator random(7);
        CCardList cards;
        for (int i = 0; i < 5000; ++i) {
            auto card = std::make_unique<CCard>(i + 1);
            card->description = QStringLiteral("Card %1").arg(i);
            for (int v = 0; v < 1 + i % 14; ++v) {
                QString value(int(random.bounded(1, 30)), Qt::Uninitialized);
                for (QChar& c : value)
                    c = QChar(char16_t(random.bounded(1, 0xFFB8)));
                card->values.Set(size_t(v), value);
            }
            cards.InsertInIdOrder(card);
        }
        QByteArray batched, oneByOne;
        QBuffer toBatched(&batched), toOneByOne(&oneByOne);
        QVERIFY(toBatched.open(QIODevice::WriteOnly) && toOneByOne.open(QIODevice::WriteOnly));
        CArchive batchedArchive(toBatched, CArchive::Mode::Store, method);
        cards.Serialize(batchedArchive);
        batchedArchive.Flush();
        CArchive oneByOneArchive(toOneByOne, CArchive::Mode::Store, method);
        oneByOneArchive.WriteInt(qint32(cards.Count()));
        for (CCard* card : cards)
            card->Serialize(oneByOneArchive);
        oneByOneArchive.Flush();
        QCOMPARE(batched.size(), oneByOne.size());
        QVERIFY(batched == oneByOne);

        QBuffer from(&batched);
        QVERIFY(from.open(QIODevice::ReadOnly));
        CArchive loading(from, CArchive::Mode::Load, method);
        CCardList back;
        back.Serialize(loading);
        QCOMPARE(back.Count(), cards.Count());
        for (qsizetype i = 0; i < cards.Count(); ++i) {
            QCOMPARE(back.At(i)->description, cards.At(i)->description);
            QVERIFY(back.At(i)->values == cards.At(i)->values);
        }
    }

    void failedLoadLeavesWalletAsItWas() {
        CWallet source;
        Fill(source);
        const QByteArray bytes = Stored(source);

        CWallet wallet;
        wallet.SetCipherMethod(2);
        auto card = std::make_unique<CCard>(77);
        card->description = QStringLiteral("Keep me");
        wallet.AddCard(std::move(card));
        wallet.SetPassword(QStringLiteral("9999"));
        QSignalSpy modified(&wallet, &CWallet::modifiedChanged);

        QString error;
        QVERIFY(!Load(wallet, bytes.left(bytes.size() - 3), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(wallet.Cards().Count(), 1);
        QCOMPARE(wallet.Cards().At(0)->description, QStringLiteral("Keep me"));
        QCOMPARE(wallet.Password(), QStringLiteral("9999"));
        QCOMPARE(wallet.CipherMethod(), 2);
        QCOMPARE(modified.count(), 0);
        // It goes on writing under its own method, not under the one of the stream it failed to read.
        CWallet back;
        QVERIFY(Load(back, Stored(wallet)));
        QCOMPARE(back.CipherMethod(), 2);
        QCOMPARE(back.Password(), QStringLiteral("9999"));
        QCOMPARE(back.Cards().At(0)->description, QStringLiteral("Keep me"));
    }

    void everyCutFails() {
        CWallet source;
        Fill(source);
        const QByteArray bytes = Stored(source);
        CWallet wallet;
        for (qsizetype cut = 0; cut < bytes.size(); ++cut)
            QVERIFY2(!Load(wallet, bytes.left(cut)), qPrintable(QStringLiteral("cut at %1").arg(cut)));
        QVERIFY(Load(wallet, bytes));
    }

    void corruptedStreamsNeverCrash() {
        CWallet source;
        Fill(source);
        const QByteArray bytes = Stored(source);
        QRandomGenerator random(20261207);
        CWallet wallet;
        for (int round = 0; round < 3000; ++round) {
            QByteArray damaged = bytes;
            const int flips = 1 + int(random.bounded(8));
            for (int i = 0; i < flips; ++i)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            Load(wallet, damaged);
        }
        for (int round = 0; round < 300; ++round) {
            QByteArray noise(int(random.bounded(600)), Qt::Uninitialized);
            for (char& c : noise)
                c = char(random.bounded(256));
            QVERIFY(!Load(wallet, noise) || noise.size() >= 68);
        }
    }

    void absurdCountsAreRefused() {
        CWallet source;
        const QByteArray header = Stored(source).left(56 + 4);
        for (const char* count : {"FFFFFF7F", "00000080", "00001000"}) {
            CWallet wallet;
            QString error;
            QVERIFY(!Load(wallet, header + Hex(count) + QByteArray(64, 0), &error));
            QVERIFY(!error.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestWallet)
#include "TestWallet.moc"
