// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CProgramIcon.h"

#include <QDirIterator>

QIcon CProgramIcon::ProgramIcon() {
    // The build renders the picture into one folder per size, as the icon theme has them.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/program"), {QStringLiteral("korvel.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}
