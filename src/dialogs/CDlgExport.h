// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CWallet;
class QRadioButton;
class QTreeWidget;

// Writes the cards of the categories ticked to a text or XML file, asked for when the user presses OK. A file that
// cannot be written is reported and the dialog stays open for another try.
class CDlgExport : public QDialog {
    Q_OBJECT

public:
    explicit CDlgExport(const CWallet& wallet, QWidget* parent = nullptr);

    QRadioButton& SimpleText() { return *m_text; }
    QRadioButton& Xml() { return *m_xml; }
    QTreeWidget& Categories() { return *m_categories; }
    // Whether the category's item is ticked; false for a category without one.
    bool IsTicked(qint32 categoryId) const;

    void accept() override;

private:
    void FillCategories();

    const CWallet& m_wallet;
    QRadioButton* m_text;
    QRadioButton* m_xml;
    QTreeWidget* m_categories;
};
