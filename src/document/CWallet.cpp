// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWallet.h"

#include "document/CipherText.h"
#include "document/Utilities.h"
#include "model/CArchive.h"
#include "model/CArchiveException.h"
#include "resources/StringTable.h"

#include <QIODevice>

#include <utility>

namespace {
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

bool CWallet::Load(QIODevice& device, QString& error) {
    const qint32 methodBefore = CurrentCipherMethod();
    CWallet fresh{Detached{}};
    try {
        CArchive archive(device, CArchive::Mode::Load);
        fresh.Serialize(archive);
    } catch (const CArchiveException& e) {
        SetCurrentCipherMethod(methodBefore);
        error = e.Message();
        return false;
    } catch (const std::bad_alloc&) {
        SetCurrentCipherMethod(methodBefore);
        error = tr("There is not enough memory to read the wallet.");
        return false;
    }
    TakeContents(fresh);
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
