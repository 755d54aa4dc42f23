// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CAttachment.h"

#include "base/OutputFile.h"
#include "base/RunFolder.h"
#include "model/AttachmentStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

namespace {
constexpr qint64 kBlockSize = 4000;

// The display name as a plain file name: no folders, nothing that climbs out of the folder, no control characters.
QString SafeFileName(const QString& displayName) {
    QString name = QFileInfo(QString(displayName).replace(u'\\', u'/')).fileName();
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c == u'\x7f')
            c = u'_';
    }
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("attachment");
    while (QFile::encodeName(name).size() > 255)
        name.chop(1);
    return name;
}

QString ExtractionFolderPath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("korvel-attachments"));
}

// Made on the first opening, under the extraction folder of that moment.
std::unique_ptr<RunFolder>& OpenedCopies() {
    static std::unique_ptr<RunFolder> folder;
    return folder;
}
} // namespace

bool CAttachment::CopyBlocks(QIODevice& from, QIODevice& to) {
    char buffer[kBlockSize];
    for (;;) {
        const qint64 got = from.read(buffer, kBlockSize);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (to.write(buffer, got) != got)
            return false;
    }
}

void CAttachment::CopyFrom(const CAttachment& other) {
    description = other.description;
    streamName = other.streamName;
    path = other.path;
}

// The slot changes only once the file's bytes are held for the next save; nothing reaches the wallet's file before
// that save, which writes the stream and the card naming it together.
int CAttachment::StoreFile(QString* error) {
    AttachmentStore* store = AttachmentStore::Get();
    if (!store || !store->ReadyForAttachments())
        return 0;
    const QString chosen = store->ChooseFile(filterId);
    QFile source(chosen);
    if (chosen.isEmpty())
        return 0;
    QString why;
    const QString name = source.open(QIODevice::ReadOnly) ? store->AddStream(source, why) : QString();
    if (name.isEmpty()) {
        if (error)
            *error = why.isEmpty() ? source.errorString() : why;
        return 0;
    }
    description = QFileInfo(chosen).fileName();
    path = chosen;
    streamName = name;
    store->Attached(streamName);
    return 1;
}

int CAttachment::ExtractFile(QString& outPath) const {
    return ExtractInto(ExtractionFolder(), outPath);
}

int CAttachment::ExtractForOpening(QString& outPath) const {
    return ExtractInto(OpenedCopiesFolder(), outPath);
}

int CAttachment::ExtractInto(const QString& folder, QString& outPath) const {
    if (folder.isEmpty())
        return 0;
    const QString target = QDir(folder).filePath(SafeFileName(description));
    QString error;
    if (QFileInfo(target).absolutePath() != QFileInfo(folder).absoluteFilePath() || !ExtractTo(target, error))
        return 0;
    outPath = target;
    return 1;
}

bool CAttachment::ExtractTo(const QString& target, QString& error) const {
    AttachmentStore* store = AttachmentStore::Get();
    std::unique_ptr<QIODevice> stream = store ? store->OpenStream(streamName, error) : nullptr;
    if (!stream)
        return false;
    // A decrypted copy is private unless the user writes it over a file whose permissions say otherwise.
    OutputFile out(target);
    if (!out.Open()) {
        error = out.errorString();
        return false;
    }
    if (!CopyBlocks(*stream, out) || !out.Commit()) {
        error = out.HasFailed() ? out.errorString() : stream->errorString();
        return false;
    }
    return true;
}

// The stream leaves the wallet's file with the next save, in the same commit as the card that no longer names it.
int CAttachment::RemoveStream() {
    if (streamName.isEmpty())
        return 1;
    if (AttachmentStore* store = AttachmentStore::Get())
        store->StreamRemoved();
    streamName.clear();
    return 1;
}

QString CAttachment::MakeStreamName(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::asprintf("%d%d%d%d%d%d", date.year(), date.month(), date.day(), time.hour(), time.minute(),
                             time.second());
}

// The user's runtime folder is private to the user (mode 0700) and emptied at log-out, which suits decrypted copies.
QString CAttachment::ExtractionFolder() {
    const QString folder = ExtractionFolderPath();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(folder).absoluteFilePath();
}

QString CAttachment::OpenedCopiesFolder() {
    if (!OpenedCopies()) {
        const QString parent = ExtractionFolder();
        if (parent.isEmpty())
            return QString();
        OpenedCopies() = std::make_unique<RunFolder>(parent);
    }
    return OpenedCopies()->Path();
}

void CAttachment::RemoveOpenedCopies() {
    OpenedCopies().reset();
}

// A run that crashed left its copies in the clear, which for a sealed wallet are the only plain text of it that
// outlives the program.
void CAttachment::RemoveLeftoverCopies() {
    RunFolder::RemoveLeftovers(ExtractionFolderPath());
}
