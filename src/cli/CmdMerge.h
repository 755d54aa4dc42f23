// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Merges another version of the wallet into it (a copy from another device, a synchronisation engine's conflict
// copy), against their common base when one is given.
class CmdMerge : public CliCommand {
public:
    CmdMerge();
    int Run(CliContext& context) const override;
};
