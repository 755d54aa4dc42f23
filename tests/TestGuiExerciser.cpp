// SPDX-License-Identifier: GPL-3.0-or-later
// A randomized exerciser of the desktop program. It starts the program on a wallet with protected and unprotected
// categories, cards and attachments, then runs random steps: menu commands, toolbar buttons, keys, clicks and item
// menus in the tree and the summary, Find windows, locking and unlocking, the automatic lock, New, Open, Import and
// Save of small prepared files, and closing and starting the program again. Every question and every modal dialog
// is answered at random. After each step the tree, the summary and every Find window must show exactly what the
// wallet holds, Qt's model tester must be content, and no dialog may be left open.
//
// The seed is printed first; KORVEL_EXERCISER_SEED replays a run and KORVEL_EXERCISER_STEPS sets its length. A
// failure, a crash or a sanitizer's report ends with the last steps and what was answered in each.
#include "ExerciserSamples.h"
#include "GuiTestMain.h"
#include "RandomModalDriver.h"
#include "RandomPrompts.h"
#include "WalletViews.h"
#include "base/Clock.h"
#include "dialogs/CDlgFind.h"
#include "dialogs/CFindResultsModel.h"
#include "views/CCardFilter.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CNotesPane.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/Commands.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>

#include <csignal>
#include <deque>
#include <memory>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// The last steps of the run with what happened in each, kept as plain bytes so that a crash handler can write them.
class StepLog {
public:
    static constexpr size_t kKept = 30;

    void Begin(const QString& step) {
        m_steps.push_back(step.toStdString());
        if (m_steps.size() > kKept)
            m_steps.pop_front();
    }
    void Note(const QString& note) {
        if (m_steps.empty())
            Begin(QStringLiteral("start"));
        m_steps.back() += "\n        " + note.toStdString();
    }
    const std::string& Last() const { return m_steps.back(); }
    QString Text() const {
        QString text;
        for (const std::string& step : m_steps)
            text += QStringLiteral("    ") + QString::fromStdString(step) + u'\n';
        return text;
    }
    // Only write(2): the process may be going down.
    void Write(int fd) const {
        for (const std::string& step : m_steps) {
            Put(fd, "    ");
            Put(fd, step.c_str());
            Put(fd, "\n");
        }
    }
    static void Put(int fd, const char* text) {
        size_t left = strlen(text);
        while (left > 0) {
            const ssize_t written = write(fd, text, left);
            if (written <= 0)
                return;
            text += written;
            left -= size_t(written);
        }
    }

private:
    std::deque<std::string> m_steps;
};

// What a crash prints: the seed and the last steps. Set while a run is on.
const StepLog* g_log = nullptr;
char g_replay[160] = "";

void WriteCrashReport() {
    if (!g_log)
        return;
    StepLog::Put(STDERR_FILENO, "\nexerciser: the program went down; ");
    StepLog::Put(STDERR_FILENO, g_replay);
    StepLog::Put(STDERR_FILENO, "\nexerciser: the last steps:\n");
    g_log->Write(STDERR_FILENO);
}

// The signals that end the process. Under AddressSanitizer its own handler reports faults of memory, then calls
// WriteCrashReport; an abort (a failed assertion, qFatal) is still ours.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFatalSignals[] = {SIGABRT};
#else
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
#endif
struct sigaction g_previous[NSIG];

void OnFatalSignal(int signal) {
    WriteCrashReport();
    g_log = nullptr;
    sigaction(signal, &g_previous[signal], nullptr);
    raise(signal);
}

// Reports crashes with the log while it lives.
class CrashReport {
public:
    CrashReport(const StepLog& log, quint32 seed, int steps) {
        g_log = &log;
        snprintf(g_replay, sizeof g_replay, "replay with KORVEL_EXERCISER_SEED=%u KORVEL_EXERCISER_STEPS=%d", seed,
                 steps);
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(&WriteCrashReport);
#endif
        for (int signal : kFatalSignals) {
            struct sigaction action = {};
            action.sa_handler = &OnFatalSignal;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, &g_previous[signal]);
        }
    }
    ~CrashReport() {
        g_log = nullptr;
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(nullptr);
#endif
        for (int signal : kFatalSignals)
            sigaction(signal, &g_previous[signal], nullptr);
    }
    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;
};

quint32 SeedFromEnvironment() {
    bool given = false;
    const quint32 seed = qEnvironmentVariable("KORVEL_EXERCISER_SEED").toUInt(&given);
    return given ? seed : quint32(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF);
}

int StepsFromEnvironment() {
    bool given = false;
    const int steps = qEnvironmentVariable("KORVEL_EXERCISER_STEPS").toInt(&given);
    return given && steps > 0 ? steps : 5000;
}

// The run: the program, the random answers and the steps.
class Exerciser : public QObject {
    Q_OBJECT

public:
    Exerciser(quint32 seed, const QString& folder)
        : m_random(seed), m_samples(QDir(folder).filePath(QStringLiteral("samples"))),
          m_work(QDir(folder).filePath(QStringLiteral("work"))),
          m_prompts(m_random, m_samples, m_work, [this](const QString& note) { m_log.Note(note); }),
          m_driver(
              m_random, [this] { return m_prompts.KeypadPassword(); },
              [this](const QString& note) { m_log.Note(note); }) {
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Opened");
        // The automatic lock runs out whenever its period ends, also while a dialog is open.
        m_driver.SetMeanwhile([this] {
            if (m_app && m_app->MainFrame())
                AutomaticLock();
        });
    }
    ~Exerciser() override {
        StopProgram();
        Clock::Release();
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    const StepLog& Log() const { return m_log; }
    int Restarts() const { return m_restarts; }

    // Makes the samples and starts the program on the starting wallet; false with `error` when that failed.
    bool Start(QString& error) {
        // The program's clock runs at the pace of the steps, from a moment of the run's own.
        Clock::Freeze(QDateTime(QDate(2026, 1, 5), QTime(9, 0)));
        QDir().mkpath(m_samples);
        QDir().mkpath(m_work);
        if (!ExerciserSamples::Make(m_samples, m_work, RandomPrompts::Passphrase(), error))
            return false;
        // The program's settings, named before the program names them itself.
        QCoreApplication::setOrganizationName(QString::fromLatin1(CKorvelApp::kOrganization));
        QCoreApplication::setApplicationName(QString::fromLatin1(CKorvelApp::kApplication));
        QSettings settings;
        settings.clear();
        settings.setValue(QStringLiteral("Settings/LastDoc"), QDir(m_work).filePath(QStringLiteral("start.kvx")));
        settings.sync();
        m_log.Begin(QStringLiteral("start"));
        return StartProgram(error);
    }

    // One random step, then the checks; "" when all is well, else what went wrong.
    QString Step(int step) {
        struct Kind {
            const char* name;
            int weight;
            void (Exerciser::*run)();
        };
        static const Kind kinds[] = {{"menu", 16, &Exerciser::MenuCommand},
                                     {"toolbar", 8, &Exerciser::ToolbarButton},
                                     {"key", 14, &Exerciser::Key},
                                     {"tree", 18, &Exerciser::TreeClick},
                                     {"summary", 8, &Exerciser::SummaryClick},
                                     {"item menu", 6, &Exerciser::ItemMenu},
                                     {"lock", 7, &Exerciser::LockOrUnlock},
                                     {"automatic lock", 2, &Exerciser::AutomaticLock},
                                     {"card", 8, &Exerciser::CardCommand},
                                     {"file", 6, &Exerciser::FileCommand},
                                     {"find", 6, &Exerciser::FindWindow},
                                     {"search", 6, &Exerciser::SearchField},
                                     {"bars", 1, &Exerciser::BarsMenu},
                                     {"exit", 1, &Exerciser::Exit}};
        int total = 0;
        for (const Kind& kind : kinds)
            total += kind.weight;
        int roll = Roll(total);
        const Kind* chosen = &kinds[0];
        for (const Kind& kind : kinds) {
            if (roll < kind.weight) {
                chosen = &kind;
                break;
            }
            roll -= kind.weight;
        }
        m_log.Begin(QStringLiteral("step %1, %2:").arg(step).arg(QString::fromLatin1(chosen->name)));
        Clock::Advance(300 + Roll(2700)); // the user looks before acting
        (this->*chosen->run)();
        if (m_verbose)
            qInfo("%s", m_log.Last().c_str());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Check();
    }

public Q_SLOTS:
    // Stands in for the desktop's opener of files and links.
    void Opened(const QUrl& url) { m_log.Note(QStringLiteral("opens %1").arg(url.toString())); }

private:
    static constexpr const char* kSchemes[] = {"file", "http", "https", "mailto", "ftp"};
    static constexpr const char* kTested = "exerciserTested";

    int Roll(int bound) { return int(m_random.bounded(bound)); }
    bool Chance(int percent) { return Roll(100) < percent; }
    void Note(const QString& note) { m_log.Note(note); }

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    CWallet& Wallet() { return *m_app->Wallet(); }
    CItemTreeCtrl& TreeCtrl() { return Frame().Tree().TreeCtrl(); }
    CTreeModel& TreeModel() { return Frame().Tree().Model(); }

    // -- The program --------------------------------------------------------------------------------------------

    bool StartProgram(QString& error) {
        for (int attempt = 0;; ++attempt) {
            // A program that ended through QCoreApplication::exit leaves every later event loop returning at once;
            // a new process would start clean, and so must the next program here.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
            m_app = std::make_unique<CKorvelApp>(&m_prompts, QString());
            if (m_app->InitInstance({QStringLiteral("korvel")}))
                break;
            Note(QStringLiteral("the program did not start (exit code %1)").arg(m_app->ExitCode()));
            m_app.reset();
            // The user gives up on the wallet that will not open, as the next start would ask again.
            if (attempt == 2)
                QSettings().remove(QStringLiteral("Settings/LastDoc"));
            if (attempt == 5) {
                error = QStringLiteral("the program does not start");
                return false;
            }
        }
        m_prompts.SetWindow(&Frame());
        m_treeTester = std::make_unique<QAbstractItemModelTester>(
            &TreeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_listTester = std::make_unique<QAbstractItemModelTester>(
            &Frame().Summary().ListModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Frame().activateWindow();
        return true;
    }

    void StopProgram() {
        m_treeTester.reset();
        m_listTester.reset();
        m_app.reset();
    }

    bool Restart() {
        ++m_restarts;
        StopProgram();
        QString error;
        if (StartProgram(error))
            return true;
        Note(error);
        return false;
    }

    // -- Checks -------------------------------------------------------------------------------------------------

    QString Check() {
        QStringList problems = m_driver.TakeFaults();
        if (QWidget* modal = QApplication::activeModalWidget())
            problems.append(QStringLiteral("%1 stays open").arg(QLatin1String(modal->metaObject()->className())));
        if (!m_app || Wallet().IsQuitting() || !Frame().isVisible()) {
            Note(QStringLiteral("the program ended; it starts again"));
            if (!Restart())
                problems.append(QStringLiteral("the program does not start again"));
        }
        if (m_app) {
            // The search field's last keys are still being searched; the user waits a moment as well.
            CCardFilter& filter = Frame().Tree().Filter();
            for (int wait = 0; wait < 200 && filter.IsSearching(); ++wait)
                QTest::qWait(5);
            problems.append(TreeDifference(TreeModel(), Wallet(), filter.Text()));
            problems.append(SummaryDifference(Frame().Summary(), Frame().CurrentCategoryId(), Wallet()));
            problems.append(ShownCardDifference());
            // Paste offers the card last cut or copied only while the wallet holds it.
            if (const CCard* held = Wallet().ClipboardCard()) {
                bool holds = false;
                for (const CCard* card : Wallet().Cards())
                    holds = holds || card == held;
                if (!holds)
                    problems.append(QStringLiteral("the card held for pasting is not in the wallet"));
            }
            for (CDlgFind* find : Frame().findChildren<CDlgFind*>()) {
                auto& results = static_cast<CFindResultsModel&>(*find->Results().model());
                if (!find->property(kTested).toBool()) {
                    find->setProperty(kTested, true);
                    new QAbstractItemModelTester(&results, QAbstractItemModelTester::FailureReportingMode::QtTest,
                                                 &results);
                }
                problems.append(FindResultsDifference(results, Wallet()));
            }
            if (!QApplication::activeWindow())
                Frame().activateWindow();
        }
        if (QTest::currentTestFailed())
            problems.append(QStringLiteral("Qt's model tester failed (above)"));
        problems.removeAll(QString());
        return problems.join(u'\n');
    }

    // "" when the summary shows the card the tree selects, and a card only when the tree selects it.
    QString ShownCardDifference() {
        const CCard* selected = TreeModel().CardAt(TreeCtrl().currentIndex());
        CViewSummary& summary = Frame().Summary();
        const CCard* shown = summary.GetMode() == CViewSummary::kCardDetails ? summary.CurrentCard() : nullptr;
        if (shown == selected)
            return {};
        return QStringLiteral("the tree selects %1, the summary shows %2")
            .arg(selected ? QStringLiteral("\"%1\"").arg(selected->description) : QStringLiteral("no card"),
                 shown ? QStringLiteral("\"%1\"").arg(shown->description) : QStringLiteral("no card"));
    }

    // -- Steps --------------------------------------------------------------------------------------------------

    void Trigger(QAction* action, const QString& how) {
        Note(QStringLiteral("%1 %2").arg(how, action->text().remove(u'&').section(u'\t', 0, 0)));
        action->trigger();
    }

    // Enabled commands of a menu and its submenus; Exit is a step of its own.
    static void Collect(const QList<QAction*>& actions, QList<QAction*>& into) {
        for (QAction* action : actions) {
            if (action->isSeparator() || !action->isVisible() || !action->isEnabled())
                continue;
            if (action->menu())
                Collect(action->menu()->actions(), into);
            else if (action->data().toInt() != Command::Exit)
                into.append(action);
        }
    }

    void MenuCommand() {
        if (Frame().menuBar()->isHidden())
            return BarsMenu();
        QList<QAction*> actions;
        Collect(Frame().menuBar()->actions(), actions);
        if (!actions.isEmpty())
            Trigger(actions[Roll(int(actions.size()))], QStringLiteral("chooses"));
    }

    void ToolbarButton() {
        auto* toolBar = Frame().findChild<QToolBar*>(QStringLiteral("Toolbar"));
        if (!toolBar || toolBar->isHidden())
            return MenuCommand();
        QList<QWidget*> buttons;
        for (QAction* action : toolBar->actions()) {
            QWidget* button = toolBar->widgetForAction(action);
            if (!action->isSeparator() && action->isEnabled() && button && button->isVisible())
                buttons.append(button);
        }
        if (buttons.isEmpty())
            return;
        QWidget* button = buttons[Roll(int(buttons.size()))];
        Note(QStringLiteral("clicks %1").arg(button->toolTip()));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void Key() {
        struct Press {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        };
        static const Press presses[] = {{Qt::Key_Tab, {}},
                                        {Qt::Key_Backtab, Qt::ShiftModifier},
                                        {Qt::Key_Up, {}},
                                        {Qt::Key_Down, {}},
                                        {Qt::Key_Down, {}},
                                        {Qt::Key_Left, {}},
                                        {Qt::Key_Right, {}},
                                        {Qt::Key_Home, {}},
                                        {Qt::Key_End, {}},
                                        {Qt::Key_PageDown, {}},
                                        {Qt::Key_Return, {}},
                                        {Qt::Key_Enter, {}},
                                        {Qt::Key_Escape, {}},
                                        {Qt::Key_Delete, {}},
                                        {Qt::Key_Space, {}},
                                        {Qt::Key_F2, {}},
                                        {Qt::Key_F10, {}},
                                        {Qt::Key_A, {}},
                                        {Qt::Key_V, {}},
                                        {Qt::Key_5, {}},
                                        {Qt::Key_C, Qt::ControlModifier},
                                        {Qt::Key_X, Qt::ControlModifier},
                                        {Qt::Key_V, Qt::ControlModifier},
                                        {Qt::Key_T, Qt::ControlModifier},
                                        {Qt::Key_R, Qt::ControlModifier},
                                        {Qt::Key_F, Qt::ControlModifier},
                                        {Qt::Key_N, Qt::ControlModifier},
                                        {Qt::Key_O, Qt::ControlModifier},
                                        {Qt::Key_S, Qt::ControlModifier},
                                        {Qt::Key_P, Qt::ControlModifier},
                                        {Qt::Key_E, Qt::ControlModifier},
                                        {Qt::Key_B, Qt::ControlModifier},
                                        {Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier},
                                        {Qt::Key_L, Qt::ControlModifier}};
        const Press& press = presses[Roll(int(std::size(presses)))];
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow() ? QApplication::activeWindow() : &Frame();
        Note(QStringLiteral("presses %1 in %2 %3")
                 .arg(QKeySequence(press.key | press.modifiers).toString(),
                      QLatin1String(target->metaObject()->className()), target->objectName()));
        QTest::keyClick(target, press.key, press.modifiers);
    }

    // The tree's rows that can be seen: the root, its categories when it is open, the cards of open categories.
    QList<QModelIndex> VisibleTreeRows() {
        CTreeModel& model = TreeModel();
        const QModelIndex root = model.RootIndex();
        QList<QModelIndex> rows{root};
        if (!TreeCtrl().isExpanded(root))
            return rows;
        for (int row = 0; row < model.rowCount(root); ++row) {
            const QModelIndex category = model.index(row, 0, root);
            rows.append(category);
            if (!TreeCtrl().isExpanded(category))
                continue;
            for (int card = 0; card < model.rowCount(category); ++card)
                rows.append(model.index(card, 0, category));
        }
        return rows;
    }

    // Where a row is drawn in `view`'s viewport, scrolled into sight; an empty point when it is not drawn.
    static QPoint RowPoint(QAbstractItemView& view, const QModelIndex& index) {
        view.scrollTo(index);
        const QRect rect = view.visualRect(index);
        return rect.isValid() && view.viewport()->rect().contains(rect.center()) ? rect.center() : QPoint();
    }

    void TreeClick() {
        const QList<QModelIndex> rows = VisibleTreeRows();
        const QModelIndex index = rows[Roll(int(rows.size()))];
        CItemTreeCtrl& tree = TreeCtrl();
        const QString name = index.data().toString();
        const QPoint point = RowPoint(tree, index);
        const int roll = Roll(100);
        if (roll < 15 && TreeModel().rowCount(index) > 0) {
            Note(QStringLiteral("%1 \"%2\"")
                     .arg(tree.isExpanded(index) ? QStringLiteral("closes") : QStringLiteral("opens"), name));
            tree.setExpanded(index, !tree.isExpanded(index));
        } else if (roll < 25) {
            Note(QStringLiteral("moves with a key in the tree"));
            QTest::keyClick(&tree, Chance(50) ? Qt::Key_Down : Qt::Key_Up);
        } else if (roll < 32) {
            Note(QStringLiteral("clicks below the tree's rows"));
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                              tree.viewport()->rect().bottomLeft() + QPoint(5, -3));
        } else if (point.isNull()) {
            Note(QStringLiteral("selects \"%1\"").arg(name));
            tree.setCurrentIndex(index);
        } else if (roll < 85) {
            Note(QStringLiteral("clicks \"%1\"").arg(name));
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, point);
        } else {
            Note(QStringLiteral("double-clicks \"%1\"").arg(name));
            QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, point);
        }
    }

    void SummaryClick() {
        CViewSummary& summary = Frame().Summary();
        if (summary.GetMode() == CViewSummary::kCardDetails) {
            QList<QWidget*> values;
            for (int row = 0; row < summary.ShownRows(); ++row)
                values.append(const_cast<CLinkLabel*>(&summary.ValueLabel(row)));
            if (values.isEmpty() || !values.first()->isVisible())
                return TreeClick();
            QWidget* value = values[Roll(int(values.size()))];
            Note(QStringLiteral("clicks the value \"%1\"").arg(static_cast<QLabel*>(value)->text()));
            QTest::mouseClick(value, Qt::LeftButton, {}, QPoint(2, value->height() / 2));
            return;
        }
        CItemListCtrl& list = summary.ListCtrl();
        const int rows = summary.ListModel().rowCount();
        if (summary.GetMode() == CViewSummary::kBlank || !list.isVisible())
            return TreeClick();
        if (rows == 0 || Chance(10)) {
            Note(QStringLiteral("clicks the summary's empty space"));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                              list.viewport()->rect().bottomRight() - QPoint(3, 3));
            return;
        }
        const QModelIndex index = summary.ListModel().index(Roll(rows));
        const QString name = index.data().toString();
        const QPoint point = RowPoint(list, index);
        if (point.isNull() || Chance(20)) {
            Note(QStringLiteral("selects \"%1\" in the summary").arg(name));
            list.setCurrentIndex(index);
        } else if (Chance(75)) {
            Note(QStringLiteral("clicks \"%1\" in the summary").arg(name));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
        } else {
            Note(QStringLiteral("double-clicks \"%1\" in the summary").arg(name));
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, point);
        }
    }

    // A right click (or the menu key) on the tree, the summary's list or the notes; the driver chooses in the menu.
    void ItemMenu() {
        QAbstractScrollArea* area = nullptr;
        QPoint point;
        const int roll = Roll(100);
        if (roll < 55) {
            area = &TreeCtrl();
            const QList<QModelIndex> rows = VisibleTreeRows();
            point = RowPoint(TreeCtrl(), rows[Roll(int(rows.size()))]);
        } else if (roll < 85 && Frame().Summary().ListCtrl().isVisible()) {
            area = &Frame().Summary().ListCtrl();
            const int rows = Frame().Summary().ListModel().rowCount();
            if (rows > 0 && Chance(80))
                point =
                    RowPoint(*static_cast<QAbstractItemView*>(area), Frame().Summary().ListModel().index(Roll(rows)));
        } else {
            area = &Frame().Notes();
        }
        if (point.isNull())
            point = QPoint(4, area->viewport()->height() - 4);
        const bool keyboard = Chance(20);
        Note(QStringLiteral("%1 in %2")
                 .arg(keyboard ? QStringLiteral("menu key") : QStringLiteral("right click"),
                      QLatin1String(area->metaObject()->className())));
        if (keyboard) {
            area->setFocus();
            QContextMenuEvent event(QContextMenuEvent::Keyboard, point, area->viewport()->mapToGlobal(point));
            QApplication::sendEvent(area->viewport(), &event);
        } else {
            QTest::mouseClick(area->viewport(), Qt::RightButton, {}, point);
            QContextMenuEvent event(QContextMenuEvent::Mouse, point, area->viewport()->mapToGlobal(point));
            QApplication::sendEvent(area->viewport(), &event);
        }
    }

    void LockOrUnlock() {
        if (!Wallet().IsLocked()) {
            if (QAction* lock = Frame().Action(Command::LockWallet); lock->isEnabled())
                Trigger(lock, QStringLiteral("locks with"));
            return;
        }
        // Unlocking is opening something protected: a protected category, or a command behind the password.
        QList<QModelIndex> protectedRows;
        for (const QModelIndex& index : VisibleTreeRows()) {
            if (index.data(CTreeModel::kIdRole).toInt() < 0)
                protectedRows.append(index);
        }
        if (!protectedRows.isEmpty() && Chance(70)) {
            const QModelIndex index = protectedRows[Roll(int(protectedRows.size()))];
            if (Chance(50)) {
                Note(QStringLiteral("opens the protected \"%1\"").arg(index.data().toString()));
                TreeCtrl().expand(index);
            } else {
                Note(QStringLiteral("selects the protected \"%1\"").arg(index.data().toString()));
                TreeCtrl().setCurrentIndex(index);
            }
            return;
        }
        static const int guarded[] = {Command::Find, Command::ManageTemplates, Command::ExportData,
                                      Command::WalletProperties};
        Trigger(Frame().Action(guarded[Roll(int(std::size(guarded)))]), QStringLiteral("unlocks through"));
    }

    // The end of a period of the automatic lock, when its timer runs.
    void AutomaticLock() {
        if (!Frame().IsLockTimerActive()) {
            Note(QStringLiteral("the automatic lock is off"));
            return;
        }
        Note(QStringLiteral("the automatic lock's period ends"));
        Frame().OnLockTimer();
    }

    // The commands on cards, which the other steps reach only now and then: a category is opened in the tree and one
    // of its cards edited, cut, copied or deleted, or a new one made, or what was cut or copied pasted into it;
    // through the tree, or through the summary's list of the category's cards.
    void CardCommand() {
        CTreeModel& model = TreeModel();
        const QModelIndex root = model.RootIndex();
        if (model.rowCount(root) == 0)
            return FileCommand();
        // Mostly a category that shows cards.
        QList<QModelIndex> categories;
        for (int row = 0; row < model.rowCount(root); ++row) {
            if (model.rowCount(model.index(row, 0, root)) > 0)
                categories.append(model.index(row, 0, root));
        }
        const QModelIndex category = categories.isEmpty() || Chance(25)
                                         ? model.index(Roll(model.rowCount(root)), 0, root)
                                         : categories[Roll(int(categories.size()))];
        Note(QStringLiteral("opens \"%1\"").arg(category.data().toString()));
        TreeCtrl().expand(root);
        TreeCtrl().expand(category);
        if (Chance(50))
            return CardCommandInSummary(category);
        const int cards = model.rowCount(category);
        if (cards == 0 || Chance(25)) {
            Note(QStringLiteral("selects \"%1\"").arg(category.data().toString()));
            TreeCtrl().setCurrentIndex(category);
            static const int onCategory[] = {Command::NewCard, Command::Paste, Command::ItemProperties};
            return CardAction(TreeCtrl(), onCategory[Roll(int(std::size(onCategory)))]);
        }
        const QModelIndex card = model.index(Roll(cards), 0, category);
        const QPoint point = RowPoint(TreeCtrl(), card);
        if (!point.isNull() && Chance(30)) {
            Note(QStringLiteral("double-clicks \"%1\"").arg(card.data().toString()));
            QTest::mouseDClick(TreeCtrl().viewport(), Qt::LeftButton, {}, point);
            return;
        }
        Note(QStringLiteral("selects \"%1\"").arg(card.data().toString()));
        TreeCtrl().setCurrentIndex(card);
        static const int onCard[] = {Command::ItemProperties, Command::Cut,    Command::Copy,
                                     Command::Copy,           Command::Delete, Command::NewCard};
        CardAction(TreeCtrl(), onCard[Roll(int(std::size(onCard)))]);
    }

    void CardCommandInSummary(const QModelIndex& category) {
        Note(QStringLiteral("selects \"%1\"").arg(category.data().toString()));
        TreeCtrl().setCurrentIndex(category);
        CViewSummary& summary = Frame().Summary();
        if (summary.GetMode() != CViewSummary::kCardList || !summary.ListCtrl().isVisible())
            return;
        CItemListCtrl& list = summary.ListCtrl();
        const int rows = summary.ListModel().rowCount();
        if (rows == 0 || Chance(15)) {
            Note(QStringLiteral("clicks the summary's empty space"));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                              list.viewport()->rect().bottomRight() - QPoint(3, 3));
            static const int onCategory[] = {Command::NewCard, Command::Paste};
            return CardAction(list, onCategory[Roll(int(std::size(onCategory)))]);
        }
        const QModelIndex card = summary.ListModel().index(Roll(rows));
        const QPoint point = RowPoint(list, card);
        if (point.isNull())
            return;
        Note(QStringLiteral("clicks \"%1\" in the summary").arg(card.data().toString()));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
        static const int onCard[] = {Command::ItemProperties, Command::Cut,    Command::Copy,
                                     Command::Copy,           Command::Delete, Command::NewCard};
        CardAction(list, onCard[Roll(int(std::size(onCard)))]);
    }

    // A command on the item selected in `view`: from the menu bar, by its key, or from the item menu.
    void CardAction(QAbstractItemView& view, int command) {
        QAction* action = Frame().Action(command);
        const QKeySequence keys = action->shortcut();
        const int roll = Roll(100);
        if (roll < 25 && !keys.isEmpty()) {
            Note(QStringLiteral("presses %1").arg(keys.toString()));
            view.setFocus();
            QTest::keySequence(&view, keys);
        } else if (roll < 40) {
            Note(QStringLiteral("opens the item menu"));
            view.setFocus();
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                    view.viewport()->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(view.viewport(), &event);
        } else if (action->isEnabled()) {
            Trigger(action, QStringLiteral("chooses"));
        }
    }

    void FileCommand() {
        const int roll = Roll(100);
        if (roll < 6)
            return Trigger(Frame().Action(Command::NewWallet), QStringLiteral("chooses"));
        if (roll < 42)
            return Trigger(Frame().Action(Command::OpenWallet), QStringLiteral("chooses"));
        if (roll < 50)
            return DropFile();
        if (roll < 75)
            return Trigger(Frame().findChild<QAction*>(QStringLiteral("import")), QStringLiteral("chooses"));
        if (roll < 88)
            return Trigger(Frame().Action(Command::Save), QStringLiteral("chooses"));
        Trigger(Frame().Action(Command::SaveAs), QStringLiteral("chooses"));
    }

    // A file dragged from the file manager onto the window, which opens it as a wallet.
    void DropFile() {
        const QString path = m_prompts.OpenFileName(QStringLiteral("Korvel Files (*.kvx)|*.kvx|"), QString());
        if (path.isEmpty())
            return;
        Note(QStringLiteral("drops it on the window"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint point = Frame().rect().center();
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Frame(), &drop);
    }

    void FindWindow() {
        QList<CDlgFind*> finds;
        for (CDlgFind* find : Frame().findChildren<CDlgFind*>()) {
            if (find->isVisible())
                finds.append(find);
        }
        if (finds.isEmpty() || Chance(10))
            return Trigger(Frame().Action(Command::Find), QStringLiteral("chooses"));
        CDlgFind& find = *finds[Roll(int(finds.size()))];
        const int roll = Roll(100);
        if (roll < 30) {
            static const QStringList words{QStringLiteral("visa"),    QStringLiteral("a"),
                                           QStringLiteral("1111"),    QStringLiteral("example"),
                                           QStringLiteral("Copy of"), QStringLiteral("nothing like it")};
            const QString word = words[Roll(int(words.size()))];
            Note(QStringLiteral("types \"%1\" into Find").arg(word));
            find.FindText().clear();
            QTest::keyClicks(&find.FindText(), word);
        } else if (roll < 50) {
            Note(QStringLiteral("clicks Find"));
            if (find.FindButton().isEnabled())
                find.FindButton().click();
        } else if (roll < 58) {
            Note(QStringLiteral("clicks Match case"));
            find.MatchCase().click();
        } else if (roll < 80) {
            QListView& results = find.Results();
            const int rows = results.model()->rowCount();
            if (rows == 0)
                return;
            const QModelIndex index = results.model()->index(Roll(rows), 0);
            const QPoint point = RowPoint(results, index);
            Note(QStringLiteral("double-clicks the found \"%1\"").arg(index.data().toString()));
            if (!point.isNull())
                QTest::mouseDClick(results.viewport(), Qt::LeftButton, {}, point);
        } else if (roll < 88) {
            Note(QStringLiteral("presses Enter in Find"));
            QTest::keyClick(&find.FindText(), Qt::Key_Return);
        } else {
            Note(QStringLiteral("closes Find"));
            if (Chance(50))
                QTest::keyClick(&find, Qt::Key_Escape);
            else
                find.close();
        }
    }

    // The search field above the tree: reached by its key or a click, typed into, left by Down, Enter or Escape.
    void SearchField() {
        QLineEdit& field = Frame().Tree().SearchField();
        const int roll = Roll(100);
        if (roll < 15) {
            Note(QStringLiteral("presses Ctrl+E"));
            QTest::keyClick(&Frame(), Qt::Key_E, Qt::ControlModifier);
        } else if (roll < 60) {
            static const QStringList words{QStringLiteral("visa"),    QStringLiteral("a"),       QStringLiteral("11"),
                                           QStringLiteral("EXAMPLE"), QStringLiteral("Copy of"), QStringLiteral("zz")};
            const QString word = words[Roll(int(words.size()))];
            Note(QStringLiteral("types \"%1\" into the search field").arg(word));
            QTest::mouseClick(&field, Qt::LeftButton);
            QTest::keyClicks(&field, word);
        } else if (roll < 70) {
            Note(QStringLiteral("presses Backspace in the search field"));
            QTest::keyClick(&field, Qt::Key_Backspace);
        } else {
            static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape};
            const Qt::Key key = keys[Roll(int(std::size(keys)))];
            Note(QStringLiteral("presses %1 in the search field").arg(QKeySequence(key).toString()));
            QTest::keyClick(&field, key);
        }
    }

    // The bars' own menu, which also brings a hidden menu bar back.
    void BarsMenu() {
        const std::unique_ptr<QMenu> menu(Frame().createPopupMenu());
        const QList<QAction*> actions = menu->actions();
        if (!actions.isEmpty())
            Trigger(actions[Roll(int(actions.size()))], QStringLiteral("toggles"));
    }

    void Exit() { Trigger(Frame().Action(Command::Exit), QStringLiteral("chooses")); }

    QRandomGenerator m_random;
    QString m_samples;
    QString m_work;
    StepLog m_log;
    RandomPrompts m_prompts;
    RandomModalDriver m_driver;
    std::unique_ptr<CKorvelApp> m_app;
    std::unique_ptr<QAbstractItemModelTester> m_treeTester;
    std::unique_ptr<QAbstractItemModelTester> m_listTester;
    int m_restarts = 0;
    // Every step is printed as it ends, for following a replay.
    bool m_verbose = qEnvironmentVariableIsSet("KORVEL_EXERCISER_VERBOSE");
};

} // namespace

class TestGuiExerciser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void randomSteps() {
        const quint32 seed = SeedFromEnvironment();
        const int steps = StepsFromEnvironment();
        qInfo("exerciser: seed %u, %d steps; replay with KORVEL_EXERCISER_SEED=%u KORVEL_EXERCISER_STEPS=%d", seed,
              steps, seed, steps);
        QTemporaryDir folder;
        Exerciser exerciser(seed, folder.path());
        const CrashReport report(exerciser.Log(), seed, steps);
        QString error;
        QVERIFY2(exerciser.Start(error), qPrintable(error));
        for (int step = 0; step < steps; ++step) {
            const QString problem = exerciser.Step(step);
            if (!problem.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nthe last steps:\n%4")
                                     .arg(seed)
                                     .arg(step)
                                     .arg(problem, exerciser.Log().Text())));
        }
        qInfo("exerciser: %d steps, the program started again %d times", steps, exerciser.Restarts());
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiExerciser)
#include "TestGuiExerciser.moc"
