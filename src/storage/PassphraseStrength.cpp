// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/PassphraseStrength.h"

#include <zxcvbn.h>

#include <map>

namespace {
// Characters each one more, or each one less, than the one before: "12345678", "hgfedcba".
bool IsRun(QByteArrayView text) {
    if (text.size() < 3)
        return false;
    const int step = text[1] - text[0];
    if (step != 1 && step != -1)
        return false;
    for (qsizetype i = 2; i < text.size(); ++i)
        if (text[i] - text[i - 1] != step)
            return false;
    return true;
}

// zxcvbn's word lists hold the most used passwords too, "12345678" among them: a run found there is named a sequence,
// and a word repeated ("aaaa" is "a" again and again) a repeat, as a person would see them.
QString Pattern(const ZxcMatch_t& match, QByteArrayView text) {
    if (int(match.Type) & int(MULTIPLE_MATCH))
        return QStringLiteral("it repeats characters or groups of them");
    switch (match.Type) {
    case DICTIONARY_MATCH:
    case DICT_LEET_MATCH:
        if (match.Begin >= 0 && match.Begin + match.Length <= text.size() &&
            IsRun(text.sliced(match.Begin, match.Length)))
            return QStringLiteral("it is a sequence such as \"abcd\" or \"1234\"");
        return QStringLiteral("it is a common password or made of common words or names");
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
QString WeakestPart(const ZxcMatch_t* matches, QByteArrayView text) {
    std::map<QString, int> covered;
    for (const ZxcMatch_t* match = matches; match; match = match->Next) {
        const QString pattern = Pattern(*match, text);
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
    const QString weakest = WeakestPart(matches, bytes);
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
