// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The program's own icon, compiled into the program at every size the desktop asks for; the same pictures are
// installed into the icon theme as "korvel".
class CProgramIcon {
public:
    static QIcon ProgramIcon();
};
