// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpecialFiles.h"
#include "TestFiles.h"
#include "base/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/socket.h>
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

QString Write(const QString& path, const QByteArray& bytes,
              OutputFile::NewFileMode mode = OutputFile::NewFileMode::Usual) {
    OutputFile file(path, mode);
    return WriteAll(file, bytes);
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

    void newFileTakesItsMode_data() {
        QTest::addColumn<int>("newFileMode");
        QTest::addColumn<int>("expected");
        QTest::newRow("usual") << int(OutputFile::NewFileMode::Usual) << 0644;
        QTest::newRow("owner only") << int(OutputFile::NewFileMode::OwnerOnly) << 0600;
    }

    void newFileTakesItsMode() {
        QFETCH(int, newFileMode);
        QFETCH(int, expected);
        const mode_t mask = umask(022);
        const QString error = Write(Path("new.txt"), Pattern(200000), OutputFile::NewFileMode(newFileMode));
        umask(mask);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(FileBytes(Path("new.txt")), Pattern(200000));
        QCOMPARE(Permissions(Path("new.txt")), Mode(mode_t(expected)));
        QCOMPARE(Names(), QStringList{"new.txt"});
    }

    // The old file stays whole until the new one is complete, and the new one keeps its permissions.
    void existingFileReplacedWhole() {
        WriteFileBytes(Path("old.txt"), "old contents");
        QVERIFY(QFile::setPermissions(Path("old.txt"), Mode(0640)));
        OutputFile file(Path("old.txt"), OutputFile::NewFileMode::OwnerOnly);
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
