// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CsvImportReader.h"

#include <QIODevice>
#include <QStringDecoder>

namespace {
constexpr qint64 kChunk = 64 * 1024;
// A field larger than this is no password manager's; it would only hold the whole input in memory.
constexpr qsizetype kMaxField = 16 * 1024 * 1024;
} // namespace

// Each read starts afresh: the same reader may check a file and then import it.
bool CsvImportReader::Read(QIODevice& input, const Sink& sink, QString& error) {
    m_state = State::FieldStart;
    m_field.clear();
    m_record.clear();
    m_columns.clear();
    m_haveHeader = false;
    m_pendingCr = false;
    m_line = 1;
    m_recordLine = 1;
    m_sink = &sink;
    const bool ok = Parse(input, error);
    m_sink = nullptr;
    return ok;
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

bool CsvImportReader::Feed(QChar c, QString& error) {
    // A CR that ends a line is dropped; any other CR stays part of the text.
    if (m_pendingCr) {
        m_pendingCr = false;
        if (c != u'\n')
            m_field += u'\r';
    }
    if (c == u'\n')
        ++m_line;
    if (!Step(c, error))
        return false;
    if (m_field.size() > kMaxField) {
        error = QStringLiteral("line %1: a field is larger than %2 MiB").arg(m_recordLine).arg(kMaxField >> 20);
        return false;
    }
    return true;
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
            EndField();
        } else if (c == u'\r') {
            m_pendingCr = true;
            m_state = State::Unquoted;
        } else if (c == u'\n') {
            EndField();
            if (!EndRecord(error))
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

void CsvImportReader::EndField() {
    m_record.append(m_field);
    m_field.clear();
    m_state = State::FieldStart;
}

bool CsvImportReader::EndRecord(QString& error) {
    if (m_state != State::FieldStart)
        EndField();
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
    if (record.size() > m_columns.size()) {
        error = QStringLiteral("line %1: %2 fields, but the header names %3 columns")
                    .arg(m_recordLine)
                    .arg(record.size())
                    .arg(m_columns.size());
        return false;
    }
    m_record = record;
    ImportedEntry entry = Entry();
    m_record.clear();
    (*m_sink)(entry);
    return true;
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
