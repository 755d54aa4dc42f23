// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWalletFile.h"

#include "base/Clock.h"
#include "base/Prompts.h"
#include "base/Utilities.h"
#include "document/CWallet.h"
#include "document/WalletStorage.h"
#include "resources/StringTable.h"
#include "storage/CompoundFile.h"
#include "storage/DetachedStream.h"
#include "storage/HashingDevice.h"
#include "storage/PassphraseStrength.h"
#include "storage/SealKey.h"
#include "storage/SealedHeader.h"
#include "storage/SealedReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace WalletStorage;

CWalletFile::CWalletFile(CWallet& wallet) : m_wallet(wallet) {}

CWalletFile::~CWalletFile() = default;

bool CWalletFile::Open(const QString& path, const std::function<bool(QIODevice&, QString&)>& read,
                       const std::function<bool()>& take, const std::shared_ptr<const SealKey>& known) {
    std::shared_ptr<const SealKey> seal;
    if (!UnlockSeal(path, seal, known))
        return false;
    auto file = std::make_unique<CompoundFile>();
    file->SetSeal(seal);
    if (!file->Open(path, m_hold == FileHold::Exclusive ? CompoundFile::kMode : CompoundFile::kReadMode))
        return OpenFailed(file->ErrorString());
    file->OpenStorage(kDocumentStorage);
    std::unique_ptr<QIODevice> stream = file->OpenStream(kDocumentStream);
    if (!stream)
        return OpenFailed(file->ErrorString());
    QString error;
    HashingDevice hashing(*stream, QIODevice::ReadOnly);
    bool fresh = read(hashing, error);
    const QByteArray documentHash = fresh ? hashing.Finish() : QByteArray();
    if (fresh && documentHash.isEmpty()) {
        error = hashing.errorString();
        fresh = false;
    }
    stream.reset();
    file->PopStorage();
    if (!fresh)
        return OpenFailed(error);
    if (!take())
        return false;
    TakeStamp(*file, documentHash);
    Hold(std::move(file));
    m_seal = m_fileSeal = seal;
    return true;
}

void CWalletFile::ForgetFile() {
    m_file.reset();
    m_seal.reset();
    m_fileSeal.reset();
    m_stamp = WalletFileStamp();
    m_fileStreams.clear();
    m_pending.clear();
    m_conflict = false;
}

bool CWalletFile::ChangedElsewhere(const QString& path) const {
    if (path.isEmpty() || !m_stamp.IsSet() || !QFileInfo(path).isFile())
        return false;
    CompoundFile file;
    file.SetSeal(m_fileSeal);
    // A file that no longer opens with the key it was read with was sealed anew elsewhere.
    return !file.Open(path, CompoundFile::kReadMode) || !m_stamp.Matches(file);
}

void CWalletFile::Adopt(CWalletFile& other, const QString& previous) {
    KeepMissingStreams(other.m_fileStreams, previous);
    m_file = std::move(other.m_file);
    m_stamp = other.m_stamp;
    m_fileStreams = other.m_fileStreams;
    m_fileSeal = other.m_fileSeal;
    if (other.m_seal)
        m_seal = other.m_seal;
    m_conflict = false;
}

void CWalletFile::KeepMissingStreams(const QStringList& present, const QString& previous) {
    const QSet<QString> there(present.begin(), present.end());
    CompoundFile old;
    old.SetSeal(m_fileSeal);
    bool opened = false;
    for (const CCard* card : m_wallet.Cards()) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            const QString& name = slot->streamName;
            if (!slot->IsAttached() || there.contains(name) || m_pending.count(name) != 0)
                continue;
            if (!opened &&
                !(opened = old.Open(previous, CompoundFile::kReadMode) && old.OpenStorage(kAttachmentStorage)))
                return;
            std::unique_ptr<QIODevice> stream = old.OpenStream(name);
            auto copy = std::make_shared<DetachedStream>(m_wallet.PathName(), IsSealed());
            std::unique_ptr<QIODevice> writer = copy->OpenForWriting();
            if (stream && CAttachment::CopyBlocks(*stream, *writer)) {
                writer.reset();
                m_pending[name] = std::move(copy);
            }
        }
    }
}

// A sealed file asks for its passphrase before anything of it is read, unless the key already known is the one its
// header names (a file sealed anew under another passphrase names another salt); a plain one goes on with no key.
bool CWalletFile::UnlockSeal(const QString& path, std::shared_ptr<const SealKey>& key,
                             const std::shared_ptr<const SealKey>& known) {
    SealedHeader header;
    QString error;
    switch (SealedHeader::Read(path, header, error)) {
    case SealedHeader::Kind::Plain:
        return true;
    case SealedHeader::Kind::Sealed:
        if (known && known->Matches(header)) {
            key = known;
            return true;
        }
        return AllowCosts(path, header) && AskSealKey(path, header, key);
    case SealedHeader::Kind::Unusable:
        break;
    }
    return OpenFailed(QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(path), error));
}

// The header is authenticated only with the key, so a forged one could make every attempt cost minutes and
// gigabytes; more than sealing ever chooses is derived only when the user allows it, before any passphrase is asked.
bool CWalletFile::AllowCosts(const QString& path, const SealedHeader& header) {
    if (!header.HasUnusualCosts() || m_costTrust == CostTrust::Trust)
        return true;
    const QString asked =
        QStringLiteral("\"%1\" asks for a key derivation of %2 passes over %3 of memory, more than Korvel ever "
                       "chooses when it seals (at most %4 passes and %5 MiB)")
            .arg(QDir::toNativeSeparators(path), QString::number(header.operations),
                 header.memoryKiB % 1024 == 0 ? QStringLiteral("%1 MiB").arg(header.memoryKiB / 1024)
                                              : QStringLiteral("%1 KiB").arg(header.memoryKiB),
                 QString::number(SealedHeader::kUsualMaxOperations),
                 QString::number(SealedHeader::kUsualMaxMemoryKiB / 1024));
    if (m_costTrust == CostTrust::Refuse)
        return OpenFailed(asked + QStringLiteral("; it was not derived. Allow such costs (--trust-costs) only for a "
                                                 "file you know was sealed so."));
    const double seconds = SealKey::EstimateSeconds({header.operations, header.memoryKiB});
    const QString time = seconds < 120 ? QStringLiteral("%1 seconds").arg(std::max(1L, std::lround(seconds)))
                                       : QStringLiteral("%1 minutes").arg(std::lround(seconds / 60));
    return Prompts::AskYesNo(asked + QStringLiteral(". Each attempt to open it would take about %1 and that much "
                                                    "memory; a file whose header was changed can ask this to tie up "
                                                    "the computer.\n\nDerive the key anyway?")
                                         .arg(time),
                             Prompts::Icon::Exclamation, Prompts::Answer::No);
}

// The passphrase is checked against the first chunk alone, so a mistyped one costs a derivation, not a whole read.
bool CWalletFile::AskSealKey(const QString& path, const SealedHeader& header, std::shared_ptr<const SealKey>& key) {
    constexpr int kTries = 3;
    const QString name = QFileInfo(path).fileName();
    for (int attempt = 0; attempt < kTries; ++attempt) {
        QString passphrase;
        if (!Prompts::Get().AskPassphrase(passphrase, name, false))
            return false;
        QString error;
        key = SealKey::Derive(passphrase, header, error);
        SealKey::WipeText(passphrase);
        if (!key)
            return OpenFailed(error);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return OpenFailed(file.errorString());
        switch (SealedReader::CheckKey(file, *key, error)) {
        case SealedReader::Result::Opened:
            return true;
        case SealedReader::Result::Damaged:
            return OpenFailed(QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(path), error));
        case SealedReader::Result::WrongKey:
            Prompts::Warn(
                QStringLiteral("The passphrase of \"%1\" is wrong (or the start of the file was changed).").arg(name));
            break;
        }
    }
    key.reset();
    return false;
}

bool CWalletFile::SealFile(const QString& passphrase, quint32 operations, quint32 memoryKiB, QString& error) {
    if (m_wallet.PathName().isEmpty()) {
        error = QStringLiteral("The wallet must be saved to a file before it can be sealed.");
        return false;
    }
    const PassphraseStrength strength(passphrase);
    if (!strength.IsStrongEnough()) {
        error = strength.Reason();
        return false;
    }
    if (!ConfirmOtherNamesKeep(IsSealed() ? QStringLiteral("The new passphrase") : QStringLiteral("The seal"),
                               IsSealed() ? QStringLiteral("sealed under the old passphrase")
                                          : QStringLiteral("not sealed, readable by anyone who has it"))) {
        error.clear(); // the user said no
        return false;
    }
    std::shared_ptr<const SealKey> key = SealKey::Create(passphrase, {operations, memoryKiB}, error);
    return key && Reseal(std::move(key), error);
}

bool CWalletFile::ConfirmOtherNamesKeep(const QString& change, const QString& kept) const {
    struct stat info {};
    const QString path = m_wallet.PathName();
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &info) != 0 || info.st_nlink <= 1)
        return true;
    const QString question =
        QStringLiteral("\"%1\" has %2 other names in the file system (hard links). %3 reaches this name only: the "
                       "other names keep the old content, %4.\n\nGo on anyway?")
            .arg(QDir::toNativeSeparators(path), QString::number(info.st_nlink - 1), change, kept);
    return Prompts::AskYesNo(question, Prompts::Icon::Exclamation, Prompts::Answer::No);
}

QString CWalletFile::UnsealQuestion(const QString& fileName) {
    return QStringLiteral("Unseal \"%1\"? Anyone who has the file will then be able to read it with this program's "
                          "published format.")
        .arg(fileName);
}

bool CWalletFile::UnsealFile(QString& error) {
    return Reseal(nullptr, error);
}

// The save reads the file with the key it has now and writes it with the new one; a failed save keeps the old.
bool CWalletFile::Reseal(std::shared_ptr<const SealKey> key, QString& error) {
    std::shared_ptr<const SealKey> old = std::exchange(m_seal, std::move(key));
    if (m_wallet.OnSaveDocument(m_wallet.PathName()))
        return true;
    m_seal = std::move(old);
    if (m_file)
        m_file->SetSeal(m_fileSeal);
    error.clear(); // the save has told the user why
    return false;
}

// While the program starts, a last wallet that has gone is passed over without a word.
bool CWalletFile::OpenFailed(const QString& reason) {
    if (m_started)
        Prompts::Warn(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + reason);
    return false;
}

// An attachment that a save could not carry over, and what its slot named before.
struct CWalletFile::LeftOut {
    const CCard* card;
    CAttachment* slot;
    QString streamName;
};

// The new file is built from the wallet's current file (its own file in place, or a copy of it under a new name),
// so attachments come along; a wallet file already at another path is emptied first, under its lock, so a wallet
// that another program has open is never replaced behind its back. The file then gets the document stream and
// exactly the attachments the cards name, and all of it is committed at once.
bool CWalletFile::WriteFile(const QString& path, QString& error) {
    m_conflict = false;
    const bool exists = QFileInfo::exists(path);
    const bool inPlace = exists && !m_wallet.PathName().isEmpty() && QFileInfo(path) == QFileInfo(m_wallet.PathName());
    std::unique_ptr<CompoundFile> opened;
    CompoundFile* file = inPlace && m_file && !m_file->IsReadOnly() ? m_file.get() : nullptr;
    if (!file) {
        opened = std::make_unique<CompoundFile>();
        file = opened.get();
        file->SetSeal(m_fileSeal);
        if (!(exists ? file->Open(path) : file->Create(path))) {
            error = file->ErrorString();
            return false;
        }
    }
    file->SetSeal(m_seal);
    if (inPlace ? !CheckUnchanged(*file, path, error) : !(Empty(*file) && FillNewFile(*file, error)))
        return false;
    std::vector<LeftOut> leftOut;
    QByteArray documentHash;
    QString backup;
    bool ok = WriteAttachments(*file, leftOut, error);
    ok = ok && WriteDocument(*file, documentHash, error);
    if (ok && inPlace && !leftOut.empty())
        ok = !(backup = KeepBackup(path, error)).isEmpty();
    if (ok && !file->Commit())
        ok = false;
    if (!ok) {
        if (error.isEmpty())
            error = file->ErrorString();
        for (const LeftOut& item : leftOut)
            item.slot->streamName = item.streamName;
        if (!backup.isEmpty())
            QFile::remove(backup);
        // The file held open drops what this save put into it; the file on disk never saw it.
        if (!opened) {
            file->SetSeal(m_fileSeal);
            file->Revert();
        }
        return false;
    }
    m_fileSeal = m_seal;
    TakeStamp(*file, documentHash);
    if (opened)
        Hold(std::move(opened));
    if (!leftOut.empty())
        ReportLeftOut(leftOut, backup.isEmpty() ? QDir::toNativeSeparators(m_wallet.PathName()) : backup);
    return true;
}

bool CWalletFile::CheckUnchanged(CompoundFile& file, const QString& path, QString& error) {
    if (!m_stamp.IsSet() || m_stamp.Matches(file))
        return true;
    m_conflict = true;
    error = FormatText(LoadResString(kStrChangedElsewhere), {QFileInfo(path).fileName()});
    return false;
}

bool CWalletFile::Empty(CompoundFile& file) {
    const QStringList names = file.ElementNames();
    return std::all_of(names.begin(), names.end(), [&](const QString& name) { return file.DestroyElement(name); });
}

// A new file gets the storages of a wallet file, or all of the wallet's current file when it has one.
bool CWalletFile::FillNewFile(CompoundFile& file, QString& error) {
    if (m_wallet.PathName().isEmpty() || !QFileInfo::exists(m_wallet.PathName()))
        return file.CreateStorage(kDocumentStorage, false) && file.CreateStorage(kAttachmentStorage, false);
    std::unique_ptr<CompoundFile> opened;
    CompoundFile* source = ReadableFile(opened, error);
    if (source && source->CopyTo(file))
        return true;
    if (source)
        error = source->ErrorString();
    return false;
}

// Streams that no card names go; streams attached since the last save come in. A stream that a card names but that
// cannot be read is left out, its slot emptied (the display name stays), so one damaged attachment never keeps the
// rest of the wallet from being saved.
bool CWalletFile::WriteAttachments(CompoundFile& file, std::vector<LeftOut>& leftOut, QString& error) {
    if (!file.OpenStorage(kAttachmentStorage) && !file.CreateStorage(kAttachmentStorage, true)) {
        error = file.ErrorString();
        return false;
    }
    QSet<QString> named;
    for (const CCard* card : m_wallet.Cards()) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached())
                named.insert(slot->streamName);
        }
    }
    for (const QString& name : file.ElementNames()) {
        if (!named.contains(name) && !file.DestroyElement(name))
            return false;
    }
    for (CCard* card : m_wallet.Cards()) {
        if (!card->HasAttachments())
            continue;
        for (CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached() && !WriteAttachment(file, *card, *slot, leftOut))
                return false;
        }
    }
    return file.PopStorage();
}

bool CWalletFile::WriteAttachment(CompoundFile& file, const CCard& card, CAttachment& slot,
                                  std::vector<LeftOut>& leftOut) {
    const QString name = slot.streamName;
    const bool present = file.StreamSize(name) >= 0 || file.ElementNames().contains(name);
    if (const auto pending = m_pending.find(name); pending != m_pending.end())
        return (!present || file.DestroyElement(name)) && file.AddStream(name, *pending->second);
    if (file.OpenStream(name))
        return true;
    if (present && !file.DestroyElement(name))
        return false;
    leftOut.push_back({&card, &slot, name});
    slot.streamName.clear();
    return true;
}

bool CWalletFile::WriteDocument(CompoundFile& file, QByteArray& hash, QString& error) {
    if (!file.OpenStorage(kDocumentStorage) && !file.CreateStorage(kDocumentStorage, true))
        return false;
    if (file.ElementNames().contains(kDocumentStream) && !file.DestroyElement(kDocumentStream))
        return false;
    // Like any new stream, a large document stream waits for the commit in a spool file rather than in memory, so
    // that saving needs no second copy of the wallet in memory.
    std::unique_ptr<QIODevice> stream = file.CreateStream(kDocumentStream);
    if (!stream)
        return false;
    HashingDevice hashing(*stream, QIODevice::WriteOnly);
    if (!m_wallet.Store(hashing, error))
        return false;
    hash = hashing.Finish();
    hashing.close();
    stream.reset();
    return file.PopStorage();
}

// Before a save leaves out attachments it could not read, the file as it was is kept beside it under a name of its
// own: a second name for the same file, or a copy where the file system has no such names.
QString CWalletFile::KeepBackup(const QString& path, QString& error) const {
    const QFileInfo info(path);
    const QString stamp = Clock::Now().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 1;; ++n) {
        const QString number = n == 1 ? QString() : QStringLiteral(" %1").arg(n);
        const QString name = QStringLiteral("%1 (backup %2%3)%4").arg(info.completeBaseName(), stamp, number, suffix);
        const QString backup = info.absoluteDir().filePath(name);
        if (QFileInfo::exists(backup))
            continue;
        if (link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) == 0 ||
            QFile::copy(path, backup))
            return QDir::toNativeSeparators(backup);
        error = QStringLiteral("cannot keep a backup as \"%1\"").arg(QDir::toNativeSeparators(backup));
        return QString();
    }
}

void CWalletFile::ReportLeftOut(const std::vector<LeftOut>& leftOut, const QString& backup) const {
    QString lines;
    for (const LeftOut& item : leftOut)
        lines += FormatText(LoadResString(kStrAttachmentOfCard), {item.slot->description, item.card->description});
    Prompts::Warn(FormatText(LoadResString(kStrAttachmentsLeftOut), {lines, backup}));
}

void CWalletFile::TakeStamp(CompoundFile& file, const QByteArray& documentHash) {
    m_stamp = WalletFileStamp(file, documentHash);
    m_fileStreams.clear();
    if (file.OpenStorage(kAttachmentStorage)) {
        m_fileStreams = file.ElementNames();
        file.PopStorage();
    }
    m_pending.clear();
}

void CWalletFile::Hold(std::unique_ptr<CompoundFile> file) {
    m_file = m_hold == FileHold::None ? nullptr : std::move(file);
}

// The wallet's file for reading: the one held, or the file opened now with a shared lock, into `opened`.
CompoundFile* CWalletFile::ReadableFile(std::unique_ptr<CompoundFile>& opened, QString& error) const {
    if (m_file)
        return m_file.get();
    opened = std::make_unique<CompoundFile>();
    opened->SetSeal(m_fileSeal);
    if (opened->Open(m_wallet.PathName(), CompoundFile::kReadMode))
        return opened.get();
    error = opened->ErrorString();
    return nullptr;
}

// Every commit writes the file anew with nothing but what it holds, which drops the space of removed streams.
bool CWalletFile::Compact(QString* error) {
    std::unique_ptr<CompoundFile> opened;
    CompoundFile* file = m_file && !m_file->IsReadOnly() ? m_file.get() : nullptr;
    if (!file) {
        opened = std::make_unique<CompoundFile>();
        file = opened.get();
        file->SetSeal(m_fileSeal);
    }
    QString reason;
    const bool ok = (file != opened.get() || file->Open(m_wallet.PathName())) &&
                    CheckUnchanged(*file, m_wallet.PathName(), reason) && file->Commit();
    if (!ok) {
        if (error)
            *error = reason.isEmpty() ? file->ErrorString() : reason;
        return false;
    }
    m_stamp.Renew(*file);
    return true;
}

int CWalletFile::CountAttachments() const {
    std::unique_ptr<CompoundFile> opened;
    QString error;
    CompoundFile* file = ReadableFile(opened, error);
    if (!file || !file->OpenStorage(kAttachmentStorage))
        return 0;
    const int count = int(file->ElementNames().size());
    file->PopStorage();
    return count;
}

QString CWalletFile::AddStream(QIODevice& source, QString& error) {
    auto stream = std::make_shared<DetachedStream>(m_wallet.PathName(), IsSealed());
    std::unique_ptr<QIODevice> writer = stream->OpenForWriting();
    if (!CAttachment::CopyBlocks(source, *writer)) {
        error = writer->errorString().isEmpty() ? source.errorString() : writer->errorString();
        return QString();
    }
    writer.reset();
    const QString name = UnusedStreamName();
    m_pending[name] = std::move(stream);
    return name;
}

// A name of the usual form that neither the file, nor a card, nor an attachment waiting for the save has: names made
// in the same second, or from moments whose digits run together alike, move on a second at a time.
QString CWalletFile::UnusedStreamName() const {
    QSet<QString> taken(m_fileStreams.begin(), m_fileStreams.end());
    for (const auto& pending : m_pending)
        taken.insert(pending.first);
    for (const CCard* card : m_wallet.Cards()) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached())
                taken.insert(slot->streamName);
        }
    }
    for (QDateTime moment = Clock::Now();; moment = moment.addSecs(1)) {
        const QString name = CAttachment::MakeStreamName(moment);
        if (!taken.contains(name))
            return name;
    }
}

std::unique_ptr<QIODevice> CWalletFile::OpenStream(const QString& streamName, QString& error) {
    if (const auto pending = m_pending.find(streamName); pending != m_pending.end())
        return pending->second->OpenForReading();
    std::unique_ptr<CompoundFile> opened;
    CompoundFile* file = ReadableFile(opened, error);
    if (!file)
        return nullptr;
    std::unique_ptr<QIODevice> stream;
    if (file->OpenStorage(kAttachmentStorage)) {
        stream = file->OpenStream(streamName);
        file->PopStorage();
    }
    if (!stream)
        error = file->ErrorString();
    // The device reads on from the file it was opened on, also once that file is closed here.
    return stream;
}