// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompts.h"

#include <QPointer>
#include <QWidget>

// The desktop program's answers to the core's questions: message boxes, file dialogs and the keypad.
class CWidgetPrompts : public Prompts {
public:
    // Dialogs open over this window once it is set (the main window), else on their own.
    void SetParentWindow(QWidget* window) { m_parent = window; }

    Answer Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) override;
    QString OpenFileName(const QString& filter, const QString& defaultExtension) override;
    QString SaveFileName(const QString& filter, const QString& defaultExtension, const QString& proposedName) override;
    bool PromptPassword(QString& password, const QString& message) override;
    bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) override;

    // The program's filter form "Name|*.a;*.b|Other|*.c|" as Qt writes it: "Name (*.a *.b);;Other (*.c)".
    static QString QtFilter(const QString& filter);

private:
    QPointer<QWidget> m_parent;
};
