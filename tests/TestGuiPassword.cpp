// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPrompts.h"
#include "base/Clock.h"
#include "views/CDlgPassword.h"
#include "widgets/CTypeAheadGuard.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

class TestGuiPassword : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A keypad that took its password swallows the keys typed right after it; each case starts after a pause.
    void initTestCase() { Clock::Freeze(QDateTime(QDate(2026, 12, 8), QTime(9, 0))); }
    void init() { Clock::Advance(CTypeAheadGuard::kPauseMs + 1); }
    void cleanupTestCase() { Clock::Release(); }
    void rightEntryAcceptedAsTyped_data();
    void rightEntryAcceptedAsTyped();
    void keysTypeDigitsAndClear();
    void newPasswordNeedsFourDigits_data();
    void newPasswordNeedsFourDigits();
    void thirdFailureCancelsSilently();
    void rightEntryAfterFailures();
    void escapeCancels();
    void runCollectsOrChecks_data();
    void runCollectsOrChecks();
    void runLiftsWaitCursor();
};

namespace {

const QString kTooShort = QStringLiteral("Please enter a valid 4-digit password.");
const QString kWrong = QStringLiteral("The password you typed is incorrect. Please retype your password.");

// A keypad shown without blocking, as the user sees it.
struct Keypad {
    CDlgPassword dialog;
    QLineEdit* edit;

    Keypad(const QString& expected, const QString& message = QStringLiteral("Enter the password"))
        : dialog(expected, message), edit(dialog.findChild<QLineEdit*>(QStringLiteral("password"))) {
        dialog.show();
    }
    QPushButton* Key(const QString& name) const { return dialog.findChild<QPushButton*>(name); }
    void Click(const QString& name) const { QTest::mouseClick(Key(name), Qt::LeftButton); }
    void Ok() const { Click(QStringLiteral("ok")); }
    bool Open() const { return dialog.isVisible(); }
    bool Accepted() const { return !dialog.isVisible() && dialog.result() == QDialog::Accepted; }
    bool Cancelled() const { return !dialog.isVisible() && dialog.result() == QDialog::Rejected; }
};

// Once the next keypad is open, `drive` works it.
void WhenKeypadOpens(std::function<void(CDlgPassword*)> drive) {
    QTimer::singleShot(0, [drive] {
        auto* dialog = qobject_cast<CDlgPassword*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        drive(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

} // namespace

void TestGuiPassword::rightEntryAcceptedAsTyped_data() {
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("four digits") << "1234"
                                 << "1234" << true;
    QTest::newRow("ten digits") << "0987654321"
                                << "0987654321" << true;
    QTest::newRow("letters are not taken") << "1234"
                                           << "1a2b3c4" << true;
    QTest::newRow("a digit before never matches") << "1234"
                                                  << "01234" << false;
    QTest::newRow("a prefix") << "123456"
                              << "12345" << false;
}

void TestGuiPassword::rightEntryAcceptedAsTyped() {
    QFETCH(QString, expected);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    ScriptedPrompts prompts;
    Keypad keypad(expected);
    QTest::keyClicks(keypad.edit, typed);
    QCOMPARE(keypad.Accepted(), accepted);
    QCOMPARE(keypad.Open(), !accepted);
    QVERIFY(prompts.Faults().isEmpty());
}

void TestGuiPassword::keysTypeDigitsAndClear() {
    ScriptedPrompts prompts;
    Keypad keypad(QStringLiteral("2580"));
    keypad.Click(QStringLiteral("digit2"));
    keypad.Click(QStringLiteral("digit5"));
    QCOMPARE(keypad.edit->text(), QStringLiteral("25"));
    QCOMPARE(keypad.dialog.focusWidget(), keypad.edit);
    QCOMPARE(keypad.edit->cursorPosition(), 2);
    // A digit typed on the keyboard while a key has the focus goes into the entry as well.
    QTest::keyClick(keypad.Key(QStringLiteral("digit9")), Qt::Key_8);
    QCOMPARE(keypad.edit->text(), QStringLiteral("258"));
    keypad.Click(QStringLiteral("clear"));
    QVERIFY(keypad.edit->text().isEmpty());
    QCOMPARE(keypad.dialog.focusWidget(), keypad.edit);
    QTest::keyClicks(keypad.edit, QStringLiteral("258"));
    QVERIFY(keypad.Open());
    keypad.Click(QStringLiteral("digit0"));
    QVERIFY(keypad.Accepted());
    QVERIFY(prompts.Asked().isEmpty());
}

void TestGuiPassword::newPasswordNeedsFourDigits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("withEnter");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("nothing") << "" << false << false;
    QTest::newRow("three digits") << "123" << false << false;
    QTest::newRow("three digits and Enter") << "123" << true << false;
    QTest::newRow("four digits") << "1234" << false << true;
    QTest::newRow("four digits and Enter") << "4321" << true << true;
    QTest::newRow("ten digits") << "1234567890" << false << true;
}

void TestGuiPassword::newPasswordNeedsFourDigits() {
    QFETCH(QString, typed);
    QFETCH(bool, withEnter);
    QFETCH(bool, accepted);

    ScriptedPrompts prompts;
    if (!accepted)
        prompts.Message(kTooShort, Prompts::Answer::Ok);
    Keypad keypad{QString()};
    QTest::keyClicks(keypad.edit, typed);
    QVERIFY2(keypad.Open(), "a new password waits for OK");
    if (withEnter)
        QTest::keyClick(keypad.edit, Qt::Key_Return);
    else
        keypad.Ok();
    QCOMPARE(keypad.Accepted(), accepted);
    QCOMPARE(keypad.dialog.Entry(), typed);
    QVERIFY2(prompts.Faults().isEmpty(), qPrintable(prompts.Faults().join(u'\n')));
}

void TestGuiPassword::thirdFailureCancelsSilently() {
    ScriptedPrompts prompts;
    prompts.Message(kWrong, Prompts::Answer::Ok);
    prompts.Message(kWrong, Prompts::Answer::Ok);
    Keypad keypad(QStringLiteral("1234"));
    for (const QString& wrong : {QStringLiteral("1111"), QStringLiteral("12354"), QStringLiteral("4321")}) {
        QVERIFY(keypad.Open());
        QTest::keyClicks(keypad.edit, wrong);
        keypad.Ok();
        QVERIFY2(!keypad.Open() || keypad.edit->text().isEmpty(), "a wrong entry is emptied");
    }
    QVERIFY(keypad.Cancelled());
    QCOMPARE(prompts.Asked().size(), 2);
    QVERIFY2(prompts.Faults().isEmpty(), qPrintable(prompts.Faults().join(u'\n')));
}

void TestGuiPassword::rightEntryAfterFailures() {
    ScriptedPrompts prompts;
    prompts.Message(kWrong, Prompts::Answer::Ok);
    prompts.Message(kWrong, Prompts::Answer::Ok);
    Keypad keypad(QStringLiteral("1234"));
    for (int failure = 0; failure < 2; ++failure) {
        QTest::keyClicks(keypad.edit, QStringLiteral("9"));
        keypad.Ok();
    }
    QCOMPARE(keypad.dialog.focusWidget(), keypad.edit);
    QTest::keyClicks(keypad.edit, QStringLiteral("1234"));
    QVERIFY(keypad.Accepted());
    QVERIFY(prompts.Faults().isEmpty());
}

void TestGuiPassword::escapeCancels() {
    ScriptedPrompts prompts;
    Keypad keypad{QString()};
    QTest::keyClicks(keypad.edit, QStringLiteral("12345"));
    QTest::keyClick(keypad.edit, Qt::Key_Escape);
    QVERIFY(keypad.Cancelled());
    QVERIFY(prompts.Asked().isEmpty());
}

void TestGuiPassword::runCollectsOrChecks_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("after");

    QTest::newRow("collects") << ""
                              << "Please enter a new password below:"
                              << "97531" << true << true << "97531";
    QTest::newRow("collect cancelled") << ""
                                       << "Please enter a new password below:"
                                       << "97531" << false << false << "";
    QTest::newRow("checks") << "2468"
                            << ""
                            << "2468" << false << true << "2468";
    QTest::newRow("check cancelled") << "2468"
                                     << ""
                                     << "246" << false << false << "2468";
}

void TestGuiPassword::runCollectsOrChecks() {
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(QString, typed);
    QFETCH(bool, confirm);
    QFETCH(bool, result);
    QFETCH(QString, after);

    ScriptedPrompts prompts;
    QString shown;
    WhenKeypadOpens([&](CDlgPassword* dialog) {
        shown = dialog->findChild<QLabel*>(QStringLiteral("message"))->text();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("password")), typed);
        if (confirm)
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    });
    QCOMPARE(CDlgPassword::Run(nullptr, password, message), result);
    QCOMPARE(password, after);
    // Without a message the keypad asks to unlock, its placeholder left as it is.
    QCOMPARE(shown, message.isEmpty() ? QStringLiteral("Enter the password to unlock this wallet (%s):") : message);
    QVERIFY(prompts.Faults().isEmpty());
}

void TestGuiPassword::runLiftsWaitCursor() {
    ScriptedPrompts prompts;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    bool cursorDuringKeypad = true;
    WhenKeypadOpens([&](CDlgPassword*) { cursorDuringKeypad = QGuiApplication::overrideCursor() != nullptr; });
    QString password = QStringLiteral("1234");
    QVERIFY(!CDlgPassword::Run(nullptr, password, QString()));
    QVERIFY(!cursorDuringKeypad);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QGuiApplication::restoreOverrideCursor();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestGuiPassword)
#include "TestGuiPassword.moc"
