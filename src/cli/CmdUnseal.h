// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Writes a sealed wallet as an ordinary wallet file again.
class CmdUnseal : public CliCommand {
public:
    CmdUnseal();
    int Run(CliContext& context) const override;
};
