// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Changes a card's description, values or notes.
class CmdEditCard : public CliCommand {
public:
    CmdEditCard();
    int Run(CliContext& context) const override;
};
