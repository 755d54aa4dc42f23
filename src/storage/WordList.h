// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The words that passphrases are made of: the EFF's long list of 7776 words, as Debian's diceware package installs
// it, or the list that the KORVEL_WORDLIST environment variable names. A line holds a word, after its dice number
// where it has one; only plain lower-case words are taken, each once.
class WordList {
public:
    // The Debian package that provides the list, for a note where it is missing.
    static constexpr const char* kPackage = "diceware";

    static QString Path();
    // The words of the list; empty when it is missing or holds none.
    static QStringList Load(const QString& path = Path());
};
