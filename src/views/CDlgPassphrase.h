// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;

// The passphrase of a sealed wallet. Opening asks for it once; choosing a new one asks for it twice and shows, while
// it is typed, how hard it would be to guess: OK waits until the two agree and the passphrase is strong enough.
class CDlgPassphrase : public QDialog {
    Q_OBJECT

public:
    CDlgPassphrase(const QString& walletName, bool isNew, QWidget* parent = nullptr);

    QString Passphrase() const;

    // The dialog as the prompts ask for it; true on OK with the passphrase in `passphrase`.
    static bool Run(QWidget* parent, QString& passphrase, const QString& walletName, bool isNew);

private:
    QLineEdit* AddEntry(const QString& accessibleName);
    void ShowStrength();

    bool m_isNew;
    QLineEdit* m_entry = nullptr;
    QLineEdit* m_repeat = nullptr;
    QProgressBar* m_meter = nullptr;
    QLabel* m_verdict = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
