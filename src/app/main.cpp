// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CKorvelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CKorvelApp korvel;
    if (!korvel.InitInstance(QApplication::arguments()))
        return korvel.ExitCode();
    return QApplication::exec();
}
