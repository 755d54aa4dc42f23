// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QListWidget;

// Picks one of the resource library's icons, shown as a grid.
class CDlgSelectIcon : public QDialog {
    Q_OBJECT

public:
    explicit CDlgSelectIcon(qint32 iconId, QWidget* parent = nullptr);

    qint32 IconId() const { return m_iconId; }
    QListWidget& List() { return *m_list; }
    // Takes the selected icon and closes; with nothing selected it does nothing.
    void accept() override;

private:
    QListWidget* m_list;
    qint32 m_iconId;
};
