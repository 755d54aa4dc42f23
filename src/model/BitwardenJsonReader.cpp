// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/BitwardenJsonReader.h"

#include "model/BitwardenJsonHandler.h"
#include "model/JsonInputStream.h"

#include <QJsonArray>

#include <rapidjson/error/en.h>

namespace {
enum ItemType { Login = 1, SecureNote = 2, Card = 3, Identity = 4 };

// Numbers and booleans are kept as the text they were; null and missing values are nothing.
QString Text(const QJsonValue& value) {
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    return {};
}

void AddField(ImportedEntry& entry, const QString& name, const QJsonValue& value, bool secret = false) {
    const QString text = Text(value);
    if (!text.isEmpty())
        entry.fields.append({name, text, secret});
}
} // namespace

bool BitwardenJsonReader::ReadEntries(QIODevice& input, QString& error) {
    m_folders.clear();
    JsonInputStream stream(input, ImportLimits::kMaxText);
    BitwardenJsonHandler handler(*this);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<rapidjson::kParseValidateEncodingFlag>(stream, handler);
    if (stream.StringTooLong()) {
        error = QStringLiteral("line %1: a text is larger than %2 MiB")
                    .arg(stream.Line())
                    .arg(ImportLimits::kMaxText / ImportLimits::kMiB);
        return false;
    }
    if (!handler.Error().isEmpty()) {
        error = QStringLiteral("line %1: %2").arg(stream.Line()).arg(handler.Error());
        return false;
    }
    if (result.IsError()) {
        error = QStringLiteral("line %1: not valid JSON: %2")
                    .arg(stream.Line())
                    .arg(QString::fromUtf8(rapidjson::GetParseError_En(result.Code())).remove(u'.'));
        return false;
    }
    if (!handler.SawExport()) {
        error = QStringLiteral("the JSON holds neither folders nor items of a Bitwarden export");
        return false;
    }
    return true;
}

bool BitwardenJsonReader::Folder(const QJsonObject& folder, QString&) {
    m_folders.insert(Text(folder.value(u"id")), Text(folder.value(u"name")));
    return true;
}

bool BitwardenJsonReader::Item(const QJsonObject& item, QString& error) {
    ImportedEntry entry;
    entry.title = Text(item.value(u"name"));
    entry.notes = Text(item.value(u"notes"));
    const QString folderId = Text(item.value(u"folderId"));
    if (!folderId.isEmpty()) {
        const auto folder = m_folders.constFind(folderId);
        if (folder == m_folders.cend()) {
            error = QStringLiteral("the item \"%1\" names a folder that the export does not list before it")
                        .arg(entry.title);
            return false;
        }
        for (const QString& part : folder->split(u'/', Qt::SkipEmptyParts))
            entry.groupPath.append(part.trimmed());
    }
    switch (item.value(u"type").toInt()) {
    case Login:
        AddLogin(item.value(u"login").toObject(), entry);
        break;
    case Card:
        AddCard(item.value(u"card").toObject(), entry);
        break;
    case Identity:
        AddIdentity(item.value(u"identity").toObject(), entry);
        break;
    default:
        break;
    }
    AddCustomFields(item.value(u"fields").toArray(), entry);
    return Hand(entry, error);
}

void BitwardenJsonReader::AddLogin(const QJsonObject& login, ImportedEntry& entry) {
    AddField(entry, QStringLiteral("Username"), login.value(u"username"));
    AddField(entry, QStringLiteral("Password"), login.value(u"password"), true);
    int number = 0;
    for (const QJsonValue uri : login.value(u"uris").toArray()) {
        ++number;
        AddField(entry, number == 1 ? QStringLiteral("URL") : QStringLiteral("URL %1").arg(number),
                 uri.toObject().value(u"uri"));
    }
    AddField(entry, QStringLiteral("TOTP"), login.value(u"totp"), true);
}

void BitwardenJsonReader::AddCard(const QJsonObject& card, ImportedEntry& entry) {
    AddField(entry, QStringLiteral("Card Holder"), card.value(u"cardholderName"));
    AddField(entry, QStringLiteral("Brand"), card.value(u"brand"));
    AddField(entry, QStringLiteral("Number"), card.value(u"number"));
    const QString month = Text(card.value(u"expMonth"));
    const QString year = Text(card.value(u"expYear"));
    if (!month.isEmpty() || !year.isEmpty())
        entry.fields.append({QStringLiteral("Expires"), month + u'/' + year, false});
    AddField(entry, QStringLiteral("Security Code"), card.value(u"code"), true);
}

void BitwardenJsonReader::AddIdentity(const QJsonObject& identity, ImportedEntry& entry) {
    QStringList names;
    for (const char16_t* key : {u"firstName", u"middleName", u"lastName"}) {
        const QString name = Text(identity.value(QStringView(key)));
        if (!name.isEmpty())
            names.append(name);
    }
    if (!names.isEmpty())
        entry.fields.append({QStringLiteral("Full Name"), names.join(u' '), false});
    static const char16_t* const kKeys[][2] = {{u"title", u"Title"},
                                               {u"address1", u"Address 1"},
                                               {u"address2", u"Address 2"},
                                               {u"address3", u"Address 3"},
                                               {u"city", u"City"},
                                               {u"state", u"State"},
                                               {u"postalCode", u"Postal Code"},
                                               {u"country", u"Country"},
                                               {u"company", u"Company"},
                                               {u"email", u"Email"},
                                               {u"phone", u"Phone"},
                                               {u"ssn", u"SSN"},
                                               {u"username", u"Username"},
                                               {u"passportNumber", u"Passport #"},
                                               {u"licenseNumber", u"License #"}};
    for (const auto& key : kKeys)
        AddField(entry, QString::fromUtf16(key[1]), identity.value(QStringView(key[0])));
}

void BitwardenJsonReader::AddCustomFields(const QJsonArray& fields, ImportedEntry& entry) {
    // Field type 1 is Bitwarden's hidden field.
    for (const QJsonValue field : fields) {
        const QJsonObject object = field.toObject();
        const QString name = Text(object.value(u"name"));
        AddField(entry, name.isEmpty() ? QStringLiteral("Field") : name, object.value(u"value"),
                 object.value(u"type").toInt() == 1);
    }
}
