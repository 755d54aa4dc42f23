// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// Ids of the program's strings that the core asks for by name.
constexpr int kStrDocumentTemplate = 128;
constexpr int kStrConfirmDeleteCard = 129;
constexpr int kStrStatusCounts = 131;
constexpr int kStrAppTitle = 57344;
constexpr int kStrNewWallet = 65008;
constexpr int kStrCard = 65010;
constexpr int kStrSaveNewWallet = 65016;
constexpr int kStrImageFilter = 65027;
constexpr int kStrSoundFilter = 65028;
constexpr int kStrAllFilesFilter = 65029;
constexpr int kStrDescription = 65031;
constexpr int kStrCompacted = 65032;
constexpr int kStrUnlockPrompt = 65034;
constexpr int kStrNewPasswordPrompt = 65036;
constexpr int kStrVerifyPassword = 65037;
constexpr int kStrPasswordMismatch = 65038;
constexpr int kStrPasswordChanged = 65039;
constexpr int kStrOfferPassword = 65040;
constexpr int kStrConfirmDeleteCategory = 65047;
constexpr int kStrCopyOf = 65051;
constexpr int kStrLongDateExample = 65052;
constexpr int kStrShortDateExample = 65053;
constexpr int kStrTemplateExported = 65055;
constexpr int kStrOpenError = 65056;
constexpr int kStrNotes = 65062;
constexpr int kStrField = 65063;
constexpr int kStrValue = 65064;
constexpr int kStrWrongPassword = 65065;
constexpr int kStrPasswordTooShort = 65066;
constexpr int kStrIncompatibleFile = 65068;
constexpr int kStrBusiness = 65069;
constexpr int kStrPersonal = 65070;
constexpr int kStrLocked = 65073;
constexpr int kStrUnlocked = 65074;
// The maker's web page; the program has none of its own, so the table holds no text for it.
constexpr int kStrWebAddress = 65081;
constexpr int kStrWalletFilter = 65100;
constexpr int kStrCardsCaption = 65102;
constexpr int kStrCategoriesCaption = 65103;
constexpr int kStrCardSummaryCaption = 65104;
constexpr int kStrNoCards = 65105;

// Display names of the field types: kFieldTypeNameFirst + code for the codes 0 to 7, and one name for any other code.
constexpr int kFieldTypeNameFirst = 65200;
constexpr int kFieldTypeUnknownName = 65208;

// Texts of the wallet's file, attachment and template operations.
constexpr int kStrTemplateFilter = 65300;
constexpr int kStrTemplateExists = 65301;
constexpr int kStrSaveBeforeAttaching = 65302;
constexpr int kStrAttached = 65303;
constexpr int kStrSaveFailed = 65304;
constexpr int kStrReadFailed = 65305;
constexpr int kStrCompactFailed = 65306;
constexpr int kStrChangedElsewhere = 65307;
constexpr int kStrAttachmentsLeftOut = 65308;
constexpr int kStrAttachmentOfCard = 65309;

// Texts of the export of cards to text and XML files.
constexpr int kStrNoDataToExport = 65400;
constexpr int kStrExported = 65401;
constexpr int kStrCategory = 65402;
constexpr int kStrXmlDeclaration = 65403;

// Texts of the card sheet and the category dialog.
constexpr int kStrEnterCardDescription = 65500;
constexpr int kStrAttachmentSaved = 65501;
constexpr int kStrNoneSelected = 65502;
constexpr int kStrInsertAttachment = 65503;
constexpr int kStrRemoveAttachment = 65504;
constexpr int kStrPleaseSelect = 65505;

// Menu resources whose item texts MenuText() gives: the main menu and the right-click menus.
constexpr int kMenuMain = 128;
constexpr int kMenuContext = 138;

// The program's own texts, looked up by id. A command id maps to its command string, "status prompt\ntooltip" where
// the command has a toolbar button; the texts of the menu items are a separate table because the same command shows
// different texts in different menus.
class StringTable {
public:
    static QString Text(int id);
    static QString MenuText(int menuId, int commandId);

    // Every id that Text() knows, ascending.
    static QList<int> Ids();
};
