// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CMainFrame.h"

#include "base/Clipboard.h"
#include "base/Prompts.h"
#include "base/Utilities.h"
#include "dialogs/CDlgExport.h"
#include "dialogs/CDlgFind.h"
#include "dialogs/CDlgManageTemplates.h"
#include "dialogs/CDlgWalletProperties.h"
#include "dialogs/CRecordEditorDialogs.h"
#include "document/CSystemClipboard.h"
#include "document/CWallet.h"
#include "document/CWalletFollower.h"
#include "document/WalletImporter.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "model/CardSlots.h"
#include "resources/StringTable.h"
#include "views/CAwayLock.h"
#include "views/CDlgAbout.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "views/CLockCurtains.h"
#include "views/CNotesPane.h"
#include "views/CSealingCommands.h"
#include "views/CViewCategoriesCards.h"
#include "views/CViewSummary.h"
#include "widgets/CIconCache.h"
#include "widgets/Commands.h"
#include "widgets/HelpPages.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {
const QString kLastDoc = QStringLiteral("Settings/LastDoc");
const QString kZoom = QStringLiteral("Settings/Zoom");
const QString kRecentFileList = QStringLiteral("Recent File List");
const QString kWindowGeometry = QStringLiteral("Window/Geometry");
const QString kWindowState = QStringLiteral("Window/State");
const QString kMenuBarShown = QStringLiteral("Window/MenuBar");
const QString kStatusBarShown = QStringLiteral("Window/StatusBar");
const QString kSyncManager = QStringLiteral("Settings/SyncManager");
constexpr int kCopiedMessageMs = 5000;
const QString kImportMaxFileMiB = QStringLiteral("Import/MaxAttachmentMiB");
const QString kImportMaxTotalMiB = QStringLiteral("Import/MaxTotalMiB");
// How long the status bar says that the wallet followed its file, and how often a change waits for a dialog.
constexpr int kFollowedMessageMs = 15000;
constexpr int kFollowRetryMs = 500;
constexpr int kLockIconSize = 16;
// Pictures of the resource library for the status bar and the toolbar.
constexpr int kLockIconId = 578;
constexpr int kFolderIconId = 500;
constexpr int kCardIconId = 501;
constexpr int kClipboardIconId = 533;
constexpr int kGearIconId = 584;

// The tooltip of a command is the second part of its command string; a menu text without its key.
QString ToolTip(int command) {
    const QString text = StringTable::Text(command);
    const qsizetype newline = text.indexOf(u'\n');
    if (newline >= 0)
        return text.mid(newline + 1);
    return StringTable::MenuText(kMenuMain, command).section(u'\t', 0, 0).remove(u'&');
}

QString MenuText(int command) {
    return StringTable::MenuText(kMenuMain, command).section(u'\t', 0, 0);
}

// One of the program's own command pictures, at every size the build rendered it.
QIcon CommandImage(int imageId) {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/commands"), {QStringLiteral("%1.png").arg(imageId)}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

// Some command strings are menu texts; the status bar shows them without their mnemonics and keys.
QString StatusTip(int command) {
    static const QRegularExpression mnemonic(QStringLiteral("&(.)"));
    return StringTable::Text(command)
        .section(u'\n', 0, 0)
        .section(u'\t', 0, 0)
        .replace(mnemonic, QStringLiteral("\\1"));
}

QString CountsText(qsizetype categories, qsizetype cards) {
    const QString categoryCount =
        categories == 1 ? CMainFrame::tr("1 category") : CMainFrame::tr("%1 categories").arg(categories);
    const QString cardCount = cards == 1 ? CMainFrame::tr("1 card") : CMainFrame::tr("%1 cards").arg(cards);
    return categoryCount + QStringLiteral(", ") + cardCount;
}

// The focused widget when it shows text of its own, the notes or a value in the summary: the editing commands are
// then its own, as everywhere else on the desktop, and leave the cards alone. Both are read-only, so Copy is the one
// command that does anything there.
QWidget* FocusedTextWidget() {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QTextEdit*>(focus))
        return focus;
    const auto* label = qobject_cast<QLabel*>(focus);
    return label && label->textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard)
               ? focus
               : nullptr;
}

bool HasSelectedText(const QWidget* text) {
    if (const auto* edit = qobject_cast<const QTextEdit*>(text))
        return edit->textCursor().hasSelection();
    const auto* label = qobject_cast<const QLabel*>(text);
    return label && label->hasSelectedText();
}

void CopySelectedText(QWidget* text) {
    if (auto* edit = qobject_cast<QTextEdit*>(text))
        edit->copy();
    else if (const auto* label = qobject_cast<const QLabel*>(text); label && label->hasSelectedText())
        QApplication::clipboard()->setText(label->selectedText());
}

// A settings file read as INI takes an unquoted value with commas for a list; the user meant the text as written.
QString SettingText(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// The limits of an import, raised in the settings file for an export larger than they allow; a value that is not a
// positive number of MiB leaves the default.
ImportLimits ImportLimitsSet() {
    const QSettings settings;
    ImportLimits limits;
    for (auto [key, limit] :
         {std::pair{&kImportMaxFileMiB, &limits.maxFile}, {&kImportMaxTotalMiB, &limits.maxTotal}}) {
        const qint64 mib = settings.value(*key).toLongLong();
        if (mib > 0 && mib <= ImportLimits::kMostMiB)
            *limit = mib * ImportLimits::kMiB;
    }
    return limits;
}
} // namespace

CMainFrame::CMainFrame(CWallet& wallet) : m_wallet(wallet), m_awayLock(new CAwayLock(wallet, this)) {
    setObjectName(QStringLiteral("MainFrame"));
    m_displayFont = QFont(QStringLiteral("Verdana"));
    m_displayFont.setPixelSize(11);
    m_zoom = QSettings().value(kZoom, 0).toInt() != 0;
    setAcceptDrops(true);
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildPanes();
    m_awayLock->WatchDesktop();
    connect(&m_wallet, &CWallet::lockStateShown, this, &CMainFrame::UpdateLockPane);
    new CLockCurtains(m_wallet, this);
    connect(&m_wallet, &CWallet::lockTimerReset, this, [this] { ResetLockTimer(false); });
    connect(&m_wallet, &CWallet::modifiedChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_wallet, &CWallet::titleChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_wallet, &CWallet::pathChanged, this, &CMainFrame::AddRecentFile);
    // The status bar counts the records, and Paste needs a card that is still there.
    for (auto counted : {&CWallet::cardRemoved, &CWallet::categoryRemoved})
        connect(&m_wallet, counted, this, &CMainFrame::UpdateCommands);
    connect(&m_wallet, &CWallet::cardAdded, this, &CMainFrame::UpdateCommands);
    connect(&m_wallet, &CWallet::categoryAdded, this, &CMainFrame::UpdateCommands);
    connect(&m_wallet, &CWallet::updated, this, &CMainFrame::OnWalletUpdated);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (m_tree && now == &m_tree->TreeCtrl())
            m_lastActiveView = now;
        else if (m_summary && now == &m_summary->ListCtrl())
            m_lastActiveView = now;
        UpdateCommands();
    });
    UpdateLockPane(true);
    UpdateTitle();
    resize(900, 600);
    RecordDisplay::Install(this);
    m_editor = std::make_unique<CRecordEditorDialogs>(m_wallet, *this, m_displayFont,
                                                      [this] { Action(Command::ManageTemplates)->trigger(); });
    RecordEditor::Install(m_editor.get());
    WalletPropertiesEditor::Install(this);
    m_follower = new CWalletFollower(m_wallet, this);
    connect(m_follower, &CWalletFollower::fileChanged, this, &CMainFrame::FollowFile);
    connect(m_follower, &CWalletFollower::followed, this,
            [this](const QString& message) { statusBar()->showMessage(message, kFollowedMessageMs); });
    // Conflict copies beside a wallet just opened are offered once the window has settled.
    connect(&m_wallet, &CWallet::pathChanged, this, [this] {
        QTimer::singleShot(0, this, [this] { KeepingPlace([this] { m_follower->OfferConflictCopies(); }); });
    });
}

CMainFrame::~CMainFrame() {
    // Closing the window moves the focus; by then the commands are gone.
    disconnect(qApp, nullptr, this, nullptr);
    m_tree = nullptr;
    m_summary = nullptr;
    if (RecordDisplay::Get() == this)
        RecordDisplay::Install(nullptr);
    if (RecordEditor::Get() == m_editor.get())
        RecordEditor::Install(nullptr);
    if (WalletPropertiesEditor::Get() == this)
        WalletPropertiesEditor::Install(nullptr);
}

QAction* CMainFrame::MakeAction(int command, const QString& text, const QKeySequence& keys) {
    auto* action = new QAction(text, this);
    action->setData(command);
    action->setShortcut(keys);
    action->setToolTip(ToolTip(command));
    action->setStatusTip(StatusTip(command));
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    addAction(action);
    m_actions[command] = action;
    return action;
}

void CMainFrame::BuildActions() {
    using namespace Command;
    MakeAction(NewWallet, MenuText(NewWallet), QKeySequence::New);
    MakeAction(OpenWallet, MenuText(OpenWallet), QKeySequence::Open);
    MakeAction(Save, MenuText(Save), QKeySequence::Save);
    MakeAction(SaveAs, MenuText(SaveAs));
    MakeAction(WalletProperties, MenuText(WalletProperties));
    // The desktop's own key to quit; a desktop without one gets the usual Ctrl+Q.
    const QKeySequence quit(QKeySequence::Quit);
    MakeAction(Exit, MenuText(Exit), quit.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : quit);
    MakeAction(Cut, MenuText(Cut), QKeySequence(Qt::CTRL | Qt::Key_X));
    MakeAction(Copy, MenuText(Copy), QKeySequence(Qt::CTRL | Qt::Key_C));
    MakeAction(Paste, MenuText(Paste), QKeySequence(Qt::CTRL | Qt::Key_V));
    MakeAction(Delete, MenuText(Delete), QKeySequence(Qt::Key_Delete));
    MakeAction(NewCategory, MenuText(NewCategory), QKeySequence(Qt::CTRL | Qt::Key_T));
    MakeAction(NewCard, MenuText(NewCard), QKeySequence(Qt::CTRL | Qt::Key_R));
    MakeAction(ItemProperties, StringTable::MenuText(kMenuContext, ItemProperties));
    MakeAction(Find, MenuText(Find), QKeySequence(Qt::CTRL | Qt::Key_F));
    MakeAction(SearchCards, tr("&Search Cards"), QKeySequence(Qt::CTRL | Qt::Key_E));
    MakeAction(CopyUserName, tr("Copy &User Name"), QKeySequence(Qt::CTRL | Qt::Key_B));
    MakeAction(CopyPassword, tr("Copy Pass&word"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    for (int toggle : {ShowMenuBar, ShowToolbar, ShowStatusBar, ShowSummary, ShowNotes})
        MakeAction(toggle, MenuText(toggle))->setCheckable(true);
    // The window keeps the key while the menu bar is hidden, so the keyboard can always bring it back.
    Action(ShowMenuBar)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    MakeAction(Zoom, MenuText(Zoom), QKeySequence(Qt::Key_F10))->setCheckable(true);
    MakeAction(ManageTemplates, MenuText(ManageTemplates));
    MakeAction(ExportData, MenuText(ExportData));
    MakeAction(SyncManager, MenuText(SyncManager));
    MakeAction(UsersGuide, MenuText(UsersGuide));
    MakeAction(WebPage, MenuText(WebPage));
    MakeAction(About, MenuText(About));
    MakeAction(LockWallet, tr("&Lock Wallet"), QKeySequence(Qt::CTRL | Qt::Key_L));
    m_actions[Zoom]->setChecked(m_zoom);
}

QAction* CMainFrame::Action(int command) const {
    const auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::BuildMenus() {
    using namespace Command;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addActions({Action(NewWallet), Action(OpenWallet), Action(Save), Action(SaveAs)});
    file->addSeparator();
    file->addAction(tr("&Import..."), this, &CMainFrame::ImportWithDialog)->setObjectName(QStringLiteral("import"));
    file->addAction(tr("&Merge Wallet..."), this, &CMainFrame::MergeWithDialog)
        ->setObjectName(QStringLiteral("mergeWallet"));
    file->addAction(tr("S&eal Wallet..."), this,
                    [this] {
                        CSealingCommands::Seal(m_wallet);
                        UpdateTitle();
                        UpdateCommands();
                    })
        ->setObjectName(QStringLiteral("seal"));
    m_unsealAction = file->addAction(tr("U&nseal Wallet..."), this, [this] {
        CSealingCommands::Unseal(m_wallet);
        UpdateTitle();
        UpdateCommands();
    });
    m_unsealAction->setObjectName(QStringLiteral("unseal"));
    file->addAction(Action(WalletProperties));
    file->addAction(Action(LockWallet));
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Wallets"));
    FillRecentFiles();
    file->addSeparator();
    file->addAction(Action(Exit));
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addActions(
        {Action(Cut), Action(Copy), Action(CopyUserName), Action(CopyPassword), Action(Paste), Action(Delete)});
    edit->addSeparator();
    edit->addActions({Action(NewCategory), Action(NewCard)});
    edit->addSeparator();
    edit->addActions({Action(SearchCards), Action(Find)});
    // A text selected with the mouse changes no focus; the menu shows what Copy would copy now.
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addActions(
        {Action(ShowMenuBar), Action(ShowToolbar), Action(ShowStatusBar), Action(ShowSummary), Action(ShowNotes)});
    view->addSeparator();
    view->addAction(Action(Zoom));
    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->addActions({Action(ManageTemplates), Action(ExportData), Action(SyncManager)});
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addActions({Action(UsersGuide), Action(WebPage)});
    help->addSeparator();
    help->addAction(Action(About));
    menuBar()->setAccessibleName(tr("Menu bar"));
}

void CMainFrame::BuildToolBar() {
    using namespace Command;
    m_toolBar = addToolBar(tr("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("Toolbar"));
    m_toolBar->setAccessibleName(tr("Toolbar"));
    const std::pair<int, QStyle::StandardPixmap> standard[] = {{NewWallet, QStyle::SP_FileIcon},
                                                               {OpenWallet, QStyle::SP_DialogOpenButton},
                                                               {Save, QStyle::SP_DialogSaveButton},
                                                               {Delete, QStyle::SP_TrashIcon},
                                                               {Find, QStyle::SP_FileDialogContentsView}};
    for (const auto& [command, pixmap] : standard)
        Action(command)->setIcon(style()->standardIcon(pixmap));
    // Pictures of the resource library where one fits; the editing commands take the desktop's own, and show their
    // names where the desktop has none.
    const std::pair<int, int> pictures[] = {{WalletProperties, kGearIconId},
                                            {NewCategory, kFolderIconId},
                                            {NewCard, kCardIconId},
                                            {ManageTemplates, kClipboardIconId},
                                            {LockWallet, kLockIconId}};
    for (const auto& [command, iconId] : pictures)
        Action(command)->setIcon(CIconCache::Icon(iconId, 32));
    // The menu commands that have no button still show a picture in the menus.
    const std::pair<int, int> images[] = {{SyncManager, 160}, {WebPage, 179}, {Zoom, 180}, {UsersGuide, 184}};
    for (const auto& [command, imageId] : images)
        Action(command)->setIcon(CommandImage(imageId));
    const std::pair<int, QString> themed[] = {
        {Cut, QStringLiteral("edit-cut")}, {Copy, QStringLiteral("edit-copy")}, {Paste, QStringLiteral("edit-paste")}};
    for (const auto& [command, name] : themed)
        Action(command)->setIcon(QIcon::fromTheme(name));
    const int layout[] = {NewWallet,   OpenWallet, Save, 0,    WalletProperties, 0, Cut,       Copy, Paste, Delete, 0,
                          NewCategory, NewCard,    0,    Find, ManageTemplates,  0, LockWallet};
    for (int command : layout) {
        if (command == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(Action(command));
    }
}

void CMainFrame::BuildStatusBar() {
    m_countsPane = new QLabel(this);
    m_countsPane->setMinimumWidth(250);
    m_countsPane->setAccessibleName(tr("Wallet contents"));
    m_lockIcon = new QLabel(this);
    m_lockIcon->setAccessibleName(StringTable::Text(kStrLocked));
    m_lockPane = new QLabel(this);
    m_lockPane->setMinimumWidth(100);
    m_lockPane->setAccessibleName(tr("Lock state"));
    statusBar()->addWidget(m_countsPane, 1);
    statusBar()->addPermanentWidget(m_lockIcon);
    statusBar()->addPermanentWidget(m_lockPane);
    statusBar()->setAccessibleName(tr("Status bar"));
    // A status bar may be squeezed below its panes' widths, which then overlap; the window stays wide enough.
    statusBar()->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    OfferBarsMenu();
}

// The window offers the bars' menu on the menu bar, the toolbar and the panes' titles; the status bar offers it too,
// so a hidden menu bar or toolbar can come back whatever else is hidden.
void CMainFrame::OfferBarsMenu() {
    statusBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(statusBar(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = createPopupMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(statusBar()->mapToGlobal(pos));
    });
}

void CMainFrame::BuildPanes() {
    m_notes = new CNotesPane(this);
    m_notes->setFont(m_displayFont);
    connect(m_notes, &QTextEdit::copyAvailable, this, &CMainFrame::UpdateCommands);
    m_notesDock = new QDockWidget(StringTable::MenuText(kMenuMain, Command::ShowNotes).remove(u'&'), this);
    m_notesDock->setObjectName(QStringLiteral("NotesPane"));
    m_notesDock->setWidget(m_notes);
    m_summaryDock = new QDockWidget(StringTable::Text(kStrCategoriesCaption), this);
    m_summaryDock->setObjectName(QStringLiteral("SummaryPane"));
    m_summary = new CViewSummary(m_wallet, *this, this);
    m_summaryDock->setWidget(m_summary);
    connect(m_summary, &CViewSummary::captionChanged, m_summaryDock, &QDockWidget::setWindowTitle);
    addDockWidget(Qt::RightDockWidgetArea, m_summaryDock);
    addDockWidget(Qt::RightDockWidgetArea, m_notesDock);
    splitDockWidget(m_summaryDock, m_notesDock, Qt::Vertical);
    resizeDocks({m_summaryDock}, {400}, Qt::Horizontal);
    resizeDocks({m_summaryDock, m_notesDock}, {300, 300}, Qt::Vertical);
    const std::pair<int, QWidget*> bars[] = {{Command::ShowMenuBar, menuBar()},
                                             {Command::ShowToolbar, m_toolBar},
                                             {Command::ShowStatusBar, statusBar()},
                                             {Command::ShowSummary, m_summaryDock},
                                             {Command::ShowNotes, m_notesDock}};
    for (const auto& [command, bar] : bars) {
        QAction* action = Action(command);
        action->setChecked(true);
        QWidget* target = bar;
        connect(action, &QAction::toggled, target, &QWidget::setVisible);
    }
    for (QDockWidget* dock : {m_summaryDock, m_notesDock}) {
        dock->installEventFilter(this);
        QAction* action = Action(dock == m_summaryDock ? Command::ShowSummary : Command::ShowNotes);
        connect(dock, &QDockWidget::visibilityChanged, action, [dock, action] {
            if (!dock->isHidden() != action->isChecked())
                action->setChecked(!dock->isHidden());
        });
    }
}

void CMainFrame::RestoreLayout() {
    QSettings settings;
    restoreGeometry(settings.value(kWindowGeometry).toByteArray());
    restoreState(settings.value(kWindowState).toByteArray());
    Action(Command::ShowMenuBar)->setChecked(settings.value(kMenuBarShown, true).toBool());
    Action(Command::ShowToolbar)->setChecked(!m_toolBar->isHidden());
    Action(Command::ShowSummary)->setChecked(!m_summaryDock->isHidden());
    Action(Command::ShowNotes)->setChecked(!m_notesDock->isHidden());
    Action(Command::ShowStatusBar)->setChecked(settings.value(kStatusBarShown, true).toBool());
}

void CMainFrame::CreateViews() {
    m_tree = new CViewCategoriesCards(m_wallet, *this, this);
    setCentralWidget(m_tree);
    // The tree comes last in the order the widgets were made; Tab goes round the panes as they stand.
    setTabOrder(&m_tree->SearchField(), &m_tree->TreeCtrl());
    setTabOrder(&m_tree->TreeCtrl(), &m_summary->ListCtrl());
    setTabOrder(&m_summary->ListCtrl(), &m_summary->Details());
    setTabOrder(&m_summary->Details(), m_notes);
    RestoreLayout();
    m_tree->Refill(0, 0);
    ResetLockTimer(false);
    m_tree->TreeCtrl().setFocus();
    m_lastActiveView = &m_tree->TreeCtrl();
    UpdateCommands();
}

void CMainFrame::SetNotesText(const QString& text) {
    m_notes->SetText(text);
}

void CMainFrame::UpdateLockPane(bool locked) {
    m_lockPane->setText(StringTable::Text(locked ? kStrLocked : kStrUnlocked));
    m_lockIcon->setPixmap(locked ? CIconCache::Pixmap(kLockIconId, kLockIconSize) : QPixmap());
    m_lockIcon->setVisible(locked);
    UpdateCommands();
}

void CMainFrame::ResetLockTimer(bool stopOnly) {
    m_awayLock->Restart(stopOnly);
}

bool CMainFrame::IsLockTimerActive() const {
    return m_awayLock->IsActive();
}

int CMainFrame::LockTimerInterval() const {
    return m_awayLock->Interval();
}

void CMainFrame::OnLockTimer() {
    m_awayLock->OnTimeout();
}

std::unique_ptr<QMenu> CMainFrame::BuildContextMenu(int kind) {
    using namespace Command;
    auto menu = std::make_unique<QMenu>(this);
    const auto add = [&](int command) {
        QAction* item = menu->addAction(StringTable::MenuText(kMenuContext, command));
        item->setData(command);
        item->setEnabled(Action(command)->isEnabled());
        return item;
    };
    std::map<int, QAction*> items;
    for (int command : {NewCard, NewCategory, 0, Cut, Copy, Paste, 0, Delete, 0, ItemProperties}) {
        if (command == 0)
            menu->addSeparator();
        else
            items[command] = add(command);
    }
    const auto remove = [&](int command) { menu->removeAction(items[command]); };
    const int level = kind == kTreeMenu ? m_tree->SelectedKind() : m_summary->ListKind();
    if (level == 2) {
        for (int command : {CopyUserName, CopyPassword}) {
            QAction* item = new QAction(Action(command)->text(), menu.get());
            item->setData(command);
            item->setEnabled(Action(command)->isEnabled());
            menu->insertAction(items[Paste], item);
        }
    }
    if (kind == kTreeMenu) {
        if (level == 0) {
            for (int command : {NewCard, Cut, Copy, Paste, Delete, ItemProperties})
                remove(command);
            for (QAction* separator : menu->actions()) {
                if (separator->isSeparator())
                    menu->removeAction(separator);
            }
        } else if (level == 1) {
            remove(Cut);
            remove(Copy);
        } else {
            remove(Paste);
            remove(NewCategory);
        }
    } else if (m_summary->GetMode() == CViewSummary::kCategoryList) {
        for (int command : {NewCard, Cut, Copy, Paste})
            remove(command);
        menu->removeAction(menu->actions().value(1));
    } else if (m_summary->GetMode() == CViewSummary::kCardList) {
        remove(NewCategory);
        if (level != 0)
            remove(Paste);
    }
    // Properties is always enabled as a window command, but in the summary's menu it acts on the selected item only.
    if (kind == kSummaryMenu && level == 0) {
        for (int command : {Cut, Copy, Delete, ItemProperties})
            items[command]->setEnabled(false);
    }
    items[Paste]->setEnabled(items[Paste]->isEnabled() && m_wallet.ClipboardCard());
    return menu;
}

bool CMainFrame::ActiveIsSummary() const {
    return m_lastActiveView && m_summary && m_lastActiveView == &m_summary->ListCtrl() &&
           m_summary->GetMode() != CViewSummary::kCardDetails && m_summary->GetMode() != CViewSummary::kBlank;
}

void CMainFrame::UpdateCommands() {
    using namespace Command;
    if (!m_tree || !m_summary)
        return;
    const bool summary = ActiveIsSummary();
    const int kind = summary ? m_summary->ListKind() : m_tree->SelectedKind();
    const bool cardKind = kind == 2;
    const bool canPaste = m_wallet.ClipboardCard() != nullptr;
    if (const QWidget* text = FocusedTextWidget()) {
        for (int command : {Cut, Paste, Delete})
            Action(command)->setEnabled(false);
        Action(Copy)->setEnabled(HasSelectedText(text));
    } else {
        Action(Cut)->setEnabled(cardKind);
        Action(Copy)->setEnabled(cardKind);
        Action(Delete)->setEnabled(kind != 0);
        Action(Paste)->setEnabled(canPaste && (summary ? m_summary->GetMode() == CViewSummary::kCardList : kind == 1));
    }
    Action(NewCard)->setEnabled(summary ? m_summary->GetMode() == CViewSummary::kCardList : kind != 0);
    for (int command : {CopyUserName, CopyPassword})
        Action(command)->setEnabled(QuickCopySlot(command) >= 0);
    Action(LockWallet)->setEnabled(!m_wallet.IsLocked());
    m_unsealAction->setEnabled(m_wallet.IsSealed());
    m_countsPane->setText(CountsText(m_wallet.Categories().Count(), m_wallet.Cards().Count()));
}

void CMainFrame::Run(int command) {
    using namespace Command;
    switch (command) {
    case NewWallet:
        DoNewWallet();
        break;
    case OpenWallet:
        OpenWithDialog();
        break;
    case Save:
    case SaveAs:
        DoSave(command == SaveAs);
        break;
    case Exit:
        close();
        break;
    case Cut:
    case Copy:
    case Paste:
    case Delete:
    case ItemProperties:
        RunItemCommand(command);
        break;
    case NewCard:
        m_tree->NewCard();
        break;
    case NewCategory:
        m_tree->NewCategory();
        break;
    case Zoom:
        ToggleZoom();
        break;
    case LockWallet:
        LockNow();
        break;
    case SearchCards:
        m_tree->FocusSearch();
        break;
    case CopyUserName:
    case CopyPassword:
        QuickCopy(command);
        break;
    case About:
        CDlgAbout(this).exec();
        break;
    case SyncManager:
        StartSyncManager();
        break;
    case UsersGuide:
        HelpPages::OpenGuide();
        break;
    case WebPage:
        HelpPages::OpenWebPage();
        break;
    case Find:
        OpenFind();
        break;
    case WalletProperties:
        EditWalletProperties();
        break;
    case ExportData:
        ExportWithDialog();
        break;
    case ManageTemplates:
        if (m_wallet.RequestAccess(QString()))
            CDlgManageTemplates(m_wallet, this).exec();
        break;
    default:
        break;
    }
    UpdateCommands();
}

const CCard* CMainFrame::CommandCard() const {
    if (ActiveIsSummary())
        return m_summary->ListKind() == 2 ? m_summary->SelectedCard() : nullptr;
    return m_tree->SelectedCard();
}

int CMainFrame::QuickCopySlot(int command) const {
    const CCard* card = CommandCard();
    if (!card)
        return -1;
    const CCardTemplate* cardTemplate = m_wallet.Templates().FindByInternalName(card->templateName);
    return command == Command::CopyPassword ? CardSlots::Password(*card, cardTemplate)
                                            : CardSlots::UserName(*card, cardTemplate);
}

void CMainFrame::QuickCopy(int command) {
    const int slot = QuickCopySlot(command);
    if (slot < 0)
        return;
    const CCard& card = *CommandCard();
    const CCardTemplate* cardTemplate = m_wallet.Templates().FindByInternalName(card.templateName);
    CopySecret(card.values[size_t(slot)].toString(), cardTemplate->fields[slot].name);
}

// The user sees what went to the clipboard and for how long, never the value itself.
void CMainFrame::CopySecret(const QString& value, const QString& what) {
    CopySecretToClipboard(value);
    const int seconds = CSystemClipboard::ClearSeconds();
    statusBar()->showMessage(
        seconds == 0 ? tr("\"%1\" copied to the clipboard.").arg(what)
                     : tr("\"%1\" copied to the clipboard; it is cleared in %n second(s).", nullptr, seconds).arg(what),
        kCopiedMessageMs);
}

void CMainFrame::RunItemCommand(int command) {
    using namespace Command;
    static const std::map<int, int> actions = {{Cut, CViewCategoriesCards::Cut},
                                               {Copy, CViewCategoriesCards::Copy},
                                               {Paste, CViewCategoriesCards::Paste},
                                               {Delete, CViewCategoriesCards::Delete},
                                               {ItemProperties, CViewCategoriesCards::Properties}};
    if (QWidget* text = FocusedTextWidget(); text && command != ItemProperties) {
        if (command == Copy)
            CopySelectedText(text);
        return;
    }
    const int action = actions.at(command);
    if (ActiveIsSummary())
        m_summary->DoListAction(action);
    else
        m_tree->DoAction(action);
}

// The handheld's synchronisation program differs from one desktop to the next, so the user names it in the settings;
// it runs on its own, beyond Korvel's life.
void CMainFrame::StartSyncManager() {
    const QSettings settings;
    QStringList command = QProcess::splitCommand(SettingText(settings, kSyncManager));
    if (command.isEmpty() || command.first().isEmpty()) {
        Prompts::Warn(tr("No synchronisation manager is set up. To start one from here, write its command (the "
                         "program and its arguments) as the value \"SyncManager\" of the group [Settings] in "
                         "\"%1\".")
                          .arg(QDir::toNativeSeparators(settings.fileName())));
        return;
    }
    QProcess process;
    process.setProgram(command.takeFirst());
    process.setArguments(command);
    if (!process.startDetached())
        Prompts::Warn(
            tr("The synchronisation manager \"%1\" could not be started: %2.\n\nCheck the value "
               "\"SyncManager\" of the group [Settings] in \"%3\".")
                .arg(process.program(), process.errorString(), QDir::toNativeSeparators(settings.fileName())));
}

// Each Find window lives on its own until closed; several may search at once.
void CMainFrame::OpenFind() {
    if (!m_wallet.RequestAccess(QString()))
        return;
    auto* find = new CDlgFind(m_wallet, this);
    connect(find, &CDlgFind::cardChosen, this, [this](qint32 cardId) { Tree().SelectCard(cardId); });
    find->show();
}

// Changed settings are the wallet's to save, and the automatic lock starts again with the period they give.
void CMainFrame::EditWalletProperties() {
    if (!m_wallet.EditProperties())
        return;
    m_wallet.SetModified(true);
    ResetLockTimer(false);
}

// A wallet without cards has nothing to export, so the dialog does not open.
void CMainFrame::ExportWithDialog() {
    if (!m_wallet.RequestAccess(QString()))
        return;
    if (m_wallet.Cards().IsEmpty())
        Prompts::Warn(LoadResString(kStrNoDataToExport));
    else
        CDlgExport(m_wallet, this).exec();
}

bool CMainFrame::EditProperties(CWallet& wallet, Settings& working) {
    return CDlgWalletProperties(wallet, working, this).exec() == QDialog::Accepted;
}

void CMainFrame::DoNewWallet() {
    if (SaveChanges())
        m_wallet.OnNewDocument();
}

void CMainFrame::OpenWithDialog() {
    if (!SaveChanges())
        return;
    const QString path = Prompts::Get().OpenFileName(LoadResString(kStrWalletFilter), QStringLiteral("kvx"));
    if (!path.isEmpty())
        m_wallet.OnOpenDocument(path);
}

// Another program's export becomes cards of this wallet, which then shows the new categories and waits to be saved.
void CMainFrame::ImportWithDialog() {
    const QString path = Prompts::Get().OpenFileName(
        QStringLiteral("Exports (*.xml;*.json;*.csv)|*.xml;*.json;*.csv|All Files (*.*)|*.*|"), QString());
    if (path.isEmpty() || !m_wallet.RequestAccess(QString()))
        return;
    WalletImporter::Summary summary;
    QString error;
    const bool imported = WalletImporter::ImportFile(m_wallet, path, ImportLimitsSet(), summary, error);
    // A file that checked out whole can still fail on storing an attached file; what was made by then is shown, and
    // stays unsaved until the user decides.
    if (imported)
        Prompts::Inform(summary.Text(false));
    else
        Prompts::Warn(QStringLiteral("\"%1\" cannot be imported: %2").arg(QFileInfo(path).fileName(), error));
}

// Another version of the wallet, with no common version known: every record that differs is kept.
void CMainFrame::MergeWithDialog() {
    if (!m_wallet.RequestAccess(QString()))
        return;
    const QString path = Prompts::Get().OpenFileName(LoadResString(kStrWalletFilter), QStringLiteral("kvx"));
    if (!path.isEmpty())
        KeepingPlace([&] { m_follower->MergeFile(path); });
}

// A dialog open on a record of the wallet (a card's sheet, a question) would outlive the records of a wallet read
// again: the change waits until it closes.
void CMainFrame::FollowFile() {
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        QTimer::singleShot(kFollowRetryMs, this, &CMainFrame::FollowFile);
        return;
    }
    KeepingPlace([this] { m_follower->Follow(); });
}

void CMainFrame::KeepingPlace(const std::function<void()>& read) {
    if (!m_tree)
        return read();
    const CViewCategoriesCards::Place place = m_tree->CurrentPlace();
    read();
    m_tree->RestorePlace(place);
    UpdateCommands();
}

bool CMainFrame::OpenWalletFile(const QString& path) {
    return SaveChanges() && m_wallet.OnOpenDocument(QFileInfo(path).absoluteFilePath());
}

void CMainFrame::DoSave(bool withNewName) {
    const bool saved = withNewName ? m_wallet.OnFileSaveAs() : m_wallet.OnFileSave();
    if (!saved && m_wallet.LastSaveConflicted())
        ResolveConflict();
}

// Unsaved changes are saved (or, for a new wallet, dropped when the user says so) before the wallet goes.
bool CMainFrame::SaveChanges() {
    if (m_wallet.SaveModified())
        return true;
    return m_wallet.LastSaveConflicted() && ResolveConflict();
}

// Another program changed the wallet's file since it was read: the user keeps their changes under another name,
// or reads the file again and lets their changes go, which takes a second yes.
bool CMainFrame::ResolveConflict() {
    const QString name = QFileInfo(m_wallet.PathName()).fileName();
    if (Prompts::AskYesNo(tr("Do you want to save your wallet under another name?\n\nChoose No to open \"%1\" again "
                             "as the other program left it.")
                              .arg(name),
                          Prompts::Icon::Exclamation))
        return m_wallet.OnFileSaveAs();
    if (!Prompts::AskYesNo(tr("Opening \"%1\" again loses the changes you have not saved. Do you want to open it "
                              "again?")
                               .arg(name),
                           Prompts::Icon::Exclamation, Prompts::Answer::No))
        return false;
    return m_wallet.OnOpenDocument(m_wallet.PathName());
}

void CMainFrame::ToggleZoom() {
    m_zoom = !m_zoom;
    Action(Command::Zoom)->setChecked(m_zoom);
    QSettings().setValue(kZoom, m_zoom ? 1 : 0);
    Q_EMIT m_wallet.updated(CWallet::kHintRefresh);
}

void CMainFrame::LockNow() {
    if (m_wallet.IsLocked())
        return;
    m_wallet.SetLocked(true);
    ResetLockTimer(false);
}

void CMainFrame::AddRecentFile(const QString& path) {
    if (path.isEmpty())
        return;
    QSettings settings;
    QStringList files = settings.value(kRecentFileList).toStringList();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFiles)
        files.removeLast();
    settings.setValue(kRecentFileList, files);
    FillRecentFiles();
}

void CMainFrame::FillRecentFiles() {
    m_recentMenu->clear();
    const QStringList files = QSettings().value(kRecentFileList).toStringList();
    for (qsizetype i = 0; i < files.size() && i < kRecentFiles; ++i) {
        const QString path = files[i];
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(path).replace(u'&', QStringLiteral("&&"))));
        connect(action, &QAction::triggered, this, [this, path] { OpenWalletFile(path); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void CMainFrame::OnWalletUpdated(int) {
    UpdateTitle();
    UpdateCommands();
}

// A sealed wallet says so in the title, where it is seen before anything is typed into it.
void CMainFrame::UpdateTitle() {
    const QString sealed = m_wallet.IsSealed() ? tr(" (sealed)") : QString();
    setWindowTitle(m_wallet.Title() + sealed + QStringLiteral("[*]"));
    setWindowModified(m_wallet.IsModified());
}

void CMainFrame::RunCommand(int command) {
    Action(command)->trigger();
}

void CMainFrame::AddItem(int kind) {
    if (kind == kAddCard && m_currentCategoryId != 0) {
        if (const CCard* added = m_wallet.NewCard(m_currentCategoryId))
            added->AddToTree(true);
    } else if (kind == kAddCategory) {
        if (const CCategory* added = m_wallet.NewCategory())
            added->AddToTree(true);
    }
    UpdateCommands();
}

void CMainFrame::ShowCard(const CCard& card) {
    m_summary->SetCurrentCard(&card);
    m_summary->SetMode(CViewSummary::kCardDetails);
    SetNotesText(card.notes);
}

void CMainFrame::AddToTree(const CCategory& category, bool select) {
    m_tree->InsertCategory(category, select);
}

void CMainFrame::AddToTree(const CCard& card, bool select) {
    m_tree->InsertCard(card, select);
}

void CMainFrame::AddToList(const CCategory& category, bool select) {
    m_summary->InsertCategory(category, select);
}

void CMainFrame::AddToList(const CCard& card, bool select) {
    m_summary->InsertCard(card, select);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    ResetLockTimer(true);
    if (!SaveChanges()) {
        event->ignore();
        return;
    }
    m_wallet.SetModified(false);
    QSettings settings;
    settings.setValue(kLastDoc, m_wallet.PathName());
    settings.setValue(kWindowGeometry, saveGeometry());
    settings.setValue(kWindowState, saveState());
    settings.setValue(kMenuBarShown, !menuBar()->isHidden());
    settings.setValue(kStatusBarShown, !statusBar()->isHidden());
    event->accept();
}

bool CMainFrame::IsSidePane(QDockWidget* dock) const {
    return dock->isVisible() && !dock->isFloating() &&
           (dockWidgetArea(dock) & (Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea));
}

// A narrower window squeezes the panes beside the tree to almost nothing, and a wider one gives all its room to the
// tree, so the panes would stay squeezed. Instead each pane keeps the width it had while the window's width stood
// still (the user's own choice), shares a narrower window with the tree in the same proportion, and is back at its
// width once the window is as wide as it was.
void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_frameWidth = width();
    QList<QDockWidget*> docks;
    QList<int> widths;
    for (QDockWidget* dock : {m_summaryDock, m_notesDock}) {
        if (!IsSidePane(dock))
            continue;
        const PaneWidth kept = m_paneWidths.try_emplace(dock, PaneWidth{dock->width(), width()}).first->second;
        const int wanted = width() >= kept.frame ? kept.pane : kept.pane * width() / kept.frame;
        if (std::abs(dock->width() - wanted) > 1) {
            docks.append(dock);
            widths.append(wanted);
        }
    }
    if (docks.isEmpty())
        return;
    m_restoringPanes = true;
    resizeDocks(docks, widths, Qt::Horizontal);
    layout()->activate();
    m_restoringPanes = false;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    auto* dock = qobject_cast<QDockWidget*>(watched);
    if (event->type() == QEvent::Resize && dock && !m_restoringPanes && width() == m_frameWidth && IsSidePane(dock))
        m_paneWidths[dock] = PaneWidth{dock->width(), width()};
    return QMainWindow::eventFilter(watched, event);
}

QMenu* CMainFrame::createPopupMenu() {
    auto* menu = new QMenu(this);
    for (int command :
         {Command::ShowMenuBar, Command::ShowToolbar, Command::ShowStatusBar, Command::ShowSummary, Command::ShowNotes})
        menu->addAction(Action(command));
    return menu;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) {
        event->acceptProposedAction();
        OpenWalletFile(urls.first().toLocalFile());
    }
}
