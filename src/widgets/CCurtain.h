// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLayout>
#include <QList>
#include <QPointer>
#include <QWidget>

class QPushButton;

// Covers a window's contents with a message and one button. The window's own widgets are hidden meanwhile, so that
// neither the eye, nor the keyboard, nor a screen reader reaches what they hold; Lift() brings them back as they
// were, with the focus where it was, and everything typed into them kept.
class CCurtain : public QWidget {
    Q_OBJECT

public:
    CCurtain(QWidget* window, const QPixmap& picture, const QString& text, const QString& action);

    void Lift();
    QPushButton* Button() const { return m_button; }

Q_SIGNALS:
    void actionChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HideContents();

    QWidget* m_window;
    QPushButton* m_button;
    QList<QPointer<QWidget>> m_hidden;
    QPointer<QWidget> m_focus;
    QLayout::SizeConstraint m_constraint = QLayout::SetDefaultConstraint;
};
