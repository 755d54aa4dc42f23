// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/JsonInputStream.h"

#include <QIODevice>

namespace {
constexpr qint64 kBlock = 64 * 1024;
} // namespace

JsonInputStream::JsonInputStream(QIODevice& device) : m_device(device) {
    Fill();
    if (m_buffer.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

bool JsonInputStream::Fill() {
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
    return c;
}
