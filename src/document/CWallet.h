// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CCardList.h"
#include "model/CCategoryList.h"
#include "model/CTemplateList.h"

#include <QObject>
#include <QString>

class CArchive;
class QIODevice;

// The wallet document: every record of the open wallet, its password and lock state, its security settings and the
// defaults for new cards. There is one for the life of the program, reused for every wallet opened or made.
class CWallet : public QObject {
    Q_OBJECT

public:
    // Values of a wallet after emptying; a new wallet starts from them.
    static constexpr float kCurrentVersion = 1.7f;
    static constexpr qint32 kDefaultLockMinutes = 15;
    // Hints of updated(): a plain refresh, and "a new wallet is set up or the wallet was locked".
    static constexpr int kHintRefresh = 0;
    static constexpr int kHintReset = 3024;

    explicit CWallet(QObject* parent = nullptr);
    ~CWallet() override;

    // The next record id; every card, template and category takes its id from here.
    qint32 NextId() { return nextId++; }

    // Empties the wallet and gives every member its value after emptying.
    void DeleteContents();

    // Writes or reads the document archive: the header, then the card, template and category lists.
    void Serialize(CArchive& archive);
    // Reads a whole document archive into a fresh wallet and takes it over only when all of it was read, so a
    // damaged stream leaves this wallet exactly as it was. On failure `error` says why.
    bool Load(QIODevice& device, QString& error);
    // Writes the document archive; on failure `error` says why.
    bool Store(QIODevice& device, QString& error);

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);
    const QString& PathName() const { return m_pathName; }
    void SetPathName(const QString& path);

    // The header; all but clipboardOp, locked and clipboardCard is saved.
    QString password;
    qint32 cipherMethod = 1;
    qint32 clipboardOp = 0;
    qint32 lockMinutes = kDefaultLockMinutes;
    qint32 compactCounter = 0;
    qint32 nextId = 1;
    float version = kCurrentVersion;
    qint32 askPasswordOnOpen = 0;
    qint32 mustUnlockToEdit = 0;
    qint32 locked = 1;
    qint32 hidePasswordsDefault = 1;
    qint32 boldFieldNamesDefault = 0;
    qint32 autoLock = 1;
    qint32 disableDesktopPassword = 0;
    quint32 defaultBackColor = 0xFFFFFF;
    quint32 defaultTextColor = 0x000000;
    CCardList cards;
    CTemplateList templates;
    CCategoryList categories;
    // The card last cut or copied; not owned.
    CCard* clipboardCard = nullptr;

Q_SIGNALS:
    void updated(int hint);
    void modifiedChanged(bool modified);
    void titleChanged(const QString& title);

private:
    struct Detached {};
    CWallet(Detached);
    void SerializeHeader(CArchive& archive);
    void TakeContents(CWallet& other);

    bool m_modified = false;
    QString m_title;
    QString m_pathName;
};

// The open wallet, or none while the program has none.
CWallet* GetActiveWallet();
