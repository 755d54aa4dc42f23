// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CArchive.h"

#include "model/CArchiveException.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace {
constexpr qint64 kBufferSize = 64 * 1024;
constexpr quint8 kLongLength = 0xFF;
constexpr quint16 kUnicodeMarker = 0xFFFE;
constexpr quint16 kLongerLength = 0xFFFF;
constexpr quint32 kInvalidLength = 0xFFFFFFFFu;

QString Tr(const char* text) {
    return QCoreApplication::translate("CArchive", text);
}
} // namespace

CArchive::CArchive(QIODevice& device, Mode mode) : m_device(device), m_mode(mode) {
    if (IsStoring())
        m_buffer.reserve(kBufferSize);
    else if (device.isSequential())
        throw CArchiveException(Tr("The data cannot be read from this kind of source."));
}

void CArchive::Item(qint32& value) {
    if (IsStoring())
        WriteInt(value);
    else
        value = ReadInt();
}

void CArchive::Item(quint32& value) {
    if (IsStoring())
        WriteUInt(value);
    else
        value = ReadUInt();
}

void CArchive::Item(float& value) {
    quint32 bits = 0;
    if (IsStoring()) {
        std::memcpy(&bits, &value, sizeof bits);
        WriteUInt(bits);
    } else {
        bits = ReadUInt();
        std::memcpy(&value, &bits, sizeof bits);
    }
}

void CArchive::Item(QString& value) {
    if (IsStoring())
        WriteString(value);
    else
        value = ReadString();
}

void CArchive::WriteInt(qint32 value) {
    WriteUInt(quint32(value));
}

void CArchive::WriteUInt(quint32 value) {
    const quint32 le = qToLittleEndian(value);
    WriteBytes(reinterpret_cast<const char*>(&le), sizeof le);
}

void CArchive::WriteString(const QString& value) {
    const qint64 length = value.size();
    char prefix[13] = {char(0xFF), char(0xFE), char(0xFF)};
    qint64 prefixSize = 3;
    auto put16 = [&](quint16 v) {
        qToLittleEndian(v, prefix + prefixSize);
        prefixSize += 2;
    };
    if (length < kLongLength) {
        prefix[prefixSize++] = char(length);
    } else if (length < kUnicodeMarker) {
        prefix[prefixSize++] = char(kLongLength);
        put16(quint16(length));
    } else {
        if (length >= qint64(kInvalidLength))
            throw CArchiveException(Tr("A text is too long to be stored."));
        prefix[prefixSize++] = char(kLongLength);
        put16(kLongerLength);
        qToLittleEndian(quint32(length), prefix + prefixSize);
        prefixSize += 4;
    }
    WriteBytes(prefix, prefixSize);
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        WriteBytes(reinterpret_cast<const char*>(value.constData()), length * 2);
    } else {
        for (QChar c : value) {
            const quint16 le = qToLittleEndian(c.unicode());
            WriteBytes(reinterpret_cast<const char*>(&le), 2);
        }
    }
}

qint32 CArchive::ReadInt() {
    return qint32(ReadUInt());
}

quint32 CArchive::ReadUInt() {
    if (m_buffer.size() - m_pos >= 4) {
        const quint32 v = qFromLittleEndian<quint32>(m_buffer.constData() + m_pos);
        m_pos += 4;
        return v;
    }
    char bytes[4];
    ReadBytes(bytes, 4);
    return qFromLittleEndian<quint32>(bytes);
}

QString CArchive::ReadString() {
    qint64 length = 0;
    const uchar* head = reinterpret_cast<const uchar*>(m_buffer.constData()) + m_pos;
    if (m_buffer.size() - m_pos >= 4 && head[0] == 0xFF && head[1] == 0xFE && head[2] == 0xFF && head[3] < 0xFF) {
        // The common short text, read straight from the buffer.
        length = head[3];
        m_pos += 4;
    } else {
        if (ReadByte() != kLongLength || ReadWord() != kUnicodeMarker)
            throw CArchiveException(Tr("The data holds a text in an unknown form."));
        length = ReadStringLength();
    }
    if (length * 2 > BytesLeft())
        throw CArchiveException(Tr("The data ends in the middle of a text."));
    if (length == 0)
        return QString();
    QString text(length, Qt::Uninitialized);
    ReadBytes(reinterpret_cast<char*>(text.data()), length * 2);
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        for (QChar& c : text)
            c = QChar(qFromLittleEndian(c.unicode()));
    }
    return text;
}

qint64 CArchive::ReadStringLength() {
    const quint8 shortLength = ReadByte();
    if (shortLength < kLongLength)
        return shortLength;
    const quint16 wordLength = ReadWord();
    if (wordLength < kLongerLength)
        return wordLength;
    const quint32 longLength = ReadUInt();
    if (longLength == kInvalidLength)
        throw CArchiveException(Tr("The data holds a text that is too long."));
    return longLength;
}

qint64 CArchive::BytesLeft() const {
    if (IsStoring())
        return 0;
    return (m_buffer.size() - m_pos) + qMax<qint64>(0, m_device.size() - m_device.pos());
}

void CArchive::CheckCount(qint32 count, qint64 minSize) const {
    if (count < 0 || qint64(count) * minSize > BytesLeft())
        throw CArchiveException(Tr("The data names more records than it holds."));
}

void CArchive::Flush() {
    if (!IsStoring() || m_buffer.isEmpty())
        return;
    const qint64 size = m_buffer.size();
    const qint64 written = m_device.write(m_buffer);
    m_buffer.clear();
    if (written != size)
        throw CArchiveException(Tr("The data could not be written: %1").arg(m_device.errorString()));
}

void CArchive::WriteBytes(const char* data, qint64 size) {
    if (m_buffer.size() + size > kBufferSize) {
        Flush();
        if (size > kBufferSize) {
            if (m_device.write(data, size) != size)
                throw CArchiveException(Tr("The data could not be written: %1").arg(m_device.errorString()));
            return;
        }
    }
    m_buffer.append(data, size);
}

void CArchive::ReadBytes(char* data, qint64 size) {
    while (size > 0) {
        if (m_pos == m_buffer.size())
            Refill();
        const qint64 chunk = qMin(size, m_buffer.size() - m_pos);
        std::memcpy(data, m_buffer.constData() + m_pos, size_t(chunk));
        m_pos += chunk;
        data += chunk;
        size -= chunk;
    }
}

quint8 CArchive::ReadByte() {
    if (m_pos == m_buffer.size())
        Refill();
    return quint8(m_buffer[m_pos++]);
}

quint16 CArchive::ReadWord() {
    char bytes[2];
    ReadBytes(bytes, 2);
    return qFromLittleEndian<quint16>(bytes);
}

void CArchive::Refill() {
    m_buffer.resize(kBufferSize);
    const qint64 got = m_device.read(m_buffer.data(), kBufferSize);
    m_buffer.resize(qMax<qint64>(0, got));
    m_pos = 0;
    if (got <= 0)
        throw CArchiveException(Tr("The data ends too early."));
}
