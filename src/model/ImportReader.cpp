// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ImportReader.h"

#include "model/BitwardenJsonReader.h"
#include "model/CsvImportReader.h"
#include "model/KeePassXmlReader.h"

#include <QIODevice>

std::optional<ImportReader::Format> ImportReader::Detect(QIODevice& input) {
    QByteArray head = input.peek(4096);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    const QByteArray start = head.trimmed();
    if (start.startsWith('<'))
        return Format::KeePassXml;
    if (start.startsWith('{'))
        return Format::BitwardenJson;
    if (!start.isEmpty())
        return Format::Csv;
    return std::nullopt;
}

std::optional<ImportReader::Format> ImportReader::FormatNamed(const QString& name) {
    if (name == u"keepass-xml")
        return Format::KeePassXml;
    if (name == u"bitwarden-json")
        return Format::BitwardenJson;
    if (name == u"csv")
        return Format::Csv;
    return std::nullopt;
}

std::unique_ptr<ImportReader> ImportReader::Create(Format format, bool includeRecycleBin) {
    switch (format) {
    case Format::KeePassXml:
        return std::make_unique<KeePassXmlReader>(includeRecycleBin);
    case Format::BitwardenJson:
        return std::make_unique<BitwardenJsonReader>();
    case Format::Csv:
        break;
    }
    return std::make_unique<CsvImportReader>();
}
