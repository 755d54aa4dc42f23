// SPDX-License-Identifier: GPL-3.0-or-later
// The password generator against its settings, and the spread of what it draws: a generator that favoured some
// characters or put a kind of character always in the same place would make its passwords easier to guess.
#include "storage/PasswordGenerator.h"
#include "storage/WordList.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {
using Generator = PasswordGenerator;

Generator::Settings Characters(int length, int classes, const QString& exclude = {}) {
    Generator::Settings settings;
    settings.length = length;
    settings.classes = classes;
    settings.exclude = exclude;
    return settings;
}

// Pearson's statistic of counts against equal shares. For k - 1 degrees of freedom it stays below the bound unless
// the counts are skewed: the bound lies more than ten standard deviations above its mean.
double ChiSquare(const QList<int>& counts, const QList<double>& expected) {
    double sum = 0;
    for (qsizetype i = 0; i < counts.size(); ++i)
        sum += std::pow(counts[i] - expected[i], 2) / expected[i];
    return sum;
}

double Bound(qsizetype categories) {
    const double freedom = double(categories - 1);
    return freedom + 10 * std::sqrt(2 * freedom) + 10;
}
} // namespace

class TestPasswordGenerator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void passwordsFollowTheirSettings_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("classes");
        QTest::addColumn<QString>("exclude");
        QTest::newRow("all kinds") << 20 << Generator::kAllClasses << QString();
        QTest::newRow("one of each, no more") << 4 << Generator::kAllClasses << QString();
        QTest::newRow("look-alikes left out") << 12 << Generator::kAllClasses << QStringLiteral("Il1O0|");
        QTest::newRow("one symbol left") << 5 << int(Generator::Symbols | Generator::Lower)
                                         << QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}");
    }

    void passwordsFollowTheirSettings() {
        QFETCH(int, length);
        QFETCH(int, classes);
        QFETCH(QString, exclude);
        const Generator generator(Characters(length, classes, exclude), {});
        QVERIFY2(generator.Problem().isEmpty(), qPrintable(generator.Problem()));
        for (int i = 0; i < 200; ++i) {
            const QString password = generator.Generate();
            QCOMPARE(password.size(), length);
            for (Generator::Class kind : {Generator::Upper, Generator::Lower, Generator::Digits, Generator::Symbols}) {
                const QString alphabet = Generator::Characters(kind);
                const bool present =
                    std::any_of(password.begin(), password.end(), [&](QChar c) { return alphabet.contains(c); });
                QVERIFY2(present == bool(classes & kind), qPrintable(password));
            }
            for (QChar c : exclude)
                QVERIFY2(!password.contains(c), qPrintable(password));
        }
    }

    // Within a kind every character is as likely as any other, and each place of the password holds each kind as
    // often as the password as a whole does; 3000 passwords of 12 characters.
    void charactersAreDrawnEvenly() {
        const Generator generator(Characters(12, Generator::kAllClasses), {});
        const QString all = Generator::Characters(Generator::Upper) + Generator::Characters(Generator::Lower) +
                            Generator::Characters(Generator::Digits) + Generator::Characters(Generator::Symbols);
        const auto kindOf = [](QChar c) { return c.isUpper() ? 0 : c.isLower() ? 1 : c.isDigit() ? 2 : 3; };
        QHash<QChar, int> perCharacter;
        QList<QList<int>> kindAt(12, QList<int>(4, 0));
        QList<int> kinds(4, 0);
        for (int i = 0; i < 3000; ++i) {
            const QString password = generator.Generate();
            for (int place = 0; place < password.size(); ++place) {
                ++perCharacter[password[place]];
                ++kindAt[place][kindOf(password[place])];
                ++kinds[kindOf(password[place])];
            }
        }
        for (Generator::Class kind : {Generator::Upper, Generator::Lower, Generator::Digits, Generator::Symbols}) {
            const QString alphabet = Generator::Characters(kind);
            QList<int> counts;
            int total = 0;
            for (QChar c : alphabet) {
                counts.append(perCharacter.value(c));
                total += counts.last();
            }
            const QList<double> even(alphabet.size(), double(total) / double(alphabet.size()));
            QVERIFY2(ChiSquare(counts, even) < Bound(alphabet.size()), qPrintable(alphabet));
        }
        for (int place = 0; place < 12; ++place) {
            QList<double> share;
            for (int count : kinds)
                share.append(count / 12.0);
            QVERIFY2(ChiSquare(kindAt[place], share) < Bound(4), qPrintable(QString::number(place)));
        }
    }

    // Words come from the list, each as likely as any other; the list keeps only plain lower-case words, once each.
    void passphrasesAreWordsOfTheList() {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("words.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("11111\tapple\n11112\tbanana\ncherry\nDamson\nelder-berry\napple\nfig \n\n");
        file.close();
        const QStringList words = WordList::Load(file.fileName());
        QCOMPARE(words, (QStringList{"apple", "banana", "cherry", "fig"}));
        QVERIFY(WordList::Load(folder.filePath(QStringLiteral("missing.txt"))).isEmpty());

        Generator::Settings settings;
        settings.words = 5;
        settings.separator = QStringLiteral(" + ");
        const Generator generator(settings, words);
        QHash<QString, int> drawn;
        for (int i = 0; i < 2000; ++i) {
            const QStringList parts = generator.Generate().split(settings.separator);
            QCOMPARE(parts.size(), 5);
            for (const QString& word : parts)
                ++drawn[word];
        }
        QCOMPARE(drawn.size(), 4);
        QList<int> counts;
        for (const QString& word : words)
            counts.append(drawn.value(word));
        QVERIFY(ChiSquare(counts, QList<double>(4, 2500.0)) < Bound(4));
        QVERIFY(Generator(settings, {}).Problem().contains(QStringLiteral("no word list")));
    }
};

QTEST_GUILESS_MAIN(TestPasswordGenerator)
#include "TestPasswordGenerator.moc"
