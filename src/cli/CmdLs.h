// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Lists the categories, or the cards of one category.
class CmdLs : public CliCommand {
public:
    CmdLs();
    int Run(CliContext& context) const override;
};
