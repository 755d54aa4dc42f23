// SPDX-License-Identifier: GPL-3.0-or-later
// Find in the desktop program: what a search matches, how the cards found are listed, the messages, the windows.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "ScriptedPrompts.h"
#include "dialogs/CDlgFind.h"
#include "dialogs/CFindResultsModel.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "views/CItemTreeCtrl.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CViewCategoriesCards.h"
#include "widgets/Commands.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Program : GuiProgram {
    // A website card (fields URL, Username, Password, Email) in the wallet's first category.
    void AddCard(const QString& description, const QString& password, const QString& notes) {
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = description;
        card->categoryId = (*Wallet().Categories().begin())->id;
        card->templateName = QStringLiteral("17");
        card->values.Set(2, password);
        card->notes = notes;
        Wallet().AddCard(std::move(card));
    }
    QList<CDlgFind*> FindWindows() {
        QList<CDlgFind*> open;
        for (CDlgFind* dialog : Frame().findChildren<CDlgFind*>()) {
            if (dialog->isVisible())
                open.append(dialog);
        }
        return open;
    }
    CDlgFind* OpenFind() {
        const auto before = FindWindows();
        Frame().Action(Command::Find)->trigger();
        for (CDlgFind* dialog : FindWindows()) {
            if (!before.contains(dialog))
                return QTest::qWaitForWindowExposed(dialog) ? dialog : nullptr;
        }
        return nullptr;
    }
    QString Faults() const { return prompts.Faults().join(u'\n'); }
};

QStringList Listed(CDlgFind& dialog) {
    QStringList names;
    const QAbstractItemModel* model = dialog.Results().model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, 0).data().toString());
    return names;
}
} // namespace

class TestGuiFind : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    void searchMatchesDescriptionsValuesAndNotesSorted_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("value, other case") << "hunter" << false << QStringList{"zeta"};
        QTest::newRow("value, case matched") << "hunter" << true << QStringList{};
        QTest::newRow("notes only") << "harbour" << false << QStringList{"Alpha"};
        QTest::newRow("field name") << "Username" << false << QStringList{};
        QTest::newRow("sorted whatever the wallet's order") << "A" << false << QStringList{"Alpha", "beta", "zeta"};
        QTest::newRow("description, case matched") << "be" << true << QStringList{"beta"};
    }
    void searchMatchesDescriptionsValuesAndNotesSorted() {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(QStringList, found);
        Program p;
        QVERIFY(p.Start());
        p.AddCard(QStringLiteral("zeta"), QStringLiteral("HUNTER2"), QString());
        p.AddCard(QStringLiteral("beta"), QString(), QStringLiteral("nothing"));
        p.AddCard(QStringLiteral("Alpha"), QStringLiteral("1234"), QStringLiteral("moored in the harbour"));
        CDlgFind* find = p.OpenFind();
        QVERIFY(find);
        QTest::keyClicks(&find->FindText(), text);
        find->MatchCase().setChecked(matchCase);
        if (found.isEmpty())
            p.prompts.Message(QStringLiteral("No cards were found containing \"%1\"").arg(text), Prompts::Answer::Ok);
        else
            p.prompts.Message(QStringLiteral("Found %1 card(s) containing \"%2\"").arg(found.size()).arg(text),
                              Prompts::Answer::Ok);
        QTest::mouseClick(&find->FindButton(), Qt::LeftButton);
        QCOMPARE(Listed(*find), found);
        QVERIFY(find->isVisible());
        QVERIFY(find->FindButton().isEnabled());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void findButtonFollowsTheText() {
        Program p;
        QVERIFY(p.Start());
        CDlgFind* find = p.OpenFind();
        QVERIFY(find);
        QVERIFY(!find->FindButton().isEnabled());
        QTest::keyClicks(&find->FindText(), QStringLiteral("x"));
        QVERIFY(find->FindButton().isEnabled());
        QTest::keyClick(&find->FindText(), Qt::Key_Backspace);
        QVERIFY(!find->FindButton().isEnabled());
        // Enter with no text starts nothing: no message is expected.
        QTest::keyClick(&find->FindText(), Qt::Key_Return);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    // A screen reader names every control that the keyboard reaches.
    void everyControlHasAName() {
        Program p;
        QVERIFY(p.Start());
        CDlgFind* find = p.OpenFind();
        QVERIFY(find);
        for (QWidget* control : find->findChildren<QWidget*>()) {
            if (control->focusPolicy() == Qt::NoFocus || !control->isVisible() || control->focusProxy())
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), control->metaObject()->className());
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(&find->Results())->text(QAccessible::Name),
                 QStringLiteral("Cards found"));
    }

    void severalWindowsSearchOnTheirOwnAndCloseThemselves() {
        Program p;
        QVERIFY(p.Start());
        p.AddCard(QStringLiteral("first"), QString(), QString());
        p.AddCard(QStringLiteral("second"), QString(), QString());
        QPointer<CDlgFind> one = p.OpenFind();
        QPointer<CDlgFind> two = p.OpenFind();
        QVERIFY(one && two && one != two);
        QCOMPARE(p.FindWindows().size(), 2);
        p.prompts.Message(QStringLiteral("Found 1 card(s)"), Prompts::Answer::Ok);
        p.prompts.Message(QStringLiteral("Found 1 card(s)"), Prompts::Answer::Ok);
        one->FindText().setText(QStringLiteral("first"));
        one->accept();
        two->FindText().setText(QStringLiteral("second"));
        two->accept();
        QCOMPARE(Listed(*one), QStringList{"first"});
        QCOMPARE(Listed(*two), QStringList{"second"});
        QTest::keyClick(one, Qt::Key_Escape);
        QTRY_VERIFY(one.isNull());
        QVERIFY(two);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void doubleClickSelectsTheCardInTheTree() {
        Program p;
        QVERIFY(p.Start());
        p.AddCard(QStringLiteral("wanted"), QString(), QString());
        p.AddCard(QStringLiteral("other"), QString(), QString());
        Q_EMIT p.Wallet().updated(CWallet::kHintRefresh);
        CDlgFind* find = p.OpenFind();
        QVERIFY(find);
        p.prompts.Message(QStringLiteral("Found 1 card(s)"), Prompts::Answer::Ok);
        find->FindText().setText(QStringLiteral("wanted"));
        find->accept();
        QListView& list = find->Results();
        const QModelIndex item = list.model()->index(0, 0);
        // The view takes a double-click only on the item that the click before it pressed.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(item).center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(item).center());
        QCOMPARE(p.Frame().Tree().TreeCtrl().currentIndex().data().toString(), QStringLiteral("wanted"));
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }

    void lockedWalletOpensFindOnlyWithThePassword() {
        Program p;
        QVERIFY(p.Start());
        p.Wallet().SetPassword(QStringLiteral("4321"));
        p.Frame().Action(Command::LockWallet)->trigger();
        QVERIFY(p.Wallet().IsLocked());
        p.prompts.Password(QString(), false);
        QVERIFY(!p.OpenFind());
        p.prompts.Password(QStringLiteral("4321"));
        QVERIFY(p.OpenFind());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.Faults()));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiFind)
#include "TestGuiFind.moc"
