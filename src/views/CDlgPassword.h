// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

// The keypad on which the wallet's numeric password is typed, with the keyboard or with its buttons.
//
// With an expected password the right entry is accepted the moment it is complete, without OK; a wrong entry and OK
// count a failure, and the third failure ends the dialog as cancelled. Without one, a new password of at least four
// digits is collected, and OK accepts it.
class CDlgPassword : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinimumLength = 4;
    static constexpr int kMaxFailures = 3;

    CDlgPassword(const QString& expected, const QString& message, QWidget* parent = nullptr);

    QString Entry() const;

    // The keypad as the prompts ask for it. With a non-empty `password` the entry must match it; with an empty one
    // the new password is collected into it. An empty `message` asks to unlock the wallet. True on OK.
    static bool Run(QWidget* parent, QString& password, const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLayout* MessageRow();
    QLayout* EntryRow();
    QLayout* Keypad();
    QPushButton* AddCommandKey(const QString& caption);
    QPushButton* AddDigitKey(const QString& letters, QChar digit);
    void AppendDigit(QChar digit);
    void Clear();
    void AcceptIfExpected();
    void Confirm();

    QString m_expected;
    int m_failures = 0;
    QLabel* m_message;
    QLineEdit* m_edit;
};
