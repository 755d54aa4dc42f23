// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;
class CompoundFileState;
class DetachedStream;
class SealKey;

// A wallet file: a compound file (Compound File Binary Format) with nested storages and named streams. One object
// opens or creates one file, keeps a stack of the storages opened inside it, and works on the storage on top.
//
// Safety of the file on disk:
// - While the object is open it holds a lock on the file: exclusive when opened for changes, shared when opened only
//   for reading. Readers never block each other; a writer is refused at once with a clear error while anyone else
//   has the file, and a reader while a writer has it.
// - Changes are made in memory (large stream contents spooled to a private temporary file) and reach the disk only
//   when Commit() succeeds: a complete new file is written beside the old one (without a name until just before
//   the rename, where the file system allows), flushed, renamed over it, and the folder flushed. A crash at any
//   moment leaves either the old or the new file. Leftover temporary files of an earlier crash are removed when the
//   file is next opened, also for reading, and by every commit.
// - The new file keeps the old one's owner, group and permissions; a file that is read-only, or whose owner cannot
//   be kept, is refused rather than replaced.
// - Close() without Commit() drops the changes.
//
// A sealed file holds the compound file encrypted as a whole (see SealedHeader). Given its key, the object opens it
// into locked memory and commits sealed files; new stream contents then stay in memory, so nothing of a sealed
// wallet ever reaches the disk in plain text.
class CompoundFile {
public:
    // The one mode the program uses: read/write, exclusive, never replacing an existing element.
    static constexpr int kMode = 0x12;
    // Reading only, sharing the file with other readers (Open only).
    static constexpr int kReadMode = 0x20;

    // Which file on disk an open object holds, and when it last changed: a file replaced or rewritten behind our
    // back shows a different identity.
    struct Identity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0; // nanoseconds
        qint64 changed = 0;  // status change, nanoseconds
        bool SameFile(const Identity& other) const { return device == other.device && inode == other.inode; }
        bool operator==(const Identity&) const = default;
    };

    CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;
    virtual ~CompoundFile(); // Close(): uncommitted changes are dropped

    // Opens an existing compound file (closing this object first). Fails when the file is missing, locked, not a
    // compound file, or damaged; then the object is closed and ErrorString() says why.
    bool Open(const QString& path, int mode = kMode);
    // Makes a new, empty compound file at a path where no file exists. Nothing is on disk until Commit().
    bool Create(const QString& path, int mode = kMode);
    // Writes every change since Open/Create as described above. On failure the file on disk is as it was and the
    // object stays open with its changes, so the caller can report and Close().
    bool Commit();
    // Drops every change since Open or the last Commit and goes back to the root storage, keeping the lock. Should
    // the file no longer read, the object is closed and false returned.
    bool Revert();
    // Pops every storage, drops uncommitted changes, releases the lock. Does nothing but clear the path when closed.
    void Close();

    // The key a sealed file is opened with, and that every commit seals with from now on; null for a plain file.
    // Set it before Open() for a sealed file; setting or clearing it on an open object seals or unseals the file at
    // the next commit.
    void SetSeal(std::shared_ptr<const SealKey> key);
    const std::shared_ptr<const SealKey>& Seal() const;

    bool IsOpen() const;
    bool IsReadOnly() const;
    QString Path() const;
    // The file held open; a default Identity for a file not yet committed.
    Identity FileIdentity() const;
    QString ErrorString() const;

    // Storage stack. The root is at the bottom and leaves only with Close().
    bool CreateStorage(const QString& name, bool keepOpen, int mode = kMode);
    bool OpenStorage(const QString& name, int mode = kMode);
    bool PopStorage();

    // Removes a stream or a storage (with all it holds) from the top storage.
    bool DestroyElement(const QString& name);
    // A new, empty stream in the top storage; fails when an element of that name exists. The device is open for
    // writing (and reading) and must be closed (or destroyed) before Commit().
    std::unique_ptr<QIODevice> CreateStream(const QString& name, int mode = kMode);
    // Adds a stream made apart from this file under `name` to the top storage; its bytes are shared, not copied.
    bool AddStream(const QString& name, const DetachedStream& stream);
    // An existing stream of the top storage, open read-only, random access, reading lazily from the file.
    std::unique_ptr<QIODevice> OpenStream(const QString& name, int mode = kMode);
    // The size of the stream `name` of the top storage, or -1 when there is none.
    qint64 StreamSize(const QString& name) const;
    // The names of the elements of the top storage, streams and storages, in the file's order.
    QStringList ElementNames() const;
    // Copies everything in this object's root storage into `target`'s root storage (used to compact a file).
    bool CopyTo(CompoundFile& target) const;

private:
    std::unique_ptr<CompoundFileState> m_state;
};
