// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgTemplate.h"

#include "base/Prompts.h"
#include "dialogs/CDlgField.h"
#include "dialogs/CDlgSelectIcon.h"
#include "model/CCardTemplate.h"
#include "widgets/CCaseEdit.h"
#include "widgets/CIconCache.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int kIconSize = 32;
constexpr int kColumnWidth = 100;
} // namespace

CDlgTemplate::CDlgTemplate(CCardTemplate& cardTemplate, QWidget* parent)
    : QDialog(parent), m_template(cardTemplate), m_originalFields(cardTemplate.fields),
      m_originalIcon(cardTemplate.iconId), m_description(new CCaseEdit), m_fields(new QTreeWidget),
      m_icon(new QPushButton) {
    setObjectName(QStringLiteral("Template"));
    setWindowTitle(tr("Template"));
    m_description->setObjectName(QStringLiteral("description"));
    m_description->SetCaseMode(CCaseEdit::kProperCase);
    m_description->setText(cardTemplate.description);
    m_fields->setObjectName(QStringLiteral("fields"));
    m_fields->setHeaderLabels({tr("Field Name"), tr("Field Type")});
    m_fields->setColumnWidth(0, kColumnWidth);
    m_fields->setColumnWidth(1, kColumnWidth);
    m_fields->setRootIsDecorated(false);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_icon->setObjectName(QStringLiteral("icon"));
    m_icon->setAccessibleName(tr("Icon"));
    m_icon->setIconSize(QSize(kIconSize, kIconSize));
    m_icon->setFixedSize(kIconSize + 16, kIconSize + 16);
    m_icon->setAutoDefault(false);
    connect(m_icon, &QPushButton::clicked, this, &CDlgTemplate::ChooseIcon);
    connect(m_fields, &QTreeWidget::itemDoubleClicked, this, &CDlgTemplate::EditField);
    auto* description = new QLabel(tr("&Description:"));
    description->setBuddy(m_description);
    auto* top = new QHBoxLayout;
    top->addWidget(description);
    top->addWidget(m_description, 1);
    top->addWidget(m_icon);
    auto* fieldButtons = new QHBoxLayout;
    const std::pair<QString, std::function<void()>> actions[] = {{tr("&Add"), [this] { AddField(); }},
                                                                 {tr("&Delete"), [this] { DeleteField(); }},
                                                                 {tr("&Properties"), [this] { EditField(); }},
                                                                 {tr("Move &Up"), [this] { MoveField(-1); }},
                                                                 {tr("Move Do&wn"), [this] { MoveField(1); }}};
    for (const auto& [text, run] : actions) {
        auto* button = new QPushButton(text);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, run);
        fieldButtons->addWidget(button);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgTemplate::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgTemplate::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_fields, 1);
    layout->addLayout(fieldButtons);
    layout->addWidget(buttons);
    ShowIcon();
    Fill(0);
    m_description->setFocus();
}

int CDlgTemplate::SelectedSlot() const {
    const QList<QTreeWidgetItem*> selected = m_fields->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(0, Qt::UserRole).toInt() - 1;
}

void CDlgTemplate::Fill(int selectSlot) {
    m_fields->clear();
    for (int slot = 0; slot < CTemplateFieldArray::kMaxFields; ++slot) {
        const CTemplateField& field = m_template.fields[slot];
        if (field.IsFree())
            continue;
        auto* item = new QTreeWidgetItem(m_fields, {field.name, field.TypeName()});
        item->setData(0, Qt::UserRole, slot + 1);
        if (slot == selectSlot) {
            m_fields->setCurrentItem(item);
            m_fields->scrollToItem(item);
        }
    }
}

void CDlgTemplate::AddField() {
    const int used = m_template.fields.UsedCount();
    if (used >= CTemplateFieldArray::kMaxFields) {
        Prompts::Inform(tr("You can have a maximum of %1 fields in a template.").arg(CTemplateFieldArray::kMaxFields));
        return;
    }
    if (CDlgField(m_template.fields[used], this).exec() == QDialog::Accepted)
        Fill(used);
}

void CDlgTemplate::EditField() {
    const int slot = SelectedSlot();
    if (slot >= 0 && CDlgField(m_template.fields[slot], this).exec() == QDialog::Accepted)
        Fill(slot);
}

// The later fields move up one place, so the field after the deleted one takes its row and its selection.
void CDlgTemplate::DeleteField() {
    const int slot = SelectedSlot();
    if (slot < 0)
        return;
    const int used = m_template.fields.UsedCount();
    for (int later = slot; later + 1 < used; ++later)
        m_template.fields[later] = m_template.fields[later + 1];
    m_template.fields[used - 1].Reset();
    Fill(slot);
}

void CDlgTemplate::MoveField(int step) {
    const int slot = SelectedSlot();
    const int target = slot + step;
    if (slot < 0 || target < 0 || target >= m_template.fields.UsedCount())
        return;
    std::swap(m_template.fields[slot], m_template.fields[target]);
    Fill(target);
}

void CDlgTemplate::ChooseIcon() {
    CDlgSelectIcon picker(m_template.iconId, this);
    if (picker.exec() == QDialog::Accepted) {
        m_template.iconId = picker.IconId();
        ShowIcon();
    }
}

void CDlgTemplate::ShowIcon() {
    m_icon->setIcon(CIconCache::Icon(m_template.iconId, kIconSize));
}

void CDlgTemplate::accept() {
    m_template.description = m_description->text();
    QDialog::accept();
}

void CDlgTemplate::reject() {
    m_template.fields = m_originalFields;
    m_template.iconId = m_originalIcon;
    QDialog::reject();
}
