// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineParser>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

class CAttachment;
class CCard;
class CCardTemplate;
class CCategory;
class CliConsole;
class CWallet;
class TerminalPrompts;

// What a running command works with: its parsed command line, the console, the prompts and the wallet, with the
// look-ups and checks that commands share. Every helper that fails throws CliError with a message for the user.
class CliContext {
public:
    // The option of every command that lets a sealed wallet's unusually costly key derivation run.
    static inline const QString kTrustCosts = QStringLiteral("trust-costs");

    CliContext(const QCommandLineParser& parser, CliConsole& console, TerminalPrompts& prompts);
    ~CliContext();
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

    CliConsole& Console() { return m_console; }
    TerminalPrompts& GetPrompts() { return m_prompts; }
    QString Arg(int index) const;
    // The argument as an absolute path; an empty one is a usage error, `what` names it.
    QString PathArg(int index, const char* what) const;
    qsizetype ArgCount() const { return m_parser.positionalArguments().size(); }
    bool IsSet(const QString& option) const { return m_parser.isSet(option); }
    QString Value(const QString& option) const { return m_parser.value(option); }
    QStringList Values(const QString& option) const { return m_parser.values(option); }

    // What a command does with its wallet. The file stays locked from reading to the command's end: shared by commands
    // that only read, so they never refuse each other, and alone by one that changes it, so that nobody else changes
    // the file between its reading and its saving, however long a prompt in between takes.
    enum class Access { Read, Change };

    // A wallet with no contents yet, for a command that makes one.
    CWallet& NewWallet();
    // Opens the wallet named by the first argument; a wallet that asks for its password on opening asks here.
    CWallet& OpenWallet(Access access);
    CWallet& Wallet();
    // The wallet the command made or opened, if any.
    CWallet* OpenedWallet() const { return m_wallet.get(); }
    // Saves the wallet to its file.
    void Save();

    // The wallet's password gate for a guarded action.
    void RequireAccess();
    // Only for a category that requires the password.
    void RequireAccess(const CCategory& category);
    // Reading a card: its category's password. Changing it: also the wallet's when it must be unlocked to edit.
    void RequireCardAccess(const CCard& card, bool forEditing);
    // The wallet's rule before a card is made or changed.
    void RequireCardChange();
    // Ends the command with the reason of a refused password, or with `otherwise` when none was refused.
    [[noreturn]] void Refused(const QString& otherwise) const;

    CCard& Card(const QString& argument) const;
    CCategory& Category(const QString& argument) const;
    // By id, else by internal name.
    CCardTemplate& Template(const QString& argument) const;
    static CAttachment& Slot(CCard& card, const QString& argument);
    // The values of the --value options as (slot, text), each slot one the template has a field in.
    QList<std::pair<int, QString>> FieldValues(const CCardTemplate* cardTemplate) const;
    // An id that no record of the wallet has: the next id plus `offset`, skipping ids already taken.
    qint32 FreeId(qint32 offset = 0);
    // Asks before a regular file that is there is replaced.
    void ConfirmReplace(const QString& path) const;

    void PrintJson(const QJsonValue& value);
    // Colours are kept as 0x00BBGGRR; people and scripts read "#RRGGBB".
    static QString ColorText(quint32 color);

private:
    static qint32 ParseId(const QString& argument, const char* what);

    const QCommandLineParser& m_parser;
    CliConsole& m_console;
    TerminalPrompts& m_prompts;
    std::unique_ptr<CWallet> m_wallet;
};
