// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/KeePassXmlReader.h"

#include "model/GzipInflater.h"

#include <QIODevice>

#include <vector>

namespace {
bool IsTrue(const QStringView text) {
    return text.compare(u"True", Qt::CaseInsensitive) == 0;
}
// Texts other than attached files: long notes are fine, a text as large as an attachment is not.
constexpr qsizetype kMaxText = 16 * 1024 * 1024;
} // namespace

KeePassXmlReader::KeePassXmlReader(bool includeRecycleBin, qsizetype maxFile)
    : m_includeRecycleBin(includeRecycleBin), m_maxFile(maxFile) {}

bool KeePassXmlReader::Read(QIODevice& input, const Sink& sink, QString& error) {
    m_xml.setDevice(&input);
    m_sink = &sink;
    m_pool.clear();
    bool ok = true;
    try {
        ReadDocument();
    } catch (const Failure& failure) {
        error = failure.message;
        ok = false;
    }
    m_pool.clear();
    m_sink = nullptr;
    m_xml.setDevice(nullptr);
    return ok;
}

void KeePassXmlReader::Fail(const QString& message) const {
    throw Failure{
        QStringLiteral("line %1, column %2: %3").arg(m_xml.lineNumber()).arg(m_xml.columnNumber()).arg(message)};
}

void KeePassXmlReader::Check(QXmlStreamReader::TokenType token) const {
    switch (token) {
    case QXmlStreamReader::DTD:
        Fail(QStringLiteral("the file declares a document type, which a KeePass export never does; refused"));
    case QXmlStreamReader::EntityReference:
        Fail(QStringLiteral("the entity \"%1\" is not one of XML's own").arg(m_xml.name()));
    case QXmlStreamReader::Invalid:
        // Qt's messages end with a full stop; ours go on after them.
        Fail(m_xml.errorString().chopped(m_xml.errorString().endsWith(u'.') ? 1 : 0));
    default:
        break;
    }
}

// The next child element of the current one; false at the current element's end.
bool KeePassXmlReader::NextChild() {
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        Check(token);
        if (token == QXmlStreamReader::StartElement)
            return true;
        if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument)
            return false;
    }
}

// The text of the current element, which may hold no elements.
QString KeePassXmlReader::Text(qsizetype limit) {
    const QString element = m_xml.name().toString();
    QString text;
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        Check(token);
        if (token == QXmlStreamReader::Characters)
            text += m_xml.text();
        else if (token == QXmlStreamReader::EndElement)
            return text;
        else if (token == QXmlStreamReader::StartElement)
            Fail(QStringLiteral("<%1> cannot hold the element <%2>").arg(element, m_xml.name()));
        if (text.size() > limit)
            Fail(QStringLiteral("the text of <%1> is larger than %2 MiB").arg(element).arg(limit >> 20));
    }
}

void KeePassXmlReader::Skip() {
    int depth = 1;
    while (depth > 0) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        Check(token);
        if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token == QXmlStreamReader::EndDocument)
            Fail(QStringLiteral("the file ends inside an element"));
    }
}

void KeePassXmlReader::ReadDocument() {
    if (!NextChild())
        Fail(QStringLiteral("the file holds no element"));
    if (m_xml.name() != u"KeePassFile")
        Fail(QStringLiteral("<%1> is not the root element of a KeePass export").arg(m_xml.name()));
    while (NextChild()) {
        if (m_xml.name() == u"Meta")
            ReadMeta();
        else if (m_xml.name() == u"Root")
            ReadGroups();
        else
            Skip();
    }
    // Whatever follows the root element must still be well-formed.
    while (!m_xml.atEnd())
        Check(m_xml.readNext());
}

void KeePassXmlReader::ReadMeta() {
    while (NextChild()) {
        if (m_xml.name() == u"Binaries")
            ReadBinaryPool();
        else if (m_xml.name() == u"RecycleBinUUID")
            m_recycleBin = Text(kMaxText).trimmed();
        else if (m_xml.name() == u"RecycleBinEnabled")
            m_recycleBinEnabled = IsTrue(Text(kMaxText).trimmed());
        else
            Skip();
    }
}

void KeePassXmlReader::ReadBinaryPool() {
    while (NextChild()) {
        if (m_xml.name() != u"Binary") {
            Skip();
            continue;
        }
        const QString id = m_xml.attributes().value(QLatin1StringView("ID")).toString();
        const bool compressed = IsTrue(m_xml.attributes().value(QLatin1StringView("Compressed")));
        m_pool[id] = ReadFileContent(compressed);
    }
}

QByteArray KeePassXmlReader::ReadFileContent(bool compressed) {
    // Base64 takes four characters for three bytes.
    const QString text = Text(m_maxFile / 3 * 4 + 4);
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        Fail(QStringLiteral("an attached file is not valid base64"));
    if (!compressed)
        return *decoded;
    QByteArray inflated;
    QString error;
    if (!GzipInflater::Inflate(*decoded, m_maxFile, inflated, error))
        Fail(QStringLiteral("an attached file cannot be unpacked: %1").arg(error));
    return inflated;
}

// Groups nest to any depth; they are followed with a stack of their names, not by recursion.
void KeePassXmlReader::ReadGroups() {
    QStringList path;
    std::vector<bool> named;
    while (true) {
        if (!NextChild()) {
            if (named.empty())
                return;
            if (named.back())
                path.removeLast();
            named.pop_back();
            continue;
        }
        if (m_xml.name() == u"Group") {
            named.push_back(false);
        } else if (named.empty()) {
            Skip();
        } else if (m_xml.name() == u"Name" && !named.back()) {
            path.append(Text(kMaxText));
            named.back() = true;
        } else if (m_xml.name() == u"UUID") {
            if (!IsRecycleBin(Text(kMaxText).trimmed()))
                continue;
            Skip();
            if (named.back())
                path.removeLast();
            named.pop_back();
        } else if (m_xml.name() == u"Entry") {
            ReadEntry(path);
        } else {
            Skip();
        }
    }
}

bool KeePassXmlReader::IsRecycleBin(const QString& uuid) const {
    return !m_includeRecycleBin && m_recycleBinEnabled && !m_recycleBin.isEmpty() && uuid == m_recycleBin;
}

void KeePassXmlReader::ReadEntry(const QStringList& groupPath) {
    ImportedEntry entry;
    entry.groupPath = groupPath;
    while (NextChild()) {
        if (m_xml.name() == u"String")
            ReadString(entry);
        else if (m_xml.name() == u"Binary")
            ReadAttachment(entry);
        else
            Skip();
    }
    (*m_sink)(entry);
}

void KeePassXmlReader::ReadString(ImportedEntry& entry) {
    QString key;
    QString value;
    bool secret = false;
    while (NextChild()) {
        if (m_xml.name() == u"Key") {
            key = Text(kMaxText);
        } else if (m_xml.name() == u"Value") {
            if (IsTrue(m_xml.attributes().value(QLatin1StringView("Protected"))))
                Fail(QStringLiteral("the value is still enciphered by the database; export the database "
                                    "unprotected (as KeePass's \"KeePass XML\" export does) and import that"));
            secret = IsTrue(m_xml.attributes().value(QLatin1StringView("ProtectInMemory")));
            value = Text(kMaxText);
        } else {
            Skip();
        }
    }
    if (key == u"Title")
        entry.title = value;
    else if (key == u"Notes")
        entry.notes = value;
    else if (!value.isEmpty())
        entry.fields.append({StandardName(key), value, secret || key == u"Password"});
}

QString KeePassXmlReader::StandardName(const QString& key) {
    if (key == u"UserName")
        return QStringLiteral("Username");
    return key;
}

void KeePassXmlReader::ReadAttachment(ImportedEntry& entry) {
    ImportedEntry::File file;
    bool haveContent = false;
    while (NextChild()) {
        if (m_xml.name() == u"Key") {
            file.name = Text(kMaxText);
        } else if (m_xml.name() == u"Value") {
            const QString ref = m_xml.attributes().value(QLatin1StringView("Ref")).toString();
            if (ref.isEmpty()) {
                file.data = ReadFileContent(IsTrue(m_xml.attributes().value(QLatin1StringView("Compressed"))));
            } else {
                const auto found = m_pool.find(ref);
                if (found == m_pool.end())
                    Fail(QStringLiteral("the attached file %1 is not in the file's list of attachments").arg(ref));
                file.data = found->second;
                Skip();
            }
            haveContent = true;
        } else {
            Skip();
        }
    }
    if (!haveContent)
        Fail(QStringLiteral("the attached file \"%1\" has no content").arg(file.name));
    entry.files.append(file);
}
