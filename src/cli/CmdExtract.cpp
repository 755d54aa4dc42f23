// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdExtract.h"

#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"
#include "document/CompoundFile.h"
#include "document/Utilities.h"
#include "resources/StringTable.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 kBlockSize = 64 * 1024;

// Copies the stream into `target` whole or not at all.
bool CopyStream(const CWallet& wallet, const CAttachment& slot, const QString& target, QString& error) {
    CompoundFile file;
    std::unique_ptr<QIODevice> stream;
    if (file.Open(wallet.PathName()) && file.OpenStorage(QStringLiteral("F")))
        stream = file.OpenStream(slot.streamName);
    if (!stream) {
        error = file.ErrorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = out.errorString();
        return false;
    }
    QByteArray block;
    while (!(block = stream->read(kBlockSize)).isEmpty())
        out.write(block);
    if (!out.commit()) {
        error = out.errorString();
        return false;
    }
    return true;
}
} // namespace

CmdExtract::CmdExtract()
    : CliCommand({QStringLiteral("extract"),
                  QStringLiteral("WALLET CARD SLOT [FILE] [--yes]"),
                  QStringLiteral("copies an attached file to FILE, or to the private attachment folder and prints "
                                 "its path"),
                  3,
                  4,
                  {YesOption()}}) {}

int CmdExtract::Run(CliContext& context) const {
    const CWallet& wallet = context.OpenWallet();
    CCard& card = context.Card(context.Arg(1));
    const CAttachment& slot = CliContext::Slot(card, context.Arg(2));
    if (!slot.IsAttached())
        throw CliError(QStringLiteral("nothing is attached in the %1 slot").arg(context.Arg(2)));
    context.RequireCardAccess(card, false);
    if (context.ArgCount() < 4) {
        QString path;
        if (!slot.ExtractFile(path))
            throw CliError(LoadResString(kStrOpenError));
        context.Console().PrintOut(path);
        return 0;
    }
    const QString target = QFileInfo(context.Arg(3)).absoluteFilePath();
    context.ConfirmReplace(target);
    QString error;
    if (!CopyStream(wallet, slot, target, error))
        throw CliError(LoadResString(kStrOpenError) + QStringLiteral("\n\n") + error);
    return 0;
}
