// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WalletFileStamp.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CAttachment;
class CCard;
class CWallet;
class CompoundFile;
class DetachedStream;
class QByteArray;
class QIODevice;
class SealKey;
class SealedHeader;

// The wallet's file: reading and writing it, holding it, its attachment streams and its seal. It reaches the wallet
// only through its public side: the path, the document stream, the cards that name attachments, and the save.
//
// Every change reaches the wallet's file with a save, and each save is one commit: the document stream and exactly
// the attachment streams that the saved cards name, written as a new file that replaces the old one whole. A save
// never overwrites what another program changed in the file since this wallet read it.
class CWalletFile {
public:
    // How the wallet's file is held between operations. The desktop program holds it only while it reads or writes
    // it; a command-line run holds it from reading to its last save: shared when it only reads, exclusive when it
    // changes the wallet, so nobody changes the file under it.
    enum class FileHold { None, Shared, Exclusive };

    // What happens to a sealed file whose key derivation asks for more than sealing ever chooses: the user is asked
    // (the desktop program), or the front end settled it beforehand (korvel-cli's --trust-costs).
    enum class CostTrust { Ask, Trust, Refuse };

    explicit CWalletFile(CWallet& wallet);
    ~CWalletFile();
    CWalletFile(const CWalletFile&) = delete;
    CWalletFile& operator=(const CWalletFile&) = delete;

    // Takes effect with the next wallet opened or saved.
    void SetHold(FileHold hold) { m_hold = hold; }
    void SetCostTrust(CostTrust trust) { m_costTrust = trust; }
    // Until the program has started, a wallet that cannot be opened is passed over silently.
    void SetStarted(bool started) { m_started = started; }

    // Opens the file at `path` (asking for its passphrase when it is sealed and `known` is not its key) and gives
    // its document stream to `read`; once that succeeded, `take` decides whether the wallet takes over what was
    // read, and only then does the file become the wallet's. A failure to open or read is reported.
    bool Open(const QString& path, const std::function<bool(QIODevice&, QString&)>& read,
              const std::function<bool()>& take, const std::shared_ptr<const SealKey>& known = nullptr);
    // Writes the wallet as a whole new file that replaces the one at `path` only when complete; on failure `error`
    // says why and the file on disk stays as it was.
    bool WriteFile(const QString& path, QString& error);
    // Whether the last save was refused because another program had changed the file since it was read.
    bool LastSaveConflicted() const { return m_conflict; }
    // The wallet has no file any more.
    void ForgetFile();
    // Whether the file at `path` is no longer what this wallet last read or wrote; false when there is none.
    bool ChangedElsewhere(const QString& path) const;
    // Takes over the file as `other` read it; the attachments waiting for the save stay. Attachments that the cards
    // name but that file no longer holds are first copied from `previous` (the file as this wallet read it, opened
    // under another name since it was replaced), so that none is lost. Saves keep their seal, unless the file came
    // with one: its key was given for it.
    void Adopt(CWalletFile& other, const QString& previous);
    bool Compact(QString* error);
    int CountAttachments() const;

    bool IsSealed() const { return m_seal != nullptr; }
    const std::shared_ptr<const SealKey>& SealingKey() const { return m_seal; }
    bool SealFile(const QString& passphrase, quint32 operations, quint32 memoryKiB, QString& error);
    // A save writes a new file under the wallet's own name only, so other names of the same file (hard links) keep
    // what it held. Before a change meant to protect the wallet (`change`; the other names keep `kept`), the user is
    // warned and must agree; true when the file has no other name or the user agreed.
    bool ConfirmOtherNamesKeep(const QString& change, const QString& kept) const;
    bool UnsealFile(QString& error);
    static QString UnsealQuestion(const QString& fileName);

    QString AddStream(QIODevice& source, QString& error);
    std::unique_ptr<QIODevice> OpenStream(const QString& streamName, QString& error);

private:
    bool OpenFailed(const QString& reason);
    bool UnlockSeal(const QString& path, std::shared_ptr<const SealKey>& key,
                    const std::shared_ptr<const SealKey>& known);
    bool AllowCosts(const QString& path, const SealedHeader& header);
    bool AskSealKey(const QString& path, const SealedHeader& header, std::shared_ptr<const SealKey>& key);
    bool Reseal(std::shared_ptr<const SealKey> key, QString& error);
    struct LeftOut;
    bool CheckUnchanged(CompoundFile& file, const QString& path, QString& error);
    bool FillNewFile(CompoundFile& file, QString& error);
    bool WriteAttachments(CompoundFile& file, std::vector<LeftOut>& leftOut, QString& error);
    bool WriteAttachment(CompoundFile& file, const CCard& card, CAttachment& slot, std::vector<LeftOut>& leftOut);
    bool WriteDocument(CompoundFile& file, QByteArray& hash, QString& error);
    QString KeepBackup(const QString& path, QString& error) const;
    void ReportLeftOut(const std::vector<LeftOut>& leftOut, const QString& backup) const;
    void TakeStamp(CompoundFile& file, const QByteArray& documentHash);
    void Hold(std::unique_ptr<CompoundFile> file);
    CompoundFile* ReadableFile(std::unique_ptr<CompoundFile>& opened, QString& error) const;
    QString UnusedStreamName() const;
    void KeepMissingStreams(const QStringList& present, const QString& previous);
    static bool Empty(CompoundFile& file);

    CWallet& m_wallet;
    bool m_started = false;
    FileHold m_hold = FileHold::None;
    CostTrust m_costTrust = CostTrust::Ask;
    // The wallet's file while it is held, and what it was when last read or written.
    std::unique_ptr<CompoundFile> m_file;
    // The key saves seal with (null: a plain wallet), and the key the file on disk is sealed with now; they differ
    // only while a save seals, unseals or changes the passphrase.
    std::shared_ptr<const SealKey> m_seal;
    std::shared_ptr<const SealKey> m_fileSeal;
    WalletFileStamp m_stamp;
    QStringList m_fileStreams;
    // Attached since the last save, by stream name.
    std::map<QString, std::shared_ptr<DetachedStream>> m_pending;
    bool m_conflict = false;
};
