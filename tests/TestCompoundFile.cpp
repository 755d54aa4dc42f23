// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "storage/CompoundFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

class TestCompoundFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openRefusesWhatIsNotACompoundFile_data();
    void openRefusesWhatIsNotACompoundFile();
    void createRefusesAnExistingPath();
    void elementNamesAreChecked_data();
    void elementNamesAreChecked();
    void storageStackKeepsTheRoot();
    void closeOnAClosedObjectClearsOnlyThePath();
    void openOnAnOpenObjectClosesTheFirstFile();
    void streamsRoundTrip_data();
    void streamsRoundTrip();
    void largeFileUsesDifatSectors();
    void destroyElementRemovesStreamsAndStorages();
    void elementNamesFollowTheFormatOrder();
    void copyToCopiesTheWholeRoot();
    void copyToMergesStoragesAndReplacesStreams();
    void closeDropsUncommittedChanges();
    void commitWaitsForOpenWriters();
    void commitKeepsTheStorageStackAndOpenReaders();
    void secondObjectIsRefused();
    void otherProcessHoldingTheFileIsRefused();
    void commitReplacesTheOldContent();
    void failedCommitLeavesTheOldFile();
    void commitIntoReadOnlyFolderFails();
    void commitRemovesLeftoverTemporaryFiles();
    void createdFileNeverOverwritesAFileThatAppeared();
};

namespace {

bool WriteStream(CompoundFile& file, const QString& name, const QByteArray& bytes) {
    std::unique_ptr<QIODevice> stream = file.CreateStream(name);
    return stream && stream->write(bytes) == bytes.size();
}

QByteArray ReadStream(CompoundFile& file, const QString& name) {
    std::unique_ptr<QIODevice> stream = file.OpenStream(name);
    return stream ? stream->readAll() : QByteArray("<missing>");
}

// A committed wallet-like file: storage "D" with stream "W", storage "F" with two attachments.
void MakeWallet(const QString& path) {
    CompoundFile file;
    QVERIFY(file.Create(path));
    QVERIFY(file.CreateStorage("D", true));
    QVERIFY(WriteStream(file, "W", Pattern(300)));
    QVERIFY(file.PopStorage());
    QVERIFY(file.CreateStorage("F", true));
    QVERIFY(WriteStream(file, "A1", Pattern(5000, 1)));
    QVERIFY(WriteStream(file, "A2", Pattern(10, 2)));
    QVERIFY2(file.Commit(), qPrintable(file.ErrorString()));
}

QStringList Leftovers(const QString& folder) {
    return QDir(folder).entryList({"*.kvtmp-*", "*.kvspool-*"}, QDir::Files | QDir::Hidden);
}

} // namespace

void TestCompoundFile::openRefusesWhatIsNotACompoundFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << "too short";
    QTest::newRow("text") << QByteArray(2000, 'x') << "not a compound file";
    QByteArray header = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0');
    QTest::newRow("signature only") << header << "byte order";
}

void TestCompoundFile::openRefusesWhatIsNotACompoundFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("x.kvx");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    CompoundFile compound;
    QVERIFY(!compound.Open(path));
    QVERIFY(!compound.IsOpen());
    QVERIFY(compound.Path().isEmpty());
    QVERIFY2(compound.ErrorString().contains(reason), qPrintable(compound.ErrorString()));
    QCOMPARE(FileBytes(path), bytes);
    QVERIFY(!compound.Open(dir.filePath("missing.kvx")));
    QVERIFY(compound.ErrorString().contains("No such file"));
}

void TestCompoundFile::createRefusesAnExistingPath() {
    QTemporaryDir dir;
    const QString path = dir.filePath("w.kvx");
    MakeWallet(path);
    const QByteArray before = FileBytes(path);
    CompoundFile file;
    QVERIFY(!file.Create(path));
    QVERIFY(!file.IsOpen());
    QVERIFY(file.ErrorString().contains("exists"));
    QVERIFY(!file.Create(dir.filePath("no/such/folder.kvx")));
    QCOMPARE(FileBytes(path), before);
}

void TestCompoundFile::elementNamesAreChecked_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("31 units") << QString(31, 'n') << true;
    QTest::newRow("32 units") << QString(32, 'n') << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("colon") << "a:b" << false;
    QTest::newRow("exclamation") << "a!" << false;
    QTest::newRow("other punctuation") << "a.b-c_d e" << true;
    QTest::newRow("existing, other case") << "w" << false;
}

void TestCompoundFile::elementNamesAreChecked() {
    QFETCH(QString, name);
    QFETCH(bool, valid);
    QTemporaryDir dir;
    CompoundFile file;
    QVERIFY(file.Create(dir.filePath("n.kvx")));
    QVERIFY(WriteStream(file, "W", "x"));
    QVERIFY(file.CreateStorage("sub", true));
    QVERIFY(file.CreateStorage("W", false));
    QCOMPARE(file.CreateStorage(name, false), valid);
    QVERIFY(file.PopStorage());
    QCOMPARE(bool(file.CreateStream(name)), valid);
    if (!valid)
        QVERIFY(!file.ErrorString().isEmpty());
}

void TestCompoundFile::storageStackKeepsTheRoot() {
    QTemporaryDir dir;
    CompoundFile file;
    QVERIFY(file.Create(dir.filePath("s.kvx")));
    QVERIFY(!file.PopStorage());
    QVERIFY(file.CreateStorage("D", false));
    QVERIFY(!file.PopStorage());
    QVERIFY(file.OpenStorage("D"));
    QVERIFY(!file.OpenStorage("missing"));
    QVERIFY(file.CreateStorage("E", true));
    QVERIFY(WriteStream(file, "S", "deep"));
    QVERIFY(!file.OpenStorage("S"));
    QVERIFY(file.PopStorage());
    QVERIFY(file.PopStorage());
    QVERIFY(!file.PopStorage());
    QCOMPARE(file.ElementNames(), QStringList{"D"});
    QVERIFY(file.IsOpen());
}

void TestCompoundFile::closeOnAClosedObjectClearsOnlyThePath() {
    CompoundFile file;
    file.Close();
    QVERIFY(!file.IsOpen());
    QVERIFY(file.Path().isEmpty());
    QVERIFY(file.ElementNames().isEmpty());
    QVERIFY(!file.CreateStorage("D", false));
    QVERIFY(!file.Commit());
}

void TestCompoundFile::openOnAnOpenObjectClosesTheFirstFile() {
    QTemporaryDir dir;
    const QString first = dir.filePath("1.kvx");
    const QString second = dir.filePath("2.kvx");
    MakeWallet(first);
    MakeWallet(second);
    CompoundFile file;
    QVERIFY(file.Open(first));
    QVERIFY(file.Open(second));
    QCOMPARE(file.Path(), second);
    CompoundFile other;
    QVERIFY2(other.Open(first), qPrintable(other.ErrorString()));
    QVERIFY(!file.Open(dir.filePath("missing")));
    QVERIFY(!file.IsOpen());
    QVERIFY(other.Open(second));
}

void TestCompoundFile::streamsRoundTrip_data() {
    QTest::addColumn<qint64>("size");
    for (const qint64 size : {0, 1, 63, 64, 65, 4095, 4096, 4097, 1 << 20, 3 << 20})
        QTest::addRow("%lld bytes", size) << size;
}

void TestCompoundFile::streamsRoundTrip() {
    QFETCH(qint64, size);
    QTemporaryDir dir;
    const QString path = dir.filePath("r.kvx");
    {
        CompoundFile file;
        QVERIFY(file.Create(path));
        QVERIFY(file.CreateStorage("F", true));
        QVERIFY(WriteStream(file, "before", Pattern(100, 9)));
        QVERIFY(WriteStream(file, "S", Pattern(size)));
        QVERIFY(WriteStream(file, "t", Pattern(5000, 3)));
        QVERIFY2(file.Commit(), qPrintable(file.ErrorString()));
    }
    CompoundFile file;
    QVERIFY2(file.Open(path), qPrintable(file.ErrorString()));
    QVERIFY(file.OpenStorage("F"));
    QCOMPARE(ReadStream(file, "S"), Pattern(size));
    QCOMPARE(ReadStream(file, "before"), Pattern(100, 9));
    QCOMPARE(ReadStream(file, "t"), Pattern(5000, 3));
    std::unique_ptr<QIODevice> stream = file.OpenStream("s");
    QVERIFY(stream);
    QCOMPARE(stream->size(), size);
    if (size > 10) {
        QVERIFY(stream->seek(size / 2 - 5));
        QCOMPARE(stream->read(10), Pattern(size).mid(size / 2 - 5, 10));
    }
    QVERIFY(!stream->isWritable());
}

void TestCompoundFile::largeFileUsesDifatSectors() {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.kvx");
    const QByteArray big = Pattern(8 << 20, 5);
    {
        CompoundFile file;
        QVERIFY(file.Create(path));
        QVERIFY(WriteStream(file, "big", big));
        for (int i = 0; i < 300; ++i)
            QVERIFY(WriteStream(file, QString::number(i), Pattern(i * 13, i)));
        QVERIFY2(file.Commit(), qPrintable(file.ErrorString()));
    }
    const QByteArray header = FileBytes(path).left(512);
    QVERIFY(qFromLittleEndian<quint32>(header.constData() + 44) > 109);
    QVERIFY(qFromLittleEndian<quint32>(header.constData() + 72) > 0);
    CompoundFile file;
    QVERIFY2(file.Open(path), qPrintable(file.ErrorString()));
    QCOMPARE(file.ElementNames().size(), 301);
    QCOMPARE(ReadStream(file, "big"), big);
    QCOMPARE(ReadStream(file, "299"), Pattern(299 * 13, 299));
}

void TestCompoundFile::destroyElementRemovesStreamsAndStorages() {
    QTemporaryDir dir;
    const QString path = dir.filePath("d.kvx");
    MakeWallet(path);
    {
        CompoundFile file;
        QVERIFY(file.Open(path));
        QVERIFY(file.OpenStorage("F"));
        QVERIFY(file.DestroyElement("a1"));
        QVERIFY(!file.DestroyElement("A1"));
        QVERIFY(file.PopStorage());
        QVERIFY(file.DestroyElement("D"));
        QVERIFY(!file.DestroyElement("missing"));
        QVERIFY(file.CreateStorage("D", false));
        QVERIFY(file.Commit());
    }
    CompoundFile file;
    QVERIFY(file.Open(path));
    QCOMPARE(file.ElementNames(), (QStringList{"D", "F"}));
    QVERIFY(file.OpenStorage("D"));
    QVERIFY(file.ElementNames().isEmpty());
    QVERIFY(file.PopStorage());
    QVERIFY(file.OpenStorage("F"));
    QCOMPARE(file.ElementNames(), QStringList{"A2"});
    QCOMPARE(ReadStream(file, "A2"), Pattern(10, 2));
}

void TestCompoundFile::elementNamesFollowTheFormatOrder() {
    QTemporaryDir dir;
    CompoundFile file;
    QVERIFY(file.Create(dir.filePath("o.kvx")));
    for (const char* name : {"bb", "B", "a", "Ab", "aC", "ccc", "\u00e9"})
        QVERIFY(file.CreateStorage(name, false));
    QCOMPARE(file.ElementNames(), (QStringList{"a", "B", "\u00e9", "Ab", "aC", "bb", "ccc"}));
    QVERIFY(file.Commit());
    QCOMPARE(file.ElementNames(), (QStringList{"a", "B", "\u00e9", "Ab", "aC", "bb", "ccc"}));
}

void TestCompoundFile::copyToCopiesTheWholeRoot() {
    QTemporaryDir dir;
    const QString source = dir.filePath("s.kvx");
    const QString target = dir.filePath("t.kvx");
    MakeWallet(source);
    {
        CompoundFile from;
        QVERIFY(from.Open(source));
        QVERIFY(from.OpenStorage("F"));
        QVERIFY(WriteStream(from, "new", Pattern(2 << 20, 7)));
        QVERIFY(from.CreateStorage("nested", true));
        QVERIFY(from.CreateStorage("deeper", true));
        QVERIFY(WriteStream(from, "leaf", "leaf"));
        CompoundFile to;
        QVERIFY(to.Create(target));
        QVERIFY2(from.CopyTo(to), qPrintable(from.ErrorString()));
        from.Close();
        QVERIFY2(to.Commit(), qPrintable(to.ErrorString()));
    }
    CompoundFile file;
    QVERIFY(file.Open(target));
    QCOMPARE(file.ElementNames(), (QStringList{"D", "F"}));
    QVERIFY(file.OpenStorage("D"));
    QCOMPARE(ReadStream(file, "W"), Pattern(300));
    QVERIFY(file.PopStorage());
    QVERIFY(file.OpenStorage("F"));
    QCOMPARE(file.ElementNames(), (QStringList{"A1", "A2", "new", "nested"}));
    QCOMPARE(ReadStream(file, "A1"), Pattern(5000, 1));
    QCOMPARE(ReadStream(file, "new"), Pattern(2 << 20, 7));
    QVERIFY(file.OpenStorage("nested"));
    QVERIFY(file.OpenStorage("deeper"));
    QCOMPARE(ReadStream(file, "leaf"), QByteArray("leaf"));
}

void TestCompoundFile::copyToMergesStoragesAndReplacesStreams() {
    QTemporaryDir dir;
    CompoundFile from;
    CompoundFile to;
    QVERIFY(from.Create(dir.filePath("a.kvx")));
    QVERIFY(to.Create(dir.filePath("b.kvx")));
    QVERIFY(!from.CopyTo(from));
    QVERIFY(from.CreateStorage("D", true));
    QVERIFY(WriteStream(from, "W", "new"));
    QVERIFY(to.CreateStorage("D", true));
    QVERIFY(WriteStream(to, "W", "old"));
    QVERIFY(WriteStream(to, "X", "kept"));
    QVERIFY(from.CopyTo(to));
    QCOMPARE(to.ElementNames(), (QStringList{"W", "X"}));
    QCOMPARE(ReadStream(to, "W"), QByteArray("new"));
    QVERIFY(to.PopStorage());
    QVERIFY(to.DestroyElement("D"));
    QVERIFY(WriteStream(to, "D", "a stream"));
    QVERIFY(!from.CopyTo(to));
    CompoundFile closed;
    QVERIFY(!from.CopyTo(closed));
}

void TestCompoundFile::closeDropsUncommittedChanges() {
    QTemporaryDir dir;
    const QString path = dir.filePath("c.kvx");
    MakeWallet(path);
    const QByteArray before = FileBytes(path);
    {
        CompoundFile file;
        QVERIFY(file.Open(path));
        QVERIFY(file.DestroyElement("D"));
        QVERIFY(WriteStream(file, "big", Pattern(3 << 20)));
    }
    QCOMPARE(FileBytes(path), before);
    QVERIFY(Leftovers(dir.path()).isEmpty());
    CompoundFile created;
    QVERIFY(created.Create(dir.filePath("never.kvx")));
    created.Close();
    QVERIFY(!QFile::exists(dir.filePath("never.kvx")));
}

void TestCompoundFile::commitWaitsForOpenWriters() {
    QTemporaryDir dir;
    CompoundFile file;
    QVERIFY(file.Create(dir.filePath("w.kvx")));
    std::unique_ptr<QIODevice> stream = file.CreateStream("W");
    QVERIFY(!file.Commit());
    QVERIFY(file.ErrorString().contains("open for writing"));
    QVERIFY(!file.CopyTo(file));
    stream->write("done");
    stream->close();
    QVERIFY(file.Commit());
    QCOMPARE(ReadStream(file, "W"), QByteArray("done"));
}

void TestCompoundFile::commitKeepsTheStorageStackAndOpenReaders() {
    QTemporaryDir dir;
    const QString path = dir.filePath("k.kvx");
    MakeWallet(path);
    CompoundFile file;
    QVERIFY(file.Open(path));
    QVERIFY(file.OpenStorage("F"));
    std::unique_ptr<QIODevice> old = file.OpenStream("A1");
    QVERIFY(file.DestroyElement("A1"));
    QVERIFY(WriteStream(file, "A1", "replaced"));
    QVERIFY(file.Commit());
    QVERIFY(WriteStream(file, "A3", "after commit"));
    QVERIFY(file.Commit());
    QCOMPARE(old->readAll(), Pattern(5000, 1));
    QCOMPARE(file.ElementNames(), (QStringList{"A1", "A2", "A3"}));
    QCOMPARE(ReadStream(file, "A1"), QByteArray("replaced"));
    QVERIFY(file.PopStorage());
    QVERIFY(!file.PopStorage());
}

void TestCompoundFile::secondObjectIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("l.kvx");
    MakeWallet(path);
    CompoundFile first;
    QVERIFY(first.Open(path));
    CompoundFile second;
    QVERIFY(!second.Open(path));
    QVERIFY2(second.ErrorString().contains("in use"), qPrintable(second.ErrorString()));
    QVERIFY(first.Commit());
    QVERIFY(!second.Open(path));
    first.Close();
    QVERIFY(second.Open(path));
}

void TestCompoundFile::otherProcessHoldingTheFileIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.kvx");
    MakeWallet(path);
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {"--hold", path});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));
    CompoundFile file;
    QVERIFY(!file.Open(path));
    QVERIFY2(file.ErrorString().contains("in use"), qPrintable(file.ErrorString()));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY2(file.Open(path), qPrintable(file.ErrorString()));
}

void TestCompoundFile::commitReplacesTheOldContent() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.kvx");
    MakeWallet(path);
    const QByteArray before = FileBytes(path);
    {
        CompoundFile file;
        QVERIFY(file.Open(path));
        QVERIFY(file.DestroyElement("F"));
        QVERIFY(file.OpenStorage("D"));
        QVERIFY(file.DestroyElement("W"));
        QVERIFY(WriteStream(file, "W", "short"));
        QVERIFY(file.Commit());
    }
    const QByteArray after = FileBytes(path);
    QVERIFY(after.size() < before.size());
    QVERIFY(!after.contains(Pattern(5000, 1).mid(100, 200)));
    CompoundFile file;
    QVERIFY(file.Open(path));
    QCOMPARE(file.ElementNames(), QStringList{"D"});
    QVERIFY(Leftovers(dir.path()).isEmpty());
}

// A write limit stands in for a full disk, and works for every user, root included.
void TestCompoundFile::failedCommitLeavesTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.kvx");
    MakeWallet(path);
    const QByteArray before = FileBytes(path);
    CompoundFile file;
    QVERIFY(file.Open(path));
    QVERIFY(WriteStream(file, "big", Pattern(512 * 1024)));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    const bool committed = file.Commit();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!committed);
    QVERIFY2(file.ErrorString().contains("cannot save"), qPrintable(file.ErrorString()));
    QCOMPARE(FileBytes(path), before);
    QVERIFY(Leftovers(dir.path()).isEmpty());
    QVERIFY(file.IsOpen());
    QVERIFY2(file.Commit(), qPrintable(file.ErrorString()));
    QCOMPARE(ReadStream(file, "big"), Pattern(512 * 1024));
}

void TestCompoundFile::commitIntoReadOnlyFolderFails() {
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders; failedCommitLeavesTheOldFile covers the failure path");
    QTemporaryDir dir;
    const QString path = dir.filePath("ro.kvx");
    MakeWallet(path);
    const QByteArray before = FileBytes(path);
    CompoundFile file;
    QVERIFY(file.Open(path));
    QVERIFY(file.DestroyElement("D"));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool committed = file.Commit();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!committed);
    QVERIFY2(file.ErrorString().contains("temporary file"), qPrintable(file.ErrorString()));
    QCOMPARE(FileBytes(path), before);
}

void TestCompoundFile::commitRemovesLeftoverTemporaryFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.kvx");
    MakeWallet(path);
    const QStringList strays{".t.kvx.kvtmp-a1b2c3", ".t.kvx.kvspool-XyZ123"};
    const QStringList unrelated{".t.kvx.kvtmp-toolong1", ".other.kvx.kvtmp-a1b2c3", "t.kvx.kvtmp-a1b2c3"};
    for (const QString& name : strays + unrelated) {
        QFile stray(dir.filePath(name));
        QVERIFY(stray.open(QIODevice::WriteOnly));
    }
    CompoundFile file;
    QVERIFY(file.Open(path));
    QVERIFY(file.Commit());
    for (const QString& name : strays)
        QVERIFY2(!QFile::exists(dir.filePath(name)), qPrintable(name));
    for (const QString& name : unrelated)
        QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
}

void TestCompoundFile::createdFileNeverOverwritesAFileThatAppeared() {
    QTemporaryDir dir;
    const QString path = dir.filePath("n.kvx");
    CompoundFile file;
    QVERIFY(file.Create(path));
    QVERIFY(WriteStream(file, "W", "mine"));
    QFile other(path);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("someone else's");
    other.close();
    QVERIFY(!file.Commit());
    QVERIFY2(file.ErrorString().contains("appeared"), qPrintable(file.ErrorString()));
    QCOMPARE(FileBytes(path), QByteArray("someone else's"));
    QVERIFY(Leftovers(dir.path()).isEmpty());
    QVERIFY(QFile::remove(path));
    QVERIFY(file.Commit());
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    CompoundFile again;
    QVERIFY(!again.Open(path));
}

// "--hold <path>": the child side of otherProcessHoldingTheFileIsRefused, keeping the file open until its input ends.
int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        CompoundFile file;
        if (!file.Open(QString::fromLocal8Bit(argv[2])))
            return 1;
        std::puts("holding");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestCompoundFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestCompoundFile.moc"
