// SPDX-License-Identifier: GPL-3.0-or-later
#include "GzipData.h"
#include "WalletFixture.h"
#include "document/WalletImporter.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "model/CCategory.h"
#include "model/CsvImportReader.h"
#include "model/KeePassXmlReader.h"

#include <QBuffer>
#include <QFile>

namespace {
QByteArray Sample(const char* name) {
    QFile file(QStringLiteral(KORVEL_TEST_SOURCE "/data/import/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("sample %s is missing", name);
    return file.readAll();
}

ImportReader::Format FormatOf(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return ImportReader::Detect(buffer).value_or(ImportReader::Format::Csv);
}

// Reads `bytes` with `reader`, gives the entries, or the error with none.
QList<ImportedEntry> ReadAll(ImportReader& reader, const QByteArray& bytes, QString& error) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QList<ImportedEntry> entries;
    if (!reader.Read(
            buffer, [&](ImportedEntry& entry) { entries.append(entry); }, error))
        return {};
    return entries;
}
} // namespace

// The readers of other programs' exports and the mapping of their entries to cards, checked through the wallet
// that an import builds.
class TestImport : public QObject {
    Q_OBJECT

    std::unique_ptr<WalletFixture> m_fixture;

    CWallet& Wallet() { return *m_fixture->wallet; }

    WalletImporter::Summary Import(const QByteArray& bytes, bool recycleBin = false, const QString& category = {}) {
        const auto reader = ImportReader::Create(FormatOf(bytes), recycleBin);
        WalletImporter importer(Wallet(), category, {});
        QString error;
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QString addError;
        const bool ok = reader->Read(
            buffer, [&](ImportedEntry& entry) { QVERIFY(importer.Add(entry, addError)); }, error);
        if (!ok)
            qWarning("%s", qPrintable(error));
        return importer.GetSummary();
    }

    const CCard* CardTitled(const QString& title) {
        for (const auto& card : Wallet().Cards())
            if (card->description == title)
                return card;
        return nullptr;
    }

    QString CategoryOf(const CCard& card) {
        const CCategory* category = Wallet().Categories().FindById(card.categoryId);
        return category ? category->description : QString();
    }

    QString TemplateOf(const CCard& card) {
        const CCardTemplate* cardTemplate = Wallet().Templates().FindByInternalName(card.templateName);
        return cardTemplate ? cardTemplate->description : QString();
    }

    // Every card of the wallet as its plain text, as the text export writes it.
    QString AllText() {
        QString text;
        for (const auto& card : Wallet().Cards())
            text += card->GetText(false) + u'\n' + card->image().description + u'\n' + card->sound().description +
                    u'\n' + card->document().description + u'\n';
        return text;
    }

    void VerifyHolds(const QStringList& values) {
        const QString text = AllText();
        for (const QString& value : values)
            QVERIFY2(text.contains(value), qPrintable(value));
    }

private Q_SLOTS:
    void initTestCase() { WalletFixture::LoadLibrary(); }

    void init() {
        m_fixture = std::make_unique<WalletFixture>();
        m_fixture->MakeNew();
    }

    void cleanup() { m_fixture.reset(); }

    void detectsTheFormatFromTheContent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::newRow("xml") << QByteArray("\xEF\xBB\xBF  <?xml version=\"1.0\"?><KeePassFile/>")
                             << int(ImportReader::Format::KeePassXml);
        QTest::newRow("json") << QByteArray("\n{\"encrypted\": false}") << int(ImportReader::Format::BitwardenJson);
        QTest::newRow("json array") << QByteArray("[{\"name\": \"a\"}]") << int(ImportReader::Format::BitwardenJson);
        QTest::newRow("csv") << QByteArray("name,url\n") << int(ImportReader::Format::Csv);
    }

    void detectsTheFormatFromTheContent() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QCOMPARE(int(FormatOf(bytes)), format);
    }

    void keepassGroupsEntriesAndAttachments() {
        const WalletImporter::Summary summary = Import(Sample("keepass.xml"));
        QCOMPARE(summary.entries, 3);
        QCOMPARE(summary.categories, 2);
        QCOMPARE(summary.attachments, 5);
        QCOMPARE(summary.extraCards, 1);
        QCOMPARE(summary.templates, 1);

        const CCard* mail = CardTitled(QStringLiteral("Mail"));
        QVERIFY(mail);
        QCOMPARE(CategoryOf(*mail), QStringLiteral("Family"));
        QCOMPARE(TemplateOf(*mail), QStringLiteral("Online: Website"));
        QCOMPARE(mail->values[0], QStringLiteral("https://mail.example.org/"));
        QCOMPARE(mail->values[1], QStringLiteral("anna"));
        QCOMPARE(mail->values[2], QStringLiteral("s3cr\u00e9t<>"));
        QCOMPARE(mail->notes, QStringLiteral("Shared & used by \"all\" <family>"));
        QVERIFY(!CardTitled(QStringLiteral("Old mail title")));
        QVERIFY(!CardTitled(QStringLiteral("Thrown away")));

        const CCard* empty = CardTitled(QStringLiteral("Empty"));
        QVERIFY(empty);
        QCOMPARE(TemplateOf(*empty), QStringLiteral("Generic: Notes"));

        const CCard* bank = CardTitled(QStringLiteral("Online banking"));
        QVERIFY(bank);
        QCOMPARE(CategoryOf(*bank), QStringLiteral("Family / Banking / Sparkasse K\u00f6ln"));
        const CCardTemplate* made = Wallet().Templates().FindByInternalName(bank->templateName);
        QVERIFY(made);
        QCOMPARE(made->description, QStringLiteral("Imported: Username, Password, TAN list, Support, Contact"));
        QCOMPARE(made->fields[1].type, FieldTypes::Password);
        QCOMPARE(made->fields[2].type, FieldTypes::Password);
        QCOMPARE(made->fields[4].type, FieldTypes::EmailAddress);
        QCOMPARE(bank->values[3], QStringLiteral("call <0221> & ask for \"Frau Wei\u00df\""));
        QCOMPARE(bank->image().description, QStringLiteral("logo.png"));
        QCOMPARE(bank->document().description, QStringLiteral("travel.txt"));
        QVERIFY(!bank->sound().IsAttached());

        const CCard* extra = CardTitled(QStringLiteral("Online banking (attachments)"));
        QVERIFY(extra);
        QCOMPARE(extra->categoryId, bank->categoryId);
        QCOMPARE(extra->document().description, QStringLiteral("page3.pdf"));

        // The attached bytes go into the wallet unpacked.
        QString error;
        const auto stream = Wallet().OpenStream(bank->image().streamName, error);
        QVERIFY2(stream, qPrintable(error));
        QCOMPARE(stream->readAll(), QByteArray("\x89PNG\r\n\x1a\npixel data of a tiny picture"));
        VerifyHolds(
            {"anna", "12345678", "pin-0815", "A1 B2 C3", "service@sparkasse.example", "page1.pdf", "page2.pdf"});
    }

    void keepassRecycleBinWhenAskedFor() {
        Import(Sample("keepass.xml"), true);
        const CCard* thrown = CardTitled(QStringLiteral("Thrown away"));
        QVERIFY(thrown);
        QCOMPARE(CategoryOf(*thrown), QStringLiteral("Family / Recycle Bin"));
    }

    void bitwardenItemsOfEveryKind() {
        const WalletImporter::Summary summary = Import(Sample("bitwarden.json"));
        QCOMPARE(summary.entries, 7);
        QCOMPARE(summary.categories, 3);

        const CCard* visa = CardTitled(QStringLiteral("Visa"));
        QVERIFY(visa);
        QCOMPARE(TemplateOf(*visa), QStringLiteral("Finance: Credit Card"));
        QCOMPARE(visa->values[0], QStringLiteral("4111111111111111"));
        QCOMPARE(visa->values[1], QStringLiteral("7/2029"));
        QCOMPARE(visa->values[3], QStringLiteral("123"));
        QCOMPARE(visa->values[4], QStringLiteral("Jane Doe"));
        QCOMPARE(visa->notes, QStringLiteral("Brand: Visa"));

        const CCard* passport = CardTitled(QStringLiteral("Passport"));
        QVERIFY(passport);
        QCOMPARE(TemplateOf(*passport), QStringLiteral("Identification: Passport"));
        QCOMPARE(passport->values[1], QStringLiteral("X1234567"));

        const CCard* server = CardTitled(QStringLiteral("Build server"));
        QVERIFY(server);
        QCOMPARE(CategoryOf(*server), QStringLiteral("Work / Servers"));
        QCOMPARE(server->values[2], QStringLiteral("\u4e2d\u6587 p\u00e4ss"));

        const CCard* wifi = CardTitled(QStringLiteral("Wi-Fi at home"));
        QVERIFY(wifi);
        QCOMPARE(CategoryOf(*wifi), WalletImporter::DefaultCategory());
        QCOMPARE(TemplateOf(*wifi), QStringLiteral("Generic: Notes"));
        VerifyHolds({"4711", "R3C-0V3R", "https://sso.example.com", "JBSWY3DPEHPK3PXP", "Springfield", "Dr",
                     "+1 555 0100", "jane@example.net", "second", "another", "Badge needed."});
    }

    void csvQuotingLineBreaksAndByteOrderMark() {
        const WalletImporter::Summary summary = Import(Sample("keepassxc.csv"));
        QCOMPARE(summary.entries, 3);
        const CCard* post = CardTitled(QStringLiteral("Post, private"));
        QVERIFY(post);
        QCOMPARE(CategoryOf(*post), QStringLiteral("Root / Mail"));
        QCOMPARE(post->notes, QStringLiteral("Line one\r\nLine two, with \"quotes\""));
        VerifyHolds({"anna@example.org", "p\"w,1", "https://post.example.org", "2025-01-02T03:04:05Z", "4321",
                     "\u00c4rger", "bj\u00f6rn", "\u00e7\u00e0", "otpauth://totp/X?secret=ABC"});
        // The byte-order mark is not part of the first column's name.
        for (const auto& cardTemplate : Wallet().Templates())
            QVERIFY(!cardTemplate->description.contains(QChar(0xFEFF)));
    }

    void csvLoginsTakeTheWebsiteTemplate() {
        const WalletImporter::Summary summary = Import(Sample("chrome.csv"));
        QCOMPARE(summary.cards, 2);
        QCOMPARE(summary.templates, 0);
        QCOMPARE(summary.categories, 1);
        for (const auto& card : Wallet().Cards())
            QCOMPARE(TemplateOf(*card), QStringLiteral("Online: Website"));
        VerifyHolds({"user1", "pass1", "user2", "pass2", "multi\nline note"});
    }

    void valuesBeyondFifteenFieldsGoToTheNotes() {
        QByteArray csv = "title";
        QByteArray row = "Many";
        for (int i = 1; i <= 17; ++i) {
            csv += ",Field " + QByteArray::number(i);
            row += ",value " + QByteArray::number(i);
        }
        const WalletImporter::Summary summary = Import(csv + '\n' + row + '\n' + row + "\r\n");
        QCOMPARE(summary.templates, 1);
        QCOMPARE(summary.valuesToNotes, 4);
        QCOMPARE(summary.placedElsewhere.size(), 2);
        const CCard* many = CardTitled(QStringLiteral("Many"));
        QVERIFY(many);
        QCOMPARE(many->values[14], QStringLiteral("value 15"));
        QCOMPARE(many->notes, QStringLiteral("Field 16: value 16\nField 17: value 17"));
    }

    // An imported category is as protected as one made by hand, so a locked wallet hides what came in.
    void importedCategoriesRequireThePassword() {
        const qsizetype before = Wallet().Categories().Count();
        Import(Sample("keepass.xml"));
        Import(Sample("bitwarden.json"));
        Import(Sample("chrome.csv"));
        QVERIFY(Wallet().Categories().Count() > before);
        for (const auto& category : Wallet().Categories()) {
            QCOMPARE(category->flag, CCategory().flag);
            QVERIFY2(category->RequiresPassword(), qPrintable(category->description));
        }
    }

    // One-time-password seeds are hidden like passwords, however the exporting program names them.
    void oneTimePasswordFieldsArePasswords() {
        Import("title,username,otp,TOTP Seed,otp secret,OTP_Code,TimeOtp-Secret-Base32,Recovery,Hotspot,Topic,Notepad\n"
               "Bank,anna,JBSW,SEED,SEC,123,BASE,otpauth://hotp/Bank?secret=X,wifi,news,pad\n");
        Import("{\"items\": [{\"type\": 1, \"name\": \"Shop\", \"login\": {\"username\": \"bo\"}, "
               "\"fields\": [{\"name\": \"OTP\", \"value\": \"JBSW\", \"type\": 0}]}]}");
        Import("<KeePassFile><Root><Group><Name>G</Name><Entry><String><Key>Title</Key><Value>Forum</Value></String>"
               "<String><Key>UserName</Key><Value>cy</Value></String>"
               "<String><Key>otp</Key><Value>otpauth://totp/F?secret=Y</Value></String></Entry></Group></Root>"
               "</KeePassFile>");
        QHash<QString, FieldType> types;
        for (const char* title : {"Bank", "Shop", "Forum"}) {
            const CCard* card = CardTitled(QLatin1StringView(title));
            QVERIFY2(card, title);
            const CCardTemplate* made = Wallet().Templates().FindByInternalName(card->templateName);
            QVERIFY(made);
            for (const auto& field : made->fields)
                if (!field.name.isEmpty())
                    types.insert(field.name, field.type);
        }
        for (const char* name :
             {"TOTP", "TOTP Seed", "otp secret", "OTP_Code", "TimeOtp-Secret-Base32", "Recovery", "OTP", "otp"})
            QVERIFY2(types.value(QLatin1StringView(name), FieldTypes::Default) == FieldTypes::Password, name);
        for (const char* name : {"Username", "Hotspot", "Topic", "Notepad"})
            QVERIFY2(types.value(QLatin1StringView(name), FieldTypes::Password) == FieldTypes::Default, name);
    }

    // KeePassXC's XML export names its entries' attached files without holding them; the entries come in without
    // the files, and the summary names them, the first few of many.
    void keepassAttachmentsTheExportDoesNotHold() {
        WalletImporter::Summary summary = Import(Sample("keepassxc-no-binaries.xml"));
        QCOMPARE(summary.entries, 3);
        QCOMPARE(summary.cards, 3);
        QCOMPARE(summary.attachments, 0);
        QCOMPARE(summary.entriesMissingFiles, 2);
        const CCard* tax = CardTitled(QStringLiteral("Tax office"));
        QVERIFY(tax);
        QCOMPARE(CategoryOf(*tax), QStringLiteral("Passwords"));
        QVERIFY(!tax->document().IsAttached());
        QVERIFY(CardTitled(QStringLiteral("Mail")));
        const CCard* passport = CardTitled(QStringLiteral("Passport"));
        QVERIFY(passport);
        QCOMPARE(CategoryOf(*passport), QStringLiteral("Passwords / Documents"));
        QVERIFY(summary.Text(false).endsWith(
            QStringLiteral("\nAttached files that the export names but does not hold were left out of 2 entries: "
                           "\"Tax office\", \"Passport\"")));

        QByteArray many = "<KeePassFile><Root><Group><Name>G</Name>";
        for (int i = 1; i <= 8; ++i)
            many += "<Entry><String><Key>Title</Key><Value>E" + QByteArray::number(i) +
                    "</Value></String><Binary><Key>f</Key><Value Ref=\"" + QByteArray::number(i) +
                    "\"/></Binary></Entry>";
        summary = Import(many + "</Group></Root></KeePassFile>");
        QCOMPARE(summary.cards, 8);
        QCOMPARE(summary.entriesMissingFiles, 8);
        QVERIFY2(summary.Text(true).endsWith(QStringLiteral(
                     "would be left out of 8 entries: \"E1\", \"E2\", \"E3\", \"E4\", \"E5\" and 3 more")),
                 qPrintable(summary.Text(true)));
    }

    void reusesCategoriesOfTheSameName() {
        const qsizetype before = Wallet().Categories().Count();
        const WalletImporter::Summary summary = Import(Sample("chrome.csv"), false, QStringLiteral("Personal"));
        QCOMPARE(summary.categories, 0);
        QCOMPARE(Wallet().Categories().Count(), before);
    }

    void damagedAndHostileInputsAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray head = "<?xml version=\"1.0\"?><KeePassFile><Root><Group><Name>G</Name>";
        QTest::newRow("truncated xml") << head + "<Entry><String><Key>Title</Key><Val"
                                       << "line 1";
        QTest::newRow("billion laughs") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
                                                      "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>"
                                                      "<KeePassFile>&lol2;</KeePassFile>")
                                        << "document type";
        QTest::newRow("protected value")
            << head + "<Entry><String><Key>Password</Key><Value Protected=\"True\">q0Y=</Value></String></Entry>"
            << "enciphered";
        QTest::newRow("attachment without content")
            << head + "<Entry><Binary><Key>a.txt</Key></Binary></Entry></Group></Root></KeePassFile>"
            << "has no content";
        // A pooled file is unpacked only for an entry that refers to it.
        QTest::newRow("bad gzip") << QByteArray(
                                         "<KeePassFile><Meta><Binaries><Binary ID=\"0\" Compressed=\"True\">"
                                         "H4sIAAAAAAAA/w==</Binary></Binaries></Meta><Root><Group><Entry><Binary>"
                                         "<Key>a</Key><Value Ref=\"0\"/></Binary></Entry></Group></Root>"
                                         "</KeePassFile>")
                                  << "cannot be unpacked";
        QTest::newRow("not keepass") << QByteArray("<html><body/></html>") << "not the root element";
        QTest::newRow("undeclared entity") << head + "<Entry><String><Key>Title</Key><Value>&x;</Value>"
                                           << "line 1";
        QTest::newRow("external document type")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE KeePassFile SYSTEM \"file:///etc/passwd\"><KeePassFile/>")
            << "document type";
        QTest::newRow("mismatched tags") << QByteArray("<KeePassFile>\n<Root>\n</Meta>") << "line 3";
        QTest::newRow("empty xml") << QByteArray("<") << "line 1";

        QTest::newRow("unclosed quote") << QByteArray("title,password\n\"a,b\n") << "never closed";
        QTest::newRow("quote inside") << QByteArray("title,password\na\"b,c\n") << "quote inside";
        QTest::newRow("text after quote") << QByteArray("title,password\n\"a\"b,c\n") << "follows the closing quote";
        QTest::newRow("too many fields") << QByteArray("title\na,b\n") << "line 2";
        QTest::newRow("invalid json") << QByteArray("{\"items\": [ {\"name\": \"a\",, } ]}") << "not valid JSON";
        QTest::newRow("truncated json") << QByteArray("{\"items\": [ {\"name\": \"a\"") << "not valid JSON";
        QTest::newRow("encrypted json") << QByteArray("{\"encrypted\": true, \"data\": \"2.abc\"}") << "encrypted";
        QTest::newRow("unknown folder") << QByteArray(
                                               "{\"items\": [{\"type\": 2, \"name\": \"n\", \"folderId\": \"f\"}]}")
                                        << "folder";
        QTest::newRow("other json") << QByteArray("{\"a\": [1, 2]}") << "neither folders nor items";
        QTest::newRow("deep json") << QByteArray("{\"items\": [") + QByteArray(100, '[') << "nested deeper";
        QTest::newRow("json array") << QByteArray("[{\"name\": \"a\"}]") << "JSON array, but a Bitwarden export";
        QTest::newRow("nul in json") << QByteArray("{\"items\": [{\"type\": 2, \"name\": \"a\\u0000b\"}]}") << "U+0000";
        QTest::newRow("nul in csv") << QByteArray("title,password\na,p\0w\n", 22) << "line 2: the text holds a NUL";
        QTest::newRow("fields beyond the columns")
            << QByteArray("title,password\na,b,c,\"never closed") << "line 2: more fields than the 2 columns";
        QTest::newRow("header of too many columns")
            << QByteArray(",").repeated(CsvImportReader::kMaxColumns + 1) + "\"never closed"
            << "more than 4096 columns";
        QTest::newRow("csv header too long")
            << QByteArray("\"") + QByteArray(CsvImportReader::kMaxHeader, 'h') << "header row is longer";
        // The parser is never given an element with more attributes than an export writes.
        QByteArray attributes;
        for (int i = 0; i <= KeePassXmlReader::kMaxAttributes; ++i)
            attributes += " a" + QByteArray::number(i) + "=''";
        QTest::newRow("too many attributes") << "<KeePassFile>\n<Root" + attributes + ">"
                                             << "line 2: an element has more than 64 attributes";
        // libxml2's own messages are the reader's error, and not printed by libxml2.
        QTest::newRow("undecodable text")
            << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1253\"?><KeePassFile>\xaa\xd2\xff</KeePassFile>")
            << "input conversion failed";
    }

    // White space is a value like any other, in plain text or CDATA; an element with a namespace prefix is none of
    // the export's own and is passed over with what it holds.
    void keepassTextIsTakenAsWritten() {
        // What a comment, an instruction, a CDATA section or a quoted value holds is no attribute, however many '=' it
        // has.
        const QByteArray bytes = "<KeePassFile><Root><Group><Name> Spaced </Name><Entry>"
                                 "<String><Key>Title</Key><Value>  </Value></String>"
                                 "<String><Key>Password</Key><Value>\t \n</Value></String>"
                                 "<String><Key>Code</Key><Value><![CDATA[ ]]>&#32;<![CDATA[<&>]]></Value></String>"
                                 "<!-- <a " +
                                 QByteArray("=").repeated(100) + "> --><?pi " + QByteArray("=").repeated(100) +
                                 "?><String><Key>Key</Key><Value><![CDATA[<a" + QByteArray(" b=").repeated(100) +
                                 "]]></Value></String>"
                                 "<x:String xmlns:x=\"urn:x\" t='" +
                                 QByteArray("=\"").repeated(100) +
                                 "'><Key>Hidden</Key><Value>no</Value></x:String>"
                                 "</Entry></Group></Root></KeePassFile>";
        const auto reader = ImportReader::Create(ImportReader::Format::KeePassXml, false);
        QString error;
        const QList<ImportedEntry> entries = ReadAll(*reader, bytes, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(entries.size(), 1);
        const ImportedEntry& entry = entries.first();
        QCOMPARE(entry.groupPath, QStringList{QStringLiteral(" Spaced ")});
        QCOMPARE(entry.title, QStringLiteral("  "));
        QCOMPARE(entry.fields.size(), 3);
        QCOMPARE(entry.fields[0].value, QStringLiteral("\t \n"));
        QCOMPARE(entry.fields[1].name, QStringLiteral("Code"));
        QCOMPARE(entry.fields[1].value, QStringLiteral("  <&>"));

        // Groups nest as deep as the file nests them.
        const QByteArray deep = "<KeePassFile><Root>" + QByteArray("<Group><Name>g</Name>").repeated(300) + "<Entry/>" +
                                QByteArray("</Group>").repeated(300) + "</Root></KeePassFile>";
        const QList<ImportedEntry> nested = ReadAll(*reader, deep, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(nested.size(), 1);
        QCOMPARE(nested.first().groupPath.size(), 300);
    }

    void damagedAndHostileInputsAreRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const auto reader = ImportReader::Create(FormatOf(bytes), false);
        QString message;
        ReadAll(*reader, bytes, message);
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    // Reading ahead on a thread of its own hands over every entry in order, ends with the reader's error, and stops
    // at once when the taker fails.
    void readAheadKeepsOrderAndFailures() {
        QByteArray csv = "title,password\n";
        for (int i = 0; i < 3000; ++i)
            csv += "entry " + QByteArray::number(i) + ",pw\n";
        QBuffer buffer(&csv);
        buffer.open(QIODevice::ReadOnly);
        QStringList titles;
        QString error;
        const auto reader = ImportReader::Create(ImportReader::Format::Csv, false);
        QVERIFY(reader->ReadAhead(
            buffer, [&](ImportedEntry& entry) { titles.append(entry.title); }, error));
        QCOMPARE(titles.size(), 3000);
        QCOMPARE(titles.value(2999), QStringLiteral("entry 2999"));

        QByteArray broken = csv + "\"open,1\n";
        QBuffer brokenBuffer(&broken);
        brokenBuffer.open(QIODevice::ReadOnly);
        int seen = 0;
        QVERIFY(!reader->ReadAhead(
            brokenBuffer, [&](ImportedEntry&) { ++seen; }, error));
        QVERIFY2(error.contains(QStringLiteral("never closed")), qPrintable(error));
        QVERIFY(seen >= 3000);

        // The same reader reads a file again from its start, header row and all, as a check and then an import do.
        buffer.seek(0);
        titles.clear();
        QVERIFY(reader->Read(
            buffer, [&](ImportedEntry& entry) { titles.append(entry.title); }, error));
        QCOMPARE(titles.size(), 3000);
        QCOMPARE(titles.value(0), QStringLiteral("entry 0"));

        buffer.seek(0);
        seen = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, reader->ReadAhead(
                                                         buffer,
                                                         [&](ImportedEntry&) {
                                                             if (++seen == 10)
                                                                 throw std::runtime_error("refused");
                                                         },
                                                         error));
        QCOMPARE(seen, 10);
    }

    void attachedFilesAboveTheLimitAreRefused() {
        const QByteArray data = QByteArray(3000, 'x').toBase64();
        const QByteArray xml = "<KeePassFile><Meta><Binaries><Binary ID=\"0\">" + data +
                               "</Binary></Binaries></Meta><Root/></KeePassFile>";
        KeePassXmlReader small(false, {2048});
        QString error;
        ReadAll(small, xml, error);
        QVERIFY2(error.contains(QStringLiteral("larger than")), qPrintable(error));
        KeePassXmlReader large(false, {4096});
        error.clear();
        ReadAll(large, xml, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Pooled files are unpacked for the entries that refer to them, within the limit for one file; the entries
    // together stay within the limit for one import, however often they refer to the same file.
    void keepassPooledFilesWithinTheLimits() {
        const QByteArray packed = Gzip("pic", 200 * 1024).toBase64();
        const auto xml = [&](int references, const char* id) {
            QByteArray entries;
            for (int i = 0; i < references; ++i)
                entries += QByteArray("<Entry><Binary><Key>a.png</Key><Value Ref=\"") + id + "\"/></Binary></Entry>";
            return "<KeePassFile><Meta><Binaries><Binary ID=\"0\" Compressed=\"True\">" + Gzip({}, 4 << 20).toBase64() +
                   "</Binary><Binary ID=\"1\" Compressed=\"True\">" + packed +
                   "</Binary></Binaries></Meta><Root><Group>" + entries + "</Group></Root></KeePassFile>";
        };
        // 4 MiB of zeros in the pool, unpacked only when referred to, and then refused past a limit of 1 MiB.
        KeePassXmlReader reader(false, {1 << 20, 1 << 20});
        QString error;
        const QList<ImportedEntry> entries = ReadAll(reader, xml(4, "1"), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries.last().files.value(0).data, QByteArray("pic") + QByteArray(200 * 1024, '\0'));
        ReadAll(reader, xml(6, "1"), error);
        QVERIFY2(
            error.contains(QStringLiteral("more than 1 MiB of attached files and texts, the limit for one import")),
            qPrintable(error));
        ReadAll(reader, xml(1, "0"), error);
        QVERIFY2(error.contains(QStringLiteral("unpacks to more than 1 MiB, the most allowed")), qPrintable(error));
    }

    // An entry with a file for each slot and five more: the five go three to an extra card, in order, none lost.
    void attachedFilesBeyondTheSlotsGoToExtraCards() {
        QByteArray xml = "<KeePassFile><Root><Group><Name>G</Name><Entry><String><Key>Title</Key><Value>Scans</Value>"
                         "</String>";
        const QStringList names = {"a.png", "b.wav", "c.pdf", "d.pdf", "e.png", "f.txt", "g.mp3", "h.pdf"};
        for (const QString& name : names)
            xml += "<Binary><Key>" + name.toUtf8() + "</Key><Value>" + ("bytes of " + name.toUtf8()).toBase64() +
                   "</Value></Binary>";
        const WalletImporter::Summary summary = Import(xml + "</Entry></Group></Root></KeePassFile>");
        QCOMPARE(summary.attachments, 8);
        QCOMPARE(summary.extraCards, 2);
        QStringList found;
        for (const auto& card : Wallet().Cards()) {
            for (const CAttachment* slot : {&card->image(), &card->sound(), &card->document()}) {
                if (!slot->IsAttached())
                    continue;
                QString error;
                const auto stream = Wallet().OpenStream(slot->streamName, error);
                QVERIFY2(stream, qPrintable(error));
                QCOMPARE(stream->readAll(), "bytes of " + slot->description.toUtf8());
                found.append(slot->description);
            }
        }
        QCOMPARE(found, names);
    }

    // Lines may end in CR alone, as old Mac programs write them; inside quotes every line end stays as it came.
    void csvLinesEndingInCr() {
        const WalletImporter::Summary summary =
            Import("title,notes\rFirst,\"one\rtwo\"\r\rSecond,x\r\nThird,\"a\r\nb\"\n");
        QCOMPARE(summary.entries, 3);
        QCOMPARE(CardTitled(QStringLiteral("First"))->notes, QStringLiteral("one\rtwo"));
        QCOMPARE(CardTitled(QStringLiteral("Second"))->notes, QStringLiteral("x"));
        QCOMPARE(CardTitled(QStringLiteral("Third"))->notes, QStringLiteral("a\r\nb"));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "TestImport.moc"
