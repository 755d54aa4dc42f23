// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Every question the core asks the user goes through here: the desktop program installs dialogs, the command line
// its terminal, and tests a script that replays prepared answers. Production code never opens a dialog itself.
class Prompts {
public:
    enum class Icon { Information, Exclamation, Error };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    Prompts() = default;
    Prompts(const Prompts&) = delete;
    Prompts& operator=(const Prompts&) = delete;
    virtual ~Prompts() = default;

    // A message box; the answer is one of the buttons shown.
    virtual Answer Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) = 0;
    // A file to read or to write, or empty when the user cancels. Filters have the form "Name|*.ext;*.ext2|".
    virtual QString OpenFileName(const QString& filter, const QString& defaultExtension) = 0;
    virtual QString SaveFileName(const QString& filter, const QString& defaultExtension,
                                 const QString& proposedName) = 0;
    // The keypad. With a non-empty `password` the entry must match it (the prompt allows three tries); with an empty
    // one a new password of at least four digits is collected into it. False when cancelled or refused.
    virtual bool PromptPassword(QString& password, const QString& message) = 0;
    // The passphrase of a sealed wallet, `walletName`. With `isNew` a new passphrase is chosen: typed twice where a
    // person types it, with its strength shown while it is typed. False when cancelled or when the two differ.
    virtual bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) = 0;

    // The installed prompts; installing replaces the previous ones (not owned). Asking with none installed is a
    // programming error and ends the program.
    static Prompts& Get();
    static void Install(Prompts* prompts);

    // Shorthands for the common message boxes.
    static void Inform(const QString& text);
    static void Warn(const QString& text);
    static bool AskYesNo(const QString& text, Icon icon, Answer defaultAnswer = Answer::Yes);
};
