// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CCardTemplate;
class CWallet;
class QButtonGroup;

// The template tasks: create, modify, delete, duplicate, import and export. OK runs the task chosen and leaves the
// dialog open for the next one; Close ends it.
class CDlgManageTemplates : public QDialog {
    Q_OBJECT

public:
    enum Task { Create, Modify, Delete, Duplicate, Import, Export };

    explicit CDlgManageTemplates(CWallet& wallet, QWidget* parent = nullptr);

    void SetTask(Task task);
    void accept() override;

private:
    void RunCreate();
    void RunModify(CCardTemplate& chosen);
    void RunDelete(CCardTemplate& chosen);
    void RunDuplicate(const CCardTemplate& chosen);
    void RunImport();
    // Gives the new template an id and a place in the wallet, and says so.
    void Add(std::unique_ptr<CCardTemplate> added, const QString& announced);

    CWallet& m_wallet;
    QButtonGroup* m_tasks;
};
