// SPDX-License-Identifier: GPL-3.0-or-later
// A wallet kept in a folder that two Syncthing instances synchronise: changes made with korvel-cli on both sides at
// once leave a conflict copy, and korvel-cli merge brings every card of both sides into one wallet that both sides
// then hold. Each instance has a home of its own and talks to the other over 127.0.0.1 only, with discovery, relays,
// NAT traversal and usage reporting off. Skipped where syncthing is not installed or cannot run.
#include "CliRunner.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {
// The whole test ends well within two minutes; each wait takes what is left of this.
constexpr qint64 kBudgetMs = 100000;

// One Syncthing instance: its home (keys, configuration, database) and the folder it shares.
struct Instance {
    QString name;
    QString home;
    QString folder;
    QString id;
    quint16 port = 0;
    std::unique_ptr<QProcess> process;
    QByteArray output;

    QString Wallet() const { return folder + QStringLiteral("/w.kvx"); }

    bool Start(const QString& program) {
        process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("STNOUPGRADE"), QStringLiteral("1"));
        process->setProcessEnvironment(environment);
        QObject::connect(process.get(), &QProcess::readyRead, [this] { output += process->readAll(); });
        output.clear();
        process->start(program, {QStringLiteral("serve"), QStringLiteral("--home=") + home,
                                 QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                                 QStringLiteral("--no-upgrade"), QStringLiteral("--no-default-folder")});
        return process->waitForStarted(10000);
    }

    // SIGTERM reaches the instance through its monitor process, which ends with it.
    void Stop() {
        if (!process || process->state() == QProcess::NotRunning)
            return;
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    bool Running() const { return process && process->state() == QProcess::Running; }
};

quint16 FreePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QString ConflictCopy(const QString& folder) {
    const QStringList found =
        QDir(folder).entryList({QStringLiteral("w.sync-conflict-*.kvx")}, QDir::Files, QDir::Name);
    return found.isEmpty() ? QString() : QDir(folder).filePath(found.first());
}
} // namespace

class TestCliSyncthing : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_root;
    QString m_syncthing;
    Instance m_a;
    Instance m_b;
    QElapsedTimer m_clock;

    // Waits, with the event loop running, until `done` holds or the budget is spent.
    bool WaitFor(const std::function<bool()>& done) {
        while (!done()) {
            if (m_clock.elapsed() > kBudgetMs || !m_a.Running() || !m_b.Running())
                return false;
            QTest::qWait(200);
        }
        return true;
    }

    // Connected, each instance knows where the other listens; isolated, neither can find the other, and each only
    // scans its own folder.
    void WriteConfig(const Instance& own, bool connected) {
        QString devices;
        QString shares;
        for (const Instance* peer : {&m_a, &m_b}) {
            const QString address =
                connected ? QStringLiteral("tcp://127.0.0.1:%1").arg(peer->port) : QStringLiteral("dynamic");
            devices += QStringLiteral("<device id=\"%1\" name=\"%2\"><address>%3</address></device>\n")
                           .arg(peer->id, peer->name, address);
            shares += QStringLiteral("<device id=\"%1\"></device>").arg(peer->id);
        }
        const QString config =
            QStringLiteral(
                "<configuration version=\"36\">\n"
                "<folder id=\"korvel\" label=\"korvel\" path=\"%1\" type=\"sendreceive\" rescanIntervalS=\"60\" "
                "fsWatcherEnabled=\"true\" fsWatcherDelayS=\"1\">%2<minDiskFree unit=\"%\">0</minDiskFree>"
                "<maxConflicts>10</maxConflicts></folder>\n%3"
                "<gui enabled=\"false\"></gui>\n"
                "<options><listenAddress>tcp://127.0.0.1:%4</listenAddress>"
                "<globalAnnounceEnabled>false</globalAnnounceEnabled><localAnnounceEnabled>false</localAnnounceEnabled>"
                "<relaysEnabled>false</relaysEnabled><natEnabled>false</natEnabled><urAccepted>-1</urAccepted>"
                "<autoUpgradeIntervalH>0</autoUpgradeIntervalH><crashReportingEnabled>false</crashReportingEnabled>"
                "<startBrowser>false</startBrowser><minHomeDiskFree unit=\"%\">0</minHomeDiskFree></options>\n"
                "</configuration>\n")
                .arg(own.folder, shares, devices)
                .arg(own.port);
        WriteFileBytes(own.home + QStringLiteral("/config.xml"), config.toUtf8());
    }

    void StartBoth(bool connected) {
        for (Instance* instance : {&m_a, &m_b}) {
            WriteConfig(*instance, connected);
            QVERIFY(instance->Start(m_syncthing));
        }
    }
    void StopBoth() {
        m_a.Stop();
        m_b.Stop();
    }

    // Keys and a device id of its own; false when syncthing cannot run here.
    bool Prepare(Instance& instance, const QString& name) {
        instance.name = name;
        instance.home = m_root.filePath(name + QStringLiteral("-home"));
        instance.folder = m_root.filePath(name + QStringLiteral("-shared"));
        QDir().mkpath(instance.folder);
        QDir().mkpath(instance.home);
        // Nothing of either instance goes to the user's own home.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), instance.home);
        QProcess generate;
        generate.setProcessEnvironment(environment);
        generate.start(m_syncthing, {QStringLiteral("generate"), QStringLiteral("--home=") + instance.home});
        if (!generate.waitForFinished(30000) || generate.exitCode() != 0)
            return false;
        QProcess id;
        id.setProcessEnvironment(environment);
        id.start(m_syncthing,
                 {QStringLiteral("serve"), QStringLiteral("--device-id"), QStringLiteral("--home=") + instance.home});
        if (!id.waitForFinished(30000) || id.exitCode() != 0)
            return false;
        instance.id = QString::fromUtf8(id.readAllStandardOutput()).trimmed();
        // The port of the instance prepared first is not handed out again.
        do
            instance.port = FreePort();
        while (instance.port != 0 && instance.port == m_a.port && &instance != &m_a);
        return !instance.id.isEmpty() && instance.port != 0;
    }

    void Ok(const QStringList& arguments) {
        const CliRun run = RunCli(arguments);
        QVERIFY2(run.status == 0, Shown(run));
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = StartCliSuite(m_runtime);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void cleanup() { StopBoth(); }

    void conflictCopyMergedOnBothSides() {
        m_clock.start();
        m_syncthing = QStandardPaths::findExecutable(QStringLiteral("syncthing"));
        if (m_syncthing.isEmpty())
            QSKIP("syncthing is not installed (tools/install-deps.sh installs Debian's); the synchronised wallet is "
                  "not tested");
        if (!Prepare(m_a, QStringLiteral("a")) || !Prepare(m_b, QStringLiteral("b")))
            QSKIP("syncthing cannot run here (it could not make its keys); the synchronised wallet is not tested");

        // The wallet reaches the other side.
        StartBoth(true);
        Ok({"create", m_a.Wallet()});
        Ok({"add-category", m_a.Wallet(), "Shared", "--no-password"});
        Ok({"add-card", m_a.Wallet(), "37", "9", "Both"});
        QVERIFY2(WaitFor([&] { return FileBytes(m_b.Wallet()) == FileBytes(m_a.Wallet()); }), m_b.output);
        StopBoth();

        // Both sides change it while apart; each instance scans its change before they meet again.
        Ok({"add-card", m_a.Wallet(), "37", "9", "From A"});
        QTest::qWait(1100);
        Ok({"add-card", m_b.Wallet(), "37", "9", "From B", "--value", "0=4111"});
        StartBoth(false);
        for (Instance* instance : {&m_a, &m_b})
            QVERIFY2(WaitFor([&] { return instance->output.contains("Completed initial scan"); }), instance->output);
        StopBoth();

        // Together again, the engine keeps one version and leaves the other as a conflict copy on both sides.
        StartBoth(true);
        QVERIFY2(WaitFor([&] {
                     return !ConflictCopy(m_a.folder).isEmpty() && FileBytes(m_a.Wallet()) == FileBytes(m_b.Wallet());
                 }),
                 m_a.output);
        const QString copy = ConflictCopy(m_a.folder);
        Ok({"merge", m_a.Wallet(), copy});
        QVERIFY(QFile::remove(copy));
        QVERIFY2(WaitFor([&] {
                     return ConflictCopy(m_b.folder).isEmpty() && FileBytes(m_b.Wallet()) == FileBytes(m_a.Wallet());
                 }),
                 m_b.output);
        StopBoth();
        const QString cards = RunCli({"ls", m_b.Wallet(), "37"}).out;
        for (const char* card : {"Both", "From A", "From B"})
            QVERIFY2(cards.contains(QString::fromUtf8(card)), qPrintable(cards));
    }
};

QTEST_GUILESS_MAIN(TestCliSyncthing)
#include "TestCliSyncthing.moc"
