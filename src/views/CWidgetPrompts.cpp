// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CWidgetPrompts.h"

#include "base/Utilities.h"
#include "dialogs/CSyncFileDialog.h"
#include "resources/StringTable.h"
#include "views/CDlgPassphrase.h"
#include "views/CDlgPassword.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <memory>

namespace {
const QString kWalletExtension = QStringLiteral("kvx");

QMessageBox::Icon BoxIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton Button(Prompts::Answer answer) {
    switch (answer) {
    case Prompts::Answer::Ok:
        return QMessageBox::Ok;
    case Prompts::Answer::Cancel:
        return QMessageBox::Cancel;
    case Prompts::Answer::Yes:
        return QMessageBox::Yes;
    case Prompts::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}
} // namespace

Prompts::Answer CWidgetPrompts::Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) {
    QMessageBox box(BoxIcon(icon), StringTable::Text(kStrAppTitle), text, QMessageBox::NoButton, m_parent);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(Button(defaultAnswer == Answer::No ? Answer::No : Answer::Yes));
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}

QString CWidgetPrompts::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const qsizetype bracket = name.indexOf(u'(');
        if (bracket > 0)
            name = name.left(bracket).trimmed();
        filters.append(QStringLiteral("%1 (%2)").arg(name, QString(parts[i + 1]).replace(u';', u' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

QString CWidgetPrompts::OpenFileName(const QString& filter, const QString&) {
    return QFileDialog::getOpenFileName(m_parent, QString(), QString(), QtFilter(filter));
}

// A wallet may be saved where a handheld device synchronises it; the other files have no use there.
QString CWidgetPrompts::SaveFileName(const QString& filter, const QString& defaultExtension,
                                     const QString& proposedName) {
    const std::unique_ptr<QFileDialog> dialog =
        defaultExtension == kWalletExtension
            ? std::make_unique<CSyncFileDialog>(m_parent, QString(), QString(), QtFilter(filter))
            : std::make_unique<QFileDialog>(m_parent, QString(), QString(), QtFilter(filter));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(defaultExtension);
    dialog->selectFile(FileNameSafeText(proposedName));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return QFileInfo(dialog->selectedFiles().first()).absoluteFilePath();
}

bool CWidgetPrompts::PromptPassword(QString& password, const QString& message) {
    return CDlgPassword::Run(m_parent, password, message);
}

bool CWidgetPrompts::AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) {
    return CDlgPassphrase::Run(m_parent, passphrase, walletName, isNew);
}
