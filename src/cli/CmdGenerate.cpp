// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdGenerate.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "storage/PasswordGenerator.h"
#include "storage/WordList.h"

namespace {
const QString kLength = QStringLiteral("length");
const QString kWords = QStringLiteral("words");
const QString kExclude = QStringLiteral("exclude");
const QString kSeparator = QStringLiteral("separator");
const std::pair<QString, PasswordGenerator::Class> kClassOptions[] = {
    {QStringLiteral("no-upper"), PasswordGenerator::Upper},
    {QStringLiteral("no-lower"), PasswordGenerator::Lower},
    {QStringLiteral("no-digits"), PasswordGenerator::Digits},
    {QStringLiteral("no-symbols"), PasswordGenerator::Symbols}};

int Number(const CliContext& context, const QString& option, int most) {
    bool ok = false;
    const int value = context.Value(option).toInt(&ok);
    if (!ok || value < 1 || value > most)
        throw CliError::Usage(QStringLiteral("--%1 must be a number from 1 to %2").arg(option).arg(most));
    return value;
}

PasswordGenerator::Settings CharacterSettings(const CliContext& context) {
    if (context.IsSet(kSeparator))
        throw CliError::Usage(QStringLiteral("--separator goes with --words"));
    PasswordGenerator::Settings settings;
    if (context.IsSet(kLength))
        settings.length = Number(context, kLength, PasswordGenerator::kMaxLength);
    for (const auto& [option, kind] : kClassOptions) {
        if (context.IsSet(option))
            settings.classes &= ~kind;
    }
    settings.exclude = context.Value(kExclude);
    return settings;
}

PasswordGenerator::Settings PassphraseSettings(const CliContext& context) {
    bool characterOptions = context.IsSet(kLength) || context.IsSet(kExclude);
    for (const auto& [option, kind] : kClassOptions)
        characterOptions = characterOptions || context.IsSet(option);
    if (characterOptions)
        throw CliError::Usage(QStringLiteral("--words makes a passphrase of words; --length, --exclude and the --no- "
                                             "options are for passwords of characters"));
    PasswordGenerator::Settings settings;
    settings.words = Number(context, kWords, PasswordGenerator::kMaxWords);
    if (context.IsSet(kSeparator))
        settings.separator = context.Value(kSeparator);
    return settings;
}
} // namespace

CmdGenerate::CmdGenerate()
    : CliCommand({QStringLiteral("generate"),
                  QStringLiteral("[--length N] [--no-upper] [--no-lower] [--no-digits] [--no-symbols] "
                                 "[--exclude CHARS] | --words N [--separator S]"),
                  QStringLiteral("prints a random password (20 characters of every kind unless told otherwise), or "
                                 "a passphrase of N words"),
                  0,
                  0,
                  {QCommandLineOption(kLength, QString(), QStringLiteral("N")),
                   QCommandLineOption(kWords, QString(), QStringLiteral("N")),
                   QCommandLineOption(kExclude, QString(), QStringLiteral("CHARS")),
                   QCommandLineOption(kSeparator, QString(), QStringLiteral("S")),
                   QCommandLineOption(kClassOptions[0].first), QCommandLineOption(kClassOptions[1].first),
                   QCommandLineOption(kClassOptions[2].first), QCommandLineOption(kClassOptions[3].first)}}) {}

int CmdGenerate::Run(CliContext& context) const {
    const bool words = context.IsSet(kWords);
    const PasswordGenerator::Settings settings = words ? PassphraseSettings(context) : CharacterSettings(context);
    const QStringList list = words ? WordList::Load() : QStringList();
    if (words && list.isEmpty())
        throw CliError(QStringLiteral("no word list at %1: install the Debian package %2, or name a list of words in "
                                      "KORVEL_WORDLIST")
                           .arg(WordList::Path(), QLatin1String(WordList::kPackage)));
    const PasswordGenerator generator(settings, list);
    if (const QString problem = generator.Problem(); !problem.isEmpty())
        throw CliError::Usage(QStringLiteral("no password can be made: %1").arg(problem));
    context.Console().PrintOut(generator.Generate());
    return 0;
}
