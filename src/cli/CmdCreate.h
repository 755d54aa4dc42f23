// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Makes a new wallet file with the built-in templates and categories.
class CmdCreate : public CliCommand {
public:
    CmdCreate();
    int Run(CliContext& context) const override;
};
