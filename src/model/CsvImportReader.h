// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportReader.h"

#include <QStringList>

// Comma-separated values with a header row that names the columns, quoted as RFC 4180 says (fields in double quotes
// may hold commas, line breaks and doubled quotes), in UTF-8 with or without a byte-order mark. Columns are known by
// the names that password managers and browsers give them; any other column becomes a field of its own name. Lines
// end in LF, CR LF or CR alone.
class CsvImportReader : public ImportReader {
public:
    // More columns than any export has; the header row is refused beyond them, or beyond this many characters.
    static constexpr qsizetype kMaxColumns = 4096;
    static constexpr qsizetype kMaxHeader = 1024 * 1024;

    explicit CsvImportReader(const ImportLimits& limits = {}) : ImportReader(limits) {}

protected:
    bool ReadEntries(QIODevice& input, QString& error) override;

private:
    enum class Role { Title, Group, Notes, Field, Fields };
    struct Column {
        Role role = Role::Field;
        QString fieldName;
        bool secret = false;
    };

    bool Parse(QIODevice& input, QString& error);
    bool Feed(QChar c, QString& error);
    bool Step(QChar c, QString& error);
    bool Bounded(QString& error) const;
    bool EndField(QString& error);
    bool EndRecord(QString& error);
    void SetColumns(const QStringList& header);
    ImportedEntry Entry() const;
    static Column ColumnNamed(const QString& header);

    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
    State m_state = State::FieldStart;
    QString m_field;
    QStringList m_record;
    QList<Column> m_columns;
    bool m_haveHeader = false;
    bool m_afterCr = false;
    qsizetype m_recordSize = 0;
    qint64 m_line = 1;
    qint64 m_recordLine = 1;
};
