// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/Windows1252Writer.h"

#include <QIODevice>

#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace {
constexpr qsizetype kBufferSize = 64 * 1024;
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

Windows1252Writer::Windows1252Writer(QIODevice& device) : m_device(device) {
    m_buffer.reserve(kBufferSize);
}

void Windows1252Writer::Markup(QStringView text) {
    Encode(text, false, false);
}

void Windows1252Writer::Text(QStringView text, bool attribute) {
    Encode(text, true, attribute);
}

void Windows1252Writer::Encode(QStringView text, bool escape, bool attribute) {
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            const char byte = char(unit);
            if (const char* entity = escape ? EntityFor(unit, attribute) : nullptr)
                Append(entity, qsizetype(std::char_traits<char>::length(entity)));
            else
                Append(&byte, 1);
            continue;
        }
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(unit, text[++i].unicode());
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
    char reference[16] = {'&', '#'};
    char* end = std::to_chars(reference + 2, reference + sizeof reference - 1, quint32(codePoint)).ptr;
    *end++ = ';';
    Append(reference, end - reference);
}

void Windows1252Writer::Append(const char* bytes, qsizetype size) {
    if (m_buffer.size() + size > kBufferSize)
        Flush();
    m_buffer.append(bytes, size);
}

bool Windows1252Writer::Flush() {
    if (!m_failed && !m_buffer.isEmpty())
        m_failed = m_device.write(m_buffer) != m_buffer.size();
    m_buffer.clear();
    return !m_failed;
}
