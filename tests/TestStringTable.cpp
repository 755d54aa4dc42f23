// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/StringTable.h"

#include <QTest>

#include <climits>

class TestStringTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void text_data();
    void text();
    void unknownIdIsEmpty_data();
    void unknownIdIsEmpty();
    void idsAreUniqueAndResolve();
    void toolbarTooltips_data();
    void toolbarTooltips();
    void menuText_data();
    void menuText();
};

void TestStringTable::text_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected");

    QTest::newRow("document template, seven parts") << kStrDocumentTemplate
                                                    << QStringLiteral("Korvel\n\nWallet\nKorvel Files (*.kvx)\n.kvx\n"
                                                                      "Korvel.Document\nKorvel Files");
    QTest::newRow("blank line inside") << kStrOfferPassword
                                       << QStringLiteral("A new wallet has been created.\n\nDo you want to create a "
                                                         "password for this wallet?");
    QTest::newRow("trailing blank") << kStrCopyOf << QStringLiteral("Copy of ");
    QTest::newRow("quotes around placeholder")
        << kStrIncompatibleFile << QStringLiteral("\"%s\" is incompatible with this version of Korvel.");
    QTest::newRow("two placeholders") << kStrStatusCounts << QStringLiteral("%d categories, %d cards");
    QTest::newRow("accelerator and placeholder") << kStrLongDateExample << QStringLiteral("&Long (e.g: %s)");
    QTest::newRow("filter with trailing bar")
        << kStrImageFilter << QStringLiteral("Image Files (.bmp;.jpg;.jpeg;.gif;.png)|*.bmp;*.jpg;*.jpeg;*.gif;*.png|");
    QTest::newRow("new wallet title, one word") << kStrNewWallet << QStringLiteral("NewWallet");
    QTest::newRow("XML card element") << kStrCard << QStringLiteral("Card");
    QTest::newRow("application title") << kStrAppTitle << QStringLiteral("Korvel");
    QTest::newRow("prompt and tooltip") << 57600 << QStringLiteral("Create a new wallet\nNew Wallet");
    QTest::newRow("menu-only command") << 32801 << QStringLiteral("Korvel on the &Web");
    QTest::newRow("menu text with key") << 32788 << QStringLiteral("&Zoom...\tF10");
    QTest::newRow("first field type") << kFieldTypeNameFirst << QStringLiteral("<Default>");
    QTest::newRow("e-mail field type") << kFieldTypeNameFirst + 5 << QStringLiteral("E-mail Address");
    QTest::newRow("last field type") << kFieldTypeNameFirst + 7 << QStringLiteral("Money/Currency");
    QTest::newRow("unknown field type") << kFieldTypeUnknownName << QStringLiteral("Unknown");
}

void TestStringTable::text() {
    QFETCH(int, id);
    QFETCH(QString, expected);
    QCOMPARE(StringTable::Text(id), expected);
}

void TestStringTable::unknownIdIsEmpty_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("negative") << -1;
    QTest::newRow("gap between known ids") << 130;
    QTest::newRow("below the first") << 127;
    QTest::newRow("after the unknown field type") << kFieldTypeUnknownName + 1;
    QTest::newRow("resource library template") << 5000;
    QTest::newRow("resource library category names") << 10000;
    QTest::newRow("status pane indicator") << 65071;
    QTest::newRow("largest") << INT_MAX;
    QTest::newRow("smallest") << INT_MIN;
}

void TestStringTable::unknownIdIsEmpty() {
    QFETCH(int, id);
    QVERIFY(StringTable::Text(id).isNull());
}

void TestStringTable::idsAreUniqueAndResolve() {
    const QList<int> ids = StringTable::Ids();
    QVERIFY(ids.size() > 70);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i > 0)
            QVERIFY2(ids[i - 1] < ids[i], qPrintable(QStringLiteral("id %1 out of order or repeated").arg(ids[i])));
        QVERIFY2(!StringTable::Text(ids[i]).isEmpty(), qPrintable(QStringLiteral("id %1 has no text").arg(ids[i])));
    }
}

// The frame takes the tooltip of each toolbar button from the part of its command string after the line break.
void TestStringTable::toolbarTooltips_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("tooltip");
    const std::pair<int, const char*> buttons[] = {
        {57600, "New Wallet"},   {57601, "Open Wallet"}, {57603, "Save"},  {32780, "Wallet Properties"},
        {57635, "Cut"},          {57634, "Copy"},        {57637, "Paste"}, {32797, "Delete"},
        {32783, "New Category"}, {32782, "New Card"},    {57636, "Find"},  {32778, "Manage Templates"},
        {32786, "Lock Wallet"},
    };
    for (const auto& [command, tooltip] : buttons)
        QTest::newRow(tooltip) << command << QString::fromLatin1(tooltip);
}

void TestStringTable::toolbarTooltips() {
    QFETCH(int, command);
    QFETCH(QString, tooltip);
    const QStringList parts = StringTable::Text(command).split(u'\n');
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts[1], tooltip);
}

void TestStringTable::menuText_data() {
    QTest::addColumn<int>("menu");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("expected");
    QTest::newRow("main menu with key") << kMenuMain << 32782 << QStringLiteral("New Ca&rd\tCtrl+R");
    QTest::newRow("same command, item menu") << kMenuContext << 32782 << QStringLiteral("New Car&d");
    QTest::newRow("file properties") << kMenuMain << 32780 << QStringLiteral("P&roperties");
    QTest::newRow("notes menu copy") << kMenuContext << 57643 << QStringLiteral("&Copy");
    QTest::newRow("item menu only") << kMenuMain << 32784 << QString();
    QTest::newRow("toolbar only") << kMenuMain << 32786 << QString();
    QTest::newRow("notes menu item not in main menu") << kMenuMain << 57642 << QString();
    QTest::newRow("unknown menu") << 139 << 57600 << QString();
}

void TestStringTable::menuText() {
    QFETCH(int, menu);
    QFETCH(int, command);
    QFETCH(QString, expected);
    QCOMPARE(StringTable::MenuText(menu, command), expected);
}

QTEST_GUILESS_MAIN(TestStringTable)
#include "TestStringTable.moc"
