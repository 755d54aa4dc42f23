// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli on sealed wallets: seal, unseal, and every other command reading the passphrase first.
#include "CliRunner.h"
#include "TestFiles.h"

#include "base/ResourceLibrary.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"
#include "storage/SealingWriter.h"

#include <QBuffer>

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
const QByteArray kPassphrase = "glacier pepper umbrella 77 nimbus";
// Cheap costs: the suite checks behaviour, not the derivation's price.
const QStringList kCheap = {QStringLiteral("--kdf-passes"), QStringLiteral("1"), QStringLiteral("--kdf-memory"),
                            QStringLiteral("1")};
} // namespace

class TestCliSeal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A wallet with one card in a category without password, and optionally a keypad password.
    QString MakeWallet(const QString& name, const QByteArray& password = {}) {
        const QString path = m_dir.filePath(name);
        const QStringList create = password.isEmpty()
                                       ? QStringList{QStringLiteral("create"), path}
                                       : QStringList{QStringLiteral("create"), path, QStringLiteral("--password")};
        [&] { QCOMPARE(RunCli(create, password + '\n' + password + '\n').status, 0); }();
        const CliRun category =
            RunCli({QStringLiteral("add-category"), path, QStringLiteral("Banking"), QStringLiteral("--no-password")},
                   password + '\n');
        RunCli({QStringLiteral("add-card"), path, category.out.trimmed(), QStringLiteral("9"), QStringLiteral("Visa"),
                QStringLiteral("--value"), QStringLiteral("1=4111 2222")},
               password + '\n');
        return path;
    }

    CliRun Seal(const QString& path, const QByteArray& input) {
        return RunCli(QStringList{QStringLiteral("seal"), path} + kCheap, input);
    }

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(ResourceLibrary::IsLoaded() || ResourceLibrary::Load(&error), qPrintable(error));
    }

    void sealOpenAndUnseal() {
        const QString path = MakeWallet(QStringLiteral("w.kvx"));
        const QByteArray plain = FileBytes(path);
        CliRun run = Seal(path, kPassphrase + '\n' + kPassphrase + '\n');
        QVERIFY2(run.status == 0, Shown(run));
        QVERIFY(run.out.contains(QStringLiteral("is sealed (Argon2id, 1 passes, 1 MiB)")));
        QVERIFY(FileBytes(path).startsWith("KVSEALED"));

        run = RunCli({QStringLiteral("search"), path, QStringLiteral("Visa")}, kPassphrase + '\n');
        QVERIFY2(run.status == 0 && run.out.contains(QStringLiteral("Visa")), Shown(run));
        run = RunCli({QStringLiteral("info"), path, QStringLiteral("--json")}, kPassphrase + '\n');
        QCOMPARE(run.Json()[QStringLiteral("sealed")].toBool(), true);
        QCOMPARE(run.Json()[QStringLiteral("sealMemoryKiB")].toInt(), 1024);

        // Unsealing asks first; without --yes a script gets No and the file stays sealed.
        run = RunCli({QStringLiteral("unseal"), path}, kPassphrase + '\n');
        QVERIFY(run.status != 0);
        QVERIFY(FileBytes(path).startsWith("KVSEALED"));
        run = RunCli({QStringLiteral("unseal"), path, QStringLiteral("--yes")}, kPassphrase + '\n');
        QVERIFY2(run.status == 0, Shown(run));
        QCOMPARE(FileBytes(path), plain);
        run = RunCli({QStringLiteral("info"), path, QStringLiteral("--json")});
        QCOMPARE(run.Json()[QStringLiteral("sealed")].toBool(), false);
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong passphrase") << QStringList{QStringLiteral("ls")} << QByteArray("wrong words here\n")
                                          << QStringLiteral("the passphrase is wrong");
        QTest::newRow("no passphrase") << QStringList{QStringLiteral("ls")} << QByteArray()
                                       << QStringLiteral("no passphrase was entered");
        QTest::newRow("two new passphrases differ")
            << (QStringList{QStringLiteral("seal")} + kCheap)
            << kPassphrase + "\nanother long passphrase of words\nsomething else entirely typed\n"
            << QStringLiteral("the two passphrases differ");
        QTest::newRow("weak new passphrase")
            << (QStringList{QStringLiteral("seal")} + kCheap) << kPassphrase + "\nletmein\nletmein\n"
            << QStringLiteral("too easy");
        QTest::newRow("absurd memory") << QStringList{QStringLiteral("seal"), QStringLiteral("--kdf-memory"),
                                                      QStringLiteral("99999999")}
                                       << QByteArray() << QStringLiteral("--kdf-memory must be a number");
    }
    void refusals() {
        QFETCH(QStringList, command);
        QFETCH(QByteArray, input);
        QFETCH(QString, message);
        const QString path = MakeWallet(QStringLiteral("refused.kvx"));
        QVERIFY(Seal(path, kPassphrase + '\n' + kPassphrase + '\n').status == 0);
        const QByteArray before = FileBytes(path);
        command.insert(1, path);
        const CliRun run = RunCli(command, input);
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.contains(message), Shown(run));
        QCOMPARE(FileBytes(path), before);
        QFile::remove(path);
    }

    // Other names of the same file (hard links) keep what it held: the user is told and must agree.
    void linkedWalletNeedsYes_data() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("seal") << (QStringList{QStringLiteral("seal")} + kCheap)
                              << kPassphrase + '\n' + kPassphrase + '\n';
        QTest::newRow("passwd") << QStringList{QStringLiteral("passwd")} << QByteArray("2468\n2468\n");
    }
    void linkedWalletNeedsYes() {
        QFETCH(QStringList, command);
        QFETCH(QByteArray, input);
        const QString path = MakeWallet(QStringLiteral("linked.kvx"));
        const QString other = m_dir.filePath(QStringLiteral("other name.kvx"));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        const QByteArray before = FileBytes(path);
        command.insert(1, path);
        CliRun run = RunCli(command, input);
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.contains(QStringLiteral("the other names keep the old content")), Shown(run));
        QCOMPARE(FileBytes(path), before);
        run = RunCli(command + QStringList{QStringLiteral("--yes")}, input);
        QVERIFY2(run.status == 0, Shown(run));
        QVERIFY(FileBytes(path) != before);
        QCOMPARE(FileBytes(other), before);
        QFile::remove(path);
        QFile::remove(other);
    }

    // More than sealing ever chooses is derived only with --trust-costs.
    void unusualCostsNeedTrust() {
        const QString path = MakeWallet(QStringLiteral("costly.kvx"));
        SealedHeader header;
        header.operations = SealedHeader::kUsualMaxOperations + 1;
        header.memoryKiB = 8;
        header.salt = QByteArray(SealedHeader::kSaltSize, 's');
        QString error;
        const std::shared_ptr<const SealKey> key = SealKey::Derive(QString::fromUtf8(kPassphrase), header, error);
        QVERIFY(key);
        QByteArray sealed;
        {
            QBuffer out(&sealed);
            out.open(QIODevice::WriteOnly);
            SealingWriter writer(out, *key);
            writer.write(FileBytes(path));
            QVERIFY(writer.Finish());
        }
        WriteFileBytes(path, sealed);
        CliRun run = RunCli({QStringLiteral("ls"), path}, kPassphrase + '\n');
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.contains(QStringLiteral("17 passes")) && run.err.contains(QStringLiteral("--trust-costs")),
                 Shown(run));
        run = RunCli({QStringLiteral("ls"), path, QStringLiteral("--trust-costs")}, kPassphrase + '\n');
        QVERIFY2(run.status == 0 && run.out.contains(QStringLiteral("Banking")), Shown(run));
    }

    // The keypad password, where it is asked too, comes on the line after the passphrase.
    void passphraseThenKeypadPassword() {
        const QString path = MakeWallet(QStringLiteral("keypad.kvx"), "2468");
        CliRun run = Seal(path, "2468\n" + kPassphrase + '\n' + kPassphrase + '\n');
        QVERIFY2(run.status == 0, Shown(run));
        run = RunCli({QStringLiteral("passwd"), path}, kPassphrase + "\n2468\n13579\n13579\n");
        QVERIFY2(run.status == 0, Shown(run));
        run = RunCli({QStringLiteral("unseal"), path, QStringLiteral("--yes")}, kPassphrase + "\n13579\n");
        QVERIFY2(run.status == 0, Shown(run));
    }
};

QTEST_GUILESS_MAIN(TestCliSeal)
#include "TestCliSeal.moc"
