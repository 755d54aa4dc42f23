// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWallet.h"

#include "base/CipherText.h"
#include "base/Clipboard.h"
#include "base/Clock.h"
#include "base/FieldCipher.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "document/WalletPropertiesEditor.h"
#include "document/WalletStorage.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "model/RecordEditor.h"
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
#include <limits>
#include <unistd.h>
#include <utility>

using namespace WalletStorage;

// The program has one wallet document; the first one made serves the records and their attachments until it goes.
CWallet::CWallet(QObject* parent) : QObject(parent) {
    if (!WalletContext::Get()) {
        AttachmentStore::Install(this);
        WalletContext::Install(this);
    }
    m_title = LoadResString(kStrNewWallet);
    connect(&m_lock, &CWalletLock::lockStateShown, this, &CWallet::lockStateShown);
    connect(&m_lock, &CWalletLock::lockChanged, this, [this](bool locked) {
        Q_EMIT updated(kHintRefresh);
        if (locked)
            Q_EMIT updated(kHintReset);
    });
    connect(&m_lock, &CWalletLock::passwordChanged, this, [this] { SetModified(true); });
}

// A wallet that is only read into and never becomes the open one.
CWallet::CWallet(Detached) {}

CWallet::~CWallet() {
    if (WalletContext::Get() == this) {
        AttachmentStore::Install(nullptr);
        WalletContext::Install(nullptr);
    }
}

void CWallet::BeginReset() {
    if (m_bulk++ == 0)
        Q_EMIT aboutToReset();
}

void CWallet::EndReset() {
    if (--m_bulk == 0)
        Q_EMIT wasReset();
}

CWallet::BulkChange::BulkChange(CWallet& wallet) : m_wallet(wallet) {
    m_wallet.BeginReset();
}

CWallet::BulkChange::~BulkChange() {
    m_wallet.EndReset();
}

void CWallet::DeleteContents() {
    BeginReset();
    m_lock.Clear();
    cipherMethod = 1;
    clipboardOp = 0;
    lockMinutes = kDefaultLockMinutes;
    compactCounter = 0;
    nextId = 1;
    version = kCurrentVersion;
    askPasswordOnOpen = 0;
    mustUnlockToEdit = 0;
    hidePasswordsDefault = 1;
    boldFieldNamesDefault = 0;
    autoLock = 1;
    disableDesktopPassword = 0;
    defaultBackColor = 0xFFFFFF;
    defaultTextColor = 0x000000;
    clipboardCard = nullptr;
    cards.DeleteAll();
    templates.DeleteAll();
    categories.DeleteAll();
    ForgetFile();
    SetModified(false);
    SetPathName(QString());
    SetTitle(LoadResString(kStrNewWallet));
    EndReset();
}

WalletContext::CardDefaults CWallet::NewCardDefaults() const {
    return {hidePasswordsDefault, boldFieldNamesDefault, defaultBackColor, defaultTextColor};
}

void CWallet::ForgetFile() {
    m_file.reset();
    m_seal.reset();
    m_fileSeal.reset();
    m_stamp = WalletFileStamp();
    m_fileStreams.clear();
    m_pending.clear();
    m_conflict = false;
}

void CWallet::Serialize(CArchive& archive) {
    SerializeHeader(archive);
    cards.Serialize(archive);
    templates.Serialize(archive);
    categories.Serialize(archive);
    if (archive.IsLoading())
        CheckNextId();
}

// A damaged counter would hand out ids that cards or categories already have, or run past the largest id (templates
// take the counter plus 500). One behind the records is moved on; one with no room left is damage.
void CWallet::CheckNextId() {
    constexpr qint32 kLastNextId = std::numeric_limits<qint32>::max() - 1000;
    qint32 highest = 0;
    for (const CCard* card : cards)
        highest = std::max(highest, card->id);
    for (const CCategory* category : categories)
        highest = std::max(highest, category->id);
    if (nextId <= highest)
        nextId = highest < kLastNextId ? highest + 1 : std::numeric_limits<qint32>::max();
    if (nextId < 1 || nextId > kLastNextId)
        throw CArchiveException(tr("The wallet's record numbers are damaged."));
}

void CWallet::SerializeHeader(CArchive& archive) {
    archive.Item(version);
    archive.Item(cipherMethod);
    // The header names the method that the password and the lists after it are enciphered under.
    archive.SetCipherMethod(cipherMethod);
    QString password = m_lock.Password();
    CWalletItem::CipheredItem(archive, password);
    archive.Item(nextId);
    archive.Item(compactCounter);
    archive.Item(askPasswordOnOpen);
    archive.Item(mustUnlockToEdit);
    archive.Item(disableDesktopPassword);
    archive.Item(lockMinutes);
    archive.Item(autoLock);
    archive.Item(hidePasswordsDefault);
    archive.Item(boldFieldNamesDefault);
    archive.Item(defaultBackColor);
    archive.Item(defaultTextColor);
    if (archive.IsLoading())
        m_lock.SetPassword(CipherText(std::move(password), false, archive.CipherMethod()));
}

std::unique_ptr<CWallet> CWallet::ReadFresh(QIODevice& device, QString& error) const {
    std::unique_ptr<CWallet> fresh(new CWallet(Detached{}));
    try {
        // The method given here is replaced by the one the header names before any text is deciphered.
        CArchive archive(device, CArchive::Mode::Load, fresh->cipherMethod);
        fresh->Serialize(archive);
        return fresh;
    } catch (const CArchiveException& e) {
        error = e.Message();
    } catch (const std::bad_alloc&) {
        error = tr("There is not enough memory to read the wallet.");
    }
    return nullptr;
}

bool CWallet::Load(QIODevice& device, QString& error) {
    std::unique_ptr<CWallet> fresh = ReadFresh(device, error);
    if (!fresh)
        return false;
    TakeContents(*fresh);
    return true;
}

bool CWallet::Store(QIODevice& device, QString& error) {
    try {
        CArchive archive(device, CArchive::Mode::Store, cipherMethod);
        Serialize(archive);
        archive.Flush();
    } catch (const CArchiveException& e) {
        error = e.Message();
        return false;
    }
    return true;
}

void CWallet::TakeContents(CWallet& other) {
    const BulkChange reset(*this);
    m_lock.Clear();
    m_lock.SetPassword(other.m_lock.Password());
    std::swap(cipherMethod, other.cipherMethod);
    std::swap(lockMinutes, other.lockMinutes);
    std::swap(compactCounter, other.compactCounter);
    std::swap(nextId, other.nextId);
    std::swap(version, other.version);
    std::swap(askPasswordOnOpen, other.askPasswordOnOpen);
    std::swap(mustUnlockToEdit, other.mustUnlockToEdit);
    std::swap(hidePasswordsDefault, other.hidePasswordsDefault);
    std::swap(boldFieldNamesDefault, other.boldFieldNamesDefault);
    std::swap(autoLock, other.autoLock);
    std::swap(disableDesktopPassword, other.disableDesktopPassword);
    std::swap(defaultBackColor, other.defaultBackColor);
    std::swap(defaultTextColor, other.defaultTextColor);
    std::swap(cards, other.cards);
    std::swap(templates, other.templates);
    std::swap(categories, other.categories);
    clipboardOp = 0;
    clipboardCard = nullptr;
}

void CWallet::SetModified(bool modified) {
    bool changed = false;
    SetIfChanged(m_modified, modified, changed);
    if (changed)
        Q_EMIT modifiedChanged(m_modified);
}

void CWallet::SetTitle(const QString& title) {
    bool changed = false;
    SetIfChanged(m_title, title, changed);
    if (changed)
        Q_EMIT titleChanged(m_title);
}

void CWallet::SetPathName(const QString& path) {
    m_pathName = path;
}

bool CWallet::OnNewDocument() {
    if (m_quitting)
        return false;
    DeleteContents();
    if (!LoadDefaults())
        return false;
    if (Prompts::AskYesNo(LoadResString(kStrOfferPassword), Prompts::Icon::Information))
        ChangePassword();
    else
        SetLocked(false);
    SetModified(false);
    Q_EMIT updated(kHintReset);
    Q_EMIT lockTimerReset();
    return true;
}

bool CWallet::LoadDefaults() {
    const BulkChange reset(*this);
    templates.DeleteAll();
    int firstId = 0;
    int count = 0;
    if (!ResourceLibrary::TemplatesInfo(firstId, count))
        return false;
    for (int i = 0; i < count; ++i) {
        auto cardTemplate = std::make_unique<CCardTemplate>(NextId());
        cardTemplate->ParseDefinition(LoadResString(firstId + i, true));
        cardTemplate->internalName = QString::number(cardTemplate->id);
        templates.InsertInIdOrder(cardTemplate);
    }
    categories.DeleteAll();
    for (int name : {kStrBusiness, kStrPersonal}) {
        auto category = std::make_unique<CCategory>(NextId());
        category->description = LoadResString(name);
        categories.InsertInIdOrder(category);
    }
    return true;
}

bool CWallet::OnOpenDocument(const QString& path) {
    std::shared_ptr<const SealKey> seal;
    if (!UnlockSeal(path, seal))
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
    std::unique_ptr<CWallet> fresh = ReadFresh(hashing, error);
    const QByteArray documentHash = fresh ? hashing.Finish() : QByteArray();
    if (fresh && documentHash.isEmpty()) {
        error = hashing.errorString();
        fresh.reset();
    }
    stream.reset();
    file->PopStorage();
    if (!fresh)
        return OpenFailed(error);

    const QString fileName = QFileInfo(path).fileName();
    if (!(fresh->version >= 1.0f)) {
        Prompts::Get().Message(FormatText(LoadResString(kStrIncompatibleFile), {fileName}), Prompts::Icon::Error,
                               Prompts::Buttons::Ok, Prompts::Answer::Ok);
        return false;
    }
    TakeContents(*fresh);
    TakeStamp(*file, documentHash);
    Hold(std::move(file));
    m_seal = m_fileSeal = seal;
    SetPathName(path);
    SetTitle(fileName);
    Q_EMIT pathChanged(path);
    if (askPasswordOnOpen) {
        if (!RequestAccess(fileName)) {
            m_quitting = true;
            Q_EMIT quitRequested(-1);
            return false;
        }
    } else if (!disableDesktopPassword) {
        SetLocked(!Password().isEmpty());
    }
    SetModified(false);
    Q_EMIT updated(kHintRefresh);
    Q_EMIT lockTimerReset();
    return true;
}

// A sealed file asks for its passphrase before anything of it is read; a plain one goes on with no key.
bool CWallet::UnlockSeal(const QString& path, std::shared_ptr<const SealKey>& key) {
    SealedHeader header;
    QString error;
    switch (SealedHeader::Read(path, header, error)) {
    case SealedHeader::Kind::Plain:
        return true;
    case SealedHeader::Kind::Sealed:
        return AskSealKey(path, header, key);
    case SealedHeader::Kind::Unusable:
        break;
    }
    return OpenFailed(QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(path), error));
}

// The passphrase is checked against the first chunk alone, so a mistyped one costs a derivation, not a whole read.
bool CWallet::AskSealKey(const QString& path, const SealedHeader& header, std::shared_ptr<const SealKey>& key) {
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

bool CWallet::SealFile(const QString& passphrase, quint32 operations, quint32 memoryKiB, QString& error) {
    if (PathName().isEmpty()) {
        error = QStringLiteral("The wallet must be saved to a file before it can be sealed.");
        return false;
    }
    const PassphraseStrength strength(passphrase);
    if (!strength.IsStrongEnough()) {
        error = strength.Reason();
        return false;
    }
    std::shared_ptr<const SealKey> key = SealKey::Create(passphrase, {operations, memoryKiB}, error);
    return key && Reseal(std::move(key), error);
}

QString CWallet::UnsealQuestion(const QString& fileName) {
    return QStringLiteral("Unseal \"%1\"? Anyone who has the file will then be able to read it with this program's "
                          "published format.")
        .arg(fileName);
}

bool CWallet::UnsealFile(QString& error) {
    return Reseal(nullptr, error);
}

// The save reads the file with the key it has now and writes it with the new one; a failed save keeps the old.
bool CWallet::Reseal(std::shared_ptr<const SealKey> key, QString& error) {
    std::shared_ptr<const SealKey> old = std::exchange(m_seal, std::move(key));
    if (OnSaveDocument(PathName()))
        return true;
    m_seal = std::move(old);
    if (m_file)
        m_file->SetSeal(m_fileSeal);
    error.clear(); // the save has told the user why
    return false;
}

// While the program starts, a last wallet that has gone is passed over without a word.
bool CWallet::OpenFailed(const QString& reason) {
    if (m_started)
        Prompts::Warn(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + reason);
    return false;
}

bool CWallet::OnSaveDocument(const QString& path) {
    const qint32 counterBefore = compactCounter;
    const qint32 methodBefore = cipherMethod;
    // Every save writes a whole new file, which holds no space of removed attachments: the save compacts.
    if (compactCounter >= kCompactAfterRemovals)
        compactCounter = 0;
    // Under the substitution method U+FFB8 becomes a zero unit that reads back as padding; such a wallet is written
    // under the block method, which keeps every character.
    if (cipherMethod == FieldCipher::SubstituteThenBlock && ContainsUnit(0xFFB8))
        cipherMethod = FieldCipher::BlockOnly;
    QString error;
    if (!WriteFile(path, error)) {
        compactCounter = counterBefore;
        cipherMethod = methodBefore;
        Prompts::Warn(FormatText(LoadResString(kStrSaveFailed), {QDir::toNativeSeparators(path), error}));
        return false;
    }
    SetModified(false);
    return true;
}

// An attachment that a save could not carry over, and what its slot named before.
struct CWallet::LeftOut {
    const CCard* card;
    CAttachment* slot;
    QString streamName;
};

// The new file is built from the wallet's current file (its own file in place, or a copy of it under a new name),
// so attachments come along; a wallet file already at another path is emptied first, under its lock, so a wallet
// that another program has open is never replaced behind its back. The file then gets the document stream and
// exactly the attachments the cards name, and all of it is committed at once.
bool CWallet::WriteFile(const QString& path, QString& error) {
    m_conflict = false;
    const bool exists = QFileInfo::exists(path);
    const bool inPlace = exists && !PathName().isEmpty() && QFileInfo(path) == QFileInfo(PathName());
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
        ReportLeftOut(leftOut, backup.isEmpty() ? QDir::toNativeSeparators(PathName()) : backup);
    return true;
}

bool CWallet::CheckUnchanged(CompoundFile& file, const QString& path, QString& error) {
    if (!m_stamp.IsSet() || m_stamp.Matches(file))
        return true;
    m_conflict = true;
    error = FormatText(LoadResString(kStrChangedElsewhere), {QFileInfo(path).fileName()});
    return false;
}

bool CWallet::Empty(CompoundFile& file) {
    const QStringList names = file.ElementNames();
    return std::all_of(names.begin(), names.end(), [&](const QString& name) { return file.DestroyElement(name); });
}

// A new file gets the storages of a wallet file, or all of the wallet's current file when it has one.
bool CWallet::FillNewFile(CompoundFile& file, QString& error) {
    if (PathName().isEmpty() || !QFileInfo::exists(PathName()))
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
bool CWallet::WriteAttachments(CompoundFile& file, std::vector<LeftOut>& leftOut, QString& error) {
    if (!file.OpenStorage(kAttachmentStorage) && !file.CreateStorage(kAttachmentStorage, true)) {
        error = file.ErrorString();
        return false;
    }
    QSet<QString> named;
    for (const CCard* card : cards) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached())
                named.insert(slot->streamName);
        }
    }
    for (const QString& name : file.ElementNames()) {
        if (!named.contains(name) && !file.DestroyElement(name))
            return false;
    }
    for (CCard* card : cards) {
        if (!card->HasAttachments())
            continue;
        for (CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached() && !WriteAttachment(file, *card, *slot, leftOut))
                return false;
        }
    }
    return file.PopStorage();
}

bool CWallet::WriteAttachment(CompoundFile& file, const CCard& card, CAttachment& slot, std::vector<LeftOut>& leftOut) {
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

bool CWallet::WriteDocument(CompoundFile& file, QByteArray& hash, QString& error) {
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
    if (!Store(hashing, error))
        return false;
    hash = hashing.Finish();
    hashing.close();
    stream.reset();
    return file.PopStorage();
}

// Before a save leaves out attachments it could not read, the file as it was is kept beside it under a name of its
// own: a second name for the same file, or a copy where the file system has no such names.
QString CWallet::KeepBackup(const QString& path, QString& error) const {
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

void CWallet::ReportLeftOut(const std::vector<LeftOut>& leftOut, const QString& backup) const {
    QString lines;
    for (const LeftOut& item : leftOut)
        lines += FormatText(LoadResString(kStrAttachmentOfCard), {item.slot->description, item.card->description});
    Prompts::Warn(FormatText(LoadResString(kStrAttachmentsLeftOut), {lines, backup}));
}

void CWallet::TakeStamp(CompoundFile& file, const QByteArray& documentHash) {
    m_stamp = WalletFileStamp(file, documentHash);
    m_fileStreams.clear();
    if (file.OpenStorage(kAttachmentStorage)) {
        m_fileStreams = file.ElementNames();
        file.PopStorage();
    }
    m_pending.clear();
}

void CWallet::Hold(std::unique_ptr<CompoundFile> file) {
    m_file = m_hold == FileHold::None ? nullptr : std::move(file);
}

// The wallet's file for reading: the one held, or the file opened now with a shared lock, into `opened`.
CompoundFile* CWallet::ReadableFile(std::unique_ptr<CompoundFile>& opened, QString& error) const {
    if (m_file)
        return m_file.get();
    opened = std::make_unique<CompoundFile>();
    opened->SetSeal(m_fileSeal);
    if (opened->Open(PathName(), CompoundFile::kReadMode))
        return opened.get();
    error = opened->ErrorString();
    return nullptr;
}

bool CWallet::OnFileSave() {
    if (PathName().isEmpty())
        return SaveWithDialog();
    return OnSaveDocument(PathName());
}

bool CWallet::OnFileSaveAs() {
    return SaveWithDialog();
}

bool CWallet::SaveWithDialog() {
    const QString path = Prompts::Get().SaveFileName(LoadResString(kStrWalletFilter), QStringLiteral("kvx"), Title());
    if (path.isEmpty() || !OnSaveDocument(path))
        return false;
    SetPathName(path);
    SetTitle(QFileInfo(path).fileName());
    Q_EMIT pathChanged(path);
    return true;
}

bool CWallet::SaveModified() {
    if (!IsModified())
        return true;
    if (PathName().isEmpty()) {
        if (!Prompts::AskYesNo(LoadResString(kStrSaveNewWallet), Prompts::Icon::Exclamation))
            return true;
        return SaveWithDialog();
    }
    return OnSaveDocument(PathName());
}

void CWallet::OnCloseDocument() {
    DeleteContents();
}

// Every commit writes the file anew with nothing but what it holds, which drops the space of removed streams.
bool CWallet::Compact(QString* error) {
    std::unique_ptr<CompoundFile> opened;
    CompoundFile* file = m_file && !m_file->IsReadOnly() ? m_file.get() : nullptr;
    if (!file) {
        opened = std::make_unique<CompoundFile>();
        file = opened.get();
        file->SetSeal(m_fileSeal);
    }
    QString reason;
    const bool ok =
        (file != opened.get() || file->Open(PathName())) && CheckUnchanged(*file, PathName(), reason) && file->Commit();
    if (!ok) {
        if (error)
            *error = reason.isEmpty() ? file->ErrorString() : reason;
        return false;
    }
    m_stamp.Renew(*file);
    return true;
}

int CWallet::CountAttachments() const {
    std::unique_ptr<CompoundFile> opened;
    QString error;
    CompoundFile* file = ReadableFile(opened, error);
    if (!file || !file->OpenStorage(kAttachmentStorage))
        return 0;
    const int count = int(file->ElementNames().size());
    file->PopStorage();
    return count;
}

bool CWallet::ReadyForAttachments() {
    if (!PathName().isEmpty() && QFileInfo::exists(PathName()))
        return true;
    if (Prompts::AskYesNo(LoadResString(kStrSaveBeforeAttaching), Prompts::Icon::Exclamation))
        OnFileSave();
    return false;
}

QString CWallet::ChooseFile(qint32 filterId) {
    return Prompts::Get().OpenFileName(LoadResString(filterId), QString());
}

QString CWallet::AddStream(QIODevice& source, QString& error) {
    auto stream = std::make_shared<DetachedStream>(PathName(), IsSealed());
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
QString CWallet::UnusedStreamName() const {
    QSet<QString> taken(m_fileStreams.begin(), m_fileStreams.end());
    for (const auto& pending : m_pending)
        taken.insert(pending.first);
    for (const CCard* card : cards) {
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

void CWallet::Attached(const QString& displayName) {
    Prompts::Inform(FormatText(LoadResString(kStrAttached), {displayName}));
}

std::unique_ptr<QIODevice> CWallet::OpenStream(const QString& streamName, QString& error) {
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

CCardTemplate* CWallet::SelectTemplate(const QString& preselected, bool showCreateLink) const {
    RecordEditor* editor = RecordEditor::Get();
    const QString chosen = editor ? editor->SelectTemplate(preselected, showCreateLink) : QString();
    return chosen.isEmpty() ? nullptr : templates.FindByInternalName(chosen);
}

void CWallet::StreamRemoved() {
    ++compactCounter;
    SetModified(true);
}

bool CWallet::DeleteCard(qint32 cardId) {
    CCard* card = cards.FindById(cardId);
    if (!card)
        return false;
    if (!Prompts::AskYesNo(LoadResString(kStrConfirmDeleteCard), Prompts::Icon::Exclamation, Prompts::Answer::No))
        return false;
    card->RemoveAllStreams();
    DropCard(card);
    SetModified(true);
    return true;
}

bool CWallet::RemoveTemplate(qint32 templateId) {
    CCardTemplate* cardTemplate = templates.FindById(templateId);
    if (!cardTemplate)
        return false;
    Q_EMIT templateAboutToBeRemoved(*cardTemplate);
    templates.RemoveById(templateId);
    SetModified(true);
    Q_EMIT templateRemoved(templateId);
    return true;
}

bool CWallet::DeleteCategory(qint32 categoryId) {
    if (!Prompts::AskYesNo(LoadResString(kStrConfirmDeleteCategory), Prompts::Icon::Exclamation, Prompts::Answer::No))
        return false;
    if (!RequestAccess(QString()) || !categories.FindById(categoryId))
        return false;
    QList<CCard*> doomed;
    for (CCard* card : cards) {
        if (card->categoryId == categoryId)
            doomed.append(card);
    }
    for (CCard* card : doomed) {
        card->RemoveAllStreams();
        DropCard(card);
    }
    if (!Quiet())
        Q_EMIT categoryAboutToBeRemoved(*categories.FindById(categoryId));
    categories.RemoveById(categoryId);
    SetModified(true);
    if (!Quiet())
        Q_EMIT categoryRemoved(categoryId);
    return true;
}

void CWallet::DropCard(CCard* card) {
    if (clipboardCard == card)
        clipboardCard = nullptr;
    const qint32 id = card->id;
    if (!Quiet())
        Q_EMIT cardAboutToBeRemoved(*card);
    cards.RemoveById(id);
    if (!Quiet())
        Q_EMIT cardRemoved(id);
}

bool CWallet::MayChangeCards() {
    return !mustUnlockToEdit || RequestAccess(QString());
}

CCard* CWallet::NewCard(qint32 categoryId) {
    if (!categories.FindById(categoryId) || !MayChangeCards())
        return nullptr;
    auto card = std::make_unique<CCard>(NextId());
    card->categoryId = categoryId;
    if (!card->Edit())
        return nullptr;
    return &AddCard(std::move(card));
}

CCategory* CWallet::NewCategory() {
    auto category = std::make_unique<CCategory>();
    if (!category->Edit())
        return nullptr;
    category->id = NextId();
    return &AddCategory(std::move(category));
}

bool CWallet::EditCard(CCard& card) {
    return MayChangeCards() && ChangeCard(card, [](CCard& edited) { return edited.Edit() != 0; });
}

bool CWallet::EditCategory(CCategory& category) {
    if (!category.Edit())
        return false;
    SetModified(true);
    Q_EMIT categoryChanged(category);
    return true;
}

// The lists refuse a record whose id they hold already; ids come from NextId, so that is a caller's fault.
template <class Record, class List>
Record& CWallet::Insert(List& list, std::unique_ptr<Record> record, void (CWallet::*added)(const Record&)) {
    Record& inserted = *record;
    const bool fresh = list.InsertInIdOrder(record);
    Q_ASSERT(fresh);
    SetModified(true);
    if (fresh && !Quiet())
        Q_EMIT(this->*added)(inserted);
    return inserted;
}

CCard& CWallet::AddCard(std::unique_ptr<CCard> card) {
    return Insert(cards, std::move(card), &CWallet::cardAdded);
}

CCategory& CWallet::AddCategory(std::unique_ptr<CCategory> category) {
    return Insert(categories, std::move(category), &CWallet::categoryAdded);
}

CCardTemplate& CWallet::AddTemplate(std::unique_ptr<CCardTemplate> cardTemplate) {
    return Insert(templates, std::move(cardTemplate), &CWallet::templateAdded);
}

bool CWallet::ChangeCard(CCard& card, const std::function<bool(CCard&)>& change) {
    const qint32 oldCategoryId = card.categoryId;
    if (!change(card))
        return false;
    SetModified(true);
    Q_EMIT cardChanged(card, oldCategoryId);
    return true;
}

bool CWallet::ChangeTemplate(CCardTemplate& cardTemplate, const std::function<bool(CCardTemplate&)>& change) {
    if (!change(cardTemplate))
        return false;
    SetModified(true);
    Q_EMIT templateChanged(cardTemplate);
    return true;
}

qint32 CWallet::CardClipboard(qint32 op, CCard* card, qint32 categoryId) {
    if (op == kCut || op == kCopy) {
        clipboardCard = card;
        if (card)
            CopyTextToClipboard(card->GetText(false));
        clipboardOp = op;
        return 0;
    }
    if (op != kPaste) {
        clipboardOp = op;
        return 0;
    }
    qint32 pasted = 0;
    if (clipboardOp == kCut && clipboardCard) {
        // A cut card pasted into its own category stays cut.
        if (clipboardCard->categoryId == categoryId)
            return 0;
        const qint32 oldCategoryId = clipboardCard->categoryId;
        clipboardCard->categoryId = categoryId;
        pasted = clipboardCard->id;
        Q_EMIT cardChanged(*clipboardCard, oldCategoryId);
    } else if (clipboardOp == kCopy && clipboardCard) {
        auto copy = std::make_unique<CCard>(NextId());
        copy->CopyFrom(*clipboardCard);
        copy->categoryId = categoryId;
        copy->description = LoadResString(kStrCopyOf) + clipboardCard->description;
        pasted = AddCard(std::move(copy)).id;
    }
    clipboardCard = nullptr;
    clipboardOp = op;
    SetModified(true);
    return pasted;
}

QString CWallet::TitleWithoutExtension() const {
    const qsizetype dot = m_title.lastIndexOf(u'.');
    return dot < 0 ? m_title : m_title.left(dot);
}

bool CWallet::RequestAccess(const QString& name) {
    return m_lock.RequestAccess(name.isEmpty() ? m_title : name, disableDesktopPassword != 0);
}

int CWallet::EditProperties() {
    WalletPropertiesEditor* editor = WalletPropertiesEditor::Get();
    if (!editor || !RequestAccess(QString()))
        return 0;
    WalletPropertiesEditor::Settings working{
        askPasswordOnOpen,     mustUnlockToEdit,     lockMinutes,      autoLock,        disableDesktopPassword,
        boldFieldNamesDefault, hidePasswordsDefault, defaultBackColor, defaultTextColor};
    if (!editor->EditProperties(*this, working))
        return 0;
    bool changed = false;
    SetIfChanged(askPasswordOnOpen, working.askPasswordOnOpen, changed);
    SetIfChanged(mustUnlockToEdit, working.mustUnlockToEdit, changed);
    SetIfChanged(lockMinutes, working.lockMinutes, changed);
    SetIfChanged(autoLock, working.autoLock, changed);
    SetIfChanged(disableDesktopPassword, working.disableDesktopPassword, changed);
    SetIfChanged(boldFieldNamesDefault, working.boldFieldNamesDefault, changed);
    SetIfChanged(hidePasswordsDefault, working.hidePasswordsDefault, changed);
    SetIfChanged(defaultBackColor, working.defaultBackColor, changed);
    SetIfChanged(defaultTextColor, working.defaultTextColor, changed);
    return changed ? 1 : 0;
}

bool CWallet::ContainsUnit(char16_t unit) {
    bool found = Password().contains(QChar(unit));
    auto look = [&found, unit](QStringView text) { found = found || text.contains(QChar(unit)); };
    for (CCard* card : cards) {
        card->VisitTexts(look);
        for (QStringView value : card->values)
            look(value);
    }
    for (CCardTemplate* cardTemplate : templates)
        cardTemplate->VisitTexts(look);
    for (CCategory* category : categories)
        category->VisitTexts(look);
    return found;
}
