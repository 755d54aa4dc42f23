// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/PasswordGenerator.h"

#include <sodium.h>

#include <utility>

namespace {
constexpr PasswordGenerator::Class kClasses[] = {PasswordGenerator::Upper, PasswordGenerator::Lower,
                                                 PasswordGenerator::Digits, PasswordGenerator::Symbols};

QString ClassName(PasswordGenerator::Class kind) {
    switch (kind) {
    case PasswordGenerator::Upper:
        return QStringLiteral("upper-case letters");
    case PasswordGenerator::Lower:
        return QStringLiteral("lower-case letters");
    case PasswordGenerator::Digits:
        return QStringLiteral("digits");
    case PasswordGenerator::Symbols:
        return QStringLiteral("symbols");
    }
    return QString();
}

// A uniform choice below `count`: libsodium draws again rather than fold a remainder onto the first values.
quint32 Uniform(qsizetype count) {
    return randombytes_uniform(quint32(count));
}
} // namespace

PasswordGenerator::PasswordGenerator(Settings settings, QStringList words)
    : m_settings(std::move(settings)), m_words(std::move(words)) {
    for (Class kind : kClasses) {
        if (!(m_settings.classes & kind))
            continue;
        QString usable = Characters(kind);
        for (QChar excluded : m_settings.exclude)
            usable.remove(excluded);
        m_all += usable;
        m_alphabets.append({kind, usable});
    }
}

QString PasswordGenerator::Characters(Class kind) {
    switch (kind) {
    case Upper:
        return QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    case Lower:
        return QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    case Digits:
        return QStringLiteral("0123456789");
    case Symbols:
        return QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
    }
    return QString();
}

QString PasswordGenerator::Problem() const {
    if (sodium_init() < 0)
        return QStringLiteral("the system's random source cannot be used");
    if (m_settings.words > 0) {
        if (m_words.isEmpty())
            return QStringLiteral("no word list is installed");
        if (m_settings.words > kMaxWords)
            return QStringLiteral("at most %1 words can be asked for").arg(kMaxWords);
        return QString();
    }
    if (m_alphabets.isEmpty())
        return QStringLiteral("no kind of character is chosen");
    if (m_all.isEmpty())
        return QStringLiteral("every character is left out");
    for (const auto& [kind, usable] : m_alphabets) {
        if (usable.isEmpty())
            return QStringLiteral("every one of the %1 is left out").arg(ClassName(kind));
    }
    if (m_settings.length < m_alphabets.size())
        return QStringLiteral("a password of %1 characters cannot hold one of each of the %2 kinds chosen")
            .arg(m_settings.length)
            .arg(m_alphabets.size());
    if (m_settings.length > kMaxLength)
        return QStringLiteral("a password can have at most %1 characters").arg(kMaxLength);
    return QString();
}

QString PasswordGenerator::Generate() const {
    if (!Problem().isEmpty())
        return QString();
    return m_settings.words > 0 ? GeneratePassphrase() : GenerateCharacters();
}

QString PasswordGenerator::GenerateCharacters() const {
    QString password(m_settings.length, QChar());
    do {
        for (QChar& c : password)
            c = m_all[Uniform(m_all.size())];
    } while (!HasEveryClass(password));
    return password;
}

QString PasswordGenerator::GeneratePassphrase() const {
    QStringList chosen;
    for (int i = 0; i < m_settings.words; ++i)
        chosen.append(m_words[Uniform(m_words.size())]);
    return chosen.join(m_settings.separator);
}

bool PasswordGenerator::HasEveryClass(const QString& password) const {
    for (const auto& [kind, alphabet] : m_alphabets) {
        bool found = false;
        for (QChar c : password)
            found = found || alphabet.contains(c);
        if (!found)
            return false;
    }
    return true;
}
