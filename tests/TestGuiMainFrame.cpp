// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program as a person meets it: start-up, the tree, the summary, locking and the item commands, driven
// through its real widgets on the offscreen platform with scripted answers to its questions.
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "base/ResourceLibrary.h"
#include "dialogs/CDlgManageTemplates.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "views/CDlgAbout.h"
#include "views/CIconListModel.h"
#include "views/CItemDelegate.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CNotesPane.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/CLinkLabel.h"
#include "widgets/Commands.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <limits>
#include <memory>

namespace {
const QString kNewWalletOffer = QStringLiteral("A new wallet has been created");

// A wallet on disk with three categories (the third asks for the password) and cards, made and let go before the
// program starts, so that the program's own wallet is the open one.
QString MakeWallet(const QString& path, const QString& password = QString()) {
    if (!ResourceLibrary::IsLoaded())
        ResourceLibrary::Load();
    ScriptedPrompts quiet;
    CWallet wallet;
    wallet.LoadDefaults();
    while (wallet.Categories().Count() > 0) {
        quiet.Message(QStringLiteral("delete all the cards"), Prompts::Answer::Yes);
        wallet.DeleteCategory(wallet.Categories().At(0)->id);
    }
    const auto addCategory = [&](const QString& name, bool guarded) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = name;
        category->flag = guarded ? 1 : 0;
        const qint32 id = category->id;
        wallet.AddCategory(std::move(category));
        return id;
    };
    const qint32 banking = addCategory(QStringLiteral("banking"), false);
    addCategory(QStringLiteral("Accounts"), false);
    const qint32 secret = addCategory(QStringLiteral("Secret"), true);
    const auto addCard = [&](const QString& name, qint32 category, bool hide) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = name;
        card->categoryId = category;
        card->templateName = QStringLiteral("17"); // Online: Website: URL, Username, Password, Email
        card->values.Set(0, QStringLiteral("https://example.org"));
        card->values.Set(2, QStringLiteral("hunter2"));
        card->values.Set(3, QStringLiteral("ada@example.org"));
        card->hidePasswords = hide ? 1 : 0;
        card->notes = QStringLiteral("see www.example.org");
        wallet.AddCard(std::move(card));
    };
    addCard(QStringLiteral("zeta"), banking, true);
    addCard(QStringLiteral("Alpha"), banking, false);
    addCard(QStringLiteral("Hidden"), secret, true);
    wallet.SetPassword(password);
    wallet.OnSaveDocument(path);
    return path;
}

// Stands in for the desktop's opener of files.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened.append(url); }
};

struct Program {
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    std::unique_ptr<CKorvelApp> app;

    bool Start(const QStringList& arguments = {}, const QString& libraryFolder = QString()) {
        app = std::make_unique<CKorvelApp>(&prompts, libraryFolder);
        if (!app->InitInstance(QStringList{QStringLiteral("korvel")} + arguments))
            return false;
        // Keys reach the window's shortcuts only while it is the active one.
        Frame().activateWindow();
        return QTest::qWaitForWindowActive(&Frame());
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    CWallet& Wallet() { return *app->Wallet(); }
    CViewCategoriesCards& Tree() { return Frame().Tree(); }
    CTreeModel& Model() { return Tree().Model(); }
    QModelIndex Category(const QString& name) {
        const QModelIndex root = Model().RootIndex();
        for (int row = 0; row < Model().rowCount(root); ++row) {
            if (Model().index(row, 0, root).data().toString() == name)
                return Model().index(row, 0, root);
        }
        return {};
    }
    QStringList Children(const QModelIndex& parent) {
        QStringList names;
        for (int row = 0; row < Model().rowCount(parent); ++row)
            names.append(Model().index(row, 0, parent).data().toString());
        return names;
    }
    void Select(const QModelIndex& index) { Tree().TreeCtrl().setCurrentIndex(index); }
    void Trigger(int command) { Frame().Action(command)->trigger(); }
    QString Faults() const { return prompts.Faults().join(u'\n'); }
};
} // namespace

class TestGuiMainFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    void withoutLastWalletANewOneIsMade() {
        Program p;
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        QVERIFY(p.Start());
        QVERIFY(p.Frame().isVisible());
        QCOMPARE(p.Children(p.Model().RootIndex()), (QStringList{"Business", "Personal"}));
        QCOMPARE(p.Tree().TreeCtrl().currentIndex(), p.Model().RootIndex());
        QCOMPARE(p.Frame().Summary().GetMode(), int(CViewSummary::kCategoryList));
        QVERIFY(!p.Wallet().IsLocked());
        QVERIFY(p.Frame().Action(Command::LockWallet)->isEnabled());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void lastWalletIsOpenedOrSilentlyPassedOver() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("last.kvx")));
        QSettings().setValue(QStringLiteral("Settings/LastDoc"), path);
        QVERIFY(p.Start());
        QCOMPARE(p.Wallet().PathName(), path);
        p.app.reset();
        QSettings().setValue(QStringLiteral("Settings/LastDoc"), p.folder.filePath(QStringLiteral("gone.kvx")));
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        QVERIFY(p.Start());
        QVERIFY(p.Wallet().PathName().isEmpty());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void walletOnTheCommandLineWinsAndADamagedOneIsReported() {
        Program p;
        const QString named = MakeWallet(p.folder.filePath(QStringLiteral("named.kvx")));
        QSettings().setValue(QStringLiteral("Settings/LastDoc"), MakeWallet(p.folder.filePath("last.kvx")));
        QVERIFY(p.Start({named}));
        QCOMPARE(p.Wallet().PathName(), named);
        p.app.reset();
        const QString damaged = WriteFileBytes(p.folder.filePath(QStringLiteral("damaged.kvx")), "not a wallet");
        p.prompts.Message(QStringLiteral("There was an error opening the selected file"), Prompts::Answer::Ok);
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        QVERIFY(p.Start({damaged}));
        QVERIFY(p.Frame().isVisible());
        QVERIFY(p.Wallet().PathName().isEmpty());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void missingResourceLibraryEndsWithOneMessage() {
        Program p;
        p.prompts.Message(QStringLiteral("There was an error opening the selected file"), Prompts::Answer::Ok);
        QVERIFY(!p.Start({}, p.folder.path()));
        QCOMPARE(p.app->ExitCode(), 0);
        QVERIFY(!p.app->MainFrame());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
        QVERIFY(ResourceLibrary::Load());
    }

    void treeIsOrderedAndGuardsProtectedCategories() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("t.kvx")), QStringLiteral("2468"));
        QVERIFY(p.Start({path}));
        QVERIFY(p.Wallet().IsLocked());
        QCOMPARE(p.Children(p.Model().RootIndex()), (QStringList{"Accounts", "banking", "Secret"}));
        QCOMPARE(p.Children(p.Category("banking")), (QStringList{"Alpha", "zeta"}));
        QVERIFY(p.Category("Secret").data(CTreeModel::kIdRole).toInt() < 0);
        QVERIFY(p.Category("banking").data(CTreeModel::kIdRole).toInt() > 0);
        QCOMPARE(p.Children(p.Category("Secret")), QStringList());

        // Cancelled: the category stays closed and the wallet locked.
        p.prompts.Password(QString(), false);
        p.Tree().TreeCtrl().expand(p.Category("Secret"));
        QVERIFY(!p.Tree().TreeCtrl().isExpanded(p.Category("Secret")));
        QVERIFY(p.Wallet().IsLocked());
        // The right password: unlocked, rebuilt, the category opened and selected.
        p.prompts.Password(QStringLiteral("2468"));
        p.Tree().TreeCtrl().expand(p.Category("Secret"));
        QVERIFY(!p.Wallet().IsLocked());
        QVERIFY(p.Category("Secret").data(CTreeModel::kIdRole).toInt() > 0);
        QVERIFY(p.Tree().TreeCtrl().isExpanded(p.Category("Secret")));
        QCOMPARE(p.Tree().TreeCtrl().currentIndex(), p.Category("Secret"));
        QCOMPARE(p.Children(p.Category("Secret")), QStringList{"Hidden"});
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void selectingAProtectedCategoryAsksAndKeepsIt() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("k.kvx")), QStringLiteral("2468"))}));
        p.prompts.Password(QString(), false);
        p.Select(p.Category("Secret"));
        QCOMPARE(p.Frame().Summary().GetMode(), int(CViewSummary::kBlank));
        QVERIFY(!p.Tree().TreeCtrl().isExpanded(p.Category("Secret")));
        p.Select(p.Model().RootIndex());
        p.prompts.Password(QStringLiteral("2468"));
        p.Select(p.Category("Secret"));
        QVERIFY(!p.Wallet().IsLocked());
        QCOMPARE(p.Tree().TreeCtrl().currentIndex(), p.Category("Secret"));
        QCOMPARE(p.Frame().Summary().GetMode(), int(CViewSummary::kCardList));
        QCOMPARE(p.Frame().Summary().ListModel().rowCount(), 1);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void summaryFollowsTheSelectionAndMasksPasswords() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("s.kvx")))}));
        CViewSummary& summary = p.Frame().Summary();
        p.Select(p.Category("banking"));
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardList));
        QCOMPARE(summary.ListModel().rowCount(), 2);
        QVERIFY(p.Tree().TreeCtrl().isExpanded(p.Category("banking")));
        p.Select(p.Category("Accounts"));
        QCOMPARE(summary.ListModel().rowCount(), 0);
        const QModelIndex banking = p.Category("banking");
        p.Select(p.Model().index(1, 0, banking));
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardDetails));
        QCOMPARE(summary.Title().text(), QStringLiteral("zeta"));
        // Rows come packed from the top: URL, Password, Email (the empty Username takes none).
        QCOMPARE(summary.ShownRows(), 3);
        QCOMPARE(summary.ValueLabel(1).text(), QStringLiteral("******"));
        QCOMPARE(summary.NameLabel(1).text(), QStringLiteral("Password"));
        QCOMPARE(summary.ValueLabel(2).LinkTarget(), QStringLiteral("mailto:ada@example.org"));
        QCOMPARE(summary.ValueLabel(0).LinkTarget(), QStringLiteral("https://example.org"));
        QCOMPARE(p.Frame().Notes().PlainText(), QStringLiteral("see www.example.org"));
        QVERIFY(p.Frame().Notes().toHtml().contains(QStringLiteral("http://www.example.org")));
        p.Select(p.Model().index(0, 0, banking));
        QCOMPARE(summary.ValueLabel(1).text(), QStringLiteral("hunter2"));
        p.Select(p.Model().RootIndex());
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCategoryList));
        QCOMPARE(p.Frame().Notes().PlainText(), QString());
    }

    // Each row of a card reads as shown and on its own: no look left over from the card shown before, a long value
    // leaves its field's name in view, and a screen reader hears the name with the value, never a hidden password.
    void summaryRowsStandOnTheirOwn() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("r.kvx")))}));
        p.Frame().resize(1280, 800);
        CViewSummary& summary = p.Frame().Summary();
        const QModelIndex banking = p.Category("banking");
        CCard& alpha = *p.Wallet().Cards().FindById(p.Model().CardAt(p.Model().index(0, 0, banking))->id);
        const QString longValue = QStringLiteral("a-user-name-far-too-long-for-the-pane-").repeated(4);
        QVERIFY(p.Wallet().ChangeCard(alpha, [&](CCard& card) {
            card.values.Set(0, QString());
            card.values.Set(1, longValue);
            return true;
        }));
        const auto spoken = [&](int row) {
            QWidget* label = const_cast<CLinkLabel*>(&summary.ValueLabel(row));
            return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        };
        p.Select(p.Model().index(1, 0, banking)); // zeta: the URL, a link, in the first row
        QVERIFY(summary.ValueLabel(0).font().underline());
        QCOMPARE(spoken(0), QStringLiteral("URL: https://example.org"));
        QCOMPARE(spoken(1), QStringLiteral("Password: hidden"));
        p.Select(p.Model().index(0, 0, banking)); // Alpha: the user name, plain, in the first row
        QCOMPARE(summary.ValueLabel(0).text(), longValue);
        QVERIFY(!summary.ValueLabel(0).font().underline());
        QVERIFY(!summary.ValueLabel(0).IsLink());
        QCOMPARE(spoken(0), QStringLiteral("Username: ") + longValue);
        QCOMPARE(spoken(1), QStringLiteral("Password: hunter2"));

        const QLabel& name = summary.NameLabel(0);
        QTRY_VERIFY(name.mapTo(summary.Details().viewport(), QPoint(name.width(), 0)).x() <=
                    summary.Details().viewport()->width());
        QVERIFY(summary.ValueLabel(0).width() < summary.ValueLabel(0).sizeHint().width());
        QCOMPARE(name.width(), name.sizeHint().width());
    }

    // A caption takes two lines of its cell before it is cut, so names that start alike stay apart.
    void iconCaptionsWrapWithinTheirCells() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("i.kvx")))}));
        for (const char* name : {"Passwords / Banking", "Passwords / Email", "Passwords / Shopping"}) {
            auto category = std::make_unique<CCategory>(p.Wallet().NextId());
            category->description = QLatin1String(name);
            p.Wallet().AddCategory(std::move(category));
        }
        p.Select(p.Model().RootIndex());
        CItemListCtrl& list = p.Frame().Summary().ListCtrl();
        const QFontMetrics metrics(list.font());
        for (int row = 0; row < p.Frame().Summary().ListModel().rowCount(); ++row) {
            const QRect item = list.visualRect(p.Frame().Summary().ListModel().index(row));
            QVERIFY(item.width() > metrics.horizontalAdvance(QStringLiteral("Passwords /")));
            QVERIFY(item.width() <= list.gridSize().width());
            QVERIFY(item.height() >= list.iconSize().height() + 2 * metrics.lineSpacing());
        }
        // Cut only when two lines do not hold it, and then at the end of the second.
        const int width = list.gridSize().width() - 10;
        QCOMPARE(CItemDelegate::TwoLineCaption(QStringLiteral("Passwords / Banking"), list.font(), width),
                 QStringLiteral("Passwords /") + QChar::LineSeparator + QStringLiteral("Banking"));
        const QString cut =
            CItemDelegate::TwoLineCaption(QStringLiteral("Insurance policies and warranties"), list.font(), width);
        QCOMPARE(cut.count(QChar::LineSeparator), 1);
        QVERIFY(cut.startsWith(QStringLiteral("Insurance")) && cut.endsWith(QChar(0x2026)));
    }

    void cardsAreCopiedCutPastedAndDeleted() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("c.kvx")))}));
        p.Select(p.Model().index(0, 0, p.Category("banking"))); // Alpha
        QVERIFY(!p.Frame().Action(Command::Paste)->isEnabled());
        p.Trigger(Command::Copy);
        QCOMPARE(QApplication::clipboard()->text().section(u'\r', 0, 0), QStringLiteral("Alpha"));
        p.Select(p.Category("Accounts"));
        QVERIFY(p.Frame().Action(Command::Paste)->isEnabled());
        p.Trigger(Command::Paste);
        QCOMPARE(p.Children(p.Category("Accounts")), QStringList{"Copy of Alpha"});
        QCOMPARE(p.Tree().TreeCtrl().currentIndex().data().toString(), QStringLiteral("Copy of Alpha"));
        QVERIFY(p.Wallet().IsModified());
        // One paste per copy.
        p.Select(p.Category("Accounts"));
        QVERIFY(!p.Frame().Action(Command::Paste)->isEnabled());

        p.Select(p.Model().index(1, 0, p.Category("banking"))); // zeta
        p.Trigger(Command::Cut);
        p.Select(p.Category("banking"));
        p.Trigger(Command::Paste);
        QCOMPARE(p.Children(p.Category("banking")), (QStringList{"Alpha", "zeta"}));
        QVERIFY(p.Frame().Action(Command::Paste)->isEnabled()); // pasting into its own category keeps the cut
        p.Select(p.Category("Accounts"));
        p.Trigger(Command::Paste);
        QCOMPARE(p.Children(p.Category("Accounts")), (QStringList{"Copy of Alpha", "zeta"}));

        p.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::No);
        p.Select(p.Model().index(1, 0, p.Category("Accounts")));
        QTest::keyClick(&p.Tree().TreeCtrl(), Qt::Key_Delete);
        QCOMPARE(p.Children(p.Category("Accounts")).size(), 2);
        p.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        p.Select(p.Model().index(1, 0, p.Category("Accounts")));
        p.Trigger(Command::Delete);
        QCOMPARE(p.Children(p.Category("Accounts")), QStringList{"Copy of Alpha"});
        QCOMPARE(p.Tree().TreeCtrl().currentIndex(), p.Model().RootIndex());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void contextMenuOffersWhatTheLevelAllows() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("m.kvx")))}));
        const auto commands = [&] {
            QList<int> ids;
            const std::unique_ptr<QMenu> menu = p.Frame().BuildContextMenu(CMainFrame::kTreeMenu);
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator())
                    ids.append(action->data().toInt());
            }
            return ids;
        };
        p.Select(p.Model().RootIndex());
        QCOMPARE(commands(), QList<int>{Command::NewCategory});
        p.Select(p.Category("banking"));
        QCOMPARE(commands(), (QList<int>{Command::NewCard, Command::NewCategory, Command::Paste, Command::Delete,
                                         Command::ItemProperties}));
        p.Select(p.Model().index(0, 0, p.Category("banking")));
        QCOMPARE(commands(), (QList<int>{Command::NewCard, Command::Cut, Command::Copy, Command::CopyUserName,
                                         Command::CopyPassword, Command::Delete, Command::ItemProperties}));

        // The summary's list: its commands are grey until an item is selected.
        p.Select(p.Category("banking"));
        CViewSummary& summary = p.Frame().Summary();
        summary.ListCtrl().setFocus();
        const auto enabled = [&] {
            QList<int> ids;
            const std::unique_ptr<QMenu> menu = p.Frame().BuildContextMenu(CMainFrame::kSummaryMenu);
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled())
                    ids.append(action->data().toInt());
            }
            return ids;
        };
        QCOMPARE(enabled(), QList<int>{Command::NewCard});
        summary.ListCtrl().setCurrentIndex(summary.ListModel().index(0));
        // The card has a password but no user name.
        QCOMPARE(enabled(), (QList<int>{Command::NewCard, Command::Cut, Command::Copy, Command::CopyPassword,
                                        Command::Delete, Command::ItemProperties}));
    }

    // The focused text's own selection is what Cut and Copy take, by key or by menu; the cards only when the tree
    // or the summary's list has the focus.
    void focusedTextKeepsItsOwnCopy() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("f.kvx")))}));
        QClipboard* clipboard = QApplication::clipboard();
        p.Select(p.Model().index(0, 0, p.Category("banking"))); // Alpha
        CNotesPane& notes = p.Frame().Notes();
        notes.setFocus();
        QTextCursor cursor = notes.textCursor();
        cursor.setPosition(0);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        notes.setTextCursor(cursor);
        QTest::keyClick(&notes, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("see"));
        // Nothing to cut, paste or delete in the read-only notes: the Delete key does not reach the card either.
        QVERIFY(p.Frame().Action(Command::Copy)->isEnabled());
        QVERIFY(!p.Frame().Action(Command::Delete)->isEnabled());
        QTest::keyClick(&notes, Qt::Key_X, Qt::ControlModifier);
        clipboard->clear();
        p.Trigger(Command::Copy);
        QCOMPARE(clipboard->text(), QStringLiteral("see"));
        QVERIFY(!p.Wallet().ClipboardCard());

        CLinkLabel* value = nullptr;
        for (CLinkLabel* label : p.Frame().Summary().findChildren<CLinkLabel*>()) {
            if (label->isVisible() && label->text() == QStringLiteral("https://example.org"))
                value = label;
        }
        QVERIFY(value);
        value->setFocus();
        value->setSelection(0, 5);
        QTest::keyClick(value, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("https"));
        QVERIFY(!p.Wallet().ClipboardCard());

        p.Tree().TreeCtrl().setFocus();
        QTest::keyClick(&p.Tree().TreeCtrl(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text().section(u'\r', 0, 0), QStringLiteral("Alpha"));
        QVERIFY(p.Wallet().ClipboardCard());
    }

    void notesMenuFollowsTheText() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("n.kvx")))}));
        CNotesPane& notes = p.Frame().Notes();
        const auto enabled = [&] {
            QList<bool> states;
            const std::unique_ptr<QMenu> menu = notes.BuildMenu();
            for (QAction* action : menu->actions())
                states.append(action->isEnabled());
            return states;
        };
        QCOMPARE(enabled(), (QList<bool>{false, false}));
        p.Select(p.Model().index(0, 0, p.Category("banking")));
        QCOMPARE(enabled(), (QList<bool>{false, true}));
        notes.selectAll();
        QCOMPARE(enabled(), (QList<bool>{true, true}));
    }

    void hiddenBarsStayHiddenAfterARestart() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("b.kvx")));
        QVERIFY(p.Start({path}));
        p.Trigger(Command::ShowMenuBar);
        p.Trigger(Command::ShowNotes);
        QVERIFY(p.Frame().close());
        p.app.reset();
        QVERIFY(p.Start({path}));
        QVERIFY(!p.Frame().Action(Command::ShowMenuBar)->isChecked());
        QVERIFY(p.Frame().menuBar()->isHidden());
        QVERIFY(!p.Frame().Action(Command::ShowNotes)->isChecked());
        QVERIFY(p.Frame().Action(Command::ShowSummary)->isChecked());
        // The bars' own menu brings the menu bar back.
        const std::unique_ptr<QMenu> menu(p.Frame().createPopupMenu());
        QVERIFY(menu->actions().contains(p.Frame().Action(Command::ShowMenuBar)));
    }

    // With the menu bar and the toolbar both hidden, the keyboard and every bar's right-click still lead back.
    void hiddenMenuBarAndToolbarComeBack() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("w.kvx")))}));
        p.Trigger(Command::ShowMenuBar);
        p.Trigger(Command::ShowToolbar);
        QVERIFY(p.Frame().menuBar()->isHidden());
        QCOMPARE(p.Frame().Action(Command::ShowMenuBar)->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
        QTest::keyClick(&p.Frame(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!p.Frame().menuBar()->isHidden());
        QVERIFY(p.Frame().Action(Command::ShowMenuBar)->isChecked());

        const auto offersBars = [&](QWidget* bar, const QPoint& pos) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, bar->mapToGlobal(pos));
            QApplication::sendEvent(bar, &event);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            const bool offered = menu && menu->actions().contains(p.Frame().Action(Command::ShowMenuBar)) &&
                                 menu->actions().contains(p.Frame().Action(Command::ShowToolbar));
            if (menu)
                menu->close();
            return offered;
        };
        QStatusBar* status = p.Frame().statusBar();
        QVERIFY(offersBars(status, status->rect().center()));
        for (QDockWidget* dock : p.Frame().findChildren<QDockWidget*>())
            QVERIFY(offersBars(dock, QPoint(dock->width() / 2, dock->widget()->geometry().top() / 2)));
    }

    // The panes beside the tree get back the width they had once the window has room again, and the status bar's
    // panes never overlap, even at the smallest size.
    void panesAndStatusKeepTheirRoom() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("p.kvx")))}));
        CMainFrame& frame = p.Frame();
        auto* summary = frame.findChild<QDockWidget*>(QStringLiteral("SummaryPane"));
        auto* notes = frame.findChild<QDockWidget*>(QStringLiteral("NotesPane"));
        const auto resizeTo = [&](const QSize& size) {
            frame.resize(size);
            QTRY_COMPARE(frame.size(), size.expandedTo(frame.minimumSizeHint()));
        };
        resizeTo(QSize(1280, 800));
        const int wide = summary->width();
        QVERIFY(wide >= 300);
        resizeTo(QSize(1, 1));
        QVERIFY(summary->width() < wide);
        QVERIFY(frame.centralWidget()->width() >= summary->width());
        QList<QRect> panes;
        for (QLabel* pane : frame.statusBar()->findChildren<QLabel*>()) {
            if (pane->isVisible()) {
                for (const QRect& other : panes)
                    QVERIFY(!other.intersects(pane->geometry()));
                QVERIFY(frame.statusBar()->rect().contains(pane->geometry()));
                panes.append(pane->geometry());
            }
        }
        QCOMPARE(panes.size(), 2);
        resizeTo(QSize(1280, 800));
        QCOMPARE(summary->width(), wide);
        QCOMPARE(notes->width(), wide);

        // A width the user gives the panes is the one that comes back.
        frame.resizeDocks({summary}, {320}, Qt::Horizontal);
        QTRY_COMPARE(summary->width(), 320);
        resizeTo(QSize(600, 500));
        resizeTo(QSize(1280, 800));
        QCOMPARE(summary->width(), 320);
    }

    // Tab goes from the tree to the summary (its list or a card's rows) and the notes, as they stand on the screen.
    void tabGoesRoundThePanes() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("t.kvx")))}));
        const auto tabFrom = [](QWidget* widget) {
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_Tab);
            return QApplication::focusWidget();
        };
        CItemTreeCtrl& tree = p.Tree().TreeCtrl();
        CViewSummary& summary = p.Frame().Summary();
        QCOMPARE(tabFrom(&tree), &summary.ListCtrl());
        QCOMPARE(tabFrom(&summary.ListCtrl()), &p.Frame().Notes());
        QCOMPARE(tabFrom(&p.Frame().Notes()), &p.Tree().SearchField());
        QCOMPARE(tabFrom(&p.Tree().SearchField()), &tree);
        p.Select(p.Model().index(0, 0, p.Category("banking")));
        QCOMPARE(tabFrom(&tree), &summary.Details());
        QCOMPARE(tabFrom(&summary.Details()), &p.Frame().Notes());
    }

    // Small things of the window's texts, pictures and keys.
    void statusTextsAndExitKey() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("q.kvx")))}));
        const QLabel* counts = p.Frame().statusBar()->findChildren<QLabel*>().value(0);
        QCOMPARE(counts->text(), QStringLiteral("3 categories, 3 cards"));
        for (const char* category : {"Accounts", "Secret"}) {
            p.prompts.Message(QStringLiteral("Deleting this category"), Prompts::Answer::Yes);
            p.Select(p.Category(QLatin1String(category)));
            p.Trigger(Command::Delete);
        }
        p.prompts.Message(QStringLiteral("permanently delete"), Prompts::Answer::Yes);
        p.Select(p.Model().index(0, 0, p.Category("banking")));
        p.Trigger(Command::Delete);
        QCOMPARE(counts->text(), QStringLiteral("1 category, 1 card"));
        // A status tip is plain text.
        static const QRegularExpression mnemonic(QStringLiteral("&[^&]"));
        for (QAction* action : p.Frame().actions())
            QVERIFY2(!action->statusTip().contains(mnemonic) && !action->statusTip().contains(u'\t'),
                     qPrintable(action->statusTip()));
        QCOMPARE(p.Frame().Action(Command::ShowMenuBar)->statusTip(), QStringLiteral("Menu Bar"));
        for (int command : {Command::SyncManager, Command::WebPage, Command::Zoom, Command::UsersGuide})
            QVERIFY(!p.Frame().Action(command)->icon().pixmap(16).isNull());
        QTest::keyClick(&p.Frame(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!p.Frame().isVisible());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    // The guide lies beside the program; the web page command and Manage Templates' link to more templates open it
    // too while the program has no page of its own.
    void helpOpensTheGuide() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("h.kvx")))}));
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
        p.Trigger(Command::UsersGuide);
        p.Trigger(Command::WebPage);
        ModalDriver driver;
        driver.Then<CDlgManageTemplates>([](CDlgManageTemplates& dialog) {
            auto* link = dialog.findChild<QLabel*>(QStringLiteral("downloadTemplates"));
            QVERIFY(link && link->isVisible());
            QVERIFY(link->text().endsWith(QStringLiteral("Download additional templates</a> from the online Template "
                                                         "Gallery.")));
            Q_EMIT link->linkActivated(QStringLiteral("gallery"));
            dialog.reject();
        });
        p.Trigger(Command::ManageTemplates);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const QUrl guide = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/KVGuide.pdf"));
        QCOMPARE(recorder.opened, (QList<QUrl>{guide, guide, guide}));
        QVERIFY(QFileInfo::exists(guide.toLocalFile()));
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
        QVERIFY2(driver.Faults().isEmpty(), qPrintable(driver.Faults().join(u'\n')));
    }

    // The About box shows the version that the program's main() sets from the project's one version number.
    void aboutShowsTheVersion() {
        Program p;
        QVERIFY(p.Start({MakeWallet(p.folder.filePath(QStringLiteral("v.kvx")))}));
        QCoreApplication::setApplicationVersion(QStringLiteral("9.8"));
        ModalDriver driver;
        driver.Then<CDlgAbout>([](CDlgAbout& dialog) {
            QStringList texts;
            for (const QLabel* label : dialog.findChildren<QLabel*>())
                texts.append(label->text());
            QVERIFY2(texts.contains(QStringLiteral("<b>Korvel 9.8</b>")), qPrintable(texts.join(u'\n')));
            dialog.accept();
        });
        p.Trigger(Command::About);
        QVERIFY2(driver.Faults().isEmpty(), qPrintable(driver.Faults().join(u'\n')));
    }

    void autoLockLocksAtTheEndOfEachPeriod() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("a.kvx")), QStringLiteral("2468"));
        QVERIFY(p.Start({path}));
        p.prompts.Password(QStringLiteral("2468"));
        QVERIFY(p.Wallet().RequestAccess(QString()));
        QVERIFY(p.Frame().IsLockTimerActive());
        QCOMPARE(p.Frame().LockTimerInterval(), 15 * 60000);
        QVERIFY(p.Frame().Action(Command::LockWallet)->isEnabled());
        p.Frame().OnLockTimer();
        QVERIFY(p.Wallet().IsLocked());
        QVERIFY(p.Frame().IsLockTimerActive());
        QVERIFY(!p.Frame().Action(Command::LockWallet)->isEnabled());
        {
            CWallet::Settings settings = p.Wallet().GetSettings();
            settings.lockMinutes = std::numeric_limits<qint32>::max();
            p.Wallet().SetSettings(settings);
        }
        p.Frame().ResetLockTimer(false);
        QVERIFY(p.Frame().LockTimerInterval() > 0);
        {
            CWallet::Settings settings = p.Wallet().GetSettings();
            settings.autoLock = 0;
            p.Wallet().SetSettings(settings);
        }
        p.Frame().ResetLockTimer(false);
        QVERIFY(!p.Frame().IsLockTimerActive());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void zoomSurvivesARestart() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("z.kvx")));
        QVERIFY(p.Start({path}));
        QCOMPARE(p.Tree().TreeCtrl().iconSize(), QSize(16, 16));
        QTest::keyClick(&p.Frame(), Qt::Key_F10);
        QCOMPARE(p.Tree().TreeCtrl().iconSize(), QSize(32, 32));
        p.app.reset();
        QVERIFY(p.Start({path}));
        QVERIFY(p.Frame().IsZoomed());
        QVERIFY(p.Frame().Action(Command::Zoom)->isChecked());
        QCOMPARE(p.Tree().TreeCtrl().iconSize(), QSize(32, 32));
    }

    void closingWritesTheLastWallet() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("l.kvx")));
        QVERIFY(p.Start({path}));
        QVERIFY(p.Frame().close());
        QCOMPARE(QSettings().value(QStringLiteral("Settings/LastDoc")).toString(), path);
        p.app.reset();
        // An unsaved new wallet leaves no last wallet behind.
        QSettings().remove(QStringLiteral("Settings/LastDoc"));
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        QVERIFY(p.Start());
        p.prompts.Message(QStringLiteral("Do you want to save the changes to the new wallet?"), Prompts::Answer::No);
        p.Wallet().SetModified(true);
        QVERIFY(p.Frame().close());
        QCOMPARE(QSettings().value(QStringLiteral("Settings/LastDoc")).toString(), QString());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void aConflictingSaveOffersAnotherNameOrReopening() {
        Program p;
        const QString path = MakeWallet(p.folder.filePath(QStringLiteral("x.kvx")));
        QVERIFY(p.Start({path}));
        p.Wallet().Categories().At(0)->description = QStringLiteral("mine");
        p.Wallet().SetModified(true);
        {
            CWallet other;
            QVERIFY(other.OnOpenDocument(path));
            other.Categories().At(0)->description = QStringLiteral("theirs");
            QVERIFY(other.OnSaveDocument(path));
        }
        const QByteArray theirs = FileBytes(path);
        p.prompts.Message(QStringLiteral("Another program has changed"), Prompts::Answer::Ok);
        p.prompts.Message(QStringLiteral("under another name"), Prompts::Answer::No);
        p.prompts.Message(QStringLiteral("loses the changes"), Prompts::Answer::No);
        p.Trigger(Command::Save);
        QCOMPARE(FileBytes(path), theirs);
        QVERIFY(p.Wallet().IsModified());
        p.prompts.Message(QStringLiteral("Another program has changed"), Prompts::Answer::Ok);
        p.prompts.Message(QStringLiteral("under another name"), Prompts::Answer::No);
        p.prompts.Message(QStringLiteral("loses the changes"), Prompts::Answer::Yes);
        p.Trigger(Command::Save);
        QVERIFY(!p.Wallet().IsModified());
        QCOMPARE(p.Wallet().Categories().At(0)->description, QStringLiteral("theirs"));
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiMainFrame)

#include "TestGuiMainFrame.moc"
