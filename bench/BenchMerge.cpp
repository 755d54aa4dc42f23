// SPDX-License-Identifier: GPL-3.0-or-later
// Measures merging two versions of a 100,000-card wallet that differ in 1,000 cards, beside opening one of them: the
// other version read and merged into the open wallet (goal: at most 3 times the opening), and the same with their
// common version read from a third file as well, as korvel-cli merge --base does.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "document/CWallet.h"
#include "document/CWalletMerge.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {
using bench::Measure;
using bench::Report;

constexpr int kCards = 100000;
constexpr int kCategories = 100;
constexpr int kDiffering = 1000;

void FillCards(CWallet& wallet) {
    QRandomGenerator random(7);
    std::vector<qint32> categories;
    for (int i = 0; i < kCategories; ++i) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = bench::Word(random, 5, 20);
        categories.push_back(wallet.AddCategory(std::move(category)).id);
    }
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = bench::Word(random, 5, 30);
        card->categoryId = categories[size_t(i % kCategories)];
        for (size_t v = 0; v < 6; ++v)
            card->values.Set(v, bench::Word(random, 4, 24));
        wallet.AddCard(std::move(card));
    }
}

// Every hundredth card changed: a value on theirs' side, the notes on ours (so each merges field by field).
void ChangeCards(CWallet& wallet, bool theirs) {
    for (qsizetype i = 0; i < wallet.Cards().Count(); i += wallet.Cards().Count() / kDiffering) {
        wallet.ChangeCard(*wallet.Cards().At(i), [theirs](CCard& card) {
            if (theirs)
                card.values.Set(1, QStringLiteral("changed elsewhere"));
            else
                card.notes = QStringLiteral("changed here");
            return true;
        });
    }
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::SilentPrompts prompts;
    Prompts::Install(&prompts);
    QTemporaryDir folder;
    const QString base = folder.filePath(QStringLiteral("base.kvx"));
    const QString theirs = folder.filePath(QStringLiteral("theirs.kvx"));
    {
        CWallet wallet;
        FillCards(wallet);
        wallet.OnSaveDocument(base);
        QFile::copy(base, theirs);
        CWallet other;
        other.ReadVersion(theirs);
        ChangeCards(other, true);
        other.OnSaveDocument(theirs);
    }

    std::unique_ptr<CWallet> ours;
    const auto openOurs = [&] {
        ours = std::make_unique<CWallet>();
        ours->OnOpenDocument(base);
        ChangeCards(*ours, false);
    };
    const double open = Measure([&] {
        CWallet wallet;
        wallet.OnOpenDocument(base);
    });
    const auto merge = [&](bool withBase) {
        CWallet other;
        other.ReadVersion(theirs);
        std::unique_ptr<CWallet> common;
        if (withBase) {
            common = std::make_unique<CWallet>();
            common->ReadVersion(base);
        }
        CWalletMerge merged(common.get(), *ours, other, QDateTime::currentDateTime());
        QString error;
        if (!merged.Apply(*ours, error))
            std::fprintf(stderr, "merge failed: %s\n", qPrintable(error));
    };
    const double withoutBase = Measure([&] { merge(false); }, 3, openOurs);
    const double withBase = Measure([&] { merge(true); }, 3, openOurs);
    std::printf("%d cards, %d of them changed on each side\n", kCards, kDiffering);
    Report("merge: read the other version, merge", withoutBase, "open the wallet", open, "<= 3");
    Report("merge: read the other and the base, merge", withBase, "open the wallet", open);
    Prompts::Install(nullptr);
    return 0;
}
