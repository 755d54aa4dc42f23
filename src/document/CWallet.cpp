// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWallet.h"

#include "base/CipherText.h"
#include "base/Clipboard.h"
#include "base/FieldCipher.h"
#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "document/WalletPropertiesEditor.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "model/RecordEditor.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <limits>
#include <utility>

// The program has one wallet document; the first one made serves the records and their attachments until it goes.
CWallet::CWallet(QObject* parent) : QObject(parent), m_walletFile(*this) {
    if (!WalletContext::Get()) {
        AttachmentStore::Install(this);
        WalletContext::Install(this);
    }
    m_title = LoadResString(kStrNewWallet);
    connect(&m_lock, &CWalletLock::lockStateShown, this, &CWallet::lockStateShown);
    connect(&m_lock, &CWalletLock::lockChanged, this, [this](bool locked) {
        // A value copied before the lock is no more the user's to paste than the card it came from.
        if (locked)
            ForgetClipboardSecret();
        Q_EMIT lockChanged(locked);
        Q_EMIT updated(kHintRefresh);
        if (locked)
            Q_EMIT updated(kHintReset);
    });
    connect(&m_lock, &CWalletLock::passwordChanged, this, [this] { SetModified(true); });
}

// A wallet that is only read into and never becomes the open one.
CWallet::CWallet(Detached) : m_walletFile(*this) {}

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

std::tuple<CCardList, CTemplateList, CCategoryList> CWallet::ReleaseRecords() {
    const BulkChange reset(*this);
    m_clipboardCard = nullptr;
    return {std::move(cards), std::move(templates), std::move(categories)};
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
    m_cipherMethod = 1;
    m_clipboardOp = 0;
    m_settings.lockMinutes = kDefaultLockMinutes;
    m_compactCounter = 0;
    m_nextId = 1;
    m_version = kCurrentVersion;
    m_settings.askPasswordOnOpen = 0;
    m_settings.mustUnlockToEdit = 0;
    m_settings.hidePasswordsDefault = 1;
    m_settings.boldFieldNamesDefault = 0;
    m_settings.autoLock = 1;
    m_settings.disableDesktopPassword = 0;
    m_settings.defaultBackColor = 0xFFFFFF;
    m_settings.defaultTextColor = 0x000000;
    m_clipboardCard = nullptr;
    m_unannounced.clear();
    cards.DeleteAll();
    templates.DeleteAll();
    categories.DeleteAll();
    m_walletFile.ForgetFile();
    SetModified(false);
    SetPathName(QString());
    SetTitle(LoadResString(kStrNewWallet));
    EndReset();
}

WalletContext::CardDefaults CWallet::NewCardDefaults() const {
    return {m_settings.hidePasswordsDefault, m_settings.boldFieldNamesDefault, m_settings.defaultBackColor,
            m_settings.defaultTextColor};
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
    if (m_nextId <= highest)
        m_nextId = highest < kLastNextId ? highest + 1 : std::numeric_limits<qint32>::max();
    if (m_nextId < 1 || m_nextId > kLastNextId)
        throw CArchiveException(tr("The wallet's record numbers are damaged."));
}

void CWallet::SerializeHeader(CArchive& archive) {
    archive.Item(m_version);
    archive.Item(m_cipherMethod);
    // The header names the method that the password and the lists after it are enciphered under.
    archive.SetCipherMethod(m_cipherMethod);
    QString password = m_lock.Password();
    CWalletItem::CipheredItem(archive, password);
    archive.Item(m_nextId);
    archive.Item(m_compactCounter);
    archive.Item(m_settings.askPasswordOnOpen);
    archive.Item(m_settings.mustUnlockToEdit);
    archive.Item(m_settings.disableDesktopPassword);
    archive.Item(m_settings.lockMinutes);
    archive.Item(m_settings.autoLock);
    archive.Item(m_settings.hidePasswordsDefault);
    archive.Item(m_settings.boldFieldNamesDefault);
    archive.Item(m_settings.defaultBackColor);
    archive.Item(m_settings.defaultTextColor);
    if (archive.IsLoading())
        m_lock.SetPassword(CipherText(std::move(password), false, archive.CipherMethod()));
}

std::unique_ptr<CWallet> CWallet::ReadFresh(QIODevice& device, QString& error) const {
    std::unique_ptr<CWallet> fresh(new CWallet(Detached{}));
    try {
        // The method given here is replaced by the one the header names before any text is deciphered.
        CArchive archive(device, CArchive::Mode::Load, fresh->m_cipherMethod);
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
        CArchive archive(device, CArchive::Mode::Store, m_cipherMethod);
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
    std::swap(m_cipherMethod, other.m_cipherMethod);
    std::swap(m_compactCounter, other.m_compactCounter);
    std::swap(m_nextId, other.m_nextId);
    std::swap(m_version, other.m_version);
    std::swap(m_settings, other.m_settings);
    std::swap(cards, other.cards);
    std::swap(templates, other.templates);
    std::swap(categories, other.categories);
    m_clipboardOp = 0;
    m_clipboardCard = nullptr;
    m_unannounced.clear();
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
    // A new wallet has no file yet whose other names could keep an old password.
    if (Prompts::AskYesNo(LoadResString(kStrOfferPassword), Prompts::Icon::Information))
        m_lock.ChangePassword();
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

// Reads the file into a fresh wallet that this one takes over only when all of it was read and it is compatible.
bool CWallet::OpenFile(const QString& path, const std::shared_ptr<const SealKey>& key) {
    const QString fileName = QFileInfo(path).fileName();
    std::unique_ptr<CWallet> fresh;
    const auto read = [&](QIODevice& device, QString& error) { return (fresh = ReadFresh(device, error)) != nullptr; };
    const auto take = [&] {
        if (!(fresh->m_version >= 1.0f)) {
            Prompts::Get().Message(FormatText(LoadResString(kStrIncompatibleFile), {fileName}), Prompts::Icon::Error,
                                   Prompts::Buttons::Ok, Prompts::Answer::Ok);
            return false;
        }
        TakeContents(*fresh);
        return true;
    };
    return m_walletFile.Open(path, read, take, key);
}

bool CWallet::ReadVersion(const QString& path, const std::shared_ptr<const SealKey>& key) {
    m_walletFile.SetStarted(true);
    if (!OpenFile(path, key))
        return false;
    SetPathName(path);
    SetTitle(QFileInfo(path).fileName());
    return true;
}

bool CWallet::Reload() {
    const bool wasLocked = IsLocked();
    const QString password = Password();
    if (!OpenFile(PathName(), SealingKey()))
        return false;
    SetLocked(wasLocked || Password() != password);
    SetModified(false);
    Q_EMIT updated(kHintRefresh);
    Q_EMIT fileSynced();
    return true;
}

bool CWallet::OnOpenDocument(const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    if (!OpenFile(path, nullptr))
        return false;
    SetPathName(path);
    SetTitle(fileName);
    Q_EMIT pathChanged(path);
    if (m_settings.askPasswordOnOpen) {
        if (!RequestAccess(fileName)) {
            m_quitting = true;
            Q_EMIT quitRequested(-1);
            return false;
        }
    } else if (!m_settings.disableDesktopPassword) {
        SetLocked(!Password().isEmpty());
    }
    SetModified(false);
    Q_EMIT updated(kHintRefresh);
    Q_EMIT lockTimerReset();
    Q_EMIT fileSynced();
    return true;
}

bool CWallet::OnSaveDocument(const QString& path) {
    const qint32 counterBefore = m_compactCounter;
    const qint32 methodBefore = m_cipherMethod;
    // Every save writes a whole new file, which holds no space of removed attachments: the save compacts.
    if (m_compactCounter >= kCompactAfterRemovals)
        m_compactCounter = 0;
    // Under the substitution method U+FFB8 becomes a zero unit that reads back as padding; such a wallet is written
    // under the block method, which keeps every character.
    if (m_cipherMethod == FieldCipher::SubstituteThenBlock && ContainsUnit(0xFFB8))
        m_cipherMethod = FieldCipher::BlockOnly;
    QString error;
    if (!m_walletFile.WriteFile(path, error)) {
        m_compactCounter = counterBefore;
        m_cipherMethod = methodBefore;
        Prompts::Warn(FormatText(LoadResString(kStrSaveFailed), {QDir::toNativeSeparators(path), error}));
        return false;
    }
    SetModified(false);
    AnnounceAttached();
    Q_EMIT fileSynced();
    return true;
}

// An attached file is in the wallet only once a save has written it with a card that names it; only then may the
// user let its original go. A stream that no card names any more was left out of the file and is not announced.
void CWallet::AnnounceAttached() {
    for (const CCard* card : cards) {
        for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
            if (slot->IsAttached() && m_unannounced.contains(slot->streamName))
                Prompts::Inform(FormatText(LoadResString(kStrAttached), {slot->description}));
        }
    }
    m_unannounced.clear();
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

bool CWallet::Compact(QString* error) {
    return m_walletFile.Compact(error);
}

int CWallet::CountAttachments() const {
    return m_walletFile.CountAttachments();
}

bool CWallet::ChangePassword() {
    return m_walletFile.ConfirmOtherNamesKeep(QStringLiteral("The new password"),
                                              QStringLiteral("with the old password")) &&
           m_lock.ChangePassword();
}

bool CWallet::SealFile(const QString& passphrase, quint32 operations, quint32 memoryKiB, QString& error) {
    return m_walletFile.SealFile(passphrase, operations, memoryKiB, error);
}

bool CWallet::UnsealFile(QString& error) {
    return m_walletFile.UnsealFile(error);
}

bool CWallet::ReadyForAttachments() {
    if (!PathName().isEmpty() && QFileInfo::exists(PathName()))
        return true;
    return Prompts::AskYesNo(LoadResString(kStrSaveBeforeAttaching), Prompts::Icon::Exclamation) && OnFileSave() &&
           QFileInfo::exists(PathName());
}

QString CWallet::ChooseFile(qint32 filterId) {
    return Prompts::Get().OpenFileName(LoadResString(filterId), QString());
}

QString CWallet::AddStream(QIODevice& source, QString& error) {
    return m_walletFile.AddStream(source, error);
}

std::unique_ptr<QIODevice> CWallet::OpenStream(const QString& streamName, QString& error) {
    return m_walletFile.OpenStream(streamName, error);
}

void CWallet::Attached(const QString& streamName) {
    m_unannounced.insert(streamName);
}

CCardTemplate* CWallet::SelectTemplate(const QString& preselected, bool showCreateLink) const {
    RecordEditor* editor = RecordEditor::Get();
    const QString chosen = editor ? editor->SelectTemplate(preselected, showCreateLink) : QString();
    return chosen.isEmpty() ? nullptr : templates.FindByInternalName(chosen);
}

void CWallet::StreamRemoved() {
    ++m_compactCounter;
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
    if (m_clipboardCard == card)
        m_clipboardCard = nullptr;
    const qint32 id = card->id;
    if (!Quiet())
        Q_EMIT cardAboutToBeRemoved(*card);
    cards.RemoveById(id);
    if (!Quiet())
        Q_EMIT cardRemoved(id);
}

bool CWallet::MayChangeCards() {
    return !m_settings.mustUnlockToEdit || RequestAccess(QString());
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
        m_clipboardCard = card;
        if (card)
            CopySecretToClipboard(card->GetText(false));
        m_clipboardOp = op;
        return 0;
    }
    if (op != kPaste) {
        m_clipboardOp = op;
        return 0;
    }
    qint32 pasted = 0;
    if (m_clipboardOp == kCut && m_clipboardCard) {
        // A cut card pasted into its own category stays cut.
        if (m_clipboardCard->categoryId == categoryId)
            return 0;
        const qint32 oldCategoryId = m_clipboardCard->categoryId;
        m_clipboardCard->categoryId = categoryId;
        pasted = m_clipboardCard->id;
        Q_EMIT cardChanged(*m_clipboardCard, oldCategoryId);
    } else if (m_clipboardOp == kCopy && m_clipboardCard) {
        auto copy = std::make_unique<CCard>(NextId());
        copy->CopyFrom(*m_clipboardCard);
        copy->categoryId = categoryId;
        copy->description = LoadResString(kStrCopyOf) + m_clipboardCard->description;
        pasted = AddCard(std::move(copy)).id;
    }
    m_clipboardCard = nullptr;
    m_clipboardOp = op;
    SetModified(true);
    return pasted;
}

QString CWallet::TitleWithoutExtension() const {
    const qsizetype dot = m_title.lastIndexOf(u'.');
    return dot < 0 ? m_title : m_title.left(dot);
}

bool CWallet::RequestAccess(const QString& name) {
    return m_lock.RequestAccess(name.isEmpty() ? m_title : name, m_settings.disableDesktopPassword != 0);
}

int CWallet::EditProperties() {
    WalletPropertiesEditor* editor = WalletPropertiesEditor::Get();
    if (!editor || !RequestAccess(QString()))
        return 0;
    Settings working = m_settings;
    if (!editor->EditProperties(*this, working))
        return 0;
    return SetSettings(working) ? 1 : 0;
}

bool CWallet::SetSettings(const Settings& settings) {
    bool changed = false;
    SetIfChanged(m_settings.askPasswordOnOpen, settings.askPasswordOnOpen, changed);
    SetIfChanged(m_settings.mustUnlockToEdit, settings.mustUnlockToEdit, changed);
    SetIfChanged(m_settings.lockMinutes, settings.lockMinutes, changed);
    SetIfChanged(m_settings.autoLock, settings.autoLock, changed);
    bool guardChanged = false;
    SetIfChanged(m_settings.disableDesktopPassword, settings.disableDesktopPassword, guardChanged);
    changed = changed || guardChanged;
    SetIfChanged(m_settings.boldFieldNamesDefault, settings.boldFieldNamesDefault, changed);
    SetIfChanged(m_settings.hidePasswordsDefault, settings.hidePasswordsDefault, changed);
    SetIfChanged(m_settings.defaultBackColor, settings.defaultBackColor, changed);
    SetIfChanged(m_settings.defaultTextColor, settings.defaultTextColor, changed);
    if (changed)
        SetModified(true);
    // Protected categories show or hide their cards with the desktop's password check.
    if (guardChanged)
        Q_EMIT updated(kHintRefresh);
    return changed;
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
