// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/SealedHeader.h"

#include <QFile>
#include <QtEndian>

#include <cstring>
#include <unistd.h>

namespace {
// The memory the machine has; a key derivation asking more could never finish.
quint64 PhysicalMemoryKiB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? quint64(pages) * quint64(pageSize) / 1024 : 0;
}
} // namespace

bool SealedHeader::HasMagic(const QByteArray& start) {
    return start.startsWith(QByteArray::fromRawData(kMagic, 8));
}

SealedHeader::Kind SealedHeader::Read(const QString& path, SealedHeader& header, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return Kind::Unusable;
    }
    const QByteArray start = file.read(kSize);
    if (!HasMagic(start))
        return Kind::Plain;
    return Parse(start, header, error) ? Kind::Sealed : Kind::Unusable;
}

bool SealedHeader::Parse(const QByteArray& bytes, SealedHeader& header, QString& error) {
    if (bytes.size() < kSize || !HasMagic(bytes)) {
        error = QStringLiteral("the sealed file's header is incomplete");
        return false;
    }
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint16 version = qFromLittleEndian<quint16>(data + 8);
    if (version != kVersion) {
        error = QStringLiteral("the file is sealed in format version %1, which this program does not know; a newer "
                               "version of Korvel may open it")
                    .arg(version);
        return false;
    }
    const quint16 derivation = qFromLittleEndian<quint16>(data + 10);
    if (derivation != kArgon2id) {
        error = QStringLiteral("the file's key derivation %1 is unknown").arg(derivation);
        return false;
    }
    const quint32 operations = qFromLittleEndian<quint32>(data + 12);
    const quint32 memoryKiB = qFromLittleEndian<quint32>(data + 16);
    if (!CheckCosts(operations, memoryKiB, error))
        return false;
    header.operations = operations;
    header.memoryKiB = memoryKiB;
    header.salt = bytes.mid(20, kSaltSize);
    header.streamHeader = bytes.mid(20 + kSaltSize, kStreamHeaderSize);
    return true;
}

bool SealedHeader::CheckCosts(quint32 operations, quint32 memoryKiB, QString& error) {
    if (operations < 1 || operations > kMaxOperations) {
        error = QStringLiteral("the file asks for %1 passes of its key derivation; 1 to %2 are allowed")
                    .arg(operations)
                    .arg(kMaxOperations);
        return false;
    }
    if (memoryKiB < kMinMemoryKiB) {
        error = QStringLiteral("the file's key derivation uses %1 KiB of memory; at least %2 KiB are needed")
                    .arg(memoryKiB)
                    .arg(kMinMemoryKiB);
        return false;
    }
    const quint64 physical = PhysicalMemoryKiB();
    if (memoryKiB > kMaxMemoryKiB || (physical > 0 && memoryKiB > physical)) {
        error = QStringLiteral("the file asks for %1 KiB of memory for its key derivation, more than this machine "
                               "can give or than any wallet needs")
                    .arg(memoryKiB);
        return false;
    }
    return true;
}

QByteArray SealedHeader::Serialize() const {
    QByteArray bytes(kSize, '\0');
    auto* data = reinterpret_cast<uchar*>(bytes.data());
    std::memcpy(data, kMagic, 8);
    qToLittleEndian<quint16>(kVersion, data + 8);
    qToLittleEndian<quint16>(kArgon2id, data + 10);
    qToLittleEndian<quint32>(operations, data + 12);
    qToLittleEndian<quint32>(memoryKiB, data + 16);
    std::memcpy(data + 20, salt.constData(), kSaltSize);
    std::memcpy(data + 20 + kSaltSize, streamHeader.constData(), kStreamHeaderSize);
    return bytes;
}
