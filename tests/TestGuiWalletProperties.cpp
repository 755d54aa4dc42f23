// SPDX-License-Identifier: GPL-3.0-or-later
// The wallet's properties in the desktop program: the settings taken on OK and only then, the lock minutes' range,
// the password and Compact that act at once, and what the Wallet Info page shows.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "Mnemonics.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "dialogs/CDlgWalletDefaults.h"
#include "dialogs/CDlgWalletInfo.h"
#include "dialogs/CDlgWalletProperties.h"
#include "dialogs/CDlgWalletSecurity.h"
#include "document/CWallet.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "widgets/CColorButton.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

namespace {
const QString kRangeMessage = QStringLiteral("Please enter an integer between 10 and 60.");

struct Program : GuiProgram {
    void OpenProperties() { Frame().Action(Command::WalletProperties)->trigger(); }
    QString Faults(const ModalDriver& driver) const { return (prompts.Faults() + driver.Faults()).join(u'\n'); }
};

// A click by position can miss while a loaded machine has not yet laid the sheet out, and the next step would then
// act on the same sheet; the button's own click cannot.
void ClickOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

QString InfoValue(CDlgWalletProperties& sheet, const QString& name) {
    const QList<QTreeWidgetItem*> rows = sheet.Info().Items().findItems(name, Qt::MatchExactly);
    return rows.size() == 1 ? rows.first()->text(1) : QString();
}
} // namespace

class TestGuiWalletProperties : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    void lockMinutesOutsideTheRangeKeepTheSheetOpen_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("message");
        QTest::newRow("9") << "9" << kRangeMessage;
        QTest::newRow("61") << "61" << kRangeMessage;
        QTest::newRow("not a number") << "ten" << QStringLiteral("Please enter an integer.");
        QTest::newRow("empty") << "" << QStringLiteral("Please enter an integer.");
    }
    void lockMinutesOutsideTheRangeKeepTheSheetOpen() {
        QFETCH(QString, entry);
        QFETCH(QString, message);
        Program p;
        QVERIFY(p.Start());
        const qint32 minutes = p.Wallet().GetSettings().lockMinutes;
        ModalDriver driver;
        bool stayed = false;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            sheet.Security().Minutes().setText(entry);
            p.prompts.Message(message, Prompts::Answer::Ok);
            ClickOk(sheet);
            stayed = sheet.isVisible() && sheet.Pages().currentWidget() == &sheet.Security();
            // Leaving the page checks the minutes too.
            p.prompts.Message(message, Prompts::Answer::Ok);
            sheet.Pages().setCurrentWidget(&sheet.Info());
            stayed = stayed && sheet.Pages().currentWidget() == &sheet.Security();
            sheet.reject();
        });
        p.OpenProperties();
        QVERIFY(stayed);
        QCOMPARE(p.Wallet().GetSettings().lockMinutes, minutes);
        QVERIFY(!p.Wallet().IsModified());
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void acceptedSettingsMarkTheWalletAndRestartTheLock_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("lowest") << "10";
        QTest::newRow("highest") << "60";
    }
    void acceptedSettingsMarkTheWalletAndRestartTheLock() {
        QFETCH(QString, entry);
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            sheet.Security().Minutes().setText(entry);
            sheet.Pages().setCurrentWidget(&sheet.Defaults());
            sheet.Defaults().BackColor().SetStoredColor(0x123456);
            sheet.Defaults().HidePasswords().setChecked(false);
            ClickOk(sheet);
        });
        p.OpenProperties();
        QCOMPARE(p.Wallet().GetSettings().lockMinutes, entry.toInt());
        QCOMPARE(p.Wallet().GetSettings().defaultBackColor, 0x123456u);
        QCOMPARE(p.Wallet().GetSettings().hidePasswordsDefault, 0);
        QVERIFY(p.Wallet().IsModified());
        QVERIFY(p.Frame().IsLockTimerActive());
        QCOMPARE(p.Frame().LockTimerInterval(), entry.toInt() * 60000);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void okWithoutChangesOrCancelChangesNothing() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        driver.Then<CDlgWalletProperties>([](CDlgWalletProperties& sheet) { ClickOk(sheet); });
        driver.Then<CDlgWalletProperties>([](CDlgWalletProperties& sheet) {
            sheet.Security().LockAfter().setChecked(false);
            sheet.reject();
        });
        p.OpenProperties();
        QVERIFY(!p.Wallet().IsModified());
        p.OpenProperties();
        QVERIFY(!p.Wallet().IsModified());
        QCOMPARE(p.Wallet().GetSettings().autoLock, 1);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void untickingTheLockKeepsTheMinutes() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        bool disabled = false;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            sheet.Security().Minutes().setText(QStringLiteral("42"));
            QTest::mouseClick(&sheet.Security().LockAfter(), Qt::LeftButton, {}, QPoint(4, 4));
            disabled = !sheet.Security().Minutes().isEnabled();
            ClickOk(sheet);
        });
        p.OpenProperties();
        QVERIFY(disabled);
        QCOMPARE(p.Wallet().GetSettings().autoLock, 0);
        QCOMPARE(p.Wallet().GetSettings().lockMinutes, 42);
        QVERIFY(!p.Frame().IsLockTimerActive());
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void lockedWalletOpensTheSheetOnlyWithThePassword() {
        Program p;
        QVERIFY(p.Start());
        p.Wallet().SetPassword(QStringLiteral("2468"));
        p.Frame().Action(Command::LockWallet)->trigger();
        ModalDriver driver;
        p.prompts.Password(QString(), false);
        p.OpenProperties();
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
        QVERIFY(p.Wallet().IsLocked());
    }

    void passwordChangeHoldsEvenWhenTheSheetIsCancelled() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            p.prompts.Password(QStringLiteral("97531"));
            p.prompts.Message(QStringLiteral("please enter it again"), Prompts::Answer::Ok);
            p.prompts.Password(QStringLiteral("97531"));
            p.prompts.Message(QString(), Prompts::Answer::Ok);
            QTest::mouseClick(&sheet.Security().ChangePasswordButton(), Qt::LeftButton);
            sheet.reject();
        });
        p.OpenProperties();
        QCOMPARE(p.Wallet().Password(), QStringLiteral("97531"));
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void walletInfoAndCompact() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        QString path;
        QString categories;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            path = InfoValue(sheet, QStringLiteral("Document Path"));
            categories = InfoValue(sheet, QStringLiteral("Num. Categories"));
            // A wallet never saved has no file to compact.
            p.prompts.Message(QStringLiteral("There was an error opening the selected file."), Prompts::Answer::Ok);
            QTest::mouseClick(&sheet.Info().CompactButton(), Qt::LeftButton);
            sheet.reject();
        });
        p.OpenProperties();
        QCOMPARE(path, QStringLiteral("N/A"));
        QCOMPARE(categories, QStringLiteral("2"));
        const QString saved = p.folder.filePath(QStringLiteral("saved.kvx"));
        p.prompts.SaveFile(saved);
        p.Frame().Action(Command::Save)->trigger();
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            path = InfoValue(sheet, QStringLiteral("Document Path"));
            p.prompts.Message(QStringLiteral("successfully compacted"), Prompts::Answer::Ok);
            QTest::mouseClick(&sheet.Info().CompactButton(), Qt::LeftButton);
            sheet.reject();
        });
        p.OpenProperties();
        QCOMPARE(path, saved);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    // The Cards page's default colours are a new wallet's, whatever the colours of the dialog; its menu shows them.
    void defaultColoursAreANewWalletsAndNoKeyIsShared() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        QList<QColor> shown;
        QStringList clashes;
        driver.Then<CDlgWalletProperties>([&](CDlgWalletProperties& sheet) {
            for (int page = 0; page < sheet.Pages().count(); ++page) {
                sheet.Pages().setCurrentIndex(page);
                clashes += MnemonicClashes({sheet.Pages().widget(page), sheet.findChild<QDialogButtonBox*>()});
            }
            for (CColorButton* button : {&sheet.Defaults().BackColor(), &sheet.Defaults().TextColor()}) {
                button->SetStoredColor(0x123456);
                QAction* defaultEntry = button->menu()->actions().first();
                shown.append(defaultEntry->icon().pixmap(16).toImage().pixelColor(8, 8));
                defaultEntry->trigger();
            }
            ClickOk(sheet);
        });
        p.OpenProperties();
        QCOMPARE(p.Wallet().GetSettings().defaultBackColor, 0xFFFFFFu);
        QCOMPARE(p.Wallet().GetSettings().defaultTextColor, 0x000000u);
        QCOMPARE(shown, (QList<QColor>{Qt::white, Qt::black}));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiWalletProperties)
#include "TestGuiWalletProperties.moc"
