// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"
#include "storage/CompoundFile.h"
#include "storage/cfb/CfbNewContent.h"
#include "storage/cfb/CfbNode.h"
#include "storage/cfb/CfbWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Independent readers and writers check our files in both directions: Debian's python3-olefile (run by Debian's
// own Python) and the npm package cfb (installed into the build folder from interop/package-lock.json beside the
// tests).
class TestCfbInterop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void independentReadersReadOurFiles_data();
    void independentReadersReadOurFiles();
    void weReadFilesOfTheCfbPackage();

private:
    bool m_olefile = false;
    bool m_cfb = false;
    QString m_npmFolder;
};

namespace {

const QString kInterop = QStringLiteral(KORVEL_TEST_SOURCE "/interop");
const QString kPython = QStringLiteral("/usr/bin/python3");

struct Layout {
    QStringList storages;
    std::vector<std::pair<QString, qint64>> streams;
};

// Wallet-like storages, streams on both sides of the mini stream cutoff, and enough siblings for a deep tree.
Layout Sample() {
    Layout layout{{"D", "E", "F", "F/Sub", "M"}, {{"D/W", 300}, {"F/Sub/leaf", 5}}};
    for (const qint64 size : {0, 1, 63, 64, 4095, 4096, 4097, 100000, (1 << 20) + 5})
        layout.streams.emplace_back(QStringLiteral("F/s%1").arg(size), size);
    for (int i = 0; i < 200; ++i)
        layout.streams.emplace_back(QStringLiteral("M/m%1").arg(i), i * 3);
    return layout;
}

QString Line(const QString& path, const QByteArray& data) {
    return QStringLiteral("S %1 %2 %3")
        .arg(path)
        .arg(data.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
}

QStringList Expected(const Layout& layout) {
    QStringList lines;
    for (const QString& storage : layout.storages)
        lines.append("D " + storage);
    for (const auto& [path, size] : layout.streams)
        lines.append(Line(path, Pattern(size, int(size))));
    lines.sort();
    return lines;
}

bool WriteWithCompoundFile(const Layout& layout, const QString& path) {
    CompoundFile file;
    if (!file.Create(path))
        return false;
    for (const QString& storage : layout.storages) {
        const QStringList parts = storage.split('/');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            file.OpenStorage(parts[i]);
        file.CreateStorage(parts.last(), false);
        while (file.PopStorage()) {
        }
    }
    for (const auto& [streamPath, size] : layout.streams) {
        const QStringList parts = streamPath.split('/');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            file.OpenStorage(parts[i]);
        std::unique_ptr<QIODevice> stream = file.CreateStream(parts.last());
        if (!stream || stream->write(Pattern(size, int(size))) != size)
            return false;
        stream.reset();
        while (file.PopStorage()) {
        }
    }
    return file.Commit();
}

bool WriteVersion4(const Layout& layout, const QString& path) {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage("Root Entry");
    const auto find = [&root](const QStringList& parts) {
        CfbNode* node = root.get();
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            node = node->Find(parts[i]);
        return node;
    };
    for (const QString& storage : layout.storages)
        find(storage.split('/'))->Add(CfbNode::MakeStorage(storage.split('/').last()));
    QString error;
    for (const auto& [streamPath, size] : layout.streams) {
        auto content = std::make_shared<CfbNewContent>(path);
        const QByteArray bytes = Pattern(size, int(size));
        content->WriteAt(0, bytes.constData(), size, error);
        find(streamPath.split('/'))->Add(CfbNode::MakeStream(streamPath.split('/').last(), content));
    }
    QFile file(path);
    CfbWriter writer(*root);
    writer.ForceVersion4();
    return file.open(QIODevice::WriteOnly) && writer.Write(file, error) && file.flush();
}

void Dump(CompoundFile& file, const QString& prefix, QStringList& lines) {
    for (const QString& name : file.ElementNames()) {
        if (file.OpenStorage(name)) {
            lines.append("D " + prefix + name);
            Dump(file, prefix + name + '/', lines);
            file.PopStorage();
            continue;
        }
        std::unique_ptr<QIODevice> stream = file.OpenStream(name);
        lines.append(stream ? Line(prefix + name, stream->readAll()) : "unreadable " + name);
    }
}

int Run(const QString& program, const QStringList& arguments, const QString& npmFolder, QByteArray* output) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("NODE_PATH", npmFolder + "/node_modules");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    const QByteArray errors = process.readAllStandardError();
    if (!errors.isEmpty())
        qWarning("%s: %s", qPrintable(program), errors.constData());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool SameFile(const QString& a, const QString& b) {
    QFile x(a);
    QFile y(b);
    return x.open(QIODevice::ReadOnly) && y.open(QIODevice::ReadOnly) && x.readAll() == y.readAll();
}

} // namespace

void TestCfbInterop::initTestCase() {
    m_olefile = Run(kPython, {"-c", "import olefile"}, {}, nullptr) == 0;
    m_npmFolder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../interop-npm");
    QDir().mkpath(m_npmFolder);
    bool fresh = QFile::exists(m_npmFolder + "/node_modules/cfb/package.json");
    for (const QString name : {"package.json", "package-lock.json"}) {
        if (SameFile(kInterop + '/' + name, m_npmFolder + '/' + name))
            continue;
        QFile::remove(m_npmFolder + '/' + name);
        QFile::copy(kInterop + '/' + name, m_npmFolder + '/' + name);
        fresh = false;
    }
    m_cfb = fresh || Run("npm", {"ci", "--prefix", m_npmFolder, "--no-audit", "--no-fund"}, m_npmFolder, nullptr) == 0;
}

void TestCfbInterop::independentReadersReadOurFiles_data() {
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("version");
    for (const int version : {3, 4}) {
        QTest::addRow("olefile, version %d", version) << "olefile" << version;
        QTest::addRow("cfb, version %d", version) << "cfb" << version;
    }
}

void TestCfbInterop::independentReadersReadOurFiles() {
    QFETCH(QString, reader);
    QFETCH(int, version);
    if (reader == "olefile" && !m_olefile)
        QSKIP("python3-olefile is not importable by /usr/bin/python3");
    if (reader == "cfb" && !m_cfb)
        QSKIP("the npm package cfb could not be installed");
    QTemporaryDir dir;
    const QString path = dir.filePath("ours.kvx");
    const Layout layout = Sample();
    QVERIFY(version == 3 ? WriteWithCompoundFile(layout, path) : WriteVersion4(layout, path));
    QByteArray output;
    const int status = reader == "olefile" ? Run(kPython, {kInterop + "/olefile_dump.py", path}, m_npmFolder, &output)
                                           : Run("node", {kInterop + "/cfb_dump.js", path}, m_npmFolder, &output);
    QCOMPARE(status, 0);
    QCOMPARE(QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts), Expected(layout));
}

void TestCfbInterop::weReadFilesOfTheCfbPackage() {
    if (!m_cfb)
        QSKIP("the npm package cfb could not be installed");
    Layout layout = Sample();
    // The package makes the storages of the stream paths it is given; empty storages it cannot make.
    layout.storages.removeAll("E");
    QStringList arguments{kInterop + "/cfb_write.js"};
    QTemporaryDir dir;
    const QString path = dir.filePath("theirs.kvx");
    arguments.append(path);
    for (const auto& [streamPath, size] : layout.streams)
        arguments.append(QStringLiteral("%1=%2").arg(streamPath).arg(size));
    QCOMPARE(Run("node", arguments, m_npmFolder, nullptr), 0);

    CompoundFile file;
    QVERIFY2(file.Open(path), qPrintable(file.ErrorString()));
    QStringList lines;
    Dump(file, QString(), lines);
    // The package adds a marker stream of its own to every file it writes.
    lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("S \u0001Sh33tJ5 ")); });
    lines.sort();
    QCOMPARE(lines, Expected(layout));
}

QTEST_GUILESS_MAIN(TestCfbInterop)
#include "TestCfbInterop.moc"
