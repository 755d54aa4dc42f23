// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CCurtain.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CCurtain::CCurtain(QWidget* window, const QPixmap& picture, const QString& text, const QString& action)
    : QWidget(window), m_window(window), m_button(new QPushButton(action, this)) {
    setObjectName(QStringLiteral("curtain"));
    setAutoFillBackground(true);
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    if (!picture.isNull()) {
        auto* pictureLabel = new QLabel(this);
        pictureLabel->setPixmap(picture);
        pictureLabel->setAlignment(Qt::AlignCenter);
        layout->addWidget(pictureLabel);
    }
    QFont larger = label->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    larger.setBold(true);
    label->setFont(larger);
    layout->addWidget(label);
    layout->addSpacing(label->fontMetrics().height());
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(m_button, &QPushButton::clicked, this, &CCurtain::actionChosen);

    HideContents();
    setGeometry(window->rect());
    window->installEventFilter(this);
    show();
    raise();
    m_button->setFocus();
}

// A window whose layout fixes its size to its contents would shrink to nothing while they are hidden.
void CCurtain::HideContents() {
    m_focus = m_window->focusWidget();
    if (QLayout* layout = m_window->layout()) {
        m_constraint = layout->sizeConstraint();
        if (m_constraint == QLayout::SetFixedSize)
            layout->setSizeConstraint(QLayout::SetNoConstraint);
    }
    for (QObject* child : m_window->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget == this || widget->isWindow() || !widget->isVisibleTo(m_window))
            continue;
        widget->hide();
        m_hidden.append(widget);
    }
}

void CCurtain::Lift() {
    m_window->removeEventFilter(this);
    hide();
    for (const QPointer<QWidget>& widget : std::as_const(m_hidden))
        if (widget)
            widget->show();
    m_hidden.clear();
    if (QLayout* layout = m_window->layout())
        layout->setSizeConstraint(m_constraint);
    if (m_focus)
        m_focus->setFocus();
}

bool CCurtain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize)
        setGeometry(m_window->rect());
    return QWidget::eventFilter(watched, event);
}
