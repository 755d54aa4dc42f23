// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/KeePassXmlReader.h"

#include "model/GzipInflater.h"

#include <QIODevice>

#include <expat.h>

#include <cstring>

namespace {
// Texts other than attached files: long notes are fine, a text as large as an attachment is not.
constexpr std::size_t kMaxText = 16 * 1024 * 1024;
constexpr qint64 kBlock = 1 << 20;

bool IsTrue(const char* text) {
    return text && qstricmp(text, "True") == 0;
}

bool IsTrue(const QString& text) {
    return text.compare(u"True", Qt::CaseInsensitive) == 0;
}

const char* Attribute(const char** attributes, const char* name) {
    for (; attributes && *attributes; attributes += 2) {
        if (std::strcmp(attributes[0], name) == 0)
            return attributes[1];
    }
    return nullptr;
}

bool Is(const char* name, const char* expected) {
    return std::strcmp(name, expected) == 0;
}
} // namespace

KeePassXmlReader::KeePassXmlReader(bool includeRecycleBin, qsizetype maxFile)
    : m_includeRecycleBin(includeRecycleBin), m_maxFile(maxFile) {}

KeePassXmlReader::~KeePassXmlReader() = default;

bool KeePassXmlReader::Read(QIODevice& input, const Sink& sink, QString& error) {
    m_parser = XML_ParserCreate(nullptr);
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(m_parser, OnCharacters);
    XML_SetStartDoctypeDeclHandler(m_parser, OnDoctype);
    m_sink = &sink;
    m_failure.clear();
    m_open.assign(1, Kind::Document);
    m_skipping = 0;
    bool ok = true;
    // Read straight into the parser's own buffer, which saves copying the file once more.
    for (bool last = false; ok && !last;) {
        void* block = XML_GetBuffer(m_parser, int(kBlock));
        const qint64 length = block ? input.read(static_cast<char*>(block), kBlock) : -1;
        if (length < 0) {
            error = block ? input.errorString() : QStringLiteral("there is not enough memory to read the file");
            ok = false;
            break;
        }
        last = length == 0;
        if (XML_ParseBuffer(m_parser, int(length), last) != XML_STATUS_OK) {
            error = m_failure.isEmpty() ? QStringLiteral("line %1, column %2: %3")
                                              .arg(XML_GetCurrentLineNumber(m_parser))
                                              .arg(XML_GetCurrentColumnNumber(m_parser) + 1)
                                              .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(m_parser))))
                                        : m_failure;
            ok = false;
        }
    }
    XML_ParserFree(m_parser);
    m_parser = nullptr;
    m_sink = nullptr;
    m_pool.clear();
    m_path.clear();
    m_groups.clear();
    m_entry = ImportedEntry();
    m_text.clear();
    return ok;
}

void KeePassXmlReader::Fail(const QString& message) {
    if (!m_failure.isEmpty())
        return;
    m_failure = QStringLiteral("line %1, column %2: %3")
                    .arg(XML_GetCurrentLineNumber(m_parser))
                    .arg(XML_GetCurrentColumnNumber(m_parser) + 1)
                    .arg(message);
    XML_StopParser(m_parser, XML_FALSE);
}

void KeePassXmlReader::OnStart(void* self, const char* name, const char** attributes) {
    static_cast<KeePassXmlReader*>(self)->Start(name, attributes);
}

void KeePassXmlReader::OnEnd(void* self, const char*) {
    static_cast<KeePassXmlReader*>(self)->End();
}

void KeePassXmlReader::OnCharacters(void* self, const char* text, int length) {
    auto* reader = static_cast<KeePassXmlReader*>(self);
    if (reader->m_skipping > 0 || !reader->m_failure.isEmpty() || !IsTextKind(reader->m_open.back()))
        return;
    if (reader->m_text.size() + std::size_t(length) > reader->m_textLimit) {
        reader->Fail(QStringLiteral("a text is larger than %1 MiB").arg(reader->m_textLimit >> 20));
        return;
    }
    reader->m_text.append(text, std::size_t(length));
}

// Entities could only be declared in a document type, which an export never has: refusing it keeps every entity
// from being expanded.
void KeePassXmlReader::OnDoctype(void* self, const char*, const char*, const char*, int) {
    static_cast<KeePassXmlReader*>(self)->Fail(
        QStringLiteral("the file declares a document type, which a KeePass export never does; refused"));
}

bool KeePassXmlReader::IsTextKind(Kind kind) {
    switch (kind) {
    case Kind::PoolFile:
    case Kind::RecycleBinUUID:
    case Kind::RecycleBinEnabled:
    case Kind::GroupName:
    case Kind::GroupUUID:
    case Kind::StringKey:
    case Kind::StringValue:
    case Kind::FileKey:
    case Kind::FileValue:
        return true;
    default:
        return false;
    }
}

std::optional<KeePassXmlReader::Kind> KeePassXmlReader::ChildKind(const char* name) const {
    switch (m_open.back()) {
    case Kind::Document:
        return Is(name, "KeePassFile") ? std::optional(Kind::KeePassFile) : std::nullopt;
    case Kind::KeePassFile:
        return Is(name, "Meta")   ? std::optional(Kind::Meta)
               : Is(name, "Root") ? std::optional(Kind::Root)
                                  : std::nullopt;
    case Kind::Meta:
        if (Is(name, "Binaries"))
            return Kind::Binaries;
        if (Is(name, "RecycleBinUUID"))
            return Kind::RecycleBinUUID;
        return Is(name, "RecycleBinEnabled") ? std::optional(Kind::RecycleBinEnabled) : std::nullopt;
    case Kind::Binaries:
        return Is(name, "Binary") ? std::optional(Kind::PoolFile) : std::nullopt;
    case Kind::Root:
        return Is(name, "Group") ? std::optional(Kind::Group) : std::nullopt;
    case Kind::Group:
        if (Is(name, "Group"))
            return Kind::Group;
        if (Is(name, "Name") && !m_groups.back().named)
            return Kind::GroupName;
        if (Is(name, "UUID"))
            return Kind::GroupUUID;
        return Is(name, "Entry") ? std::optional(Kind::Entry) : std::nullopt;
    case Kind::Entry:
        return Is(name, "String")   ? std::optional(Kind::String)
               : Is(name, "Binary") ? std::optional(Kind::File)
                                    : std::nullopt;
    case Kind::String:
        return Is(name, "Key")     ? std::optional(Kind::StringKey)
               : Is(name, "Value") ? std::optional(Kind::StringValue)
                                   : std::nullopt;
    case Kind::File:
        return Is(name, "Key")     ? std::optional(Kind::FileKey)
               : Is(name, "Value") ? std::optional(Kind::FileValue)
                                   : std::nullopt;
    default:
        return std::nullopt;
    }
}

void KeePassXmlReader::Start(const char* name, const char** attributes) {
    if (!m_failure.isEmpty())
        return;
    if (m_skipping > 0) {
        ++m_skipping;
        return;
    }
    if (IsTextKind(m_open.back())) {
        Fail(QStringLiteral("an element that holds text cannot hold the element <%1>").arg(QString::fromUtf8(name)));
        return;
    }
    const std::optional<Kind> kind = ChildKind(name);
    if (!kind && m_open.back() == Kind::Document) {
        Fail(QStringLiteral("<%1> is not the root element of a KeePass export").arg(QString::fromUtf8(name)));
        return;
    }
    if (!kind) {
        m_skipping = 1;
        return;
    }
    Enter(*kind, attributes);
}

void KeePassXmlReader::Enter(Kind kind, const char** attributes) {
    m_text.clear();
    m_textLimit = kMaxText;
    switch (kind) {
    case Kind::PoolFile:
        StartPoolFile(attributes);
        break;
    case Kind::StringValue:
        StartStringValue(attributes);
        break;
    case Kind::FileValue:
        StartFileValue(attributes);
        return; // pushed there, unless the content is a reference into the pool
    case Kind::Group:
        m_groups.push_back({});
        break;
    case Kind::Entry:
        m_entry = ImportedEntry();
        m_entry.groupPath = m_path;
        m_entry.fields.reserve(8);
        break;
    case Kind::String:
        m_key.clear();
        m_field = ImportedEntry::Field();
        break;
    case Kind::File:
        m_file = ImportedEntry::File();
        m_haveContent = false;
        break;
    default:
        break;
    }
    m_open.push_back(kind);
}

void KeePassXmlReader::StartPoolFile(const char** attributes) {
    const char* id = Attribute(attributes, "ID");
    m_poolId = id ? QByteArray(id) : QByteArray();
    m_compressed = IsTrue(Attribute(attributes, "Compressed"));
    // Base64 takes four characters for three bytes.
    m_textLimit = std::size_t(m_maxFile / 3 * 4 + 4);
}

void KeePassXmlReader::StartStringValue(const char** attributes) {
    if (IsTrue(Attribute(attributes, "Protected")))
        Fail(QStringLiteral("the value is still enciphered by the database; export the database unprotected (as "
                            "KeePass's \"KeePass XML\" export does) and import that"));
    m_field.secret = IsTrue(Attribute(attributes, "ProtectInMemory"));
}

void KeePassXmlReader::StartFileValue(const char** attributes) {
    m_haveContent = true;
    if (const char* ref = Attribute(attributes, "Ref")) {
        const auto found = m_pool.find(QByteArray(ref));
        if (found == m_pool.end())
            Fail(QStringLiteral("the attached file %1 is not in the file's list of attachments")
                     .arg(QString::fromUtf8(ref)));
        else
            m_file.data = found->second;
        m_skipping = 1;
        return;
    }
    m_compressed = IsTrue(Attribute(attributes, "Compressed"));
    m_textLimit = std::size_t(m_maxFile / 3 * 4 + 4);
    m_open.push_back(Kind::FileValue);
}

void KeePassXmlReader::End() {
    if (!m_failure.isEmpty())
        return;
    if (m_skipping > 0) {
        --m_skipping;
        return;
    }
    const Kind kind = m_open.back();
    m_open.pop_back();
    switch (kind) {
    case Kind::PoolFile:
        m_pool[m_poolId] = FileContent(m_compressed);
        break;
    case Kind::RecycleBinUUID:
        m_recycleBin = TakeText().trimmed();
        break;
    case Kind::RecycleBinEnabled:
        m_recycleBinEnabled = IsTrue(TakeText().trimmed());
        break;
    case Kind::GroupName:
        m_path.append(TakeText());
        m_groups.back().named = true;
        break;
    case Kind::GroupUUID:
        EndGroupUUID();
        break;
    case Kind::Group:
        if (m_groups.back().named)
            m_path.removeLast();
        m_groups.pop_back();
        break;
    case Kind::Entry:
        (*m_sink)(m_entry);
        break;
    case Kind::StringKey:
        m_key.swap(m_text);
        m_text.clear();
        break;
    case Kind::StringValue:
        m_field.value = TakeText();
        break;
    case Kind::String:
        EndString();
        break;
    case Kind::FileKey:
        m_file.name = TakeText();
        break;
    case Kind::FileValue:
        m_file.data = FileContent(m_compressed);
        break;
    case Kind::File:
        EndFile();
        break;
    default:
        break;
    }
}

// The recycle bin is left out with all it holds: the rest of the group is passed over, and the group closed now.
void KeePassXmlReader::EndGroupUUID() {
    if (!IsRecycleBin(TakeText().trimmed()))
        return;
    if (m_groups.back().named)
        m_path.removeLast();
    m_groups.pop_back();
    m_open.pop_back();
    m_skipping = 1;
}

// The keys are compared as they came, so that the five standard ones of every entry cost no text of their own.
void KeePassXmlReader::EndString() {
    if (m_key == "Title")
        m_entry.title = m_field.value;
    else if (m_key == "Notes")
        m_entry.notes = m_field.value;
    else if (!m_field.value.isEmpty())
        m_entry.fields.append({StandardName(), m_field.value, m_field.secret || m_key == "Password"});
}

QString KeePassXmlReader::StandardName() const {
    if (m_key == "UserName")
        return QStringLiteral("Username");
    if (m_key == "Password")
        return QStringLiteral("Password");
    if (m_key == "URL")
        return QStringLiteral("URL");
    return QString::fromUtf8(m_key.data(), qsizetype(m_key.size()));
}

void KeePassXmlReader::EndFile() {
    if (!m_haveContent)
        Fail(QStringLiteral("the attached file \"%1\" has no content").arg(m_file.name));
    else
        m_entry.files.append(m_file);
}

QByteArray KeePassXmlReader::FileContent(bool compressed) {
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray::fromRawData(m_text.data(), qsizetype(m_text.size())), QByteArray::AbortOnBase64DecodingErrors);
    m_text.clear();
    if (!decoded) {
        Fail(QStringLiteral("an attached file is not valid base64"));
        return QByteArray();
    }
    if (!compressed)
        return *decoded;
    QByteArray inflated;
    QString error;
    if (!GzipInflater::Inflate(*decoded, m_maxFile, inflated, error))
        Fail(QStringLiteral("an attached file cannot be unpacked: %1").arg(error));
    return inflated;
}

QString KeePassXmlReader::TakeText() {
    QString text = QString::fromUtf8(m_text.data(), qsizetype(m_text.size()));
    m_text.clear();
    return text;
}

bool KeePassXmlReader::IsRecycleBin(const QString& uuid) const {
    return !m_includeRecycleBin && m_recycleBinEnabled && !m_recycleBin.isEmpty() && uuid == m_recycleBin;
}
