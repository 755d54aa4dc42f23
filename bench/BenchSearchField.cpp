// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the search field above the tree on a 100,000-card wallet: a six-letter word typed one key at a time, each
// key timed from the key to the filtered tree with its first match selected, and how long the key itself held the
// window (the search runs in slices between keys), after the field took the focus as the user clicked or pressed
// Ctrl+E. The baseline is korvel-cli's search of the same wallet for the
// whole word (which opens the wallet too). Runs on the offscreen platform.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "SearchWallet.h"
#include "base/ResourceLibrary.h"
#include "views/CCardFilter.h"
#include "views/CMainFrame.h"
#include "views/CViewCategoriesCards.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
using bench::Measure;
using bench::Report;

// Cards spread over the wallet's categories; one in a thousand holds the word.
const QString kWord = QStringLiteral("harbor");
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::SilentPrompts prompts;
    Prompts::Install(&prompts);
    if (!ResourceLibrary::Load()) {
        std::fprintf(stderr, "the resource library is missing\n");
        return 1;
    }
    const QTemporaryDir dir;
    const QString path = bench::MakeSearchWallet(dir, true, kWord);
    CWallet wallet;
    wallet.OnOpenDocument(path);
    CMainFrame frame(wallet);
    frame.CreateViews();
    frame.show();
    QLineEdit& field = frame.Tree().SearchField();
    CCardFilter& filter = frame.Tree().Filter();
    // The field folds the cards' texts as it takes the focus, before the first key.
    filter.Prepare();
    while (filter.IsSearching())
        QCoreApplication::processEvents();
    const double cli = Measure([&] { bench::RunCliSearch(path, kWord, prompts); });
    double slowest = 0;
    double longestHold = 0;
    std::vector<double> perKey(size_t(kWord.size()), 1e300);
    for (int run = 0; run < 3; ++run) {
        field.clear();
        QCoreApplication::processEvents();
        for (qsizetype i = 0; i < kWord.size(); ++i) {
            const QChar key = kWord[i];
            QElapsedTimer timer;
            timer.start();
            field.insert(QString(key));
            longestHold = std::max(longestHold, double(timer.nsecsElapsed()) / 1e6);
            while (filter.IsSearching())
                QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            perKey[size_t(i)] = std::min(perKey[size_t(i)], ms);
            slowest = std::max(slowest, ms);
        }
    }
    for (qsizetype i = 0; i < kWord.size(); ++i)
        std::printf("  \"%s\": %.1f ms at best\n", qPrintable(kWord.left(i + 1)), perKey[size_t(i)]);
    const QByteArray what = QStringLiteral("Search field, slowest key of \"%1\" (%2 found)")
                                .arg(kWord)
                                .arg(filter.Matches().size())
                                .toUtf8();
    Report(what.constData(), slowest, "korvel-cli search (open, search)", cli, "under 50 ms");
    Report("Search field, longest a key held the window", longestHold, "korvel-cli search (open, search)", cli,
           "under 50 ms");
    return 0;
}
