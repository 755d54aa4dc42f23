// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the desktop program's tree: a full rebuild over wallets of 10,000 and 100,000 cards in 100 categories,
// beside reading the same wallet from its file, and the program's peak memory with the 100,000-card wallet open.
// Runs on the offscreen platform.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "document/CWallet.h"
#include "views/CItemTreeCtrl.h"
#include "views/CMainFrame.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {
using bench::Measure;
using bench::Report;

using bench::SilentPrompts;

void Fill(CWallet& wallet, int cards) {
    wallet.LoadDefaults();
    QList<qint32> categories;
    for (int i = 0; i < 100; ++i) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = QStringLiteral("Category %1").arg(i);
        category->flag = 0;
        categories.append(category->id);
        wallet.AddCategory(std::move(category));
    }
    QRandomGenerator random(7);
    for (int i = 0; i < cards; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = bench::Word(random, 5, 30);
        card->categoryId = categories[i % categories.size()];
        card->iconId = 500 + i % 96;
        card->values.Set(0, bench::Word(random, 5, 20));
        wallet.AddCard(std::move(card));
    }
}

QString MakeWallet(const QTemporaryDir& dir, int cards) {
    const QString path = dir.filePath(QStringLiteral("tree-%1.kvx").arg(cards));
    CWallet maker;
    Fill(maker, cards);
    maker.OnSaveDocument(path);
    return path;
}

// What the program holds with the wallet open and its tree shown, measured in a process of its own so that making
// the wallet does not count.
int PeakWithWalletOpen(const QString& path) {
    CWallet wallet;
    wallet.OnOpenDocument(path);
    CMainFrame frame(wallet);
    frame.CreateViews();
    frame.show();
    QCoreApplication::processEvents();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-44s %9.1f MiB   goal under 250 MiB\n", "peak memory with 100,000 cards open",
                double(usage.ru_maxrss) / 1024.0);
    return 0;
}

void BenchRebuild(const QString& path, int cards) {
    CWallet wallet;
    const double read = Measure([&] { wallet.OnOpenDocument(path); });
    CMainFrame frame(wallet);
    frame.CreateViews();
    const QModelIndex category = frame.Tree().Model().index(0, 0, frame.Tree().Model().RootIndex());
    const double rebuild = Measure([&] {
        frame.Tree().Refill(0, 0);
        frame.Tree().TreeCtrl().expand(category);
        QCoreApplication::processEvents();
    });
    const QByteArray what = QStringLiteral("rebuild the tree of %1 cards").arg(cards).toUtf8();
    Report(what.constData(), rebuild, "read the same wallet", read, cards == 10000 ? "within 100 ms" : "linear");
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SilentPrompts prompts;
    Prompts::Install(&prompts);
    if (!ResourceLibrary::Load()) {
        std::fprintf(stderr, "the resource library is missing\n");
        return 1;
    }
    if (argc == 3 && qstrcmp(argv[1], "peak") == 0)
        return PeakWithWalletOpen(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir dir;
    BenchRebuild(MakeWallet(dir, 10000), 10000);
    const QString large = MakeWallet(dir, 100000);
    BenchRebuild(large, 100000);
    std::fflush(stdout);
    QProcess peak;
    peak.setProcessChannelMode(QProcess::ForwardedChannels);
    peak.start(QCoreApplication::applicationFilePath(), {QStringLiteral("peak"), large});
    peak.waitForFinished(-1);
    return peak.exitCode();
}
