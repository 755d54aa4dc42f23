// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CWalletFollower.h"

#include "base/Clock.h"
#include "base/Prompts.h"
#include "document/CWallet.h"
#include "document/CWalletMerge.h"
#include "storage/SecureMemoryDevice.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {
constexpr int kSettleMs = 300;
constexpr qsizetype kShownLines = 25;

// The wallet's document in locked memory, wiped when it goes: a sealed wallet's texts never wait in ordinary memory.
std::unique_ptr<SecureMemoryDevice> Snapshot(CWallet& wallet) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!wallet.Store(buffer, error))
        return nullptr;
    auto kept = std::make_unique<SecureMemoryDevice>();
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 part = std::min(SecureMemoryDevice::kBlockSize, bytes.size() - done);
        std::memcpy(kept->NextBlock(), bytes.constData() + done, size_t(part));
        kept->Fill(part);
        done += part;
    }
    kept->Finish();
    std::fill(bytes.begin(), bytes.end(), '\0');
    return kept;
}

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}
} // namespace

CWalletFollower::CWalletFollower(CWallet& wallet, QObject* parent) : QObject(parent), m_wallet(wallet) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CWalletFollower::OnPathChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CWalletFollower::OnPathChanged);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        // A file replaced by a rename is a new file: the watch follows the name, not the file that went.
        Watch();
        if (Signature() != m_failed && m_wallet.FileChangedElsewhere())
            Q_EMIT fileChanged();
    });
    connect(&m_wallet, &CWallet::fileSynced, this, [this] {
        KeepBase();
        Watch();
    });
    // Save As names the new path only after the file was written.
    connect(&m_wallet, &CWallet::pathChanged, this, &CWalletFollower::Watch);
    if (!m_wallet.PathName().isEmpty()) {
        KeepBase();
        Watch();
    }
}

CWalletFollower::~CWalletFollower() = default;

// The file itself, for writes in place, and its folder, for a new file renamed over it.
void CWalletFollower::Watch() {
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    const QString path = m_wallet.PathName();
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path))
        m_watcher.addPath(path);
    m_watcher.addPath(QFileInfo(path).absolutePath());
}

// What the file system says of the file: a new file renamed over it, or a write, changes it.
QString CWalletFollower::Signature() const {
    const QFileInfo info(m_wallet.PathName());
    return QStringLiteral("%1 %2 %3")
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch());
}

void CWalletFollower::OnPathChanged() {
    m_settle.start();
}

void CWalletFollower::KeepBase() {
    m_base = Snapshot(m_wallet);
    HoldFile();
}

void CWalletFollower::HoldFile() {
    m_held.close();
    m_held.setFileName(m_wallet.PathName());
    if (!m_wallet.PathName().isEmpty())
        m_held.open(QIODevice::ReadOnly);
}

// The held file under a name of its own, whatever has been renamed over its old name since.
QString CWalletFollower::HeldPath() const {
    return m_held.isOpen() ? QStringLiteral("/proc/self/fd/%1").arg(m_held.handle()) : m_wallet.PathName();
}

std::unique_ptr<CWallet> CWalletFollower::Base() const {
    if (!m_base)
        return nullptr;
    auto base = std::make_unique<CWallet>();
    m_base->seek(0);
    QString error;
    return base->Load(*m_base, error) ? std::move(base) : nullptr;
}

CWalletFollower::Result CWalletFollower::Follow() {
    if (!m_wallet.FileChangedElsewhere())
        return Result::Unchanged;
    const QString name = FileName(m_wallet.PathName());
    const QString signature = Signature();
    const Result result = m_wallet.IsModified() ? MergeOwnFile()
                          : m_wallet.Reload()   ? Result::Reloaded
                                                : Result::Failed;
    m_failed = result == Result::Failed ? signature : QString();
    if (result != Result::Reloaded)
        return result;
    Q_EMIT followed(tr("\"%1\" was changed by another program and has been read again.").arg(name));
    return Result::Reloaded;
}

// The file as the other program left it is merged with the unsaved changes against the wallet as it was last read
// or written; the file then counts as read, so the next save replaces it.
CWalletFollower::Result CWalletFollower::MergeOwnFile() {
    const QString name = FileName(m_wallet.PathName());
    CWallet version;
    if (!version.ReadVersion(m_wallet.PathName(), m_wallet.SealingKey()))
        return Result::Failed;
    std::unique_ptr<SecureMemoryDevice> newBase = Snapshot(version);
    const std::unique_ptr<CWallet> base = Base();
    if (!MergeVersion(version, base.get(), name))
        return Result::Failed;
    m_wallet.AdoptFile(version, HeldPath());
    HoldFile();
    m_base = std::move(newBase);
    Q_EMIT followed(
        tr("\"%1\" was changed by another program and has been merged with your changes, which are not saved yet.")
            .arg(name));
    return Result::Merged;
}

bool CWalletFollower::MergeVersion(CWallet& version, const CWallet* base, const QString& name) {
    CWalletMerge merge(base, m_wallet, version, Clock::Now());
    QString error;
    if (!merge.Apply(m_wallet, error)) {
        Prompts::Warn(tr("\"%1\" cannot be merged: %2").arg(name, error));
        return false;
    }
    // A message box shows the first lines; korvel-cli merge --dry-run lists them all.
    QStringList lines = merge.ReportText(name).split(u'\n');
    if (lines.size() > kShownLines) {
        const qsizetype more = lines.size() - kShownLines;
        lines.resize(kShownLines);
        lines.append(tr("... and %1 more").arg(more));
    }
    Prompts::Inform(tr("Merged \"%1\":\n\n%2").arg(name, lines.join(u'\n')));
    return true;
}

bool CWalletFollower::MergeFile(const QString& path) {
    if (!m_wallet.PathName().isEmpty() && QFileInfo(path) == QFileInfo(m_wallet.PathName())) {
        Prompts::Warn(tr("\"%1\" is the open wallet itself.").arg(FileName(path)));
        return false;
    }
    CWallet version;
    return version.ReadVersion(path, m_wallet.SealingKey()) && MergeVersion(version, nullptr, FileName(path));
}

QStringList CWalletFollower::ConflictCopies(const QString& walletPath) {
    const QFileInfo info(walletPath);
    const QString pattern =
        QStringLiteral(R"(^%1(\.sync-conflict-\d{8}-\d{6}-\w+| \([^()]*conflicted copy[^()]*\))\.%2$)")
            .arg(QRegularExpression::escape(info.completeBaseName()), QRegularExpression::escape(info.suffix()));
    const QRegularExpression copy(pattern, QRegularExpression::CaseInsensitiveOption);
    QStringList copies;
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        if (copy.match(name).hasMatch())
            copies.append(folder.filePath(name));
    }
    return copies;
}

// Without a common version, a merge keeps every record of both: a card deleted here may come back from a copy.
bool CWalletFollower::OfferConflictCopies() {
    const QStringList copies = m_wallet.PathName().isEmpty() ? QStringList() : ConflictCopies(m_wallet.PathName());
    if (copies.isEmpty())
        return false;
    QString names;
    for (const QString& path : copies)
        names += FileName(path) + u'\n';
    if (!Prompts::AskYesNo(tr("A synchronisation engine left copies of \"%1\" that were changed elsewhere at the same "
                              "time:\n\n%2\nDo you want to merge them into the wallet, save it and remove them?")
                               .arg(FileName(m_wallet.PathName()), names),
                           Prompts::Icon::Exclamation))
        return false;
    QStringList merged;
    for (const QString& path : copies) {
        CWallet version;
        if (version.ReadVersion(path, m_wallet.SealingKey()) && MergeVersion(version, nullptr, FileName(path)))
            merged.append(path);
    }
    if (merged.isEmpty() || (m_wallet.IsModified() && !m_wallet.OnSaveDocument(m_wallet.PathName())))
        return false;
    for (const QString& path : merged)
        QFile::remove(path);
    Q_EMIT followed(tr("%n conflict copies merged into the wallet and removed.", nullptr, int(merged.size())));
    return true;
}
