// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 100,000-card wallet that the searches of the desktop program are measured on, and korvel-cli's search of it,
// their baseline.
#include "BenchSupport.h"
#include "base/Prompts.h"
#include "cli/CliApplication.h"
#include "cli/CliConsole.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <vector>

namespace bench {

constexpr int kSearchCards = 100000;

// Random cards of four values, a quarter with notes, in the first category or spread over all of them; one card in
// a thousand holds `planted` in a value.
inline QString MakeSearchWallet(const QTemporaryDir& dir, bool spread, const QString& planted = QString()) {
    const QString path = dir.filePath(QStringLiteral("search.kvx"));
    CWallet wallet;
    wallet.LoadDefaults();
    QRandomGenerator random(spread ? 17 : 11);
    std::vector<qint32> categories;
    for (const CCategory* category : wallet.Categories())
        categories.push_back(category->id);
    for (int i = 0; i < kSearchCards; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = Word(random, 8, 28);
        card->categoryId = spread ? categories[size_t(i) % categories.size()] : categories.front();
        card->templateName = QStringLiteral("17");
        card->iconId = 500 + i % 96;
        for (size_t slot = 0; slot < 4; ++slot)
            card->values.Set(slot, Word(random, 4, 24));
        if (i % 4 == 0)
            card->notes = Word(random, 20, 200);
        if (!planted.isEmpty() && i % 1000 == 0)
            card->values.Set(2, QStringLiteral("Port ") + planted.toUpper());
        wallet.AddCard(std::move(card));
    }
    wallet.OnSaveDocument(path);
    return path;
}

// korvel-cli's search, in-process; it installs prompts of its own and leaves none behind.
inline void RunCliSearch(const QString& wallet, const QString& text, Prompts& restore) {
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

} // namespace bench
