// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/InstalledInterface.h"

#include <QString>

#include <memory>

class QIODevice;

// What a card's attachments need of the open wallet: the user's choices and the wallet's file. The wallet document
// installs itself here, so the records never reach for the document, its file or its dialogs themselves.
class AttachmentStore : public InstalledInterface<AttachmentStore> {
public:
    AttachmentStore() = default;
    AttachmentStore(const AttachmentStore&) = delete;
    AttachmentStore& operator=(const AttachmentStore&) = delete;
    virtual ~AttachmentStore() = default;

    // Whether the wallet has a file for attachments to go into; when it has none yet, the user is offered to save
    // it first, and it has one once that save succeeds.
    virtual bool ReadyForAttachments() = 0;
    // The file the user picks for a slot with this file-type filter, or empty when cancelled.
    virtual QString ChooseFile(qint32 filterId) = 0;
    // Copies `source` into a new stream that goes into the wallet's file with its next save, together with the
    // cards that name it. Gives the stream's name, or empty with `error`.
    virtual QString AddStream(QIODevice& source, QString& error) = 0;
    // The user attached a file as this stream. Once a save has written it into the wallet's file, with a card that
    // names it, the user is told that the file is attached and that its original may go.
    virtual void Attached(const QString& streamName) = 0;
    // The bytes of a stream: one added since the last save, or one in the wallet's file.
    virtual std::unique_ptr<QIODevice> OpenStream(const QString& streamName, QString& error) = 0;
    // A slot has let go of its stream: the next save leaves it out of the file.
    virtual void StreamRemoved() = 0;
};
