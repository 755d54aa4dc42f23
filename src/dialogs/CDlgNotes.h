// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class CCard;
class QPlainTextEdit;

// The Notes page of the card sheet.
class CDlgNotes : public QWidget {
    Q_OBJECT

public:
    CDlgNotes(CCard& working, const QFont& font, QWidget* parent = nullptr);

    void Accept();
    QPlainTextEdit& Edit() { return *m_edit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CCard& m_card;
    QPlainTextEdit* m_edit;
};
