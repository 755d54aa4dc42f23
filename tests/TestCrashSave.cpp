// SPDX-License-Identifier: GPL-3.0-or-later
// A saving process killed at any moment must leave a wallet that opens with either its old or its new content.
#include "WalletFixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

namespace {
constexpr int kCards = 300;

// Every card of one save carries the same generation, so a wallet mixed from two saves is seen at once.
void Fill(CWallet& wallet, int generation) {
    wallet.cards.DeleteAll();
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<CCard>(i + 1);
        card->description = QStringLiteral("generation %1").arg(generation);
        card->values[0] = QString(200 + generation % 50, QChar(u'a' + generation % 26));
        wallet.cards.InsertInIdOrder(card);
    }
    wallet.nextId = kCards + 1;
}

int Generation(const CWallet& wallet) {
    if (wallet.cards.Count() != kCards)
        return -1;
    const QString first = wallet.cards.At(0)->description;
    for (const CCard* card : wallet.cards) {
        if (card->description != first)
            return -1;
    }
    return first.section(u' ', 1).toInt();
}

// The child saves new generations until it is killed.
int SaveForever(const QString& path) {
    ScriptedPrompts prompts;
    CWallet wallet;
    wallet.SetPathName(path);
    for (int generation = 1;; ++generation) {
        Fill(wallet, generation);
        if (!wallet.OnSaveDocument(path))
            return 1;
    }
}
} // namespace

class TestCrashSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedSavesLeaveOldOrNewWallet() {
        WalletFixture f;
        const QString path = f.Path("crash.kvx");
        Fill(*f.wallet, 0);
        QVERIFY(f.SaveAs(QStringLiteral("crash.kvx")));
        QRandomGenerator random(7);
        int lastSeen = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child"), path});
            QVERIFY(child.waitForStarted());
            QThread::msleep(20 + random.bounded(150));
            child.kill();
            QVERIFY(child.waitForFinished());
            f.wallet->DeleteContents();
            QVERIFY2(f.wallet->OnOpenDocument(path), qPrintable(QStringLiteral("round %1").arg(round)));
            const int generation = Generation(*f.wallet);
            QVERIFY2(generation >= 0, qPrintable(QStringLiteral("mixed wallet in round %1").arg(round)));
            lastSeen = std::max(lastSeen, generation);
        }
        // The children did get saves through, so the kills did land in the middle of saving.
        QVERIFY(lastSeen > 0);
        QVERIFY(f.prompts.Faults().isEmpty());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "child") == 0)
        return SaveForever(QString::fromLocal8Bit(argv[2]));
    TestCrashSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestCrashSave.moc"
