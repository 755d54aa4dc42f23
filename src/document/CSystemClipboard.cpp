// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/CSystemClipboard.h"

#include "base/Clock.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSettings>

#include <algorithm>

namespace {
// The program's settings, the same file for the desktop program and korvel-cli.
QSettings ProgramSettings() {
    return QSettings(QStringLiteral("Ostrande"), QStringLiteral("Korvel"));
}

// Checked often enough that a secret leaves within a moment of its time, rarely enough to cost nothing.
constexpr int kTickMs = 250;
constexpr int kMaxClearSeconds = 24 * 60 * 60;
} // namespace

CSystemClipboard::CSystemClipboard(QObject* parent) : QObject(parent) {
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &CSystemClipboard::OnTick);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CSystemClipboard::OnClipboardChanged);
}

// A secret copied just before the program ends would otherwise stay for whoever pastes next.
CSystemClipboard::~CSystemClipboard() {
    Forget();
}

int CSystemClipboard::ClearSeconds() {
    const int seconds = ProgramSettings().value(QString::fromLatin1(kClearSecondsKey), kDefaultClearSeconds).toInt();
    return std::clamp(seconds, 0, kMaxClearSeconds);
}

void CSystemClipboard::SetClearSeconds(int seconds) {
    ProgramSettings().setValue(QString::fromLatin1(kClearSecondsKey), std::clamp(seconds, 0, kMaxClearSeconds));
}

void CSystemClipboard::SetSecret(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(kSecretHint), QByteArrayLiteral("secret"));
    // Set first: the change it announces must not count as the user replacing the secret.
    m_secret.clear();
    QGuiApplication::clipboard()->setMimeData(data);
    m_secret = text;
    const int seconds = ClearSeconds();
    m_clearAt = seconds == 0 ? 0 : Clock::NowMSecsSinceEpoch() + qint64(seconds) * 1000;
    if (m_clearAt != 0)
        m_ticker.start();
}

bool CSystemClipboard::HoldsSecret() const {
    if (m_secret.isEmpty())
        return false;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(QString::fromLatin1(kSecretHint)) && data->text() == m_secret;
}

void CSystemClipboard::Forget() {
    if (HoldsSecret())
        QGuiApplication::clipboard()->clear();
    Drop();
}

void CSystemClipboard::OnTick() {
    if (Clock::NowMSecsSinceEpoch() >= m_clearAt)
        Forget();
}

void CSystemClipboard::OnClipboardChanged() {
    if (!m_secret.isEmpty() && !HoldsSecret())
        Drop();
}

void CSystemClipboard::Drop() {
    m_ticker.stop();
    m_clearAt = 0;
    if (m_secret.isEmpty())
        return;
    m_secret.clear();
    Q_EMIT secretGone();
}
