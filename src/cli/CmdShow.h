// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

class CCard;

// Prints one card.
class CmdShow : public CliCommand {
public:
    CmdShow();
    int Run(CliContext& context) const override;

private:
    static QString ShownValue(const CCard& card, int slot, bool showPasswords);
};
