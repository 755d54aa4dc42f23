// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class CfbNewContent;
class QIODevice;

// The bytes of a stream made apart from any open compound file, to be added to one later: an attachment that waits
// for the wallet's next save. Small contents stay in memory; large ones go to a private spool file beside the file
// they are meant for, which vanishes with the last copy of the stream.
class DetachedStream {
public:
    // `besidePath` names the compound file the stream is meant for; spooled bytes stay on its file system. With
    // `inMemory` (a stream for a sealed file) the bytes never go to a spool file.
    explicit DetachedStream(const QString& besidePath, bool inMemory = false);

    // A device to fill the stream; close it (or let it go) before the stream is read or added to a file.
    std::unique_ptr<QIODevice> OpenForWriting() const;
    std::unique_ptr<QIODevice> OpenForReading() const;
    qint64 Size() const;
    bool IsBeingWritten() const;

    const std::shared_ptr<CfbNewContent>& Content() const { return m_content; }

private:
    std::shared_ptr<CfbNewContent> m_content;
};
