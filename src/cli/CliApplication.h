// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayList>
#include <QStringList>

#include <memory>
#include <vector>

class CliCommand;
class CliConsole;
class CWallet;

// korvel-cli: finds the command named first on the command line, checks its arguments and runs it. Exit status 0 on
// success, 1 when the command failed, 2 for a command line that is wrong.
class CliApplication {
public:
    CliApplication();
    ~CliApplication();
    CliApplication(const CliApplication&) = delete;
    CliApplication& operator=(const CliApplication&) = delete;

    // `arguments` without the program's name.
    int Run(const QStringList& arguments, CliConsole& console) const;
    // The same with the arguments as the system passed them. File names are taken as UTF-8, the only form in which
    // the program can name a file again; an argument that is not UTF-8 is refused rather than read as another name.
    int RunNative(const QByteArrayList& arguments, CliConsole& console) const;
    // For a process that ends after one command: the wallet's cards, templates and categories are left to the end of
    // the process instead of being freed one by one (the wallet itself, and with it its file, is still closed).
    void LeaveRecordsAtExit() { m_leaveRecords = true; }
    // Every command, in the order `help` lists them.
    const std::vector<std::unique_ptr<CliCommand>>& Commands() const { return m_commands; }

private:
    const CliCommand* Find(const QString& name) const;
    int Help(const QStringList& arguments, CliConsole& console) const;
    int RunCommand(const CliCommand& command, const QStringList& arguments, CliConsole& console) const;
    void PrintUsage(CliConsole& console, bool toErr) const;
    static void LeaveRecords(CWallet& wallet);

    std::vector<std::unique_ptr<CliCommand>> m_commands;
    bool m_leaveRecords = false;
};
