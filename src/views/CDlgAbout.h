// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The About box: the program, its version, its licence and the credit its icons ask for.
class CDlgAbout : public QDialog {
    Q_OBJECT

public:
    explicit CDlgAbout(QWidget* parent = nullptr);
};
