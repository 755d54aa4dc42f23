// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CArchive.h"

#include "base/CipherText.h"
#include "model/CArchiveException.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {
constexpr qint64 kBufferSize = 64 * 1024;
constexpr quint8 kLongLength = 0xFF;
constexpr quint16 kUnicodeMarker = 0xFFFE;
constexpr quint16 kLongerLength = 0xFFFF;
constexpr quint32 kInvalidLength = 0xFFFFFFFFu;
constexpr qint64 kUnitsPerBlock = 4;
// Records enciphered together when storing: enough to keep every core's lanes full, few enough that the enciphered
// copies stay small beside the wallet.
constexpr qsizetype kRecordsPerBatch = 4096;
// Texts read before they are deciphered together.
constexpr qsizetype kTextsPerBatch = 32768;
// Shared texts remembered; a wallet has far fewer templates, a damaged file may name more.
constexpr qsizetype kSharedTexts = 4096;

qint64 PaddedSize(qint64 length) {
    return (length + kUnitsPerBlock - 1) / kUnitsPerBlock * kUnitsPerBlock;
}

// The text gathered for enciphering is the one being written: the same units, not merely equal ones.
bool IsSameText(QStringView gathered, QStringView text) {
    return gathered.data() == text.data() && gathered.size() == text.size();
}

QString Tr(const char* text) {
    return QCoreApplication::translate("CArchive", text);
}
} // namespace

CArchive::CArchive(std::vector<QStringView>& cipheredTexts, qint32 cipherMethod)
    : m_device(nullptr), m_mode(Mode::Store), m_cipherMethod(cipherMethod), m_gathered(&cipheredTexts) {}

CArchive::CArchive(QIODevice& device, Mode mode, qint32 cipherMethod)
    : m_device(&device), m_mode(mode), m_cipherMethod(cipherMethod) {
    if (IsStoring())
        m_buffer.resize(kBufferSize);
    else if (device.isSequential())
        throw CArchiveException(Tr("The data cannot be read from this kind of source."));
}

void CArchive::SetCipherMethod(qint32 method) {
    if (method == m_cipherMethod)
        return;
    DecipherWaiting();
    m_cipherMethod = method;
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

// A text seen before is recognised by its bytes in the read buffer, before any text is made of them.
void CArchive::SharedItem(QString& value) {
    if (IsStoring()) {
        WriteString(value);
        return;
    }
    const qint64 length = ReadStringHead();
    if (length > 0 && length * 2 <= m_buffer.size() - m_pos) {
        const std::string_view bytes(m_buffer.constData() + m_pos, size_t(length * 2));
        if (const auto known = m_shared.find(bytes); known != m_shared.end()) {
            value = known->second;
            m_pos += length * 2;
            return;
        }
    }
    // A new text, or one that runs past the end of the buffer, is read whole and then looked for.
    value = ReadStringBody(length, false);
    std::string bytes(size_t(length * 2), '\0');
    qToLittleEndian<quint16>(value.utf16(), length, bytes.data());
    if (const auto known = m_shared.find(bytes); known != m_shared.end())
        value = known->second;
    else if (qsizetype(m_shared.size()) < kSharedTexts)
        m_shared.emplace(std::move(bytes), value);
}

void CArchive::WriteInt(qint32 value) {
    WriteUInt(quint32(value));
}

void CArchive::WriteUInt(quint32 value) {
    const quint32 le = qToLittleEndian(value);
    WriteBytes(reinterpret_cast<const char*>(&le), sizeof le);
}

void CArchive::WriteString(QStringView value) {
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
    return ReadString(false);
}

void CArchive::ReadCiphered(QString& text) {
    text = ReadEnciphered();
    DecipherLater(text);
}

QString CArchive::ReadEnciphered() {
    return ReadString(true);
}

void CArchive::DecipherLater(QString& text) {
    if (!IsBatching() || text.isEmpty())
        return;
    m_toDecipher.push_back(&text);
    DecipherIfFull();
}

void CArchive::DecipherLater(std::span<const CipherPiece> pieces) {
    if (!IsBatching())
        return;
    m_piecesToDecipher.insert(m_piecesToDecipher.end(), pieces.begin(), pieces.end());
    DecipherIfFull();
}

// Deciphered while they are still in the cache, and the list of waiting texts stays short.
void CArchive::DecipherIfFull() {
    if (qsizetype(m_toDecipher.size() + m_piecesToDecipher.size()) >= kTextsPerBatch)
        DecipherWaiting();
}

void CArchive::DecipherWaiting() {
    CipherTextBatch(m_toDecipher, false, m_cipherMethod);
    CipherTextBatch(m_piecesToDecipher, false, m_cipherMethod);
    m_toDecipher.clear();
    m_piecesToDecipher.clear();
}

std::span<const char16_t> CArchive::ReadEncipheredRun(std::span<quint32> lengths) {
    m_run.clear();
    for (quint32& length : lengths) {
        const qint64 size = ReadStringHead();
        length = quint32(size);
        const size_t start = m_run.size();
        m_run.resize(start + size_t(PaddedSize(size)));
        ReadUnits(m_run.data() + start, size);
    }
    return m_run;
}

void CArchive::WriteCiphered(QStringView text) {
    // An empty text stays empty under every method: it is written as it is and never gathered.
    if (text.isEmpty()) {
        WriteString(QStringView());
        return;
    }
    if (m_gathered) {
        m_gathered->push_back(text);
        return;
    }
    if (m_plain && m_nextEnciphered < m_plain->size() && IsSameText((*m_plain)[m_nextEnciphered], text)) {
        const qsizetype start = m_nextEnciphered == 0 ? 0 : (*m_ends)[m_nextEnciphered - 1];
        const qsizetype end = (*m_ends)[m_nextEnciphered++];
        WriteString(QStringView(m_enciphered->data() + start, end - start));
        return;
    }
    WriteString(CipherText(text.toString(), true, m_cipherMethod));
}

void CArchive::LoadBatched(const std::function<void()>& load) {
    ++m_batchDepth;
    try {
        load();
    } catch (...) {
        --m_batchDepth;
        m_toDecipher.clear();
        m_piecesToDecipher.clear();
        throw;
    }
    if (--m_batchDepth == 0)
        DecipherWaiting();
}

void CArchive::StoreBatched(qsizetype count, const std::function<void(qsizetype, CArchive&)>& store) {
    for (qsizetype first = 0; first < count; first += kRecordsPerBatch) {
        const qsizetype end = std::min(count, first + kRecordsPerBatch);
        std::vector<QStringView> plain;
        CArchive gather(plain, m_cipherMethod);
        for (qsizetype i = first; i < end; ++i)
            store(i, gather);
        std::vector<char16_t> units;
        std::vector<qsizetype> ends;
        EncipherTextsInto(plain, m_cipherMethod, units, ends);
        m_plain = &plain;
        m_enciphered = &units;
        m_ends = &ends;
        m_nextEnciphered = 0;
        try {
            for (qsizetype i = first; i < end; ++i)
                store(i, *this);
        } catch (...) {
            m_plain = nullptr;
            m_enciphered = nullptr;
            throw;
        }
        m_plain = nullptr;
        m_enciphered = nullptr;
    }
}

QString CArchive::ReadString(bool roomForBlocks) {
    return ReadStringBody(ReadStringHead(), roomForBlocks);
}

QString CArchive::ReadStringBody(qint64 length, bool roomForBlocks) {
    if (length == 0)
        return QString();
    // A text read for deciphering gets the room for its padded last block now, so that deciphering it in place
    // allocates nothing more. Made at its full room in one allocation, then cut to its length.
    const qint64 room = roomForBlocks ? PaddedSize(length) : length;
    QString text(room, Qt::Uninitialized);
    if (room != length)
        text.truncate(length);
    ReadUnits(reinterpret_cast<char16_t*>(text.data()), length);
    return text;
}

// The marker and length of a text; fails unless that many units follow.
qint64 CArchive::ReadStringHead() {
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
    // A text within the buffer needs no look at the device, which is asked only for longer ones.
    if (length * 2 > m_buffer.size() - m_pos && length * 2 > BytesLeft())
        throw CArchiveException(Tr("The data ends in the middle of a text."));
    return length;
}

void CArchive::ReadUnits(char16_t* units, qint64 count) {
    ReadBytes(reinterpret_cast<char*>(units), count * 2);
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        for (qint64 i = 0; i < count; ++i)
            units[i] = qFromLittleEndian(units[i]);
    }
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
    return (m_buffer.size() - m_pos) + qMax<qint64>(0, m_device->size() - m_device->pos());
}

void CArchive::CheckCount(qint32 count, qint64 minSize) const {
    if (count < 0 || qint64(count) * minSize > BytesLeft())
        throw CArchiveException(Tr("The data names more records than it holds."));
}

void CArchive::Flush() {
    if (!IsStoring() || m_gathered || m_pos == 0)
        return;
    const qint64 size = m_pos;
    const qint64 written = m_device->write(m_buffer.constData(), size);
    m_pos = 0;
    if (written != size)
        throw CArchiveException(Tr("The data could not be written: %1").arg(m_device->errorString()));
}

void CArchive::WriteBytes(const char* data, qint64 size) {
    if (m_gathered || size == 0)
        return;
    if (m_pos + size > kBufferSize) {
        Flush();
        if (size > kBufferSize) {
            if (m_device->write(data, size) != size)
                throw CArchiveException(Tr("The data could not be written: %1").arg(m_device->errorString()));
            return;
        }
    }
    // The buffer keeps its room from flush to flush; copying into it is all a small item costs.
    std::memcpy(m_buffer.data() + m_pos, data, size_t(size));
    m_pos += size;
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
    const qint64 got = m_device->read(m_buffer.data(), kBufferSize);
    m_buffer.resize(qMax<qint64>(0, got));
    m_pos = 0;
    if (got <= 0)
        throw CArchiveException(Tr("The data ends too early."));
}
