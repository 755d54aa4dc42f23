// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One entry of another program's export, as a reader hands it over: where it was filed, its title, its named values
// in the order the export gives them, its notes and its attached files.
struct ImportedEntry {
    struct Field {
        QString name;
        QString value;
        // The other program kept the value hidden (a password, a protected string).
        bool secret = false;
    };
    struct File {
        QString name;
        QByteArray data;
    };

    // Group names from the outermost in; empty when the entry was filed nowhere.
    QStringList groupPath;
    QString title;
    QList<Field> fields;
    QString notes;
    QList<File> files;
    // Names of attached files that the entry refers to but the export does not hold.
    QStringList missingFiles;

    // What the entry brings into a wallet, in bytes: its texts (two bytes a character) and its attached files.
    qint64 Size() const {
        qint64 size = 2 * (title.size() + notes.size());
        for (const QString& group : groupPath)
            size += 2 * group.size();
        for (const Field& field : fields)
            size += 2 * (field.name.size() + field.value.size());
        for (const File& file : files)
            size += 2 * file.name.size() + file.data.size();
        return size;
    }
};
