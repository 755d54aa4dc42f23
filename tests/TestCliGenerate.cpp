// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli generate: a password or passphrase as asked, and impossible settings refused with their reason.
#include "CliRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCliGenerate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void printsOnePasswordAsAsked() {
        const CliRun plain = RunCli({"generate"});
        QCOMPARE(plain.status, 0);
        QCOMPARE(plain.out.trimmed().size(), 20);
        QVERIFY(plain.out != RunCli({"generate"}).out);

        const CliRun digits =
            RunCli({"generate", "--length", "9", "--no-upper", "--no-lower", "--no-symbols", "--exclude", "0123"});
        QVERIFY2(digits.status == 0, Shown(digits));
        QVERIFY2(QRegularExpression(QStringLiteral("^[4-9]{9}\n$")).match(digits.out).hasMatch(), Shown(digits));
    }

    void printsAPassphraseFromTheWordList() {
        QTemporaryDir folder;
        QFile list(folder.filePath(QStringLiteral("words")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("alpha\nbeta\n");
        list.close();
        qputenv("KORVEL_WORDLIST", QFile::encodeName(list.fileName()));
        const CliRun words = RunCli({"generate", "--words", "6", "--separator", "."});
        QVERIFY2(words.status == 0, Shown(words));
        QVERIFY2(QRegularExpression(QStringLiteral("^((alpha|beta)\\.){5}(alpha|beta)\n$")).match(words.out).hasMatch(),
                 Shown(words));

        qputenv("KORVEL_WORDLIST", QFile::encodeName(folder.filePath(QStringLiteral("missing"))));
        const CliRun missing = RunCli({"generate", "--words", "4"});
        qunsetenv("KORVEL_WORDLIST");
        QCOMPARE(missing.status, 1);
        QVERIFY2(missing.err.contains(QStringLiteral("install the Debian package diceware")), Shown(missing));
        QVERIFY(missing.out.isEmpty());
    }

    void impossibleSettingsAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("too short") << QStringList{"--length", "3"} << "cannot hold one of each of the 4 kinds";
        QTest::newRow("all left out") << QStringList{"--no-upper", "--no-lower", "--no-symbols", "--exclude",
                                                     "0123456789"}
                                      << "every character is left out";
        QTest::newRow("no kind") << QStringList{"--no-upper", "--no-lower", "--no-symbols", "--no-digits"}
                                 << "no kind of character";
        QTest::newRow("one kind left out") << QStringList{"--no-upper", "--exclude", "abcdefghijklmnopqrstuvwxyz"}
                                           << "every one of the lower-case letters";
        QTest::newRow("too long") << QStringList{"--length", "1025"} << "--length must be a number from 1 to 1024";
        QTest::newRow("not a number") << QStringList{"--length", "many"} << "--length must be a number";
        QTest::newRow("words and length") << QStringList{"--words", "4", "--length", "9"} << "are for passwords";
    }

    void impossibleSettingsAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const CliRun run = RunCli(QStringList{"generate"} + arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(reason), Shown(run));
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliGenerate)
#include "TestCliGenerate.moc"
