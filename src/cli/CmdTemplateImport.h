// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Adds the template of a template file to the wallet and prints its id.
class CmdTemplateImport : public CliCommand {
public:
    CmdTemplateImport();
    int Run(CliContext& context) const override;
};
