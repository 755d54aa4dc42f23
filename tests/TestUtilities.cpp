// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Clock.h"
#include "base/Utilities.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimeZone>

class TestUtilities : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void setIfChanged();
    void fileNameSafeText_data();
    void fileNameSafeText();
    void findSubstring_data();
    void findSubstringAgreesWithQt();
    void findSubstring();
    void dateText_data();
    void dateText();
    void timeText_data();
    void timeText();
    void currencyPrefix_data();
    void currencyPrefix();
    void uniqueTextFollowsClockAndNeverRepeats();
    void uniqueTextBurstIsDistinct();
    void moduleFolderHoldsProgram();
};

namespace {

const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale kGermany(QLocale::German, QLocale::Germany);

QDateTime Utc(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

} // namespace

void TestUtilities::cleanup() {
    Clock::Release();
}

void TestUtilities::setIfChanged() {
    bool changed = false;
    int count = 3;
    SetIfChanged(count, 3, changed);
    QVERIFY(!changed);
    SetIfChanged(count, 4, changed);
    QCOMPARE(count, 4);
    QVERIFY(changed);
    SetIfChanged(count, 4, changed);
    QVERIFY2(changed, "an equal value must not clear the flag");

    changed = false;
    QString name = QStringLiteral("Visa");
    SetIfChanged(name, QStringLiteral("Visa"), changed);
    QVERIFY(!changed);
    SetIfChanged(name, QStringLiteral("visa"), changed);
    QVERIFY2(changed, "texts compare exactly, case included");
    QCOMPARE(name, QStringLiteral("visa"));

    changed = false;
    bool flag = true;
    SetIfChanged(flag, false, changed);
    QVERIFY(changed && !flag);

    // A colour member given a signed value: what matters is whether the stored bits change.
    changed = false;
    quint32 colour = 0xFFFFFFFF;
    SetIfChanged(colour, -1, changed);
    QVERIFY(!changed);
    SetIfChanged(colour, 0x00FF8040, changed);
    QVERIFY(changed);
    QCOMPARE(colour, 0x00FF8040u);
}

void TestUtilities::fileNameSafeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slash and colon") << "a/b:c"
                                     << "a b - c";
    QTest::newRow("backslash") << "a\\b"
                               << "a b";
    QTest::newRow("wildcards and redirections") << "x*y?z<w>v|u"
                                                << "x y z w v u";
    QTest::newRow("drive letter") << "C:\\Cards"
                                  << "C - Cards";
    QTest::newRow("two blanks") << "a  b"
                                << "a b";
    QTest::newRow("four blanks become one") << "a    b"
                                            << "a b";
    QTest::newRow("five blanks become two") << "a     b"
                                            << "a  b";
    QTest::newRow("nine blanks become three") << "a         b"
                                              << "a   b";
    QTest::newRow("replaced character next to a blank") << "a /b"
                                                        << "a b";
    QTest::newRow("quote and dot kept") << "\"My\" card.kvt"
                                        << "\"My\" card.kvt";
    QTest::newRow("empty") << ""
                           << "";
}

void TestUtilities::fileNameSafeText() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(FileNameSafeText(text), expected);
}

void TestUtilities::findSubstring_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("found");
    QTest::newRow("other case, ignored") << "Visa Card"
                                         << "card" << false << true;
    QTest::newRow("other case, matched") << "Visa Card"
                                         << "card" << true << false;
    QTest::newRow("same case, matched") << "Visa Card"
                                        << "Card" << true << true;
    QTest::newRow("at the start") << "Visa Card"
                                  << "VISA" << false << true;
    QTest::newRow("not present") << "Visa Card"
                                 << "Amex" << false << false;
    QTest::newRow("part longer than text") << "Visa"
                                           << "Visa Card" << false << false;
    QTest::newRow("empty part") << "Visa"
                                << "" << true << true;
    QTest::newRow("empty text") << ""
                                << "a" << false << false;
    QTest::newRow("accented letters") << "Zahnärzte"
                                      << "ÄRZTE" << false << true;
    QTest::newRow("Greek") << "ΣΟΦΙΑ"
                           << "σοφ" << false << true;
    QTest::newRow("sharp s is one letter") << "Straße"
                                           << "STRASSE" << false << false;
}

void TestUtilities::findSubstring() {
    QFETCH(QString, text);
    QFETCH(QString, part);
    QFETCH(bool, matchCase);
    QFETCH(bool, found);
    QCOMPARE(FindSubstring(text, part, matchCase), found);
}

// Ignoring case, the search skips to where a match can start: it must find exactly what Qt's case-blind search
// finds, over texts that mix letters in both cases with units that fold to ASCII letters (the Kelvin sign, the long
// s), letters outside ASCII and surrogates, paired and lone.
void TestUtilities::findSubstringAgreesWithQt() {
    const QString alphabet = QStringLiteral("aAkKsSzZ1 -\u212A\u017F\u00E9\u00C9\u0130i") + QChar(0xD801) +
                             QChar(0xDC00) + QChar(0xD801) + QChar(0xDC28) + QChar(0xDC00);
    QRandomGenerator random(7);
    auto randomText = [&](int maxLength) {
        QString text;
        for (int i = int(random.bounded(maxLength + 1)); i > 0; --i)
            text += alphabet[random.bounded(alphabet.size())];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString text = randomText(12);
        QString part = randomText(3);
        if (round % 2 == 0 && !text.isEmpty()) {
            const qsizetype start = random.bounded(text.size());
            part = text.mid(start, random.bounded(4) + 1);
            part = round % 4 == 0 ? part.toUpper() : part.toLower();
        }
        QVERIFY2(FindSubstring(text, part, false) == QStringView(text).contains(part, Qt::CaseInsensitive),
                 qPrintable(QStringLiteral("\"%1\" in \"%2\"").arg(part, text)));
    }
}

void TestUtilities::dateText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("longFormat");
    QTest::addColumn<QString>("expected");
    QTest::newRow("US short") << kUnitedStates << false << "7/5/03";
    QTest::newRow("US long") << kUnitedStates << true << "Saturday, July 5, 2003";
    QTest::newRow("German short") << kGermany << false << "05.07.03";
    QTest::newRow("German long") << kGermany << true << "Samstag, 5. Juli 2003";
}

void TestUtilities::dateText() {
    QFETCH(QLocale, locale);
    QFETCH(bool, longFormat);
    QFETCH(QString, expected);
    QCOMPARE(DateText(Utc(2003, 7, 5, 9, 4, 3), longFormat, locale), expected);
}

void TestUtilities::timeText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("expected");
    QTest::newRow("US morning") << kUnitedStates << Utc(2003, 7, 5, 9, 4, 3) << "9:04 AM";
    QTest::newRow("US evening") << kUnitedStates << Utc(2003, 7, 5, 21, 4, 59) << "9:04 PM";
    QTest::newRow("German") << kGermany << Utc(2003, 7, 5, 9, 4, 3) << "09:04";
    QTest::newRow("quoted literal kept") << QLocale(QLocale::Bulgarian, QLocale::Bulgaria) << Utc(2003, 7, 5, 9, 4, 3)
                                         << "9:04 ч.";
    QTest::newRow("short format with seconds") << QLocale::c() << Utc(2003, 7, 5, 23, 59, 59) << "23:59";
}

void TestUtilities::timeText() {
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, moment);
    QFETCH(QString, expected);
    QCOMPARE(TimeText(moment, locale), expected);
}

void TestUtilities::currencyPrefix_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("symbol against the amount") << kUnitedStates << "$";
    QTest::newRow("symbol after the amount") << kGermany << "€";
    QTest::newRow("blank after the symbol") << QLocale(QLocale::Dutch, QLocale::Netherlands) << "€ ";
}

void TestUtilities::currencyPrefix() {
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(CurrencyPrefix(locale), expected);
}

// One process-wide sequence, so the steps run in order: each expected text is the file time of the frozen moment
// (100-ns ticks since 1601-01-01 UTC), low 32 bits, unless the clock has not moved past the last text handed out.
void TestUtilities::uniqueTextFollowsClockAndNeverRepeats() {
    // 2003-07-05 09:04:03 UTC is 1057395843000 ms after 1970, so 127018694430000000 ticks = 0x01C342D461558380.
    Clock::Freeze(Utc(2003, 7, 5, 9, 4, 3));
    QCOMPARE(UniqueText(), QStringLiteral("61558380"));
    QCOMPARE(UniqueText(), QStringLiteral("61558381"));
    Clock::Advance(1); // 10000 ticks later
    QCOMPARE(UniqueText(), QStringLiteral("6155AA90"));
    Clock::Advance(-5000); // the system clock was set back
    QCOMPARE(UniqueText(), QStringLiteral("6155AA91"));
    // At 09:08:30 the low 32 bits have wrapped past zero; the text follows the clock again, without leading zeros.
    Clock::Freeze(Utc(2003, 7, 5, 9, 8, 30));
    QCOMPARE(UniqueText(), QStringLiteral("7A7B00"));
}

void TestUtilities::uniqueTextBurstIsDistinct() {
    Clock::Freeze(QDateTime::currentDateTimeUtc());
    static const QRegularExpression upperHex(QStringLiteral("^[1-9A-F][0-9A-F]{0,7}$"));
    QSet<QString> seen;
    for (int i = 0; i < 1000; ++i) {
        const QString text = UniqueText();
        QVERIFY2(upperHex.match(text).hasMatch(), qPrintable(text));
        seen.insert(text);
    }
    QCOMPARE(seen.size(), 1000);
}

void TestUtilities::moduleFolderHoldsProgram() {
    const QString folder = GetModuleFolder();
    QVERIFY(folder.endsWith(u'/'));
    QVERIFY(QFileInfo::exists(folder + QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
}

QTEST_GUILESS_MAIN(TestUtilities)
#include "TestUtilities.moc"
