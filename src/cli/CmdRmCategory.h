// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Deletes a category with all its cards.
class CmdRmCategory : public CliCommand {
public:
    CmdRmCategory();
    int Run(CliContext& context) const override;
};
