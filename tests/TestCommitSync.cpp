// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "WalletFixture.h"
#include "base/TempFiles.h"
#include "storage/CompoundFile.h"

#include <QFileInfo>

#include <dlfcn.h>
#include <sys/stat.h>

namespace {
using Flushed = TempFiles::Flushed;

// The files that fsync() really reached, so that a flush that is announced but not made shows.
QList<ino_t>& SyncedInodes() {
    static QList<ino_t> inodes;
    return inodes;
}
} // namespace

// Stands in for the C library's fsync() in this program, noting each file it flushes.
extern "C" int fsync(int fd) {
    using Fsync = int (*)(int);
    static const Fsync real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    struct stat info {};
    if (fstat(fd, &info) == 0)
        SyncedInodes().append(info.st_ino);
    return real(fd);
}

namespace {

// One flush as the commit made it, with what the disk looked like at that moment.
struct Flush {
    Flushed what = Flushed::File;
    ino_t fileInode = 0;   // File: the new file
    off_t fileSize = 0;    // File: its size when flushed
    ino_t walletInode = 0; // the file at the wallet's path at that moment; 0 when there is none
    ino_t syncedInode = 0; // the file that fsync() flushed last
    QString folderPath;    // Folder: the path whose folder was flushed
};

ino_t InodeAt(const QString& path) {
    struct stat info {};
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Records every flush of the commits made while it lives.
class FlushRecorder {
public:
    explicit FlushRecorder(const QString& walletPath) : m_walletPath(walletPath) {
        TempFiles::SetSyncObserver([this](Flushed what, int fd, const QString& path) {
            Flush flush;
            flush.what = what;
            struct stat info {};
            if (what == Flushed::File && fstat(fd, &info) == 0) {
                flush.fileInode = info.st_ino;
                flush.fileSize = info.st_size;
            }
            flush.walletInode = InodeAt(m_walletPath);
            flush.syncedInode = SyncedInodes().isEmpty() ? 0 : SyncedInodes().last();
            flush.folderPath = path;
            m_flushes.append(flush);
        });
    }
    ~FlushRecorder() { TempFiles::SetSyncObserver({}); }
    FlushRecorder(const FlushRecorder&) = delete;
    FlushRecorder& operator=(const FlushRecorder&) = delete;

    const QList<Flush>& Flushes() const { return m_flushes; }

private:
    QString m_walletPath;
    QList<Flush> m_flushes;
};

enum class Commit { NewFile, ExistingFile, FirstSave, SaveInPlace, SaveOverAnother, Compact };

bool AddStream(CompoundFile& file, const QString& name) {
    std::unique_ptr<QIODevice> stream = file.CreateStream(name);
    return stream && stream->write(Pattern(6000)) == 6000;
}
} // namespace

class TestCommitSync : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    // Each commit flushes the complete new file while the old one still has the wallet's name, renames it, and only
    // then flushes the folder that holds the new name: a power failure at any point leaves one whole wallet.
    void newFileReachesDiskBeforeItReplacesTheWallet_data() {
        QTest::addColumn<Commit>("commit");
        QTest::newRow("new compound file") << Commit::NewFile;
        QTest::newRow("changed compound file") << Commit::ExistingFile;
        QTest::newRow("new wallet saved") << Commit::FirstSave;
        QTest::newRow("wallet saved again") << Commit::SaveInPlace;
        QTest::newRow("wallet saved over another") << Commit::SaveOverAnother;
        QTest::newRow("wallet compacted") << Commit::Compact;
    }

    void newFileReachesDiskBeforeItReplacesTheWallet() {
        QFETCH(Commit, commit);
        WalletFixture f;
        const QString path = f.Path(QStringLiteral("w.kvx"));
        QList<Flush> flushes;
        if (commit == Commit::NewFile || commit == Commit::ExistingFile) {
            CompoundFile file;
            if (commit == Commit::ExistingFile) {
                QVERIFY(file.Create(path) && AddStream(file, QStringLiteral("a")) && file.Commit());
                QVERIFY(file.Open(path));
            } else {
                QVERIFY(file.Create(path));
            }
            QVERIFY(AddStream(file, QStringLiteral("b")));
            FlushRecorder recorder(path);
            QVERIFY2(file.Commit(), qPrintable(file.ErrorString()));
            flushes = recorder.Flushes();
        } else {
            f.MakeNew();
            if (commit != Commit::FirstSave)
                QVERIFY(f.SaveAs(commit == Commit::SaveOverAnother ? QStringLiteral("other.kvx")
                                                                   : QStringLiteral("w.kvx")));
            if (commit == Commit::SaveOverAnother)
                QVERIFY(QFile::copy(f.Path(QStringLiteral("other.kvx")), path));
            f.AddCard(QStringLiteral("Visa"));
            FlushRecorder recorder(path);
            if (commit == Commit::Compact)
                QVERIFY(f.wallet->Compact());
            else if (commit == Commit::FirstSave)
                QVERIFY(f.SaveAs(QStringLiteral("w.kvx")));
            else
                QVERIFY(f.wallet->OnSaveDocument(path));
            flushes = recorder.Flushes();
        }
        QVERIFY(f.prompts.Faults().isEmpty());

        QCOMPARE(flushes.size(), 2);
        const Flush& file = flushes[0];
        const Flush& folder = flushes[1];
        QCOMPARE(file.what, Flushed::File);
        QVERIFY(file.fileInode != 0);
        QVERIFY2(file.syncedInode == file.fileInode, "the new file was not flushed");
        QVERIFY2(file.walletInode != file.fileInode, "the new file was flushed after it replaced the wallet");
        QCOMPARE(folder.what, Flushed::Folder);
        QVERIFY2(folder.walletInode == file.fileInode, "the folder was flushed before the rename");
        QVERIFY2(folder.syncedInode == InodeAt(QFileInfo(path).absolutePath()), "the folder was not flushed");
        QCOMPARE(QFileInfo(folder.folderPath).canonicalPath(), QFileInfo(path).canonicalPath());
        // The flush came after the last byte: what was flushed is the whole wallet.
        QCOMPARE(InodeAt(path), file.fileInode);
        QCOMPARE(QFileInfo(path).size(), qint64(file.fileSize));
    }
};

QTEST_GUILESS_MAIN(TestCommitSync)
#include "TestCommitSync.moc"
