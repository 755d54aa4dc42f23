// SPDX-License-Identifier: GPL-3.0-or-later
// Measures Find in the desktop program on a 100,000-card wallet: from pressing Find to the sorted list of the cards
// found, for a rare text and for one that most cards hold. The baseline is korvel-cli's search of the same wallet
// (which opens it too). Runs on the offscreen platform.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "cli/CliApplication.h"
#include "cli/CliConsole.h"
#include "dialogs/CDlgFind.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CMainFrame.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QBuffer>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

namespace {
using bench::Measure;
using bench::Report;
using bench::Word;

constexpr int kCards = 100000;

using bench::SilentPrompts;

QString MakeWallet(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("find.kvx"));
    CWallet wallet;
    wallet.LoadDefaults();
    QRandomGenerator random(11);
    const qint32 category = (*wallet.Categories().begin())->id;
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = Word(random, 8, 28);
        card->categoryId = category;
        card->templateName = QStringLiteral("17");
        card->iconId = 500 + i % 96;
        for (size_t slot = 0; slot < 4; ++slot)
            card->values.Set(slot, Word(random, 4, 24));
        if (i % 4 == 0)
            card->notes = Word(random, 20, 200);
        wallet.AddCard(std::move(card));
    }
    wallet.OnSaveDocument(path);
    return path;
}

// korvel-cli's search, in-process; it installs prompts of its own and leaves none behind.
void RunCliSearch(const QString& wallet, const QString& text, Prompts& restore) {
    QByteArray none;
    QBuffer in(&none);
    QBuffer out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    {
        CliConsole console(in, out, out, false);
        if (CliApplication().Run({QStringLiteral("search"), wallet, text}, console) != 0)
            qFatal("korvel-cli search failed: %s", out.data().constData());
    }
    Prompts::Install(&restore);
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
    const QTemporaryDir dir;
    const QString path = MakeWallet(dir);
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
        const double cli = Measure([&] { RunCliSearch(path, QString::fromLatin1(text), prompts); });
        const QByteArray what = QStringLiteral("Find \"%1\" in %2 cards (%3 found)")
                                    .arg(QString::fromLatin1(text))
                                    .arg(kCards)
                                    .arg(find->Results().model()->rowCount())
                                    .toUtf8();
        Report(what.constData(), found, "korvel-cli search (open, search)", cli, "below the baseline");
    }
    return 0;
}
