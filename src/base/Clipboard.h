// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The system clipboard as the core sees it. The desktop program installs the real one; where none is installed
// (the command line), copying does nothing, as when the clipboard cannot be opened.
class Clipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    virtual ~Clipboard() = default;

    virtual void SetText(const QString& text) = 0;

    static void Install(Clipboard* clipboard);
    static Clipboard* Installed();
};

// Puts the text on the installed clipboard, if any.
void CopyTextToClipboard(const QString& text);
