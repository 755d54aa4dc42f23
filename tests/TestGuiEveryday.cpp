// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program in daily use: the search field above the tree, copying one value, the clipboard forgetting
// what Korvel put there, and the automatic lock counting from the user's last key or click.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "base/Clock.h"
#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgWalletProperties.h"
#include "dialogs/CDlgWalletSecurity.h"
#include "document/CSystemClipboard.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CAwayLock.h"
#include "views/CCardFilter.h"
#include "views/CItemTreeCtrl.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/AwaySettings.h"
#include "widgets/CLinkLabel.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

namespace {
const QString kPassword = QStringLiteral("2468");

struct Program : GuiProgram {
    CCategory* guarded = nullptr;
    CCategory* open = nullptr;
    qint32 bankId = 0;
    qint32 gardenId = 0;

    bool StartWithCards() {
        if (!Start())
            return false;
        for (CCategory* category : Wallet().Categories())
            (guarded ? open : guarded) = category;
        open->flag = 0;
        bankId =
            AddCard(QStringLiteral("Harbor bank"), open, {{1, QStringLiteral("ann")}, {2, QStringLiteral("s3cret")}})
                .id;
        AddCard(QStringLiteral("Mail"), open, {{1, QStringLiteral("ann@harbor.example")}});
        gardenId = AddCard(QStringLiteral("Garden club"), open, {}).id;
        AddCard(QStringLiteral("Safe"), guarded, {{2, QStringLiteral("HARBOR-7")}});
        return guarded->RequiresPassword();
    }
    // A card of the "Online: Website" template (URL, Username, Password, Email).
    CCard& AddCard(const QString& description, const CCategory* category, std::map<size_t, QString> values) {
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = description;
        card->categoryId = category->id;
        card->templateName = QStringLiteral("17");
        for (const auto& [slot, value] : values)
            card->values.Set(slot, value);
        return Wallet().AddCard(std::move(card));
    }
    // Shortcuts and focus need the window active.
    bool Show() {
        Frame().show();
        QApplication::setActiveWindow(&Frame());
        return QTest::qWaitForWindowActive(&Frame());
    }
    CViewCategoriesCards& Tree() { return Frame().Tree(); }
    CTreeModel& Model() { return Tree().Model(); }
    const CCard* Current() { return Model().CardAt(Tree().TreeCtrl().currentIndex()); }
    void Search(const QString& text) {
        Tree().SearchField().clear();
        QTest::keyClicks(&Tree().SearchField(), text);
        QTRY_VERIFY(!Tree().Filter().IsSearching());
    }
    QStringList ShownCards() {
        QStringList shown;
        const QModelIndex root = Model().RootIndex();
        for (int row = 0; row < Model().rowCount(root); ++row) {
            const QModelIndex category = Model().index(row, 0, root);
            for (int card = 0; card < Model().rowCount(category); ++card) {
                shown << Model().index(card, 0, category).data().toString();
                if (!Tree().TreeCtrl().isExpanded(category))
                    shown << QStringLiteral("(closed)");
            }
        }
        return shown;
    }
    QString Clipboard() const { return QGuiApplication::clipboard()->text(); }
};
} // namespace

class TestGuiEveryday : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }
    void cleanup() { Clock::Release(); }

    void searchFieldFiltersTheTreeAndFollowsTheWallet() {
        Program p;
        QVERIFY(p.StartWithCards());
        QVERIFY(p.Show());
        p.Frame().Action(Command::SearchCards)->trigger();
        QVERIFY(p.Tree().SearchField().hasFocus());

        // Case-blind, in descriptions and values; only categories with matches, opened; the first match shown.
        p.Search(QStringLiteral("HARB"));
        QCOMPARE(p.ShownCards().size(), 3);
        for (const char* card : {"Harbor bank", "Mail", "Safe"})
            QVERIFY(p.ShownCards().contains(QString::fromLatin1(card)));
        QCOMPARE(p.Current()->description, p.ShownCards().constFirst());
        QCOMPARE(p.Frame().Summary().CurrentCard(), p.Current());
        // Typing on narrows the last matches.
        QTest::keyClicks(&p.Tree().SearchField(), QStringLiteral("or b"));
        QTRY_VERIFY(!p.Tree().Filter().IsSearching());
        QCOMPARE(p.ShownCards(), QStringList{QStringLiteral("Harbor bank")});
        p.Search(QStringLiteral("nothing like it"));
        QVERIFY(p.ShownCards().isEmpty());

        // A card changed, added or removed while the filter holds is searched again.
        p.Search(QStringLiteral("harbor"));
        p.AddCard(QStringLiteral("Ferry"), p.open, {{0, QStringLiteral("https://harbor.example")}});
        QTRY_COMPARE(p.ShownCards().size(), 4);
        QVERIFY(p.ShownCards().contains(QStringLiteral("Ferry")));
        p.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        QVERIFY(p.Wallet().DeleteCard(p.bankId));
        QTRY_VERIFY(!p.Tree().Filter().IsSearching());
        QCOMPARE(p.ShownCards().size(), 3);
        QVERIFY(!p.ShownCards().contains(QStringLiteral("Harbor bank")));
        QCOMPARE(p.Current()->description, p.ShownCards().constFirst());

        // Down goes into the results; Escape in the field ends the filter, keeping the selected card.
        QTest::keyClick(&p.Tree().SearchField(), Qt::Key_Down);
        QVERIFY(p.Tree().TreeCtrl().hasFocus());
        QVERIFY(p.Current());
        const QString chosen = p.Current()->description;
        p.Tree().SearchField().setFocus();
        QTest::keyClick(&p.Tree().SearchField(), Qt::Key_Escape);
        QTRY_VERIFY(!p.Tree().Filter().IsActive());
        QCOMPARE(p.Current()->description, chosen);
        QCOMPARE(p.Model().rowCount(p.Model().RootIndex()), int(p.Wallet().Categories().Count()));
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join(u'\n')));
    }

    void searchFieldAsksBeforeSearchingProtectedCards() {
        Program p;
        QVERIFY(p.StartWithCards());
        p.Wallet().SetPassword(kPassword);
        p.Wallet().SetLocked(true);
        QVERIFY(p.Show());
        // Refused: the protected category's cards are not searched, and the field does not ask again.
        p.prompts.Password(QStringLiteral("0000"));
        p.Frame().Action(Command::SearchCards)->trigger();
        QTRY_VERIFY(p.prompts.Faults().isEmpty() && p.Wallet().IsLocked());
        p.Search(QStringLiteral("harbor-7"));
        QVERIFY(p.ShownCards().isEmpty());
        // Granted: they are.
        p.Tree().SearchField().clear();
        p.Tree().TreeCtrl().setFocus();
        p.prompts.Password(kPassword);
        p.Frame().Action(Command::SearchCards)->trigger();
        QTRY_VERIFY(!p.Wallet().IsLocked());
        p.Search(QStringLiteral("harbor-7"));
        QCOMPARE(p.ShownCards(), QStringList{QStringLiteral("Safe")});
        // Locking again hides them from the filter at once.
        p.Wallet().SetLocked(true);
        QTRY_VERIFY(p.ShownCards().isEmpty());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join(u'\n')));
    }

    void enterInTheSearchFieldOpensTheCard() {
        Program p;
        QVERIFY(p.StartWithCards());
        QVERIFY(p.Show());
        p.Search(QStringLiteral("garden"));
        ModalDriver driver;
        bool opened = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            opened = sheet.windowTitle().contains(QStringLiteral("Garden club"));
            sheet.reject();
        });
        QTest::keyClick(&p.Tree().SearchField(), Qt::Key_Return);
        QVERIFY(opened);
        QVERIFY2(driver.Faults().isEmpty(), qPrintable(driver.Faults().join(u'\n')));
    }

    void oneValueIsCopiedAsASecret() {
        Program p;
        QVERIFY(p.StartWithCards());
        QVERIFY(p.Show());
        p.Tree().SelectCard(p.bankId);
        QCOMPARE(p.Current()->description, QStringLiteral("Harbor bank"));
        p.Tree().TreeCtrl().setFocus();
        QTest::keyClick(&p.Frame(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(p.Clipboard(), QStringLiteral("ann"));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("x-kde-passwordManagerHint")));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")),
                 QByteArray("secret"));
        QTest::keyClick(&p.Frame(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(p.Clipboard(), QStringLiteral("s3cret"));

        // The summary's rows: a double-click or the row's Copy, a masked password too.
        CViewSummary& summary = p.Frame().Summary();
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardDetails));
        QTest::mouseDClick(const_cast<CLinkLabel*>(&summary.ValueLabel(0)), Qt::LeftButton);
        QCOMPARE(p.Clipboard(), QStringLiteral("ann"));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                                    summary.ValueLabel(1).mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(const_cast<CLinkLabel*>(&summary.ValueLabel(1)), &menuEvent);
        auto* menu = summary.findChild<QMenu*>(QStringLiteral("ValueMenu"));
        QVERIFY(menu);
        menu->actions().constFirst()->trigger();
        menu->close();
        QCOMPARE(p.Clipboard(), QStringLiteral("s3cret"));

        // A card without a user name or password offers neither.
        p.Tree().SelectCard(p.gardenId);
        QVERIFY(!p.Frame().Action(Command::CopyUserName)->isEnabled());
        QVERIFY(!p.Frame().Action(Command::CopyPassword)->isEnabled());
    }

    void theClipboardForgetsOnlyWhatKorvelPutThere() {
        Program p;
        QVERIFY(p.StartWithCards());
        Clock::Freeze(QDateTime::currentDateTime());
        CSystemClipboard& clipboard = p.app->SystemClipboard();
        clipboard.SetSecret(QStringLiteral("s3cret"));
        Clock::Advance(9000);
        QTest::qWait(400);
        QCOMPARE(p.Clipboard(), QStringLiteral("s3cret"));
        Clock::Advance(1000);
        QTRY_VERIFY(p.Clipboard().isEmpty());

        // What the user copied since stays, at the time and at the lock.
        clipboard.SetSecret(QStringLiteral("s3cret"));
        QGuiApplication::clipboard()->setText(QStringLiteral("my own text"));
        Clock::Advance(20000);
        QTest::qWait(400);
        QCOMPARE(p.Clipboard(), QStringLiteral("my own text"));
        p.Wallet().SetLocked(true);
        QCOMPARE(p.Clipboard(), QStringLiteral("my own text"));

        // Locking clears a secret at once; with 0 seconds only the lock and the end of the program do.
        CSystemClipboard::SetClearSeconds(0);
        clipboard.SetSecret(QStringLiteral("s3cret"));
        Clock::Advance(3600 * 1000);
        QTest::qWait(400);
        QCOMPARE(p.Clipboard(), QStringLiteral("s3cret"));
        p.Wallet().SetLocked(false);
        p.Wallet().SetLocked(true);
        QVERIFY(p.Clipboard().isEmpty());
        clipboard.SetSecret(QStringLiteral("s3cret"));
        p.app.reset();
        QVERIFY(p.Clipboard().isEmpty());
    }

    void theLockCountsFromTheLastKeyOrClick() {
        Program p;
        QVERIFY(p.StartWithCards());
        QVERIFY(p.Show());
        QVERIFY(p.Frame().IsLockTimerActive());
        QTRY_VERIFY_WITH_TIMEOUT(p.Frame().AwayLock().RemainingMs() <= p.Frame().LockTimerInterval() - 1000, 10000);
        QTest::keyClick(&p.Tree().TreeCtrl(), Qt::Key_Down);
        QVERIFY(p.Frame().AwayLock().RemainingMs() > p.Frame().LockTimerInterval() - 1000);

        // Ctrl+L and File > Lock Wallet.
        p.Wallet().SetPassword(kPassword);
        QTest::keyClick(&p.Frame(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(p.Wallet().IsLocked());
        QVERIFY(!p.Frame().Action(Command::LockWallet)->isEnabled());
    }

    void securityPageKeepsTheProgramsChoices() {
        Program p;
        QVERIFY(p.StartWithCards());
        QCOMPARE(CSystemClipboard::ClearSeconds(), CSystemClipboard::kDefaultClearSeconds);
        QVERIFY(AwaySettings::LockOnScreenLock() && AwaySettings::LockOnSleep());
        WalletPropertiesEditor::Settings settings = p.Wallet().GetSettings();
        CDlgWalletSecurity page(p.Wallet(), settings);
        QCOMPARE(page.ClipboardSeconds().value(), 10);
        page.ClipboardSeconds().setValue(0);
        QCOMPARE(page.ClipboardSeconds().text(), QStringLiteral("never"));
        page.LockOnScreenLock().setChecked(false);
        QVERIFY(page.Save(settings));
        QCOMPARE(CSystemClipboard::ClearSeconds(), 0);
        QVERIFY(!AwaySettings::LockOnScreenLock());
        QVERIFY(AwaySettings::LockOnSleep());
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiEveryday)
#include "TestGuiEveryday.moc"
