// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"
#include "document/CWallet.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A wallet in a private temporary folder with scripted prompts, for the tests of files and of the wallet's
// operations. Each test function gets a fresh one.
struct WalletFixture {
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    std::unique_ptr<CWallet> wallet = std::make_unique<CWallet>();

    QString Path(const QString& name) const { return folder.filePath(name); }

    // A new wallet with the built-in content and no password.
    void MakeNew() {
        prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        QVERIFY(wallet->OnNewDocument());
    }

    // Saves a wallet that has no path yet under this name.
    bool SaveAs(const QString& name) {
        prompts.SaveFile(Path(name));
        return wallet->OnFileSave();
    }

    CCard* AddCard(const QString& description, qint32 categoryId = 35,
                   const QString& templateName = QStringLiteral("9")) {
        auto card = std::make_unique<CCard>(wallet->NextId());
        card->description = description;
        card->categoryId = categoryId;
        card->templateName = templateName;
        card->values.Set(0, QStringLiteral("4111 1111 1111 1111"));
        card->values.Set(3, QStringLiteral("123"));
        return &wallet->AddCard(std::move(card));
    }

    // Attaches `bytes` to a slot through Insert, as the card's Attachments page does; the next save writes it and,
    // when a card of the wallet names it, says so (ExpectAttached).
    bool Attach(CAttachment& slot, const QString& fileName, const QByteArray& bytes) {
        prompts.OpenFile(WriteFileBytes(Path(fileName), bytes));
        return slot.StoreFile() == 1;
    }
    void ExpectAttached(const QString& fileName) {
        prompts.Message(QStringLiteral("\"%1\" has been attached").arg(fileName), Prompts::Answer::Ok);
    }

    // The archive of the wallet as it is in memory, to compare two wallets.
    QByteArray Snapshot() const {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString error;
        wallet->Store(buffer, error);
        return bytes;
    }

    static void LoadLibrary() {
        QString error;
        if (!ResourceLibrary::IsLoaded() && !ResourceLibrary::Load(&error))
            qFatal("resource library: %s", qPrintable(error));
    }
};
