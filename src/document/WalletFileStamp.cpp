// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletFileStamp.h"

#include "document/WalletStorage.h"
#include "storage/HashingDevice.h"
#include "storage/SealedHeader.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>

WalletFileStamp::WalletFileStamp(CompoundFile& file, const QByteArray& documentHash)
    : m_identity(file.FileIdentity()), m_form(Form(file)), m_content(ContentHash(file, documentHash)) {}

bool WalletFileStamp::Matches(CompoundFile& file) const {
    if (!IsSet())
        return false;
    if (file.FileIdentity() == m_identity)
        return true;
    if (Form(file) != m_form)
        return false;
    const QByteArray documentHash = DocumentHash(file);
    return !documentHash.isEmpty() && ContentHash(file, documentHash) == m_content;
}

// The attachments enter by name and size: their bytes only change together with the document stream that names
// them, and reading every attachment of a large wallet on each save would cost more than the save.
QByteArray WalletFileStamp::ContentHash(CompoundFile& file, const QByteArray& documentHash) {
    QByteArray listing;
    QDataStream out(&listing, QIODevice::WriteOnly);
    out << documentHash;
    if (file.OpenStorage(WalletStorage::kAttachmentStorage)) {
        for (const QString& name : file.ElementNames())
            out << name << file.StreamSize(name);
        file.PopStorage();
    }
    QBuffer buffer(&listing);
    buffer.open(QIODevice::ReadOnly);
    return HashingDevice::HashAll(buffer);
}

// A file unsealed, sealed or given another passphrase by another program holds the same wallet in another form,
// which a save must not silently undo. The form is the sealed header up to the secret stream's own header, which
// every save draws anew: sealed again under the same key, a file keeps its form.
QByteArray WalletFileStamp::Form(const CompoundFile& file) {
    QFile onDisk(file.Path());
    if (!onDisk.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray start = onDisk.read(SealedHeader::kSize);
    return SealedHeader::HasMagic(start) ? start.left(SealedHeader::kSize - SealedHeader::kStreamHeaderSize)
                                         : QByteArray();
}

QByteArray WalletFileStamp::DocumentHash(CompoundFile& file) {
    if (!file.OpenStorage(WalletStorage::kDocumentStorage))
        return QByteArray();
    std::unique_ptr<QIODevice> stream = file.OpenStream(WalletStorage::kDocumentStream);
    const QByteArray hash = stream ? HashingDevice::HashAll(*stream) : QByteArray();
    stream.reset();
    file.PopStorage();
    return hash;
}
