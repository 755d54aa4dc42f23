// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "model/CCardTemplate.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

class TestResourceLibrary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase();

    void exportsGiveRanges();
    void templateDefinitions_data();
    void templateDefinitions();
    void allTemplatesParse();
    void categorySuggestions();
    void fixedStrings_data();
    void fixedStrings();
    void loadResStringReadsLibraryOnlyWhenAsked();
    void iconsArePngsOfTheirSize();
    void iconsAreDistinct();
    void iconSizeChoice_data();
    void iconSizeChoice();
    void missingLibraryFails();
    void libraryLackingExportFails();
};

namespace {

constexpr int kFirstIcon = 500;
constexpr int kIconCount = 96;
constexpr int kFirstTemplate = 5000;
constexpr int kTemplateCount = 34;

// Width and height from the IHDR chunk, which a valid PNG has first, right after the signature; {-1, -1} otherwise.
QSize PngSize(const QByteArray& png) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (png.size() < 24 || !png.startsWith(signature) || png.mid(12, 4) != "IHDR")
        return {-1, -1};
    const auto bigEndian = [&png](int offset) { return int(qFromBigEndian<quint32>(png.constData() + offset)); };
    return {bigEndian(16), bigEndian(20)};
}

CCardTemplate Parsed(int id) {
    CCardTemplate parsed;
    parsed.ParseDefinition(ResourceLibrary::String(id));
    return parsed;
}

} // namespace

void TestResourceLibrary::init() {
    if (ResourceLibrary::IsLoaded())
        return;
    QString error;
    QVERIFY2(ResourceLibrary::Load(&error), qPrintable(error));
}

void TestResourceLibrary::cleanupTestCase() {
    ResourceLibrary::Unload();
}

void TestResourceLibrary::exportsGiveRanges() {
    int firstId = 0;
    int count = 0;
    QVERIFY(ResourceLibrary::ImagesInfo(firstId, count));
    QCOMPARE(firstId, kFirstIcon);
    QCOMPARE(count, kIconCount);
    QVERIFY(ResourceLibrary::TemplatesInfo(firstId, count));
    QCOMPARE(firstId, kFirstTemplate);
    QCOMPARE(count, kTemplateCount);
}

void TestResourceLibrary::templateDefinitions_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<int>("fieldType");

    QTest::newRow("first") << 5000 << "Calling Card" << 530 << 7 << 3 << "PIN" << 3;
    QTest::newRow("repeated field names") << 5001 << "Dining: Restaurant" << 542 << 10 << 7 << "Fav. Item" << 0;
    QTest::newRow("expires is a phone number")
        << 5010 << "Health: Insurance Policy" << 551 << 12 << 8 << "Expires" << 6;
    QTest::newRow("apostrophe") << 5021 << "Identification: Driver's License" << 555 << 10 << 9 << "Phone" << 6;
    QTest::newRow("shared icon") << 5027 << "Gift Ideas for Her" << 544 << 12 << 11 << "Jewelry" << 0;
    QTest::newRow("last, upper case") << 5033 << "Vehicle Profile" << 502 << 11 << 0 << "Plate #" << 1;
}

void TestResourceLibrary::templateDefinitions() {
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(int, icon);
    QFETCH(int, fieldCount);
    QFETCH(int, slot);
    QFETCH(QString, fieldName);
    QFETCH(int, fieldType);

    const CCardTemplate parsed = Parsed(id);
    QCOMPARE(parsed.description, name);
    QCOMPARE(parsed.iconId, icon);
    QCOMPARE(parsed.fields.UsedCount(), fieldCount);
    QCOMPARE(parsed.fields[slot].name, fieldName);
    QCOMPARE(parsed.fields[slot].type, fieldType);
}

void TestResourceLibrary::allTemplatesParse() {
    QCOMPARE(ResourceLibrary::String(kFirstTemplate),
             "Calling Card,530,Access #,0,Card #,0,Company,0,PIN,3,Rate/min,0,Expires,0,Cust Svc.,0");
    QCOMPARE(ResourceLibrary::String(kFirstTemplate + kTemplateCount - 1),
             "Vehicle Profile,502,Plate #,1,Renewal Date,0,Vehicle ID #,0,Insurer,0,Insurer Phone,6,Policy #,0,"
             "Expires,0,Dealer,0,Dealer Phone,6,Workshop,6,Last Oil Ch.,0");
    QVERIFY(ResourceLibrary::String(kFirstTemplate + kTemplateCount).isEmpty());

    // New wallets receive the templates in this order, so the order is part of every wallet made.
    const QStringList expectedNames = {"Calling Card",
                                       "Dining: Restaurant",
                                       "Clothing Size",
                                       "Dining: Pick-up/Delivery",
                                       "Emergency Contacts",
                                       "Event",
                                       "Exercise",
                                       "Finance: Bank Account",
                                       "Finance: Credit Card",
                                       "Finance: Investment",
                                       "Health: Insurance Policy",
                                       "Health: Prescription",
                                       "Generic: Notes",
                                       "Generic: Account",
                                       "Library Card",
                                       "Lock Combination",
                                       "Online: Website",
                                       "Password",
                                       "Software License",
                                       "Travel: Frequent Flyer Account",
                                       "Identification: Passport",
                                       "Identification: Driver's License",
                                       "Voice Mail Codes",
                                       "Warranty",
                                       "Pet Info",
                                       "Entertainment: Band/Discography",
                                       "Gift Ideas for Him",
                                       "Gift Ideas for Her",
                                       "Online: Shopping/Travel/Misc. Account",
                                       "Online: Internet Service Provider",
                                       "Finance: Loan",
                                       "Identification: Social Security Card",
                                       "Insurance Policy",
                                       "Vehicle Profile"};
    const QList<int> expectedIcons = {530, 542, 543, 540, 558, 538, 586, 566, 524, 535, 551, 552,
                                      534, 557, 528, 578, 547, 557, 509, 588, 556, 555, 574, 550,
                                      571, 510, 544, 544, 593, 547, 566, 508, 550, 502};
    QStringList names;
    QList<int> icons;
    for (int id = kFirstTemplate; id < kFirstTemplate + kTemplateCount; ++id) {
        const QStringList tokens = ResourceLibrary::String(id).split(u',');
        QVERIFY2(tokens.size() % 2 == 0 && tokens.size() <= 2 + 2 * 12, qPrintable(QString::number(id)));
        QVERIFY2(!tokens.contains(QString()), qPrintable(QString::number(id)));
        const CCardTemplate parsed = Parsed(id);
        QCOMPARE(parsed.fields.UsedCount(), (tokens.size() - 2) / 2);
        for (const CTemplateField& field : parsed.fields)
            QVERIFY(field.type >= FieldTypes::Default && field.type <= FieldTypes::Last);
        names << parsed.description;
        icons << parsed.iconId;
    }
    QCOMPARE(names, expectedNames);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), kTemplateCount);
    QCOMPARE(icons, expectedIcons);
}

void TestResourceLibrary::categorySuggestions() {
    const QString text = ResourceLibrary::String(10000);
    QVERIFY(text.endsWith(u';'));
    const QStringList expected = {
        "General",       "My Accounts",   "Auto",        "Internet",      "Personal Finance", "Business",
        "Calling Cards", "Prescriptions", "Stuff",       "Clubs",         "Software",         "Credit Cards",
        "Restaurants",   "Education",     "Emergencies", "Entertainment", "Online Accounts",  "Health & Fitness",
        "Home Related",  "Miscellaneous", "Travel",      "Passwords",     "Most Important",   "Personal",
        "Gift Ideas"};
    // Split without dropping empty pieces, so a doubled or missing separator shows up.
    QCOMPARE(text.chopped(1).split(u';'), expected);
}

void TestResourceLibrary::fixedStrings_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");

    QTest::newRow("blank") << 10001 << " ";
    QTest::newRow("cannot alter")
        << 10006
        << "This template cannot be altered because one or more cards are using it. Altering this template will "
           "corrupt the data in those cards. However, you can duplicate this template and then make changes to the "
           "duplicate.";
    QTest::newRow("cannot delete") << 10007
                                   << "This template cannot be deleted because one or more cards are using it.";
    for (int unknown : {-1, 0, 500, 4999, 9999, 10002, 10008, 65056})
        QTest::addRow("unknown %d", unknown) << unknown << QString();
}

void TestResourceLibrary::fixedStrings() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QCOMPARE(ResourceLibrary::String(id), text);
}

void TestResourceLibrary::loadResStringReadsLibraryOnlyWhenAsked() {
    QCOMPARE(LoadResString(10007, true), ResourceLibrary::String(10007));
    QCOMPARE(LoadResString(65056, false), "There was an error opening the selected file. Please try again.");
    QVERIFY(LoadResString(65056, true).isEmpty());
    ResourceLibrary::Unload();
    QVERIFY(LoadResString(10007, true).isEmpty());
    QVERIFY(!LoadResString(65056).isEmpty());
}

void TestResourceLibrary::iconsArePngsOfTheirSize() {
    for (int id = kFirstIcon; id < kFirstIcon + kIconCount; ++id) {
        for (int size : {16, 32}) {
            const QByteArray png = ResourceLibrary::Icon(id, size);
            QVERIFY2(PngSize(png) == QSize(size, size), qPrintable(QStringLiteral("icon %1 at %2").arg(id).arg(size)));
        }
    }
    QVERIFY(ResourceLibrary::Icon(kFirstIcon - 1, 16).isEmpty());
    QVERIFY(ResourceLibrary::Icon(kFirstIcon + kIconCount, 16).isEmpty());
}

void TestResourceLibrary::iconsAreDistinct() {
    QSet<QByteArray> pictures;
    for (int id = kFirstIcon; id < kFirstIcon + kIconCount; ++id)
        pictures.insert(ResourceLibrary::Icon(id, 32));
    QCOMPARE(pictures.size(), kIconCount);
}

void TestResourceLibrary::iconSizeChoice_data() {
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("given");

    QTest::newRow("below smallest") << 1 << 16;
    QTest::newRow("exact small") << 16 << 16;
    QTest::newRow("between") << 17 << 32;
    QTest::newRow("exact large") << 32 << 32;
    QTest::newRow("between larger") << 100 << 128;
    QTest::newRow("above largest") << 500 << 128;
}

void TestResourceLibrary::iconSizeChoice() {
    QFETCH(int, asked);
    QFETCH(int, given);
    QCOMPARE(PngSize(ResourceLibrary::Icon(524, asked)), QSize(given, given));
}

void TestResourceLibrary::missingLibraryFails() {
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QString error;
    QVERIFY(!ResourceLibrary::Load(empty.path(), &error));
    QVERIFY2(error.contains(ResourceLibrary::kFileName), qPrintable(error));
    QVERIFY(!ResourceLibrary::IsLoaded());
    int firstId = 0;
    int count = 0;
    QVERIFY(!ResourceLibrary::ImagesInfo(firstId, count));
    QVERIFY(!ResourceLibrary::TemplatesInfo(firstId, count));
    QVERIFY(ResourceLibrary::String(10007).isEmpty());
    QVERIFY(ResourceLibrary::Icon(524, 16).isEmpty());
}

void TestResourceLibrary::libraryLackingExportFails() {
    QString error;
    QVERIFY(!ResourceLibrary::Load(QStringLiteral(KORVEL_INCOMPLETE_RES_DIR), &error));
    QVERIFY2(error.contains("lacks GetTemplatesInfo"), qPrintable(error));
    QVERIFY(!ResourceLibrary::IsLoaded());
}

QTEST_GUILESS_MAIN(TestResourceLibrary)
#include "TestResourceLibrary.moc"
