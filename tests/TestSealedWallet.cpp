// SPDX-License-Identifier: GPL-3.0-or-later
// Sealed wallets: the same wallet as a plain one, encrypted as a whole; nothing of a damaged file is ever shown, and
// nothing of a sealed wallet reaches the disk in plain text.
#include "TestFiles.h"
#include "WalletFixture.h"

#include "base/Clock.h"
#include "base/TempFiles.h"
#include "storage/CompoundFile.h"
#include "storage/PassphraseStrength.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"
#include "storage/SealedReader.h"
#include "storage/SealingWriter.h"
#include "storage/SecureMemoryDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kPassphrase = QStringLiteral("orbit tulip canyon velvet harbor 1984");
// Cheap derivation costs keep the suite fast; the format does not depend on them.
constexpr quint32 kPasses = 1;
constexpr quint32 kMemoryKiB = 8;
constexpr qint64 kSealedChunk = SealedHeader::kChunkSize + 17;
const QByteArray kCfbMagic = QByteArray::fromHex("D0CF11E0A1B11AE1");

std::shared_ptr<const SealKey> TestKey() {
    QString error;
    return SealKey::Create(kPassphrase, {kPasses, kMemoryKiB}, error);
}

QByteArray Seal(const QByteArray& plain, const SealKey& key) {
    QByteArray sealed;
    QBuffer out(&sealed);
    out.open(QIODevice::WriteOnly);
    SealingWriter writer(out, key);
    writer.write(plain);
    return writer.Finish() ? sealed : QByteArray();
}

// What the sealed bytes hold, or a null array when the reader refuses them.
QByteArray Unseal(QByteArray sealed, const SealKey& key, SealedReader::Result* result = nullptr) {
    QBuffer file(&sealed);
    file.open(QIODevice::ReadOnly);
    SealedReader::Result got;
    QString error;
    const std::unique_ptr<SecureMemoryDevice> plain = SealedReader::Open(file, key, got, error);
    if (result)
        *result = got;
    return plain ? plain->readAll() : QByteArray();
}

QByteArray Inner(const QString& path, const SealKey& key) {
    return Unseal(FileBytes(path), key);
}

// Every file of the folder, and every file this process has open in it (spool files are unlinked at once), that
// holds `needle`.
QStringList FilesHolding(const QString& folder, const QByteArray& needle) {
    QStringList found;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (FileBytes(info.filePath()).contains(needle))
            found.append(info.fileName());
    }
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        if (fd.symLinkTarget().startsWith(canonical) && FileBytes(fd.filePath()).contains(needle))
            found.append(fd.symLinkTarget());
    }
    return found;
}

// Spool files are unlinked at once; while in use they show among the process's open files.
QStringList SpoolFilesOpen() {
    QStringList found;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        if (fd.symLinkTarget().contains(QStringLiteral(".kvspool-")))
            found.append(fd.symLinkTarget());
    }
    return found;
}

// The wallet file `plain` sealed under a key whose derivation asks for `passes`, more than sealing would choose.
QByteArray SealedWithPasses(const QByteArray& plain, quint32 passes) {
    SealedHeader header;
    header.operations = passes;
    header.memoryKiB = kMemoryKiB;
    header.salt = QByteArray(SealedHeader::kSaltSize, 's');
    QString error;
    const std::shared_ptr<const SealKey> key = SealKey::Derive(kPassphrase, header, error);
    return key ? Seal(plain, *key) : QByteArray();
}

void PutLittleEndian32(QByteArray& bytes, int at, quint32 value) {
    qToLittleEndian<quint32>(value, reinterpret_cast<uchar*>(bytes.data()) + at);
}
} // namespace

class TestSealedWallet : public QObject {
    Q_OBJECT

    // A wallet with cards and attachments, saved plain as "plain.kvx".
    void MakePlainWallet(WalletFixture& f) {
        f.MakeNew();
        CCard* visa = f.AddCard(QStringLiteral("Visa"));
        f.AddCard(QStringLiteral("Library card"));
        QVERIFY(f.SaveAs(QStringLiteral("plain.kvx")));
        QVERIFY(f.Attach(visa->image(), QStringLiteral("scan.png"), Pattern(150000, 1)));
        f.ExpectAttached(QStringLiteral("scan.png"));
        QVERIFY(f.wallet->OnFileSave());
    }

    // Opens `path` into a wallet of its own, answering a passphrase prompt when one is given.
    std::unique_ptr<CWallet> Open(WalletFixture& f, const QString& path, const QString& passphrase = QString()) {
        if (!passphrase.isEmpty())
            f.prompts.Passphrase(passphrase);
        auto wallet = std::make_unique<CWallet>();
        wallet->SetStarted(true);
        if (!wallet->OnOpenDocument(path))
            return nullptr;
        return wallet;
    }

    // The same change made to two wallets: a value edited, a card removed, a file attached (which the next save
    // announces).
    void Change(WalletFixture& f, CWallet& wallet) {
        wallet.Cards().At(0)->values.Set(3, QStringLiteral("999"));
        f.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        wallet.DeleteCard(wallet.Cards().At(1)->id);
        f.prompts.OpenFile(WriteFileBytes(f.Path(QStringLiteral("receipt.pdf")), Pattern(90000, 2)));
        QCOMPARE(wallet.Cards().At(0)->document().StoreFile(), 1);
        f.ExpectAttached(QStringLiteral("receipt.pdf"));
    }

private Q_SLOTS:
    void initTestCase() {
        WalletFixture::LoadLibrary();
        Clock::Freeze(QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    }
    void cleanupTestCase() { Clock::Release(); }

    void sealedWalletWorksAsThePlainOne() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString plain = f.Path(QStringLiteral("plain.kvx"));
        const QString sealed = f.Path(QStringLiteral("sealed.kvx"));
        QVERIFY(QFile::copy(plain, sealed));

        std::unique_ptr<CWallet> sealing = Open(f, sealed);
        QVERIFY(sealing);
        QString error;
        QVERIFY2(sealing->SealFile(kPassphrase, kPasses, kMemoryKiB, error), qPrintable(error));
        QVERIFY(sealing->IsSealed());
        const std::shared_ptr<const SealKey> key = sealing->SealingKey();
        sealing.reset();
        QVERIFY(FileBytes(sealed).startsWith("KVSEALED"));
        QCOMPARE(Inner(sealed, *key), FileBytes(plain));

        // Opened with its passphrase, changed and saved, it matches the plain wallet changed alike, byte for byte.
        f.prompts.Passphrase(kPassphrase);
        QVERIFY(f.wallet->OnOpenDocument(sealed));
        QVERIFY(f.wallet->IsSealed());
        QCOMPARE(f.wallet->Cards().Count(), 2);
        Change(f, *f.wallet);
        QVERIFY(f.wallet->OnSaveDocument(sealed));
        QVERIFY(f.wallet->Compact());
        const QByteArray changed = Inner(sealed, *key);
        QVERIFY(f.wallet->OnOpenDocument(plain));
        Change(f, *f.wallet);
        QVERIFY(f.wallet->OnSaveDocument(plain));
        QCOMPARE(changed, FileBytes(plain));

        // The attachments read back through the sealed file.
        f.prompts.Passphrase(kPassphrase);
        QVERIFY(f.wallet->OnOpenDocument(sealed));
        const CCard* card = f.wallet->Cards().At(0);
        QCOMPARE(f.wallet->OpenStream(card->image().streamName, error)->readAll(), Pattern(150000, 1));
        QCOMPARE(f.wallet->OpenStream(card->document().streamName, error)->readAll(), Pattern(90000, 2));

        // Unsealed, it is the ordinary wallet again.
        QVERIFY(f.wallet->UnsealFile(error));
        QVERIFY(!f.wallet->IsSealed());
        QCOMPARE(FileBytes(sealed), FileBytes(plain));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // Saved under a new name, a sealed wallet stays sealed, attachments and all.
    void saveAsKeepsTheSeal() {
        WalletFixture f;
        MakePlainWallet(f);
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        const std::shared_ptr<const SealKey> key = f.wallet->SealingKey();
        const QString copy = f.Path(QStringLiteral("copy.kvx"));
        f.prompts.SaveFile(copy);
        QVERIFY(f.wallet->OnFileSaveAs());
        QVERIFY(f.wallet->IsSealed());
        QVERIFY(FileBytes(copy).startsWith("KVSEALED"));
        QCOMPARE(Inner(copy, *key), Inner(f.Path(QStringLiteral("plain.kvx")), *key));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void passphraseChangeDrawsNewSalt() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        const QByteArray firstSalt = f.wallet->SealingKey()->Salt();
        const QString other = QStringLiteral("lantern quartz meadow fjord 4471");
        QVERIFY(f.wallet->SealFile(other, kPasses, kMemoryKiB, error));
        QVERIFY(f.wallet->SealingKey()->Salt() != firstSalt);
        f.prompts.Passphrase(kPassphrase);
        f.prompts.Message(QStringLiteral("is wrong"), Prompts::Answer::Ok);
        f.prompts.Passphrase(QString()); // cancelled
        QVERIFY(!Open(f, path));
        QVERIFY(Open(f, path, other));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void wrongPassphraseChangesNothing() {
        WalletFixture f;
        MakePlainWallet(f);
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        const QByteArray before = FileBytes(path);
        f.wallet->DeleteContents();
        const QByteArray emptied = f.Snapshot();
        for (int i = 0; i < 3; ++i) {
            f.prompts.Passphrase(QStringLiteral("not the passphrase %1").arg(i));
            f.prompts.Message(QStringLiteral("is wrong"), Prompts::Answer::Ok);
        }
        QVERIFY(!f.wallet->OnOpenDocument(path));
        QCOMPARE(f.Snapshot(), emptied);
        QCOMPARE(FileBytes(path), before);
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    void weakPassphraseRefused_data() {
        QTest::addColumn<QString>("passphrase");
        QTest::addColumn<QString>("reason");
        QTest::newRow("word") << QStringLiteral("password") << QStringLiteral("common words");
        QTest::newRow("keyboard") << QStringLiteral("zxcvbnm,./asdfghjkl") << QStringLiteral("keyboard");
        QTest::newRow("sequence") << QStringLiteral("abcdefghijklmnopqrstuvw") << QStringLiteral("sequence");
        QTest::newRow("common sequence") << QStringLiteral("12345678") << QStringLiteral("sequence");
        QTest::newRow("repeats") << QString(40, u'a') << QStringLiteral("repeats");
        QTest::newRow("short") << QStringLiteral("x7#Q") << QStringLiteral("too short");
    }
    void weakPassphraseRefused() {
        QFETCH(QString, passphrase);
        QFETCH(QString, reason);
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        const QByteArray before = FileBytes(path);
        QString error;
        QVERIFY(!f.wallet->SealFile(passphrase, kPasses, kMemoryKiB, error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!f.wallet->IsSealed());
        QCOMPARE(FileBytes(path), before);
        QVERIFY(PassphraseStrength(kPassphrase).IsStrongEnough());
    }

    // A save that fails while sealing leaves the plain file, and a wallet that still saves plain.
    void failedSealKeepsThePlainFile() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        const QByteArray before = FileBytes(path);
        TempFiles::SetFaultInjector([](TempFiles::Step step) { return step == TempFiles::Step::Publish ? EIO : 0; });
        f.prompts.Message(QStringLiteral("Input/output error"), Prompts::Answer::Ok);
        QString error;
        const bool sealed = f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error);
        TempFiles::SetFaultInjector({});
        QVERIFY(!sealed);
        QVERIFY(!f.wallet->IsSealed());
        QCOMPARE(FileBytes(path), before);
        f.wallet->SetModified(true);
        QVERIFY(f.wallet->OnSaveDocument(path));
        QVERIFY(!FileBytes(path).startsWith("KVSEALED"));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // Every byte of a small sealed wallet flipped in turn: never opened.
    void everyFlippedByteRefused() {
        WalletFixture f;
        f.MakeNew();
        while (f.wallet->Templates().Count() > 0) // a small file
            f.wallet->RemoveTemplate(f.wallet->Templates().At(0)->id);
        QVERIFY(f.SaveAs(QStringLiteral("small.kvx")));
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        const std::shared_ptr<const SealKey> key = f.wallet->SealingKey();
        const QByteArray sealed = FileBytes(f.Path(QStringLiteral("small.kvx")));
        f.wallet->DeleteContents();
        const QString damaged = f.Path(QStringLiteral("damaged.kvx"));
        for (qsizetype i = 0; i < sealed.size(); ++i) {
            QByteArray bytes = sealed;
            bytes[i] = char(bytes[i] ^ (1 << (i % 8)));
            WriteFileBytes(damaged, bytes);
            CompoundFile file;
            file.SetSeal(key);
            QVERIFY2(!file.Open(damaged, CompoundFile::kReadMode), qPrintable(QString::number(i)));
        }
    }

    void damagedStreamsRefused_data() {
        QTest::addColumn<QByteArray>("sealed");
        QTest::addColumn<int>("expected");
        const std::shared_ptr<const SealKey> key = TestKey();
        const QByteArray file = Seal(Pattern(3 * SealedHeader::kChunkSize + 1000), *key);
        const auto damaged = int(SealedReader::Result::Damaged);
        const auto wrongKey = int(SealedReader::Result::WrongKey);
        for (int chunk = 0; chunk <= 3; ++chunk)
            QTest::addRow("cut after chunk %d", chunk)
                << file.left(SealedHeader::kSize + chunk * kSealedChunk) << damaged;
        QTest::newRow("cut inside the last chunk") << file.chopped(1) << damaged;
        QTest::newRow("cut inside the header") << file.left(30) << damaged;
        QTest::newRow("bytes appended") << file + QByteArray("x") << damaged;
        QTest::newRow("a whole chunk appended") << file + file.mid(SealedHeader::kSize, kSealedChunk) << damaged;
        // A last chunk as long as any other: only the end check notices what follows it.
        const QByteArray whole = Seal(Pattern(2 * SealedHeader::kChunkSize), *key);
        QTest::newRow("bytes appended after a full last chunk") << whole + QByteArray("x") << damaged;
        QTest::newRow("a chunk's worth appended after a full last chunk")
            << whole + whole.mid(SealedHeader::kSize, kSealedChunk) << damaged;
        QByteArray swapped = file;
        const qsizetype second = SealedHeader::kSize + kSealedChunk;
        swapped.replace(second, kSealedChunk, file.mid(second + kSealedChunk, kSealedChunk));
        swapped.replace(second + kSealedChunk, kSealedChunk, file.mid(second, kSealedChunk));
        QTest::newRow("two chunks swapped") << swapped << damaged;
        QByteArray firstDropped = file;
        firstDropped.remove(SealedHeader::kSize, kSealedChunk);
        QTest::newRow("first chunk dropped") << firstDropped << wrongKey;
        QByteArray salt = file;
        salt[25] = char(salt[25] ^ 1);
        QTest::newRow("another salt") << salt << wrongKey;
        QByteArray streamHeader = file;
        streamHeader[40] = char(streamHeader[40] ^ 1);
        QTest::newRow("stream header changed") << streamHeader << wrongKey;
        QByteArray version = file;
        version[8] = 2;
        QTest::newRow("unknown version") << version << damaged;
        QByteArray derivation = file;
        derivation[10] = 7;
        QTest::newRow("unknown derivation") << derivation << damaged;
        QByteArray passes = file;
        PutLittleEndian32(passes, 12, 100000);
        QTest::newRow("absurd passes") << passes << damaged;
        QByteArray noPasses = file;
        PutLittleEndian32(noPasses, 12, 0);
        QTest::newRow("no passes") << noPasses << damaged;
        QByteArray memory = file;
        PutLittleEndian32(memory, 16, 0xFFFFFFFF);
        QTest::newRow("absurd memory") << memory << damaged;
        QByteArray tooLittle = file;
        PutLittleEndian32(tooLittle, 16, 4);
        QTest::newRow("too little memory") << tooLittle << damaged;
    }
    void damagedStreamsRefused() {
        QFETCH(QByteArray, sealed);
        QFETCH(int, expected);
        // The key of the data rows is another draw; its salt and costs are what the file names.
        SealedHeader header;
        QString error;
        std::shared_ptr<const SealKey> key;
        if (SealedHeader::Parse(sealed.left(SealedHeader::kSize), header, error))
            key = SealKey::Derive(kPassphrase, header, error);
        if (!key)
            key = TestKey();
        SealedReader::Result result;
        QVERIFY(Unseal(sealed, *key, &result).isNull());
        QCOMPARE(int(result), expected);
    }

    void chunkBoundariesRoundTrip_data() {
        QTest::addColumn<qint64>("size");
        for (const qint64 size : {qint64(0), qint64(1), SealedHeader::kChunkSize - 1, SealedHeader::kChunkSize,
                                  SealedHeader::kChunkSize + 1, 2 * SealedHeader::kChunkSize})
            QTest::addRow("%lld", size) << size;
    }
    void chunkBoundariesRoundTrip() {
        QFETCH(qint64, size);
        const std::shared_ptr<const SealKey> key = TestKey();
        const QByteArray plain = Pattern(size, 3);
        const QByteArray sealed = Seal(plain, *key);
        const qint64 chunks = std::max<qint64>(1, (size + SealedHeader::kChunkSize - 1) / SealedHeader::kChunkSize);
        QCOMPARE(sealed.size(), SealedHeader::kSize + size + chunks * 17);
        SealedReader::Result result;
        const QByteArray back = Unseal(sealed, *key, &result);
        QCOMPARE(int(result), int(SealedReader::Result::Opened));
        QCOMPARE(back.size(), plain.size());
        QCOMPARE(back, plain);
    }

    // A header asking for absurd costs is refused before any passphrase is asked or any key derived.
    void absurdHeaderRefusedBeforeAsking() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        QByteArray bytes = FileBytes(path);
        PutLittleEndian32(bytes, 16, SealedHeader::kMaxMemoryKiB + 1);
        WriteFileBytes(path, bytes);
        f.wallet->DeleteContents();
        f.prompts.Message(QStringLiteral("memory"), Prompts::Answer::Ok);
        f.wallet->SetStarted(true);
        QVERIFY(!f.wallet->OnOpenDocument(path));
        QVERIFY(f.prompts.Faults().isEmpty());
    }

    // Nothing written while a sealed wallet is saved or opened (temporary and spool files included) holds an
    // attachment or a compound file in plain text.
    void nothingPlainReachesTheDisk() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        QFile::remove(f.Path(QStringLiteral("scan.png")));
        // Larger than what stays in memory for a plain wallet, so it would go to a spool file.
        QByteArray marker = Pattern(3 << 20, 9);
        marker.replace(0, 16, "SECRET-MARKER-42");
        QVERIFY(f.Attach(f.wallet->Cards().At(0)->document(), QStringLiteral("statement.pdf"), marker));
        QFile::remove(f.Path(QStringLiteral("statement.pdf")));
        // A document stream over a MiB, which a plain wallet would spool too.
        f.wallet->Cards().At(1)->notes = QString(1000000, u'n');
        QVERIFY(FilesHolding(f.folder.path(), "SECRET-MARKER-42").isEmpty());
        QStringList seen;
        TempFiles::SetSyncObserver([&](TempFiles::Flushed what, int, const QString&) {
            if (what == TempFiles::Flushed::File)
                seen += FilesHolding(f.folder.path(), "SECRET-MARKER-42") + FilesHolding(f.folder.path(), kCfbMagic) +
                        SpoolFilesOpen();
        });
        const bool saved = f.wallet->OnSaveDocument(path);
        TempFiles::SetSyncObserver({});
        QVERIFY(saved);
        QVERIFY2(seen.isEmpty(), qPrintable(seen.join(u' ')));
        QVERIFY(FilesHolding(f.folder.path(), "SECRET-MARKER-42").isEmpty());
        QVERIFY(FilesHolding(f.folder.path(), kCfbMagic).isEmpty());
        std::unique_ptr<CWallet> opened = Open(f, path, kPassphrase);
        QVERIFY(opened);
        QCOMPARE(opened->OpenStream(opened->Cards().At(0)->document().streamName, error)->readAll(), marker);
        QVERIFY(FilesHolding(f.folder.path(), "SECRET-MARKER-42").isEmpty());
    }

    // A forged header could make every attempt cost minutes and gigabytes: more than sealing chooses is derived only
    // when the user says so, asked with the memory and the time before the passphrase.
    void unusualCostsAreAskedAbout() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("costly.kvx"));
        WriteFileBytes(path, SealedWithPasses(FileBytes(f.Path(QStringLiteral("plain.kvx"))), 17));
        f.wallet->SetStarted(true);
        f.prompts.Message(QStringLiteral("17 passes over 8 KiB"), Prompts::Answer::No);
        QVERIFY(!f.wallet->OnOpenDocument(path));
        QVERIFY(f.prompts.Faults().isEmpty());
        QVERIFY(f.prompts.Asked().last().contains(QStringLiteral("take about")));
        QCOMPARE(f.wallet->PathName(), f.Path(QStringLiteral("plain.kvx")));
        f.prompts.Message(QStringLiteral("17 passes"), Prompts::Answer::Yes);
        f.prompts.Passphrase(kPassphrase);
        QVERIFY(f.wallet->OnOpenDocument(path));
        QVERIFY(f.prompts.Faults().isEmpty());
        QCOMPARE(f.wallet->Cards().Count(), 2);
    }

    // A wallet unsealed by another program while it was open here is not sealed again silently by the next save.
    void unsealedElsewhereIsAChange() {
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        {
            std::unique_ptr<CWallet> other = Open(f, path, kPassphrase);
            QVERIFY(other);
            f.prompts.Message(QStringLiteral("no longer sealed"), Prompts::Answer::Ok);
            QVERIFY(other->UnsealFile(error));
        }
        const QByteArray unsealed = FileBytes(path);
        f.wallet->SetModified(true);
        f.prompts.Message(QStringLiteral("Another program has changed"), Prompts::Answer::Ok);
        QVERIFY(!f.wallet->OnSaveDocument(path));
        QVERIFY(f.wallet->LastSaveConflicted());
        QCOMPARE(FileBytes(path), unsealed);
    }

    // The plain file an unseal writes has no name until the rename that makes it the wallet, so a crash before
    // leaves nothing of it.
    void unsealNamesNoPlainCopyBeforeThePublish() {
        WalletFixture f;
        MakePlainWallet(f);
        const int probe = open(QFile::encodeName(f.folder.path()).constData(), O_TMPFILE | O_RDWR, 0600);
        if (probe < 0)
            QSKIP("the file system of the temporary folder makes no unnamed files");
        close(probe);
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        QStringList seen;
        TempFiles::SetSyncObserver([&](TempFiles::Flushed what, int, const QString&) {
            if (what == TempFiles::Flushed::File)
                seen += QDir(f.folder.path()).entryList({QStringLiteral(".plain.kvx.*")}, QDir::Files | QDir::Hidden);
            seen += QStringLiteral("flushed");
        });
        const bool unsealed = f.wallet->UnsealFile(error);
        TempFiles::SetSyncObserver({});
        QVERIFY(unsealed);
        QCOMPARE(seen.value(0), QStringLiteral("flushed"));
        QVERIFY(!FileBytes(f.Path(QStringLiteral("plain.kvx"))).startsWith("KVSEALED"));
    }

    // An independent reader, written from the format's description with another binding of libsodium, gets back
    // the same compound file.
    void independentReaderAgrees() {
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import nacl.bindings, nacl.pwhash")}) != 0)
            QSKIP("python3-nacl is not importable by /usr/bin/python3");
        WalletFixture f;
        MakePlainWallet(f);
        const QString path = f.Path(QStringLiteral("plain.kvx"));
        const QByteArray plain = FileBytes(path);
        QString error;
        QVERIFY(f.wallet->SealFile(kPassphrase, kPasses, kMemoryKiB, error));
        const QString out = f.Path(QStringLiteral("unsealed.bin"));
        QProcess reader;
        reader.start(python, {QStringLiteral(KORVEL_TEST_SOURCE "/interop/unseal.py"), path, out});
        reader.write(kPassphrase.toUtf8() + '\n');
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(60000));
        QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
        QCOMPARE(FileBytes(out), plain);

        // and refuses what our reader refuses
        QByteArray bytes = FileBytes(path);
        bytes[bytes.size() - 5] = char(bytes[bytes.size() - 5] ^ 1);
        WriteFileBytes(path, bytes);
        reader.start(python, {QStringLiteral(KORVEL_TEST_SOURCE "/interop/unseal.py"), path, out});
        reader.write(kPassphrase.toUtf8() + '\n');
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(60000));
        QVERIFY(reader.exitCode() != 0);
    }
};

QTEST_GUILESS_MAIN(TestSealedWallet)
#include "TestSealedWallet.moc"
