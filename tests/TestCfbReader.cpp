// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "storage/CompoundFile.h"
#include "storage/cfb/CfbName.h"
#include "storage/cfb/CfbNewContent.h"
#include "storage/cfb/CfbNode.h"
#include "storage/cfb/CfbReader.h"
#include "storage/cfb/CfbWriter.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <map>

class TestCfbReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void truncatedFilesNeverGiveWrongData();
    void byteFlipsNeverCrash();
    void siblingTreesAreRedBlack_data();
    void siblingTreesAreRedBlack();
    void version4RoundTrips();
    void fiftyThousandEntriesInOneStorage();
    void degenerateSiblingChainOpens();
    void deeplyNestedStoragesOpen();
};

namespace {

void AddStream(CfbNode& storage, const QString& name, const QByteArray& bytes) {
    auto content = std::make_shared<CfbNewContent>(QString());
    QString error;
    content->WriteAt(0, bytes.constData(), bytes.size(), error);
    storage.Add(CfbNode::MakeStream(name, content));
}

QByteArray Write(const CfbNode& root, bool version4 = false) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CfbWriter writer(root);
    if (version4)
        writer.ForceVersion4();
    QString error;
    if (!writer.Write(buffer, error))
        qWarning("write failed: %s", qPrintable(error));
    return buffer.data();
}

std::shared_ptr<CfbReader> Read(const QByteArray& bytes, QString& error) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return CfbReader::Open(std::move(buffer), error);
}

// Every stream of the file by path ("F/A1"), or false with `error` at the first one that cannot be read.
bool ReadAll(const QByteArray& bytes, std::map<QString, QByteArray>& streams, QString& error) {
    const std::shared_ptr<CfbReader> reader = Read(bytes, error);
    if (!reader)
        return false;
    std::vector<std::pair<quint32, QString>> pending{{0, QString()}};
    while (!pending.empty()) {
        const auto [index, prefix] = pending.back();
        pending.pop_back();
        for (const quint32 child : reader->Entry(index).children) {
            const CfbEntry& entry = reader->Entry(child);
            if (!entry.IsStream()) {
                pending.emplace_back(child, prefix + entry.name + '/');
                continue;
            }
            CfbExtentList extents;
            QByteArray data(qint64(entry.size), Qt::Uninitialized);
            if (!reader->StreamExtents(entry, extents, error) ||
                !reader->Read(extents, 0, data.data(), data.size(), error))
                return false;
            streams[prefix + entry.name] = data;
        }
    }
    return true;
}

// Storage "D" with stream "W" (mini), storage "F" with "A1" (regular, 10 sectors) and "A2" (mini), empty stream
// "S". Directory ids: 0 root, 1 D, 2 F, 3 S, 4 W, 5 A1, 6 A2.
QByteArray Sample() {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    CfbNode* d = root->Add(CfbNode::MakeStorage("D"));
    CfbNode* f = root->Add(CfbNode::MakeStorage("F"));
    AddStream(*root, "S", {});
    AddStream(*d, "W", Pattern(300, 1));
    AddStream(*f, "A1", Pattern(5000, 2));
    AddStream(*f, "A2", Pattern(10, 3));
    return Write(*root);
}

std::map<QString, QByteArray> SampleStreams() {
    return {{"D/W", Pattern(300, 1)}, {"F/A1", Pattern(5000, 2)}, {"F/A2", Pattern(10, 3)}, {"S", {}}};
}

quint32 U32(const QByteArray& bytes, qint64 at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

void Set32(QByteArray& bytes, qint64 at, quint32 value) {
    qToLittleEndian<quint32>(value, bytes.data() + at);
}

void Set16(QByteArray& bytes, qint64 at, quint16 value) {
    qToLittleEndian<quint16>(value, bytes.data() + at);
}

qint64 Entry(const QByteArray& bytes, int id) {
    return (qint64(U32(bytes, 48)) + 1) * 512 + id * 128;
}

qint64 Fat(quint32 sector) {
    return 512 + 4 * qint64(sector);
}

qint64 MiniFat(const QByteArray& bytes, quint32 sector) {
    return (qint64(U32(bytes, 60)) + 1) * 512 + 4 * qint64(sector);
}

void SetName(QByteArray& bytes, int id, const QString& name, quint16 lengthField) {
    const qint64 at = Entry(bytes, id);
    bytes.replace(at, 64, QByteArray(64, '\0'));
    qToLittleEndian<quint16>(name.utf16(), name.size(), bytes.data() + at);
    Set16(bytes, at + 64, lengthField);
}

using Damage = std::function<void(QByteArray&)>;

struct Case {
    const char* name;
    Damage damage;
    const char* stream; // empty: Open itself must fail
    const char* reason;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases{
        {"FAT chain loops",
         [](QByteArray& b) {
             const quint32 s = U32(b, Entry(b, 5) + 116);
             Set32(b, Fat(s + 5), s + 2);
         },
         "F/A1", "loops"},
        {"directory chain loops", [](QByteArray& b) { Set32(b, Fat(U32(b, 48) + 1), U32(b, 48)); }, "", "loops"},
        {"mini FAT chain loops", [](QByteArray& b) { Set32(b, MiniFat(b, 2), 0); }, "D/W", "loops"},
        {"storage is its own child", [](QByteArray& b) { Set32(b, Entry(b, 1) + 76, 1); }, "", "loops or shares"},
        {"storage holds the root", [](QByteArray& b) { Set32(b, Entry(b, 1) + 76, 0); }, "", "loops or shares"},
        {"two storages share a child", [](QByteArray& b) { Set32(b, Entry(b, 2) + 76, 4); }, "", "loops or shares"},
        {"sibling points to itself", [](QByteArray& b) { Set32(b, Entry(b, 4) + 68, 4); }, "", "loops or shares"},
        {"link past the directory", [](QByteArray& b) { Set32(b, Entry(b, 0) + 76, 1000); }, "", "does not exist"},
        {"FAT link out of range", [](QByteArray& b) { Set32(b, Fat(U32(b, Entry(b, 5) + 116)), 0x00FFFFFF); }, "F/A1",
         "does not exist"},
        {"mini FAT link out of range", [](QByteArray& b) { Set32(b, MiniFat(b, 0), 5000); }, "D/W", "does not exist"},
        {"directory start out of range", [](QByteArray& b) { Set32(b, 48, 5000); }, "", "does not exist"},
        {"FAT sector out of range", [](QByteArray& b) { Set32(b, 76, 0x7FFFFFFF); }, "", "out of range"},
        {"huge FAT count", [](QByteArray& b) { Set32(b, 44, 0xFFFFFFFF); }, "", "does not fit"},
        {"FAT count beyond the file's needs", [](QByteArray& b) { Set32(b, 44, 2); }, "", "does not fit"},
        {"FAT of zeros", [](QByteArray& b) { b.replace(512, 512, QByteArray(512, '\0')); }, "", "lead to sector 0"},
        {"mini FAT of zeros", [](QByteArray& b) { b.replace(MiniFat(b, 0), 512, QByteArray(512, '\0')); }, "",
         "lead to sector 0"},
        {"name of 32 units", [](QByteArray& b) { SetName(b, 4, QString(32, 'N'), 66); }, "", "bad name length"},
        {"name without terminator", [](QByteArray& b) { SetName(b, 4, QString(32, 'N'), 64); }, "", "bad name length"},
        {"odd name length", [](QByteArray& b) { SetName(b, 4, "W", 5); }, "", "bad name length"},
        {"name length past the name", [](QByteArray& b) { SetName(b, 4, "W", 8); }, "", "forbidden character"},
        {"forbidden character", [](QByteArray& b) { SetName(b, 4, "a/b", 8); }, "", "forbidden character"},
        {"names equal but for case", [](QByteArray& b) { SetName(b, 6, "a1", 6); }, "", "two elements named"},
        {"stream larger than the file", [](QByteArray& b) { Set32(b, Entry(b, 5) + 120, 0x7FFFFFFF); }, "", "larger"},
        {"mini stream too small", [](QByteArray& b) { Set32(b, Entry(b, 4) + 120, 4000); }, "", "larger"},
        {"unused entry linked", [](QByteArray& b) { b[Entry(b, 3) + 66] = 0; }, "", "type 0"},
        {"second root", [](QByteArray& b) { b[Entry(b, 3) + 66] = 5; }, "", "type 5"},
        {"stream with children", [](QByteArray& b) { Set32(b, Entry(b, 3) + 76, 4); }, "", "has children"},
        {"unknown version", [](QByteArray& b) { Set16(b, 26, 5); }, "", "not supported"},
        {"4096-byte sectors in version 3", [](QByteArray& b) { Set16(b, 30, 12); }, "", "not supported"},
    };
    return cases;
}

// Checks one storage's sibling tree: in name order, black root, no red node with a red child, the same number of
// black nodes on every path. Returns the number of nodes, or -1.
int CheckRedBlack(const CfbReader& reader, quint32 storage) {
    std::map<quint32, const CfbEntry*> byId;
    for (quint32 i = 0; i < reader.EntryCount(); ++i)
        byId[reader.Entry(i).directoryId] = &reader.Entry(i);
    struct Visit {
        quint32 id;
        int blacks;
        bool parentRed;
    };
    std::vector<Visit> pending{{reader.Entry(storage).child, 0, false}};
    std::vector<QString> inOrder;
    int pathBlacks = -1;
    int count = 0;
    const quint32 root = reader.Entry(storage).child;
    if (root != cfb::kNoStream && byId[root]->color != cfb::kColorBlack)
        return -1;
    while (!pending.empty()) {
        const Visit visit = pending.back();
        pending.pop_back();
        if (visit.id == cfb::kNoStream) {
            if (pathBlacks >= 0 && pathBlacks != visit.blacks)
                return -1;
            pathBlacks = visit.blacks;
            continue;
        }
        const CfbEntry& entry = *byId[visit.id];
        const bool red = entry.color == cfb::kColorRed;
        if (red && visit.parentRed)
            return -1;
        ++count;
        pending.push_back({entry.right, visit.blacks + (red ? 0 : 1), red});
        pending.push_back({entry.left, visit.blacks + (red ? 0 : 1), red});
    }
    // In-order check: every node's left subtree holds smaller names, its right subtree greater ones.
    std::vector<std::pair<quint32, std::pair<QString, QString>>> bounds{{root, {QString(), QString()}}};
    while (!bounds.empty()) {
        const auto [id, range] = bounds.back();
        bounds.pop_back();
        if (id == cfb::kNoStream)
            continue;
        const QString& name = byId[id]->name;
        if ((!range.first.isNull() && CfbName::Compare(range.first, name) >= 0) ||
            (!range.second.isNull() && CfbName::Compare(name, range.second) >= 0))
            return -1;
        bounds.push_back({byId[id]->left, {range.first, name}});
        bounds.push_back({byId[id]->right, {name, range.second}});
    }
    return count;
}

} // namespace

void TestCfbReader::damagedFilesAreRefused_data() {
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < Cases().size(); ++i)
        QTest::newRow(Cases()[i].name) << int(i);
}

void TestCfbReader::damagedFilesAreRefused() {
    QFETCH(int, index);
    const Case& damage = Cases()[size_t(index)];
    QByteArray bytes = Sample();
    damage.damage(bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.kvx");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    CompoundFile compound;
    const QString stream = QString::fromLatin1(damage.stream);
    if (stream.isEmpty()) {
        QVERIFY(!compound.Open(path));
        QVERIFY(!compound.IsOpen());
    } else {
        QVERIFY2(compound.Open(path), qPrintable(compound.ErrorString()));
        const QStringList parts = stream.split('/');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            QVERIFY(compound.OpenStorage(parts[i]));
        QVERIFY(!compound.OpenStream(parts.last()));
        QVERIFY(!compound.Commit());
    }
    QVERIFY2(compound.ErrorString().contains(damage.reason), qPrintable(compound.ErrorString()));
    compound.Close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestCfbReader::truncatedFilesNeverGiveWrongData() {
    const QByteArray bytes = Sample();
    std::map<QString, QByteArray> streams;
    QString error;
    QVERIFY2(ReadAll(bytes, streams, error), qPrintable(error));
    QVERIFY(streams == SampleStreams());
    for (qint64 cut = 0; cut < bytes.size(); cut += cut < 600 ? 1 : 61) {
        streams.clear();
        error.clear();
        if (ReadAll(bytes.left(cut), streams, error))
            QVERIFY2(streams == SampleStreams(), qPrintable(QString::number(cut)));
        else
            QVERIFY2(!error.isEmpty(), qPrintable(QString::number(cut)));
    }
}

void TestCfbReader::byteFlipsNeverCrash() {
    const QByteArray original = Sample();
    QRandomGenerator random(20240611);
    int opened = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes = original;
        const int flips = 1 + int(random.bounded(4));
        for (int i = 0; i < flips; ++i) {
            // Most flips go to the header, the tables and the directory, where the reader has work to do.
            const qint64 at = random.bounded(round % 2 ? qint64(bytes.size()) : qint64(2560));
            bytes[at] = char(bytes[at] ^ char(1 << random.bounded(8)));
        }
        std::map<QString, QByteArray> streams;
        QString error;
        const bool read = ReadAll(bytes, streams, error);
        QVERIFY(read || !error.isEmpty());
        opened += read ? 1 : 0;
    }
    QVERIFY(opened > 0);
}

void TestCfbReader::siblingTreesAreRedBlack_data() {
    QTest::addColumn<int>("count");
    for (const int count : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 100, 1000})
        QTest::addRow("%d children", count) << count;
}

void TestCfbReader::siblingTreesAreRedBlack() {
    QFETCH(int, count);
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    CfbNode* storage = root->Add(CfbNode::MakeStorage("S"));
    for (int i = 0; i < count; ++i)
        AddStream(*storage, QStringLiteral("n%1").arg(i * 7919 % 1009), Pattern(i % 3, i));
    QString error;
    const std::shared_ptr<CfbReader> reader = Read(Write(*root), error);
    QVERIFY2(reader, qPrintable(error));
    QCOMPARE(CheckRedBlack(*reader, 0), 1);
    QCOMPARE(CheckRedBlack(*reader, reader->Entry(0).children.front()), count);
}

void TestCfbReader::version4RoundTrips() {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    CfbNode* storage = root->Add(CfbNode::MakeStorage("F"));
    std::map<QString, QByteArray> expected;
    for (const int size : {0, 1, 64, 4095, 4096, 4097, 70000}) {
        const QString name = QString::number(size);
        AddStream(*storage, name, Pattern(size, size));
        expected["F/" + name] = Pattern(size, size);
    }
    for (int i = 0; i < 40; ++i) {
        AddStream(*root, QStringLiteral("s%1").arg(i), Pattern(i * 100, i));
        expected[QStringLiteral("s%1").arg(i)] = Pattern(i * 100, i);
    }
    const QByteArray bytes = Write(*root, true);
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 26), quint16(4));
    QCOMPARE(bytes.size() % 4096, 0);
    std::map<QString, QByteArray> streams;
    QString error;
    QVERIFY2(ReadAll(bytes, streams, error), qPrintable(error));
    QVERIFY(streams == expected);
    QCOMPARE(Read(bytes, error)->Version(), 4);
}

void TestCfbReader::fiftyThousandEntriesInOneStorage() {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    CfbNode* storage = root->Add(CfbNode::MakeStorage("F"));
    for (int i = 0; i < 50000; ++i)
        AddStream(*storage, QStringLiteral("attachment-%1").arg(i), Pattern(i % 90, i));
    QTemporaryDir dir;
    const QString path = dir.filePath("many.kvx");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Write(*root));
    file.close();

    CompoundFile compound;
    QVERIFY2(compound.Open(path), qPrintable(compound.ErrorString()));
    QVERIFY(compound.OpenStorage("F"));
    QCOMPARE(compound.ElementNames().size(), 50000);
    for (const int i : {0, 4321, 49999}) {
        std::unique_ptr<QIODevice> stream = compound.OpenStream(QStringLiteral("ATTACHMENT-%1").arg(i));
        QVERIFY(stream);
        QCOMPARE(stream->readAll(), Pattern(i % 90, i));
    }
    QVERIFY(!compound.CreateStream("Attachment-77"));
    QVERIFY(compound.CreateStream("attachment-50000"));
}

// A hostile writer may chain all siblings into one long list instead of a tree.
void TestCfbReader::degenerateSiblingChainOpens() {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    const int count = 50000;
    for (int i = 0; i < count; ++i)
        root->Add(CfbNode::MakeStorage(QStringLiteral("s%1").arg(i)));
    QByteArray bytes = Write(*root);
    Set32(bytes, Entry(bytes, 0) + 76, 1);
    const qint64 directory = (qint64(U32(bytes, 48)) + 1) * 512;
    for (int id = 1; id <= count; ++id) {
        Set32(bytes, directory + id * 128 + 68, cfb::kNoStream);
        Set32(bytes, directory + id * 128 + 72, id < count ? quint32(id + 1) : cfb::kNoStream);
    }
    QString error;
    const std::shared_ptr<CfbReader> reader = Read(bytes, error);
    QVERIFY2(reader, qPrintable(error));
    QCOMPARE(reader->Root().children.size(), size_t(count));
}

void TestCfbReader::deeplyNestedStoragesOpen() {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    CfbNode* storage = root.get();
    for (int depth = 0; depth < 20000; ++depth)
        storage = storage->Add(CfbNode::MakeStorage("n"));
    AddStream(*storage, "leaf", "deep");
    std::map<QString, QByteArray> streams;
    QString error;
    QVERIFY2(ReadAll(Write(*root), streams, error), qPrintable(error));
    QCOMPARE(streams.size(), size_t(1));
    QCOMPARE(streams.begin()->second, QByteArray("deep"));
    std::unique_ptr<CfbNode> copy = root->Clone();
    QVERIFY(!copy->HasWriter());
}

QTEST_GUILESS_MAIN(TestCfbReader)
#include "TestCfbReader.moc"
