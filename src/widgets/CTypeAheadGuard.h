// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// A window that closes by itself on a key (the keypad accepts the password on its last digit) leaves the rest of
// the user's typing burst, typically an Enter, to whatever window comes next. The guard swallows every key event
// until the typing pauses, so those keys reach nothing.
class CTypeAheadGuard : public QObject {
    Q_OBJECT

public:
    // A pause this long ends the burst.
    static constexpr qint64 kPauseMs = 500;

    // Guards from now on; a guard already running counts the burst from now.
    static void Start();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CTypeAheadGuard(QObject* parent);

    qint64 m_lastKey = 0;
};
