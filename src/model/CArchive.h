// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads or writes the record stream of wallets and template files: little-endian 32-bit items and length-prefixed
// UTF-16 strings, with no padding and no type information. Reading trusts nothing: every length and count is checked
// against the bytes that are left, so a damaged stream raises CArchiveException instead of allocating what it claims.
// The device must be random access when loading, so that the bytes left are known.
class CArchive {
public:
    enum class Mode { Store, Load };

    CArchive(QIODevice& device, Mode mode);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == Mode::Store; }
    bool IsLoading() const { return m_mode == Mode::Load; }

    // Each item is written from, or read into, the variable, depending on the mode.
    void Item(qint32& value);
    void Item(quint32& value);
    void Item(float& value);
    void Item(QString& value);

    void WriteInt(qint32 value);
    void WriteUInt(quint32 value);
    void WriteString(const QString& value);
    qint32 ReadInt();
    quint32 ReadUInt();
    QString ReadString();

    // Loading: the bytes not read yet. Storing: 0.
    qint64 BytesLeft() const;
    // Loading: fails unless `count` records of at least `minSize` bytes each can still follow.
    void CheckCount(qint32 count, qint64 minSize) const;

    // Writes what is buffered; a failed write raises CArchiveException. Storing archives must be flushed.
    void Flush();

private:
    void WriteBytes(const char* data, qint64 size);
    void ReadBytes(char* data, qint64 size);
    quint8 ReadByte();
    quint16 ReadWord();
    qint64 ReadStringLength();
    void Refill();

    QIODevice& m_device;
    Mode m_mode;
    QByteArray m_buffer;
    qint64 m_pos = 0; // next byte of m_buffer to read (loading)
};
