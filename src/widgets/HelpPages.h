// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>

// The pages the program points its users to: the User's Guide beside the program, and the program's web page,
// which the Help menu and Manage Templates' link to more templates both open.
class HelpPages {
    Q_DECLARE_TR_FUNCTIONS(HelpPages)

public:
    static void OpenGuide();
    // While the program has no web page of its own, the guide stands in for it.
    static void OpenWebPage();
};
