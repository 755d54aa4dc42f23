// SPDX-License-Identifier: GPL-3.0-or-later
// The document's record operations: the access rule, the modified flag, and what each announces, when.
#include "WalletFixture.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"
#include "model/RecordEditor.h"

#include <QSignalSpy>

namespace {

// Fills every sheet the way a user would, without windows.
class ScriptedEditor : public RecordEditor {
public:
    QString description = QStringLiteral("Visa");
    bool accept = true;
    int sheets = 0;

    bool EditCard(CCard& working) override {
        ++sheets;
        working.description = description;
        return accept;
    }
    bool EditCategory(CCategory& working, qint32&) override {
        ++sheets;
        working.description = description;
        return accept;
    }
    QString SelectTemplate(const QString&, bool) override { return QStringLiteral("9"); }
};

} // namespace

class TestWalletChanges : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }
    void init() {
        m_fixture = std::make_unique<WalletFixture>();
        m_fixture->MakeNew();
        m_editor = std::make_unique<ScriptedEditor>();
        RecordEditor::Install(m_editor.get());
    }
    void cleanup() {
        RecordEditor::Install(nullptr);
        const QStringList faults = m_fixture->prompts.Faults();
        m_fixture.reset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    // With "unlock to edit" on, a locked wallet asks for its password once before a card is made or changed, and a
    // refusal changes nothing.
    void accessRuleBeforeCardChanges() {
        CWallet& wallet = *m_fixture->wallet;
        wallet.SetPassword(QStringLiteral("2468"));
        {
            CWallet::Settings settings = wallet.GetSettings();
            settings.mustUnlockToEdit = 1;
            wallet.SetSettings(settings);
        }
        wallet.SetLocked(true);
        wallet.SetModified(false);
        m_fixture->prompts.Password(QStringLiteral("2468"));
        CCard* card = wallet.NewCard(35);
        QVERIFY(card);
        QCOMPARE(m_editor->sheets, 1);
        QVERIFY(wallet.IsModified());
        m_editor->description = QStringLiteral("Visa Gold");
        QVERIFY(wallet.EditCard(*card)); // unlocked now: no second question
        QCOMPARE(card->description, QStringLiteral("Visa Gold"));

        wallet.SetLocked(true);
        wallet.SetModified(false);
        QSignalSpy changed(&wallet, &CWallet::cardChanged);
        m_fixture->prompts.Password(QString(), false);
        m_fixture->prompts.Password(QStringLiteral("1357"));
        QVERIFY(!wallet.EditCard(*card));
        QVERIFY(!wallet.NewCard(35));
        QVERIFY(changed.isEmpty() && !wallet.IsModified());
        QCOMPARE(m_editor->sheets, 2);
        QCOMPARE(wallet.Cards().Count(), 1);
    }

    // A cancelled sheet, or one for a category that is gone, makes nothing and marks nothing.
    void cancelledSheetsChangeNothing() {
        CWallet& wallet = *m_fixture->wallet;
        wallet.SetModified(false);
        const qint32 nextId = wallet.PeekNextId();
        QSignalSpy added(&wallet, &CWallet::cardAdded);
        m_editor->accept = false;
        QVERIFY(!wallet.NewCard(35));
        QVERIFY(!wallet.NewCategory());
        QVERIFY(!wallet.NewCard(4711));
        QVERIFY(added.isEmpty() && !wallet.IsModified() && wallet.Cards().Count() == 0);
        QCOMPARE(m_editor->sheets, 2);
        QVERIFY(wallet.PeekNextId() - nextId <= 1); // the cancelled card may have drawn its id, the category not
    }

    // Each signal carries a record that is in the wallet at that moment: after adding and changing, before removal.
    void signalsCarryLiveRecords() {
        CWallet& wallet = *m_fixture->wallet;
        QStringList heard;
        auto inWallet = [&wallet](const CCard& card) { return wallet.Cards().FindById(card.id) == &card; };
        connect(&wallet, &CWallet::cardAdded, this,
                [&](const CCard& card) { heard << (inWallet(card) ? "added " : "ADDED? ") + card.description; });
        connect(&wallet, &CWallet::cardChanged, this, [&](const CCard& card, qint32 from) {
            heard << QStringLiteral("changed %1 %2>%3").arg(card.description).arg(from).arg(card.categoryId);
        });
        connect(&wallet, &CWallet::cardAboutToBeRemoved, this,
                [&](const CCard& card) { heard << (inWallet(card) ? "removing " : "GONE? ") + card.description; });
        connect(&wallet, &CWallet::cardRemoved, this, [&](qint32 id) {
            heard << (wallet.Cards().FindById(id) ? QStringLiteral("STILL THERE") : QStringLiteral("removed"));
        });
        connect(&wallet, &CWallet::categoryAboutToBeRemoved, this,
                [&](const CCategory& category) { heard << "removing category " + category.description; });

        CCard* visa = m_fixture->AddCard(QStringLiteral("Visa"), 35);
        m_fixture->AddCard(QStringLiteral("Amex"), 35);
        wallet.CardClipboard(CWallet::kCut, visa, 0);
        QCOMPARE(wallet.CardClipboard(CWallet::kPaste, nullptr, 36), visa->id);
        wallet.CardClipboard(CWallet::kCopy, visa, 0);
        const qint32 copy = wallet.CardClipboard(CWallet::kPaste, nullptr, 35);
        QVERIFY(copy != 0 && wallet.Cards().FindById(copy));
        m_fixture->prompts.Message(QStringLiteral("delete the selected card"), Prompts::Answer::Yes);
        QVERIFY(wallet.DeleteCard(visa->id));
        QVERIFY(!wallet.ClipboardCard());
        m_fixture->prompts.Message(QStringLiteral("delete all the cards"), Prompts::Answer::Yes);
        QVERIFY(wallet.DeleteCategory(35));
        QCOMPARE(heard, (QStringList{"added Visa", "added Amex", "changed Visa 35>36", "added Copy of Visa",
                                     "removing Visa", "removed", "removing Amex", "removed", "removing Copy of Visa",
                                     "removed", "removing category Business"}));
    }

    // Before the wallet lets go of its records it says so, while every record is still readable; after, it has its
    // new records. A failed open lets nothing go.
    void resetAnnouncedWhileRecordsLive() {
        CWallet& wallet = *m_fixture->wallet;
        m_fixture->AddCard(QStringLiteral("Visa"));
        QVERIFY(m_fixture->SaveAs(QStringLiteral("a.kvx")));
        QStringList heard;
        connect(&wallet, &CWallet::aboutToReset, this, [&] {
            QStringList names;
            for (const CCard* card : wallet.Cards())
                names << card->description; // freed records would show under the sanitizers
            heard << "about to reset: " + names.join(',');
        });
        connect(&wallet, &CWallet::wasReset, this,
                [&] { heard << QStringLiteral("reset: %1 cards").arg(wallet.Cards().Count()); });

        QVERIFY(!wallet.OnOpenDocument(WriteFileBytes(m_fixture->Path("bad.kvx"), "not a wallet")));
        QVERIFY(heard.isEmpty());
        QCOMPARE(wallet.Cards().Count(), 1);

        QVERIFY(wallet.OnOpenDocument(m_fixture->Path("a.kvx")));
        QCOMPARE(heard, (QStringList{"about to reset: Visa", "reset: 1 cards"}));
        heard.clear();
        m_fixture->prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        QVERIFY(wallet.OnNewDocument());
        QCOMPARE(heard.first(), QStringLiteral("about to reset: Visa"));
        QCOMPARE(heard.last(), QStringLiteral("reset: 0 cards"));
        QCOMPARE(heard.size() % 2, 0);
    }

    // Many records at once are announced as one reset, not record by record.
    void bulkChangeIsOneReset() {
        CWallet& wallet = *m_fixture->wallet;
        QSignalSpy added(&wallet, &CWallet::cardAdded);
        QSignalSpy before(&wallet, &CWallet::aboutToReset);
        QSignalSpy after(&wallet, &CWallet::wasReset);
        {
            const CWallet::BulkChange bulk(wallet);
            for (int i = 0; i < 3; ++i)
                m_fixture->AddCard(QStringLiteral("Card %1").arg(i));
            QCOMPARE(before.size(), 1);
            QCOMPARE(after.size(), 0);
        }
        QCOMPARE(after.size(), 1);
        QVERIFY(added.isEmpty());
        m_fixture->AddCard(QStringLiteral("One more"));
        QCOMPARE(added.size(), 1);
    }

private:
    std::unique_ptr<WalletFixture> m_fixture;
    std::unique_ptr<ScriptedEditor> m_editor;
};

QTEST_GUILESS_MAIN(TestWalletChanges)
#include "TestWalletChanges.moc"
