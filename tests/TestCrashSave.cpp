// SPDX-License-Identifier: GPL-3.0-or-later
// A saving process killed at any moment must leave a wallet that opens with either its old or its new content.
#include "TestFiles.h"
#include "WalletFixture.h"

#include "storage/CompoundFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

namespace {
constexpr int kCards = 300;

// Every card of one save carries the same generation, so a wallet mixed from two saves is seen at once.
void Fill(CWallet& wallet, int generation) {
    for (int i = 0; i < kCards; ++i) {
        CCard* card = wallet.Cards().FindById(i + 1);
        if (!card)
            card = &wallet.AddCard(std::make_unique<CCard>(i + 1));
        wallet.ChangeCard(*card, [generation](CCard& changed) {
            changed.description = QStringLiteral("generation %1").arg(generation);
            changed.values.Set(0, QString(200 + generation % 50, QChar(u'a' + generation % 26)));
            return true;
        });
    }
    wallet.SetNextId(kCards + 1);
}

int Generation(const CWallet& wallet) {
    if (wallet.Cards().Count() != kCards)
        return -1;
    const QString first = wallet.Cards().At(0)->description;
    for (const CCard* card : wallet.Cards()) {
        if (card->description != first)
            return -1;
    }
    return first.section(u' ', 1).toInt();
}

const QString kPassphrase = QStringLiteral("orbit tulip canyon velvet harbor 1984");

// The child saves new generations until it is killed; a sealed wallet is opened with its passphrase first, so that
// the saves are sealed.
int SaveForever(const QString& path, bool sealed) {
    ScriptedPrompts prompts;
    CWallet wallet;
    wallet.SetPathName(path);
    if (sealed) {
        prompts.Passphrase(kPassphrase);
        if (!wallet.OnOpenDocument(path) || !wallet.IsSealed())
            return 1;
    }
    for (int generation = 1;; ++generation) {
        Fill(wallet, generation);
        if (!wallet.OnSaveDocument(path))
            return 1;
    }
}
QString Cli() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvel-cli");
}

int RunCli(const QStringList& arguments) {
    QProcess cli;
    cli.start(Cli(), arguments);
    cli.closeWriteChannel();
    return cli.waitForFinished(30000) ? cli.exitCode() : -1;
}

// Every stream that a card names is in the file, and every stream in the file is named by a card.
QString Inconsistency(const CWallet& wallet, const QString& path) {
    QStringList named;
    for (const CCard* card : wallet.Cards()) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached())
                named.append(slot->streamName);
        }
    }
    CompoundFile file;
    if (!file.Open(path, CompoundFile::kReadMode) || !file.OpenStorage(QStringLiteral("F")))
        return file.ErrorString();
    QStringList stored = file.ElementNames();
    named.sort();
    stored.sort();
    return named == stored ? QString() : named.join(u' ') + QStringLiteral(" named, stored: ") + stored.join(u' ');
}

// One command on a card or category picked at random: attaching, detaching, deleting a card or a whole category.
QStringList RandomCommand(const CWallet& wallet, const QString& path, const QString& attachment,
                          QRandomGenerator& random) {
    const int pick = int(random.bounded(wallet.Cards().Count() + 1));
    const CCard* card = pick < wallet.Cards().Count() ? wallet.Cards().At(pick) : nullptr;
    const QString id = card ? QString::number(card->id) : QStringLiteral("0");
    switch (random.bounded(4)) {
    case 0:
        return {QStringLiteral("attach"), path, id,
                card && card->image().IsAttached() ? QStringLiteral("sound") : QStringLiteral("image"), attachment};
    case 1:
        return {QStringLiteral("detach"), path, id, QStringLiteral("image"), QStringLiteral("--yes")};
    case 2:
        return {QStringLiteral("rm-card"), path, id, QStringLiteral("--yes")};
    default:
        return {QStringLiteral("rm-category"), path, QString::number(card ? card->categoryId : 0),
                QStringLiteral("--yes")};
    }
}

// A category with a few attached cards, made by commands that are left to finish.
void AddAttachedCategory(const QString& path, const QString& attachment, int round) {
    QProcess add;
    add.start(Cli(), {QStringLiteral("add-category"), path, QStringLiteral("Round %1").arg(round),
                      QStringLiteral("--no-password")});
    add.waitForFinished(30000);
    const QString category = QString::fromUtf8(add.readAllStandardOutput()).trimmed();
    for (int i = 0; i < 3; ++i) {
        QProcess card;
        card.start(Cli(), {QStringLiteral("add-card"), path, category, QStringLiteral("9"), QStringLiteral("Card")});
        card.waitForFinished(30000);
        const QString id = QString::fromUtf8(card.readAllStandardOutput()).trimmed();
        RunCli({QStringLiteral("attach"), path, id, QStringLiteral("document"), attachment});
    }
}
} // namespace

class TestCrashSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedSavesLeaveOldOrNewWallet_data() {
        QTest::addColumn<bool>("sealed");
        QTest::newRow("plain") << false;
        QTest::newRow("sealed") << true;
    }
    void killedSavesLeaveOldOrNewWallet() {
        QFETCH(bool, sealed);
        WalletFixture f;
        const QString path = f.Path("crash.kvx");
        Fill(*f.wallet, 0);
        QVERIFY(f.SaveAs(QStringLiteral("crash.kvx")));
        QString error;
        if (sealed)
            QVERIFY2(f.wallet->SealFile(kPassphrase, 1, 8, error), qPrintable(error));
        QRandomGenerator random(7);
        int lastSeen = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {sealed ? QStringLiteral("sealed-child") : QStringLiteral("child"), path});
            QVERIFY(child.waitForStarted());
            QThread::msleep(20 + random.bounded(150));
            child.kill();
            QVERIFY(child.waitForFinished());
            f.wallet->DeleteContents();
            if (sealed)
                f.prompts.Passphrase(kPassphrase);
            QVERIFY2(f.wallet->OnOpenDocument(path), qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(f.wallet->IsSealed(), sealed);
            const int generation = Generation(*f.wallet);
            QVERIFY2(generation >= 0, qPrintable(QStringLiteral("mixed wallet in round %1").arg(round)));
            lastSeen = std::max(lastSeen, generation);
        }
        // The children did get saves through, so the kills did land in the middle of saving.
        QVERIFY(lastSeen > 0);
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // Commands that change attachments, killed at random moments, leave a wallet whose cards and attachment streams
    // agree: the card list and the streams always reach the file in one commit.
    void killedCommandsLeaveConsistentWallets() {
        WalletFixture f;
        WalletFixture::LoadLibrary();
        const QString path = f.Path("attached.kvx");
        const QString attachment = WriteFileBytes(f.Path("scan.bin"), Pattern(600 * 1024));
        f.MakeNew();
        QVERIFY(f.SaveAs(QStringLiteral("attached.kvx")));
        QRandomGenerator random(11);
        int killed = 0;
        for (int round = 0; round < 60; ++round) {
            f.wallet->DeleteContents();
            QVERIFY2(f.wallet->OnOpenDocument(path), qPrintable(QStringLiteral("round %1").arg(round)));
            const QString problem = Inconsistency(*f.wallet, path);
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problem)));
            if (f.wallet->Cards().Count() < 4) {
                AddAttachedCategory(path, attachment, round);
                continue;
            }
            QProcess cli;
            cli.start(Cli(), RandomCommand(*f.wallet, path, attachment, random));
            QVERIFY(cli.waitForStarted());
            cli.closeWriteChannel();
            QThread::msleep(random.bounded(60));
            killed += cli.state() == QProcess::Running ? 1 : 0;
            cli.kill();
            QVERIFY(cli.waitForFinished());
        }
        // Some commands were cut off while they ran.
        QVERIFY(killed > 10);
        QVERIFY(f.prompts.Faults().isEmpty());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "child") == 0)
        return SaveForever(QString::fromLocal8Bit(argv[2]), false);
    if (argc == 3 && qstrcmp(argv[1], "sealed-child") == 0)
        return SaveForever(QString::fromLocal8Bit(argv[2]), true);
    TestCrashSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestCrashSave.moc"
