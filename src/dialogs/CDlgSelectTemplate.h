// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QTreeWidget;

// Picks one of the wallet's templates by its description, `preselected` (an internal name) first.
class CDlgSelectTemplate : public QDialog {
    Q_OBJECT

public:
    explicit CDlgSelectTemplate(const QString& preselected, QWidget* parent = nullptr);

    // The internal name of the template picked.
    const QString& Selected() const { return m_selected; }
    QTreeWidget& List() { return *m_list; }
    // Takes the selected template and closes; with nothing selected it does nothing.
    void accept() override;

private:
    QTreeWidget* m_list;
    QString m_selected;
};
