// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Imports the entries of another password manager's export file as cards.
class CmdImport : public CliCommand {
public:
    CmdImport();
    int Run(CliContext& context) const override;
};
