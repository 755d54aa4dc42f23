// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/CWalletFile.h"
#include "document/CWalletLock.h"
#include "document/WalletPropertiesEditor.h"
#include "model/AttachmentStore.h"
#include "model/CCardList.h"
#include "model/CCategoryList.h"
#include "model/CTemplateList.h"
#include "model/WalletContext.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <tuple>

class CArchive;
class QIODevice;
class SealKey;

// The wallet document: every record of the open wallet, its security settings and the defaults for new cards, with
// its lock (CWalletLock) and its file (CWalletFile). There is one for the life of the program, reused for every
// wallet opened or made.
class CWallet : public QObject, public AttachmentStore, public WalletContext {
    Q_OBJECT

public:
    // Values of a wallet after emptying; a new wallet starts from them.
    static constexpr float kCurrentVersion = 1.7f;
    static constexpr qint32 kDefaultLockMinutes = 15;
    // Hints of updated(): a plain refresh, and "a new wallet is set up or the wallet was locked".
    static constexpr int kHintRefresh = 0;
    static constexpr int kHintReset = 3024;
    // Card clipboard operations.
    static constexpr qint32 kCut = 3;
    static constexpr qint32 kCopy = 4;
    static constexpr qint32 kPaste = 5;
    // Attachment removals after which the next save compacts the file.
    static constexpr qint32 kCompactAfterRemovals = 5;

    using FileHold = CWalletFile::FileHold;

    explicit CWallet(QObject* parent = nullptr);
    ~CWallet() override;

    // Takes effect with the next wallet opened or saved.
    void SetFileHold(FileHold hold) { m_walletFile.SetHold(hold); }
    // How a sealed file asking for unusually costly key derivation is met; the user is asked unless set otherwise.
    void SetCostTrust(CWalletFile::CostTrust trust) { m_walletFile.SetCostTrust(trust); }

    // The next record id; every card, template and category takes its id from here.
    qint32 NextId() { return m_nextId++; }

    // Empties the wallet and gives every member its value after emptying.
    void DeleteContents();

    // Writes or reads the document archive: the header, then the card, template and category lists.
    void Serialize(CArchive& archive);
    // Reads a whole document archive into a fresh wallet and takes it over only when all of it was read, so a
    // damaged stream leaves this wallet exactly as it was. On failure `error` says why.
    bool Load(QIODevice& device, QString& error);
    // Writes the document archive; on failure `error` says why.
    bool Store(QIODevice& device, QString& error);

    // Makes a new wallet with the built-in templates and categories and offers to set a password.
    bool OnNewDocument();
    // The built-in templates of the resource library, then the two default categories.
    bool LoadDefaults();
    // Reads a wallet file. On any failure the user is told why and this wallet stays exactly as it was.
    bool OnOpenDocument(const QString& path);
    // Reads the wallet file at `path` into this wallet as a version to merge with another: nothing is asked but the
    // passphrase of a sealed file that `key` does not open, and the lock is not opened. A failure is reported.
    bool ReadVersion(const QString& path, const std::shared_ptr<const SealKey>& key = nullptr);
    // Reads the wallet's own file again after another program changed it, a sealed one with the key it is open
    // with: the lock state stays, unless the password changed. A failure is reported and the wallet stays as it was.
    bool Reload();
    // Whether another program changed the wallet's file since this wallet last read or wrote it; false when the
    // wallet has no file or the file is gone.
    bool FileChangedElsewhere() const { return m_walletFile.ChangedElsewhere(PathName()); }
    // After `version` (ReadVersion of this wallet's own file) was merged into this wallet: the file as that version
    // read it becomes this wallet's, so that the next save replaces it. Attachments of this wallet that the new file
    // lacks come from `previous`, the replaced file still open under that name.
    void AdoptFile(CWallet& version, const QString& previous) { m_walletFile.Adopt(version.m_walletFile, previous); }
    // Writes the wallet file as a whole new file that replaces the old one only when complete; a failure is reported
    // and leaves the file on disk and this wallet as they were.
    bool OnSaveDocument(const QString& path);
    // Whether the last save was refused because another program had changed the file since it was read.
    bool LastSaveConflicted() const { return m_walletFile.LastSaveConflicted(); }
    // The Save and Save As commands: save to the wallet's path, asking for one when it has none (or always).
    bool OnFileSave();
    bool OnFileSaveAs();
    // Before the wallet is closed or replaced: saves changes (asking first for a wallet never saved). False when the
    // program must not go on.
    bool SaveModified();
    void OnCloseDocument();
    // Rewrites the wallet file as it is on disk. Every save already leaves no unused space; this remains for files
    // written otherwise.
    bool Compact(QString* error = nullptr);
    // Attachment streams in the saved file, not in memory.
    int CountAttachments() const;

    // Sealing: the whole file encrypted under a key derived from a passphrase. A sealed wallet opens only with its
    // passphrase and is saved sealed until it is unsealed.
    bool IsSealed() const { return m_walletFile.IsSealed(); }
    const std::shared_ptr<const SealKey>& SealingKey() const { return m_walletFile.SealingKey(); }
    // Seals the wallet's file (which must have a path) under `passphrase`, with a new salt and the given derivation
    // costs; on a sealed wallet this changes the passphrase. A passphrase too easy to guess is refused. The file is
    // written at once; on failure it stays as it was, `error` says why.
    bool SealFile(const QString& passphrase, quint32 operations, quint32 memoryKiB, QString& error);
    // Writes the wallet's file as an ordinary wallet file again.
    bool UnsealFile(QString& error);
    // The question every front end asks before unsealing the file `fileName`.
    static QString UnsealQuestion(const QString& fileName) { return CWalletFile::UnsealQuestion(fileName); }

    // Every change to the records goes through the operations below: the document applies the access rule, marks
    // itself modified and announces the change (the signals below), so views update their rows and never keep a
    // record it frees.

    // The rule before a card is made or changed: true when the wallet need not be unlocked for it, or was unlocked.
    bool MayChangeCards();
    // A new card of `categoryId` that the user fills in through its sheet; null when refused or cancelled.
    CCard* NewCard(qint32 categoryId);
    // A new category that the user fills in; null when cancelled.
    CCategory* NewCategory();
    // The card's or category's sheet; true when the user changed something.
    bool EditCard(CCard& card);
    bool EditCategory(CCategory& category);
    // Takes a record made elsewhere (an import, a command) into the wallet. The caller has applied the access rule.
    CCard& AddCard(std::unique_ptr<CCard> card);
    CCategory& AddCategory(std::unique_ptr<CCategory> category);
    CCardTemplate& AddTemplate(std::unique_ptr<CCardTemplate> cardTemplate);
    // Changes a record in place through `change`, which says whether it changed anything; a change is announced.
    // The caller has applied the access rule.
    bool ChangeCard(CCard& card, const std::function<bool(CCard&)>& change);
    bool ChangeTemplate(CCardTemplate& cardTemplate, const std::function<bool(CCardTemplate&)>& change);
    // Deleting asks first; a category goes with its cards. A template is removed without asking.
    bool DeleteCard(qint32 cardId);
    bool DeleteCategory(qint32 categoryId);
    bool RemoveTemplate(qint32 templateId);
    // Cut, copy or paste a card; a paste gives the id of the pasted card, otherwise 0.
    qint32 CardClipboard(qint32 op, CCard* card, qint32 categoryId);
    // The card last cut or copied, if it is still in the wallet.
    const CCard* ClipboardCard() const { return m_clipboardCard; }

    // Many records added at once (an import): the views hear of one reset at the end instead of each record.
    class BulkChange {
    public:
        explicit BulkChange(CWallet& wallet);
        ~BulkChange();
        BulkChange(const BulkChange&) = delete;
        BulkChange& operator=(const BulkChange&) = delete;

    private:
        CWallet& m_wallet;
    };
    // The template the user picks, `preselected` (an internal name) first; none when cancelled.
    CCardTemplate* SelectTemplate(const QString& preselected, bool showCreateLink) const override;
    // The title up to its last ".".
    QString TitleWithoutExtension() const;

    // The gate before anything protected: true when the caller may go on. An empty name means the wallet's title.
    bool RequestAccess(const QString& name) override;
    // The one way the lock state changes.
    void SetLocked(bool lock) { m_lock.SetLocked(lock); }
    // Asks for a new password twice; true when the password changed. A wallet file with other names (hard links) is
    // changed under its own name only, and the user is asked first.
    bool ChangePassword();
    const QString& Password() const { return m_lock.Password(); }
    // Sets the password without asking (a new wallet from the command line); the lock state stays.
    void SetPassword(const QString& password) { m_lock.SetPassword(password); }
    bool IsLocked() const { return m_lock.IsLocked(); }
    // Locked with the desktop's password check on: protected categories keep their cards out of sight until access
    // is granted. With the check off the lock state stays as it was, but nothing is kept from the user.
    bool IsGuarded() const { return IsLocked() && !m_settings.disableDesktopPassword; }
    // Lets the user edit the wallet's settings in its properties window; 1 when a setting changed, 0 when none did
    // or the user cancelled.
    int EditProperties();

    // Set by the program once it has started: until then a wallet that cannot be opened is passed over silently.
    void SetStarted(bool started) { m_walletFile.SetStarted(started); }
    // The program is ending (its resource library is missing or a wallet's password was refused on opening).
    bool IsQuitting() const { return m_quitting; }
    void SetQuitting(bool quitting) { m_quitting = quitting; }

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);
    const QString& PathName() const { return m_pathName; }
    void SetPathName(const QString& path);

    // The wallet's own settings, as its properties window edits them.
    using Settings = WalletPropertiesEditor::Settings;
    const Settings& GetSettings() const { return m_settings; }
    // Takes `settings` over; true, and the wallet modified, when one of them changed.
    bool SetSettings(const Settings& settings);
    // The rest of the header. The command line and tests set it as it is; nothing here marks the wallet modified.
    qint32 CipherMethod() const { return m_cipherMethod; }
    void SetCipherMethod(qint32 method) { m_cipherMethod = method; }
    float Version() const { return m_version; }
    void SetVersion(float version) { m_version = version; }
    // The id NextId hands out next, without taking it.
    qint32 PeekNextId() const { return m_nextId; }
    void SetNextId(qint32 nextId) { m_nextId = nextId; }
    qint32 CompactCounter() const { return m_compactCounter; }
    void SetCompactCounter(qint32 counter) { m_compactCounter = counter; }
    // The last card clipboard operation.
    qint32 ClipboardOp() const { return m_clipboardOp; }

    // Hands every record over, announced as a reset: korvel-cli ends right after and leaves them unfreed.
    std::tuple<CCardList, CTemplateList, CCategoryList> ReleaseRecords();

    // The records reach the wallet through here.
    const CCardList& Cards() const override { return cards; }
    const CTemplateList& Templates() const override { return templates; }
    const CCategoryList& Categories() const override { return categories; }
    CardDefaults NewCardDefaults() const override;

    // Attachments reach the wallet's file through here.
    bool ReadyForAttachments() override;
    QString ChooseFile(qint32 filterId) override;
    QString AddStream(QIODevice& source, QString& error) override;
    void Attached(const QString& streamName) override;
    std::unique_ptr<QIODevice> OpenStream(const QString& streamName, QString& error) override;
    void StreamRemoved() override;

Q_SIGNALS:
    // The records change. A record's signals carry the record itself while it is in the wallet: after it was added
    // or changed, before it is removed. A card that moved to another category names the one it left.
    void cardAdded(const CCard& card);
    void cardChanged(const CCard& card, qint32 oldCategoryId);
    void cardAboutToBeRemoved(const CCard& card);
    void cardRemoved(qint32 cardId);
    void categoryAdded(const CCategory& category);
    void categoryChanged(const CCategory& category);
    void categoryAboutToBeRemoved(const CCategory& category);
    void categoryRemoved(qint32 categoryId);
    void templateAdded(const CCardTemplate& cardTemplate);
    void templateChanged(const CCardTemplate& cardTemplate);
    void templateAboutToBeRemoved(const CCardTemplate& cardTemplate);
    void templateRemoved(qint32 templateId);
    // Every record may go (New, Open, Close, reading the file again, an import): views let go of all they hold
    // before, and read the wallet again after.
    void aboutToReset();
    void wasReset();
    // A refresh of what the views show without a change of records (hint kHintRefresh), or after a lock or a new
    // wallet (kHintReset).
    void updated(int hint);
    void modifiedChanged(bool modified);
    void titleChanged(const QString& title);
    // The path under which the wallet was last opened or saved changed (for the recent-file list).
    void pathChanged(const QString& path);
    // The wallet and its file hold the same: it was just read or written.
    void fileSynced();
    // Shown on every SetLocked call, also when the state stays.
    void lockStateShown(bool locked);
    // The lock state changed; views are refreshed after this.
    void lockChanged(bool locked);
    // The automatic lock's period starts again.
    void lockTimerReset();
    // The program must end with this exit code.
    void quitRequested(int exitCode);

private:
    // A merge hands its result over as one change of the lists.
    friend class CWalletMerge;

    struct Detached {};
    CWallet(Detached);
    void SerializeHeader(CArchive& archive);
    void CheckNextId();
    void TakeContents(CWallet& other);
    std::unique_ptr<CWallet> ReadFresh(QIODevice& device, QString& error) const;
    bool OpenFile(const QString& path, const std::shared_ptr<const SealKey>& key);
    bool SaveWithDialog();
    bool ContainsUnit(char16_t unit);
    void DropCard(CCard* card);
    template <class Record, class List>
    Record& Insert(List& list, std::unique_ptr<Record> record, void (CWallet::*added)(const Record&));
    void BeginReset();
    void EndReset();
    void AnnounceAttached();
    // Whether record signals are held back for one reset at the end of a bulk change.
    bool Quiet() const { return m_bulk > 0; }

    // The header; all but m_clipboardOp and m_clipboardCard is saved, and the password of the lock with it.
    qint32 m_cipherMethod = 1;
    qint32 m_clipboardOp = 0;
    qint32 m_compactCounter = 0;
    qint32 m_nextId = 1;
    float m_version = kCurrentVersion;
    Settings m_settings{0, 0, kDefaultLockMinutes, 1, 0, 0, 1, 0xFFFFFF, 0x000000};
    // The card last cut or copied; not owned.
    CCard* m_clipboardCard = nullptr;

    CWalletLock m_lock;
    CCardList cards;
    CTemplateList templates;
    CCategoryList categories;
    int m_bulk = 0;
    bool m_quitting = false;

    // Streams the user attached that no save has written yet.
    QSet<QString> m_unannounced;

    bool m_modified = false;
    QString m_title;
    QString m_pathName;

    CWalletFile m_walletFile;
};
