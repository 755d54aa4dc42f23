// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWallet.h"

#include "document/CipherText.h"
#include "document/Clipboard.h"
#include "document/CompoundFile.h"
#include "document/FieldCipher.h"
#include "document/Prompts.h"
#include "document/ResourceLibrary.h"
#include "document/Utilities.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <limits>
#include <utility>

namespace {
const QString kDocumentStorage = QStringLiteral("D");
const QString kDocumentStream = QStringLiteral("W");
const QString kAttachmentStorage = QStringLiteral("F");

CWallet*& ActiveWallet() {
    static CWallet* active = nullptr;
    return active;
}
} // namespace

CWallet* GetActiveWallet() {
    return ActiveWallet();
}

// The program has one wallet document; the first one made is the open wallet until it goes.
CWallet::CWallet(QObject* parent) : QObject(parent) {
    if (!ActiveWallet())
        ActiveWallet() = this;
    m_title = LoadResString(kStrNewWallet);
}

// A wallet that is only read into and never becomes the open one.
CWallet::CWallet(Detached) {}

CWallet::~CWallet() {
    if (ActiveWallet() == this)
        ActiveWallet() = nullptr;
}

void CWallet::DeleteContents() {
    password.clear();
    cipherMethod = 1;
    clipboardOp = 0;
    lockMinutes = kDefaultLockMinutes;
    compactCounter = 0;
    nextId = 1;
    version = kCurrentVersion;
    askPasswordOnOpen = 0;
    mustUnlockToEdit = 0;
    locked = 1;
    hidePasswordsDefault = 1;
    boldFieldNamesDefault = 0;
    autoLock = 1;
    disableDesktopPassword = 0;
    defaultBackColor = 0xFFFFFF;
    defaultTextColor = 0x000000;
    SetCurrentCipherMethod(1);
    clipboardCard = nullptr;
    cards.DeleteAll();
    templates.DeleteAll();
    categories.DeleteAll();
    SetModified(false);
    SetPathName(QString());
    SetTitle(LoadResString(kStrNewWallet));
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
        nextId = highest + 1;
    if (nextId < 1 || nextId > kLastNextId)
        throw CArchiveException(tr("The wallet's record numbers are damaged."));
}

void CWallet::SerializeHeader(CArchive& archive) {
    archive.Item(version);
    archive.Item(cipherMethod);
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
    // The password was written under the method in force; the lists that follow use the wallet's own.
    SetCurrentCipherMethod(cipherMethod);
    if (archive.IsLoading())
        password = CipherText(std::move(password), false);
}

std::unique_ptr<CWallet> CWallet::ReadFresh(QIODevice& device, QString& error) const {
    const qint32 methodBefore = CurrentCipherMethod();
    std::unique_ptr<CWallet> fresh(new CWallet(Detached{}));
    try {
        CArchive archive(device, CArchive::Mode::Load);
        fresh->Serialize(archive);
        return fresh;
    } catch (const CArchiveException& e) {
        error = e.Message();
    } catch (const std::bad_alloc&) {
        error = tr("There is not enough memory to read the wallet.");
    }
    SetCurrentCipherMethod(methodBefore);
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
        CArchive archive(device, CArchive::Mode::Store);
        Serialize(archive);
        archive.Flush();
    } catch (const CArchiveException& e) {
        error = e.Message();
        return false;
    }
    return true;
}

void CWallet::TakeContents(CWallet& other) {
    std::swap(password, other.password);
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
    locked = 1;
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
    CompoundFile file;
    if (!file.Open(path))
        return OpenFailed(file.ErrorString());
    file.OpenStorage(kDocumentStorage);
    std::unique_ptr<QIODevice> stream = file.OpenStream(kDocumentStream);
    if (!stream)
        return OpenFailed(file.ErrorString());
    const qint32 methodBefore = CurrentCipherMethod();
    QString error;
    std::unique_ptr<CWallet> fresh = ReadFresh(*stream, error);
    stream.reset();
    file.Close();
    if (!fresh)
        return OpenFailed(error);

    const QString fileName = QFileInfo(path).fileName();
    if (!(fresh->version >= 1.0f)) {
        SetCurrentCipherMethod(methodBefore);
        Prompts::Get().Message(FormatText(LoadResString(kStrIncompatibleFile), {fileName}), Prompts::Icon::Error,
                               Prompts::Buttons::Ok, Prompts::Answer::Ok);
        return false;
    }
    TakeContents(*fresh);
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
        SetLocked(!password.isEmpty());
    }
    SetModified(false);
    Q_EMIT updated(kHintRefresh);
    Q_EMIT lockTimerReset();
    return true;
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
    if (cipherMethod == FieldCipher::SubstituteThenBlock && ContainsUnit(0xFFB8)) {
        cipherMethod = FieldCipher::BlockOnly;
        SetCurrentCipherMethod(cipherMethod);
    }
    QString error;
    if (!WriteFile(path, error)) {
        compactCounter = counterBefore;
        cipherMethod = methodBefore;
        SetCurrentCipherMethod(methodBefore);
        Prompts::Warn(FormatText(LoadResString(kStrSaveFailed), {QDir::toNativeSeparators(path), error}));
        return false;
    }
    SetModified(false);
    return true;
}

// The wallet's own file is changed in place (its attachments stay). Another path gets a copy of the wallet's current
// file, so saving under a new name keeps the attachments; a wallet file already there is emptied first, under its
// lock, so a wallet that another program has open is never replaced behind its back.
bool CWallet::WriteFile(const QString& path, QString& error) {
    const bool exists = QFileInfo::exists(path);
    const bool inPlace = exists && !PathName().isEmpty() && QFileInfo(path) == QFileInfo(PathName());
    CompoundFile file;
    bool ok = exists ? file.Open(path) : file.Create(path);
    if (ok && !inPlace)
        ok = Empty(file) && FillNewFile(file, error);
    ok = ok && file.OpenStorage(kDocumentStorage);
    if (ok && file.ElementNames().contains(kDocumentStream))
        ok = file.DestroyElement(kDocumentStream);
    std::unique_ptr<QIODevice> stream = ok ? file.CreateStream(kDocumentStream) : nullptr;
    ok = stream && Store(*stream, error);
    stream.reset();
    if (ok && file.Commit())
        return true;
    if (error.isEmpty())
        error = file.ErrorString();
    return false;
}

bool CWallet::Empty(CompoundFile& file) {
    const QStringList names = file.ElementNames();
    return std::all_of(names.begin(), names.end(), [&](const QString& name) { return file.DestroyElement(name); });
}

// A new file gets the storages of a wallet file, or all of the wallet's current file when it has one.
bool CWallet::FillNewFile(CompoundFile& file, QString& error) const {
    if (PathName().isEmpty() || !QFileInfo::exists(PathName()))
        return file.CreateStorage(kDocumentStorage, false) && file.CreateStorage(kAttachmentStorage, false);
    CompoundFile current;
    if (current.Open(PathName()) && current.CopyTo(file))
        return true;
    error = current.ErrorString();
    return false;
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
    CompoundFile file;
    if (file.Open(PathName()) && file.Commit())
        return true;
    if (error)
        *error = file.ErrorString();
    return false;
}

int CWallet::CountAttachments() const {
    CompoundFile file;
    if (!file.Open(PathName()) || !file.OpenStorage(kAttachmentStorage))
        return 0;
    return int(file.ElementNames().size());
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
    categories.RemoveById(categoryId);
    SetModified(true);
    return true;
}

void CWallet::DropCard(CCard* card) {
    if (clipboardCard == card)
        clipboardCard = nullptr;
    cards.RemoveById(card->id);
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
        clipboardCard->categoryId = categoryId;
        pasted = clipboardCard->id;
    } else if (clipboardOp == kCopy && clipboardCard) {
        auto copy = std::make_unique<CCard>(NextId());
        copy->CopyFrom(*clipboardCard);
        copy->categoryId = categoryId;
        copy->description = LoadResString(kStrCopyOf) + clipboardCard->description;
        const qint32 copyId = copy->id;
        if (cards.InsertInIdOrder(copy))
            pasted = copyId;
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
    if (disableDesktopPassword)
        return true;
    if (!password.isEmpty() && locked) {
        SetLocked(true);
        QString expected = password;
        const QString message = FormatText(LoadResString(kStrUnlockPrompt), {name.isEmpty() ? m_title : name});
        if (!Prompts::Get().PromptPassword(expected, message))
            return false;
    }
    if (locked)
        SetLocked(false);
    return true;
}

void CWallet::SetLocked(bool lock) {
    Q_EMIT lockStateShown(lock);
    if ((locked != 0) == lock)
        return;
    locked = lock ? 1 : 0;
    Q_EMIT updated(kHintRefresh);
    if (lock)
        Q_EMIT updated(kHintReset);
}

bool CWallet::ChangePassword() {
    for (;;) {
        QString first;
        if (!Prompts::Get().PromptPassword(first, LoadResString(kStrNewPasswordPrompt)))
            return false;
        Prompts::Inform(LoadResString(kStrVerifyPassword));
        QString second;
        if (!Prompts::Get().PromptPassword(second, LoadResString(kStrVerifyPassword)))
            return false;
        if (first != second) {
            if (Prompts::AskYesNo(LoadResString(kStrPasswordMismatch), Prompts::Icon::Exclamation))
                continue;
            return false;
        }
        if (first == password)
            return false;
        password = first;
        SetModified(true);
        Prompts::Inform(LoadResString(kStrPasswordChanged));
        SetLocked(false);
        return true;
    }
}

bool CWallet::ContainsUnit(char16_t unit) {
    bool found = password.contains(QChar(unit));
    auto look = [&found, unit](const QString& text) { found = found || text.contains(QChar(unit)); };
    for (CCard* card : cards)
        card->VisitTexts(look);
    for (CCardTemplate* cardTemplate : templates)
        cardTemplate->VisitTexts(look);
    for (CCategory* category : categories)
        category->VisitTexts(look);
    return found;
}
