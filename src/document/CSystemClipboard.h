// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Clipboard.h"

#include <QObject>
#include <QTimer>

// The desktop's clipboard, for the desktop program and for korvel-cli where a desktop runs. A secret goes there with
// the mark that asks clipboard managers not to keep it, and leaves again after the user's chosen time (counted with
// the program's clock), or sooner through Forget(); it leaves only while the clipboard still holds it, so whatever
// the user copied since stays.
class CSystemClipboard : public QObject, public Clipboard {
    Q_OBJECT

public:
    // The program-wide setting: seconds a secret stays on the clipboard, 0 for as long as the clipboard keeps it.
    static constexpr const char* kClearSecondsKey = "Security/ClipboardClearSeconds";
    static constexpr int kDefaultClearSeconds = 10;
    static constexpr const char* kSecretHint = "x-kde-passwordManagerHint";

    // Needs a QGuiApplication.
    explicit CSystemClipboard(QObject* parent = nullptr);
    ~CSystemClipboard() override;

    static int ClearSeconds();
    static void SetClearSeconds(int seconds);

    void SetSecret(const QString& text) override;
    void Forget() override;
    // Whether a secret of Korvel's is on the clipboard now.
    bool HoldsSecret() const;

Q_SIGNALS:
    // The secret left the clipboard: cleared by Korvel, or replaced by something the user copied.
    void secretGone();

private:
    void OnTick();
    void OnClipboardChanged();
    void Drop();

    QString m_secret;
    qint64 m_clearAt = 0;
    QTimer m_ticker;
};
