// SPDX-License-Identifier: GPL-3.0-or-later
#include "WalletFixture.h"
#include "base/Clipboard.h"

#include <QSignalSpy>

namespace {
struct RecordingClipboard : Clipboard {
    QString text;
    RecordingClipboard() { Install(this); }
    ~RecordingClipboard() override { Install(nullptr); }
    void SetSecret(const QString& value) override { text = value; }
    void Forget() override { text.clear(); }
};
} // namespace

class TestWalletOperations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    void requestAccessAsksOnlyWhenLocked() {
        WalletFixture f;
        f.MakeNew();
        CWallet& w = *f.wallet;
        QVERIFY(w.RequestAccess(QString()));
        w.SetPassword(QStringLiteral("1234"));
        w.SetLocked(true);
        f.prompts.Password(QStringLiteral("9999"));
        QVERIFY(!w.RequestAccess(QString()));
        QVERIFY(w.IsLocked());
        f.prompts.Password(QStringLiteral("1234"));
        QVERIFY(w.RequestAccess(QStringLiteral("bank.kvx")));
        QVERIFY(!w.IsLocked());
        QVERIFY(w.RequestAccess(QString()));
        QCOMPARE(f.prompts.Asked().at(f.prompts.Asked().size() - 2),
                 QStringLiteral("Enter the password to unlock this wallet (NewWallet):"));
        QCOMPARE(f.prompts.Asked().last(), QStringLiteral("Enter the password to unlock this wallet (bank.kvx):"));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void walletWithoutPasswordUnlocksOnFirstAccess() {
        WalletFixture f;
        f.MakeNew();
        f.wallet->SetLocked(true);
        QVERIFY(f.wallet->RequestAccess(QString()));
        QVERIFY(!f.wallet->IsLocked());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void disabledDesktopPasswordNeverAsks() {
        WalletFixture f;
        f.MakeNew();
        f.wallet->SetPassword(QStringLiteral("1234"));
        f.wallet->SetLocked(true);
        {
            CWallet::Settings settings = f.wallet->GetSettings();
            settings.disableDesktopPassword = 1;
            f.wallet->SetSettings(settings);
        }
        QVERIFY(f.wallet->RequestAccess(QString()));
        QVERIFY(f.wallet->IsLocked());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void setLockedSignalsOnlyChanges() {
        WalletFixture f;
        f.MakeNew();
        QSignalSpy shown(f.wallet.get(), &CWallet::lockStateShown);
        QSignalSpy updated(f.wallet.get(), &CWallet::updated);
        f.wallet->SetLocked(false);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(updated.count(), 0);
        f.wallet->SetLocked(true);
        QCOMPARE(shown.count(), 2);
        QCOMPARE(updated.count(), 2);
        QCOMPARE(updated.at(0).at(0).toInt(), 0);
        QCOMPARE(updated.at(1).at(0).toInt(), 3024);
    }

    void changePassword() {
        WalletFixture f;
        f.MakeNew();
        CWallet& w = *f.wallet;
        // Two different entries, try again, then the same twice.
        f.prompts.Password(QStringLiteral("1111"));
        f.prompts.Message(QStringLiteral("To verify"), Prompts::Answer::Ok);
        f.prompts.Password(QStringLiteral("2222"));
        f.prompts.Message(QStringLiteral("did not enter the same password twice"), Prompts::Answer::Yes);
        f.prompts.Password(QStringLiteral("3333"));
        f.prompts.Message(QStringLiteral("To verify"), Prompts::Answer::Ok);
        f.prompts.Password(QStringLiteral("3333"));
        f.prompts.Message(QStringLiteral("Password changed successfully!"), Prompts::Answer::Ok);
        QVERIFY(w.ChangePassword());
        QCOMPARE(w.Password(), QStringLiteral("3333"));
        QVERIFY(w.IsModified());
        // The same password again changes nothing and says nothing.
        w.SetModified(false);
        f.prompts.Password(QStringLiteral("3333"));
        f.prompts.Message(QStringLiteral("To verify"), Prompts::Answer::Ok);
        f.prompts.Password(QStringLiteral("3333"));
        QVERIFY(!w.ChangePassword());
        QVERIFY(!w.IsModified());
        // Cancelled.
        f.prompts.Password(QString(), false);
        QVERIFY(!w.ChangePassword());
        QCOMPARE(w.Password(), QStringLiteral("3333"));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join('\n')));
    }

    void deleteCardAsksAndClearsClipboard() {
        WalletFixture f;
        RecordingClipboard clipboard;
        f.MakeNew();
        CCard* card = f.AddCard(QStringLiteral("Old card"));
        const qint32 id = card->id;
        f.wallet->CardClipboard(CWallet::kCopy, card, 35);
        QVERIFY(clipboard.text.startsWith(QStringLiteral("Old card\r\n")));
        f.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::No);
        QVERIFY(!f.wallet->DeleteCard(id));
        f.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        QVERIFY(f.wallet->DeleteCard(id));
        QVERIFY(!f.wallet->Cards().FindById(id));
        QVERIFY(!f.wallet->ClipboardCard());
        QVERIFY(!f.wallet->DeleteCard(id));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void deleteCategoryTakesItsCards() {
        WalletFixture f;
        f.MakeNew();
        f.AddCard(QStringLiteral("a"), 35);
        f.AddCard(QStringLiteral("b"), 36);
        f.AddCard(QStringLiteral("c"), 35);
        f.prompts.Message(QStringLiteral("Deleting this category"), Prompts::Answer::No);
        QVERIFY(!f.wallet->DeleteCategory(35));
        f.prompts.Message(QStringLiteral("Deleting this category"), Prompts::Answer::Yes);
        QVERIFY(f.wallet->DeleteCategory(35));
        QCOMPARE(f.wallet->Cards().Count(), 1);
        QCOMPARE(f.wallet->Cards().At(0)->description, QStringLiteral("b"));
        QVERIFY(!f.wallet->Categories().FindById(35));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void cutAndPaste() {
        WalletFixture f;
        f.MakeNew();
        CCard* card = f.AddCard(QStringLiteral("Moving"), 35);
        f.wallet->SetModified(false);
        QCOMPARE(f.wallet->CardClipboard(CWallet::kCut, card, 0), 0);
        QCOMPARE(f.wallet->CardClipboard(CWallet::kPaste, nullptr, 35), 0);
        QVERIFY(!f.wallet->IsModified());
        QCOMPARE(f.wallet->CardClipboard(CWallet::kPaste, nullptr, 36), card->id);
        QCOMPARE(card->categoryId, 36);
        QVERIFY(f.wallet->IsModified());
        QCOMPARE(f.wallet->CardClipboard(CWallet::kPaste, nullptr, 35), 0);
        QCOMPARE(card->categoryId, 36);
    }

    void copyPastesOnce() {
        WalletFixture f;
        f.MakeNew();
        CCard* card = f.AddCard(QStringLiteral("Original"), 35);
        card->image().streamName = QStringLiteral("123");
        f.wallet->CardClipboard(CWallet::kCopy, card, 0);
        const qint32 pasted = f.wallet->CardClipboard(CWallet::kPaste, nullptr, 36);
        QVERIFY(pasted > card->id);
        const CCard* copy = f.wallet->Cards().FindById(pasted);
        QCOMPARE(copy->description, QStringLiteral("Copy of Original"));
        QCOMPARE(copy->categoryId, 36);
        QCOMPARE(copy->values, card->values);
        QVERIFY(!copy->image().IsAttached());
        QCOMPARE(f.wallet->CardClipboard(CWallet::kPaste, nullptr, 36), 0);
        QCOMPARE(f.wallet->Cards().Count(), 2);
    }

    void titleWithoutExtension() {
        WalletFixture f;
        f.wallet->SetTitle(QStringLiteral("my.wallet.kvx"));
        QCOMPARE(f.wallet->TitleWithoutExtension(), QStringLiteral("my.wallet"));
        f.wallet->SetTitle(QStringLiteral("plain"));
        QCOMPARE(f.wallet->TitleWithoutExtension(), QStringLiteral("plain"));
    }
};

QTEST_GUILESS_MAIN(TestWalletOperations)
#include "TestWalletOperations.moc"
