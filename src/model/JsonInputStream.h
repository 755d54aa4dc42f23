// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>

class QIODevice;

// A rapidjson input stream over a device, read in blocks, that counts lines so that errors can name one.
class JsonInputStream {
public:
    using Ch = char;

    explicit JsonInputStream(QIODevice& device);

    Ch Peek();
    Ch Take();
    size_t Tell() const { return m_consumed; }
    qint64 Line() const { return m_line; }

    // Only for parsing in place, which is never done here.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

private:
    bool Fill();

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    size_t m_consumed = 0;
    qint64 m_line = 1;
};
