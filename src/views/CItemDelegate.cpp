// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CItemDelegate.h"

#include <QApplication>
#include <QListView>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>

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

QSize CItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* list = qobject_cast<const QListView*>(option.widget);
    if (!list || list->viewMode() != QListView::IconMode || !list->gridSize().isValid())
        return QStyledItemDelegate::sizeHint(option, index);
    // Between the cells, so that neighbouring selections stay apart.
    constexpr int kGap = 4;
    // Around the icon and the caption, as the style lays them out.
    constexpr int kPadding = 8;
    const QSize cell = list->gridSize();
    const int height = option.decorationSize.height() + 2 * option.fontMetrics.lineSpacing() + kPadding;
    return QSize(cell.width() - kGap, std::min(height, cell.height() - kGap));
}

QString CItemDelegate::TwoLineCaption(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid())
        first.setLineWidth(width);
    layout.endLayout();
    const qsizetype rest = first.isValid() ? first.textStart() + first.textLength() : text.size();
    if (rest >= text.size())
        return text;
    return text.left(rest).trimmed() + QChar::LineSeparator +
           QFontMetrics(font).elidedText(text.mid(rest).trimmed(), Qt::ElideRight, width);
}

void CItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // Captions under icons start right below them, whether they take one line or two.
    if (option->decorationPosition == QStyleOptionViewItem::Top && option->rect.isValid()) {
        const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, option, option->widget) + 1;
        option->text = TwoLineCaption(option->text, option->font, option->rect.width() - 2 * margin);
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    }
    if (option->state.testFlag(QStyle::State_Selected)) {
        if (option->widget && !option->widget->hasFocus()) {
            option->palette.setColor(QPalette::Highlight, QuietHighlight(option->widget->palette()));
            option->palette.setColor(QPalette::HighlightedText, option->palette.color(QPalette::WindowText));
        }
    } else if (index.data(kIdRole).toInt() < 0) {
        option->palette.setColor(QPalette::Text, QColor(kProtectedColor));
    }
}
