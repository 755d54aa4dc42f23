// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;

// A roomy editor for one long value; Enter accepts, line breaks already in the text stay.
class CDlgExpandedEditor : public QDialog {
    Q_OBJECT

public:
    explicit CDlgExpandedEditor(const QString& text, QWidget* parent = nullptr);

    QString Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* m_edit;
};
