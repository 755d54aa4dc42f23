// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CWidgetClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void CWidgetClipboard::SetText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}
