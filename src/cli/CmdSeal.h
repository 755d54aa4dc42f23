// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Seals a wallet's file under a passphrase, or gives a sealed wallet a new passphrase (and a new salt).
class CmdSeal : public CliCommand {
public:
    CmdSeal();
    int Run(CliContext& context) const override;
};
