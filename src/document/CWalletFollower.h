// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class CWallet;
class SecureMemoryDevice;

// Lets the open wallet follow its file when another program changes it: a synchronisation engine bringing another
// device's version, a korvel-cli command. The watcher also sees the file replaced by a rename, as those programs and
// this one's own saves do it; a change is followed only once the file holds something else than what the wallet last
// read or wrote, so the program's own saves never count. A wallet without unsaved changes reads the file again; one
// with unsaved changes merges the file in, against the wallet as it was last read or written, kept here in locked
// memory for that. A sealed wallet is read again with the key it is open with.
class CWalletFollower : public QObject {
    Q_OBJECT

public:
    explicit CWalletFollower(CWallet& wallet, QObject* parent = nullptr);
    ~CWalletFollower() override;

    enum class Result { Unchanged, Reloaded, Merged, Failed };
    // Reads or merges the file if another program changed it. A merge's report has been shown to the user.
    Result Follow();

    // Another wallet file merged into the open wallet with no common version known, so every record that differs is
    // kept; the report is shown. False when nothing was merged (the user has been told why).
    bool MergeFile(const QString& path);

    // Copies of the wallet that synchronisation engines left beside it when both sides changed it at once:
    // "NAME.sync-conflict-DATE-TIME-DEVICE.kvx", "NAME (conflicted copy ...).kvx", "NAME (... conflicted copy
    // ...).kvx".
    static QStringList ConflictCopies(const QString& walletPath);
    // Offers to merge the conflict copies beside the open wallet in, and after the merged wallet is saved, removes
    // them. False when there were none or the user declined.
    bool OfferConflictCopies();

Q_SIGNALS:
    // The file changed on disk; the window calls Follow() when no dialog holds a record of the wallet.
    void fileChanged();
    // What was done, for the status bar.
    void followed(const QString& message);

private:
    void Watch();
    void OnPathChanged();
    QString Signature() const;
    void KeepBase();
    void HoldFile();
    QString HeldPath() const;
    std::unique_ptr<CWallet> Base() const;
    Result MergeOwnFile();
    bool MergeVersion(CWallet& version, const CWallet* base, const QString& name);

    CWallet& m_wallet;
    QFileSystemWatcher m_watcher;
    // Changes come in bursts (a write, a rename, the folder's entry): they are followed once they settle.
    QTimer m_settle;
    QString m_watched;
    // The wallet's document as last read or written.
    std::unique_ptr<SecureMemoryDevice> m_base;
    // The file as the wallet last read or wrote it, held open: once another file is renamed over it, it still holds
    // the attachments of the cards that have unsaved changes.
    QFile m_held;
    // A file that could not be read or merged is not tried again until it changes once more.
    QString m_failed;
};
