// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/Windows1252Writer.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace {
constexpr qsizetype kBufferSize = 64 * 1024;
// The most bytes one character can take: a numeric character reference such as "&#1114111;".
constexpr qsizetype kLongestCharacter = 16;
constexpr char32_t kReplacement = 0xFFFD;

// The characters that windows-1252 puts at 0x80 to 0x9F; its other bytes are the Latin-1 characters of the same
// value. 0x81, 0x8D, 0x8F, 0x90 and 0x9D hold none.
constexpr std::array<std::pair<char32_t, char>, 27> kHighHalf{{
    {0x20AC, char(0x80)}, {0x201A, char(0x82)}, {0x0192, char(0x83)}, {0x201E, char(0x84)}, {0x2026, char(0x85)},
    {0x2020, char(0x86)}, {0x2021, char(0x87)}, {0x02C6, char(0x88)}, {0x2030, char(0x89)}, {0x0160, char(0x8A)},
    {0x2039, char(0x8B)}, {0x0152, char(0x8C)}, {0x017D, char(0x8E)}, {0x2018, char(0x91)}, {0x2019, char(0x92)},
    {0x201C, char(0x93)}, {0x201D, char(0x94)}, {0x2022, char(0x95)}, {0x2013, char(0x96)}, {0x2014, char(0x97)},
    {0x02DC, char(0x98)}, {0x2122, char(0x99)}, {0x0161, char(0x9A)}, {0x203A, char(0x9B)}, {0x0153, char(0x9C)},
    {0x017E, char(0x9E)}, {0x0178, char(0x9F)},
}};

// The byte for a character, or 0 with false when windows-1252 has none.
bool ByteFor(char32_t c, char& byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = char(c);
        return true;
    }
    for (const auto& [character, value] : kHighHalf) {
        if (character == c) {
            byte = value;
            return true;
        }
    }
    return false;
}

const char* EntityFor(char16_t c, bool attribute) {
    switch (c) {
    case u'<':
        return "&lt;";
    case u'&':
        return "&amp;";
    case u'>':
        return "&gt;";
    case u'\'':
        return attribute ? "&apos;" : nullptr;
    case u'"':
        return attribute ? "&quot;" : nullptr;
    default:
        return nullptr;
    }
}
} // namespace

Windows1252Writer::Windows1252Writer(QIODevice& device) : m_device(device), m_buffer(kBufferSize, Qt::Uninitialized) {}

void Windows1252Writer::Markup(QStringView text) {
    Encode(text, false, false);
}

void Windows1252Writer::Text(QStringView text, bool attribute) {
    Encode(text, true, attribute);
}

// Most text is ASCII that needs no escaping: such a unit goes straight into the buffer, which always has room for
// the longest character when a unit is taken.
void Windows1252Writer::Encode(QStringView text, bool escape, bool attribute) {
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    char* buffer = m_buffer.data();
    for (qsizetype i = 0; i < size; ++i) {
        if (m_used > kBufferSize - kLongestCharacter)
            Flush();
        const char16_t unit = units[i];
        if (unit < 0x80) {
            if (const char* entity = escape ? EntityFor(unit, attribute) : nullptr)
                Append(entity, qsizetype(std::char_traits<char>::length(entity)));
            else
                buffer[m_used++] = char(unit);
            continue;
        }
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]))
            c = QChar::surrogateToUcs4(unit, units[++i]);
        else if (QChar::isSurrogate(unit))
            c = kReplacement;
        Put(c);
    }
}

void Windows1252Writer::Put(char32_t codePoint) {
    char byte = 0;
    if (ByteFor(codePoint, byte)) {
        Append(&byte, 1);
        return;
    }
    char reference[kLongestCharacter] = {'&', '#'};
    char* end = std::to_chars(reference + 2, reference + sizeof reference - 1, quint32(codePoint)).ptr;
    *end++ = ';';
    Append(reference, end - reference);
}

// Only ever asked for at most kLongestCharacter bytes, for which Encode has made room.
void Windows1252Writer::Append(const char* bytes, qsizetype size) {
    std::copy_n(bytes, size, m_buffer.data() + m_used);
    m_used += size;
}

bool Windows1252Writer::Flush() {
    if (!m_failed && m_used > 0)
        m_failed = m_device.write(m_buffer.constData(), m_used) != m_used;
    m_used = 0;
    return !m_failed;
}
