// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CSeparatorLine.h"

#include <QPainter>

CSeparatorLine::CSeparatorLine(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CSeparatorLine::SetColor(const QColor& color) {
    m_color = color;
    update();
}

QSize CSeparatorLine::sizeHint() const {
    return {40, 5};
}

void CSeparatorLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(0, 2, width(), 1, m_color);
}
