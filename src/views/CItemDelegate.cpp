// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CItemDelegate.h"

#include <QApplication>
#include <QWidget>

QColor CItemDelegate::QuietHighlight(const QPalette& viewPalette) {
    // A quarter of the highlight over the base colour.
    const QColor highlight = viewPalette.color(QPalette::Active, QPalette::Highlight);
    const QColor base = viewPalette.color(QPalette::Active, QPalette::Base);
    auto mix = [](int h, int b) { return (h + 3 * b) / 4; };
    return QColor(mix(highlight.red(), base.red()), mix(highlight.green(), base.green()),
                  mix(highlight.blue(), base.blue()));
}

QRect CItemDelegate::LabelRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem itemOption = option;
    initStyleOption(&itemOption, index);
    const QWidget* widget = itemOption.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemText, &itemOption, widget);
}

void CItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->state.testFlag(QStyle::State_Selected)) {
        if (option->widget && !option->widget->hasFocus()) {
            option->palette.setColor(QPalette::Highlight, QuietHighlight(option->widget->palette()));
            option->palette.setColor(QPalette::HighlightedText, option->palette.color(QPalette::WindowText));
        }
    } else if (index.data(kIdRole).toInt() < 0) {
        option->palette.setColor(QPalette::Text, QColor(kProtectedColor));
    }
}
