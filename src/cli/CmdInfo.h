// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Prints the wallet's settings and counts.
class CmdInfo : public CliCommand {
public:
    CmdInfo();
    int Run(CliContext& context) const override;
};
