// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CXmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestXmlDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void declarationThenRoot();
    void buildsNestedDocument();
    void addsAfterLastChildWithoutCurrentChild();
    void refusesWithoutPosition();
    void elementValue_data();
    void elementValue();
    void attributeValue_data();
    void attributeValue();
    void fragmentsUnderEmptyAndFullParent();
    void failedFragmentLeavesDocument_data();
    void failedFragmentLeavesDocument();
    void parse_data();
    void parse();
    void deepNesting();
    void hostileTextNeverBreaksModel();
    void save_data();
    void save();
    void saveReportsFailure();
};

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
const QString kCard = QStringLiteral("<Card Description=\"x\">\r\n<Field Description=\"n\">v</Field>\r\n</Card>\r\n");

// Korvel > Category, with the category as the current element.
CXmlDocument CategoryDocument() {
    CXmlDocument xml(kDeclaration + QStringLiteral("\r\n"));
    xml.AddElem(QStringLiteral("Korvel"));
    xml.AddChildElem(QStringLiteral("Category"));
    xml.IntoElem();
    return xml;
}

} // namespace

void TestXmlDocument::declarationThenRoot() {
    CXmlDocument xml;
    QVERIFY(!xml.SetDocument(kDeclaration));
    QCOMPARE(xml.GetDocument(), kDeclaration);
    QVERIFY(xml.AddElem(QStringLiteral("Korvel")));
    QCOMPARE(xml.GetDocument(), kDeclaration + QStringLiteral("<Korvel/>\r\n"));
    QVERIFY2(!xml.AddElem(QStringLiteral("Second")), "a document has one root");
}

void TestXmlDocument::buildsNestedDocument() {
    CXmlDocument xml(kDeclaration + QStringLiteral("\r\n"));
    QVERIFY(xml.AddElem(QStringLiteral("Korvel")));
    QVERIFY(xml.AddChildElem(QStringLiteral("Category")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("Bank")));
    QVERIFY(xml.IntoElem());
    QVERIFY(xml.AddChildElem(QStringLiteral("Card")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("Visa")));
    QVERIFY(xml.IntoElem());
    QVERIFY(xml.AddChildElem(QStringLiteral("Field"), QStringLiteral("4111")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("Number")));
    QVERIFY(xml.AddChildElem(QStringLiteral("Field")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("PIN")));
    QVERIFY(xml.OutOfElem());
    QVERIFY(xml.OutOfElem());
    QVERIFY(!xml.OutOfElem());
    // Editing start tags that hold children moves every later offset; the last element shows whether they moved.
    QVERIFY(xml.SetAttrib(QStringLiteral("Version"), QStringLiteral("1.7")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("Bank & Co")));
    QVERIFY(xml.AddChildElem(QStringLiteral("Category")));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Description"), QStringLiteral("Mail")));

    const QString expected = kDeclaration + QStringLiteral("\r\n<Korvel Version=\"1.7\">\r\n"
                                                           "<Category Description=\"Bank &amp; Co\">\r\n"
                                                           "<Card Description=\"Visa\">\r\n"
                                                           "<Field Description=\"Number\">4111</Field>\r\n"
                                                           "<Field Description=\"PIN\"/>\r\n"
                                                           "</Card>\r\n"
                                                           "</Category>\r\n"
                                                           "<Category Description=\"Mail\"/>\r\n"
                                                           "</Korvel>\r\n");
    QCOMPARE(xml.GetDocument(), expected);
    QVERIFY(CXmlDocument().SetDocument(expected));
}

void TestXmlDocument::addsAfterLastChildWithoutCurrentChild() {
    CXmlDocument xml;
    xml.AddElem(QStringLiteral("Root"));
    xml.AddChildElem(QStringLiteral("A"));
    for (const char* name : {"a1", "a2", "a3"}) {
        QVERIFY(xml.IntoElem()); // into A, with no current child
        QVERIFY(xml.AddChildElem(QString::fromLatin1(name)));
        QVERIFY(xml.OutOfElem());
    }
    QVERIFY(xml.IntoElem());
    QVERIFY(xml.IntoElem()); // inside A, nothing current
    QVERIFY(xml.AddElem(QStringLiteral("a4")));
    QCOMPARE(xml.GetDocument(),
             QStringLiteral("<Root>\r\n<A>\r\n<a1/>\r\n<a2/>\r\n<a3/>\r\n<a4/>\r\n</A>\r\n</Root>\r\n"));
}

void TestXmlDocument::refusesWithoutPosition() {
    CXmlDocument xml;
    QVERIFY(!xml.IntoElem());
    QVERIFY(!xml.OutOfElem());
    QVERIFY(!xml.AddChildElem(QStringLiteral("A")));
    QVERIFY(!xml.SetAttrib(QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(!xml.AddChildSubDoc(kCard));
    QVERIFY(xml.AddElem(QStringLiteral("Root")));
    QVERIFY(!xml.SetChildAttrib(QStringLiteral("a"), QStringLiteral("1")));
    QCOMPARE(xml.GetDocument(), QStringLiteral("<Root/>\r\n"));
}

void TestXmlDocument::elementValue_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "4111"
                           << "<F>4111</F>\r\n";
    QTest::newRow("markup") << "a<b & c>d"
                            << "<F>a&lt;b &amp; c&gt;d</F>\r\n";
    QTest::newRow("quotes stay") << "\"It's\""
                                 << "<F>\"It's\"</F>\r\n";
    QTest::newRow("line break stays") << "one\r\ntwo"
                                      << "<F>one\r\ntwo</F>\r\n";
    QTest::newRow("no value") << ""
                              << "<F/>\r\n";
}

void TestXmlDocument::elementValue() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    CXmlDocument xml;
    QVERIFY(xml.AddElem(QStringLiteral("F"), value));
    QCOMPARE(xml.GetDocument(), expected);
}

void TestXmlDocument::attributeValue_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "PIN"
                           << "<F D=\"PIN\" Desc=\"2\"/>\r\n";
    QTest::newRow("quotes") << "\"It's\""
                            << "<F D=\"&quot;It&apos;s&quot;\" Desc=\"2\"/>\r\n";
    QTest::newRow("markup") << "<&>"
                            << "<F D=\"&lt;&amp;&gt;\" Desc=\"2\"/>\r\n";
    QTest::newRow("empty") << ""
                           << "<F D=\"\" Desc=\"2\"/>\r\n";
}

// The value first written is replaced, and a longer name sharing its start is a different attribute.
void TestXmlDocument::attributeValue() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    CXmlDocument xml;
    xml.AddElem(QStringLiteral("F"));
    QVERIFY(xml.SetAttrib(QStringLiteral("D"), QStringLiteral("first")));
    QVERIFY(xml.SetAttrib(QStringLiteral("Desc"), QStringLiteral("2")));
    QVERIFY(xml.SetAttrib(QStringLiteral("D"), value));
    QCOMPARE(xml.GetDocument(), expected);
}

void TestXmlDocument::fragmentsUnderEmptyAndFullParent() {
    CXmlDocument xml = CategoryDocument();
    QVERIFY(xml.AddChildSubDoc(kCard));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Order"), QStringLiteral("1")));
    QVERIFY(xml.AddChildSubDoc(QStringLiteral("<?xml version=\"1.0\"?>\r\n<!-- card -->\r\n") + kCard));
    QVERIFY(xml.SetChildAttrib(QStringLiteral("Order"), QStringLiteral("2")));
    QVERIFY(xml.AddChildElem(QStringLiteral("Note"), QStringLiteral("end")));
    QString second = kCard;
    second.insert(second.indexOf(u'>'), QStringLiteral(" Order=\"2\""));
    QString first = kCard;
    first.insert(first.indexOf(u'>'), QStringLiteral(" Order=\"1\""));
    const QString expected = kDeclaration + QStringLiteral("\r\n<Korvel>\r\n<Category>\r\n") + first + second +
                             QStringLiteral("<Note>end</Note>\r\n</Category>\r\n</Korvel>\r\n");
    QCOMPARE(xml.GetDocument(), expected);
    QVERIFY(CXmlDocument().SetDocument(expected));
}

void TestXmlDocument::failedFragmentLeavesDocument_data() {
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("error");
    QTest::newRow("no end tag") << "<Card Description=\"x\">\r\n"
                                << "End tag does not correspond to Card";
    QTest::newRow("open child") << "<Card><Field>v</Field>\r\n"
                                << "End tag does not correspond to Card";
    QTest::newRow("wrong end tag") << "<Card></Field>\r\n"
                                   << "End tag does not correspond to Card";
    QTest::newRow("borrows parent's end tag") << "<Category>"
                                              << "End tag of Category element not found";
    QTest::newRow("text only") << "just text"
                               << "";
    QTest::newRow("end tag only") << "</Card>"
                                  << "";
    QTest::newRow("open comment") << "<!-- <Card/>"
                                  << "";
    QTest::newRow("empty") << ""
                           << "";
}

// Under an empty parent (which a fragment would split) and under one with a child; afterwards the records must still
// match the text, which the next insertion shows.
void TestXmlDocument::failedFragmentLeavesDocument() {
    QFETCH(QString, fragment);
    QFETCH(QString, error);
    for (const bool withChild : {false, true}) {
        CXmlDocument xml = CategoryDocument();
        if (withChild)
            xml.AddChildElem(QStringLiteral("Card"));
        const QString before = xml.GetDocument();
        QVERIFY(!xml.AddChildSubDoc(fragment));
        QCOMPARE(xml.GetDocument(), before);
        QCOMPARE(xml.GetError(), error);
        QVERIFY(xml.AddChildSubDoc(QStringLiteral("<Last/>\r\n")));
        QCOMPARE(xml.GetDocument(), kDeclaration + QStringLiteral("\r\n<Korvel>\r\n<Category>\r\n") +
                                        (withChild ? QStringLiteral("<Card/>\r\n") : QString()) +
                                        QStringLiteral("<Last/>\r\n</Category>\r\n</Korvel>\r\n"));
    }
}

void TestXmlDocument::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wellFormed");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty child") << "<a>\r\n<b/>\r\n</a>\r\n" << true << "";
    QTest::newRow("nodes skipped") << "<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [<!ENTITY e \"]>\">]>\r\n<!-- <x> -->"
                                      "<a><![CDATA[<x>]]><?pi <y>?><b x='1'></b ></a>"
                                   << true << "";
    QTest::newRow("only the first element") << "<a/><b>" << true << "";
    QTest::newRow("nothing") << "" << false << "";
    QTest::newRow("end tag first") << "</a>" << false << "";
    QTest::newRow("text") << "plain text" << false << "Element tag not found";
    QTest::newRow("no end") << "<a><b/>" << false << "Element tag not found";
    QTest::newRow("lone <") << "<a>   <" << false << "Abrupt end within tag";
    QTest::newRow("quoted tag") << "<'a'/>" << false << "Tag starts with quote";
    QTest::newRow("open comment") << "<!-- a" << false << "Invalid node";
    QTest::newRow("spaced pi") << "< ?x?><a/>" << false << "Invalid node";
    QTest::newRow("open start tag") << "<a b='1'" << false << "End of tag not found";
    QTest::newRow("other end tag") << "<a><b/></c>" << false << "End tag does not correspond to a";
    QTest::newRow("longer end tag") << "<a></ab>" << false << "End tag does not correspond to a";
    QTest::newRow("inner mismatch") << "<a><b></a>" << false << "End tag does not correspond to b";
    QTest::newRow("cut end tag") << "<a></a" << false << "End tag not completed for element a";
    QTest::newRow("nameless end tag") << "<a></>" << false << "End tag not completed for element a";
    QTest::newRow("open quote in end tag") << "<a></a \">" << false << "End tag not completed for element a";
}

void TestXmlDocument::parse() {
    QFETCH(QString, text);
    QFETCH(bool, wellFormed);
    QFETCH(QString, error);
    CXmlDocument xml;
    QCOMPARE(xml.SetDocument(text), wellFormed);
    QCOMPARE(xml.GetError(), error);
    QCOMPARE(xml.GetDocument(), text);
}

void TestXmlDocument::deepNesting() {
    const int depth = 100000;
    const QString open = QStringLiteral("<a>").repeated(depth);
    const QString close = QStringLiteral("</a>").repeated(depth);
    CXmlDocument xml;
    QVERIFY(xml.SetDocument(open + close));
    QVERIFY(!xml.SetDocument(open));
    QCOMPARE(xml.GetError(), QStringLiteral("Element tag not found"));
    QVERIFY(!xml.SetDocument(open + QStringLiteral("</b>") + close));
    QCOMPARE(xml.GetError(), QStringLiteral("End tag does not correspond to a"));
}

// Sanitizer builds turn any out-of-range read here into a failure.
void TestXmlDocument::hostileTextNeverBreaksModel() {
    const QString alphabet = QStringLiteral("<<>>//?!-[]\"'= a\r\n");
    quint32 seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 3000; ++round) {
        QString text;
        for (quint32 length = next() % 40; length > 0; --length)
            text += alphabet[next() % alphabet.size()];
        CXmlDocument parsed;
        parsed.SetDocument(text);
        CXmlDocument xml = CategoryDocument();
        const QString before = xml.GetDocument();
        if (!xml.AddChildSubDoc(text))
            QCOMPARE(xml.GetDocument(), before);
        QVERIFY(xml.AddChildElem(QStringLiteral("After")));
        QVERIFY(xml.SetChildAttrib(QStringLiteral("n"), QString::number(round)));
    }
}

void TestXmlDocument::save_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << kDeclaration + "\r\n<a/>\r\n" << kDeclaration.toLatin1() + "\r\n<a/>\r\n";
    QTest::newRow("windows-1252") << QStringLiteral("<a>\u00e9\u20ac\u2019\u00ff</a>")
                                  << QByteArray("<a>\xe9\x80\x92\xff</a>");
    QTest::newRow("references") << QStringLiteral("<a b=\"\u03a9\">\u0416x</a>")
                                << QByteArray("<a b=\"&#937;\">&#1046;x</a>");
    QTest::newRow("surrogate pair") << QStringLiteral("<a>\U0001F600</a>") << QByteArray("<a>&#128512;</a>");
    QTest::newRow("unassigned byte") << QStringLiteral("<a>\u0081</a>") << QByteArray("<a>&#129;</a>");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestXmlDocument::save() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.xml"));
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write(QByteArray(4096, 'z'));
    existing.close();
    CXmlDocument xml;
    xml.SetDocument(text);
    QVERIFY(xml.Save(path));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), bytes);
}

void TestXmlDocument::saveReportsFailure() {
    QTemporaryDir dir;
    const CXmlDocument xml(QStringLiteral("<a/>"));
    QVERIFY(!xml.Save(dir.filePath(QStringLiteral("missing/export.xml"))));
    QVERIFY(!xml.Save(dir.path()));
}

QTEST_APPLESS_MAIN(TestXmlDocument)
#include "TestXmlDocument.moc"
