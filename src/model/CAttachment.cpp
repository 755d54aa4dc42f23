// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CAttachment.h"

#include "document/CWallet.h"
#include "document/Clock.h"
#include "document/CompoundFile.h"
#include "document/OutputFile.h"
#include "document/Prompts.h"
#include "document/Utilities.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kAttachmentStorage = QStringLiteral("F");
constexpr qint64 kBlockSize = 4000;

// Copies in blocks, so a file of any size passes through a small buffer.
bool CopyBlocks(QIODevice& from, QIODevice& to) {
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

// A stream name of the usual form that the storage does not hold yet: names made in the same second, or from
// moments whose digits run together alike, move on a second at a time.
QString UnusedStreamName(const QStringList& existing) {
    QDateTime moment = Clock::Now();
    for (;;) {
        const QString name = CAttachment::MakeStreamName(moment);
        if (!existing.contains(name, Qt::CaseInsensitive))
            return name;
        moment = moment.addSecs(1);
    }
}

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
} // namespace

void CAttachment::CopyFrom(const CAttachment& other) {
    description = other.description;
    streamName = other.streamName;
    path = other.path;
}

int CAttachment::StoreFile() {
    CWallet* wallet = GetActiveWallet();
    if (!wallet)
        return 0;
    CompoundFile file;
    if (wallet->PathName().isEmpty() || !file.Open(wallet->PathName())) {
        if (Prompts::AskYesNo(LoadResString(kStrSaveBeforeAttaching), Prompts::Icon::Exclamation))
            wallet->OnFileSave();
        return 0;
    }
    if (!file.OpenStorage(kAttachmentStorage))
        return 0;
    const QString chosen = Prompts::Get().OpenFileName(LoadResString(filterId), QString());
    QFile source(chosen);
    if (chosen.isEmpty() || !source.open(QIODevice::ReadOnly))
        return 0;
    const QString name = UnusedStreamName(file.ElementNames());
    std::unique_ptr<QIODevice> stream = file.CreateStream(name);
    if (!stream || !CopyBlocks(source, *stream))
        return 0;
    stream.reset();
    if (!file.Commit()) {
        Prompts::Warn(
            FormatText(LoadResString(kStrSaveFailed), {QDir::toNativeSeparators(file.Path()), file.ErrorString()}));
        return 0;
    }
    description = QFileInfo(chosen).fileName();
    path = chosen;
    streamName = name;
    Prompts::Inform(FormatText(LoadResString(kStrAttached), {description}));
    return 1;
}

int CAttachment::ExtractFile(QString& outPath) const {
    const QString folder = ExtractionFolder();
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
    const CWallet* wallet = GetActiveWallet();
    CompoundFile file;
    std::unique_ptr<QIODevice> stream;
    if (wallet && file.Open(wallet->PathName()) && file.OpenStorage(kAttachmentStorage))
        stream = file.OpenStream(streamName);
    if (!stream) {
        error = file.ErrorString();
        return false;
    }
    // A decrypted copy is private unless the user writes it over a file whose permissions say otherwise.
    OutputFile out(target, OutputFile::NewFileMode::OwnerOnly);
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

int CAttachment::RemoveStream() {
    if (streamName.isEmpty())
        return 1;
    CWallet* wallet = GetActiveWallet();
    CompoundFile file;
    if (!wallet || !file.Open(wallet->PathName()) || !file.OpenStorage(kAttachmentStorage))
        return 0;
    if (!file.DestroyElement(streamName) || !file.Commit())
        return 0;
    file.Close();
    ++wallet->compactCounter;
    wallet->SetModified(true);
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
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        return QString();
    const QString folder = QDir(base).filePath(QStringLiteral("korvel-attachments"));
    if (!QDir().mkpath(folder))
        return QString();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(folder).absoluteFilePath();
}
