// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CListOptionsCtrl.h"

#include "base/Utilities.h"
#include "dialogs/CListOptionsEdit.h"
#include "resources/StringTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>

namespace {
constexpr int kTypeRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;
// A masked value shows as this many dots whatever its length, which stays as hidden as the value.
constexpr int kMaskLength = 8;
constexpr int kMinEditorHeight = 20;
constexpr int kColumnMargin = 30;
const QString kWebPrefix = QStringLiteral("http://");

// The filled-in prefix in front of an address that brings its own scheme ("http://https://..."), as typed after the
// prefix or pasted.
bool HasDoubledScheme(const QString& value) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return value.startsWith(kWebPrefix, Qt::CaseInsensitive) && scheme.match(value.mid(kWebPrefix.size())).hasMatch();
}

// A key that types something, rather than moving, choosing or reaching a shortcut.
bool TypesText(const QKeyEvent& event) {
    const QString text = event.text();
    return !text.isEmpty() && text.front().isPrint() &&
           !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}
} // namespace

CListOptionsCtrl::CListOptionsCtrl(QWidget* parent) : QTreeWidget(parent), m_currencyPrefix(CurrencyPrefix()) {
    setColumnCount(2);
    setHeaderLabels({StringTable::Text(kStrField), StringTable::Text(kStrValue)});
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
}

void CListOptionsCtrl::AddRow(const QString& label, const QString& value, FieldType type) {
    auto* item = new QTreeWidgetItem(this, {label});
    item->setData(0, kTypeRole, type);
    item->setData(1, kValueRole, value);
    ShowValue(*item);
    // Rows are as tall as an editor needs, so the editor covers its cell exactly.
    item->setSizeHint(0, QSize(0, qMax(kMinEditorHeight + 2, fontMetrics().height() + 8)));
}

void CListOptionsCtrl::RemoveAllRows() {
    EndEdit();
    clear();
}

QString CListOptionsCtrl::ValueText(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(1, kValueRole).toString() : QString();
}

void CListOptionsCtrl::SetValueText(int row, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        item->setData(1, kValueRole, text);
        ShowValue(*item);
    }
    if (row == m_editedRow && m_editor)
        m_editor->setText(text);
}

void CListOptionsCtrl::ShowValue(QTreeWidgetItem& item) {
    const QString value = item.data(1, kValueRole).toString();
    if (!IsMasked(indexOfTopLevelItem(&item)) || value.isEmpty()) {
        item.setText(1, value);
        item.setToolTip(1, value);
        item.setData(1, Qt::AccessibleTextRole, QVariant());
        return;
    }
    const QChar dot(style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, this));
    item.setText(1, QString(kMaskLength, dot));
    item.setToolTip(1, QString());
    item.setData(1, Qt::AccessibleTextRole, tr("hidden"));
}

FieldType CListOptionsCtrl::RowType(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kTypeRole).toInt() : FieldTypes::Default;
}

bool CListOptionsCtrl::IsMasked(int row) const {
    return m_masked && RowType(row) == FieldTypes::Password;
}

void CListOptionsCtrl::SetPasswordsMasked(bool masked) {
    m_masked = masked;
    for (int row = 0; row < RowCount(); ++row)
        ShowValue(*topLevelItem(row));
    if (m_editor)
        m_editor->SetMasked(IsMasked(m_editedRow));
}

QString CListOptionsCtrl::LabelText(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(0) : QString();
}

int CListOptionsCtrl::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void CListOptionsCtrl::EditRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    EndEdit();
    setCurrentItem(item);
    scrollToItem(item);
    OpenEditor(row);
}

void CListOptionsCtrl::OpenEditor(int row) {
    if (m_editor)
        return;
    QTreeWidgetItem* item = topLevelItem(row);
    const FieldType type = item->data(0, kTypeRole).toInt();
    QRect cell = visualItemRect(item);
    cell.setLeft(header()->sectionViewportPosition(1));
    cell.setWidth(header()->sectionSize(1));
    cell.setHeight(qMax(cell.height(), kMinEditorHeight));
    m_editor = new CListOptionsEdit(row, type, viewport());
    m_editor->setObjectName(QStringLiteral("valueEditor"));
    m_editor->setAccessibleName(LabelText(row).chopped(LabelText(row).endsWith(u':') ? 1 : 0));
    m_editor->setFont(font());
    m_editor->setGeometry(cell);
    m_editor->SetMasked(IsMasked(row));
    m_editor->setText(ValueText(row));
    m_editedRow = row;
    connect(m_editor, &CListOptionsEdit::moveRequested, this, &CListOptionsCtrl::MoveEdit);
    connect(m_editor, &CListOptionsEdit::tabPressed, this, &CListOptionsCtrl::TabEdit);
    connect(m_editor, &CListOptionsEdit::focusLeft, this, &CListOptionsCtrl::OnEditorFocusLeft);
    m_editor->show();
    QString prefix;
    if (m_editor->text().isEmpty() && type == FieldTypes::WebAddress)
        prefix = kWebPrefix;
    else if (m_editor->text().isEmpty() && type == FieldTypes::Money)
        prefix = m_currencyPrefix;
    if (!prefix.isEmpty())
        m_editor->setText(prefix);
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->end(false);
    // A filled-in prefix is selected, so that an address or amount typed with its own scheme or sign replaces it;
    // the caret still stands after it.
    if (!prefix.isEmpty())
        m_editor->setSelection(0, int(prefix.size()));
}

// A prefix that was filled in and never added to is not a value, nor one left in front of an address's own scheme.
void CListOptionsCtrl::EndEdit() {
    if (!m_editor)
        return;
    CListOptionsEdit* editor = m_editor;
    m_editor = nullptr;
    // The list keeps the focus the editor had, rather than the window passing it on to some other control.
    if (editor->hasFocus())
        setFocus(Qt::OtherFocusReason);
    QString value = editor->text();
    if ((editor->Type() == FieldTypes::WebAddress && value == kWebPrefix) ||
        (editor->Type() == FieldTypes::Money && value == m_currencyPrefix))
        value.clear();
    else if (editor->Type() == FieldTypes::WebAddress && HasDoubledScheme(value))
        value.remove(0, kWebPrefix.size());
    SetValueText(m_editedRow, value);
    m_editedRow = -1;
    editor->disconnect(this);
    editor->hide();
    editor->deleteLater();
}

void CListOptionsCtrl::MoveEdit(int step) {
    const int from = m_editedRow >= 0 ? m_editedRow : SelectedRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= RowCount()) {
        if (m_editor)
            m_editor->setFocus();
        return;
    }
    EditRow(to);
}

void CListOptionsCtrl::TabEdit(int step) {
    const int from = m_editedRow >= 0 ? m_editedRow : SelectedRow();
    const int to = from + step;
    if (from >= 0 && to >= 0 && to < RowCount()) {
        EditRow(to);
        return;
    }
    EndEdit();
    focusNextPrevChild(step > 0);
}

// Measured over every row: the view itself would measure only the rows it has laid out so far.
void CListOptionsCtrl::FitColumns() {
    int widest = fontMetrics().horizontalAdvance(headerItem()->text(0));
    for (int row = 0; row < RowCount(); ++row)
        widest = qMax(widest, fontMetrics().horizontalAdvance(LabelText(row)));
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 2;
    setColumnWidth(0, widest + padding + kColumnMargin);
}

void CListOptionsCtrl::OnEditorFocusLeft() {
    // The editor's own window menu (right-click) takes the focus only for a moment.
    if (m_editor && QApplication::focusWidget() != m_editor && !QApplication::activePopupWidget())
        EndEdit();
}

void CListOptionsCtrl::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!item) {
        setFocus();
        return;
    }
    EditRow(indexOfTopLevelItem(item));
}

void CListOptionsCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        MoveEdit(1);
        break;
    case Qt::Key_Up:
        MoveEdit(-1);
        break;
    case Qt::Key_Right:
        if (m_editor)
            m_editor->setFocus();
        else if (SelectedRow() >= 0)
            EditRow(SelectedRow());
        break;
    default:
        // Typed on a row without an editor, the key would otherwise only search the labels and be lost.
        if (!m_editor && RowCount() > 0 && TypesText(*event)) {
            EditRow(currentItem() ? indexOfTopLevelItem(currentItem()) : 0);
            if (m_editor)
                QCoreApplication::sendEvent(m_editor, event);
            return;
        }
        QTreeWidget::keyPressEvent(event);
        break;
    }
}

void CListOptionsCtrl::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    const bool tabbed = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (!tabbed || m_editor || RowCount() == 0)
        return;
    const int row = currentItem() ? indexOfTopLevelItem(currentItem())
                                  : (event->reason() == Qt::TabFocusReason ? 0 : RowCount() - 1);
    EditRow(row);
}

void CListOptionsCtrl::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    if (QApplication::focusWidget() != m_editor)
        EndEdit();
}

void CListOptionsCtrl::scrollContentsBy(int dx, int dy) {
    EndEdit();
    QTreeWidget::scrollContentsBy(dx, dy);
}

void CListOptionsCtrl::resizeEvent(QResizeEvent* event) {
    EndEdit();
    QTreeWidget::resizeEvent(event);
}
