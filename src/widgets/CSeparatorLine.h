// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A horizontal line one pixel high, two pixels below the widget's top edge, across its whole width.
class CSeparatorLine : public QWidget {
    Q_OBJECT

public:
    explicit CSeparatorLine(QWidget* parent = nullptr);

    void SetColor(const QColor& color);
    QColor Color() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color{0, 0, 0};
};
