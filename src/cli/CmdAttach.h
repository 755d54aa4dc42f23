// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Stores a file in one of a card's attachment slots.
class CmdAttach : public CliCommand {
public:
    CmdAttach();
    int Run(CliContext& context) const override;
};
