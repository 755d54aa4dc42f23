// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/HelpPages.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "resources/StringTable.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

void HelpPages::OpenGuide() {
    const QString guide = GetModuleFolder() + QStringLiteral("KVGuide.pdf");
    if (!QFileInfo::exists(guide) || !QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
        Prompts::Warn(tr("The User's Guide \"%1\" could not be opened.").arg(QDir::toNativeSeparators(guide)));
}

void HelpPages::OpenWebPage() {
    const QString address = LoadResString(kStrWebAddress);
    if (address.isEmpty())
        OpenGuide();
    else
        QDesktopServices::openUrl(QUrl(address));
}
