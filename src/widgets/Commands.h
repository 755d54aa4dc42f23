// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop program's commands by id. Menus, the toolbar and the item menus share them, so a context menu hands
// back the id of the command chosen and the view that asked carries it out.
namespace Command {
constexpr int NewWallet = 57600;
constexpr int OpenWallet = 57601;
constexpr int Save = 57603;
constexpr int SaveAs = 57604;
constexpr int WalletProperties = 32780;
constexpr int RecentFile = 57616;
constexpr int Exit = 57665;
constexpr int Cut = 57635;
constexpr int Copy = 57634;
constexpr int Paste = 57637;
constexpr int Delete = 32797;
constexpr int NewCategory = 32783;
constexpr int NewCard = 32782;
constexpr int ItemProperties = 32784;
constexpr int Find = 57636;
constexpr int ShowMenuBar = 32771;
constexpr int ShowToolbar = 59392;
constexpr int ShowStatusBar = 59393;
constexpr int ShowSummary = 32774;
constexpr int ShowNotes = 32775;
constexpr int Zoom = 32788;
constexpr int ManageTemplates = 32778;
constexpr int ExportData = 32789;
constexpr int SyncManager = 32799;
constexpr int UsersGuide = 57666;
constexpr int WebPage = 32801;
constexpr int About = 57664;
constexpr int LockWallet = 32786;
constexpr int NotesCopy = 57643;
constexpr int NotesSelectAll = 57642;
constexpr int CopyUserName = 32810;
constexpr int CopyPassword = 32811;
constexpr int SearchCards = 32812;
} // namespace Command
