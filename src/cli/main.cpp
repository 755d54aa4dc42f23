// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliApplication.h"
#include "cli/CliConsole.h"
#include "cli/CliInput.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    // The one version number is the project's, in CMakeLists.txt.
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));
    CliInput in(STDIN_FILENO);
    QFile out;
    QFile err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const bool terminal = isatty(STDIN_FILENO) != 0;
    CliConsole console(in, out, err, terminal, terminal);
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    CliApplication application;
    application.LeaveRecordsAtExit();
    return application.RunNative(arguments, console);
}
