// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QDialog>

class QCalendarWidget;
class QRadioButton;

// A small popup with a calendar and the choice between the long and the short date format. Clicking a day (or Enter
// on it) picks that day; clicking outside or Esc cancels.
class CDlgDatePicker : public QDialog {
    Q_OBJECT

public:
    explicit CDlgDatePicker(QWidget* parent = nullptr);

    // The format choice shown when the popup opens, and the one made once it closes with OK.
    void SetLongFormat(bool longFormat);
    bool LongFormat() const { return m_longFormat; }
    // The day picked, at midnight: a picked date never carries a time of day.
    QDateTime Date() const { return m_date; }

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCalendarWidget* m_calendar;
    QRadioButton* m_short;
    QRadioButton* m_long;
    bool m_longFormat = false;
    QDateTime m_date;
};
