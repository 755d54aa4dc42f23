// SPDX-License-Identifier: GPL-3.0-or-later
// Measures importing a KeePass XML export of 100,000 entries in 100 groups, beside making and saving the same number
// of cards directly, and the peak memory of the import beside that of opening the wallet it made; each figure is
// taken in a process of its own. "korvel-bench-import export PATH" writes the export alone, for profiling. A file whose
// one element has 100,000 attributes is read in the time of any file of its size, not in the square of its attributes.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "document/CWallet.h"
#include "document/WalletImporter.h"
#include "model/ImportReader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr int kEntries = 100000;
constexpr int kGroups = 100;

using bench::SilentPrompts;

struct Values {
    QString title, user, password, url, notes;
};

Values Next(QRandomGenerator& random) {
    return {bench::Word(random, 5, 30), bench::Word(random, 5, 20), bench::Word(random, 12, 24),
            QStringLiteral("https://") + bench::Word(random, 5, 20).remove(u' ') + QStringLiteral(".example"),
            bench::Word(random, 0, 80)};
}

void WriteString(QXmlStreamWriter& xml, const char* key, const QString& value, bool protect = false) {
    xml.writeStartElement(QStringLiteral("String"));
    xml.writeTextElement(QStringLiteral("Key"), QString::fromLatin1(key));
    xml.writeStartElement(QStringLiteral("Value"));
    if (protect)
        xml.writeAttribute(QStringLiteral("ProtectInMemory"), QStringLiteral("True"));
    xml.writeCharacters(value);
    xml.writeEndElement();
    xml.writeEndElement();
}

void MakeExport(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&file);
    // Indented with tabs, as KeePass writes its exports.
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("KeePassFile"));
    xml.writeStartElement(QStringLiteral("Root"));
    xml.writeStartElement(QStringLiteral("Group"));
    xml.writeTextElement(QStringLiteral("Name"), QStringLiteral("Root"));
    QRandomGenerator random(7);
    for (int group = 0; group < kGroups; ++group) {
        xml.writeStartElement(QStringLiteral("Group"));
        xml.writeTextElement(QStringLiteral("Name"), QStringLiteral("Group %1").arg(group));
        for (int i = 0; i < kEntries / kGroups; ++i) {
            const Values values = Next(random);
            xml.writeStartElement(QStringLiteral("Entry"));
            WriteString(xml, "Title", values.title);
            WriteString(xml, "UserName", values.user);
            WriteString(xml, "Password", values.password, true);
            WriteString(xml, "URL", values.url);
            WriteString(xml, "Notes", values.notes);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
}

// The same cards, made by hand in the wallet and saved.
void WriteDirectly(const QString& path) {
    CWallet wallet;
    wallet.LoadDefaults();
    QList<qint32> categories;
    for (int group = 0; group < kGroups; ++group) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = QStringLiteral("Root / Group %1").arg(group);
        category->flag = 0;
        categories.append(category->id);
        wallet.AddCategory(std::move(category));
    }
    QRandomGenerator random(7);
    for (int i = 0; i < kEntries; ++i) {
        const Values values = Next(random);
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = values.title;
        card->categoryId = categories[i / (kEntries / kGroups)];
        card->templateName = QStringLiteral("17");
        card->values.Set(0, values.url);
        card->values.Set(1, values.user);
        card->values.Set(2, values.password);
        card->notes = values.notes;
        wallet.AddCard(std::move(card));
    }
    wallet.OnSaveDocument(path);
}

bool Import(const QString& exportPath, const QString& walletPath) {
    CWallet wallet;
    wallet.LoadDefaults();
    QFile file(exportPath);
    file.open(QIODevice::ReadOnly);
    WalletImporter importer(wallet, QString(), {});
    QString error;
    const auto reader = ImportReader::Create(ImportReader::Format::KeePassXml, false);
    if (!reader->ReadAhead(
            file, [&](ImportedEntry& entry) { importer.Add(entry, error); }, error)) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(error));
        return false;
    }
    return wallet.OnSaveDocument(walletPath);
}

// The peak resident memory of this process image; unlike getrusage's figure, it starts again at exec, so the parent's
// memory does not count.
double PeakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

struct Run {
    double ms = 0;
    double peakMiB = 0;
};

// Runs this program again with `arguments` in a fresh process, so that each figure starts from a new heap.
Run RunChild(const QStringList& arguments) {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(-1);
    const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
    return {figures.value(0).toDouble(), figures.value(1).toDouble()};
}

Run BestOf(int runs, const QStringList& arguments, const QString& output) {
    Run best{1e300, 0};
    for (int i = 0; i < runs; ++i) {
        QFile::remove(output);
        const Run run = RunChild(arguments);
        best.ms = std::min(best.ms, run.ms);
        best.peakMiB = std::max(best.peakMiB, run.peakMiB);
    }
    return best;
}

// Reading a KeePass export held in memory, as the check before an import does.
double ReadMs(const QByteArray& xml) {
    return bench::Measure([&] {
        QByteArray bytes = xml;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        ImportReader::Create(ImportReader::Format::KeePassXml, false)
            ->Read(
                buffer, [](ImportedEntry&) {}, error);
    });
}

// An element with 100,000 attributes beside entries of the same size in all.
void ReportAttributes() {
    QByteArray attributes;
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + QByteArray::number(i) + "='x'";
    QByteArray entries;
    while (entries.size() < attributes.size())
        entries += "<Entry><String><Key>Title</Key><Value>x</Value></String></Entry>";
    const QByteArray head = "<KeePassFile><Root><Group";
    bench::Report("read an element of 100,000 attributes", ReadMs(head + attributes + "/></Root></KeePassFile>"),
                  "entries of the same size", ReadMs(head + '>' + entries + "</Group></Root></KeePassFile>"),
                  "ratio at most 2");
}

void PrintFigures(const std::function<void()>& work) {
    const double ms = bench::Measure(work, 1);
    std::printf("%.1f %.1f\n", ms, PeakMiB());
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SilentPrompts prompts;
    Prompts::Install(&prompts);
    if (!ResourceLibrary::Load()) {
        std::fprintf(stderr, "the resource library is missing\n");
        return 1;
    }
    const QString arg2 = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString arg3 = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (argc == 4 && qstrcmp(argv[1], "import") == 0) {
        PrintFigures([&] { Import(arg2, arg3); });
        return 0;
    }
    if (argc == 3 && qstrcmp(argv[1], "direct") == 0) {
        PrintFigures([&] { WriteDirectly(arg2); });
        return 0;
    }
    if (argc == 3 && qstrcmp(argv[1], "export") == 0) {
        MakeExport(arg2);
        return 0;
    }
    if (argc == 3 && qstrcmp(argv[1], "open") == 0) {
        CWallet wallet;
        PrintFigures([&] { wallet.OnOpenDocument(arg2); });
        return 0;
    }
    QTemporaryDir dir;
    const QString exportPath = dir.filePath(QStringLiteral("export.xml"));
    MakeExport(exportPath);
    const QString direct = dir.filePath(QStringLiteral("direct.kvx"));
    const QString imported = dir.filePath(QStringLiteral("imported.kvx"));
    const Run directRun = BestOf(2, {QStringLiteral("direct"), direct}, direct);
    const Run importRun = BestOf(2, {QStringLiteral("import"), exportPath, imported}, imported);
    const Run openRun = RunChild({QStringLiteral("open"), imported});
    bench::Report("import 100,000 KeePass entries and save", importRun.ms, "make and save them directly", directRun.ms,
                  "ratio at most 2");
    std::printf("%-44s %9.1f MiB   %-34s %9.1f MiB   ratio %6.2f   goal under 1.5\n", "peak memory of the import",
                importRun.peakMiB, "opening the wallet it made", openRun.peakMiB, importRun.peakMiB / openRun.peakMiB);
    std::printf("%-44s %9.1f MiB\n", "peak memory of making and saving directly", directRun.peakMiB);
    ReportAttributes();
    return 0;
}
