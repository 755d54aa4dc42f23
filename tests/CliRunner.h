// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliApplication.h"
#include "cli/CliConsole.h"

#include "base/ResourceLibrary.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QStringList>
#include <QTemporaryDir>

// Runs korvel-cli in-process with standard input, output and error in buffers.
struct CliRun {
    int status = -1;
    QString out;
    QString err;

    QJsonDocument Json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

// Runs `start` (given the console) with standard output and error in buffers and standard input from `in`.
template <class Start> CliRun Capture(QIODevice& in, bool interactive, Start&& start) {
    QByteArray outBytes;
    QByteArray errBytes;
    QBuffer out(&outBytes);
    QBuffer err(&errBytes);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliRun run;
    {
        CliConsole console(in, out, err, interactive);
        run.status = start(console);
    }
    run.out = QString::fromUtf8(outBytes);
    run.err = QString::fromUtf8(errBytes);
    return run;
}

// Standard input comes from `in`: a buffer, a pipe, a device.
inline CliRun RunCliFrom(QIODevice& in, const QStringList& arguments, bool interactive = false) {
    return Capture(in, interactive, [&](CliConsole& console) { return CliApplication().Run(arguments, console); });
}

inline CliRun RunCli(const QStringList& arguments, const QByteArray& input = {}, bool interactive = false) {
    QByteArray inBytes = input;
    QBuffer in(&inBytes);
    in.open(QIODevice::ReadOnly);
    return RunCliFrom(in, arguments, interactive);
}

// The arguments as the system passes them to the program, bytes rather than text.
inline CliRun RunCliNative(const QByteArrayList& arguments) {
    QBuffer in;
    in.open(QIODevice::ReadOnly);
    return Capture(in, false, [&](CliConsole& console) { return CliApplication().RunNative(arguments, console); });
}

// A diagnostic for QVERIFY2.
inline QByteArray Shown(const CliRun& run) {
    return QStringLiteral("status %1\nout: %2\nerr: %3").arg(run.status).arg(run.out, run.err).toUtf8();
}

// The start of a command-line suite: extracted attachments go to a runtime folder of the suite's own, and the resource
// library is loaded. "" when it is ready; otherwise why not.
inline QString StartCliSuite(const QTemporaryDir& runtime) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QString error;
    return ResourceLibrary::Load(&error) ? QString() : error;
}
