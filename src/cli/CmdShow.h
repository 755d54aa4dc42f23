// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

class CCard;
class CCardTemplate;

// Prints one card.
class CmdShow : public CliCommand {
public:
    CmdShow();
    int Run(CliContext& context) const override;

private:
    static int CopyValue(CliContext& context, const CCard& card, const CCardTemplate* cardTemplate);
    // `cardTemplate` is the card's, or none when its wallet lacks it.
    static QString ShownValue(const CCard& card, const CCardTemplate* cardTemplate, int slot, bool showPasswords);
};
