// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringView>

class QIODevice;

// Writes XML text in windows-1252 straight to a device, escaping while it encodes: a character windows-1252 lacks
// becomes a numeric character reference, so nothing is lost. The bytes are those the XML document model saves for the
// same text. Writes are buffered; the first failed write stops all later ones.
class Windows1252Writer {
public:
    explicit Windows1252Writer(QIODevice& device);

    // Markup of the program's own, written as it is.
    void Markup(QStringView text);
    // A value as element text (escaping "<", "&", ">") or as an attribute value (quotes too).
    void Text(QStringView text, bool attribute);
    // Writes what is buffered; false if any write failed.
    bool Flush();

private:
    void Encode(QStringView text, bool escape, bool attribute);
    void Put(char32_t codePoint);
    void Append(const char* bytes, qsizetype size);

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    bool m_failed = false;
};
