// SPDX-License-Identifier: GPL-3.0-or-later
// Each save is one commit of the card list with exactly the attachments the cards name, and a save never overwrites
// what another program changed in the file meanwhile.
#include "WalletFixture.h"
#include "base/Clock.h"
#include "base/TempFiles.h"
#include "storage/CompoundFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QStringList Attachments(const QString& path) {
    CompoundFile file;
    if (!file.Open(path, CompoundFile::kReadMode) || !file.OpenStorage(QStringLiteral("F")))
        return {QStringLiteral("<cannot open>")};
    QStringList names = file.ElementNames();
    names.sort();
    return names;
}

QStringList Named(const CWallet& wallet) {
    QStringList names;
    for (const CCard* card : wallet.Cards()) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached())
                names.append(slot->streamName);
        }
    }
    names.sort();
    return names;
}

// A saved wallet of three cards, two of them with an attachment.
void MakeAttachedWallet(WalletFixture& f, const QString& name) {
    f.MakeNew();
    QVERIFY(f.SaveAs(name));
    QVERIFY(f.Attach(f.AddCard(QStringLiteral("Passport"))->image(), "scan.jpg", Pattern(9000, 1)));
    QVERIFY(f.Attach(f.AddCard(QStringLiteral("Policy"))->document(), "policy.pdf", Pattern(300, 2)));
    f.AddCard(QStringLiteral("Plain"));
    f.ExpectAttached(QStringLiteral("scan.jpg"));
    f.ExpectAttached(QStringLiteral("policy.pdf"));
    QVERIFY(f.wallet->OnFileSave());
    QCOMPARE(Attachments(f.Path(name)).size(), 2);
}

CCard* CardNamed(const CWallet& wallet, const QString& description) {
    for (CCard* card : wallet.Cards()) {
        if (card->description == description)
            return card;
    }
    return nullptr;
}

// Points the directory entry of an attachment stream at a sector far beyond the file's end.
bool DamageStream(const QString& path, const QString& streamName) {
    QByteArray bytes = FileBytes(path);
    QByteArray utf16(reinterpret_cast<const char*>(streamName.utf16()), streamName.size() * 2);
    const qsizetype at = bytes.indexOf(utf16);
    if (at < 0 || at % 128 != 0)
        return false;
    const char farAway[4] = {0x00, 0x00, 0x00, 0x10};
    bytes.replace(at + 116, 4, farAway, 4);
    WriteFileBytes(path, bytes);
    return true;
}

QString Cli() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvel-cli");
}
} // namespace

class TestTransactions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }
    void cleanup() { Clock::Release(); }

    void removalsReachTheFileWithTheSave() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("r.kvx"));
        const QByteArray before = FileBytes(f.Path("r.kvx"));
        CCard* passport = CardNamed(*f.wallet, QStringLiteral("Passport"));
        f.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        QVERIFY(f.wallet->DeleteCard(passport->id));
        QCOMPARE(FileBytes(f.Path("r.kvx")), before);
        QCOMPARE(CardNamed(*f.wallet, QStringLiteral("Policy"))->document().RemoveStream(), 1);
        QCOMPARE(FileBytes(f.Path("r.kvx")), before);
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(Attachments(f.Path("r.kvx")), QStringList());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void deletingACategoryIsOneCommit() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("c.kvx"));
        f.prompts.Message(QStringLiteral("Deleting this category"), Prompts::Answer::Yes);
        QVERIFY(f.wallet->DeleteCategory(35));
        QCOMPARE(Attachments(f.Path("c.kvx")).size(), 2);
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(Attachments(f.Path("c.kvx")), QStringList());
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(f.Path("c.kvx")));
        QCOMPARE(f.wallet->Cards().Count(), 0);
    }

    void attachmentsNobodyNamesAreNotWritten() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("d.kvx"));
        // A slot of a card sheet that was cancelled: its file never reaches the wallet.
        CAttachment discarded;
        QVERIFY(f.Attach(discarded, "draft.txt", "draft"));
        QString error;
        QCOMPARE(f.wallet->OpenStream(discarded.streamName, error)->readAll(), QByteArray("draft"));
        f.AddCard(QStringLiteral("More"));
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(Attachments(f.Path("d.kvx")), Named(*f.wallet));
    }

    // A save that fails after the attachment went in leaves the file as it was, and the slot keeps its pending
    // file for the next save, which then carries the real cause of the failure no more.
    void failedSaveKeepsThePendingAttachment() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("f.kvx"));
        const QByteArray before = FileBytes(f.Path("f.kvx"));
        CCard* card = f.AddCard(QStringLiteral("Big"));
        QVERIFY(f.Attach(card->sound(), "song.wav", Pattern(300000, 3)));
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        f.prompts.Message(QStringLiteral("File too large"), Prompts::Answer::Ok);
        const bool written = f.wallet->OnFileSave();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(FileBytes(f.Path("f.kvx")), before);
        QVERIFY(card->sound().IsAttached());
        f.ExpectAttached(QStringLiteral("song.wav"));
        QVERIFY(f.wallet->OnFileSave());
        QCOMPARE(Attachments(f.Path("f.kvx")), Named(*f.wallet));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join(u'\n')));
    }

    // Whichever step of the commit fails, the file and the wallet stay as they were and the next save goes through;
    // only a folder that cannot be flushed lets the finished commit stand.
    void eachCommitStepFailingLeavesEverything_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("saved");
        QTest::newRow("temporary file") << int(TempFiles::Step::CreateFile) << false;
        QTest::newRow("flush") << int(TempFiles::Step::SyncFile) << false;
        QTest::newRow("rename") << int(TempFiles::Step::Publish) << false;
        QTest::newRow("folder flush") << int(TempFiles::Step::SyncFolder) << true;
    }

    void eachCommitStepFailingLeavesEverything() {
        QFETCH(int, step);
        QFETCH(bool, saved);
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("s.kvx"));
        const QString path = f.Path("s.kvx");
        const QByteArray before = FileBytes(path);
        f.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        QVERIFY(f.wallet->DeleteCard(CardNamed(*f.wallet, QStringLiteral("Passport"))->id));
        QVERIFY(f.Attach(CardNamed(*f.wallet, QStringLiteral("Plain"))->sound(), "a.wav", Pattern(5000, 4)));
        const QByteArray wallet = f.Snapshot();
        TempFiles::SetFaultInjector([step](TempFiles::Step at) { return int(at) == step ? EIO : 0; });
        if (!saved)
            f.prompts.Message(QStringLiteral("Input/output error"), Prompts::Answer::Ok);
        else
            f.ExpectAttached(QStringLiteral("a.wav"));
        const bool written = f.wallet->OnFileSave();
        TempFiles::SetFaultInjector({});
        QCOMPARE(written, saved);
        const QStringList left =
            QDir(f.folder.path()).entryList({QStringLiteral(".s.kvx.*")}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList());
        if (!saved) {
            QCOMPARE(FileBytes(path), before);
            QCOMPARE(f.Snapshot(), wallet);
            QVERIFY(f.wallet->IsModified());
            f.ExpectAttached(QStringLiteral("a.wav"));
            QVERIFY(f.wallet->OnFileSave());
        }
        QCOMPARE(Attachments(path), Named(*f.wallet));
        QCOMPARE(Named(*f.wallet).size(), 2);
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join(u'\n')));
    }

    void saveRefusesAFileChangedElsewhere() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("x.kvx"));
        const QString path = f.Path("x.kvx");
        f.AddCard(QStringLiteral("Mine"));
        {
            CWallet other;
            QVERIFY(other.OnOpenDocument(path));
            auto card = std::make_unique<CCard>(other.NextId());
            card->description = QStringLiteral("Theirs");
            card->categoryId = 35;
            other.AddCard(std::move(card));
            QVERIFY(other.OnSaveDocument(path));
        }
        const QByteArray theirs = FileBytes(path);
        const QByteArray mine = f.Snapshot();
        f.prompts.Message(QStringLiteral("Another program has changed \"x.kvx\""), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnFileSave());
        QVERIFY(f.wallet->LastSaveConflicted());
        QCOMPARE(FileBytes(path), theirs);
        QCOMPARE(f.Snapshot(), mine);
        QVERIFY(f.wallet->IsModified());
        // Saving under another name is still open to the user.
        f.prompts.SaveFile(f.Path("mine.kvx"));
        QVERIFY(f.wallet->OnFileSaveAs());
        QCOMPARE(Attachments(f.Path("mine.kvx")), Named(*f.wallet));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void sameContentsWrittenAnewAreNoConflict() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("s.kvx"));
        const QString path = f.Path("s.kvx");
        {
            CWallet other;
            QVERIFY(other.OnOpenDocument(path));
            QVERIFY(other.Compact());
        }
        const timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
        QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        f.AddCard(QStringLiteral("After"));
        QVERIFY(f.wallet->OnFileSave());
        QVERIFY(!f.wallet->LastSaveConflicted());
        QVERIFY(f.wallet->Compact());
    }

    void readersShareWritersDoNot() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("l.kvx"));
        const QString path = f.Path("l.kvx");
        CompoundFile reader1, reader2, writer;
        QVERIFY(reader1.Open(path, CompoundFile::kReadMode));
        QVERIFY2(reader2.Open(path, CompoundFile::kReadMode), qPrintable(reader2.ErrorString()));
        QVERIFY(!writer.Open(path));
        QVERIFY(writer.ErrorString().contains(QStringLiteral("in use")));
        QVERIFY(!reader1.Commit());
        QVERIFY(!reader1.DestroyElement(QStringLiteral("D")));
        reader1.Close();
        reader2.Close();
        QVERIFY(writer.Open(path));
        QVERIFY(!reader1.Open(path, CompoundFile::kReadMode));
    }

    void readOnlyWalletIsNotChanged() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("ro.kvx"));
        const QString path = f.Path("ro.kvx");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = FileBytes(path);
        f.AddCard(QStringLiteral("New"));
        f.prompts.Message(QStringLiteral("is read-only"), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnFileSave());
        QCOMPARE(FileBytes(path), before);
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0444));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // A group other than the one a new file gets shows a skipped fchown without root: any group for root, one of
    // the user's other groups otherwise.
    void ownerGroupAndModeAreKept() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("o.kvx"));
        const QByteArray path = QFile::encodeName(f.Path("o.kvx"));
        QCOMPARE(chmod(path.constData(), 0640), 0);
        const bool root = geteuid() == 0;
        gid_t groups[NGROUPS_MAX];
        const int count = getgroups(NGROUPS_MAX, groups);
        const gid_t* other = std::find_if(groups, groups + std::max(count, 0), [](gid_t g) { return g != getegid(); });
        if (!root && other == groups + std::max(count, 0))
            QSKIP("the user belongs to no group but the one new files get, so a kept group cannot be told apart");
        const uid_t owner = root ? 4321 : geteuid();
        const gid_t group = root ? 8765 : *other;
        QCOMPARE(chown(path.constData(), owner, group), 0);
        f.AddCard(QStringLiteral("New"));
        QVERIFY(f.wallet->OnFileSave());
        struct stat info {};
        QCOMPARE(stat(path.constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
        QCOMPARE(info.st_uid, owner);
        QCOMPARE(info.st_gid, group);
    }

    // Saved "as" the wallet's own file under another name: the same file, written in place with its attachments.
    void saveAsThroughALinkToItself() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("self.kvx"));
        const QString path = f.Path("self.kvx");
        QVERIFY(QFile::link(path, f.Path("link.kvx")));
        const QStringList named = Named(*f.wallet);
        f.AddCard(QStringLiteral("New"));
        f.prompts.SaveFile(f.Path("link.kvx"));
        QVERIFY(f.wallet->OnFileSaveAs());
        QVERIFY(QFileInfo(f.Path("link.kvx")).isSymLink());
        QCOMPARE(Attachments(path), named);
        QCOMPARE(Named(*f.wallet), named);
        QVERIFY(CardNamed(*f.wallet, QStringLiteral("New")));
        QVERIFY2(f.prompts.Faults().isEmpty(), qPrintable(f.prompts.Faults().join(u'\n')));
    }

    void damagedAttachmentIsLeftOutWithABackup() {
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("b.kvx"));
        const QString path = f.Path("b.kvx");
        CCard* passport = CardNamed(*f.wallet, QStringLiteral("Passport"));
        QVERIFY(DamageStream(path, passport->image().streamName));
        const QByteArray damaged = FileBytes(path);
        f.wallet->DeleteContents();
        QVERIFY(f.wallet->OnOpenDocument(path));
        f.AddCard(QStringLiteral("New"));
        f.prompts.Message(QStringLiteral("\"scan.jpg\" of the card \"Passport\""), Prompts::Answer::Ok);
        QVERIFY(f.wallet->OnFileSave());
        passport = CardNamed(*f.wallet, QStringLiteral("Passport"));
        QVERIFY(!passport->image().IsAttached());
        QCOMPARE(passport->image().description, QStringLiteral("scan.jpg"));
        QCOMPARE(Attachments(path), Named(*f.wallet));
        QCOMPARE(Named(*f.wallet).size(), 1);
        const QStringList backups = QDir(f.folder.path()).entryList({QStringLiteral("b (backup *).kvx")});
        QCOMPARE(backups.size(), 1);
        QCOMPARE(FileBytes(f.folder.filePath(backups.first())), damaged);
        // The next save has nothing to leave out.
        f.AddCard(QStringLiteral("Later"));
        QVERIFY(f.wallet->OnFileSave());
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // Opening only to read removes it too: the leftover of an unseal holds the wallet in plain text.
    void leftoverOfAKilledSaveGoesOnTheNextOpen_data() {
        QTest::addColumn<int>("hold");
        QTest::newRow("to change") << int(CWallet::FileHold::Exclusive);
        QTest::newRow("to read") << int(CWallet::FileHold::Shared);
        QTest::newRow("the desktop's") << int(CWallet::FileHold::None);
    }

    void leftoverOfAKilledSaveGoesOnTheNextOpen() {
        QFETCH(int, hold);
        WalletFixture f;
        MakeAttachedWallet(f, QStringLiteral("k.kvx"));
        const QString leftover = WriteFileBytes(f.Path(".k.kvx.kvtmp-AbC123"), "half a wallet");
        f.wallet->DeleteContents();
        f.wallet->SetFileHold(CWallet::FileHold(hold));
        QVERIFY(f.wallet->OnOpenDocument(f.Path("k.kvx")));
        QVERIFY(!QFileInfo::exists(leftover));
    }

    void largestStoredIdIsDamageNotOverflow() {
        WalletFixture f;
        f.MakeNew();
        auto card = std::make_unique<CCard>(INT_MAX);
        card->categoryId = 35;
        f.wallet->AddCard(std::move(card));
        QByteArray bytes = f.Snapshot();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        QVERIFY(!f.wallet->Load(buffer, error));
        QVERIFY(error.contains(QStringLiteral("record numbers")));
    }

    // The first command holds the wallet while it waits for the password; the second must not slip a change in
    // between that the first would then overwrite.
    void commandWaitingAtItsPromptKeepsTheWallet() {
        WalletFixture f;
        const QString path = f.Path("race.kvx");
        QProcess create;
        create.start(Cli(), {QStringLiteral("create"), path, QStringLiteral("--password")});
        create.write("2468\n2468\n");
        create.closeWriteChannel();
        QVERIFY(create.waitForFinished(30000));
        QCOMPARE(create.exitCode(), 0);

        const auto addCategory = [&](const QString& name, const QStringList& options) {
            QProcess add;
            add.start(Cli(), QStringList{QStringLiteral("add-category"), path, name} + options);
            add.waitForFinished(30000);
            return QString::fromUtf8(add.readAllStandardOutput()).trimmed();
        };
        const QString bankingId = addCategory(QStringLiteral("Banking"), {});
        const QString travelId = addCategory(QStringLiteral("Travel"), {QStringLiteral("--no-password")});

        QProcess first;
        first.start(Cli(), {QStringLiteral("add-card"), path, bankingId, QStringLiteral("9"), QStringLiteral("Visa")});
        QVERIFY(first.waitForStarted());
        QTest::qWait(300);
        QProcess second;
        second.start(Cli(), {QStringLiteral("add-card"), path, travelId, QStringLiteral("9"), QStringLiteral("Other")});
        second.closeWriteChannel();
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("in use"));
        first.write("2468\n");
        first.closeWriteChannel();
        QVERIFY(first.waitForFinished(30000));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());

        QVERIFY(f.wallet->OnOpenDocument(path));
        QStringList names;
        for (const CCard* card : f.wallet->Cards())
            names.append(card->description);
        QCOMPARE(names, QStringList{QStringLiteral("Visa")});
    }
};

QTEST_GUILESS_MAIN(TestTransactions)
#include "TestTransactions.moc"
