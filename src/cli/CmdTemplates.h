// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Lists the card templates with their fields.
class CmdTemplates : public CliCommand {
public:
    CmdTemplates();
    int Run(CliContext& context) const override;
};
