// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/CompoundFile.h"

#include "base/TempFiles.h"
#include "storage/DetachedStream.h"
#include "storage/SealedHeader.h"
#include "storage/SealedReader.h"
#include "storage/SealingWriter.h"
#include "storage/SecureMemoryDevice.h"
#include "storage/cfb/CfbFileLock.h"
#include "storage/cfb/CfbFileWriter.h"
#include "storage/cfb/CfbName.h"
#include "storage/cfb/CfbNewContent.h"
#include "storage/cfb/CfbNode.h"
#include "storage/cfb/CfbOriginalContent.h"
#include "storage/cfb/CfbReadDevice.h"
#include "storage/cfb/CfbReader.h"
#include "storage/cfb/CfbWriteDevice.h"
#include "storage/cfb/CfbWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

std::unique_ptr<CfbNode> TreeFromReader(const std::shared_ptr<const CfbReader>& reader) {
    std::unique_ptr<CfbNode> root = CfbNode::MakeStorage(reader->Root().name);
    std::vector<std::pair<quint32, CfbNode*>> pending{{0, root.get()}};
    while (!pending.empty()) {
        const auto [index, node] = pending.back();
        pending.pop_back();
        for (const quint32 child : reader->Entry(index).children) {
            const CfbEntry& entry = reader->Entry(child);
            if (entry.IsStream()) {
                node->Add(CfbNode::MakeStream(entry.name, std::make_shared<CfbOriginalContent>(reader, child)));
                continue;
            }
            pending.emplace_back(child, node->Add(CfbNode::MakeStorage(entry.name)));
        }
    }
    return root;
}

// Renames the new file over the old one, or, for a new file, to a name that must still be free.
bool MoveIntoPlace(const QByteArray& from, const QByteArray& to, bool replace) {
    if (replace)
        return rename(from.constData(), to.constData()) == 0;
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // File systems without RENAME_NOREPLACE: link() refuses an existing name just as well.
    if ((errno == EINVAL || errno == ENOSYS) && link(from.constData(), to.constData()) == 0) {
        unlink(from.constData());
        return true;
    }
    return false;
}

} // namespace

class CompoundFileState {
public:
    bool Fail(const QString& message) {
        error = message;
        return false;
    }
    bool Usable(int mode);
    bool Changeable();
    bool CanAdd(const QString& name, int mode);
    CfbNode* Top() const { return stack.back(); }
    bool Load();
    std::unique_ptr<QIODevice> Contents(std::unique_ptr<QFile> file);
    bool KeepOwnerAndMode(int fd);
    bool WriteTree(QIODevice& out, QString& problem);
    bool WriteNewFile(int fd);
    bool NameNewFile(int fd, QString& tempPath);
    bool Publish(const QString& tempPath);
    void Reload();

    bool open = false;
    bool created = false;
    bool readOnly = false;
    QString path;
    QString error;
    CfbFileLock lock;
    std::shared_ptr<const SealKey> seal;
    std::unique_ptr<CfbNode> root;
    std::vector<CfbNode*> stack;
};

bool CompoundFileState::Usable(int mode) {
    if (!open)
        return Fail(QStringLiteral("no compound file is open"));
    return mode == CompoundFile::kMode || mode == CompoundFile::kReadMode ||
           Fail(QStringLiteral("unsupported storage mode 0x%1").arg(mode, 0, 16));
}

bool CompoundFileState::Changeable() {
    if (!Usable(CompoundFile::kMode))
        return false;
    return !readOnly || Fail(QStringLiteral("\"%1\" was opened for reading only").arg(Shown(path)));
}

bool CompoundFileState::CanAdd(const QString& name, int mode) {
    if (!Usable(mode) || !Changeable())
        return false;
    const QString problem = CfbName::Problem(name);
    if (!problem.isEmpty())
        return Fail(problem);
    return !Top()->Find(name) || Fail(QStringLiteral("an element named \"%1\" exists already").arg(name));
}

bool CompoundFileState::Load() {
    const int fd = lock.OpenForReading(path, error);
    if (fd < 0)
        return false;
    auto file = std::make_unique<QFile>();
    file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
    std::unique_ptr<QIODevice> contents = Contents(std::move(file));
    if (!contents)
        return false;
    QString problem;
    const std::shared_ptr<const CfbReader> reader = CfbReader::Open(std::move(contents), problem);
    if (!reader)
        return Fail(QStringLiteral("cannot open \"%1\": %2").arg(Shown(path), problem));
    try {
        root = TreeFromReader(reader);
    } catch (const std::bad_alloc&) {
        return Fail(QStringLiteral("cannot open \"%1\": there is not enough memory for its elements").arg(Shown(path)));
    }
    stack.assign(1, root.get());
    return true;
}

// The compound file itself: the file as it is, or what a sealed file holds, decrypted into locked memory.
std::unique_ptr<QIODevice> CompoundFileState::Contents(std::unique_ptr<QFile> file) {
    if (!SealedHeader::HasMagic(file->peek(SealedHeader::kSize)))
        return file;
    if (!seal) {
        Fail(QStringLiteral("\"%1\" is sealed: it opens only with its passphrase").arg(Shown(path)));
        return nullptr;
    }
    SealedReader::Result result;
    QString problem;
    std::unique_ptr<SecureMemoryDevice> plain = SealedReader::Open(*file, *seal, result, problem);
    if (!plain)
        Fail(QStringLiteral("cannot open \"%1\": %2").arg(Shown(path), problem));
    return plain;
}

// A save must not take the wallet away from its owner, nor widen or narrow who may read it; nor may it change a
// wallet that its owner made read-only (as root we could). What cannot be kept is refused.
bool CompoundFileState::KeepOwnerAndMode(int fd) {
    struct stat old {};
    struct stat made {};
    if (!lock.Status(old) || fstat(fd, &made) != 0)
        return Fail(QStringLiteral("cannot save \"%1\": %2").arg(Shown(path), TempFiles::SystemError(errno)));
    if ((old.st_mode & 0222) == 0 || access(QFile::encodeName(path).constData(), W_OK) != 0)
        return Fail(QStringLiteral("\"%1\" is read-only, so it was left as it is").arg(Shown(path)));
    const bool sameOwner = old.st_uid == made.st_uid && old.st_gid == made.st_gid;
    if (!sameOwner && fchown(fd, old.st_uid, old.st_gid) != 0)
        return Fail(QStringLiteral("cannot save \"%1\" keeping its owner and group: %2")
                        .arg(Shown(path), TempFiles::SystemError(errno)));
    if (fchmod(fd, old.st_mode & 07777) != 0)
        return Fail(QStringLiteral("cannot save \"%1\" keeping its permissions: %2")
                        .arg(Shown(path), TempFiles::SystemError(errno)));
    return true;
}

bool CompoundFileState::WriteNewFile(int fd) {
    if (!created && !KeepOwnerAndMode(fd))
        return false;
    CfbFileWriter out(fd);
    QString problem;
    bool written = WriteTree(out, problem);
    if (written && !out.Flush()) {
        problem = out.errorString();
        written = false;
    }
    if (written && TempFiles::Sync(fd) != 0) {
        problem = TempFiles::SystemError(errno);
        written = false;
    }
    if (written)
        return true;
    return error.isEmpty() ? Fail(QStringLiteral("cannot save \"%1\": %2").arg(Shown(path), problem)) : false;
}

bool CompoundFileState::WriteTree(QIODevice& out, QString& problem) {
    if (!seal)
        return CfbWriter(*root).Write(out, problem);
    SealingWriter sealer(out, *seal);
    if (CfbWriter(*root).Write(sealer, problem) && sealer.Finish())
        return true;
    if (problem.isEmpty())
        problem = sealer.errorString();
    return false;
}

bool CompoundFileState::NameNewFile(int fd, QString& tempPath) {
    QString problem;
    return TempFiles::NameCommitFile(fd, path, tempPath, problem) ||
           Fail(QStringLiteral("cannot save \"%1\": %2").arg(Shown(path), problem));
}

bool CompoundFileState::Publish(const QString& tempPath) {
    const bool moved = !TempFiles::Injected(TempFiles::Step::Publish) &&
                       MoveIntoPlace(QFile::encodeName(tempPath), QFile::encodeName(path), !created);
    if (moved)
        return true;
    if (created && errno == EEXIST)
        return Fail(QStringLiteral("cannot save \"%1\": a file of that name appeared meanwhile and was left as it is")
                        .arg(Shown(path)));
    return Fail(QStringLiteral("cannot save \"%1\": %2").arg(Shown(path), TempFiles::SystemError(errno)));
}

// After a commit the tree is read back from the new file, so that memory and spool files of the old contents go.
// Should that fail, the tree in memory still describes the committed file and stays.
void CompoundFileState::Reload() {
    std::vector<QString> names;
    for (size_t i = 1; i < stack.size(); ++i)
        names.push_back(stack[i]->Name());
    std::unique_ptr<CfbNode> oldRoot = std::move(root);
    std::vector<CfbNode*> oldStack = std::move(stack);
    if (!Load()) {
        root = std::move(oldRoot);
        stack = std::move(oldStack);
        error.clear();
        return;
    }
    for (const QString& name : names) {
        CfbNode* node = Top()->Find(name);
        if (!node || !node->IsStorage())
            break;
        stack.push_back(node);
    }
}

CompoundFile::CompoundFile() : m_state(std::make_unique<CompoundFileState>()) {}

CompoundFile::~CompoundFile() {
    Close();
}

bool CompoundFile::Open(const QString& path, int mode) {
    Close();
    CompoundFileState& s = *m_state;
    s.error.clear();
    if (mode != kMode && mode != kReadMode)
        return s.Fail(QStringLiteral("unsupported storage mode 0x%1").arg(mode, 0, 16));
    // A link is followed: commits replace the wallet it names, never the link itself.
    const QFileInfo info(path);
    s.path = info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
    s.readOnly = mode == kReadMode;
    if (s.lock.Acquire(s.path, s.readOnly, s.error) && s.Load()) {
        s.open = true;
        // Also when only reading: a leftover of a crash during an unseal holds the wallet in plain text.
        TempFiles::RemoveLeftovers(s.path);
        return true;
    }
    const QString error = s.error;
    Close();
    s.error = error;
    return false;
}

bool CompoundFile::Create(const QString& path, int mode) {
    Close();
    CompoundFileState& s = *m_state;
    s.error.clear();
    if (mode != kMode)
        return s.Fail(QStringLiteral("unsupported storage mode 0x%1").arg(mode, 0, 16));
    struct stat info {};
    if (path.isEmpty() || lstat(QFile::encodeName(path).constData(), &info) == 0)
        return s.Fail(QStringLiteral("cannot create \"%1\": a file of that name exists").arg(Shown(path)));
    if (!QFileInfo(path).absoluteDir().exists())
        return s.Fail(QStringLiteral("cannot create \"%1\": its folder does not exist").arg(Shown(path)));
    s.root = CfbNode::MakeStorage(QStringLiteral("Root Entry"));
    s.stack.assign(1, s.root.get());
    s.path = path;
    s.created = true;
    s.open = true;
    return true;
}

bool CompoundFile::Commit() {
    CompoundFileState& s = *m_state;
    s.error.clear();
    if (!s.Changeable())
        return false;
    if (s.root->HasWriter())
        return s.Fail(QStringLiteral("cannot save \"%1\": a stream is still open for writing").arg(Shown(s.path)));
    TempFiles::RemoveLeftovers(s.path);
    QString tempPath;
    QString problem;
    const int fd = TempFiles::CreateCommitFile(s.path, tempPath, problem);
    if (fd < 0)
        return s.Fail(QStringLiteral("cannot save \"%1\": %2").arg(Shown(s.path), problem));
    if (!s.WriteNewFile(fd) || !s.NameNewFile(fd, tempPath) || !s.Publish(tempPath)) {
        if (!tempPath.isEmpty())
            unlink(QFile::encodeName(tempPath).constData());
        close(fd);
        return false;
    }
    // The new file is complete and flushed; a folder that cannot be flushed only weakens crash safety, so it does
    // not turn the finished commit into a failure.
    TempFiles::SyncFolder(s.path, problem);
    s.lock.Adopt(fd);
    s.created = false;
    s.Reload();
    return true;
}

bool CompoundFile::Revert() {
    CompoundFileState& s = *m_state;
    if (!s.open)
        return false;
    s.error.clear();
    if (s.created) {
        s.root = CfbNode::MakeStorage(QStringLiteral("Root Entry"));
        s.stack.assign(1, s.root.get());
        return true;
    }
    s.stack.clear();
    s.root.reset();
    if (s.Load())
        return true;
    const QString error = s.error;
    Close();
    s.error = error;
    return false;
}

void CompoundFile::SetSeal(std::shared_ptr<const SealKey> key) {
    m_state->seal = std::move(key);
}

const std::shared_ptr<const SealKey>& CompoundFile::Seal() const {
    return m_state->seal;
}

void CompoundFile::Close() {
    CompoundFileState& s = *m_state;
    s.stack.clear();
    s.root.reset();
    s.lock.Release();
    s.open = false;
    s.created = false;
    s.readOnly = false;
    s.path.clear();
}

bool CompoundFile::IsOpen() const {
    return m_state->open;
}

bool CompoundFile::IsReadOnly() const {
    return m_state->readOnly;
}

CompoundFile::Identity CompoundFile::FileIdentity() const {
    struct stat info {};
    if (!m_state->open || !m_state->lock.Status(info))
        return {};
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

QString CompoundFile::Path() const {
    return m_state->path;
}

QString CompoundFile::ErrorString() const {
    return m_state->error;
}

bool CompoundFile::CreateStorage(const QString& name, bool keepOpen, int mode) {
    CompoundFileState& s = *m_state;
    if (!s.CanAdd(name, mode))
        return false;
    CfbNode* storage = s.Top()->Add(CfbNode::MakeStorage(name));
    if (keepOpen)
        s.stack.push_back(storage);
    return true;
}

bool CompoundFile::OpenStorage(const QString& name, int mode) {
    CompoundFileState& s = *m_state;
    if (!s.Usable(mode))
        return false;
    CfbNode* node = s.Top()->Find(name);
    if (!node || !node->IsStorage())
        return s.Fail(QStringLiteral("there is no storage named \"%1\"").arg(name));
    s.stack.push_back(node);
    return true;
}

bool CompoundFile::PopStorage() {
    CompoundFileState& s = *m_state;
    if (s.stack.size() <= 1)
        return false;
    s.stack.pop_back();
    return true;
}

bool CompoundFile::DestroyElement(const QString& name) {
    CompoundFileState& s = *m_state;
    if (!s.Changeable())
        return false;
    return s.Top()->Remove(name) || s.Fail(QStringLiteral("there is no element named \"%1\"").arg(name));
}

std::unique_ptr<QIODevice> CompoundFile::CreateStream(const QString& name, int mode) {
    CompoundFileState& s = *m_state;
    if (!s.CanAdd(name, mode))
        return nullptr;
    auto content = std::make_shared<CfbNewContent>(s.path, s.seal != nullptr);
    s.Top()->Add(CfbNode::MakeStream(name, content));
    return std::make_unique<CfbWriteDevice>(content);
}

bool CompoundFile::AddStream(const QString& name, const DetachedStream& stream) {
    CompoundFileState& s = *m_state;
    if (!s.CanAdd(name, kMode))
        return false;
    if (stream.IsBeingWritten())
        return s.Fail(QStringLiteral("the stream \"%1\" is still being written").arg(name));
    s.Top()->Add(CfbNode::MakeStream(name, stream.Content()));
    return true;
}

qint64 CompoundFile::StreamSize(const QString& name) const {
    const CompoundFileState& s = *m_state;
    const CfbNode* node = s.open ? s.Top()->Find(name) : nullptr;
    return node && !node->IsStorage() ? node->Content()->Size() : -1;
}

std::unique_ptr<QIODevice> CompoundFile::OpenStream(const QString& name, int mode) {
    CompoundFileState& s = *m_state;
    if (!s.Usable(mode))
        return nullptr;
    const CfbNode* node = s.Top()->Find(name);
    if (!node || node->IsStorage()) {
        s.Fail(QStringLiteral("there is no stream named \"%1\"").arg(name));
        return nullptr;
    }
    QString problem;
    if (!node->Content()->Prepare(problem)) {
        s.Fail(QStringLiteral("the stream \"%1\" is damaged: %2").arg(name, problem));
        return nullptr;
    }
    return std::make_unique<CfbReadDevice>(node->Content());
}

QStringList CompoundFile::ElementNames() const {
    QStringList names;
    if (m_state->open) {
        for (const auto& entry : m_state->Top()->ChildNodes())
            names.append(entry.second->Name());
    }
    return names;
}

bool CompoundFile::CopyTo(CompoundFile& target) const {
    CompoundFileState& s = *m_state;
    if (!s.Usable(kMode) || !target.m_state->Changeable())
        return s.Fail(QStringLiteral("both compound files must be open to copy"));
    if (&target == this)
        return s.Fail(QStringLiteral("a compound file cannot be copied into itself"));
    if (s.root->HasWriter())
        return s.Fail(QStringLiteral("a stream is still open for writing"));
    std::vector<std::pair<const CfbNode*, CfbNode*>> pending{{s.root.get(), target.m_state->root.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const auto& [name, child] : from->ChildNodes()) {
            CfbNode* existing = to->Find(name);
            if (existing && existing->IsStorage() != child->IsStorage())
                return s.Fail(QStringLiteral("\"%1\" is a storage in one file and a stream in the other").arg(name));
            if (existing && existing->IsStorage()) {
                pending.emplace_back(child.get(), existing);
                continue;
            }
            if (existing)
                to->Remove(name);
            to->Add(child->Clone());
        }
    }
    return true;
}
