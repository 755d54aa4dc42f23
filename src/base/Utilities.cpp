// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Utilities.h"

#include "base/Clock.h"
#include "base/ResourceLibrary.h"
#include "resources/StringTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>

namespace {

constexpr qsizetype kMaxDateTimeLength = 80;
constexpr qsizetype kMaxCurrencySymbolLength = 10;

// Milliseconds from 1601-01-01 to 1970-01-01, and file time ticks (100 ns) per millisecond.
constexpr qint64 kFileTimeEpochOffsetMSecs = 11644473600000;
constexpr quint64 kFileTimeTicksPerMSec = 10000;

// The seconds and whatever separates them from the minutes. No locale's short format quotes a literal "s".
QString WithoutSeconds(QString format) {
    static const QRegularExpression seconds(QStringLiteral("[^A-Za-z']*s+"));
    return format.remove(seconds);
}

QString WithoutTrailingBlanks(QString text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    text.truncate(end);
    return text;
}

quint64 FileTimeNow() {
    return quint64(Clock::NowMSecsSinceEpoch() + kFileTimeEpochOffsetMSecs) * kFileTimeTicksPerMSec;
}

} // namespace

QString LoadResString(int id, bool fromLibrary) {
    return fromLibrary ? ResourceLibrary::String(id) : StringTable::Text(id);
}

QString NumberText(int n) {
    return QString::number(n);
}

QString DateText(const QDateTime& dateTime, bool longFormat, const QLocale& locale) {
    return locale.toString(dateTime.date(), longFormat ? QLocale::LongFormat : QLocale::ShortFormat)
        .left(kMaxDateTimeLength);
}

QString TimeText(const QDateTime& dateTime, const QLocale& locale) {
    const QString format = WithoutSeconds(locale.timeFormat(QLocale::ShortFormat));
    return WithoutTrailingBlanks(locale.toString(dateTime.time(), format).left(kMaxDateTimeLength));
}

QString FileNameSafeText(const QString& text) {
    QString safe = text;
    safe.replace(u'/', u' ').replace(u'\\', u' ').replace(QStringLiteral(":"), QStringLiteral(" - "));
    for (QChar c : {u'*', u'?', u'>', u'<', u'|'})
        safe.replace(c, u' ');
    // Halving double blanks twice leaves one blank of four and two of five, as names made earlier have it.
    safe.replace(QStringLiteral("  "), QStringLiteral(" "));
    safe.replace(QStringLiteral("  "), QStringLiteral(" "));
    return safe;
}

QString UniqueText() {
    // The full 64-bit file time decides what is later, so the low half may wrap without breaking the order.
    static std::atomic<quint64> lastHandedOut{0};
    const quint64 now = FileTimeNow();
    quint64 last = lastHandedOut.load();
    quint64 next = 0;
    do {
        next = now > last ? now : last + 1;
    } while (!lastHandedOut.compare_exchange_weak(last, next));
    return QString::number(quint32(next), 16).toUpper();
}

QString CurrencyPrefix(const QLocale& locale) {
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString sample = locale.toCurrencyString(qlonglong(1), symbol);
    const bool blankAfterSymbol = !symbol.isEmpty() && sample.startsWith(symbol) && sample.size() > symbol.size() &&
                                  sample.at(symbol.size()).isSpace();
    const QString prefix = symbol.left(kMaxCurrencySymbolLength);
    return blankAfterSymbol ? prefix + u' ' : prefix;
}

// Ignoring case, a match can start only where the text holds the first letter of `part` in either case, or a unit
// outside ASCII that may fold to it (such as the Kelvin sign to "k"). Looking for those first and comparing only
// there skips Qt's folding of every unit of the text; a `part` that starts outside ASCII is left to Qt.
bool FindSubstring(QStringView text, QStringView part, bool matchCase) {
    if (matchCase || part.isEmpty() || part.front().unicode() >= 0x80)
        return text.contains(part, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    const char16_t first = part.front().unicode();
    const char16_t lower = first >= u'A' && first <= u'Z' ? char16_t(first + 0x20) : first;
    const char16_t upper = first >= u'a' && first <= u'z' ? char16_t(first - 0x20) : first;
    const char16_t* units = text.utf16();
    const qsizetype lastStart = text.size() - part.size();
    for (qsizetype i = 0; i <= lastStart; ++i) {
        const char16_t unit = units[i];
        if ((unit == lower || unit == upper || unit >= 0x80) && text.sliced(i).startsWith(part, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString GetModuleFolder() {
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    return folder + u'/';
}

QString FormatText(const QString& format, std::initializer_list<QString> args) {
    QString text;
    text.reserve(format.size());
    auto next = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const bool placeholder = format[i] == u'%' && i + 1 < format.size() &&
                                 (format[i + 1] == u's' || format[i + 1] == u'd') && next != args.end();
        if (placeholder) {
            text += *next++;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
