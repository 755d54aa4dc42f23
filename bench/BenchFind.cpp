// SPDX-License-Identifier: GPL-3.0-or-later
// Measures Find in the desktop program on a 100,000-card wallet: from pressing Find to the sorted list of the cards
// found, for a rare text and for one that most cards hold. The baseline is korvel-cli's search of the same wallet
// (which opens it too). Runs on the offscreen platform.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "SearchWallet.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "dialogs/CDlgFind.h"
#include "document/CWallet.h"
#include "views/CMainFrame.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

namespace {
using bench::Measure;
using bench::Report;

constexpr int kCards = bench::kSearchCards;

using bench::SilentPrompts;

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
    const QTemporaryDir dir;
    const QString path = bench::MakeSearchWallet(dir, false);
    CWallet wallet;
    wallet.OnOpenDocument(path);
    CMainFrame frame(wallet);
    frame.CreateViews();
    auto* find = new CDlgFind(wallet, &frame);
    find->show();
    for (const char* text : {"xyz", "a"}) {
        find->FindText().setText(QString::fromLatin1(text));
        const double found = Measure([&] {
            find->accept();
            QCoreApplication::processEvents();
        });
        const double cli = Measure([&] { bench::RunCliSearch(path, QString::fromLatin1(text), prompts); });
        const QByteArray what = QStringLiteral("Find \"%1\" in %2 cards (%3 found)")
                                    .arg(QString::fromLatin1(text))
                                    .arg(kCards)
                                    .arg(find->Results().model()->rowCount())
                                    .toUtf8();
        Report(what.constData(), found, "korvel-cli search (open, search)", cli, "below the baseline");
    }
    return 0;
}
