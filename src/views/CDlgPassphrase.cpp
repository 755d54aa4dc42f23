// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CDlgPassphrase.h"

#include "storage/PassphraseStrength.h"
#include "storage/SealKey.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The meter is full at this many bits: beyond it more length buys nothing anyone could notice.
constexpr int kMeterBits = 100;
} // namespace

CDlgPassphrase::CDlgPassphrase(const QString& walletName, bool isNew, QWidget* parent)
    : QDialog(parent), m_isNew(isNew) {
    setWindowTitle(isNew ? tr("Seal Wallet") : tr("Sealed Wallet"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(isNew ? tr("Choose the passphrase that will open \"%1\". Without it the wallet cannot be "
                                        "opened by anyone, you included: keep it safe.")
                                         .arg(walletName)
                                   : tr("\"%1\" is sealed. Type its passphrase to open it.").arg(walletName));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    m_entry = AddEntry(tr("Passphrase"));
    form->addRow(tr("&Passphrase:"), m_entry);
    if (isNew) {
        m_repeat = AddEntry(tr("Passphrase again"));
        form->addRow(tr("Con&firm:"), m_repeat);
        m_meter = new QProgressBar;
        m_meter->setRange(0, kMeterBits);
        m_meter->setTextVisible(false);
        m_meter->setAccessibleName(tr("Passphrase strength"));
        m_verdict = new QLabel;
        m_verdict->setWordWrap(true);
        // Room for the longest verdict, so the dialog does not jump while a passphrase is typed.
        m_verdict->setMinimumHeight(m_verdict->fontMetrics().lineSpacing() * 3);
        m_verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        form->addRow(tr("Strength:"), m_meter);
        form->addRow(QString(), m_verdict);
    }
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    setMinimumWidth(420);
    ShowStrength();
}

QLineEdit* CDlgPassphrase::AddEntry(const QString& accessibleName) {
    auto* entry = new QLineEdit;
    entry->setEchoMode(QLineEdit::Password);
    entry->setAccessibleName(accessibleName);
    connect(entry, &QLineEdit::textChanged, this, &CDlgPassphrase::ShowStrength);
    return entry;
}

void CDlgPassphrase::ShowStrength() {
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    if (!m_isNew) {
        ok->setEnabled(!m_entry->text().isEmpty());
        return;
    }
    const PassphraseStrength strength(m_entry->text());
    m_meter->setValue(std::min(int(strength.Bits()), kMeterBits));
    QString verdict = m_entry->text().isEmpty() ? QString() : strength.Rating();
    if (!strength.IsStrongEnough() && !m_entry->text().isEmpty())
        verdict += QStringLiteral(". ") + strength.Reason();
    else if (!m_repeat->text().isEmpty() && m_repeat->text() != m_entry->text())
        verdict += tr(". The two entries differ.");
    m_verdict->setText(verdict);
    ok->setEnabled(strength.IsStrongEnough() && m_repeat->text() == m_entry->text());
}

QString CDlgPassphrase::Passphrase() const {
    return m_entry->text();
}

bool CDlgPassphrase::Run(QWidget* parent, QString& passphrase, const QString& walletName, bool isNew) {
    CDlgPassphrase dialog(walletName, isNew, parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted)
        passphrase = dialog.Passphrase();
    // The entries' own copies go with the dialog; they are emptied first so that the text is not left behind.
    for (QLineEdit* entry : dialog.findChildren<QLineEdit*>())
        entry->clear();
    return accepted;
}
