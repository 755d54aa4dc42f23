// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/WordList.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {
const QString kDicewareList = QStringLiteral("/usr/lib/python3/dist-packages/diceware/wordlists/wordlist_en_eff.txt");
// A list of a few hundred thousand words is the most anyone would name; beyond that it is not a word list.
constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
} // namespace

QString WordList::Path() {
    const QString named = qEnvironmentVariable("KORVEL_WORDLIST");
    return named.isEmpty() ? kDicewareList : named;
}

QStringList WordList::Load(const QString& path) {
    QFile file(path);
    if (file.size() > kMaxBytes || !file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression line(QStringLiteral("^(?:[1-6]+\\s+)?([a-z]+)\\s*$"));
    QStringList words;
    QSet<QString> seen;
    while (!file.atEnd()) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(file.readLine()));
        if (match.hasMatch() && !seen.contains(match.captured(1))) {
            seen.insert(match.captured(1));
            words.append(match.captured(1));
        }
    }
    return words;
}
