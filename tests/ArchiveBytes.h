// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CArchive.h"

#include <QBuffer>
#include <QByteArray>

// Writes a record (or anything with Serialize) to bytes and reads it back under a cipher method, for the layout tests.
template <class Record> QByteArray StoredBytes(Record& record, qint32 method) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive archive(buffer, CArchive::Mode::Store, method);
    record.Serialize(archive);
    archive.Flush();
    return bytes;
}

template <class Record> void LoadBytes(Record& record, const QByteArray& bytes, qint32 method) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchive archive(buffer, CArchive::Mode::Load, method);
    record.Serialize(archive);
}

inline QByteArray Hex(const char* spaced) {
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}
