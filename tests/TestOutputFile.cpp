// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpecialFiles.h"
#include "TestFiles.h"
#include "base/OutputFile.h"
#include "base/TempFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {
// Writes `bytes` in pieces of various sizes, as the writers do, and commits; the error text on failure.
QString WriteAll(OutputFile& file, const QByteArray& bytes) {
    if (!file.Open())
        return file.errorString();
    for (qsizetype at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 % 100001 + 1) {
        const QByteArray part = bytes.mid(at, piece);
        if (file.write(part) != part.size())
            return file.errorString();
    }
    return file.Commit() ? QString() : file.errorString();
}

QString Write(const QString& path, const QByteArray& bytes) {
    OutputFile file(path);
    return WriteAll(file, bytes);
}

struct stat Status(const QString& path) {
    struct stat info {};
    lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

QFile::Permissions Mode(mode_t bits) {
    QFile::Permissions permissions;
    const std::pair<mode_t, QFile::Permission> map[] = {{S_IRUSR, QFile::ReadOwner}, {S_IWUSR, QFile::WriteOwner},
                                                        {S_IRGRP, QFile::ReadGroup}, {S_IWGRP, QFile::WriteGroup},
                                                        {S_IROTH, QFile::ReadOther}, {S_IWOTH, QFile::WriteOther}};
    for (const auto& [bit, permission] : map) {
        if (bits & bit)
            permissions |= permission;
    }
    return permissions;
}

QFile::Permissions Permissions(const QString& path) {
    return QFileInfo(path).permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                            QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
}
} // namespace

class TestOutputFile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;

    QString Path(const QString& name) const { return m_folder->filePath(name); }
    // Everything in the folder, temporary files included.
    QStringList Names() const {
        return QDir(m_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init() { m_folder = std::make_unique<QTemporaryDir>(); }

    // Wallet data is never readable by others because of a lax umask, nor unreadable by its owner because of a strict
    // one.
    void newFileIsOwnerOnly_data() {
        QTest::addColumn<int>("mask");
        QTest::newRow("umask 000") << 0;
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 277") << 0277;
    }

    void newFileIsOwnerOnly() {
        QFETCH(int, mask);
        const mode_t saved = umask(mode_t(mask));
        const QString error = Write(Path("new.txt"), Pattern(200000));
        umask(saved);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(FileBytes(Path("new.txt")), Pattern(200000));
        QCOMPARE(Status(Path("new.txt")).st_mode & 07777, mode_t(0600));
        QCOMPARE(Names(), QStringList{"new.txt"});
    }

    // The new contents reach the disk before they replace the old file: otherwise a power cut right after could
    // leave an empty file where the user's backup was.
    void flushedBeforeReplacing() {
        WriteFileBytes(Path("old.txt"), "old contents");
        QList<QByteArray> seen;
        TempFiles::SetSyncObserver([&](TempFiles::Flushed what, int, const QString&) {
            seen.append((what == TempFiles::Flushed::File ? "file:" : "folder:") + FileBytes(Path("old.txt")));
        });
        const QString error = Write(Path("old.txt"), "new");
        TempFiles::SetSyncObserver({});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(seen, (QList<QByteArray>{"file:old contents", "folder:new"}));
    }
    // The old file stays whole until the new one is complete, and the new one keeps its permissions.
    void existingFileReplacedWhole() {
        WriteFileBytes(Path("old.txt"), "old contents");
        QVERIFY(QFile::setPermissions(Path("old.txt"), Mode(0640)));
        OutputFile file(Path("old.txt"));
        QVERIFY(file.Open());
        QCOMPARE(file.write(Pattern(100000, 1)), 100000);
        QCOMPARE(FileBytes(Path("old.txt")), QByteArray("old contents"));
        QVERIFY2(file.Commit(), qPrintable(file.errorString()));
        QCOMPARE(FileBytes(Path("old.txt")), Pattern(100000, 1));
        QCOMPARE(Permissions(Path("old.txt")), Mode(0640));
        QCOMPARE(Names(), QStringList{"old.txt"});
    }

    void abandonedWriteLeavesNothing() {
        WriteFileBytes(Path("old.txt"), "old contents");
        {
            OutputFile file(Path("old.txt"));
            QVERIFY(file.Open());
            file.write(Pattern(300000));
        }
        QCOMPARE(FileBytes(Path("old.txt")), QByteArray("old contents"));
        QCOMPARE(Names(), QStringList{"old.txt"});
    }

    // The file a link names gets the contents; the link stays a link.
    void linkIsFollowed() {
        WriteFileBytes(Path("target.txt"), "old");
        QVERIFY(QFile::link(Path("target.txt"), Path("link.txt")));
        QCOMPARE(Write(Path("link.txt"), "new"), QString());
        QVERIFY(QFileInfo(Path("link.txt")).isSymLink());
        QCOMPARE(FileBytes(Path("target.txt")), QByteArray("new"));
    }

    void linkPlantedInAFolderOpenToAllIsRefused_data() {
        QTest::addColumn<int>("linkOwner");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<bool>("followed");
        QTest::newRow("another user's, in /tmp") << 4321 << 01777 << false;
        QTest::newRow("the caller's, in /tmp") << 1000 << 01777 << true;
        QTest::newRow("the folder owner's, in /tmp") << 0 << 01777 << true;
        QTest::newRow("another user's, sticky but not open to all") << 4321 << 01775 << true;
        QTest::newRow("another user's, open to all but not sticky") << 4321 << 0777 << true;
    }

    // The caller is user 1000 and the folder root's, as /tmp is.
    void linkPlantedInAFolderOpenToAllIsRefused() {
        QFETCH(int, linkOwner);
        QFETCH(int, folderMode);
        QFETCH(bool, followed);
        QCOMPARE(OutputFile::MayFollowLink(uid_t(linkOwner), 0, mode_t(folderMode) | S_IFDIR, 1000), followed);
    }

    // As root. The link is resolved by the program, not by an open() the kernel could refuse, so only the check
    // stops it.
    void linkOfAnotherUserIsNotFollowedForReal() {
        if (geteuid() != 0)
            QSKIP("only root can make a link that another user owns; the decision itself is tested above");
        QVERIFY(QDir().mkdir(Path("shared")));
        QCOMPARE(chmod(QFile::encodeName(Path("shared")).constData(), 01777), 0);
        WriteFileBytes(Path("precious.txt"), "precious");
        QVERIFY(QFile::link(Path("precious.txt"), Path("shared/out.txt")));
        QCOMPARE(lchown(QFile::encodeName(Path("shared/out.txt")).constData(), 4321, 4321), 0);
        const QString error = Write(Path("shared/out.txt"), "wallet data");
        QVERIFY2(error.contains("a link that another user made"), qPrintable(error));
        QCOMPARE(FileBytes(Path("precious.txt")), QByteArray("precious"));
        QCOMPARE(lchown(QFile::encodeName(Path("shared/out.txt")).constData(), 0, 0), 0);
        QCOMPARE(Write(Path("shared/out.txt"), "wallet data"), QString());
        QCOMPARE(FileBytes(Path("precious.txt")), QByteArray("wallet data"));
    }

    // As root: a file that another user made is replaced by one of root's own, not given to that user.
    void anotherUsersFileBecomesTheCallers() {
        if (geteuid() != 0)
            QSKIP("only root can replace a file that another user owns");
        WriteFileBytes(Path("theirs.txt"), "old");
        const QByteArray theirs = QFile::encodeName(Path("theirs.txt"));
        QCOMPARE(chown(theirs.constData(), 4321, 8765), 0);
        QCOMPARE(chmod(theirs.constData(), 0644), 0);
        QCOMPARE(Write(Path("theirs.txt"), "wallet data"), QString());
        const struct stat info = Status(Path("theirs.txt"));
        QCOMPARE(info.st_uid, geteuid());
        QCOMPARE(info.st_mode & 07777, mode_t(0600));
        QCOMPARE(FileBytes(Path("theirs.txt")), QByteArray("wallet data"));
    }

    // Without SIGPIPE held, the write would end the test program.
    void fifoReaderGoneIsAWriteError() {
        FifoReader reader(Path("fifo"), 10);
        QVERIFY(reader.IsMade());
        const QString error = Write(Path("fifo"), Pattern(2000000));
        QCOMPARE(reader.Finish(), Pattern(10));
        QVERIFY2(error.contains("Broken pipe"), qPrintable(error));
        QVERIFY(IsFifo(Path("fifo")));
    }

    // The real /dev/null only once a node of the same device has shown that it is written into, never replaced.
    void nullDeviceStaysADevice() {
        const QString device = SafeDevice(QStringLiteral("/dev/null"), QDir(m_folder->path()));
        if (device.isEmpty())
            QSKIP("no null device can be written safely here");
        QCOMPARE(Write(device, Pattern(300000)), QString());
        QVERIFY(IsCharacterDevice(device));
        if (device == QStringLiteral("/dev/null"))
            return;
        QCOMPARE(Write(QStringLiteral("/dev/null"), Pattern(1000)), QString());
        QVERIFY(IsCharacterDevice(QStringLiteral("/dev/null")));
    }

    void unwritableTargetsRefused() {
        QVERIFY(QDir().mkdir(Path("folder")));
        QString error = Write(Path("folder"), "x");
        QVERIFY2(error.contains("is a folder"), qPrintable(error));

        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(Path("socket"));
        QVERIFY(size_t(name.size()) < sizeof address.sun_path);
        std::copy(name.begin(), name.end(), address.sun_path);
        QCOMPARE(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        error = Write(Path("socket"), "x");
        close(fd);
        QVERIFY2(error.contains("is a socket"), qPrintable(error));

        error = Write(Path("missing/out.txt"), "x");
        QVERIFY2(error.contains("No such file or directory"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestOutputFile)
#include "TestOutputFile.moc"
