// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Removes the file of one of a card's attachment slots from the wallet.
class CmdDetach : public CliCommand {
public:
    CmdDetach();
    int Run(CliContext& context) const override;
};
