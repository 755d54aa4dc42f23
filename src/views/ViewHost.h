// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

class CViewCategoriesCards;
class CViewSummary;
class QFont;
class QMenu;

// What the tree and the summary need of the window that holds them: its display settings, its commands, the
// category the user works in, and each other. The main window is the one host; the views never reach it otherwise.
class ViewHost {
public:
    // Item menu kinds for BuildContextMenu.
    static constexpr int kSummaryMenu = 0;
    static constexpr int kTreeMenu = 1;
    // Kinds of AddItem.
    static constexpr int kAddCard = 3001;
    static constexpr int kAddCategory = 3002;

    ViewHost() = default;
    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;
    virtual ~ViewHost() = default;

    virtual const QFont& DisplayFont() const = 0;
    // Item icons: 32 pixels with zoom on, else 16.
    virtual int ItemIconSize() const = 0;
    // The item menu for the tree or the summary's icon list; its actions carry their command ids as data.
    virtual std::unique_ptr<QMenu> BuildContextMenu(int kind) = 0;
    // Carries out a command of the window's menus, as if the user chose it.
    virtual void RunCommand(int command) = 0;
    // Brings the command states up to date after the selection changed.
    virtual void UpdateCommands() = 0;
    virtual qint32 CurrentCategoryId() const = 0;
    virtual void SetCurrentCategoryId(qint32 id) = 0;
    virtual void SetNotesText(const QString& text) = 0;
    // Copies a value of a card to the clipboard as a secret and tells the user what went there (`what`: the field's
    // name).
    virtual void CopySecret(const QString& value, const QString& what) = 0;
    // Makes a card in the current category (kAddCard) or a category (kAddCategory).
    virtual void AddItem(int kind) = 0;
    virtual CViewCategoriesCards& Tree() = 0;
    virtual CViewSummary& Summary() = 0;
};
