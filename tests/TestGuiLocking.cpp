// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program while the wallet locks and unlocks: protected categories with the desktop's password check on
// and off, cards reached from outside the tree, windows open at the moment of the lock, the keys that follow a
// password, and records going away under the open views.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "base/Clock.h"
#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgFind.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CDlgPassword.h"
#include "views/CItemTreeCtrl.h"
#include "views/CMainFrame.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/CCurtain.h"
#include "widgets/CTypeAheadGuard.h"
#include "widgets/Commands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

const QString kPassword = QStringLiteral("2468");
const QString kSecret = QStringLiteral("PIN 9137");

struct Program : GuiProgram {
    CCategory* guarded = nullptr;
    CCategory* open = nullptr;
    CCard* secret = nullptr;

    // A wallet with a password, one protected category holding a card with a secret, one open category; locked.
    bool StartLocked() {
        if (!Start())
            return false;
        for (CCategory* category : Wallet().Categories())
            (guarded ? open : guarded) = category;
        open->flag = 0;
        if (!guarded->RequiresPassword())
            return false;
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = QStringLiteral("Bank");
        card->categoryId = guarded->id;
        card->templateName = (*Wallet().Templates().begin())->internalName;
        card->values.Set(0, kSecret);
        secret = &Wallet().AddCard(std::move(card));
        Wallet().SetPassword(kPassword);
        Wallet().SetLocked(true);
        return true;
    }
    CTreeModel& Model() { return Frame().Tree().Model(); }
    int CardsShownUnder(const CCategory& category) { return Model().rowCount(Model().CategoryIndex(category.id)); }
    const CCard* Current() { return Model().CardAt(Frame().Tree().TreeCtrl().currentIndex()); }
    void DisableDesktopPassword() {
        auto settings = Wallet().GetSettings();
        settings.disableDesktopPassword = 1;
        Wallet().SetSettings(settings);
    }
};

// True when some widget of the window shows the text where the user could read it.
bool ShowsText(const QWidget& window, const QString& text) {
    for (const QLineEdit* edit : window.findChildren<QLineEdit*>())
        if (edit->isVisible() && edit->text().contains(text))
            return true;
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->isVisible() && label->text().contains(text))
            return true;
    for (const QAbstractItemView* view : window.findChildren<QAbstractItemView*>()) {
        const QAbstractItemModel* model = view->model();
        for (int row = 0; view->isVisible() && model && row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                if (model->index(row, column).data().toString().contains(text))
                    return true;
    }
    return false;
}

QString Faults(const Program& p, const ModalDriver* driver = nullptr) {
    return (p.prompts.Faults() + (driver ? driver->Faults() : QStringList())).join(u'\n');
}

} // namespace

class TestGuiLocking : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }
    void cleanup() { Clock::Release(); }

    void desktopPasswordOffShowsProtectedCardsWhileLocked() {
        Program p;
        QVERIFY(p.StartLocked());
        QCOMPARE(p.CardsShownUnder(*p.guarded), 0);
        p.DisableDesktopPassword();
        QVERIFY(p.Wallet().IsLocked());
        QCOMPARE(p.CardsShownUnder(*p.guarded), 1);
        QVERIFY(p.Model().CategoryIndex(p.guarded->id).data(CTreeModel::kIdRole).toInt() > 0);

        // Opening the category asks nothing, and a later refresh of the tree goes back to the root.
        CItemTreeCtrl& tree = p.Frame().Tree().TreeCtrl();
        tree.expand(p.Model().CategoryIndex(p.guarded->id));
        QVERIFY(tree.isExpanded(p.Model().CategoryIndex(p.guarded->id)));
        Q_EMIT p.Wallet().updated(CWallet::kHintRefresh);
        QCOMPARE(tree.currentIndex(), p.Model().RootIndex());

        // The automatic lock keeps them in sight too.
        p.Frame().OnLockTimer();
        QCOMPARE(p.CardsShownUnder(*p.guarded), 1);
        QVERIFY2(Faults(p).isEmpty(), qPrintable(Faults(p)));
    }

    void choosingAHiddenCardAsksThenShowsIt() {
        Program p;
        QVERIFY(p.StartLocked());
        CDlgFind find(p.Wallet(), &p.Frame());
        connect(&find, &CDlgFind::cardChosen, &p.Frame(), [&](qint32 id) { p.Frame().Tree().SelectCard(id); });

        p.prompts.Password(QString(), false);
        Q_EMIT find.cardChosen(p.secret->id);
        QVERIFY(p.Wallet().IsLocked());
        QVERIFY(p.Current() == nullptr);

        p.prompts.Password(kPassword);
        Q_EMIT find.cardChosen(p.secret->id);
        QVERIFY(!p.Wallet().IsLocked());
        QCOMPARE(p.Current(), p.secret);
        QCOMPARE(p.Frame().Summary().GetMode(), int(CViewSummary::kCardDetails));
        QVERIFY2(Faults(p).isEmpty(), qPrintable(Faults(p)));
    }

    // A sheet open at the lock shows nothing until the password is given; then it is as it was, typing included.
    void lockCoversAnOpenSheetAndKeepsItsEdits() {
        Program p;
        QVERIFY(p.StartLocked());
        p.Wallet().SetLocked(false);
        ModalDriver driver;
        bool coveredAtLock = false;
        bool secretShownWhileLocked = true;
        bool curtainStayedOnRefusal = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            auto* description = sheet.findChild<QLineEdit*>(QStringLiteral("description"));
            QVERIFY(description);
            description->setFocus();
            description->setText(QStringLiteral("Bank, renamed"));
            QVERIFY(ShowsText(sheet, kSecret));
            p.Frame().OnLockTimer();
            auto* curtain = sheet.findChild<CCurtain*>();
            coveredAtLock = curtain && curtain->isVisible();
            secretShownWhileLocked = ShowsText(sheet, kSecret) || description->isVisible();
            QVERIFY(curtain);
            // A wrong answer leaves the sheet covered and open.
            p.prompts.Password(QString(), false);
            QTest::keyClick(curtain->Button(), Qt::Key_Space);
            curtainStayedOnRefusal = curtain->isVisible() && sheet.isVisible();
            p.prompts.Password(kPassword);
            QTest::keyClick(curtain->Button(), Qt::Key_Space);
            QVERIFY(description->isVisible());
            QCOMPARE(description->text(), QStringLiteral("Bank, renamed"));
            sheet.accept();
        });
        p.Frame().Tree().SelectCard(p.secret->id);
        p.Frame().Action(Command::ItemProperties)->trigger();
        QVERIFY(coveredAtLock);
        QVERIFY(!secretShownWhileLocked);
        QVERIFY(curtainStayedOnRefusal);
        QCOMPARE(p.secret->description, QStringLiteral("Bank, renamed"));
        QVERIFY2(Faults(p, &driver).isEmpty(), qPrintable(Faults(p, &driver)));
    }

    void findWindowIsCoveredUntilUnlocked() {
        Program p;
        QVERIFY(p.StartLocked());
        p.Wallet().SetLocked(false);
        CDlgFind find(p.Wallet(), &p.Frame());
        find.show();
        p.Frame().OnLockTimer();
        auto* curtain = find.findChild<CCurtain*>();
        QVERIFY(curtain && curtain->isVisible());
        // Unlocking elsewhere lifts it as well.
        p.prompts.Password(kPassword);
        QVERIFY(p.Wallet().RequestAccess(QString()));
        QVERIFY(!curtain || !curtain->isVisible());
        QVERIFY2(Faults(p).isEmpty(), qPrintable(Faults(p)));
    }

    // The Enter that follows the last digit of a password belongs to the keypad, not to the window after it.
    void keysTypedAfterTheKeypadReachNothing() {
        Clock::Freeze(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QDialog next;
        auto* edit = new QLineEdit(&next);
        auto* ok = new QPushButton(QStringLiteral("OK"), &next);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, &next, &QDialog::accept);
        QTimer::singleShot(0, [] {
            auto* keypad = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget());
            QVERIFY(keypad);
            QTest::keyClicks(keypad->findChild<QLineEdit*>(QStringLiteral("password")), kPassword);
        });
        QString expected = kPassword;
        QVERIFY(CDlgPassword::Run(nullptr, expected, QString()));

        next.show();
        QVERIFY(QTest::qWaitForWindowActive(&next));
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("5"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(next.isVisible());
        QCOMPARE(edit->text(), QString());

        // After a pause the user's keys count again.
        Clock::Advance(CTypeAheadGuard::kPauseMs + 1);
        QTest::keyClicks(edit, QStringLiteral("7"));
        QCOMPARE(edit->text(), QStringLiteral("7"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!next.isVisible());
    }

    // New, Open and Close let the views go of the records before they go; a changed wallet is offered for saving.
    void newWalletOverAChangedOneAsksAndShowsOnlyTheNewOne() {
        Program p;
        QVERIFY(p.StartLocked());
        p.Wallet().SetLocked(false);
        p.Frame().Tree().SelectCard(p.secret->id);
        p.Wallet().SetModified(true);
        p.prompts.Message(QStringLiteral("save the changes"), Prompts::Answer::No);
        p.prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        p.Frame().Action(Command::NewWallet)->trigger();
        QCOMPARE(p.Wallet().Cards().Count(), 0);
        QCOMPARE(p.Model().rowCount(p.Model().RootIndex()), p.Wallet().Categories().Count());
        QCOMPARE(p.Frame().Tree().TreeCtrl().currentIndex(), p.Model().RootIndex());
        QVERIFY(!p.Frame().grab().isNull());
        QVERIFY2(Faults(p).isEmpty(), qPrintable(Faults(p)));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiLocking)
#include "TestGuiLocking.moc"
