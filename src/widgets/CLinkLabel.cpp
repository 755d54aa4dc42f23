// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CLinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace {

const QColor kBlack(0, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kLinkBlue(51, 51, 255);

} // namespace

CLinkLabel::CLinkLabel(QWidget* parent) : CLinkLabel(QString(), parent) {}

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Card values are shown as typed: a value that looks like markup must not be rendered as markup.
    setTextFormat(Qt::PlainText);
}

void CLinkLabel::SetTextColor(const QColor& color) {
    QPalette adjusted = palette();
    adjusted.setColor(QPalette::WindowText, color);
    setPalette(adjusted);
}

QColor CLinkLabel::TextColor() const {
    return palette().color(QPalette::WindowText);
}

void CLinkLabel::SetBold(bool bold) {
    QFont adjusted = font();
    adjusted.setBold(bold);
    setFont(adjusted);
}

void CLinkLabel::SetUnderline(bool underline) {
    QFont adjusted = font();
    adjusted.setUnderline(underline);
    setFont(adjusted);
}

void CLinkLabel::SetFontSize(int pixels) {
    QFont adjusted = font();
    adjusted.setPixelSize(pixels);
    setFont(adjusted);
}

void CLinkLabel::SetStyle(int style) {
    QFont styled = font();
    styled.setBold(true);
    m_linkStyle = false;
    switch (style) {
    case 0:
        styled.setUnderline(false);
        styled.setBold(false);
        SetTextColor(kBlack);
        break;
    case 1:
        styled.setUnderline(false);
        SetTextColor(kNavy);
        break;
    case 2:
        styled.setUnderline(false);
        SetTextColor(kBlack);
        break;
    case 3:
    case 4:
        styled.setUnderline(true);
        styled.setBold(style == 4);
        SetTextColor(kLinkBlue);
        m_linkStyle = true;
        break;
    case 5:
    case 6:
        styled.setFamily(QStringLiteral("Verdana"));
        styled.setBold(style == 6);
        break;
    default:
        break;
    }
    setFont(styled);
    UpdateCursor();
}

void CLinkLabel::SetLinkTarget(const QString& target) {
    m_linkTarget = target;
    UpdateCursor();
}

void CLinkLabel::SetElided(bool elided) {
    m_elided = elided;
    updateGeometry();
    update();
}

QSize CLinkLabel::minimumSizeHint() const {
    QSize hint = QLabel::minimumSizeHint();
    // Room for a few letters and the ellipsis.
    if (m_elided)
        hint.setWidth(std::min(hint.width(), 4 * fontMetrics().horizontalAdvance(QChar(0x2026)) + 2 * margin()));
    return hint;
}

void CLinkLabel::paintEvent(QPaintEvent* event) {
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    // While the user selects, the label shows its whole text, cut at its edge, so the selection is what is shown.
    if (!m_elided || hasSelectedText() || fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, area.width()),
                          foregroundRole());
}

void CLinkLabel::UpdateCursor() {
    if (IsLink())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    // Opening may fail (no browser, no mail program); the desktop shows its own notice then, if any.
    if (event->button() == Qt::LeftButton && !m_linkTarget.isEmpty() && rect().contains(event->position().toPoint()))
        QDesktopServices::openUrl(QUrl::fromUserInput(m_linkTarget));
    QLabel::mouseReleaseEvent(event);
}
