// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CColorButton.h"

#include <QColorDialog>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int kSwatchSize = 16;

QIcon Swatch(const QColor& color) {
    QPixmap swatch(kSwatchSize, kSwatchSize);
    swatch.fill(color);
    QPainter(&swatch).drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
    return QIcon(swatch);
}
} // namespace

CColorButton::CColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    auto* menu = new QMenu(this);
    m_defaultEntry = menu->addAction(tr("&Default Color"), this, [this] { SetColor(m_default); });
    menu->addAction(tr("&More Colors..."), this, &CColorButton::ChooseOther);
    setMenu(menu);
    setIconSize(QSize(kSwatchSize, kSwatchSize));
}

void CColorButton::SetDefaultColor(const QColor& color) {
    m_default = color;
    m_defaultEntry->setIcon(Swatch(color));
}

void CColorButton::SetColor(const QColor& color) {
    m_color = color;
    setIcon(Swatch(color));
}

void CColorButton::SetStoredColor(quint32 value) {
    SetColor(QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF)));
}

quint32 CColorButton::StoredColor() const {
    return quint32(m_color.red()) | quint32(m_color.green()) << 8 | quint32(m_color.blue()) << 16;
}

void CColorButton::ChooseOther() {
    const QColor chosen = QColorDialog::getColor(m_color, this, text().remove(u'&'));
    if (chosen.isValid())
        SetColor(chosen);
}
