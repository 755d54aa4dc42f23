// SPDX-License-Identifier: GPL-3.0-or-later
// Measures wallet files on disk: saving a large wallet, inserting a large attachment into a large wallet, deleting a
// category of many attached cards, opening a wallet with many attachments. Each figure is printed beside its baseline
// measured in the same run.
#include "BenchPrompts.h"
#include "BenchSupport.h"
#include "base/CipherText.h"
#include "base/Prompts.h"
#include "document/CWallet.h"
#include "storage/CompoundFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {
using bench::Measure;
using bench::Report;

using bench::SilentPrompts;

// The baseline: the same bytes read and written to a new file, flushed to disk as a save flushes.
double CopyFile(const QString& from, const QString& to) {
    return Measure(
        [&] {
            QFile in(from), out(to);
            in.open(QIODevice::ReadOnly);
            out.open(QIODevice::WriteOnly);
            QByteArray block(1 << 20, Qt::Uninitialized);
            for (qint64 got; (got = in.read(block.data(), block.size())) > 0;)
                out.write(block.constData(), got);
            out.flush();
            ::fsync(out.handle());
        },
        3, [&] { QFile::remove(to); });
}

void FillCards(CWallet& wallet, int count) {
    auto category = std::make_unique<CCategory>(wallet.NextId());
    const qint32 categoryId = category->id;
    wallet.AddCategory(std::move(category));
    for (int i = 0; i < count; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = QStringLiteral("Card number %1").arg(i);
        card->categoryId = categoryId;
        for (int v = 0; v < 8; ++v)
            card->values.Set(size_t(v), QStringLiteral("value %1 of card %2").arg(v).arg(i));
        if (i % 4 == 0)
            card->notes = QString(120, u'n');
        wallet.AddCard(std::move(card));
    }
}

void WriteBytes(const QString& path, qint64 size) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, 'k');
    for (qint64 left = size; left > 0; left -= block.size())
        file.write(block.constData(), std::min<qint64>(left, block.size()));
}

void AddStreams(const QString& path, int count, qint64 size) {
    CompoundFile file;
    file.Open(path);
    file.OpenStorage(QStringLiteral("F"));
    const QByteArray bytes(int(std::min<qint64>(size, 1 << 20)), 's');
    for (int i = 0; i < count; ++i) {
        auto stream = file.CreateStream(QStringLiteral("s%1").arg(i));
        for (qint64 left = size; left > 0; left -= bytes.size())
            stream->write(bytes.constData(), std::min<qint64>(left, bytes.size()));
    }
    file.Commit();
}

void BenchSave(const QTemporaryDir& dir, SilentPrompts& prompts) {
    CWallet wallet;
    FillCards(wallet, 100000);
    prompts.file = dir.filePath(QStringLiteral("large.kvx"));
    wallet.OnFileSave();
    const double save = Measure([&] { wallet.OnSaveDocument(prompts.file); });
    Report("save a 100,000-card wallet", save, "copy the file",
           CopyFile(prompts.file, dir.filePath(QStringLiteral("copy"))), "<= 6");
    // What the file adds to writing the records, which the cipher dominates.
    const double records = Measure([&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString error;
        wallet.Store(buffer, error);
    });
    Report("save a 100,000-card wallet", save, "write its records to memory", records);
    const double encipher = Measure([&] {
        for (CCard* card : wallet.Cards()) {
            card->VisitTexts([&wallet](QString& text) { CipherText(text, true, wallet.CipherMethod()); });
            for (QStringView value : card->values)
                CipherText(value.toString(), true, wallet.CipherMethod());
        }
    });
    Report("save a 100,000-card wallet", save, "encipher its texts alone", encipher, "<= 1.3");
}

// A small wallet saved under `name`, to which the benchmarks then add attachment streams.
void SaveSmallWallet(CWallet& wallet, const QTemporaryDir& dir, SilentPrompts& prompts, const QString& name) {
    FillCards(wallet, 100);
    prompts.file = dir.filePath(name);
    wallet.OnFileSave();
}

// Attaches the prepared file to the slot and saves: what korvel-cli's attach does.
void AttachAndSave(CWallet& wallet, CAttachment& slot) {
    slot.StoreFile();
    wallet.OnSaveDocument(wallet.PathName());
}

// Puts back the wallet file kept at `saved` and reads it again, so each run starts from the same wallet.
void Restore(CWallet& wallet, const QString& saved) {
    const QString path = wallet.PathName();
    QFile::remove(path);
    QFile::copy(saved, path);
    wallet.OnOpenDocument(path);
}

void BenchInsert(const QTemporaryDir& dir, SilentPrompts& prompts) {
    CWallet wallet;
    SaveSmallWallet(wallet, dir, prompts, QStringLiteral("big.kvx"));
    const QString attachment = dir.filePath(QStringLiteral("movie.bin"));
    WriteBytes(attachment, 50LL << 20);
    prompts.file = attachment;
    for (int i = 0; i < 4; ++i)
        AttachAndSave(wallet, wallet.Cards().At(i)->document());
    const QString wallet200 = dir.filePath(QStringLiteral("copy"));
    const double baseline = CopyFile(wallet.PathName(), wallet200);
    // Reading the wallet again makes new cards, so the slot is looked up in each run.
    const double insert = Measure([&] { AttachAndSave(wallet, wallet.Cards().At(4)->document()); }, 3,
                                  [&] { Restore(wallet, wallet200); });
    Report("insert 50 MB into a 200 MB wallet and save", insert, "copy the 200 MB wallet", baseline);
}

// Deleting a category of 1,000 attached cards is one save, however many attachments go with it.
void BenchRemoveCategory(const QTemporaryDir& dir, SilentPrompts& prompts) {
    CWallet wallet;
    SaveSmallWallet(wallet, dir, prompts, QStringLiteral("category.kvx"));
    auto category = std::make_unique<CCategory>(wallet.NextId());
    const qint32 categoryId = category->id;
    wallet.AddCategory(std::move(category));
    prompts.file = dir.filePath(QStringLiteral("receipt.bin"));
    WriteBytes(prompts.file, 3000);
    for (int i = 0; i < 1000; ++i) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->categoryId = categoryId;
        card->document().StoreFile();
        wallet.AddCard(std::move(card));
    }
    wallet.OnSaveDocument(wallet.PathName());
    const QString saved = dir.filePath(QStringLiteral("category copy"));
    QFile::copy(wallet.PathName(), saved);
    const double save = Measure([&] { wallet.OnSaveDocument(wallet.PathName()); }, 3, [&] { Restore(wallet, saved); });
    const double remove = Measure(
        [&] {
            wallet.DeleteCategory(categoryId);
            wallet.OnSaveDocument(wallet.PathName());
        },
        3, [&] { Restore(wallet, saved); });
    Report("delete a category of 1,000 attached cards", remove, "save the same wallet", save, "<= 2");
}

void BenchOpen(const QTemporaryDir& dir, SilentPrompts& prompts) {
    CWallet wallet;
    SaveSmallWallet(wallet, dir, prompts, QStringLiteral("many.kvx"));
    AddStreams(prompts.file, 10000, 3000);
    const double open = Measure([&] { wallet.OnOpenDocument(prompts.file); });
    Report("open a wallet with 10,000 attachments", open, "copy the file",
           CopyFile(prompts.file, dir.filePath(QStringLiteral("c"))));
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SilentPrompts prompts;
    prompts.answerYes = true;
    Prompts::Install(&prompts);
    BenchSave(dir, prompts);
    BenchInsert(dir, prompts);
    BenchRemoveCategory(dir, prompts);
    BenchOpen(dir, prompts);
    return 0;
}
