// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// Makes random passwords: a run of characters drawn from the chosen kinds, each kind present at least once, or a
// passphrase of words from a word list. Every choice is uniform, drawn from the system's random source through
// libsodium: a password with a missing kind is thrown away and drawn again, rather than patched, so that every
// password the settings allow is equally likely.
class PasswordGenerator {
public:
    enum Class { Upper = 1, Lower = 2, Digits = 4, Symbols = 8 };
    static constexpr int kAllClasses = Upper | Lower | Digits | Symbols;
    static constexpr int kMaxLength = 1024;
    static constexpr int kMaxWords = 100;

    struct Settings {
        int length = 20;
        int classes = kAllClasses;
        // Characters never used, such as ones that look alike ("Il1O0").
        QString exclude;
        // Above 0, a passphrase of this many words instead of characters.
        int words = 0;
        QString separator = QStringLiteral("-");
    };

    // `words` is the list that passphrases are drawn from; empty when none is installed.
    PasswordGenerator(Settings settings, QStringList words);

    // Why no password can be made with these settings ("the length is too small for the kinds of characters
    // chosen"); empty when one can.
    QString Problem() const;
    // A new password; empty while Problem() has something to say.
    QString Generate() const;

    // The characters of one kind, before any are left out.
    static QString Characters(Class kind);

private:
    QString GenerateCharacters() const;
    QString GeneratePassphrase() const;
    // Whether the password holds a character of every chosen kind.
    bool HasEveryClass(const QString& password) const;

    Settings m_settings;
    QStringList m_words;
    // The usable characters of each chosen kind, and all of them together.
    QList<std::pair<Class, QString>> m_alphabets;
    QString m_all;
};
