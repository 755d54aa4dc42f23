// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QPoint>

#include <functional>
#include <memory>

// Builds the item menu of a tree or list at the moment it is asked for, so that it reflects the current selection.
// Each command's QAction carries the command id (views/Commands.h) in its data().
using ItemMenuBuilder = std::function<std::unique_ptr<QMenu>()>;

// Runs the menu built by `builder` at `globalPos` until the user chooses or dismisses it. Returns the id of the
// command chosen, or 0 when none was (also without a builder, or when the builder gives no menu).
int RunItemMenu(const ItemMenuBuilder& builder, const QPoint& globalPos);
