// SPDX-License-Identifier: GPL-3.0-or-later
// One instance per user: a later start, in a process of its own, finds the running instance and brings its window
// forward; start-ups take turns; what a crashed instance leaves behind blocks nobody.
#include "views/CInstanceChecker.h"

#include <QApplication>
#include <QDialog>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <set>
#include <unistd.h>

namespace {
const QString kTitle = QStringLiteral("KorvelTest");

// How a start-up in a child process ended, as its exit status.
enum ChildResult { kAlone = 10, kBroughtForward = 11, kNoAnswer = 12 };

// A later start, as the program makes it.
int SecondStart() {
    CInstanceChecker checker(kTitle);
    checker.WaitForStartupTurn();
    if (!checker.IsAnotherInstanceRunning())
        return kAlone;
    return checker.BringOtherInstanceForward() ? kBroughtForward : kNoAnswer;
}

// An instance that dies while starting up, holding the start-up lock, or after publishing its window. No destructor
// runs, as in a real crash.
int Crash(bool afterPublishing) {
    CInstanceChecker checker(kTitle);
    checker.WaitForStartupTurn();
    QWidget window;
    if (afterPublishing)
        checker.PublishMainWindow(&window);
    ::kill(::getpid(), SIGKILL);
    return 0;
}

QString RuntimeFile(const QString& name) {
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/' + name;
}

QString SocketPath() {
    return RuntimeFile(CInstanceChecker::ServerName(kTitle, ::getuid()));
}

std::unique_ptr<QProcess> StartChild(const QString& mode) {
    auto child = std::make_unique<QProcess>();
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    child->start(QCoreApplication::applicationFilePath(), {mode});
    return child;
}
} // namespace

class TestGuiInstance : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_runtime;

    // Runs a child to its end while this process keeps serving its window.
    static int RunChild(const QString& mode) {
        auto child = StartChild(mode);
        if (!child->waitForStarted())
            return -1;
        if (!QTest::qWaitFor([&] { return child->state() == QProcess::NotRunning; }, 20000)) {
            child->kill();
            child->waitForFinished();
            return -1;
        }
        return child->exitStatus() == QProcess::NormalExit ? child->exitCode() : -1;
    }

    // A first instance, its window minimised from `state`.
    static void StartFirst(CInstanceChecker& checker, QWidget& window, Qt::WindowStates state) {
        checker.WaitForStartupTurn();
        QVERIFY(!checker.IsAnotherInstanceRunning());
        window.setWindowState(state | Qt::WindowMinimized);
        window.show();
        checker.PublishMainWindow(&window);
    }

private Q_SLOTS:
    // Each test has a runtime folder of its own, which the child processes inherit.
    void init() {
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    }

    void serverNamesKeepUsersApart() {
        const QList<std::pair<QString, uint>> starts = {
            {QStringLiteral("Korvel"), 1000}, {QStringLiteral("Korvel"), 1001}, {QStringLiteral("Korvel"), 0},
            {QStringLiteral("Korvel"), 10},   {QStringLiteral("Korvel1"), 0},   {QStringLiteral("Other"), 1000}};
        std::set<QString> names;
        for (const auto& [title, user] : starts) {
            const QString name = CInstanceChecker::ServerName(title, user);
            QVERIFY2(name.startsWith(QStringLiteral("CInstanceChecker_MMF_") + title), qPrintable(name));
            QVERIFY2(!name.contains(u'/'), qPrintable(name));
            names.insert(name);
        }
        QCOMPARE(names.size(), size_t(starts.size()));
    }

    void aloneWithoutRunningInstance() { QCOMPARE(RunChild(QStringLiteral("second")), int(kAlone)); }

    void secondStartBringsWindowForward_data() {
        QTest::addColumn<Qt::WindowStates>("before");
        QTest::addColumn<bool>("withDialog");
        QTest::newRow("minimised") << Qt::WindowStates(Qt::WindowNoState) << false;
        QTest::newRow("minimised from maximised") << Qt::WindowStates(Qt::WindowMaximized) << false;
        QTest::newRow("minimised with a dialog open") << Qt::WindowStates(Qt::WindowNoState) << true;
    }

    void secondStartBringsWindowForward() {
        QFETCH(Qt::WindowStates, before);
        QFETCH(bool, withDialog);
        CInstanceChecker checker(kTitle);
        QWidget window;
        StartFirst(checker, window, before);
        QDialog dialog(&window);
        if (withDialog) {
            dialog.setModal(true);
            dialog.show();
        }
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);

        QCOMPARE(RunChild(QStringLiteral("second")), int(kBroughtForward));
        QCOMPARE(window.windowState() & ~Qt::WindowActive, before);
        QWidget* const expected = withDialog ? static_cast<QWidget*>(&dialog) : &window;
        QTRY_COMPARE(QApplication::activeWindow(), expected);
    }

    // The second start waits while the first is starting up and finds it once its window is published. The first
    // runs under an application name that is not its file name, as the program does; the lock must not look
    // abandoned for that.
    void startupsTakeTurns() {
        const auto restoreName =
            qScopeGuard([name = QCoreApplication::applicationName()] { QCoreApplication::setApplicationName(name); });
        QCoreApplication::setApplicationName(QStringLiteral("Korvel Test"));
        CInstanceChecker checker(kTitle);
        checker.WaitForStartupTurn();
        auto child = StartChild(QStringLiteral("second"));
        QVERIFY(child->waitForStarted());
        QTest::qWait(1500);
        QCOMPARE(child->state(), QProcess::Running);

        QWidget window;
        window.showMinimized();
        checker.PublishMainWindow(&window);
        QVERIFY(QTest::qWaitFor([&] { return child->state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(child->exitCode(), int(kBroughtForward));
        QVERIFY(!window.isMinimized());
    }

    // A start that ends before publishing (a refused wallet password, a missing library) lets the next one go.
    void abandonedStartupLetsNextStartGo() {
        {
            CInstanceChecker checker(kTitle);
            checker.WaitForStartupTurn();
        }
        QCOMPARE(RunChild(QStringLiteral("second")), int(kAlone));
    }

    void crashedInstanceBlocksNobody_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("leftover");
        QTest::newRow("while starting") << QStringLiteral("crash-starting") << kTitle + QStringLiteral(".lock");
        QTest::newRow("after publishing")
            << QStringLiteral("crash-published") << CInstanceChecker::ServerName(kTitle, ::getuid());
    }

    void crashedInstanceBlocksNobody() {
        QFETCH(QString, mode);
        QFETCH(QString, leftover);
        QCOMPARE(RunChild(mode), -1);
        QVERIFY2(QFile::exists(RuntimeFile(leftover)), qPrintable(leftover));

        CInstanceChecker checker(kTitle);
        QWidget window;
        StartFirst(checker, window, Qt::WindowNoState);
        QCOMPARE(RunChild(QStringLiteral("second")), int(kBroughtForward));
        QVERIFY(!window.isMinimized());
    }

    // A start that publishes without asking first must not take the socket of the instance that runs.
    void runningInstanceKeepsItsSocket() {
        CInstanceChecker first(kTitle);
        QWidget window;
        StartFirst(first, window, Qt::WindowNoState);
        {
            CInstanceChecker careless(kTitle);
            careless.WaitForStartupTurn();
            QWidget other;
            careless.PublishMainWindow(&other);
        }
        QVERIFY(QFile::exists(SocketPath()));
        QCOMPARE(RunChild(QStringLiteral("second")), int(kBroughtForward));
        QVERIFY(!window.isMinimized());
    }

    void strangeRequestsAreRefused_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("unknown") << QByteArray("open /etc/passwd\n") << QByteArray("none\n");
        QTest::newRow("endless line") << QByteArray(4096, 'x') << QByteArray();
    }

    void strangeRequestsAreRefused() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        CInstanceChecker checker(kTitle);
        QWidget window;
        StartFirst(checker, window, Qt::WindowNoState);

        QLocalSocket client;
        client.connectToServer(SocketPath());
        QVERIFY(client.waitForConnected(1000));
        client.write(request);
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(client.readAll(), answer);
        QVERIFY(window.isMinimized());
        QCOMPARE(RunChild(QStringLiteral("second")), int(kBroughtForward));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "second") == 0)
        return SecondStart();
    if (argc == 2 && qstrncmp(argv[1], "crash-", 6) == 0)
        return Crash(qstrcmp(argv[1], "crash-published") == 0);
    TestGuiInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestGuiInstance.moc"
