// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/StringTable.h"

#include <algorithm>
#include <tuple>

namespace {

struct Entry {
    int id;
    QStringView text;
};

// Ascending ids, each once; the static_assert below keeps it so, since lookups are binary searches.
constexpr Entry kStrings[] = {
    {kStrDocumentTemplate, u"Korvel\n\nWallet\nKorvel Files (*.kvx)\n.kvx\nKorvel.Document\nKorvel Files"},
    {kStrConfirmDeleteCard, u"Are you sure that you want to permanently delete the selected card?"},
    {kStrStatusCounts, u"%d categories, %d cards"},
    {32771, u"&Menu Bar"},
    {32774, u"Card S&ummary"},
    {32775, u"&Notes"},
    {32778, u"\nManage Templates"},
    {32780, u"\nWallet Properties"},
    {32782, u"\nNew Card"},
    {32783, u"\nNew Category"},
    {32784, u"&Properties"},
    {32786, u"\nLock Wallet"},
    {32788, u"&Zoom...\tF10"},
    {32789, u"E&xport Data..."},
    {32797, u"\nDelete"},
    {32799, u"Microsoft &ActiveSync..."},
    {32801, u"Korvel on the &Web"},
    {kStrAppTitle, u"Korvel"},
    {57600, u"Create a new wallet\nNew Wallet"},
    {57601, u"\nOpen Wallet"},
    {57603, u"\nSave"},
    {57604, u"Save &As..."},
    {57616, u"Recent File"},
    {57634, u"\nCopy"},
    {57635, u"\nCut"},
    {57636, u"\nFind"},
    {57637, u"\nPaste"},
    {57642, u"Select &All"},
    {57643, u"&Copy"},
    {57664, u"&About Korvel..."},
    {57665, u"E&xit"},
    {57666, u"User's Guide"},
    {59392, u"&Toolbar"},
    {59393, u"&Status Bar"},
    {kStrNewWallet, u"NewWallet"},
    {kStrCard, u"Card"},
    {kStrSaveNewWallet, u"Do you want to save the changes to the new wallet?"},
    {kStrImageFilter, u"Image Files (.bmp;.jpg;.jpeg;.gif;.png)|*.bmp;*.jpg;*.jpeg;*.gif;*.png|"},
    {kStrSoundFilter, u"Sounds (*.wav)|*.wav|"},
    {kStrAllFilesFilter, u"All Files (*.*)|*.*|"},
    {kStrDescription, u"Description"},
    {kStrCompacted, u"The wallet was successfully compacted, and any unused memory has been reclaimed."},
    {kStrUnlockPrompt, u"Enter the password to unlock this wallet (%s):"},
    {kStrNewPasswordPrompt, u"Please enter a new password below:"},
    {kStrVerifyPassword, u"To verify your new password, please enter it again."},
    {kStrPasswordMismatch,
     u"The password was not changed because you did not enter the same password twice. Try again?"},
    {kStrPasswordChanged, u"Password changed successfully!"},
    {kStrOfferPassword, u"A new wallet has been created.\n\nDo you want to create a password for this wallet?"},
    {kStrConfirmDeleteCategory, u"Deleting this category will also delete all the cards it contains. Are you sure?"},
    {kStrCopyOf, u"Copy of "},
    {kStrLongDateExample, u"&Long (e.g: %s)"},
    {kStrShortDateExample, u"&Short (e.g: %s)"},
    {kStrTemplateExported, u"This template has been successfully exported. Share it with other Korvel users by "
                           u"submitting it to the online Template Gallery."},
    {kStrOpenError, u"There was an error opening the selected file. Please try again."},
    {kStrNotes, u"Notes"},
    {kStrField, u"Field"},
    {kStrValue, u"Value"},
    {kStrWrongPassword, u"The password you typed is incorrect. Please retype your password."},
    {kStrPasswordTooShort, u"Please enter a valid 4-digit password."},
    {kStrIncompatibleFile, u"\"%s\" is incompatible with this version of Korvel."},
    {kStrBusiness, u"Business"},
    {kStrPersonal, u"Personal"},
    {kStrLocked, u"Locked"},
    {kStrUnlocked, u"Unlocked"},
    {kStrWalletFilter, u"Korvel Files (*.kvx)|*.kvx|"},
    {kStrCardsCaption, u"Cards: %s"},
    {kStrCategoriesCaption, u"Categories"},
    {kStrCardSummaryCaption, u"Card Summary"},
    {kStrNoCards, u"This category contains no cards"},
    {kFieldTypeNameFirst + 0, u"<Default>"},
    {kFieldTypeNameFirst + 1, u"ALL UPPER CASE"},
    {kFieldTypeNameFirst + 2, u"Proper Case"},
    {kFieldTypeNameFirst + 3, u"Password/PIN"},
    {kFieldTypeNameFirst + 4, u"Web Address"},
    {kFieldTypeNameFirst + 5, u"E-mail Address"},
    {kFieldTypeNameFirst + 6, u"Phone Number"},
    {kFieldTypeNameFirst + 7, u"Money/Currency"},
    {kFieldTypeUnknownName, u"Unknown"},
    {kStrTemplateFilter, u"Korvel Templates|*.kvt|"},
    {kStrTemplateExists, u"\"%s\" already exists in your wallet. It will not be imported."},
    {kStrSaveBeforeAttaching, u"Before attaching files, your wallet must be saved. Would you like to save your wallet now?"},
    {kStrAttached, u"\"%s\" has been attached to this wallet. \n\nThe original file may be deleted if you wish."},
    {kStrSaveFailed, u"The wallet could not be saved to \"%s\". The file on disk has not been changed.\n\n%s"},
    {kStrReadFailed, u"The file \"%s\" could not be read.\n\n%s"},
    {kStrCompactFailed, u"The wallet could not be compacted. The file on disk has not been changed.\n\n%s"},
    {kStrChangedElsewhere, u"Another program has changed \"%s\" since Korvel read it. Saving now would overwrite those changes, so the file has been left as it is."},
    {kStrAttachmentsLeftOut, u"These attached files could not be read from the wallet file and have been left out of it:\n\n%s\nThe wallet file as it was before this save has been kept as \"%s\"."},
    {kStrAttachmentOfCard, u"\"%s\" of the card \"%s\"\n"},
    {kStrNoDataToExport, u"You have no data to export. Please create some cards and try again."},
    {kStrExported, u"The wallet was successfully exported to \"%s\"."},
    {kStrCategory, u"Category"},
    {kStrXmlDeclaration, u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>"},
    {kStrEnterCardDescription, u"Please enter a description for this card."},
    {kStrAttachmentSaved,
     u"The attachment has been saved to \"%s\". \n\nIt can be opened with an appropriate application."},
    {kStrNoneSelected, u"<None Selected>"},
    {kStrInsertAttachment, u"Insert..."},
    {kStrRemoveAttachment, u"Remove..."},
    {kStrPleaseSelect, u"   -- Please Select --"},
};

static_assert(std::ranges::adjacent_find(kStrings, [](const Entry& a, const Entry& b) { return a.id >= b.id; }) ==
                  std::ranges::end(kStrings),
              "string ids must be ascending and unique");

struct MenuEntry {
    int menu;
    int command;
    QStringView text;
};

constexpr auto MenuKey(const MenuEntry& entry) {
    return std::tuple(entry.menu, entry.command);
}

// Ascending by menu, then command. The right-click menus hold both the item menu and the notes pane's menu; their
// command ids do not overlap.
constexpr MenuEntry kMenuItems[] = {
    {kMenuMain, 32771, u"&Menu Bar"},
    {kMenuMain, 32774, u"Card S&ummary"},
    {kMenuMain, 32775, u"&Notes"},
    {kMenuMain, 32778, u"Manage &Templates"},
    {kMenuMain, 32780, u"P&roperties"},
    {kMenuMain, 32782, u"New Ca&rd\tCtrl+R"},
    {kMenuMain, 32783, u"New Categ&ory\tCtrl+T"},
    {kMenuMain, 32788, u"&Zoom...\tF10"},
    {kMenuMain, 32789, u"E&xport Data..."},
    {kMenuMain, 32797, u"&Delete\tDel"},
    {kMenuMain, 32799, u"Microsoft &ActiveSync..."},
    {kMenuMain, 32801, u"Korvel on the &Web"},
    {kMenuMain, 57600, u"&New Wallet\tCtrl+N"},
    {kMenuMain, 57601, u"&Open Wallet...\tCtrl+O"},
    {kMenuMain, 57603, u"&Save\tCtrl+S"},
    {kMenuMain, 57604, u"Save &As..."},
    {kMenuMain, 57616, u"Recent File"},
    {kMenuMain, 57634, u"&Copy\tCtrl+C"},
    {kMenuMain, 57635, u"Cu&t\tCtrl+X"},
    {kMenuMain, 57636, u"&Find...\tCtrl+F"},
    {kMenuMain, 57637, u"&Paste\tCtrl+V"},
    {kMenuMain, 57664, u"&About Korvel..."},
    {kMenuMain, 57665, u"E&xit"},
    {kMenuMain, 57666, u"User's Guide"},
    {kMenuMain, 59392, u"&Toolbar"},
    {kMenuMain, 59393, u"&Status Bar"},
    {kMenuContext, 32782, u"New Car&d"},
    {kMenuContext, 32783, u"&New Category"},
    {kMenuContext, 32784, u"&Properties"},
    {kMenuContext, 32797, u"&Delete"},
    {kMenuContext, 57634, u"&Copy"},
    {kMenuContext, 57635, u"Cu&t"},
    {kMenuContext, 57637, u"&Paste"},
    {kMenuContext, 57642, u"Select &All"},
    {kMenuContext, 57643, u"&Copy"},
};

static_assert(std::ranges::adjacent_find(kMenuItems, [](const MenuEntry& a,
                                                        const MenuEntry& b) { return MenuKey(a) >= MenuKey(b); }) ==
                  std::ranges::end(kMenuItems),
              "menu items must be ascending by menu and command, each once");

} // namespace

QString StringTable::Text(int id) {
    const auto* found = std::ranges::lower_bound(kStrings, id, {}, &Entry::id);
    if (found == std::ranges::end(kStrings) || found->id != id)
        return {};
    return found->text.toString();
}

QString StringTable::MenuText(int menuId, int commandId) {
    const auto key = std::tuple(menuId, commandId);
    const auto* found = std::ranges::lower_bound(kMenuItems, key, {}, MenuKey);
    if (found == std::ranges::end(kMenuItems) || MenuKey(*found) != key)
        return {};
    return found->text.toString();
}

QList<int> StringTable::Ids() {
    QList<int> ids;
    ids.reserve(std::size(kStrings));
    for (const Entry& entry : kStrings)
        ids.append(entry.id);
    return ids;
}
