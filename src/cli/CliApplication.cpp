// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliApplication.h"

#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/CliHelp.h"
#include "cli/CmdAddCard.h"
#include "cli/CmdAddCategory.h"
#include "cli/CmdAttach.h"
#include "cli/CmdCompact.h"
#include "cli/CmdCreate.h"
#include "cli/CmdDetach.h"
#include "cli/CmdEditCard.h"
#include "cli/CmdExport.h"
#include "cli/CmdExtract.h"
#include "cli/CmdGenerate.h"
#include "cli/CmdImport.h"
#include "cli/CmdInfo.h"
#include "cli/CmdLs.h"
#include "cli/CmdMerge.h"
#include "cli/CmdPasswd.h"
#include "cli/CmdRmCard.h"
#include "cli/CmdRmCategory.h"
#include "cli/CmdSeal.h"
#include "cli/CmdSearch.h"
#include "cli/CmdShow.h"
#include "cli/CmdTemplateExport.h"
#include "cli/CmdTemplateImport.h"
#include "cli/CmdTemplates.h"
#include "cli/CmdUnseal.h"
#include "cli/TerminalPrompts.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <tuple>
#include <vector>

namespace {
const QString kProgram = QStringLiteral("korvel-cli");

// Installs the prompts for one command and takes them away again, however the command ends.
class InstalledPrompts {
public:
    explicit InstalledPrompts(Prompts& prompts) { Prompts::Install(&prompts); }
    ~InstalledPrompts() { Prompts::Install(nullptr); }
    InstalledPrompts(const InstalledPrompts&) = delete;
    InstalledPrompts& operator=(const InstalledPrompts&) = delete;
};
} // namespace

CliApplication::CliApplication() {
    m_commands.push_back(std::make_unique<CmdCreate>());
    m_commands.push_back(std::make_unique<CmdInfo>());
    m_commands.push_back(std::make_unique<CmdLs>());
    m_commands.push_back(std::make_unique<CmdTemplates>());
    m_commands.push_back(std::make_unique<CmdShow>());
    m_commands.push_back(std::make_unique<CmdSearch>());
    m_commands.push_back(std::make_unique<CmdExport>());
    m_commands.push_back(std::make_unique<CmdAddCategory>());
    m_commands.push_back(std::make_unique<CmdAddCard>());
    m_commands.push_back(std::make_unique<CmdEditCard>());
    m_commands.push_back(std::make_unique<CmdRmCard>());
    m_commands.push_back(std::make_unique<CmdRmCategory>());
    m_commands.push_back(std::make_unique<CmdAttach>());
    m_commands.push_back(std::make_unique<CmdDetach>());
    m_commands.push_back(std::make_unique<CmdExtract>());
    m_commands.push_back(std::make_unique<CmdTemplateExport>());
    m_commands.push_back(std::make_unique<CmdTemplateImport>());
    m_commands.push_back(std::make_unique<CmdImport>());
    m_commands.push_back(std::make_unique<CmdCompact>());
    m_commands.push_back(std::make_unique<CmdPasswd>());
    m_commands.push_back(std::make_unique<CmdSeal>());
    m_commands.push_back(std::make_unique<CmdUnseal>());
    m_commands.push_back(std::make_unique<CmdGenerate>());
    m_commands.push_back(std::make_unique<CmdMerge>());
}

CliApplication::~CliApplication() = default;

const CliCommand* CliApplication::Find(const QString& name) const {
    for (const auto& command : m_commands) {
        if (command->GetSyntax().name == name)
            return command.get();
    }
    return nullptr;
}

int CliApplication::Run(const QStringList& arguments, CliConsole& console) const {
    int status = CliError::kUsage;
    const QString first = arguments.value(0);
    if (arguments.isEmpty()) {
        PrintUsage(console, true);
    } else if (first == u"help" || first == u"--help" || first == u"-h") {
        status = Help(arguments.sliced(1), console);
    } else if (first == u"--version") {
        console.PrintOut(kProgram + u' ' + QCoreApplication::applicationVersion());
        status = 0;
    } else if (const CliCommand* command = Find(first)) {
        status = RunCommand(*command, arguments.sliced(1), console);
    } else {
        console.PrintErr(QStringLiteral("%1: unknown command \"%2\"; see %1 help").arg(kProgram, first));
    }
    console.Flush();
    return status;
}

int CliApplication::RunNative(const QByteArrayList& arguments, CliConsole& console) const {
    QStringList decoded;
    for (const QByteArray& argument : arguments) {
        decoded.append(QFile::decodeName(argument));
        if (QFile::encodeName(decoded.last()) != argument) {
            console.PrintErr(QStringLiteral("%1: the argument \"%2\" is not valid UTF-8; names of files and texts "
                                            "must be UTF-8 (rename such a file to use it)")
                                 .arg(kProgram, decoded.last()));
            console.Flush();
            return CliError::kUsage;
        }
    }
    return Run(decoded, console);
}

int CliApplication::Help(const QStringList& arguments, CliConsole& console) const {
    if (arguments.isEmpty()) {
        PrintUsage(console, false);
        return 0;
    }
    const CliCommand* command = Find(arguments.first());
    if (!command) {
        console.PrintErr(QStringLiteral("%1: unknown command \"%2\"").arg(kProgram, arguments.first()));
        return CliError::kUsage;
    }
    console.PrintOut(CliHelp(*command).Text());
    return 0;
}

void CliApplication::PrintUsage(CliConsole& console, bool toErr) const {
    QString text = QStringLiteral("usage: %1 COMMAND ARGUMENTS...\n\n").arg(kProgram);
    for (const auto& command : m_commands)
        text += QStringLiteral("  %1\n      %2\n").arg(command->UsageLine(), command->GetSyntax().summary);
    text += QStringLiteral("\nWALLET is a path; CARD, CATEGORY and TEMPLATE are ids (a template also by internal "
                           "name);\nSLOT is image, sound or document. info, ls, templates, show and search print JSON "
                           "with --json.\nA sealed wallet whose key derivation asks for more than sealing ever "
                           "chooses opens only with --trust-costs.\n%1 help COMMAND tells more of one command; %1 "
                           "--version prints the version.")
                .arg(kProgram);
    if (toErr)
        console.PrintErr(text);
    else
        console.PrintOut(text);
}

int CliApplication::RunCommand(const CliCommand& command, const QStringList& arguments, CliConsole& console) const {
    const CliCommand::Syntax& syntax = command.GetSyntax();
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(syntax.options);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    parser.addOption(QCommandLineOption(CliContext::kTrustCosts));
    const QString usage = QStringLiteral("usage: %1 %2").arg(kProgram, command.UsageLine());
    if (!parser.parse(QStringList{kProgram} + arguments)) {
        console.PrintErr(QStringLiteral("%1 %2: %3\n%4").arg(kProgram, syntax.name, parser.errorText(), usage));
        return CliError::kUsage;
    }
    if (parser.isSet(help)) {
        console.PrintOut(CliHelp(command).Text());
        return 0;
    }
    const qsizetype count = parser.positionalArguments().size();
    if (count < syntax.minArgs || count > syntax.maxArgs) {
        console.PrintErr(QStringLiteral("%1 %2: wrong number of arguments\n%3").arg(kProgram, syntax.name, usage));
        return CliError::kUsage;
    }
    QString error;
    if (!ResourceLibrary::IsLoaded() && !ResourceLibrary::Load(&error)) {
        console.PrintErr(QStringLiteral("%1: %2\n\n%3").arg(kProgram, LoadResString(kStrOpenError), error));
        return CliError::kFailure;
    }
    TerminalPrompts prompts(console);
    prompts.SetAssumeYes(parser.optionNames().contains(QStringLiteral("yes")));
    const InstalledPrompts installed(prompts);
    CliContext context(parser, console, prompts);
    int status = 0;
    try {
        status = command.Run(context);
    } catch (const CliError& e) {
        if (!e.Message().isEmpty())
            console.PrintErr(QStringLiteral("%1 %2: %3").arg(kProgram, syntax.name, e.Message()));
        status = e.Status();
    }
    if (m_leaveRecords && context.OpenedWallet())
        LeaveRecords(*context.OpenedWallet());
    return status;
}

// Freeing a large wallet record by record takes a tenth of opening it; the process ends right after. The lists stay
// reachable from a list that is itself never destroyed, so a leak checker run at exit does not count them.
void CliApplication::LeaveRecords(CWallet& wallet) {
    using Records = std::tuple<CCardList, CTemplateList, CCategoryList>;
    static auto* left = new std::vector<Records*>;
    left->push_back(new Records(wallet.ReleaseRecords()));
}
