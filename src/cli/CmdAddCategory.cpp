// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CmdAddCategory.h"

#include "base/ResourceLibrary.h"
#include "cli/CliConsole.h"
#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "document/CWallet.h"

namespace {
// Only icons of the resource library can be shown.
qint32 IconId(const QString& argument) {
    bool ok = false;
    const qint32 id = argument.toInt(&ok);
    int first = 0;
    int count = 0;
    if (!ok || !ResourceLibrary::ImagesInfo(first, count) || id < first || id >= first + count)
        throw CliError::Usage(
            QStringLiteral("--icon takes an icon id from %1 to %2").arg(first).arg(first + count - 1));
    return id;
}
} // namespace

CmdAddCategory::CmdAddCategory()
    : CliCommand({QStringLiteral("add-category"),
                  QStringLiteral("WALLET NAME [--icon ID] [--template TEMPLATE] [--no-password]"),
                  QStringLiteral("a new category (which requires the password unless --no-password); prints its id"),
                  2,
                  2,
                  {QCommandLineOption(QStringLiteral("icon"), QString(), QStringLiteral("ID")),
                   QCommandLineOption(QStringLiteral("template"), QString(), QStringLiteral("TEMPLATE")),
                   QCommandLineOption(QStringLiteral("no-password"))}}) {}

int CmdAddCategory::Run(CliContext& context) const {
    const QString name = context.Arg(1);
    if (name.isEmpty())
        throw CliError::Usage(QStringLiteral("a category needs a name"));
    CWallet& wallet = context.OpenWallet(CliContext::Access::Change);
    auto category = std::make_unique<CCategory>(context.FreeId());
    category->description = name;
    if (context.IsSet(QStringLiteral("icon")))
        category->iconId = IconId(context.Value(QStringLiteral("icon")));
    if (context.IsSet(QStringLiteral("template")))
        category->defaultTemplate = context.Template(context.Value(QStringLiteral("template"))).internalName;
    category->flag = context.IsSet(QStringLiteral("no-password")) ? 0 : 1;
    const qint32 id = category->id;
    wallet.AddCategory(std::move(category));
    context.Save();
    context.Console().PrintOut(QString::number(id));
    return 0;
}
