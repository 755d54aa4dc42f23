// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>

class QIODevice;

// A rapidjson input stream over a device, read in blocks, that counts lines so that errors can name one. It follows
// the strings it passes: once one runs longer than the most allowed, the stream ends there, so that the parser never
// collects more of it.
class JsonInputStream {
public:
    using Ch = char;

    JsonInputStream(QIODevice& device, qint64 maxString);

    // Whether the stream ended at a string longer than the most allowed.
    bool StringTooLong() const { return m_tooLong; }

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
    void Follow(Ch c);

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    size_t m_consumed = 0;
    qint64 m_line = 1;
    qint64 m_maxString;
    qint64 m_stringLength = 0;
    bool m_inString = false;
    bool m_escaped = false;
    bool m_tooLong = false;
};
