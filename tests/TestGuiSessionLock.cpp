// SPDX-License-Identifier: GPL-3.0-or-later
// The wallet locks when the desktop says the user went away: the screen saver's lock, the login manager's lock of
// the session and its warning before sleep. The signals go over a private session bus that the suite starts for
// itself (dbus-run-session), never the user's own.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "views/CAwayLock.h"
#include "views/CSessionLockWatcher.h"
#include "widgets/AwaySettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace {
// A connection of its own, as the desktop's services are other programs than Korvel.
QDBusConnection Sender() {
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop"));
}

void Send(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments = {}) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    QVERIFY(Sender().send(signal));
}
} // namespace

class TestGuiSessionLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("No private D-Bus session bus: dbus-run-session (Debian's dbus-daemon) is missing");
    }
    void init() { QSettings().clear(); }

    void eachSignalLocksAsTheSettingsSay() {
        struct Case {
            const char* what;
            QString path, interface, name;
            QVariantList arguments;
        };
        const QString login1 = QStringLiteral("org.freedesktop.login1");
        const Case cases[] = {
            {"freedesktop screen saver",
             QStringLiteral("/org/freedesktop/ScreenSaver"),
             QStringLiteral("org.freedesktop.ScreenSaver"),
             QStringLiteral("ActiveChanged"),
             {true}},
            {"GNOME screen saver",
             QStringLiteral("/org/gnome/ScreenSaver"),
             QStringLiteral("org.gnome.ScreenSaver"),
             QStringLiteral("ActiveChanged"),
             {true}},
            {"session lock",
             QStringLiteral("/org/freedesktop/login1/session/_32"),
             login1 + QStringLiteral(".Session"),
             QStringLiteral("Lock"),
             {}},
            {"sleep",
             QStringLiteral("/org/freedesktop/login1"),
             login1 + QStringLiteral(".Manager"),
             QStringLiteral("PrepareForSleep"),
             {true}},
        };
        qputenv("XDG_SESSION_ID", "2");
        QCOMPARE(CSessionLockWatcher::SessionPath(), QStringLiteral("/org/freedesktop/login1/session/_32"));
        GuiProgram p;
        QVERIFY(p.Start());
        // The login manager speaks on the system bus; here the private bus stands in for it.
        p.Frame().AwayLock().WatchSession(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
        p.Wallet().SetPassword(QStringLiteral("2468"));
        for (const Case& c : cases) {
            p.Wallet().SetLocked(false);
            Send(c.path, c.interface, c.name, c.arguments);
            QTRY_VERIFY2(p.Wallet().IsLocked(), c.what);
        }
        // The screen saver ending and the machine waking lock nothing.
        p.Wallet().SetLocked(false);
        Send(cases[0].path, cases[0].interface, cases[0].name, {false});
        Send(cases[3].path, cases[3].interface, cases[3].name, {false});
        // Both choices off: the signals are heard and ignored.
        AwaySettings::SetLockOnScreenLock(false);
        AwaySettings::SetLockOnSleep(false);
        for (const Case& c : cases)
            Send(c.path, c.interface, c.name, c.arguments);
        QTest::qWait(300);
        QVERIFY(!p.Wallet().IsLocked());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join(u'\n')));
    }
};

// Runs itself again under a private session bus, so no signal reaches the user's desktop.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("KORVEL_PRIVATE_BUS")) {
        const QString runner = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
        if (!runner.isEmpty()) {
            qputenv("KORVEL_PRIVATE_BUS", "1");
            QStringList arguments{QStringLiteral("--"), QString::fromLocal8Bit(argv[0])};
            for (int i = 1; i < argc; ++i)
                arguments << QString::fromLocal8Bit(argv[i]);
            QProcess run;
            run.setProcessChannelMode(QProcess::ForwardedChannels);
            run.start(runner, arguments);
            run.waitForFinished(-1);
            return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : 1;
        }
        // No private bus can be had: the test skips rather than speak on the user's own bus.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    return RunGuiTest<TestGuiSessionLock>(argc, argv);
}
#include "TestGuiSessionLock.moc"
