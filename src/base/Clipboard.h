// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The system clipboard as the core sees it. Everything Korvel copies there comes from a card (a value, or the whole
// card as text) and is treated as a secret: the clipboard forgets it again. The desktop program installs the real
// one; where none is installed (the command line without a desktop), copying does nothing.
class Clipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    virtual ~Clipboard() = default;

    // Puts `text` on the clipboard, marked for clipboard managers not to keep, to be taken off again after a while.
    virtual void SetSecret(const QString& text) = 0;
    // Takes the secret off the clipboard now, if the clipboard still holds it (the user may have copied something
    // else since, which stays).
    virtual void Forget() = 0;

    static void Install(Clipboard* clipboard);
    static Clipboard* Installed();
};

// Puts the secret on the installed clipboard, if any.
void CopySecretToClipboard(const QString& text);
// Takes Korvel's secret off the installed clipboard, if any and if it is still there.
void ForgetClipboardSecret();
