// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CTemplateField;
class QComboBox;
class QLineEdit;

// Edits a template field's name and type; the field takes them on OK. A field needs a name: an empty one would leave
// a free slot among the used ones.
class CDlgField : public QDialog {
    Q_OBJECT

public:
    explicit CDlgField(CTemplateField& field, QWidget* parent = nullptr);

    QLineEdit& Name() { return *m_name; }
    QComboBox& Type() { return *m_type; }

    void accept() override;

private:
    CTemplateField& m_field;
    QLineEdit* m_name;
    QComboBox* m_type;
};
