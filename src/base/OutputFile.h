// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <sys/types.h>

struct stat;

// A file the user chose to write to: an export, an extracted attachment, a template file. A regular file (new or
// already there) is written to a temporary file beside it that takes its place only when complete, flushed to the
// disk first; a device or a pipe that is there is written into directly and never replaced. Every failure of a
// write, a flush, the sync or the close keeps its cause ("No space left on device") in errorString().
//
// What is written is wallet data, so a new file is readable by its owner only, whatever the umask. A file of the
// user's own that is replaced keeps its group and permissions (the user chose them); one of another user becomes
// the user's own, as a new file, since handing wallet data to another user is never right (as root it would be
// possible). A link is followed, except one that another user put in a folder everyone may write to (/tmp): such a
// link could send the data anywhere, so it is refused as the kernel's protected_symlinks would.
class OutputFile : public QIODevice {
public:
    explicit OutputFile(const QString& path);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the target for writing. A folder, a socket and anything else that cannot take the bytes is refused.
    bool Open();
    // Makes what was written the target's contents. After any failure, a regular file that was there is left as it
    // was; a device or a pipe may have received part of the bytes.
    bool Commit();
    // Whether opening, writing or committing failed; errorString() then says why.
    bool HasFailed() const { return m_failed; }

    bool isSequential() const override { return true; }

    // Whether a link owned by `linkOwner` in a folder owned by `folderOwner` with `folderMode` may be followed by
    // `caller`: not in a sticky folder that everyone may write to, unless the caller or the folder's owner made it.
    static bool MayFollowLink(uid_t linkOwner, uid_t folderOwner, mode_t folderMode, uid_t caller);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool FollowLinks();
    bool OpenDirect(const QString& target);
    bool OpenReplacement(const QString& target, const struct stat* existing);
    bool CommitReplacement();
    bool FlushBuffer();
    bool WriteAll(const char* data, qint64 size);
    bool Fail(const QString& what, int code);
    void Discard();

    QString m_path;
    QString m_target;   // the file that gets the contents; a link is followed to it
    QString m_tempPath; // empty when the target is written directly
    int m_fd = -1;
    bool m_failed = false;
    QByteArray m_buffer;
};
