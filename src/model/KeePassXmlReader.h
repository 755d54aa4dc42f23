// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportReader.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <map>

// KeePass 2 XML as KeePass and KeePassXC export it: nested groups of entries with their strings and attached files,
// the files kept once in a pool in the header. Entry history is passed over, and so is the recycle bin unless it is
// asked for. A document type declaration is refused before anything in it is read, so no entity is ever expanded.
class KeePassXmlReader : public ImportReader {
public:
    // Attached files larger than this are refused rather than held in memory.
    static constexpr qsizetype kDefaultMaxFile = 256 * 1024 * 1024;

    explicit KeePassXmlReader(bool includeRecycleBin, qsizetype maxFile = kDefaultMaxFile);
    bool Read(QIODevice& input, const Sink& sink, QString& error) override;

private:
    struct Failure {
        QString message;
    };

    void ReadDocument();
    void ReadMeta();
    void ReadBinaryPool();
    void ReadGroups();
    void ReadEntry(const QStringList& groupPath);
    void ReadString(ImportedEntry& entry);
    void ReadAttachment(ImportedEntry& entry);
    QByteArray ReadFileContent(bool compressed);
    bool IsRecycleBin(const QString& uuid) const;
    static QString StandardName(const QString& key);
    QString Text(qsizetype limit);
    bool NextChild();
    void Skip();
    void Check(QXmlStreamReader::TokenType token) const;
    [[noreturn]] void Fail(const QString& message) const;

    bool m_includeRecycleBin;
    qsizetype m_maxFile;
    QXmlStreamReader m_xml;
    const Sink* m_sink = nullptr;
    QString m_recycleBin;
    bool m_recycleBinEnabled = true;
    std::map<QString, QByteArray> m_pool;
};
