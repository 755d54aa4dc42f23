// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgField.h"

#include "base/Prompts.h"
#include "model/CTemplateField.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

CDlgField::CDlgField(CTemplateField& field, QWidget* parent)
    : QDialog(parent), m_field(field), m_name(new QLineEdit(field.name)), m_type(new QComboBox) {
    setObjectName(QStringLiteral("Field"));
    setWindowTitle(tr("Field"));
    m_name->setObjectName(QStringLiteral("name"));
    m_type->setObjectName(QStringLiteral("type"));
    for (FieldType type = FieldTypes::Default; type <= FieldTypes::Last; ++type)
        m_type->addItem(FieldTypes::DisplayName(type));
    m_type->setCurrentIndex(field.type >= FieldTypes::Default && field.type <= FieldTypes::Last ? int(field.type) : 0);
    auto* form = new QFormLayout;
    form->addRow(tr("Field &Name (e.g: Acct No.):"), m_name);
    form->addRow(tr("Field &Type:"), m_type);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgField::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_name->setFocus();
}

void CDlgField::accept() {
    if (m_name->text().trimmed().isEmpty()) {
        Prompts::Warn(tr("Please enter a name for the field."));
        m_name->setFocus();
        return;
    }
    m_field.name = m_name->text();
    m_field.type = FieldType(m_type->currentIndex());
    QDialog::accept();
}
