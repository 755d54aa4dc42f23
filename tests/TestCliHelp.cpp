// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRunner.h"
#include "cli/CliCommand.h"
#include "cli/CliHelp.h"

#include <QCoreApplication>
#include <QTest>

// The help of each command: written, describing exactly the options the command takes, the same through `help` and
// `--help`. The manual page and the bash completion are made from the same commands (TestPackage checks those).
class TestCliHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A command or option added without its help text fails here, named.
    void everyOptionIsDescribed() {
        const CliApplication application;
        for (const auto& command : application.Commands()) {
            const CliCommand::Syntax& syntax = command->GetSyntax();
            const CliHelp help(*command);
            QVERIFY2(help.IsWritten() && !help.Paragraphs().isEmpty(),
                     qPrintable(QStringLiteral("src/cli/help/%1.txt is missing or empty").arg(syntax.name)));
            QStringList described;
            for (const CliHelp::Option& option : help.Options()) {
                described.append(option.term.section(u' ', 0, 0));
                QVERIFY2(!option.description.isEmpty(), qPrintable(syntax.name + u' ' + option.term));
            }
            QStringList taken;
            for (const QCommandLineOption& option : syntax.options)
                taken.append(QStringLiteral("--") + option.names().constFirst());
            described.sort();
            taken.sort();
            QVERIFY2(described == taken, qPrintable(QStringLiteral("%1 takes %2; its help describes %3")
                                                        .arg(syntax.name, taken.join(u' '), described.join(u' '))));
        }
    }

    void helpAndHelpOptionAgree() {
        const CliApplication application;
        for (const auto& command : application.Commands()) {
            const QString name = command->GetSyntax().name;
            const CliRun help = RunCli({QStringLiteral("help"), name});
            const CliRun option = RunCli({name, QStringLiteral("--help")});
            QCOMPARE(help.status, 0);
            QCOMPARE(option.status, 0);
            QCOMPARE(option.out, help.out);
            // Past the usage line, the text fits an 80-column terminal.
            const QStringList lines = help.out.split(u'\n');
            for (const QString& line : lines.sliced(1))
                QVERIFY2(line.size() <= 80, qPrintable(name + QStringLiteral(": ") + line));
            QVERIFY2(help.out.contains(CliHelp(*command).Paragraphs().constFirst().section(u' ', 0, 3)),
                     qPrintable(help.out));
        }
    }

    void version() {
        QCoreApplication::setApplicationVersion(QStringLiteral("9.8"));
        const CliRun run = RunCli({QStringLiteral("--version")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("korvel-cli 9.8\n"));
    }
};

QTEST_GUILESS_MAIN(TestCliHelp)
#include "TestCliHelp.moc"
