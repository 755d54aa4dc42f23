// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Prints a new random password, or a passphrase of words; it opens no wallet.
class CmdGenerate : public CliCommand {
public:
    CmdGenerate();
    int Run(CliContext& context) const override;
};
