// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliCommand.h"

// Deletes a card with its attachments.
class CmdRmCard : public CliCommand {
public:
    CmdRmCard();
    int Run(CliContext& context) const override;
};
