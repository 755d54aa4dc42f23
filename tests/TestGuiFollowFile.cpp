// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program follows its wallet's file: another program replaces it by a rename, as synchronisation engines
// do, and the program reads it again or merges it with unsaved changes; File > Merge Wallet...; conflict copies left
// beside the wallet.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "TestFiles.h"
#include "views/CViewCategoriesCards.h"

#include <QDir>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {
constexpr qint32 kCategory = 35;
constexpr qint32 kCard = 37;
constexpr int kWaitMs = 5000;

// Another program's change: the wallet read, changed and written to a new file that is renamed over it.
bool ChangeElsewhere(const QString& path, const std::function<void(CWallet&)>& change,
                     const std::shared_ptr<const SealKey>& key = nullptr) {
    const QString written = path + QStringLiteral(".tmp");
    if (!QFile::copy(path, written))
        return false;
    CWallet other;
    if (!other.ReadVersion(written, key))
        return false;
    change(other);
    return other.OnSaveDocument(written) && std::rename(qPrintable(written), qPrintable(path)) == 0;
}

void SetValue(CWallet& wallet, const QString& value) {
    wallet.ChangeCard(*wallet.Cards().FindById(kCard), [&](CCard& card) {
        card.values.Set(0, value);
        return true;
    });
}
} // namespace

class TestGuiFollowFile : public QObject {
    Q_OBJECT

    GuiProgram m_program;
    QString m_path;

    CWallet& Wallet() { return m_program.Wallet(); }
    QString Value() const { return m_program.app->Wallet()->Cards().FindById(kCard)->values[0].toString(); }
    QString StatusMessage() { return m_program.Frame().statusBar()->currentMessage(); }

private Q_SLOTS:
    // A saved wallet with card 37 in category 35, the card selected, a password set and the wallet unlocked.
    void init() {
        QVERIFY(m_program.Start());
        m_path = m_program.folder.filePath(QStringLiteral("home.kvx"));
        QDir folder(m_program.folder.path());
        for (const QString& name : folder.entryList(QDir::Files))
            QVERIFY(folder.remove(name));
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = QStringLiteral("Visa");
        card->categoryId = kCategory;
        card->templateName = QStringLiteral("9");
        card->values.Set(0, QStringLiteral("4111"));
        Wallet().AddCard(std::move(card));
        Wallet().SetPassword(QStringLiteral("2468"));
        Wallet().SetLocked(false);
        m_program.prompts.SaveFile(m_path);
        QVERIFY(Wallet().OnFileSave());
        m_program.Frame().Tree().SelectCard(kCard);
    }
    void cleanup() {
        QVERIFY2(m_program.prompts.Faults().isEmpty(), qPrintable(m_program.prompts.Faults().join(u'\n')));
        m_program.app.reset();
    }

    // The program's own save is no change; another program's is read at once, the tree where it was, the lock open.
    void readsTheFileAgain() {
        QVERIFY(Wallet().OnFileSave());
        QTest::qWait(700);
        QVERIFY(StatusMessage().isEmpty());
        QVERIFY(ChangeElsewhere(m_path, [](CWallet& other) { SetValue(other, QStringLiteral("5555")); }));
        QTRY_COMPARE_WITH_TIMEOUT(Value(), QStringLiteral("5555"), kWaitMs);
        QVERIFY(StatusMessage().contains(QStringLiteral("read again")));
        CViewCategoriesCards& tree = m_program.Frame().Tree();
        QCOMPARE(tree.CurrentPlace().cardId, kCard);
        QVERIFY(tree.CurrentPlace().expanded.contains(kCategory));
        QVERIFY(!Wallet().IsLocked());
        QVERIFY(!Wallet().IsModified());

        // A damaged file is reported once and changes nothing; other changes in the folder do not bring it back.
        m_program.prompts.Message(QStringLiteral("error opening"), Prompts::Answer::Ok);
        const QString junk = WriteFileBytes(m_path + QStringLiteral(".tmp"), "not a wallet");
        QVERIFY(std::rename(qPrintable(junk), qPrintable(m_path)) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_program.prompts.Faults().isEmpty(), kWaitMs);
        WriteFileBytes(m_program.folder.filePath(QStringLiteral("other.txt")), "x");
        QTest::qWait(700);
        QCOMPARE(Value(), QStringLiteral("5555"));
    }

    // With unsaved changes the file is merged in, what came from where shown, and the next save is no conflict.
    void mergesWithUnsavedChanges() {
        Wallet().ChangeCard(*Wallet().Cards().FindById(kCard), [](CCard& card) {
            card.description = QStringLiteral("Mine");
            return true;
        });
        m_program.prompts.Message(QStringLiteral("changed from \"home.kvx\": card \"Mine\" (37)"), Prompts::Answer::Ok);
        QVERIFY(ChangeElsewhere(m_path, [](CWallet& other) { SetValue(other, QStringLiteral("5555")); }));
        QTRY_COMPARE_WITH_TIMEOUT(Value(), QStringLiteral("5555"), kWaitMs);
        QCOMPARE(Wallet().Cards().FindById(kCard)->description, u"Mine");
        QVERIFY(Wallet().IsModified());
        QVERIFY(StatusMessage().contains(QStringLiteral("merged")));
        QVERIFY(Wallet().OnFileSave());
    }

    // A card changed here keeps its attachment when the other program deleted the card, and the file with it.
    void keepsAttachmentsTheFileLost() {
        CCard& card = *Wallet().Cards().FindById(kCard);
        m_program.prompts.OpenFile(WriteFileBytes(m_program.folder.filePath(QStringLiteral("scan.png")), "picture"));
        QVERIFY(card.image().StoreFile() == 1);
        m_program.prompts.Message(QStringLiteral("\"scan.png\" has been attached"), Prompts::Answer::Ok);
        QVERIFY(Wallet().OnFileSave());
        SetValue(Wallet(), QStringLiteral("1234"));
        m_program.prompts.Message(QStringLiteral("delete"), Prompts::Answer::Yes);
        QVERIFY(ChangeElsewhere(m_path, [](CWallet& other) { other.DeleteCard(kCard); }));
        m_program.prompts.Message(QStringLiteral("kept (deleted on one side"), Prompts::Answer::Ok);
        QTRY_VERIFY_WITH_TIMEOUT(StatusMessage().contains(QStringLiteral("merged")), kWaitMs);
        QVERIFY(Wallet().OnFileSave());
        CWallet reader;
        QVERIFY(reader.ReadVersion(m_path));
        QString error;
        const CCard& kept = *reader.Cards().FindById(kCard);
        QCOMPARE(kept.values[0], u"1234");
        QCOMPARE(reader.OpenStream(kept.image().streamName, error)->readAll(), QByteArray("picture"));
    }

    // A sealed wallet is read again with the key it is open with: no passphrase is asked.
    void sealedWalletKeepsItsKey() {
        QString error;
        QVERIFY2(Wallet().SealFile(QStringLiteral("walrus cinnamon ladder 42 orbit"), 1, 8, error), qPrintable(error));
        const std::shared_ptr<const SealKey> key = Wallet().SealingKey();
        QVERIFY(ChangeElsewhere(
            m_path, [](CWallet& other) { SetValue(other, QStringLiteral("7777")); }, key));
        QTRY_COMPARE_WITH_TIMEOUT(Value(), QStringLiteral("7777"), kWaitMs);
        QVERIFY(Wallet().IsSealed());
    }

    // File > Merge Wallet... brings in another wallet's cards; conflict copies beside a wallet being opened are
    // offered, merged and, once the wallet is saved, removed.
    void mergeCommandAndConflictCopies() {
        const QString other = m_program.folder.filePath(QStringLiteral("other.kvx"));
        QVERIFY(QFile::copy(m_path, other));
        QVERIFY(ChangeElsewhere(other, [](CWallet& version) {
            auto card = std::make_unique<CCard>(version.NextId());
            card->description = QStringLiteral("Amex");
            card->categoryId = kCategory;
            version.AddCard(std::move(card));
        }));
        ScriptedPrompts& prompts = m_program.prompts;
        Wallet().SetLocked(true);
        prompts.Password(QStringLiteral("2468"));
        prompts.OpenFile(other);
        prompts.Message(QStringLiteral("added from \"other.kvx\": card \"Amex\" (38)"), Prompts::Answer::Ok);
        QAction* merge = m_program.Frame().menuBar()->findChild<QAction*>(QStringLiteral("mergeWallet"));
        QVERIFY(merge);
        merge->trigger();
        QCOMPARE(Wallet().Cards().Count(), 2);
        QVERIFY(Wallet().OnFileSave());

        const QString copy =
            m_program.folder.filePath(QStringLiteral("home.sync-conflict-20261208-101010-ABCDEFG.kvx"));
        QVERIFY(QFile::copy(m_path, copy));
        QVERIFY(ChangeElsewhere(copy, [](CWallet& version) { SetValue(version, QStringLiteral("6666")); }));
        prompts.Message(QStringLiteral("home.sync-conflict-20261208-101010-ABCDEFG.kvx"), Prompts::Answer::Yes);
        prompts.Message(QStringLiteral("kept as a conflict copy"), Prompts::Answer::Ok);
        QVERIFY(m_program.Frame().OpenWalletFile(m_path));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(copy), kWaitMs);
        QCOMPARE(Wallet().Cards().Count(), 3);
        QVERIFY(!Wallet().IsModified());
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiFollowFile)
#include "TestGuiFollowFile.moc"
