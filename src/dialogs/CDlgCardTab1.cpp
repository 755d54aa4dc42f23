// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgCardTab1.h"

#include "base/Prompts.h"
#include "base/Utilities.h"
#include "dialogs/CDlgExpandedEditor.h"
#include "dialogs/CDlgGenerator.h"
#include "dialogs/CListOptionsCtrl.h"
#include "model/CCard.h"
#include "model/CTemplateList.h"
#include "model/WalletContext.h"
#include "resources/StringTable.h"
#include "widgets/CCaseEdit.h"
#include "widgets/CDlgDatePicker.h"

#include <QEvent>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>

namespace {
const QString kLongDateFormat = QStringLiteral("Settings/LongDateFmt");
constexpr int kMaxInsertedLength = 80;
} // namespace

CDlgCardTab1::CDlgCardTab1(const WalletContext& wallet, CCard& working, const QFont& listFont, QWidget* parent)
    : QWidget(parent), m_wallet(wallet), m_card(working), m_description(new CCaseEdit), m_list(new CListOptionsCtrl),
      m_insertDate(new QPushButton(tr("Insert D&ate"))), m_insertTime(new QPushButton(tr("Insert &Time"))),
      m_expand(new QPushButton(tr("E&xpand Field"))), m_reveal(new QPushButton(tr("Show"))),
      m_generate(new QPushButton(tr("&Generate..."))), m_passwordsHidden(working.hidePasswords != 0) {
    setObjectName(QStringLiteral("DetailsPage"));
    auto* label = new QLabel(tr("&Description:"));
    label->setBuddy(m_description);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setAccessibleName(tr("Description"));
    m_description->SetCaseMode(CCaseEdit::kProperCase);
    m_description->setText(working.description);
    m_description->installEventFilter(this);
    m_list->setObjectName(QStringLiteral("fields"));
    m_list->setAccessibleName(tr("Fields"));
    m_list->setFont(listFont);
    m_insertDate->setObjectName(QStringLiteral("insertDate"));
    m_insertTime->setObjectName(QStringLiteral("insertTime"));
    m_expand->setObjectName(QStringLiteral("expandField"));
    for (QPushButton* button : {m_insertDate, m_insertTime, m_expand}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->setAccessibleName(button->text().remove(u'&'));
    }
    SetupPasswordButtons();
    SetButtonsEnabled(false);
    connect(m_insertDate, &QPushButton::clicked, this, &CDlgCardTab1::InsertDate);
    connect(m_insertTime, &QPushButton::clicked, this, &CDlgCardTab1::InsertTime);
    connect(m_expand, &QPushButton::clicked, this, &CDlgCardTab1::ExpandField);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_description, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_insertDate);
    buttons->addWidget(m_insertTime);
    buttons->addWidget(m_expand);
    buttons->addStretch(1);
    buttons->addWidget(m_reveal);
    buttons->addWidget(m_generate);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    setTabOrder(m_description, m_list);
    setTabOrder(m_list, m_insertDate);
    setTabOrder(m_insertDate, m_insertTime);
    setTabOrder(m_insertTime, m_expand);
    setTabOrder(m_expand, m_reveal);
    setTabOrder(m_reveal, m_generate);
}

// Show keeps the focus where it is, so that a password being typed can be looked at and typed on; clicked, a
// button that takes the focus only by Tab leaves the row's editor open.
void CDlgCardTab1::SetupPasswordButtons() {
    m_reveal->setObjectName(QStringLiteral("revealPasswords"));
    m_reveal->setCheckable(true);
    m_reveal->setToolTip(tr("Show or hide the passwords (Ctrl+H)"));
    m_reveal->setAccessibleName(tr("Show passwords"));
    m_generate->setObjectName(QStringLiteral("generatePassword"));
    m_generate->setToolTip(tr("Make a new password for the password field"));
    // Shown once the rows hold a password field.
    for (QPushButton* button : {m_reveal, m_generate}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->hide();
    }
    m_generate->setAccessibleName(tr("Generate password"));
    auto* revealKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    revealKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(revealKey, &QShortcut::activated, this, [this] {
        if (m_reveal->isVisible() && m_reveal->isEnabled())
            m_reveal->toggle();
    });
    connect(m_reveal, &QPushButton::toggled, this, &CDlgCardTab1::ShowPasswordsMasked);
    connect(m_generate, &QPushButton::clicked, this, &CDlgCardTab1::GeneratePassword);
}

void CDlgCardTab1::Activate() {
    const CCardTemplate* cardTemplate = m_wallet.Templates().FindByInternalName(m_card.templateName);
    if (!cardTemplate)
        return;
    m_list->RemoveAllRows();
    m_positions.clear();
    for (int position = 0; position < CCard::kValueCount; ++position) {
        const CTemplateField& field = cardTemplate->fields[position];
        if (field.IsFree())
            continue;
        m_list->AddRow(field.name + u':', m_card.values[size_t(position)].toString(), field.type);
        m_positions.push_back(position);
    }
    m_list->FitColumns();
    const bool hasPassword = PasswordRow() >= 0;
    m_reveal->setVisible(hasPassword);
    m_generate->setVisible(hasPassword);
    ShowPasswordsMasked();
}

void CDlgCardTab1::SetPasswordsHidden(bool hidden) {
    m_passwordsHidden = hidden;
    ShowPasswordsMasked();
}

void CDlgCardTab1::ShowPasswordsMasked() {
    m_reveal->setEnabled(m_passwordsHidden);
    m_list->SetPasswordsMasked(m_passwordsHidden && !m_reveal->isChecked());
}

int CDlgCardTab1::PasswordRow() const {
    const int selected = m_list->SelectedRow();
    if (selected >= 0 && m_list->RowType(selected) == FieldTypes::Password)
        return selected;
    for (int row = 0; row < m_list->RowCount(); ++row) {
        if (m_list->RowType(row) == FieldTypes::Password)
            return row;
    }
    return -1;
}

void CDlgCardTab1::GeneratePassword() {
    const int row = PasswordRow();
    if (row < 0)
        return;
    m_list->EndEdit();
    CDlgGenerator generator(this);
    if (generator.exec() != QDialog::Accepted)
        return;
    m_list->setCurrentItem(m_list->topLevelItem(row));
    m_list->SetValueText(row, generator.Password());
}

// Each row goes back to its field's position and the positions of unnamed fields are emptied, so a template with
// gaps between its fields keeps every value in its place. A card whose template is missing has no rows and keeps its
// values.
bool CDlgCardTab1::Leave() {
    m_list->EndEdit();
    if (!m_positions.empty()) {
        CCardValues values;
        for (size_t row = 0; row < m_positions.size(); ++row)
            values.Set(size_t(m_positions[row]), m_list->ValueText(int(row)));
        m_card.values = values;
    }
    m_card.description = m_description->text();
    if (!m_card.description.isEmpty())
        return true;
    Prompts::Inform(StringTable::Text(kStrEnterCardDescription));
    m_description->setFocus();
    return false;
}

void CDlgCardTab1::InsertDate() {
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    QSettings settings;
    CDlgDatePicker picker(this);
    picker.SetLongFormat(settings.value(kLongDateFormat, 0).toInt() != 0);
    picker.move(m_insertDate->mapToGlobal(QPoint(0, m_insertDate->height())));
    if (picker.exec() != QDialog::Accepted)
        return;
    m_list->SetValueText(row, DateText(picker.Date(), picker.LongFormat()).left(kMaxInsertedLength));
    settings.setValue(kLongDateFormat, picker.LongFormat() ? 1 : 0);
}

void CDlgCardTab1::InsertTime() {
    const int row = m_list->SelectedRow();
    if (row >= 0)
        m_list->SetValueText(row, TimeText(QDateTime::currentDateTime()).left(kMaxInsertedLength));
}

void CDlgCardTab1::ExpandField() {
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    m_list->EndEdit();
    CDlgExpandedEditor editor(m_list->ValueText(row), this);
    if (editor.exec() == QDialog::Accepted)
        m_list->SetValueText(row, editor.Text());
}

void CDlgCardTab1::SetButtonsEnabled(bool enabled) {
    for (QPushButton* button : {m_insertDate, m_insertTime, m_expand})
        button->setEnabled(enabled);
}

// The buttons work on the selected row, so they are of no use while the description is being typed.
bool CDlgCardTab1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_description && event->type() == QEvent::FocusIn)
        SetButtonsEnabled(false);
    else if (watched == m_description && event->type() == QEvent::FocusOut)
        SetButtonsEnabled(true);
    return QWidget::eventFilter(watched, event);
}

void CDlgCardTab1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_list->FitColumns();
}
