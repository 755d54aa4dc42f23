// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Writes the cards of chosen categories to a text or XML file, as the Export dialog does.
class CmdExport : public CliCommand {
public:
    CmdExport();
    int Run(CliContext& context) const override;
};
