// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportReader.h"

#include <QStringList>

// Comma-separated values with a header row that names the columns, quoted as RFC 4180 says (fields in double quotes
// may hold commas, line breaks and doubled quotes), in UTF-8 with or without a byte-order mark. Columns are known by
// the names that password managers and browsers give them; any other column becomes a field of its own name.
class CsvImportReader : public ImportReader {
public:
    bool Read(QIODevice& input, const Sink& sink, QString& error) override;

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
    void EndField();
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
    bool m_pendingCr = false;
    qint64 m_line = 1;
    qint64 m_recordLine = 1;
    const Sink* m_sink = nullptr;
};
