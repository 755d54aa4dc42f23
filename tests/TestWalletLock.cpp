// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPrompts.h"
#include "document/CWalletLock.h"

#include <QSignalSpy>
#include <QTest>

// The lock on its own, without a wallet around it: what the gate grants and what it announces.
class TestWalletLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wrongPasswordLeavesItLockedAndSaysSo() {
        ScriptedPrompts prompts;
        CWalletLock lock;
        lock.SetPassword(QStringLiteral("1234"));
        QSignalSpy shown(&lock, &CWalletLock::lockStateShown);
        QSignalSpy changed(&lock, &CWalletLock::lockChanged);
        prompts.Password(QStringLiteral("9999"));
        QVERIFY(!lock.RequestAccess(QStringLiteral("bank.kvx"), false));
        QVERIFY(lock.IsLocked());
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toBool(), true);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(prompts.Asked().last(), QStringLiteral("Enter the password to unlock this wallet (bank.kvx):"));
        QVERIFY(prompts.Faults().isEmpty());
    }

    void rightPasswordUnlocksOnce() {
        ScriptedPrompts prompts;
        CWalletLock lock;
        lock.SetPassword(QStringLiteral("1234"));
        QSignalSpy changed(&lock, &CWalletLock::lockChanged);
        prompts.Password(QStringLiteral("1234"));
        QVERIFY(lock.RequestAccess(QStringLiteral("bank.kvx"), false));
        QVERIFY(!lock.IsLocked());
        QVERIFY(lock.RequestAccess(QStringLiteral("bank.kvx"), false));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QVERIFY(prompts.Faults().isEmpty());
    }

    void disabledDesktopPasswordGrantsAccessAndKeepsTheState() {
        ScriptedPrompts prompts;
        CWalletLock lock;
        lock.SetPassword(QStringLiteral("1234"));
        QSignalSpy shown(&lock, &CWalletLock::lockStateShown);
        QVERIFY(lock.RequestAccess(QStringLiteral("bank.kvx"), true));
        QVERIFY(lock.IsLocked());
        QCOMPARE(shown.count(), 0);
        QVERIFY(prompts.Asked().isEmpty());
    }

    void setLockedAnnouncesOnlyRealChanges() {
        CWalletLock lock;
        QSignalSpy shown(&lock, &CWalletLock::lockStateShown);
        QSignalSpy changed(&lock, &CWalletLock::lockChanged);
        lock.SetLocked(true);
        lock.SetLocked(false);
        lock.SetLocked(false);
        lock.SetLocked(true);
        QCOMPARE(shown.count(), 4);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QCOMPARE(changed.at(1).at(0).toBool(), true);
    }

    // Clearing is the wallet's reset: it announces nothing of its own.
    void clearLocksWithoutAnnouncing() {
        CWalletLock lock;
        lock.SetPassword(QStringLiteral("1234"));
        lock.SetLocked(false);
        QSignalSpy shown(&lock, &CWalletLock::lockStateShown);
        QSignalSpy changed(&lock, &CWalletLock::lockChanged);
        lock.Clear();
        QVERIFY(lock.IsLocked());
        QVERIFY(lock.Password().isEmpty());
        QCOMPARE(shown.count() + changed.count(), 0);
    }

    void changedPasswordIsAnnouncedBeforeTheUnlock() {
        ScriptedPrompts prompts;
        CWalletLock lock;
        QStringList heard;
        connect(&lock, &CWalletLock::passwordChanged, this, [&] { heard.append(QStringLiteral("password")); });
        connect(&lock, &CWalletLock::lockChanged, this,
                [&](bool locked) { heard.append(locked ? QStringLiteral("locked") : QStringLiteral("unlocked")); });
        prompts.Password(QStringLiteral("5678"));
        prompts.Message(QStringLiteral("verify your new password"), Prompts::Answer::Ok);
        prompts.Password(QStringLiteral("5678"));
        prompts.Message(QStringLiteral("Password changed"), Prompts::Answer::Ok);
        QVERIFY(lock.ChangePassword());
        QCOMPARE(lock.Password(), QStringLiteral("5678"));
        QCOMPARE(heard, (QStringList{QStringLiteral("password"), QStringLiteral("unlocked")}));
        QVERIFY(prompts.Faults().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWalletLock)
#include "TestWalletLock.moc"
