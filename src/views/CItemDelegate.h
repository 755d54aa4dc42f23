// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Draws the items of the tree and of the summary's icon list. An item whose id (Qt::UserRole) is negative is a
// password-protected category while the wallet is locked: its text is red unless it is drawn selected. A selected
// item keeps the highlight colours only while its view has the keyboard focus; otherwise it shows in the window-text
// colour on a quieter background, so the selection stays visible without competing with the focused pane.
class CItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The record id of an item; negative for a protected category while the wallet is locked.
    static constexpr int kIdRole = Qt::UserRole;
    static constexpr QRgb kProtectedColor = qRgb(255, 0, 0);

    using QStyledItemDelegate::QStyledItemDelegate;

    // The background of a selection in a view without the keyboard focus.
    static QColor QuietHighlight(const QPalette& viewPalette);

    // Where the item's text lies within `option.rect` (the item's rectangle in the view).
    QRect LabelRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // In an icon grid every item fills its cell, less a small gap, with room for the icon and two lines of caption;
    // a caption longer than that is elided when painted.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // `text` as it fits two lines of `width` pixels: broken at a word where it can be, and the second line ending in
    // an ellipsis when the text goes on.
    static QString TwoLineCaption(const QString& text, const QFont& font, int width);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
