// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CTemplateFieldArray.h"

#include <QDialog>

class CCardTemplate;
class CCaseEdit;
class QPushButton;
class QTreeWidget;

// Edits a template's description, icon and fields. Field, order and icon changes go into the template as they are
// made, so the lists show them at once; Cancel puts the template back as it was. The description waits for OK.
class CDlgTemplate : public QDialog {
    Q_OBJECT

public:
    explicit CDlgTemplate(CCardTemplate& cardTemplate, QWidget* parent = nullptr);

    CCaseEdit& Description() { return *m_description; }
    QTreeWidget& Fields() { return *m_fields; }
    QPushButton& IconButton() { return *m_icon; }
    // The slot of the selected row, -1 without one.
    int SelectedSlot() const;

    void AddField();
    void DeleteField();
    void EditField();
    void MoveField(int step);

    void accept() override;
    void reject() override;

private:
    void Fill(int selectSlot);
    void ChooseIcon();
    void ShowIcon();

    CCardTemplate& m_template;
    const CTemplateFieldArray m_originalFields;
    const qint32 m_originalIcon;
    CCaseEdit* m_description;
    QTreeWidget* m_fields;
    QPushButton* m_icon;
};
