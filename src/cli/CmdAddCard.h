// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Adds a card and prints its id.
class CmdAddCard : public CliCommand {
public:
    CmdAddCard();
    int Run(CliContext& context) const override;
};
