// SPDX-License-Identifier: GPL-3.0-or-later
// Measures korvel-cli on a 100,000-card wallet: opening it, searching it and exporting it, each run the way the
// program runs a command line. The baseline is copying the wallet file, measured in the same run. Then the same
// wallet sealed: opening and saving it beside the plain wallet, and the key derivation alone.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "cli/CliApplication.h"
#include "cli/CliConsole.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
using bench::Measure;
using bench::Report;
using bench::Word;

constexpr int kCards = 100000;
constexpr int kCategories = 8;

// A new wallet with the built-in templates, categories without password and cards of random texts, saved.
bool MakeWallet(const QString& path) {
    QByteArray none;
    QBuffer in(&none);
    QBuffer out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    CliConsole console(in, out, out, false);
    TerminalPrompts prompts(console);
    prompts.Preanswer(LoadResString(kStrOfferPassword), Prompts::Answer::No);
    Prompts::Install(&prompts);
    CWallet wallet;
    bool ok = wallet.OnNewDocument();
    QList<qint32> categoryIds;
    for (int i = 0; i < kCategories; ++i) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = QStringLiteral("Category %1").arg(i);
        category->flag = 0;
        categoryIds.append(category->id);
        wallet.AddCategory(std::move(category));
    }
    QRandomGenerator random(42);
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        const CCardTemplate* cardTemplate = wallet.Templates().At(i % wallet.Templates().Count());
        card->templateName = cardTemplate->internalName;
        card->categoryId = categoryIds[i % kCategories];
        card->description = Word(random, 8, 28);
        for (int slot = 0; slot < CCard::kValueCount && !cardTemplate->fields[slot].IsFree(); ++slot)
            card->values.Set(size_t(slot), Word(random, 4, 24));
        if (i % 4 == 0)
            card->notes = Word(random, 20, 200);
        wallet.AddCard(std::move(card));
    }
    ok = ok && wallet.OnSaveDocument(path);
    Prompts::Install(nullptr);
    return ok;
}

// One korvel-cli command line, in-process, with its output in a buffer.
void RunCli(const QStringList& arguments) {
    QByteArray none;
    QBuffer in(&none);
    QBuffer out;
    QBuffer err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliConsole console(in, out, err, false);
    if (CliApplication().Run(arguments, console) != 0)
        qFatal("korvel-cli %s failed: %s", qPrintable(arguments.join(u' ')), err.data().constData());
}
// Peak resident memory, in MiB, of the real korvel-cli program running one command line.
double PeakMiB(const QStringList& arguments) {
    const QByteArray program = (QCoreApplication::applicationDirPath() + QStringLiteral("/korvel-cli")).toLocal8Bit();
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toLocal8Bit());
    std::vector<char*> argv{const_cast<char*>(program.constData())};
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (int null = ::open("/dev/null", O_WRONLY); null >= 0)
            ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("korvel-cli %s failed", qPrintable(arguments.join(u' ')));
    return usage.ru_maxrss / 1024.0;
}

double OpenMs(const QString& path) {
    return Measure([&] {
        CWallet wallet;
        if (!wallet.OnOpenDocument(path))
            qFatal("the wallet could not be opened");
    });
}

// Saving the wallet as korvel-cli saves after a change: read, then written as a whole new file.
double SaveMs(const QString& path) {
    CWallet wallet;
    if (!wallet.OnOpenDocument(path))
        qFatal("the wallet could not be opened");
    return Measure([&] {
        if (!wallet.OnSaveDocument(path))
            qFatal("the wallet could not be saved");
    });
}

// The sealed wallet opens at most 10 % slower than the plain one plus its key derivation, which is the price of the
// passphrase and chosen to be about half a second.
void BenchSealed(const QString& wallet, const QString& sealed) {
    bench::SilentPrompts prompts;
    prompts.passphrase = QStringLiteral("orbit tulip canyon velvet harbor 1984");
    Prompts::Install(&prompts);
    QFile::copy(wallet, sealed);
    const SealKey::Costs costs = SealKey::Calibrate();
    QString error;
    {
        CWallet sealing;
        if (!sealing.OnOpenDocument(sealed) ||
            !sealing.SealFile(prompts.passphrase, costs.operations, costs.memoryKiB, error))
            qFatal("the wallet could not be sealed: %s", qPrintable(error));
    }
    SealedHeader header;
    SealedHeader::Read(sealed, header, error);
    const double derivation = Measure([&] { SealKey::Derive(prompts.passphrase, header, error); });
    const double plainOpen = OpenMs(wallet);
    std::printf("sealed with Argon2id, %u passes, %u MiB\n", costs.operations, costs.memoryKiB / 1024);
    Report("key derivation alone", derivation, "open the plain wallet", plainOpen);
    Report("open the sealed wallet", OpenMs(sealed), "open plain + key derivation", plainOpen + derivation, "<= 1.10");
    Report("save the sealed wallet", SaveMs(sealed), "save the plain wallet", SaveMs(wallet));
    Prompts::Install(nullptr);
}
} // namespace

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    QString error;
    if (!ResourceLibrary::Load(&error))
        qFatal("resource library: %s", qPrintable(error));
    const QTemporaryDir folder;
    const QString wallet = folder.filePath(QStringLiteral("large.kvx"));
    if (!MakeWallet(wallet))
        qFatal("the wallet could not be made");
    std::printf("wallet of %d cards: %lld bytes\n", kCards, QFile(wallet).size());
    // korvel-bench-cli PATH also leaves a copy of the wallet at PATH, to profile a command on it.
    if (argc > 1)
        QFile::copy(wallet, QString::fromLocal8Bit(argv[1]));

    const QString copy = folder.filePath(QStringLiteral("copy.kvx"));
    const double copyMs = Measure([&] {
        QFile::remove(copy);
        QFile::copy(wallet, copy);
    });
    const QString text = folder.filePath(QStringLiteral("out.txt"));
    const QString xml = folder.filePath(QStringLiteral("out.xml"));
    Report("korvel-cli ls (open the wallet)", Measure([&] {
               RunCli({"ls", wallet});
           }),
           "copy the wallet file", copyMs, "<= 7");
    Report("korvel-cli info (open, count attachments)", Measure([&] {
               RunCli({"info", wallet, "--json"});
           }),
           "copy the wallet file", copyMs);
    Report("korvel-cli search (open, search)", Measure([&] {
               RunCli({"search", wallet, "xyz"});
           }),
           "copy the wallet file", copyMs, "<= 8");
    Report("korvel-cli search \"\" (all cards, sorted)", Measure([&] {
               RunCli({"search", wallet, ""});
           }),
           "copy the wallet file", copyMs);
    Report("korvel-cli export text (open, export)", Measure([&] {
               RunCli({"export", wallet, text, "--yes"});
           }),
           "copy the wallet file", copyMs);
    Report("korvel-cli export --xml (open, export)", Measure([&] {
               RunCli({"export", wallet, xml, "--xml", "--yes"});
           }),
           "copy the wallet file", copyMs, "<= 25");
    Report("save the wallet", SaveMs(wallet), "copy the wallet file", copyMs, "<= 6");
    std::printf("peak memory of korvel-cli ls (open the wallet): %.1f MiB   goal < 110 MiB\n", PeakMiB({"ls", wallet}));
    std::printf("peak memory of korvel-cli export --xml: %.1f MiB   goal < 200 MiB\n",
                PeakMiB({"export", wallet, xml, "--xml", "--yes"}));
    BenchSealed(wallet, folder.filePath(QStringLiteral("sealed.kvx")));
    return 0;
}
