// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CDlgDatePicker.h"

#include "base/Utilities.h"
#include "resources/StringTable.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The example date of the two format choices.
QString ExampleText(int stringId, bool longFormat) {
    const QDateTime example(QDate(2003, 5, 2), QTime(0, 0));
    return FormatText(LoadResString(stringId), {DateText(example, longFormat)});
}

} // namespace

CDlgDatePicker::CDlgDatePicker(QWidget* parent)
    : QDialog(parent, Qt::Popup), m_calendar(new QCalendarWidget), m_short(new QRadioButton), m_long(new QRadioButton) {
    m_calendar->setAccessibleName(QStringLiteral("Calendar"));
    m_short->setObjectName(QStringLiteral("shortFormat"));
    m_long->setObjectName(QStringLiteral("longFormat"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_short->setText(ExampleText(kStrShortDateExample, false));
    m_long->setText(ExampleText(kStrLongDateExample, true));
    m_short->setChecked(true);

    // A popup has no window frame of its own: the frame draws its edge.
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(10, 6, 10, 10);
    choices->setSpacing(4);
    choices->addWidget(m_short);
    choices->addWidget(m_long);
    auto* inside = new QVBoxLayout(frame);
    inside->setContentsMargins(1, 1, 1, 1);
    inside->setSpacing(0);
    inside->addWidget(m_calendar);
    inside->addLayout(choices);
    auto* outside = new QVBoxLayout(this);
    outside->setContentsMargins(0, 0, 0, 0);
    outside->addWidget(frame);
    outside->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_calendar, &QCalendarWidget::clicked, this, &CDlgDatePicker::accept);
    connect(m_calendar, &QCalendarWidget::activated, this, &CDlgDatePicker::accept);
    setFocusProxy(m_calendar);
}

void CDlgDatePicker::SetLongFormat(bool longFormat) {
    m_longFormat = longFormat;
    (longFormat ? m_long : m_short)->setChecked(true);
}

void CDlgDatePicker::accept() {
    m_date = QDateTime(m_calendar->selectedDate(), QTime(0, 0));
    m_longFormat = m_long->isChecked();
    QDialog::accept();
}

void CDlgDatePicker::keyPressEvent(QKeyEvent* event) {
    // The popup has no OK button for Enter to press; Enter on a format choice picks the calendar's day.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}
