// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program: one instance per user, showing its main window.
#include "views/CInstanceChecker.h"
#include "views/CProgramIcon.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Names the installed korvel.desktop, so the desktop shows the window under the program's own entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvel"));
    QApplication::setWindowIcon(CProgramIcon::ProgramIcon());
    CInstanceChecker checker(QStringLiteral("Korvel"));
    checker.WaitForStartupTurn();
    if (checker.IsAnotherInstanceRunning()) {
        checker.BringOtherInstanceForward();
        return 0;
    }
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Korvel"));
    window.show();
    checker.PublishMainWindow(&window);
    return QApplication::exec();
}
