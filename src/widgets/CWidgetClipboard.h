// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Clipboard.h"

// The system clipboard of the desktop: copied cards go there as Unicode text.
class CWidgetClipboard : public Clipboard {
public:
    void SetText(const QString& text) override;
};
