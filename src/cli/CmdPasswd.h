// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Sets a new wallet password.
class CmdPasswd : public CliCommand {
public:
    CmdPasswd();
    int Run(CliContext& context) const override;
};
