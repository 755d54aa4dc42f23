// SPDX-License-Identifier: GPL-3.0-or-later
// Making and editing cards and categories through the real dialogs of the desktop program: the card sheet and its
// pages, the property list, the category dialog and the two pickers, on the offscreen platform with scripted answers.
// Modal dialogs are driven by a ModalDriver that acts on each dialog as it opens and rejects any it did not expect.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "Mnemonics.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "base/Utilities.h"
#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgCardTab1.h"
#include "dialogs/CDlgCardTab2.h"
#include "dialogs/CDlgCardTab3.h"
#include "dialogs/CDlgCategory.h"
#include "dialogs/CDlgExpandedEditor.h"
#include "dialogs/CDlgNotes.h"
#include "dialogs/CDlgSelectIcon.h"
#include "dialogs/CDlgSelectTemplate.h"
#include "dialogs/CListOptionsCtrl.h"
#include "dialogs/CListOptionsEdit.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/CColorButton.h"
#include "widgets/CDlgDatePicker.h"
#include "widgets/CLinkLabel.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
// Money rows need a currency sign, which the C locale of build machines has none of. The system locale is read as
// the application starts, so the setting is made before main.
[[maybe_unused]] const bool kCurrencyLocale = qputenv("LC_MONETARY", "en_US.UTF-8");

const QString kAttached = QStringLiteral("has been attached");

// Stands in for the desktop's file opener.
class Opener : public QObject {
    Q_OBJECT

public:
    Opener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~Opener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened.append(url); }
};

struct Program : GuiProgram {
    CTreeModel& Model() { return Frame().Tree().Model(); }
    QModelIndex Category(const QString& name) {
        const QModelIndex root = Model().RootIndex();
        for (int row = 0; row < Model().rowCount(root); ++row) {
            if (Model().index(row, 0, root).data().toString() == name)
                return Model().index(row, 0, root);
        }
        return {};
    }
    CCategory* CategoryNamed(const QString& name) {
        for (CCategory* category : Wallet().Categories()) {
            if (category->description == name)
                return category;
        }
        return nullptr;
    }
    CCardTemplate* TemplateNamed(const QString& name) {
        for (CCardTemplate* cardTemplate : Wallet().Templates()) {
            if (cardTemplate->description == name)
                return cardTemplate;
        }
        return nullptr;
    }
    // A template of five named fields spread over the slots, one of each kind the editor treats apart.
    CCardTemplate& FiveFields() {
        auto made = std::make_unique<CCardTemplate>(Wallet().NextId() + 500);
        made->description = QStringLiteral("Five");
        made->internalName = QStringLiteral("five");
        const std::pair<int, FieldType> fields[] = {{0, FieldTypes::Default},
                                                    {2, FieldTypes::UpperCase},
                                                    {3, FieldTypes::WebAddress},
                                                    {7, FieldTypes::Money},
                                                    {14, FieldTypes::ProperCase}};
        for (const auto& [slot, type] : fields) {
            made->fields[slot].name = QStringLiteral("F%1").arg(slot);
            made->fields[slot].type = type;
        }
        CCardTemplate& kept = *made;
        Wallet().AddTemplate(std::move(made));
        return kept;
    }
    CCard& AddCard(const QString& templateName, const QString& description = QStringLiteral("Card")) {
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = description;
        card->templateName = templateName;
        card->categoryId = (*Wallet().Categories().begin())->id;
        CCard& kept = *card;
        Wallet().AddCard(std::move(card));
        return kept;
    }
    bool SaveAs(const QString& name) {
        prompts.SaveFile(folder.filePath(name));
        return Wallet().OnFileSaveAs();
    }
};

QString Faults(const Program& p, const ModalDriver& driver) {
    return (p.prompts.Faults() + driver.Faults()).join(u'\n');
}

// Copies of a card's edited items, for comparing before and after a sheet.
QStringList Snapshot(const CCard& card) {
    QStringList items = {card.description,
                         card.notes,
                         card.templateName,
                         QString::number(card.iconId),
                         QString::number(card.textColor),
                         QString::number(card.backColor),
                         QString::number(card.hidePasswords),
                         QString::number(card.boldNames)};
    for (QStringView value : card.values)
        items.append(value.toString());
    for (const CAttachment* slot : {&card.image(), &card.sound(), &card.document()})
        items << slot->streamName << slot->description;
    return items;
}

void Type(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
}

void ClickRow(CListOptionsCtrl& list, int row) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.topLevelItem(row)).center());
}
} // namespace

class TestGuiCardEditing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }
    void cleanup() { CAttachment::RemoveOpenedCopies(); }

    void newCardOffersTheCategoryDefaultAndCancelShowsNoSheet() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCategory* business = p.CategoryNamed(QStringLiteral("Business"));
        const CCardTemplate* credit = p.TemplateNamed(QStringLiteral("Finance: Credit Card"));
        business->defaultTemplate = credit->internalName;
        QString preselected;
        driver.Then<CDlgSelectTemplate>([&](CDlgSelectTemplate& picker) {
            preselected = picker.List().currentItem()->text(0);
            picker.reject();
        });
        p.Frame().Tree().TreeCtrl().setCurrentIndex(p.Category(QStringLiteral("Business")));
        QVERIFY(p.Frame().Action(Command::NewCard)->isEnabled());
        p.Frame().Action(Command::NewCard)->trigger();
        QCOMPARE(preselected, credit->description);
        QCOMPARE(p.Wallet().Cards().Count(), 0);
        QVERIFY(!p.Wallet().IsModified());
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void detailsRowsFollowTheNamedFieldsAndLeaveTheRestEmpty() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        for (int value = 0; value < CCard::kValueCount; ++value)
            card.values.Set(size_t(value), QStringLiteral("v%1").arg(value));
        QStringList labels;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            for (int row = 0; row < list.RowCount(); ++row)
                labels.append(list.LabelText(row) + u'=' + list.ValueText(row));
            QVERIFY(list.columnWidth(0) >= list.fontMetrics().horizontalAdvance(QStringLiteral("F14:")));
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(labels, (QStringList{"F0:=v0", "F2:=v2", "F3:=v3", "F7:=v7", "F14:=v14"}));
        for (int value = 0; value < CCard::kValueCount; ++value) {
            const bool named = QList<int>{0, 2, 3, 7, 14}.contains(value);
            QCOMPARE(card.values[size_t(value)], named ? QStringLiteral("v%1").arg(value) : QString());
        }
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void okWithoutChangeReportsOnlyANewBinding() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        const CCardTemplate* credit = p.TemplateNamed(QStringLiteral("Finance: Credit Card"));
        CCard& bound = p.AddCard(credit->internalName);
        CCard& unbound = p.AddCard(QString(), QStringLiteral("Loose"));
        unbound.values.Set(0, QStringLiteral("kept"));
        driver.Then<CDlgCard>([](CDlgCard& sheet) { sheet.accept(); });
        QCOMPARE(bound.Edit(), 0);
        driver.Then<CDlgSelectTemplate>([&](CDlgSelectTemplate& picker) {
            picker.List().setCurrentItem(picker.List().findItems(credit->description, Qt::MatchExactly).first());
            picker.accept();
        });
        driver.Then<CDlgCard>([](CDlgCard& sheet) { sheet.accept(); });
        QCOMPARE(unbound.Edit(), 1);
        QCOMPARE(unbound.templateName, credit->internalName);
        QCOMPARE(unbound.iconId, credit->iconId);
        QCOMPARE(unbound.values[0], QStringLiteral("kept"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void cardWithoutItsTemplateKeepsItsValues() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(QStringLiteral("gone"));
        card.values.Set(3, QStringLiteral("three"));
        int rows = -1;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            rows = sheet.Details().List().RowCount();
            sheet.Details().DescriptionEdit().setText(QStringLiteral("Renamed"));
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(rows, 0);
        QCOMPARE(card.values[3], QStringLiteral("three"));
        QCOMPARE(card.description, QStringLiteral("Renamed"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void cancelLeavesTheCardAsItWas() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        card.iconId = 534;
        const QStringList before = Snapshot(card);
        bool iconPreselected = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(1);
            driver.Then<CDlgSelectIcon>([&](CDlgSelectIcon& picker) {
                QListWidgetItem* current = picker.List().currentItem();
                iconPreselected = current && current->isSelected() && current->data(Qt::UserRole).toInt() == 534 &&
                                  picker.List().viewport()->rect().intersects(picker.List().visualItemRect(current));
                picker.List().setCurrentRow(3);
                picker.accept();
            });
            sheet.Settings().findChild<QPushButton*>(QStringLiteral("icon"))->click();
            sheet.Settings().TextColorButton().SetColor(Qt::red);
            sheet.Settings().BackColorButton().SetColor(Qt::yellow);
            sheet.Settings().findChild<QCheckBox*>(QStringLiteral("hidePasswords"))->toggle();
            sheet.Tabs().setCurrentIndex(3);
            Type(&sheet.Notes().Edit(), QStringLiteral("more notes"));
            sheet.reject();
        });
        QCOMPARE(card.Edit(), 0);
        QVERIFY(iconPreselected);
        QCOMPARE(Snapshot(card), before);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void settingsAndNotesAreTakenOnOk() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            QCOMPARE(sheet.Settings().TextColorButton().DefaultColor(), sheet.palette().color(QPalette::WindowText));
            sheet.Settings().TextColorButton().SetColor(QColor(0x11, 0x22, 0x33));
            sheet.Settings().findChild<QCheckBox*>(QStringLiteral("boldNames"))->setChecked(true);
            sheet.Tabs().setCurrentIndex(3);
            sheet.Notes().Edit().setPlainText(QStringLiteral("line 1\nline 2"));
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(card.textColor, 0x332211u);
        QCOMPARE(card.boldNames, 1);
        QCOMPARE(card.notes, QStringLiteral("line 1\nline 2"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void emptyDescriptionKeepsTheSheetOpen() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        bool stayed = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Details().DescriptionEdit().clear();
            sheet.Tabs().setCurrentIndex(2);
            sheet.accept();
            stayed = sheet.isVisible() && sheet.Tabs().currentIndex() == 0;
            sheet.reject();
        });
        p.prompts.Message(QStringLiteral("Please enter a description for this card."), Prompts::Answer::Ok);
        p.prompts.Message(QStringLiteral("Please enter a description for this card."), Prompts::Answer::Ok);
        QCOMPARE(card.Edit(), 0);
        QVERIFY(stayed);
        QCOMPARE(card.description, QStringLiteral("Card"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void keysMoveEditingBetweenRows() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        QList<int> visited;
        QStringList leftTo;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            ClickRow(list, 0);
            visited.append(list.EditedRow());
            Type(list.Editor(), QStringLiteral("first"));
            QTest::keyClick(list.Editor(), Qt::Key_Tab);
            visited.append(list.EditedRow());
            Type(list.Editor(), QStringLiteral("abc"));
            QTest::keyClick(list.Editor(), Qt::Key_Return);
            visited.append(list.EditedRow());
            QTest::keyClick(list.Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
            visited.append(list.EditedRow());
            list.EditRow(4);
            QTest::keyClick(list.Editor(), Qt::Key_Return);
            visited.append(list.EditedRow());
            QTest::keyClick(&list, Qt::Key_Down);
            visited.append(list.EditedRow());
            QTest::keyClick(&list, Qt::Key_Up);
            visited.append(list.EditedRow());
            // Tab goes on beyond the last row, and Shift+Tab beyond the first, to the neighbouring controls.
            list.EditRow(4);
            QTest::keyClick(list.Editor(), Qt::Key_Tab);
            visited.append(list.EditedRow());
            leftTo.append(QApplication::focusWidget()->objectName());
            list.EditRow(0);
            QTest::keyClick(list.Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
            visited.append(list.EditedRow());
            leftTo.append(QApplication::focusWidget()->objectName());
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(visited, (QList<int>{0, 1, 2, 1, 4, 4, 3, -1, -1}));
        QCOMPARE(leftTo, (QStringList{"insertDate", "description"}));
        QCOMPARE(card.values[0], QStringLiteral("first"));
        QCOMPARE(card.values[2], QStringLiteral("ABC"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // Keys go where the focus is, as a user's would: Tab from the description, letters and a space on a row that is
    // only selected, Tab out of the last row and Shift+Tab back in.
    void typingOnTheListIsNeverLost() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        card.values.Set(14, QStringLiteral("Kept"));
        const auto typeHere = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
        const auto keyHere = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        QList<int> edited;
        bool sheetStayed = false;
        QString focusAfterLastRow;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            sheet.Details().DescriptionEdit().setFocus();
            typeHere(QStringLiteral("visa"));
            keyHere(Qt::Key_Tab);
            edited.append(QApplication::focusWidget() == list.Editor() ? list.EditedRow() : -1);
            typeHere(QStringLiteral("4111 1111"));
            sheetStayed = sheet.isVisible();

            // Another row selected while the list has the focus and no editor.
            list.EndEdit();
            list.setFocus();
            list.setCurrentItem(list.topLevelItem(1));
            QTest::keyClick(&list, Qt::Key_X);
            edited.append(QApplication::focusWidget() == list.Editor() ? list.EditedRow() : -1);
            typeHere(QStringLiteral("yz"));
            list.EndEdit();
            list.setFocus();
            list.setCurrentItem(list.topLevelItem(4));
            QTest::keyClick(&list, Qt::Key_Space);
            typeHere(QStringLiteral("more"));
            sheetStayed = sheetStayed && sheet.isVisible();

            keyHere(Qt::Key_Tab);
            focusAfterLastRow = QApplication::focusWidget()->objectName();
            keyHere(Qt::Key_Backtab, Qt::ShiftModifier);
            edited.append(QApplication::focusWidget() == list.Editor() ? list.EditedRow() : -1);
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QVERIFY(sheetStayed);
        QCOMPARE(edited, (QList<int>{0, 1, 4}));
        QCOMPARE(focusAfterLastRow, QStringLiteral("insertDate"));
        QCOMPARE(card.description, QStringLiteral("Visa"));
        QCOMPARE(card.values[0], QStringLiteral("4111 1111"));
        QCOMPARE(card.values[2], QStringLiteral("XYZ"));
        QCOMPARE(card.values[14], QStringLiteral("Kept More"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // A filled-in prefix is selected: what is typed replaces it, and a scheme typed after it is not kept twice.
    void prefixesAreFilledInSelectedAndDroppedWhenUntouched_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("afterPrefix");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("stored");
        const QString currency = CurrencyPrefix();
        QTest::newRow("web untouched") << 2 << false << QString() << "http://" << QString();
        QTest::newRow("web typed") << 2 << false << "a.org"
                                   << "http://"
                                   << "a.org";
        QTest::newRow("web typed with scheme") << 2 << false << "https://bank.example.com"
                                               << "http://"
                                               << "https://bank.example.com";
        QTest::newRow("web after prefix") << 2 << true << "a.org"
                                          << "http://"
                                          << "http://a.org";
        QTest::newRow("web scheme after prefix") << 2 << true << "https://bank.example.com"
                                                 << "http://"
                                                 << "https://bank.example.com";
        QTest::newRow("web port after prefix") << 2 << true << "host:8080/x"
                                               << "http://"
                                               << "http://host:8080/x";
        QTest::newRow("money untouched") << 3 << false << QString() << currency << QString();
        QTest::newRow("money typed with sign") << 3 << false << currency + "12" << currency << currency + "12";
        QTest::newRow("money after prefix") << 3 << true << "12" << currency << currency + "12";
        QTest::newRow("plain has none") << 0 << false << QString() << QString() << QString();
    }
    void prefixesAreFilledInSelectedAndDroppedWhenUntouched() {
        QFETCH(int, row);
        QFETCH(bool, afterPrefix);
        QFETCH(QString, typed);
        QFETCH(QString, prefix);
        QFETCH(QString, stored);
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        QString shown;
        QString selected;
        int caret = -1;
        QString afterLeaving;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            ClickRow(list, row);
            shown = list.Editor()->text();
            selected = list.Editor()->selectedText();
            caret = list.Editor()->cursorPosition();
            if (afterPrefix)
                QTest::keyClick(list.Editor(), Qt::Key_End);
            Type(list.Editor(), typed);
            sheet.Details().DescriptionEdit().setFocus();
            afterLeaving = list.ValueText(row);
            ClickRow(list, row);
            sheet.accept();
        });
        card.Edit();
        QCOMPARE(shown, prefix);
        QCOMPARE(selected, prefix);
        QCOMPARE(caret, prefix.size());
        QCOMPARE(afterLeaving, stored);
        const int positions[] = {0, 2, 3, 7, 14};
        QCOMPARE(card.values[size_t(positions[row])], stored);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void editingIsEndedByScrollingAndResizing() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        bool endedByResize = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            list.setFixedHeight(list.header()->height() + 3 * list.visualItemRect(list.topLevelItem(0)).height());
            QCoreApplication::processEvents();
            ClickRow(list, 0);
            Type(list.Editor(), QStringLiteral("scrolled"));
            list.verticalScrollBar()->setValue(1);
            QCoreApplication::processEvents();
            list.verticalScrollBar()->setValue(0);
            ClickRow(list, 1);
            Type(list.Editor(), QStringLiteral("resized"));
            list.resize(list.width() + 20, list.height());
            endedByResize = list.Editor() == nullptr;
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, list.viewport()->height() - 2));
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(card.values[0], QStringLiteral("scrolled"));
        QCOMPARE(card.values[2], QStringLiteral("RESIZED"));
        QVERIFY(endedByResize);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void insertDateAndTimeWorkOnTheSelectedRow() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        QDate picked;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CDlgCardTab1& details = sheet.Details();
            details.InsertDate();
            details.InsertTime();
            details.ExpandField();
            ClickRow(details.List(), 0);
            driver.Then<CDlgDatePicker>([&](CDlgDatePicker& picker) {
                picker.findChild<QWidget*>(QStringLiteral("longFormat"))->setProperty("checked", true);
                picked = picker.findChild<QCalendarWidget*>()->selectedDate();
                picker.accept();
            });
            details.InsertDate();
            ClickRow(details.List(), 4);
            details.InsertTime();
            ClickRow(details.List(), 1);
            driver.Then<CDlgExpandedEditor>([](CDlgExpandedEditor& editor) {
                editor.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("two\nlines"));
                editor.accept();
            });
            details.ExpandField();
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(card.values[0], DateText(QDateTime(picked, QTime(0, 0)), true));
        QCOMPARE(QSettings().value(QStringLiteral("Settings/LongDateFmt")).toInt(), 1);
        QVERIFY(!card.values[14].isEmpty());
        QCOMPARE(card.values[2], QStringLiteral("two\nlines"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // The sheet names its card; an attached file is named to a screen reader, reached with Tab and opened with Enter
    // or Space.
    void sheetAndAttachmentsAreNamedAndWorkByKeyboard() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        Opener opener;
        const QString five = p.FiveFields().internalName;
        CCard& card = p.AddCard(five, QStringLiteral("Passport"));
        QVERIFY(p.SaveAs(QStringLiteral("wallet.kvx")));
        p.prompts.OpenFile(WriteFileBytes(p.folder.filePath(QStringLiteral("scan.png")), "png"));
        QStringList titles;
        QStringList names;
        QString reachedBack;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            titles.append(sheet.windowTitle());
            sheet.Details().DescriptionEdit().setText(QStringLiteral("Old passport"));
            titles.append(sheet.windowTitle());
            sheet.Tabs().setCurrentIndex(2);
            CDlgCardTab3& attachments = sheet.Attachments();
            names << attachments.Label(0).accessibleName() << attachments.Button(0).accessibleName();
            attachments.Button(0).click();
            names << attachments.Label(0).accessibleName() << attachments.Button(0).accessibleName()
                  << attachments.Button(1).accessibleName();
            attachments.Button(0).setFocus();
            QTest::keyClick(&attachments.Button(0), Qt::Key_Backtab, Qt::ShiftModifier);
            QWidget* reached = QApplication::focusWidget();
            reachedBack = reached ? reached->objectName() : QString();
            if (reached == &attachments.Label(0)) {
                QTest::keyClick(reached, Qt::Key_Return);
                QTest::keyClick(reached, Qt::Key_Space);
            }
            sheet.Tabs().setCurrentIndex(0);
            sheet.reject();
        });
        card.Edit();
        QCOMPARE(titles, (QStringList{"Passport - Korvel", "Old passport - Korvel"}));
        QCOMPARE(names, (QStringList{"No image file", "Insert image file", "Open image file scan.png",
                                     "Remove image file scan.png", "Insert sound file"}));
        QCOMPARE(reachedBack, QStringLiteral("attachLabel1"));
        QCOMPARE(opener.opened.size(), 2);
        QCOMPARE(opener.opened.first().fileName(), QStringLiteral("scan.png"));

        // A new card has no description yet: its template names it.
        CCard fresh(p.Wallet().NextId());
        fresh.templateName = five;
        CDlgCard sheet(p.Wallet(), fresh, QFont());
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Five - Korvel"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void attachmentsReachTheFileOnlyWithOk() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        Opener opener;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        QVERIFY(p.SaveAs(QStringLiteral("wallet.kvx")));
        const QString source = p.folder.filePath(QStringLiteral("scan.jpg"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8001, 'x'));
        file.close();

        // Inserted, then cancelled: the next save writes no stream for it, and nothing is said to be attached.
        p.prompts.OpenFile(source);
        QString shownName;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            sheet.Attachments().Button(0).click();
            shownName = sheet.Attachments().Label(0).text();
            sheet.reject();
        });
        QCOMPARE(card.Edit(), 0);
        QCOMPARE(shownName, QStringLiteral("scan.jpg"));
        QVERIFY(!card.image().IsAttached());
        p.Wallet().SetModified(true);
        QVERIFY(p.Wallet().OnFileSave());
        QCOMPARE(p.Wallet().CountAttachments(), 0);

        // Inserted with OK: saved with the card, and only that save says the file is attached.
        p.prompts.OpenFile(source);
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            sheet.Attachments().Button(0).click();
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QVERIFY(!p.prompts.Asked().join(u'|').contains(kAttached));
        p.prompts.Message(QStringLiteral("\"scan.jpg\" has been attached"), Prompts::Answer::Ok);
        QVERIFY(p.Wallet().OnFileSave());
        QCOMPARE(p.Wallet().CountAttachments(), 1);
        p.Wallet().SetModified(true);
        QVERIFY(p.Wallet().OnFileSave());

        // Removed, then cancelled: the card and the file keep it, and it still opens.
        QString buttonAfterRemove;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            sheet.Attachments().Button(0).click();
            buttonAfterRemove = sheet.Attachments().Button(0).text();
            sheet.reject();
        });
        QCOMPARE(card.Edit(), 0);
        QCOMPARE(buttonAfterRemove, QStringLiteral("Insert..."));
        QVERIFY(card.image().IsAttached());
        p.Wallet().SetModified(true);
        QVERIFY(p.Wallet().OnFileSave());
        QCOMPARE(p.Wallet().CountAttachments(), 1);
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            QTest::mouseClick(&sheet.Attachments().Label(0), Qt::LeftButton);
            sheet.reject();
        });
        card.Edit();
        QCOMPARE(opener.opened.size(), 1);
        const QString extracted = opener.opened.first().toLocalFile();
        QCOMPARE(QFileInfo(extracted).size(), 8001);
        CAttachment::RemoveOpenedCopies();
        QVERIFY(!QFile::exists(extracted));

        // Removed with OK: gone from the card and, with the save, from the file.
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            sheet.Attachments().Button(0).click();
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QVERIFY(!card.image().IsAttached());
        QVERIFY(p.Wallet().OnFileSave());
        QCOMPARE(p.Wallet().CountAttachments(), 0);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // A start removes the copies that a crashed run left opened, and keeps those of a run still going (here, this
    // process's own).
    void startRemovesCopiesACrashedRunLeftOpen() {
        const auto write = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write("plain") == 5;
        };
        const QString going = QDir(CAttachment::OpenedCopiesFolder()).filePath(QStringLiteral("open.pdf"));
        QVERIFY(write(going));
        const QString crashed = QDir(CAttachment::ExtractionFolder()).filePath(QStringLiteral("run-1-0badcafe"));
        QVERIFY(QDir().mkpath(crashed));
        QVERIFY(write(crashed + QStringLiteral("/left.pdf")));
        Program p;
        QVERIFY(p.Start());
        QVERIFY(!QFileInfo::exists(crashed));
        QVERIFY(QFile::exists(going));
    }

    // A wallet that was never saved is saved first; the file picker then comes without a second Insert, and offers
    // PNG pictures.
    void attachingToANewWalletSavesItFirst() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        const QString picture = WriteFileBytes(p.folder.filePath(QStringLiteral("photo.png")), "png");
        p.prompts.Message(QStringLiteral("Before attaching files"), Prompts::Answer::Yes);
        p.prompts.SaveFile(p.folder.filePath(QStringLiteral("new.kvx")));
        p.prompts.OpenFile(picture);
        QString shownName;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Tabs().setCurrentIndex(2);
            sheet.Attachments().Button(0).click();
            shownName = sheet.Attachments().Label(0).text();
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(shownName, QStringLiteral("photo.png"));
        QCOMPARE(card.image().description, QStringLiteral("photo.png"));
        const QStringList pickers = p.prompts.Asked().filter(QStringLiteral("open "));
        QCOMPARE(pickers.size(), 1);
        QVERIFY2(pickers.first().contains(QStringLiteral("*.png")), qPrintable(pickers.first()));
        p.prompts.Message(QStringLiteral("\"photo.png\" has been attached"), Prompts::Answer::Ok);
        QVERIFY(p.Wallet().OnFileSave());
        QCOMPARE(p.Wallet().CountAttachments(), 1);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void categoryDialogFillsAndWritesBack() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCategory* business = p.CategoryNamed(QStringLiteral("Business"));
        const CCardTemplate* credit = p.TemplateNamed(QStringLiteral("Finance: Credit Card"));
        QString firstEntry;
        int suggestions = 0;
        driver.Then<CDlgCategory>([&](CDlgCategory& dialog) {
            firstEntry = dialog.Templates().currentText();
            suggestions = dialog.Description().count();
            dialog.Description().setEditText(QStringLiteral("Cards"));
            dialog.Templates().setCurrentIndex(dialog.Templates().findText(credit->description));
            dialog.RequirePassword().setChecked(false);
            dialog.accept();
        });
        QCOMPARE(business->Edit(), 1);
        QCOMPARE(firstEntry, QStringLiteral("   -- Please Select --"));
        QVERIFY(suggestions > 10);
        QCOMPARE(business->description, QStringLiteral("Cards"));
        QCOMPARE(business->defaultTemplate, credit->internalName);
        QVERIFY(!business->RequiresPassword());

        // A default template that is gone shows no entry; a cleared description changes nothing.
        business->defaultTemplate = QStringLiteral("deleted");
        int selected = 0;
        driver.Then<CDlgCategory>([&](CDlgCategory& dialog) {
            selected = dialog.Templates().currentIndex();
            dialog.Description().setEditText(QString());
            dialog.accept();
        });
        QCOMPARE(business->Edit(), 0);
        QCOMPARE(selected, -1);
        QCOMPARE(business->description, QStringLiteral("Cards"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // The dialogs offer the templates of the wallet they are opened for, also when that is not the wallet the records
    // reach (here the one made first, which has no templates at all).
    void dialogsShowTheTemplatesOfTheirOwnWallet() {
        CWallet first;
        CWallet own;
        auto made = std::make_unique<CCardTemplate>(7);
        made->ParseDefinition(QStringLiteral("Own,530,Number,0,PIN,3"));
        made->internalName = QStringLiteral("own");
        own.AddTemplate(std::move(made));

        CDlgSelectTemplate picker(own, QStringLiteral("own"), false);
        QCOMPARE(picker.List().topLevelItemCount(), 1);
        QCOMPARE(picker.List().currentItem()->text(0), QStringLiteral("Own"));

        CCategory category(8);
        CDlgCategory dialog(own, category, 7);
        QCOMPARE(dialog.Templates().count(), 2);
        QCOMPARE(dialog.Templates().currentText(), QStringLiteral("Own"));

        CCard card(9);
        card.templateName = QStringLiteral("own");
        CDlgCard sheet(own, card, QFont());
        QCOMPARE(sheet.Details().List().RowCount(), 2);
        QCOMPARE(sheet.Details().List().LabelText(1), QStringLiteral("PIN:"));
    }

    void everyControlHasANameAndTheRightMnemonics() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.TemplateNamed(QStringLiteral("Finance: Credit Card"))->internalName);
        QStringList unnamed;
        QStringList clashes;
        const auto check = [&](QWidget& root) {
            for (QWidget* widget : root.findChildren<QWidget*>()) {
                if (widget->focusPolicy() != Qt::NoFocus && widget->isVisibleTo(&root) &&
                    widget->accessibleName().isEmpty() && !qobject_cast<QAbstractButton*>(widget))
                    unnamed.append(QLatin1String(root.metaObject()->className()) + u'/' +
                                   QLatin1String(widget->metaObject()->className()));
            }
        };
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            for (int page = 0; page < sheet.Tabs().count(); ++page) {
                sheet.Tabs().setCurrentIndex(page);
                check(*sheet.Tabs().widget(page));
                clashes += MnemonicClashes({sheet.Tabs().widget(page), sheet.findChild<QDialogButtonBox*>()});
            }
            sheet.reject();
        });
        card.Edit();
        driver.Then<CDlgCategory>([&](CDlgCategory& dialog) {
            check(dialog);
            dialog.reject();
        });
        p.CategoryNamed(QStringLiteral("Personal"))->Edit();
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void propertiesFromTheTreeAndTheSummary() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName, QStringLiteral("Old"));
        CCategory& category = **p.Wallet().Categories().begin();
        p.Frame().Tree().Refill(category.id, card.id);
        CItemTreeCtrl& tree = p.Frame().Tree().TreeCtrl();
        driver.Then<CDlgCard>([](CDlgCard& sheet) {
            sheet.Details().DescriptionEdit().setText(QStringLiteral("New"));
            sheet.accept();
        });
        // A double-click is the second press of two.
        const QPoint item = tree.visualRect(tree.currentIndex()).center();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, item);
        QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, item);
        QCOMPARE(card.description, QStringLiteral("New"));
        QVERIFY(p.Wallet().IsModified());
        QCOMPARE(tree.currentIndex().data().toString(), QStringLiteral("New"));

        p.Wallet().SetModified(false);
        tree.setCurrentIndex(p.Category(category.description));
        CViewSummary& summary = p.Frame().Summary();
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardList));
        summary.ListCtrl().setCurrentIndex(summary.ListCtrl().model()->index(0, 0));
        driver.Then<CDlgCard>([](CDlgCard& sheet) {
            sheet.Details().DescriptionEdit().setText(QStringLiteral("Newer"));
            sheet.accept();
        });
        summary.DoListAction(CViewCategoriesCards::Properties);
        QCOMPARE(card.description, QStringLiteral("Newer"));
        QVERIFY(p.Wallet().IsModified());
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardList));
        QCOMPARE(summary.ListCtrl().currentIndex().data().toString(), QStringLiteral("Newer"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void editingAskedToUnlockFirst() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(p.FiveFields().internalName);
        p.Wallet().SetPassword(QStringLiteral("2468"));
        {
            CWallet::Settings settings = p.Wallet().GetSettings();
            settings.mustUnlockToEdit = 1;
            p.Wallet().SetSettings(settings);
        }
        p.Wallet().SetLocked(true);
        p.prompts.Password(QString(), false);
        QVERIFY(!p.Wallet().EditCard(card));
        p.prompts.Password(QStringLiteral("2468"));
        driver.Then<CDlgCard>([](CDlgCard& sheet) { sheet.reject(); });
        QVERIFY(!p.Wallet().EditCard(card));
        QVERIFY(!p.Wallet().IsLocked());
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    void wholeSessionThroughTheWindows() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        Opener opener;
        const QString path = p.folder.filePath(QStringLiteral("session.kvx"));
        QVERIFY(p.SaveAs(QStringLiteral("session.kvx")));
        const QString receipt = p.folder.filePath(QStringLiteral("terms.pdf"));
        QFile file(receipt);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4 terms");
        file.close();

        driver.Then<CDlgCategory>([](CDlgCategory& dialog) {
            dialog.Description().lineEdit()->selectAll();
            QTest::keyClicks(dialog.Description().lineEdit(), QStringLiteral("Plastic"));
            dialog.Templates().setCurrentIndex(dialog.Templates().findText(QStringLiteral("Finance: Credit Card")));
            dialog.RequirePassword().setChecked(false);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        p.Frame().Action(Command::NewCategory)->trigger();
        QVERIFY(p.Category(QStringLiteral("Plastic")).isValid());
        QCOMPARE(p.Frame().Tree().TreeCtrl().currentIndex(), p.Category(QStringLiteral("Plastic")));

        p.prompts.OpenFile(receipt);
        p.prompts.Message(kAttached, Prompts::Answer::Ok);
        driver.Then<CDlgSelectTemplate>([](CDlgSelectTemplate& picker) {
            QCOMPARE(picker.List().currentItem()->text(0), QStringLiteral("Finance: Credit Card"));
            QTest::mouseClick(picker.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        driver.Then<CDlgCard>([](CDlgCard& sheet) {
            QTest::keyClicks(&sheet.Details().DescriptionEdit(), QStringLiteral("visa gold"));
            CListOptionsCtrl& list = sheet.Details().List();
            ClickRow(list, 0);
            QTest::keyClicks(list.Editor(), QStringLiteral("4111 1111"));
            QTest::keyClick(list.Editor(), Qt::Key_Tab);
            QTest::keyClick(list.Editor(), Qt::Key_Tab);
            QTest::keyClicks(list.Editor(), QStringLiteral("2468"));
            list.EditRow(9);
            QTest::keyClicks(list.Editor(), QStringLiteral("https://bank.example"));
            QTest::keyClick(list.Editor(), Qt::Key_Tab);
            sheet.Tabs().setCurrentIndex(3);
            QTest::keyClicks(&sheet.Notes().Edit(), QStringLiteral("lost card: call"));
            sheet.Tabs().setCurrentIndex(2);
            QTest::mouseClick(&sheet.Attachments().Button(2), Qt::LeftButton);
            QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        p.Frame().Action(Command::NewCard)->trigger();
        QCOMPARE(p.Wallet().Cards().Count(), 1);
        QVERIFY(p.Wallet().IsModified());
        p.Frame().Action(Command::Save)->trigger();
        QVERIFY(!p.Wallet().IsModified());

        p.app.reset();
        QSettings().setValue(QStringLiteral("Settings/LastDoc"), path);
        p.app = std::make_unique<CKorvelApp>(&p.prompts, QString());
        QVERIFY(p.app->InitInstance({QStringLiteral("korvel")}));
        const QModelIndex category = p.Category(QStringLiteral("Plastic"));
        p.Frame().Tree().TreeCtrl().expand(category);
        p.Frame().Tree().TreeCtrl().setCurrentIndex(p.Model().index(0, 0, category));
        CViewSummary& summary = p.Frame().Summary();
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardDetails));
        QStringList shown;
        for (CLinkLabel* label : summary.findChildren<CLinkLabel*>()) {
            if (label->isVisibleTo(&summary) && !label->accessibleName().isEmpty())
                shown.append(label->accessibleName() + u'=' + label->text() + u'>' + label->LinkTarget());
        }
        QVERIFY2(shown.contains(QStringLiteral("Acct #: 4111 1111=4111 1111>")), qPrintable(shown.join(u'|')));
        QVERIFY2(shown.contains(QStringLiteral("ATM Pin: hidden=******>")), qPrintable(shown.join(u'|')));
        QVERIFY2(
            shown.contains(QStringLiteral("Website: https://bank.example=https://bank.example>https://bank.example")),
            qPrintable(shown.join(u'|')));
        const CCard* card = *p.Wallet().Cards().begin();
        QCOMPARE(card->description, QStringLiteral("Visa Gold"));
        QCOMPARE(card->notes, QStringLiteral("lost card: call"));
        QCOMPARE(card->document().description, QStringLiteral("terms.pdf"));
        QCOMPARE(p.Wallet().CountAttachments(), 1);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiCardEditing)
#include "TestGuiCardEditing.moc"
