// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliApplication.h"
#include "cli/CliConsole.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QStringList>

// Runs korvel-cli in-process with standard input, output and error in buffers.
struct CliRun {
    int status = -1;
    QString out;
    QString err;

    QJsonDocument Json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

inline CliRun RunCli(const QStringList& arguments, const QByteArray& input = {}, bool interactive = false) {
    QByteArray inBytes = input;
    QByteArray outBytes;
    QByteArray errBytes;
    QBuffer in(&inBytes);
    QBuffer out(&outBytes);
    QBuffer err(&errBytes);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliRun run;
    {
        CliConsole console(in, out, err, interactive);
        run.status = CliApplication().Run(arguments, console);
    }
    run.out = QString::fromUtf8(outBytes);
    run.err = QString::fromUtf8(errBytes);
    return run;
}

// A diagnostic for QVERIFY2.
inline QByteArray Shown(const CliRun& run) {
    return QStringLiteral("status %1\nout: %2\nerr: %3").arg(run.status).arg(run.out, run.err).toUtf8();
}
