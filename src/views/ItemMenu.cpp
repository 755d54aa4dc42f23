// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ItemMenu.h"

int RunItemMenu(const ItemMenuBuilder& builder, const QPoint& globalPos) {
    if (!builder)
        return 0;
    const std::unique_ptr<QMenu> menu = builder();
    if (!menu)
        return 0;
    const QAction* chosen = menu->exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}
