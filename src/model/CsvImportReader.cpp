// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CsvImportReader.h"

#include <QIODevice>
#include <QStringDecoder>

#include <utility>

namespace {
constexpr qint64 kChunk = 64 * 1024;
// A field larger than this is no password manager's; it would only hold the whole input in memory.
constexpr qsizetype kMaxField = ImportLimits::kMaxText;
constexpr qsizetype kMaxRecord = ImportLimits::kMaxEntryText;
} // namespace

// Each read starts afresh: the same reader may check a file and then import it.
bool CsvImportReader::ReadEntries(QIODevice& input, QString& error) {
    m_state = State::FieldStart;
    m_field.clear();
    m_record.clear();
    m_columns.clear();
    m_haveHeader = false;
    m_afterCr = false;
    m_recordSize = 0;
    m_line = 1;
    m_recordLine = 1;
    return Parse(input, error);
}

bool CsvImportReader::Parse(QIODevice& input, QString& error) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    bool first = true;
    while (!input.atEnd()) {
        QByteArray bytes = input.read(kChunk);
        if (bytes.isEmpty())
            break;
        if (first && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        first = false;
        const QString text = decoder.decode(bytes);
        if (decoder.hasError()) {
            error = QStringLiteral("line %1: the text is not UTF-8").arg(m_line);
            return false;
        }
        for (const QChar c : text)
            if (!Feed(c, error))
                return false;
    }
    if (m_state == State::Quoted) {
        error = QStringLiteral("line %1: a quoted field is never closed").arg(m_recordLine);
        return false;
    }
    if (m_state != State::FieldStart || !m_record.isEmpty())
        return EndRecord(error);
    if (!m_haveHeader) {
        error = QStringLiteral("the file has no header row");
        return false;
    }
    return true;
}

// Line ends inside a quoted field are kept as they came; outside, the LF of a CR LF follows a line already ended.
bool CsvImportReader::Feed(QChar c, QString& error) {
    const bool afterCr = std::exchange(m_afterCr, c == u'\r');
    if (c == u'\r' || (c == u'\n' && !afterCr))
        ++m_line;
    if (c == u'\n' && afterCr && m_state != State::Quoted)
        return true;
    if (c.isNull()) {
        error = QStringLiteral("line %1: the text holds a NUL character, which a wallet cannot keep; is the file "
                               "CSV in UTF-8?")
                    .arg(m_line);
        return false;
    }
    ++m_recordSize;
    return Step(c, error) && Bounded(error);
}

bool CsvImportReader::Bounded(QString& error) const {
    if (m_field.size() > kMaxField)
        error = QStringLiteral("line %1: a field is larger than %2 MiB").arg(m_recordLine).arg(kMaxField >> 20);
    else if (!m_haveHeader && m_recordSize > kMaxHeader)
        error = QStringLiteral("line %1: the header row is longer than %2 characters, longer than any export writes")
                    .arg(m_recordLine)
                    .arg(kMaxHeader);
    else if (m_recordSize > kMaxRecord)
        error = QStringLiteral("line %1: a record is larger than %2 MiB").arg(m_recordLine).arg(kMaxRecord >> 20);
    else
        return true;
    return false;
}

bool CsvImportReader::Step(QChar c, QString& error) {
    switch (m_state) {
    case State::Quoted:
        if (c == u'"')
            m_state = State::QuoteInQuoted;
        else
            m_field += c;
        break;
    case State::QuoteInQuoted:
        if (c == u'"') {
            m_field += c;
            m_state = State::Quoted;
            break;
        }
        if (c != u',' && c != u'\n' && c != u'\r') {
            error = QStringLiteral("line %1: text follows the closing quote of a field").arg(m_line);
            return false;
        }
        m_state = State::Unquoted;
        return Step(c, error);
    case State::FieldStart:
    case State::Unquoted:
        if (c == u'"') {
            if (m_state == State::Unquoted) {
                error = QStringLiteral("line %1: a quote inside a field that does not start with one").arg(m_line);
                return false;
            }
            m_state = State::Quoted;
        } else if (c == u',') {
            return EndField(error);
        } else if (c == u'\n' || c == u'\r') {
            if (!EndField(error) || !EndRecord(error))
                return false;
            m_recordLine = m_line;
        } else {
            m_field += c;
            m_state = State::Unquoted;
        }
        break;
    }
    return true;
}

// A record is refused at the first field beyond the columns, before the rest of it is read.
bool CsvImportReader::EndField(QString& error) {
    m_record.append(m_field);
    m_field.clear();
    m_state = State::FieldStart;
    const qsizetype most = m_haveHeader ? m_columns.size() : kMaxColumns;
    if (m_record.size() <= most)
        return true;
    error = m_haveHeader
                ? QStringLiteral("line %1: more fields than the %2 columns the header names")
                      .arg(m_recordLine)
                      .arg(m_columns.size())
                : QStringLiteral("line %1: the header row names more than %2 columns, more than any export has")
                      .arg(m_recordLine)
                      .arg(kMaxColumns);
    return false;
}

bool CsvImportReader::EndRecord(QString& error) {
    if (m_state != State::FieldStart && !EndField(error))
        return false;
    m_recordSize = 0;
    QStringList record;
    record.swap(m_record);
    // Blank lines separate nothing.
    if (record.size() == 1 && record.front().isEmpty())
        return true;
    if (!m_haveHeader) {
        SetColumns(record);
        m_haveHeader = true;
        return true;
    }
    m_record = record;
    ImportedEntry entry = Entry();
    m_record.clear();
    return Hand(entry, error);
}

void CsvImportReader::SetColumns(const QStringList& header) {
    m_columns.clear();
    for (const QString& name : header)
        m_columns.append(ColumnNamed(name));
}

CsvImportReader::Column CsvImportReader::ColumnNamed(const QString& header) {
    const QString key = header.trimmed().toLower();
    if (key == u"title" || key == u"name")
        return {Role::Title, {}, false};
    if (key == u"group" || key == u"folder")
        return {Role::Group, {}, false};
    if (key == u"notes" || key == u"note" || key == u"comments")
        return {Role::Notes, {}, false};
    if (key == u"fields")
        return {Role::Fields, {}, false};
    if (key == u"username" || key == u"login_username" || key == u"user name" || key == u"login")
        return {Role::Field, QStringLiteral("Username"), false};
    if (key == u"password" || key == u"login_password")
        return {Role::Field, QStringLiteral("Password"), true};
    if (key == u"url" || key == u"login_uri" || key == u"uri" || key == u"website")
        return {Role::Field, QStringLiteral("URL"), false};
    if (key == u"totp" || key == u"login_totp" || key == u"otp" || key == u"otpauth")
        return {Role::Field, QStringLiteral("TOTP"), true};
    return {Role::Field, header.trimmed(), false};
}

ImportedEntry CsvImportReader::Entry() const {
    ImportedEntry entry;
    for (qsizetype i = 0; i < m_record.size(); ++i) {
        const QString& value = m_record.at(i);
        const Column& column = m_columns.at(i);
        if (value.isEmpty())
            continue;
        switch (column.role) {
        case Role::Title:
            entry.title = value;
            break;
        case Role::Group:
            for (const QString& part : value.split(u'/', Qt::SkipEmptyParts))
                entry.groupPath.append(part.trimmed());
            break;
        case Role::Notes:
            entry.notes = value;
            break;
        case Role::Fields:
            // Bitwarden puts its custom fields into one column, a "name: value" line each.
            for (const QString& line : value.split(u'\n', Qt::SkipEmptyParts)) {
                const qsizetype colon = line.indexOf(QStringLiteral(": "));
                if (colon > 0)
                    entry.fields.append({line.left(colon), line.mid(colon + 2), false});
                else
                    entry.fields.append({QStringLiteral("Field"), line, false});
            }
            break;
        case Role::Field:
            entry.fields.append({column.fieldName.isEmpty() ? QStringLiteral("Column %1").arg(i + 1) : column.fieldName,
                                 value, column.secret});
            break;
        }
    }
    return entry;
}
