// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/WalletFileStamp.h"

#include "document/WalletStorage.h"
#include "storage/HashingDevice.h"

#include <QBuffer>
#include <QDataStream>

WalletFileStamp::WalletFileStamp(CompoundFile& file, const QByteArray& documentHash)
    : m_identity(file.FileIdentity()), m_content(ContentHash(file, documentHash)) {}

bool WalletFileStamp::Matches(CompoundFile& file) const {
    if (!IsSet())
        return false;
    if (file.FileIdentity() == m_identity)
        return true;
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

QByteArray WalletFileStamp::DocumentHash(CompoundFile& file) {
    if (!file.OpenStorage(WalletStorage::kDocumentStorage))
        return QByteArray();
    std::unique_ptr<QIODevice> stream = file.OpenStream(WalletStorage::kDocumentStream);
    const QByteArray hash = stream ? HashingDevice::HashAll(*stream) : QByteArray();
    stream.reset();
    file.PopStorage();
    return hash;
}
