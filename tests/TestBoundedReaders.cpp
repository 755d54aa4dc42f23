// SPDX-License-Identifier: GPL-3.0-or-later
// The readers of outside input run in a child process with little address space to spare. A hostile input that
// claims huge counts, loops or sizes must be refused with a clear message: neither by collecting what it claims nor
// by an allocation failure that ends the process.
#include "GzipData.h"
#include "WalletFixture.h"
#include "base/FieldCipher.h"
#include "model/CCardTemplate.h"
#include "model/CXmlDocument.h"
#include "model/ImportReader.h"
#include "storage/CompoundFile.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"
#include "storage/SealingWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define KORVEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEL_ASAN 1
#endif
#endif

namespace {

constexpr qint64 kHeadroom = qint64(128) << 20;
constexpr quint32 kEnd = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
// 2 TiB of 512-byte sectors is the most sectors a file can have; 33554432 FAT sectors describe them all.
constexpr qint64 kVersion3Size = qint64(1) << 41;
constexpr quint32 kMostSectors = 0xFFFFFFFA;
constexpr quint32 kMostFatSectors = 33554432;
constexpr qint64 kVersion4Size = qint64(1) << 43;

void Put32(QByteArray& bytes, qint64 at, quint32 value) {
    qToLittleEndian<quint32>(value, bytes.data() + at);
}

// The header and `sectors` sectors of zeros: the real bytes at the start of a sparse compound file.
QByteArray Head(int shift, int sectors) {
    QByteArray bytes((qint64(sectors) + 1) << shift, '\0');
    bytes.replace(0, 8, QByteArray::fromHex("D0CF11E0A1B11AE1"));
    const std::pair<int, int> fields[] = {{24, 0x3E}, {26, shift == 12 ? 4 : 3}, {28, 0xFFFE}, {30, shift}, {32, 6}};
    for (const auto& [at, value] : fields)
        qToLittleEndian<quint16>(quint16(value), bytes.data() + at);
    Put32(bytes, 56, 4096);
    Put32(bytes, 60, kEnd);
    Put32(bytes, 68, kEnd);
    for (int i = 0; i < 109; ++i)
        Put32(bytes, 76 + 4 * i, kFree);
    return bytes;
}

qint64 Word(int shift, quint32 sector, int index) {
    return ((qint64(sector) + 1) << shift) + 4 * qint64(index);
}

// The header lists FAT sectors 1 to 109 (all in the hole), its DIFAT goes on in sector 0 with 127 more and then to
// `next`.
QByteArray DifatInto(quint32 fatSectors, quint32 next) {
    QByteArray bytes = Head(9, 1);
    Put32(bytes, 44, fatSectors);
    Put32(bytes, 68, 0);
    Put32(bytes, 72, kMostSectors);
    for (int i = 0; i < 109; ++i)
        Put32(bytes, 76 + 4 * i, quint32(1 + i));
    for (int i = 0; i < 127; ++i)
        Put32(bytes, Word(9, 0, i), quint32(110 + i));
    Put32(bytes, Word(9, 0, 127), next);
    return bytes;
}

// Version 4: FAT in sector 0, directory in sector 1 with the root and one stream, sector 2 chained to itself.
QByteArray SelfChained(bool rootUsesIt) {
    QByteArray bytes = Head(12, 2);
    Put32(bytes, 44, 1);
    Put32(bytes, 48, 1);
    Put32(bytes, 76, 0);
    for (int i = 3; i < 1024; ++i)
        Put32(bytes, Word(12, 0, i), kFree);
    const quint32 links[] = {0xFFFFFFFD, kEnd, 2};
    for (int sector = 0; sector < 3; ++sector)
        Put32(bytes, Word(12, 0, sector), links[sector]);
    const qint64 size = qint64(1) << 42;
    for (int id = 0; id < 2; ++id) {
        const qint64 entry = Word(12, 1, 32 * id);
        const QString name = id == 0 ? QStringLiteral("Root Entry") : QStringLiteral("S");
        qToLittleEndian<quint16>(name.utf16(), name.size(), bytes.data() + entry);
        qToLittleEndian<quint16>(quint16(2 * name.size() + 2), bytes.data() + entry + 64);
        bytes[entry + 66] = char(id == 0 ? 5 : 2);
        bytes[entry + 67] = 1;
        Put32(bytes, entry + 68, kFree);
        Put32(bytes, entry + 72, kFree);
        Put32(bytes, entry + 76, id == 0 ? 1 : kFree);
        const bool chained = (id == 0) == rootUsesIt;
        Put32(bytes, entry + 116, chained ? 2 : kEnd);
        qToLittleEndian<quint64>(chained ? size : 0, bytes.data() + entry + 120);
    }
    return bytes;
}

// A template file whose description claims a billion characters, which the sparse file seems to hold.
QByteArray HugeTemplateText() {
    return QByteArray::fromHex("01000000"
                               "FFFEFF"
                               "FF"
                               "FFFF"
                               "00000040");
}

const QString kSealPassphrase = QStringLiteral("orbit tulip canyon velvet harbor 1984");

// The header and first chunk of a genuine sealed file of three chunks: the rest is the hole after them.
QByteArray SealedStart() {
    QString error;
    const std::shared_ptr<const SealKey> key = SealKey::Create(kSealPassphrase, {1, 8}, error);
    QByteArray sealed;
    QBuffer out(&sealed);
    out.open(QIODevice::WriteOnly);
    SealingWriter writer(out, *key);
    writer.write(QByteArray(3 * SealedHeader::kChunkSize, 'p'));
    writer.Finish();
    return sealed.left(SealedHeader::kSize + SealedHeader::kChunkSize + 17);
}

QString OpenSealedFile(const QString& path) {
    SealedHeader header;
    QString error;
    if (SealedHeader::Read(path, header, error) != SealedHeader::Kind::Sealed)
        return error;
    CompoundFile file;
    file.SetSeal(SealKey::Derive(kSealPassphrase, header, error));
    return file.Open(path, CompoundFile::kReadMode) ? QStringLiteral("opened") : file.ErrorString();
}

QString OpenCompoundFile(const QString& path) {
    CompoundFile file;
    if (!file.Open(path))
        return file.ErrorString();
    for (const QString& name : file.ElementNames()) {
        if (!file.OpenStream(name))
            return file.ErrorString();
    }
    return QStringLiteral("opened");
}

QString ImportTemplate(const QString& path) {
    ScriptedPrompts prompts;
    prompts.OpenFile(path);
    prompts.Message(QStringLiteral("could not be read"), Prompts::Answer::Ok);
    CCardTemplate incoming;
    const int imported = incoming.ImportFromFile(FieldCipher::BlockOnly);
    return imported == 0 && prompts.Faults().isEmpty() ? prompts.Asked().last() : QStringLiteral("imported");
}

// Eight million empty elements: their records need more than the headroom.
QString ParseManyElements() {
    constexpr qsizetype kElements = qsizetype(1) << 23;
    QString text;
    text.reserve(4 * kElements + 7);
    text += QStringLiteral("<r>");
    for (qsizetype i = 0; i < kElements; ++i)
        text += QStringLiteral("<a/>");
    text += QStringLiteral("</r>");
    CXmlDocument document;
    return document.SetDocument(text) ? QStringLiteral("parsed") : document.GetError();
}

// An export made as it is read: `head`, `pattern` `count` times, then `tail`. A hostile export of hundreds of
// megabytes costs neither disk nor memory.
class MadeInput : public QIODevice {
public:
    MadeInput(QByteArray head, QByteArray pattern, qint64 count, QByteArray tail)
        : m_parts{std::move(head), std::move(pattern), std::move(tail)}, m_count(count) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return m_parts[0].size() + m_count * m_parts[1].size() + m_parts[2].size(); }

protected:
    qint64 readData(char* data, qint64 most) override {
        qint64 done = 0;
        for (qint64 at = pos(); done < most && at < size(); at = pos() + done) {
            const auto [part, offset] = PartAt(at);
            const qint64 length = std::min(most - done, part->size() - offset);
            std::memcpy(data + done, part->constData() + offset, size_t(length));
            done += length;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::pair<const QByteArray*, qint64> PartAt(qint64 at) const {
        if (at < m_parts[0].size())
            return {&m_parts[0], at};
        at -= m_parts[0].size();
        if (at < m_count * m_parts[1].size())
            return {&m_parts[1], at % m_parts[1].size()};
        return {&m_parts[2], at - m_count * m_parts[1].size()};
    }

    QByteArray m_parts[3];
    qint64 m_count;
};

// KeePass exports with packed files in their pool: a dozen bombs of 255 MiB each that no entry refers to, or one
// file of 32 MiB that 70 entries refer to, 2.2 GiB in all.
QByteArray KeePassPool(const QString& kind) {
    const bool bombs = kind == u"keepass bombs";
    const QByteArray packed = Gzip({}, qint64(bombs ? 255 : 32) << 20).toBase64();
    QByteArray xml = "<KeePassFile><Meta><Binaries>";
    for (int id = 0; id < (bombs ? 12 : 1); ++id)
        xml += "<Binary ID=\"" + QByteArray::number(id) + "\" Compressed=\"True\">" + packed + "</Binary>";
    xml += "</Binaries></Meta><Root><Group><Name>G</Name>";
    for (int entry = 0; entry < (bombs ? 1 : 70); ++entry)
        xml += bombs ? "<Entry/>" : "<Entry><Binary><Key>f</Key><Value Ref=\"0\"/></Binary></Entry>";
    return xml + "</Group></Root></KeePassFile>";
}

// Reads a hostile export made on the spot, as the check before an import does.
QString ReadExport(const QString& kind) {
    std::unique_ptr<QIODevice> input;
    QByteArray pool;
    if (kind.startsWith(u"keepass")) {
        pool = KeePassPool(kind);
        input = std::make_unique<QBuffer>(&pool);
        input->open(QIODevice::ReadOnly);
    } else if (kind == u"csv header") {
        input = std::make_unique<MadeInput>("title", ",x", qint64(50) << 20, "\n");
    } else if (kind == u"csv fields") {
        input = std::make_unique<MadeInput>("a,b,c,d\n", "x,", qint64(50) << 20, "\n");
    } else {
        input = std::make_unique<MadeInput>("{\"items\": [{\"type\": 2, \"name\": \"n\", \"notes\": \"", "note ",
                                            qint64(60) << 20, "\"}]}");
    }
    const auto reader = ImportReader::Create(*ImportReader::Detect(*input), false);
    QString error;
    int entries = 0;
    if (!reader->Read(
            *input, [&](ImportedEntry&) { ++entries; }, error))
        return error;
    return QStringLiteral("read %1 entries").arg(entries);
}

bool LimitAddressSpace() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return false;
    const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
    const rlimit limit{rlim_t(pages * sysconf(_SC_PAGESIZE) + kHeadroom), RLIM_INFINITY};
    return pages > 0 && setrlimit(RLIMIT_AS, &limit) == 0;
}

int RunChild(const QString& kind, const QString& path) {
    WalletFixture::LoadLibrary();
    if (!LimitAddressSpace())
        return 3;
    const QString outcome = kind == QStringLiteral("cfb")        ? OpenCompoundFile(path)
                            : kind == QStringLiteral("sealed")   ? OpenSealedFile(path)
                            : kind == QStringLiteral("template") ? ImportTemplate(path)
                            : kind == QStringLiteral("xml")      ? ParseManyElements()
                                                                 : ReadExport(kind);
    std::fputs(qPrintable(outcome), stdout);
    return 0;
}

} // namespace

class TestBoundedReaders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hostileInputIsRefusedWithinTheLimit_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("reason");
        QByteArray largest = DifatInto(kMostSectors, 0);
        Put32(largest, 64, kMostSectors);
        QByteArray directoryCount = Head(9, 0);
        Put32(directoryCount, 40, kFree);
        Put32(directoryCount, 44, 1);
        Put32(directoryCount, 76, 0);
        QByteArray fatInHole = DifatInto(109, 0);
        Put32(fatInHole, 72, 0);
        QTest::newRow("largest counts") << "cfb" << largest << kVersion3Size << "FAT or DIFAT sector count";
        QTest::newRow("directory count") << "cfb" << directoryCount << kVersion3Size << "directory or mini FAT";
        QTest::newRow("DIFAT loops") << "cfb" << DifatInto(kMostFatSectors, 0) << kVersion3Size << "DIFAT chain loops";
        QTest::newRow("DIFAT runs into the hole")
            << "cfb" << DifatInto(kMostFatSectors, 1000000) << kVersion3Size << "lists one FAT sector twice";
        QTest::newRow("FAT in the hole") << "cfb" << fatInHole << kVersion3Size << "several sectors lead to sector 0";
        QTest::newRow("mini stream chain loops")
            << "cfb" << SelfChained(true) << kVersion4Size << "mini stream chain loops";
        QTest::newRow("stream chain loops") << "cfb" << SelfChained(false) << kVersion4Size << "\"S\" loops";
        QTest::newRow("template with a huge text")
            << "template" << HugeTemplateText() << (qint64(1) << 31) + 64 << "not enough memory";
        QTest::newRow("sealed file with a hole after its first chunk")
            << "sealed" << SealedStart() << (qint64(2) << 30) << "chunk 2 of the sealed file does not authenticate";
        QTest::newRow("XML with too many elements") << "xml" << QByteArray() << qint64(0) << "Not enough memory";
        QTest::newRow("KeePass pool of bombs") << "keepass bombs" << QByteArray() << qint64(0) << "read 1 entries";
        QTest::newRow("KeePass file referred to again and again")
            << "keepass references" << QByteArray() << qint64(0) << "more than 2048 MiB of attached files and texts";
        QTest::newRow("CSV header of 100 MB") << "csv header" << QByteArray() << qint64(0) << "line 1: the header row";
        QTest::newRow("CSV record of 52 million fields")
            << "csv fields" << QByteArray() << qint64(0) << "line 2: more fields than the 4 columns";
        QTest::newRow("JSON note of 300 MB") << "json note" << QByteArray() << qint64(0) << "larger than 16 MiB";
    }

    void hostileInputIsRefusedWithinTheLimit() {
#ifdef KORVEL_ASAN
        QSKIP("an address-space limit cannot work under AddressSanitizer");
#endif
        QFETCH(QString, kind);
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("hostile")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(head), head.size());
        if (size > 0 && !file.resize(size))
            QSKIP("this file system cannot hold so large a sparse file");
        file.close();

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child"), kind, file.fileName()});
        QVERIFY(child.waitForFinished(120000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0 && output.contains(reason), qPrintable(output));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "child") == 0)
        return RunChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestBoundedReaders test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestBoundedReaders.moc"
