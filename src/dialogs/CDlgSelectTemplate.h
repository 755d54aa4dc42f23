// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTreeWidget;
class WalletContext;

// Picks one of the wallet's templates by its description, `preselected` (an internal name) first.
class CDlgSelectTemplate : public QDialog {
    Q_OBJECT

public:
    // With `showCreateLink` the dialog offers to make a template of one's own instead.
    CDlgSelectTemplate(const WalletContext& wallet, const QString& preselected, bool showCreateLink,
                       QWidget* parent = nullptr);

    // The internal name of the template picked.
    const QString& Selected() const { return m_selected; }
    // Whether the user left through the link to make a template of their own.
    bool CreateRequested() const { return m_createRequested; }
    QTreeWidget& List() { return *m_list; }
    // Takes the selected template and closes; with nothing selected it does nothing.
    void accept() override;

private:
    QTreeWidget* m_list;
    QString m_selected;
    bool m_createRequested = false;
};
