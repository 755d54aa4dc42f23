// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/JsonInputStream.h"

#include <QIODevice>

namespace {
constexpr qint64 kBlock = 64 * 1024;
} // namespace

JsonInputStream::JsonInputStream(QIODevice& device, qint64 maxString) : m_device(device), m_maxString(maxString) {
    Fill();
    if (m_buffer.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

bool JsonInputStream::Fill() {
    if (m_tooLong)
        return false;
    if (m_pos < m_buffer.size())
        return true;
    m_buffer = m_device.read(kBlock);
    m_pos = 0;
    return !m_buffer.isEmpty();
}

JsonInputStream::Ch JsonInputStream::Peek() {
    return Fill() ? m_buffer.at(m_pos) : '\0';
}

JsonInputStream::Ch JsonInputStream::Take() {
    if (!Fill())
        return '\0';
    const Ch c = m_buffer.at(m_pos++);
    ++m_consumed;
    if (c == '\n')
        ++m_line;
    Follow(c);
    return c;
}

// A quote opens a string outside one and closes it inside, unless a backslash escapes it.
void JsonInputStream::Follow(Ch c) {
    if (!m_inString) {
        m_inString = c == '"';
        m_stringLength = 0;
        return;
    }
    if (m_escaped)
        m_escaped = false;
    else if (c == '\\')
        m_escaped = true;
    else if (c == '"')
        m_inString = false;
    m_tooLong = ++m_stringLength > m_maxString;
}
