// SPDX-License-Identifier: GPL-3.0-or-later
// korvel-cli-docs: writes korvel-cli's manual page and bash completion from their templates at build time, filling
// in what the program itself knows: its version, its commands, their options and help texts. So the page and the
// completion follow every command that is added or changed.
// Usage: korvel-cli-docs MANUAL.in MANUAL COMPLETION.in COMPLETION
#include "cli/CliApplication.h"
#include "cli/CliCommand.h"
#include "cli/CliHelp.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {
// What the completion needs of one command, read from its syntax.
struct Completion {
    QStringList options;   // "--format"
    QStringList valued;    // the options that take a value
    QStringList positions; // the arguments in their order: "WALLET", "CARD"...
    // What the value of each option is: "\"import --format\") values=\"keepass-xml bitwarden-json csv\" ;;" for an
    // option written with its few values, "\"seal --kdf-passes\") kind=N ;;" for one written with a placeholder.
    QStringList values;
};

const QCommandLineOption* OptionNamed(const CliCommand::Syntax& syntax, const QString& name) {
    for (const QCommandLineOption& option : syntax.options) {
        if (option.names().contains(name))
            return &option;
    }
    return nullptr;
}

// The usage line names the arguments in order and, for an option whose values are few, lists them:
// "WALLET FILE [--format keepass-xml|bitwarden-json|csv] [--category NAME]".
Completion CompletionOf(const CliCommand::Syntax& syntax) {
    Completion completion;
    for (const QCommandLineOption& option : syntax.options) {
        completion.options.append(QStringLiteral("--") + option.names().constFirst());
        if (!option.valueName().isEmpty())
            completion.valued.append(completion.options.last());
    }
    const QStringList tokens = syntax.arguments.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString token = QString(tokens.at(i)).remove(u'[').remove(u']').remove(u'.');
        const QCommandLineOption* option =
            token.startsWith(QStringLiteral("--")) ? OptionNamed(syntax, token.mid(2)) : nullptr;
        if (option && !option->valueName().isEmpty() && i + 1 < tokens.size()) {
            const QString value = QString(tokens.at(++i)).remove(u']').remove(u'.');
            const QString arm = value.contains(u'|') ? QStringLiteral("values=\"%1\"").arg(value.split(u'|').join(u' '))
                                                     : QStringLiteral("kind=%1").arg(value);
            completion.values.append(QStringLiteral("\"%1 %2\") %3 ;;").arg(syntax.name, token, arm));
        } else if (!token.isEmpty() && !token.startsWith(u'-') && token != u"|") {
            completion.positions.append(token);
        }
    }
    return completion;
}

QString Filled(const QString& path, const QList<std::pair<QString, QString>>& fields) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(file.readAll());
    for (const auto& [field, value] : fields)
        text.replace(u'@' + field + u'@', value);
    return text;
}

bool Write(const QString& path, const QString& text) {
    QFile file(path);
    return !text.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0 &&
           file.flush();
}

QString ManualPage(const CliApplication& application, const QString& templatePath) {
    QString commands;
    for (const auto& command : application.Commands())
        commands += CliHelp(*command).Roff();
    return Filled(templatePath, {{QStringLiteral("VERSION"), QCoreApplication::applicationVersion()},
                                 {QStringLiteral("COMMANDS"), commands}});
}

QString CompletionScript(const CliApplication& application, const QString& templatePath) {
    const QString indent(8, u' ');
    QStringList names;
    QString syntaxes;
    QString values;
    for (const auto& command : application.Commands()) {
        const CliCommand::Syntax& syntax = command->GetSyntax();
        const Completion completion = CompletionOf(syntax);
        names.append(syntax.name);
        syntaxes += indent + QStringLiteral("%1) options=\"%2\" valued=\"%3\" positions=(%4) ;;\n")
                                 .arg(syntax.name, completion.options.join(u' '), completion.valued.join(u' '),
                                      completion.positions.join(u' '));
        for (const QString& value : completion.values)
            values += indent + value + u'\n';
    }
    syntaxes.chop(1);
    values.chop(1);
    return Filled(templatePath, {{QStringLiteral("COMMANDS"), names.join(u' ')},
                                 {QStringLiteral("SYNTAXES"), syntaxes},
                                 {QStringLiteral("VALUES"), values}});
}
} // namespace

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5) {
        std::fputs("usage: korvel-cli-docs MANUAL.in MANUAL COMPLETION.in COMPLETION\n", stderr);
        return 2;
    }
    const CliApplication application;
    if (!Write(arguments.at(2), ManualPage(application, arguments.at(1))) ||
        !Write(arguments.at(4), CompletionScript(application, arguments.at(3)))) {
        std::fputs("korvel-cli-docs: a template could not be read or a file could not be written\n", stderr);
        return 1;
    }
    return 0;
}
