// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Lists the cards that contain a text, as Find does.
class CmdSearch : public CliCommand {
public:
    CmdSearch();
    int Run(CliContext& context) const override;
};
