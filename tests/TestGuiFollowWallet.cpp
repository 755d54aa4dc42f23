// SPDX-License-Identifier: GPL-3.0-or-later
// The tree, the summary's list and Find's results follow the wallet's changes row by row: after any sequence of
// changes they show exactly the wallet's records, hold none that it freed, and keep what the user selected.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "WalletViews.h"
#include "dialogs/CDlgFind.h"
#include "dialogs/CFindResultsModel.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "model/RecordEditor.h"
#include "views/CIconListModel.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CMainFrame.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/Commands.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QScopeGuard>

namespace {

// Renames the category whose sheet it is asked to show.
class RenamingEditor : public RecordEditor {
public:
    QString name;

    bool EditCard(CCard&) override { return false; }
    bool EditCategory(CCategory& working, qint32&) override {
        working.description = name;
        return true;
    }
    QString SelectTemplate(const QString&, bool) override { return {}; }
};

// A card's sheet that is still open when the automatic lock runs out, and then accepted.
class LockingEditor : public RecordEditor {
public:
    explicit LockingEditor(CMainFrame& frame) : m_frame(frame) {}

    bool EditCard(CCard& working) override {
        m_frame.OnLockTimer();
        working.description = QStringLiteral("Renamed");
        return true;
    }
    bool EditCategory(CCategory&, qint32&) override { return false; }
    QString SelectTemplate(const QString&, bool) override { return {}; }

private:
    CMainFrame& m_frame;
};

// Paints the whole window before each question is answered by the scripted prompts.
class PaintingPrompts : public Prompts {
public:
    PaintingPrompts(Prompts& answers, QWidget& window) : m_answers(answers), m_window(window) { Install(this); }
    ~PaintingPrompts() override { Install(&m_answers); }

    int painted = 0;

    Answer Message(const QString& text, Icon icon, Buttons buttons, Answer defaultAnswer) override {
        Paint();
        return m_answers.Message(text, icon, buttons, defaultAnswer);
    }
    QString OpenFileName(const QString& filter, const QString& extension) override {
        Paint();
        return m_answers.OpenFileName(filter, extension);
    }
    QString SaveFileName(const QString& filter, const QString& extension, const QString& proposed) override {
        Paint();
        return m_answers.SaveFileName(filter, extension, proposed);
    }
    bool PromptPassword(QString& password, const QString& message) override {
        Paint();
        return m_answers.PromptPassword(password, message);
    }
    bool AskPassphrase(QString& passphrase, const QString& walletName, bool isNew) override {
        Paint();
        return m_answers.AskPassphrase(passphrase, walletName, isNew);
    }

private:
    void Paint() {
        m_window.grab();
        ++painted;
    }

    Prompts& m_answers;
    QWidget& m_window;
};

} // namespace

class TestGuiFollowWallet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Random changes of every kind through the wallet; the models are checked by Qt's model tester as they go.
    void viewsFollowRandomChanges_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {20261208u, 7u, 1999u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void viewsFollowRandomChanges() {
        QFETCH(quint32, seed);
        GuiProgram p;
        QVERIFY(p.Start());
        CWallet& wallet = p.Wallet();
        CTreeModel& tree = p.Frame().Tree().Model();
        QAbstractItemModelTester treeTester(&tree, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester listTester(&p.Frame().Summary().ListModel(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        wallet.SetPassword(QStringLiteral("2468"));
        QRandomGenerator random(seed);
        auto pick = [&random](auto& list) { return list.Count() ? list.At(random.bounded(list.Count())) : nullptr; };
        static const QStringList names{"alpha", "Beta", "beta", "Gamma", "delta", "Alpha", "epsilon", ""};
        auto name = [&random] { return names[random.bounded(names.size())] + QString::number(random.bounded(3)); };
        RenamingEditor editor;
        RecordEditor* const windows = RecordEditor::Get();
        const auto restore = qScopeGuard([windows] { RecordEditor::Install(windows); });
        RecordEditor::Install(&editor);
        for (int step = 0; step < 400; ++step) {
            const int what = random.bounded(11);
            CCategory* category = pick(wallet.Categories());
            CCard* card = pick(wallet.Cards());
            if (what <= 2 && category) {
                auto made = std::make_unique<CCard>(wallet.NextId());
                made->description = name();
                made->categoryId = category->id;
                made->templateName = QStringLiteral("9");
                wallet.AddCard(std::move(made));
            } else if (what == 3 && card) {
                wallet.ChangeCard(*card, [&](CCard& changed) {
                    changed.description = name();
                    return true;
                });
            } else if (what == 4 && card && category) {
                wallet.CardClipboard(random.bounded(2) ? CWallet::kCut : CWallet::kCopy, card, 0);
                wallet.CardClipboard(CWallet::kPaste, nullptr, category->id);
            } else if (what == 5 && card) {
                p.prompts.Message(QStringLiteral("delete the selected card"), Prompts::Answer::Yes);
                QVERIFY(wallet.DeleteCard(card->id));
            } else if (what == 6) {
                auto made = std::make_unique<CCategory>(wallet.NextId());
                made->description = name();
                made->flag = random.bounded(2);
                wallet.AddCategory(std::move(made));
            } else if (what == 7 && category && random.bounded(3) == 0) {
                p.prompts.Message(QStringLiteral("delete all the cards"), Prompts::Answer::Yes);
                if (wallet.IsLocked())
                    p.prompts.Password(QStringLiteral("2468"));
                QVERIFY(wallet.DeleteCategory(category->id));
            } else if (what == 8) {
                wallet.SetLocked(!wallet.IsLocked());
            } else if (what == 10 && category) {
                editor.name = name() + QStringLiteral("x"); // a category needs a name
                if (category->RequiresPassword() && wallet.IsLocked())
                    p.prompts.Password(QStringLiteral("2468"));
                wallet.EditCategory(*category);
            } else if (what == 9 && card) {
                // Whatever is selected, and then the card shown in the summary; a card kept out of sight asks for
                // the password first.
                const CCategory* holder = wallet.Categories().FindById(card->categoryId);
                if (wallet.IsGuarded() && holder && holder->RequiresPassword())
                    p.prompts.Password(QStringLiteral("2468"), random.bounded(2) == 0);
                p.Frame().Tree().SelectCard(card->id);
            }
            QCoreApplication::processEvents();
            QString difference = TreeDifference(tree, wallet);
            if (difference.isEmpty())
                difference = SummaryDifference(p.Frame().Summary(), p.Frame().CurrentCategoryId(), wallet);
            QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(difference)));
        }
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join('\n')));
    }

    // A change elsewhere in the wallet, or to the selected card itself, leaves the selection on the same card and the
    // expanded categories open.
    void selectionAndExpansionStay() {
        GuiProgram p;
        QVERIFY(p.Start());
        CWallet& wallet = p.Wallet();
        auto add = [&wallet](const QString& name, qint32 category) -> CCard& {
            auto made = std::make_unique<CCard>(wallet.NextId());
            made->description = name;
            made->categoryId = category;
            made->templateName = QStringLiteral("9");
            return wallet.AddCard(std::move(made));
        };
        const qint32 business = wallet.Categories().At(0)->id;
        const qint32 personal = wallet.Categories().At(1)->id;
        CCard& chosen = add(QStringLiteral("m"), business);
        CCard& other = add(QStringLiteral("n"), business);
        add(QStringLiteral("p"), personal);
        CViewCategoriesCards& view = p.Frame().Tree();
        view.SelectCard(chosen.id);
        CTreeModel& tree = view.Model();
        QItemSelectionModel& selection = *view.TreeCtrl().selectionModel();
        const QPersistentModelIndex personalRow = tree.CategoryIndex(personal);
        view.TreeCtrl().expand(personalRow);
        auto rename = [&wallet](CCard& card, const QString& text) {
            wallet.ChangeCard(card, [&text](CCard& changed) {
                changed.description = text;
                return true;
            });
        };
        rename(other, QStringLiteral("a")); // moves above the selection
        QCOMPARE(tree.CardAt(selection.currentIndex()), &chosen);
        rename(chosen, QStringLiteral("z")); // the selection itself moves
        QCOMPARE(tree.CardAt(selection.currentIndex()), &chosen);
        QCOMPARE(selection.currentIndex().row(), 1);
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = QStringLiteral("A first");
        wallet.AddCategory(std::move(category)); // every category row moves down
        QCOMPARE(tree.CardAt(selection.currentIndex()), &chosen);
        QVERIFY(view.TreeCtrl().isExpanded(personalRow));
        QCOMPARE(tree.CategoryAt(personalRow), wallet.Categories().FindById(personal));
        wallet.CardClipboard(CWallet::kCut, &chosen, 0);
        wallet.CardClipboard(CWallet::kPaste, nullptr, personal); // to another category
        QCOMPARE(tree.CardAt(selection.currentIndex()), &chosen);
        QCOMPARE(tree.parent(selection.currentIndex()), QModelIndex(personalRow));
        view.TreeCtrl().collapse(tree.CategoryIndex(business));
        wallet.CardClipboard(CWallet::kCut, &chosen, 0);
        wallet.CardClipboard(CWallet::kPaste, nullptr, business); // into a closed category, which opens
        QVERIFY(view.TreeCtrl().isExpanded(selection.currentIndex().parent()));
        QCOMPARE(tree.CardAt(selection.currentIndex()), &chosen);
    }

    // A card edited from the summary's list whose sheet outlasts the list: the automatic lock showed the categories
    // meanwhile, and the card must not join them.
    void summaryListKeepsToWhatItShowsAfterASheet() {
        GuiProgram p;
        QVERIFY(p.Start());
        CWallet& wallet = p.Wallet();
        wallet.SetPassword(QStringLiteral("2468"));
        CWallet::Settings settings = wallet.GetSettings();
        settings.autoLock = 1;
        wallet.SetSettings(settings);
        const qint32 business = wallet.Categories().At(0)->id;
        auto made = std::make_unique<CCard>(wallet.NextId());
        made->description = QStringLiteral("Visa");
        made->categoryId = business;
        made->templateName = QStringLiteral("9");
        wallet.AddCard(std::move(made));
        p.Frame().Tree().SelectCategory(business);
        CViewSummary& summary = p.Frame().Summary();
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCardList));
        summary.ListCtrl().setCurrentIndex(summary.ListModel().index(0));
        LockingEditor editor(p.Frame());
        RecordEditor* const windows = RecordEditor::Get();
        const auto restore = qScopeGuard([windows] { RecordEditor::Install(windows); });
        RecordEditor::Install(&editor);
        summary.DoListAction(CViewCategoriesCards::Properties);
        QVERIFY(wallet.IsLocked());
        QCOMPARE(wallet.Cards().At(0)->description, QStringLiteral("Renamed"));
        QCOMPARE(summary.GetMode(), int(CViewSummary::kCategoryList));
        QCOMPARE(SummaryDifference(summary, p.Frame().CurrentCategoryId(), wallet), QString());
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join('\n')));
    }

    // A question asked while the wallet is made anew lets the windows paint (a real dialog runs an event loop): by
    // then they must hold none of the records that went.
    void windowsPaintWhileTheWalletIsMadeAnew() {
        GuiProgram p;
        QVERIFY(p.Start());
        CWallet& wallet = p.Wallet();
        auto made = std::make_unique<CCard>(wallet.NextId());
        made->description = QStringLiteral("Visa");
        made->categoryId = wallet.Categories().At(0)->id;
        made->templateName = QStringLiteral("9");
        p.Frame().Tree().SelectCard(wallet.AddCard(std::move(made)).id);
        p.Frame().show();
        PaintingPrompts painting(p.prompts, p.Frame());
        p.prompts.Message(QStringLiteral("save"), Prompts::Answer::No);
        p.prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        p.Frame().Action(Command::NewWallet)->trigger();
        QVERIFY(painting.painted >= 2);
        QCOMPARE(wallet.Cards().Count(), 0);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join('\n')));
    }

    // Find's rows follow the cards they name, and a new wallet empties them: a row of the old wallet would lead to
    // whatever card of the new one has its id.
    void findResultsFollowTheWallet() {
        GuiProgram p;
        QVERIFY(p.Start());
        CWallet& wallet = p.Wallet();
        for (const char* name : {"Visa", "Visa Gold", "Amex"}) {
            auto made = std::make_unique<CCard>(wallet.NextId());
            made->description = QString::fromLatin1(name);
            made->categoryId = wallet.Categories().At(0)->id;
            made->templateName = QStringLiteral("9");
            wallet.AddCard(std::move(made));
        }
        p.Frame().Action(Command::Find)->trigger();
        auto* find = p.Frame().findChild<CDlgFind*>();
        QVERIFY(find);
        QAbstractItemModelTester tester(find->Results().model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        find->FindText().setText(QStringLiteral("visa"));
        p.prompts.Message(QStringLiteral("Found 2 card(s)"), Prompts::Answer::Ok);
        find->accept();
        QAbstractItemModel& results = *find->Results().model();
        QCOMPARE(results.rowCount(), 2);
        CCard& gold = *wallet.Cards().At(1);
        wallet.ChangeCard(gold, [](CCard& changed) {
            changed.description = QStringLiteral("A Visa");
            return true;
        });
        QCOMPARE(results.index(0, 0).data().toString(), QStringLiteral("A Visa"));
        p.prompts.Message(QStringLiteral("delete the selected card"), Prompts::Answer::Yes);
        QVERIFY(wallet.DeleteCard(gold.id));
        QCOMPARE(results.rowCount(), 1);
        QCOMPARE(FindResultsDifference(static_cast<CFindResultsModel&>(results), wallet), QString());
        p.prompts.Message(QStringLiteral("save"), Prompts::Answer::No);
        p.prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        p.Frame().Action(Command::NewWallet)->trigger();
        QCOMPARE(results.rowCount(), 0);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join('\n')));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiFollowWallet)
#include "TestGuiFollowWallet.moc"
