// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <initializer_list>
#include <utility>

// The text with this id: the program's own, or with `fromLibrary` the resource library's (empty while that is not
// loaded). Empty for an unknown id.
QString LoadResString(int id, bool fromLibrary = false);

// Assigns only on a real difference, so that setters mark and signal only what changed. The value is converted to
// the member's type before the comparison: what counts is whether the assignment would alter the member. `changed`
// is never cleared, so one flag can collect several assignments.
template <class T, class U> void SetIfChanged(T& member, const U& value, bool& changed) {
    T converted = value;
    if (member == converted)
        return;
    member = std::move(converted);
    changed = true;
}

QString NumberText(int n);

// Fills the "%s" and "%d" placeholders of a program text, in order, with the given texts.
QString FormatText(const QString& format, std::initializer_list<QString> args);

// Date and time as the user's locale writes them; the locale parameter is there for tests.
QString DateText(const QDateTime& dateTime, bool longFormat, const QLocale& locale = QLocale::system());
QString TimeText(const QDateTime& dateTime, const QLocale& locale = QLocale::system());

// The text with the characters that file names cannot hold replaced, for a default file name.
QString FileNameSafeText(const QString& text);

// The low 32 bits of the current time as a Windows file time, in upper-case hexadecimal. Calls within one tick of the
// clock (or after the clock went back) still get distinct texts: each call hands out a later file time than the one
// before in this process.
QString UniqueText();

// The currency symbol to put before an amount, with a blank when the locale separates symbol and amount that way.
QString CurrencyPrefix(const QLocale& locale = QLocale::system());

// Whether `part` occurs in `text`. Case-insensitive matching folds case character by character and allocates
// nothing, since a search runs it over every card of a wallet.
bool FindSubstring(QStringView text, QStringView part, bool matchCase);

// The folder of the running program, with a trailing "/".
QString GetModuleFolder();
