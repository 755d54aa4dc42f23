// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/KeePassXmlReader.h"

#include "model/GzipInflater.h"

#include <QIODevice>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
constexpr qint64 kBlock = 64 * 1024;

qint64 MiB(qint64 bytes) {
    return bytes / ImportLimits::kMiB;
}

// Base64 takes four characters for three bytes.
std::size_t Base64Length(qint64 bytes) {
    return std::size_t(bytes / 3 * 4 + 4);
}

// libxml2's messages outside its structured errors go to the reader that is parsing on this thread, never to the
// standard error; the handler in place before is put back when the reading ends.
class GenericErrors {
public:
    GenericErrors(void* context, xmlGenericErrorFunc handler)
        : m_context(xmlGenericErrorContext), m_handler(xmlGenericError) {
        xmlSetGenericErrorFunc(context, handler);
    }
    ~GenericErrors() { xmlSetGenericErrorFunc(m_context, m_handler); }
    GenericErrors(const GenericErrors&) = delete;
    GenericErrors& operator=(const GenericErrors&) = delete;

private:
    void* m_context;
    xmlGenericErrorFunc m_handler;
};

bool IsTrue(std::optional<std::string_view> text) {
    return text && QByteArrayView(*text).compare("True", Qt::CaseInsensitive) == 0;
}

bool IsTrue(const QString& text) {
    return text.compare(u"True", Qt::CaseInsensitive) == 0;
}

// The parser keeps its global state set up once for the program, before any thread reads a file.
void SetUpParser() {
    static const bool setUp = [] {
        xmlInitParser();
        return true;
    }();
    Q_UNUSED(setUp);
}

const char* Chars(const unsigned char* text) {
    return reinterpret_cast<const char*>(text);
}

bool Is(const char* name, const char* expected) {
    return std::strcmp(name, expected) == 0;
}
} // namespace

KeePassXmlReader::KeePassXmlReader(bool includeRecycleBin, const ImportLimits& limits)
    : ImportReader(limits), m_includeRecycleBin(includeRecycleBin) {}

KeePassXmlReader::~KeePassXmlReader() = default;

bool KeePassXmlReader::ReadEntries(QIODevice& input, QString& error) {
    SetUpParser();
    const GenericErrors generic(this, OnGenericError);
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = OnStart;
    handler.endElementNs = OnEnd;
    // Every text goes to the same place, white space and CDATA sections included: a value may be all spaces.
    handler.characters = OnCharacters;
    handler.ignorableWhitespace = OnCharacters;
    handler.cdataBlock = OnCharacters;
    handler.internalSubset = OnDoctype;
    handler.serror = OnError;
    using Parser = std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)>;
    const Parser parser(xmlCreatePushParserCtxt(&handler, this, nullptr, 0, nullptr), xmlFreeParserCtxt);
    if (!parser) {
        error = QStringLiteral("there is not enough memory to read the file");
        return false;
    }
    // Nothing is fetched from the network, and no outside document type or entity is loaded.
    xmlCtxtUseOptions(parser.get(), XML_PARSE_NONET);
    m_parser = parser.get();
    m_guard = XmlAttributeGuard(kMaxAttributes);
    m_failure.clear();
    m_libxmlSaid.clear();
    m_open.assign(1, Kind::Document);
    m_skipping = 0;
    m_poolSize = 0;
    bool ok = true;
    QByteArray block(kBlock, Qt::Uninitialized);
    for (bool last = false; ok && !last;) {
        const qint64 length = input.read(block.data(), kBlock);
        if (length < 0) {
            error = input.errorString();
            ok = false;
            break;
        }
        last = length == 0;
        if (!m_guard.Scan(QByteArrayView(block.constData(), length)))
            Fail(int(m_guard.Line()), 0,
                 QStringLiteral("an element has more than %1 attributes, more than a KeePass export ever writes")
                     .arg(m_guard.MaxAttributes()));
        else
            xmlParseChunk(m_parser, block.constData(), int(length), last);
        if (m_failure.isEmpty() && !m_libxmlSaid.isEmpty())
            Fail(m_libxmlSaid);
        if (!m_failure.isEmpty()) {
            error = m_failure;
            ok = false;
        }
    }
    m_parser = nullptr;
    m_pool.clear();
    m_unpackedId.clear();
    m_unpacked.clear();
    m_path.clear();
    m_groups.clear();
    m_entry = ImportedEntry();
    m_text.clear();
    return ok;
}

std::optional<std::string_view> KeePassXmlReader::Attributes::Find(std::string_view name) const {
    for (int i = 0; i < count; ++i) {
        const unsigned char* const* item = items + 5 * i;
        if (Chars(item[0]) == name && !item[1])
            return std::string_view(Chars(item[3]), size_t(item[4] - item[3]));
    }
    return std::nullopt;
}

void KeePassXmlReader::Fail(const QString& message) {
    Fail(xmlSAX2GetLineNumber(m_parser), xmlSAX2GetColumnNumber(m_parser), message);
}

void KeePassXmlReader::Fail(int line, int column, const QString& message) {
    if (!m_failure.isEmpty())
        return;
    m_failure = column > 0 ? QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(message)
                           : QStringLiteral("line %1: %2").arg(line).arg(message);
    xmlStopParser(m_parser);
}

// Only what breaks the file's form stops the import, as it would stop any reader of the export.
void KeePassXmlReader::OnError(void* self, _xmlError* error) {
    if (error->level != XML_ERR_FATAL)
        return;
    const QString message = QString::fromUtf8(error->message).trimmed();
    static_cast<KeePassXmlReader*>(self)->Fail(error->line, error->int2, message);
}

// A message may come in pieces, some of them repeated; they are joined until the reading ends or fails.
void KeePassXmlReader::OnGenericError(void* self, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    QString& said = static_cast<KeePassXmlReader*>(self)->m_libxmlSaid;
    const QString piece = QString::fromUtf8(text).simplified();
    if (!piece.isEmpty() && !said.contains(piece) && said.size() < 1024)
        said += (said.isEmpty() ? QString() : QStringLiteral("; ")) + piece;
}

// A name with a namespace prefix is none of the export's elements, as it would be to a reader that knows nothing of
// namespaces.
void KeePassXmlReader::OnStart(void* self, const unsigned char* name, const unsigned char* prefix, const unsigned char*,
                               int, const unsigned char**, int attributeCount, int, const unsigned char** attributes) {
    static_cast<KeePassXmlReader*>(self)->Start(prefix ? "" : Chars(name), {attributes, attributeCount});
}

void KeePassXmlReader::OnEnd(void* self, const unsigned char*, const unsigned char*, const unsigned char*) {
    static_cast<KeePassXmlReader*>(self)->End();
}

void KeePassXmlReader::OnCharacters(void* self, const unsigned char* text, int length) {
    auto* reader = static_cast<KeePassXmlReader*>(self);
    if (reader->m_skipping > 0 || !reader->m_failure.isEmpty() || !IsTextKind(reader->m_open.back()))
        return;
    if (reader->m_text.size() + std::size_t(length) > reader->m_textLimit) {
        const Kind kind = reader->m_open.back();
        reader->Fail(kind == Kind::PoolFile || kind == Kind::FileValue
                         ? QStringLiteral("an attached file is larger than %1 MiB, the limit for one attached file")
                               .arg(MiB(reader->Limits().maxFile))
                         : QStringLiteral("a text is larger than %1 MiB").arg(MiB(ImportLimits::kMaxText)));
        return;
    }
    reader->m_text.append(Chars(text), std::size_t(length));
}

// Entities could only be declared in a document type, which an export never has: refusing it as soon as it is named,
// before its declarations are read, keeps every entity from being expanded.
void KeePassXmlReader::OnDoctype(void* self, const unsigned char*, const unsigned char*, const unsigned char*) {
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

void KeePassXmlReader::Start(const char* name, const Attributes& attributes) {
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

void KeePassXmlReader::Enter(Kind kind, const Attributes& attributes) {
    m_text.clear();
    m_textLimit = std::size_t(ImportLimits::kMaxText);
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
        m_entryText = 0;
        m_entryFiles = 0;
        for (const QString& group : m_path)
            AddToEntry(2 * group.size(), 0);
        break;
    case Kind::String:
        m_key.clear();
        m_field = ImportedEntry::Field();
        break;
    case Kind::File:
        m_file = ImportedEntry::File();
        m_haveContent = false;
        m_missing = false;
        break;
    default:
        break;
    }
    m_open.push_back(kind);
}

void KeePassXmlReader::StartPoolFile(const Attributes& attributes) {
    const auto id = attributes.Find("ID");
    m_poolId = id ? QByteArray(id->data(), qsizetype(id->size())) : QByteArray();
    m_compressed = IsTrue(attributes.Find("Compressed"));
    m_textLimit = Base64Length(Limits().maxFile);
}

void KeePassXmlReader::StartStringValue(const Attributes& attributes) {
    if (IsTrue(attributes.Find("Protected")))
        Fail(QStringLiteral("the value is still enciphered by the database; export the database unprotected (as "
                            "KeePass's \"KeePass XML\" export does) and import that"));
    m_field.secret = IsTrue(attributes.Find("ProtectInMemory"));
}

void KeePassXmlReader::StartFileValue(const Attributes& attributes) {
    m_haveContent = true;
    if (const auto ref = attributes.Find("Ref")) {
        const QByteArray id(ref->data(), qsizetype(ref->size()));
        const auto found = m_pool.find(id);
        m_missing = found == m_pool.end();
        if (!m_missing)
            m_file.data = PooledContent(id, found->second);
        m_skipping = 1;
        return;
    }
    m_compressed = IsTrue(attributes.Find("Compressed"));
    m_textLimit = Base64Length(Limits().maxFile);
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
        EndPoolFile();
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
        if (QString error; !Hand(m_entry, error))
            Fail(error);
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
    AddToEntry(2 * (qint64(m_key.size()) + m_field.value.size()), 0);
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
    else if (m_missing)
        m_entry.missingFiles.append(m_file.name);
    else {
        AddToEntry(2 * m_file.name.size(), m_file.data.size());
        m_entry.files.append(m_file);
    }
}

// An entry is refused as soon as its texts, or its texts and files with what came before, go over the limits, before
// more of it is held.
void KeePassXmlReader::AddToEntry(qint64 textBytes, qint64 fileBytes) {
    m_entryText += textBytes;
    m_entryFiles += fileBytes;
    if (m_entryText > ImportLimits::kMaxEntryText)
        Fail(QStringLiteral("the texts of an entry come to more than %1 MiB").arg(MiB(ImportLimits::kMaxEntryText)));
    else if (m_entryText + m_entryFiles > Remaining())
        Fail(TotalExceeded());
}

// The pool keeps each file as the export holds it, packed or not: an unpacked copy is made only for an entry that
// refers to it. Together the pooled files stay within what one import may bring in.
void KeePassXmlReader::EndPoolFile() {
    PoolFile file;
    file.compressed = m_compressed;
    if (!Decode(file.data))
        return;
    m_poolSize += file.data.size();
    if (m_poolSize > Limits().maxTotal) {
        Fail(QStringLiteral("the attached files of the export come to more than %1 MiB, the limit for one import")
                 .arg(MiB(Limits().maxTotal)));
        return;
    }
    m_pool[m_poolId] = std::move(file);
}

QByteArray KeePassXmlReader::PooledContent(const QByteArray& id, const PoolFile& file) {
    if (!file.compressed)
        return file.data;
    if (m_unpackedId.isNull() || id != m_unpackedId) {
        m_unpacked.clear(); // let go before the next is unpacked, unless an entry still holds it
        m_unpacked = Unpack(file.data);
        m_unpackedId = m_failure.isEmpty() ? id : QByteArray();
    }
    return m_unpacked;
}

bool KeePassXmlReader::Decode(QByteArray& decoded) {
    auto result = QByteArray::fromBase64Encoding(QByteArray::fromRawData(m_text.data(), qsizetype(m_text.size())),
                                                 QByteArray::AbortOnBase64DecodingErrors);
    m_text.clear();
    if (!result) {
        Fail(QStringLiteral("an attached file is not valid base64"));
        return false;
    }
    decoded = std::move(*result);
    return true;
}

QByteArray KeePassXmlReader::Unpack(const QByteArray& packed) {
    QByteArray inflated;
    QString error;
    if (!GzipInflater::Inflate(packed, Limits().maxFile, inflated, error)) {
        Fail(QStringLiteral("an attached file cannot be unpacked: %1").arg(error));
        return QByteArray();
    }
    return inflated;
}

QByteArray KeePassXmlReader::FileContent(bool compressed) {
    QByteArray decoded;
    if (!Decode(decoded) || !compressed)
        return decoded;
    return Unpack(decoded);
}

QString KeePassXmlReader::TakeText() {
    QString text = QString::fromUtf8(m_text.data(), qsizetype(m_text.size()));
    m_text.clear();
    return text;
}

bool KeePassXmlReader::IsRecycleBin(const QString& uuid) const {
    return !m_includeRecycleBin && m_recycleBinEnabled && !m_recycleBin.isEmpty() && uuid == m_recycleBin;
}
