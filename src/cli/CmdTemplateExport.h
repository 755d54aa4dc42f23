// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Writes a template to a template file.
class CmdTemplateExport : public CliCommand {
public:
    CmdTemplateExport();
    int Run(CliContext& context) const override;
};
