// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgManageTemplates.h"

#include "base/Prompts.h"
#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "dialogs/CDlgTemplate.h"
#include "document/CWallet.h"
#include "model/CCardTemplate.h"
#include "resources/StringTable.h"
#include "widgets/HelpPages.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace {
// Messages of the resource library about templates that cards use.
constexpr int kInUseAlter = 10006;
constexpr int kInUseDelete = 10007;
// Template ids stay clear of the ids of the built-in records.
constexpr qint32 kTemplateIdOffset = 500;

// More templates would come from the program's web page, which the link opens the same way the Help menu does.
QLabel* MakeDownloadLink() {
    auto* link = new QLabel(QStringLiteral("<a href=\"gallery\">%1</a> %2")
                                .arg(CDlgManageTemplates::tr("Download additional templates"),
                                     CDlgManageTemplates::tr("from the online Template Gallery.")));
    link->setObjectName(QStringLiteral("downloadTemplates"));
    link->setAccessibleName(CDlgManageTemplates::tr("Download additional templates from the online Template Gallery"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(link, &QLabel::linkActivated, link, [] { HelpPages::OpenWebPage(); });
    return link;
}
} // namespace

CDlgManageTemplates::CDlgManageTemplates(CWallet& wallet, QWidget* parent)
    : QDialog(parent), m_wallet(wallet), m_tasks(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("ManageTemplates"));
    setWindowTitle(tr("Manage Templates"));
    auto* layout = new QVBoxLayout(this);
    const QString texts[] = {tr("&Create a new template from scratch"),
                             tr("&Modify or view an existing template"),
                             tr("&Delete an existing template"),
                             tr("D&uplicate an existing template"),
                             tr("&Import a template made by somebody else"),
                             tr("E&xport a template to share it with somebody else")};
    for (int task = Create; task <= Export; ++task) {
        auto* button = new QRadioButton(texts[task]);
        m_tasks->addButton(button, task);
        layout->addWidget(button);
    }
    SetTask(Create);
    layout->addSpacing(8);
    layout->addWidget(MakeDownloadLink());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgManageTemplates::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(8);
    layout->addWidget(buttons);
}

void CDlgManageTemplates::SetTask(Task task) {
    m_tasks->button(task)->setChecked(true);
}

void CDlgManageTemplates::accept() {
    const int task = m_tasks->checkedId();
    if (task == Create) {
        RunCreate();
        return;
    }
    if (task == Import) {
        RunImport();
        return;
    }
    CCardTemplate* chosen = m_wallet.SelectTemplate(QString(), false);
    if (!chosen)
        return;
    if (task == Modify)
        RunModify(*chosen);
    else if (task == Delete)
        RunDelete(*chosen);
    else if (task == Duplicate)
        RunDuplicate(*chosen);
    else
        chosen->ExportToFile(m_wallet.CipherMethod());
}

// The new template takes an id only once the user keeps it.
void CDlgManageTemplates::RunCreate() {
    auto created = std::make_unique<CCardTemplate>();
    if (CDlgTemplate(*created, this).exec() != QDialog::Accepted)
        return;
    created->internalName = UniqueText();
    const QString description = created->description;
    Add(std::move(created), description);
}

void CDlgManageTemplates::RunModify(CCardTemplate& chosen) {
    if (chosen.IsInUse()) {
        Prompts::Warn(ResourceLibrary::String(kInUseAlter));
        return;
    }
    m_wallet.ChangeTemplate(
        chosen, [this](CCardTemplate& edited) { return CDlgTemplate(edited, this).exec() == QDialog::Accepted; });
}

void CDlgManageTemplates::RunDelete(CCardTemplate& chosen) {
    if (chosen.IsInUse()) {
        Prompts::Warn(ResourceLibrary::String(kInUseDelete));
        return;
    }
    if (!Prompts::AskYesNo(tr("By deleting this template you will not be able to create any cards based on it. Are "
                              "you sure?"),
                           Prompts::Icon::Exclamation, Prompts::Answer::No))
        return;
    const QString message = tr("\"%1\" has been deleted from your wallet.").arg(chosen.description);
    m_wallet.RemoveTemplate(chosen.id);
    Prompts::Warn(message);
}

void CDlgManageTemplates::RunDuplicate(const CCardTemplate& chosen) {
    auto copy = std::make_unique<CCardTemplate>();
    copy->CopyFrom(chosen);
    copy->description = LoadResString(kStrCopyOf) + chosen.description;
    copy->internalName = UniqueText();
    const QString description = copy->description;
    Add(std::move(copy), description);
}

// An imported template keeps the internal name it was written with, so that cards made elsewhere find it.
void CDlgManageTemplates::RunImport() {
    auto imported = std::make_unique<CCardTemplate>();
    if (imported->ImportFromFile(m_wallet.CipherMethod()) != 1)
        return;
    const QString announced = imported->description;
    imported->description += tr(" (Imported)");
    Add(std::move(imported), announced);
}

void CDlgManageTemplates::Add(std::unique_ptr<CCardTemplate> added, const QString& announced) {
    added->id = m_wallet.NextId() + kTemplateIdOffset;
    m_wallet.AddTemplate(std::move(added));
    Prompts::Inform(tr("\"%1\" has been successfully added to your wallet.").arg(announced));
}
