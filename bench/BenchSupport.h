// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every benchmark shares: timing the best of a few runs, printing a figure beside its baseline, and the random
// texts of realistic cards.
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace bench {

// The best of `runs` runs, in milliseconds; `prepare` runs before each, outside the timing.
inline double Measure(
    const std::function<void()>& work, int runs = 3, const std::function<void()>& prepare = [] {}) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

inline void Report(const char* what, double ms, const char* baseline, double baseMs, const char* goal = nullptr) {
    std::printf("%-44s %9.1f ms   %-34s %9.1f ms   ratio %6.2f%s%s\n", what, ms, baseline, baseMs, ms / baseMs,
                goal ? "   goal " : "", goal ? goal : "");
}

inline QString Word(QRandomGenerator& random, int minLength, int maxLength) {
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -.@");
    QString word(int(random.bounded(minLength, maxLength + 1)), Qt::Uninitialized);
    for (QChar& c : word)
        c = letters[int(random.bounded(int(letters.size())))];
    return word;
}

} // namespace bench
