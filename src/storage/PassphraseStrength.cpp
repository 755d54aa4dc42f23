// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/PassphraseStrength.h"

#include <zxcvbn.h>

#include <map>

namespace {
QString Pattern(ZxcTypeMatch_t type) {
    switch (int(type) & ~int(MULTIPLE_MATCH)) {
    case DICTIONARY_MATCH:
    case DICT_LEET_MATCH:
        return QStringLiteral("it is made of common words or names");
    case SPATIAL_MATCH:
        return QStringLiteral("it follows a pattern on the keyboard");
    case REPEATS_MATCH:
        return QStringLiteral("it repeats characters or groups of them");
    case SEQUENCE_MATCH:
        return QStringLiteral("it is a sequence such as \"abcd\" or \"1234\"");
    case DATE_MATCH:
    case YEAR_MATCH:
        return QStringLiteral("it is or holds a date or a year");
    default:
        return QString();
    }
}

// The pattern that gives away most of the passphrase: the one covering the most characters.
QString WeakestPart(const ZxcMatch_t* matches) {
    std::map<QString, int> covered;
    for (const ZxcMatch_t* match = matches; match; match = match->Next) {
        const QString pattern = Pattern(match->Type);
        if (!pattern.isEmpty())
            covered[pattern] += match->Length;
    }
    QString weakest;
    int most = 0;
    for (const auto& [pattern, length] : covered) {
        if (length > most) {
            most = length;
            weakest = pattern;
        }
    }
    return weakest;
}
} // namespace

PassphraseStrength::PassphraseStrength(const QString& passphrase) {
    const QByteArray bytes = passphrase.toUtf8();
    ZxcMatch_t* matches = nullptr;
    m_bits = ZxcvbnMatch(bytes.constData(), nullptr, &matches);
    const QString weakest = WeakestPart(matches);
    ZxcvbnFreeInfo(matches);
    if (IsStrongEnough())
        return;
    QString reason = weakest.isEmpty() ? QStringLiteral("it is too short") : weakest;
    m_reason = QStringLiteral("The passphrase is too easy to guess: %1. Use a longer one, for example four or five "
                              "random words.")
                   .arg(reason);
}

QString PassphraseStrength::Rating() const {
    if (m_bits < 28)
        return QStringLiteral("Very weak");
    if (m_bits < kMinimumBits)
        return QStringLiteral("Weak");
    if (m_bits < 70)
        return QStringLiteral("Good");
    return QStringLiteral("Strong");
}
