// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgFind.h"

#include "base/Prompts.h"
#include "dialogs/CFindResultsModel.h"
#include "document/CWallet.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {
constexpr int kListWidth = 290;
constexpr int kListHeight = 220;
} // namespace

CDlgFind::CDlgFind(const CWallet& wallet, QWidget* parent)
    : QDialog(parent), m_wallet(wallet), m_text(new QLineEdit), m_matchCase(new QCheckBox(tr("&Match case"))),
      m_results(new QListView), m_model(new CFindResultsModel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Find"));
    setWindowTitle(tr("Find..."));
    auto* findLabel = new QLabel(tr("Fi&nd what:"));
    findLabel->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("findText"));
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    auto* resultsLabel = new QLabel(tr("C&ards found:"));
    resultsLabel->setBuddy(m_results);
    m_results->setObjectName(QStringLiteral("results"));
    // A list view takes no name from its label's buddy.
    m_results->setAccessibleName(tr("Cards found"));
    m_results->setModel(m_model);
    m_results->setUniformItemSizes(true);
    m_results->setIconSize(QSize(CFindResultsModel::kIconSize, CFindResultsModel::kIconSize));
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results->setMinimumSize(kListWidth, kListHeight);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical);
    m_find = buttons->button(QDialogButtonBox::Ok);
    m_find->setText(tr("&Find"));
    m_find->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgFind::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_text, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_find->setEnabled(!text.isEmpty()); });
    connect(m_results, &QListView::doubleClicked, this, &CDlgFind::OnResultActivated);
    auto* layout = new QGridLayout(this);
    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(m_text, 0, 1);
    layout->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
    layout->addWidget(m_matchCase, 1, 1);
    layout->addWidget(resultsLabel, 2, 0, 1, 2);
    layout->addWidget(m_results, 3, 0, 1, 3);
    layout->setRowStretch(3, 1);
    m_text->setFocus();
    connect(&m_wallet, &CWallet::cardChanged, m_model, &CFindResultsModel::Update);
    connect(&m_wallet, &CWallet::cardAboutToBeRemoved, m_model,
            [this](const CCard& card) { m_model->Remove(card.id); });
    // Rows of another wallet's cards would lead to whatever card of the new wallet has their id.
    connect(&m_wallet, &CWallet::aboutToReset, m_model, &CFindResultsModel::Clear);
}

void CDlgFind::accept() {
    const QString text = m_text->text();
    if (text.isEmpty())
        return;
    const bool matchCase = m_matchCase->isChecked();
    m_find->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<const CCard*> found;
    for (const CCard* card : m_wallet.Cards()) {
        if (card->ContainsText(text, matchCase))
            found.push_back(card);
    }
    m_model->Fill(found);
    QApplication::restoreOverrideCursor();
    m_text->setFocus();
    m_find->setEnabled(true);
    if (found.empty())
        Prompts::Warn(tr("No cards were found containing \"%1\"").arg(text));
    else
        Prompts::Inform(tr("Found %1 card(s) containing \"%2\"").arg(QString::number(found.size()), text));
}

void CDlgFind::OnResultActivated(const QModelIndex& index) {
    if (index.isValid())
        Q_EMIT cardChosen(m_model->CardId(index.row()));
}
