// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CKorvelApp.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The one version number is the project's, in CMakeLists.txt; --version and the About box show it.
    QApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));
    // Qt has taken its own options (-platform, -style...) out of the arguments by now; --help and --version end here.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Korvel, a wallet for personal information."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("wallet"), QStringLiteral("the wallet (.kvx) to open"),
                                 QStringLiteral("[WALLET]"));
    parser.process(application);
    CKorvelApp korvel;
    if (!korvel.InitInstance(QStringList{QApplication::arguments().constFirst()} + parser.positionalArguments()))
        return korvel.ExitCode();
    return QApplication::exec();
}
