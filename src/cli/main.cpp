// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliApplication.h"
#include "cli/CliConsole.h"
#include "cli/CliInput.h"
#include "document/CSystemClipboard.h"

#include <QFile>
#include <QGuiApplication>

#include <memory>

#include <unistd.h>

namespace {
// Only a copy to the clipboard needs the desktop; every other command runs without one, over ssh and in scripts.
bool WantsDesktopClipboard(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && !qEnvironmentVariableIsSet("DISPLAY"))
        return false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--copy" || argument.startsWith("--copy="))
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char* argv[]) {
    const bool desktop = WantsDesktopClipboard(argc, argv);
    const std::unique_ptr<QCoreApplication> app =
        desktop ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    std::unique_ptr<CSystemClipboard> clipboard;
    if (desktop) {
        clipboard = std::make_unique<CSystemClipboard>();
        Clipboard::Install(clipboard.get());
    }
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
    const int status = application.RunNative(arguments, console);
    // The desktop hands a copied text to other programs only while its owner runs: stay until the clipboard has
    // forgotten it, or until the user copied something else.
    if (clipboard && clipboard->HoldsSecret()) {
        QObject::connect(clipboard.get(), &CSystemClipboard::secretGone, app.get(), &QCoreApplication::quit);
        app->exec();
    }
    Clipboard::Install(nullptr);
    return status;
}
