// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CCategory;
class QCheckBox;
class QComboBox;
class QPushButton;
class WalletContext;

// A category's description, icon, default template for new cards and whether it asks for the password.
class CDlgCategory : public QDialog {
    Q_OBJECT

public:
    // The default template is one of `wallet`'s.
    CDlgCategory(const WalletContext& wallet, CCategory& working, qint32 defaultTemplateId, QWidget* parent = nullptr);

    qint32 DefaultTemplateId() const { return m_templateId; }
    void ChooseIcon();
    void accept() override;

    QComboBox& Description() { return *m_description; }
    QComboBox& Templates() { return *m_templates; }
    QCheckBox& RequirePassword() { return *m_requirePassword; }
    QPushButton& IconButton() { return *m_icon; }

private:
    void ShowIcon();

    CCategory& m_category;
    qint32 m_templateId;
    qint32 m_iconId;
    QComboBox* m_description;
    QComboBox* m_templates;
    QPushButton* m_icon;
    QCheckBox* m_requirePassword;
};
