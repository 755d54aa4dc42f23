// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/PasswordGenerator.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Makes a password to put into a card: characters of the chosen kinds or a passphrase of words, drawn again with
// every change of the settings and by Regenerate, with how hard it is to guess. The settings of the last password
// taken are offered the next time.
class CDlgGenerator : public QDialog {
    Q_OBJECT

public:
    explicit CDlgGenerator(QWidget* parent = nullptr);

    QString Password() const;
    void Regenerate();
    void accept() override;

private:
    QWidget* MakeCharacterControls();
    QWidget* MakeWordControls();
    QWidget* MakeResultControls();
    void LoadSettings();
    void SaveSettings() const;
    PasswordGenerator::Settings Settings() const;
    void ShowMode();
    void ShowStrength();

    QStringList m_words;
    QRadioButton* m_characterMode;
    QRadioButton* m_wordMode;
    QSpinBox* m_length;
    QList<std::pair<PasswordGenerator::Class, QCheckBox*>> m_classes;
    QLineEdit* m_exclude;
    QSpinBox* m_wordCount;
    QLineEdit* m_separator;
    QLabel* m_missingWords;
    QWidget* m_characterSettings = nullptr;
    QWidget* m_wordSettings = nullptr;
    QLineEdit* m_result;
    QProgressBar* m_meter;
    QLabel* m_verdict;
    QPushButton* m_regenerate;
    QDialogButtonBox* m_buttons;
};
