// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ImportReader.h"
#include "model/XmlAttributeGuard.h"

#include <QByteArray>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct _xmlParserCtxt;
struct _xmlError;

// KeePass 2 XML as KeePass and KeePassXC export it: nested groups of entries with their strings and attached files,
// the files kept once in a pool in the header. An entry whose file refers to nothing in the pool (KeePassXC leaves the
// pool out of its XML export) keeps the file's name among its missing files. Entry history is passed over, and so is
// the recycle bin unless it is asked for. A document type declaration is refused before anything in it is read, so no
// entity is ever expanded.
//
// Exports run to hundreds of megabytes, so the file goes through libxml2's push parser in blocks and each element is
// handled as it ends; only the entry being read and the pool of attached files, packed as the export holds them, are
// held. A pooled file is unpacked only when an entry refers to it.
class KeePassXmlReader : public ImportReader {
public:
    // No export writes more than a handful of attributes on an element.
    static constexpr int kMaxAttributes = 64;

    explicit KeePassXmlReader(bool includeRecycleBin, const ImportLimits& limits = {});
    ~KeePassXmlReader() override;

protected:
    bool ReadEntries(QIODevice& input, QString& error) override;

private:
    // What an element is to the export; every element of no interest is passed over with all it holds.
    enum class Kind {
        Document,
        KeePassFile,
        Meta,
        Binaries,
        PoolFile,
        RecycleBinUUID,
        RecycleBinEnabled,
        Root,
        Group,
        GroupName,
        GroupUUID,
        Entry,
        String,
        StringKey,
        StringValue,
        File,
        FileKey,
        FileValue,
    };
    struct Group {
        bool named = false; // its first <Name> was read, and is on the path
    };
    struct PoolFile {
        QByteArray data;
        bool compressed = false;
    };

    // The attributes of an element as the parser gives them: five pointers each, the value running from the fourth
    // to the fifth.
    struct Attributes {
        const unsigned char** items = nullptr;
        int count = 0;
        std::optional<std::string_view> Find(std::string_view name) const;
    };

    static void OnStart(void* self, const unsigned char* name, const unsigned char* prefix, const unsigned char*, int,
                        const unsigned char**, int attributeCount, int, const unsigned char** attributes);
    static void OnEnd(void* self, const unsigned char*, const unsigned char*, const unsigned char*);
    static void OnCharacters(void* self, const unsigned char* text, int length);
    static void OnDoctype(void* self, const unsigned char*, const unsigned char*, const unsigned char*);
    static void OnError(void* self, _xmlError* error);
    static void OnGenericError(void* self, const char* format, ...);

    void Start(const char* name, const Attributes& attributes);
    void End();
    std::optional<Kind> ChildKind(const char* name) const;
    void Enter(Kind kind, const Attributes& attributes);
    void StartPoolFile(const Attributes& attributes);
    void StartStringValue(const Attributes& attributes);
    void StartFileValue(const Attributes& attributes);
    void EndGroupUUID();
    void EndString();
    QString StandardName() const;
    void EndFile();
    void EndPoolFile();
    void AddToEntry(qint64 textBytes, qint64 fileBytes);
    bool Decode(QByteArray& decoded);
    QByteArray Unpack(const QByteArray& packed);
    QByteArray PooledContent(const QByteArray& id, const PoolFile& file);
    QByteArray FileContent(bool compressed);
    QString TakeText();
    bool IsRecycleBin(const QString& uuid) const;
    static bool IsTextKind(Kind kind);
    void Fail(const QString& message);
    void Fail(int line, int column, const QString& message);

    bool m_includeRecycleBin;
    _xmlParserCtxt* m_parser = nullptr;
    XmlAttributeGuard m_guard{kMaxAttributes};
    QString m_failure;
    // What libxml2 said outside its structured errors.
    QString m_libxmlSaid;
    std::vector<Kind> m_open;
    int m_skipping = 0; // depth inside an element passed over
    std::string m_text;
    std::size_t m_textLimit = 0;
    QString m_recycleBin;
    bool m_recycleBinEnabled = true;
    std::map<QByteArray, PoolFile> m_pool;
    qint64 m_poolSize = 0;
    // The pooled file unpacked last: entries that refer to it one after another share its bytes.
    QByteArray m_unpackedId;
    QByteArray m_unpacked;
    QByteArray m_poolId;
    bool m_compressed = false;
    QStringList m_path;
    std::vector<Group> m_groups;
    ImportedEntry m_entry;
    qint64 m_entryText = 0;
    qint64 m_entryFiles = 0;
    ImportedEntry::Field m_field;
    std::string m_key;
    ImportedEntry::File m_file;
    bool m_haveContent = false;
    bool m_missing = false; // the content is a reference that the pool does not hold
};
