// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Copies an attached file out of the wallet.
class CmdExtract : public CliCommand {
public:
    CmdExtract();
    int Run(CliContext& context) const override;
};
