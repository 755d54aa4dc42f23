// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

struct stat;

// A file the user chose to write to: an export, an extracted attachment, a template file. A regular file (new or
// already there) is written to a temporary file beside it that takes its place only when complete, with the mode of
// the file it replaces; a device or a pipe that is there is written into directly and never replaced. Every failure
// of a write, a flush, the sync or the close keeps its cause ("No space left on device") in errorString().
class OutputFile : public QIODevice {
public:
    // The mode of a new regular file: the usual one (the user's umask decides), or readable by its owner only.
    enum class NewFileMode { Usual, OwnerOnly };

    explicit OutputFile(const QString& path, NewFileMode newFileMode = NewFileMode::Usual);
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

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool OpenDirect(const QString& target);
    bool OpenReplacement(const QString& target, const struct stat* existing);
    bool CommitReplacement();
    bool FlushBuffer();
    bool WriteAll(const char* data, qint64 size);
    bool Fail(const QString& what, int code);
    void Discard();

    QString m_path;
    NewFileMode m_newFileMode;
    QString m_target;   // the file that gets the contents; a link is followed to it
    QString m_tempPath; // empty when the target is written directly
    int m_fd = -1;
    bool m_failed = false;
    QByteArray m_buffer;
};
