// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Adds a category and prints its id.
class CmdAddCategory : public CliCommand {
public:
    CmdAddCategory();
    int Run(CliContext& context) const override;
};
