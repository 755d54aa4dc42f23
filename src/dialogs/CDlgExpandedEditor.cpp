// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CDlgExpandedEditor.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CDlgExpandedEditor::CDlgExpandedEditor(const QString& text, QWidget* parent)
    : QDialog(parent), m_edit(new QPlainTextEdit(text)) {
    setWindowTitle(tr("Expanded Editor"));
    setObjectName(QStringLiteral("ExpandedEditor"));
    m_edit->setObjectName(QStringLiteral("expandedText"));
    m_edit->setAccessibleName(tr("Value"));
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->installEventFilter(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    resize(420, 260);
}

QString CDlgExpandedEditor::Text() const {
    return m_edit->toPlainText();
}

bool CDlgExpandedEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
