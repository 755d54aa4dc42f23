// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Rewrites the wallet file without the space removed attachments left.
class CmdCompact : public CliCommand {
public:
    CmdCompact();
    int Run(CliContext& context) const override;
};
