// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CWalletItem.h"

#include <QDateTime>

class QIODevice;

// One of a card's three attached files. The file's bytes live in a stream of the wallet file; the record keeps the
// stream's name and, as its description, the file's display name.
class CAttachment : public CWalletItem {
public:
    // String ids of the file-type filter of each slot.
    static constexpr qint32 kImageFilter = 65027;
    static constexpr qint32 kSoundFilter = 65028;
    static constexpr qint32 kDocumentFilter = 65029;

    bool IsAttached() const { return !streamName.isEmpty(); }
    void CopyFrom(const CAttachment& other);

    // These work through the open wallet's attachment store; each gives 1 on success, else 0.
    // Insert: asks for a file and copies it into a new stream, which the wallet's next save writes. On failure
    // `error`, when given, says why (the file unreadable, the disk full); it stays empty when the user chose no file.
    int StoreFile(QString* error = nullptr);
    // Copies the stream to a file in the user's private attachment folder, named after the display name (never
    // outside that folder, whatever the name holds), and gives its path.
    int ExtractFile(QString& outPath) const;
    // The same into this run's own folder inside it, for opening: the copy goes when the run ends, or, after a
    // crash, at the next start (RemoveLeftoverCopies).
    int ExtractForOpening(QString& outPath) const;
    // Copies the stream to `target`, whole or not at all (a file there is replaced only by a complete copy).
    bool ExtractTo(const QString& target, QString& error) const;
    // Lets go of the stream, which the next save leaves out of the file; an empty slot succeeds at once. The display
    // name stays.
    int RemoveStream();

    // Copies in blocks of 4000 bytes, so a file of any size passes through a small buffer; false on a read or write
    // error (the devices say which).
    static bool CopyBlocks(QIODevice& from, QIODevice& to);
    // The local date and time as six numbers without separators or leading zeros: 5 July 2003, 09:04:03 gives
    // "200375943".
    static QString MakeStreamName(const QDateTime& moment);
    // The private per-user folder that attachments are extracted into, made when missing; empty when it cannot be.
    static QString ExtractionFolder();
    // This run's folder for opened copies, inside the extraction folder; empty when it cannot be made.
    static QString OpenedCopiesFolder();
    // Removes this run's opened copies, folder and all.
    static void RemoveOpenedCopies();
    // Removes the opened copies that earlier runs, which have ended without removing them, left behind.
    static void RemoveLeftoverCopies();

    qint32 filterId = 0;
    QString streamName;
    QString path;

private:
    int ExtractInto(const QString& folder, QString& outPath) const;
};
