// SPDX-License-Identifier: GPL-3.0-or-later
// Measures importing a KeePass XML export of 100,000 entries in 100 groups, beside making and saving the same number
// of cards directly, and the peak memory of the import beside that of opening the wallet it made.
#include "BenchSupport.h"
#include "document/CWallet.h"
#include "document/Prompts.h"
#include "document/ResourceLibrary.h"
#include "document/WalletImporter.h"
#include "model/ImportReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <cstdio>
#include <sys/resource.h>

namespace {
constexpr int kEntries = 100000;
constexpr int kGroups = 100;

struct SilentPrompts : Prompts {
    Answer Message(const QString&, Icon, Buttons buttons, Answer) override {
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    QString OpenFileName(const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool PromptPassword(QString&, const QString&) override { return false; }
};

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

QString MakeExport(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("export.xml"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
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
    return path;
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
        wallet.categories.InsertInIdOrder(category);
    }
    QRandomGenerator random(7);
    for (int i = 0; i < kEntries; ++i) {
        const Values values = Next(random);
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = values.title;
        card->categoryId = categories[i / (kEntries / kGroups)];
        card->templateName = QStringLiteral("17");
        card->values[0] = values.url;
        card->values[1] = values.user;
        card->values[2] = values.password;
        card->notes = values.notes;
        wallet.cards.InsertInIdOrder(card);
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
    if (!reader->Read(
            file, [&](ImportedEntry& entry) { importer.Add(entry, error); }, error)) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(error));
        return false;
    }
    return wallet.OnSaveDocument(walletPath);
}

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Peak memory of this program run again with `arguments`, each run in a process of its own.
double PeakOf(const QStringList& arguments) {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput().trimmed().toDouble();
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
    if (argc == 4 && qstrcmp(argv[1], "import") == 0) {
        Import(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        std::printf("%.1f\n", PeakMiB());
        return 0;
    }
    if (argc == 3 && qstrcmp(argv[1], "open") == 0) {
        CWallet wallet;
        wallet.OnOpenDocument(QString::fromLocal8Bit(argv[2]));
        std::printf("%.1f\n", PeakMiB());
        return 0;
    }
    QTemporaryDir dir;
    const QString exportPath = MakeExport(dir);
    const QString direct = dir.filePath(QStringLiteral("direct.kvx"));
    const QString imported = dir.filePath(QStringLiteral("imported.kvx"));
    const double directMs = bench::Measure([&] { WriteDirectly(direct); }, 2, [&] { QFile::remove(direct); });
    const double importMs = bench::Measure([&] { Import(exportPath, imported); }, 2, [&] { QFile::remove(imported); });
    bench::Report("import 100,000 KeePass entries and save", importMs, "make and save them directly", directMs,
                  "ratio at most 2");
    QFile::remove(imported);
    const double importPeak = PeakOf({QStringLiteral("import"), exportPath, imported});
    const double openPeak = PeakOf({QStringLiteral("open"), imported});
    std::printf("%-44s %9.1f MiB   %-34s %9.1f MiB   ratio %6.2f   goal under 1.5\n", "peak memory of the import",
                importPeak, "opening the wallet it made", openPeak, importPeak / openPeak);
    return 0;
}
