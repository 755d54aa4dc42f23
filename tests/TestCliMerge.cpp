// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli merge: what it prints, what the wallet holds after it, and that bad input changes nothing.
#include "CliRunner.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestCliMerge : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_folder;
    QString m_wallet;
    QString m_other;
    QString m_base;

    QString Path(const QString& name) const { return m_folder.filePath(name); }

    void Ok(const QStringList& arguments) {
        const CliRun run = RunCli(arguments);
        QVERIFY2(run.status == 0, Shown(run));
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = StartCliSuite(m_runtime);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Category 37 with card 38 "Visa"; the wallet and the other version each change it and add a card of their own
    // under the same id 39.
    void init() {
        m_wallet = Path(QStringLiteral("w.kvx"));
        m_other = Path(QStringLiteral("other.kvx"));
        m_base = Path(QStringLiteral("base.kvx"));
        for (const QString& path : {m_wallet, m_other, m_base})
            QFile::remove(path);
        Ok({"create", m_wallet});
        Ok({"add-category", m_wallet, "Open", "--no-password"});
        Ok({"add-card", m_wallet, "37", "9", "Visa", "--value", "0=4111"});
        QVERIFY(QFile::copy(m_wallet, m_base) && QFile::copy(m_wallet, m_other));
        Ok({"edit-card", m_wallet, "38", "--value", "0=5"});
        Ok({"add-card", m_wallet, "37", "9", "Diners"});
        Ok({"edit-card", m_other, "38", "--value", "3=999"});
        Ok({"add-card", m_other, "37", "9", "Amex"});
    }

    // A dry run only prints; the merge saves once and prints the same.
    void mergesAgainstTheBase() {
        const QByteArray before = FileBytes(m_wallet);
        const CliRun dry = RunCli({"merge", m_wallet, m_other, "--base", m_base, "--dry-run"});
        QCOMPARE(dry.status, 0);
        QCOMPARE(FileBytes(m_wallet), before);
        const CliRun run = RunCli({"merge", m_wallet, m_other, "--base", m_base});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, dry.out);
        QCOMPARE(run.out, QStringLiteral("changed from \"other.kvx\": card \"Visa\" (38)\n"
                                         "added from \"other.kvx\" under a new id: card \"Amex\" (40, 39 in "
                                         "\"other.kvx\")\n"));
        const CliRun shown = RunCli({"show", m_wallet, "38", "--json", "--show-passwords"});
        const QJsonArray values = shown.Json().object()["values"].toArray();
        QVERIFY2(QJsonDocument(values).toJson().contains("\"5\"") && QJsonDocument(values).toJson().contains("999"),
                 Shown(shown));
        QCOMPARE(RunCli({"merge", m_wallet, m_other, "--base", m_other}).out,
                 QStringLiteral("nothing to merge: the wallet already holds all that \"other.kvx\" holds\n"));
    }

    // Without a base, records that differ are both kept.
    void withoutBaseKeepsBoth() {
        const CliRun run = RunCli({"merge", m_wallet, m_other});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(QStringLiteral("kept as a conflict copy from \"other.kvx\": card \"Visa (conflict ")),
                 Shown(run));
        QCOMPARE(RunCli({"ls", m_wallet, "37"}).out.count(u'\n'), 4);
    }

    // Another file, a missing one or the wallet itself: refused with a reason, the wallet untouched.
    void badInputChangesNothing() {
        const QByteArray before = FileBytes(m_wallet);
        WriteFileBytes(Path(QStringLiteral("junk.kvx")), "not a wallet");
        for (const QString& other : {Path(QStringLiteral("junk.kvx")), Path(QStringLiteral("none.kvx")), m_wallet}) {
            const CliRun run = RunCli({"merge", m_wallet, other});
            QVERIFY2(run.status == 1 && !run.err.isEmpty(), Shown(run));
        }
        QCOMPARE(RunCli({"merge", m_wallet, m_other, "--base", Path(QStringLiteral("junk.kvx"))}).status, 1);
        QCOMPARE(FileBytes(m_wallet), before);
    }
};

QTEST_GUILESS_MAIN(TestCliMerge)
#include "TestCliMerge.moc"
