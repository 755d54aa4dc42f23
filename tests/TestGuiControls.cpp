// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Utilities.h"
#include "resources/StringTable.h"
#include "views/CItemDelegate.h"
#include "views/CItemListCtrl.h"
#include "views/CItemTreeCtrl.h"
#include "widgets/CCaseEdit.h"
#include "widgets/CDlgDatePicker.h"
#include "widgets/CLinkLabel.h"
#include "widgets/CSeparatorLine.h"
#include "widgets/Commands.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

// Receives what the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened.append(url); }
};

class TestGuiControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void properCaseTyping_data();
    void properCaseTyping();
    void properCaseLeavesPastedText();
    void properCaseComposedLetters();
    void firstClickSelects_data();
    void firstClickSelects();
    void dragAfterFocusKeepsSelection();

    void protectedItemsDrawRed_data();
    void protectedItemsDrawRed();
    void listDrawsProtectedItemsRed();
    void treeLevelsAndChildLookup();
    void rightClickSelectsOnlyWhenCommandChosen_data();
    void rightClickSelectsOnlyWhenCommandChosen();
    void keyboardMenuOpensAtSelectedLabel();
    void emptyListText_data();
    void emptyListText();

    void linkLabelStyles_data();
    void linkLabelStyles();
    void linkLabelOpensTarget_data();
    void linkLabelOpensTarget();
    void separatorLine();

    void datePickerDayClickCloses_data();
    void datePickerDayClickCloses();
    void datePickerEscapeCancels();
};

namespace {

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 180 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

bool Near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 12;
}

bool IsDark(QRgb pixel) {
    return qGray(pixel) < 128;
}

int CountPixels(const QImage& image, const QRect& area, bool (*test)(QRgb)) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// The smallest rectangle holding every pixel that passes `test`; empty when none does.
QRect PixelBounds(const QImage& image, bool (*test)(QRgb)) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QImage Render(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QStandardItem* Item(const QString& text, int id) {
    auto* item = new QStandardItem(text);
    item->setData(id, CItemDelegate::kIdRole);
    return item;
}

QPixmap Square(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::darkGreen);
    return pixmap;
}

// Root "Korvel" with the categories Bank (5), Secret (-6) with the card Pin (9), and Locked (-7).
struct TreeFixture {
    QWidget window;
    QLineEdit* other = new QLineEdit(&window);
    CItemTreeCtrl* tree = new CItemTreeCtrl(&window);
    QStandardItemModel model;
    QStandardItem* root = Item(QStringLiteral("Korvel"), 0);
    QStandardItem* bank = Item(QStringLiteral("Bank"), 5);
    QStandardItem* secret = Item(QStringLiteral("Secret"), -6);
    QStandardItem* pin = Item(QStringLiteral("Pin"), 9);
    QStandardItem* locked = Item(QStringLiteral("Locked"), -7);

    TreeFixture() {
        model.appendRow(root);
        root->appendRows({bank, secret, locked});
        secret->appendRow(pin);
        for (QStandardItem* item : {root, bank, secret, pin, locked})
            item->setIcon(QIcon(Square(16)));
        tree->setModel(&model);
        tree->expandAll();
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(other);
        layout->addWidget(tree);
        window.setGeometry(100, 100, 260, 260);
        window.show();
    }
    QModelIndex Index(QStandardItem* item) const { return model.indexFromItem(item); }
    QPoint Center(QStandardItem* item) const { return tree->visualRect(Index(item)).center(); }
};

std::unique_ptr<QMenu> CommandMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("New Card"))->setData(Command::NewCard);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Delete"))->setData(Command::Delete);
    return menu;
}

// Once the next popup menu is open: `look` sees it, then the action with `commandId` is clicked, or with 0 the menu
// is dismissed.
void WhenMenuOpens(int commandId, std::function<void(QMenu*)> look = {}) {
    QTimer::singleShot(0, [commandId, look] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        if (look)
            look(menu);
        for (QAction* action : menu->actions()) {
            if (commandId != 0 && action->data().toInt() == commandId) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        menu->close();
    });
}

void SendMouseContextMenu(QWidget* viewport, const QPoint& pos) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &event);
}

// The menu key: Qt gives a position somewhere in the widget, which the tree does not use.
void SendKeyboardContextMenu(QWidget* widget) {
    const QPoint pos = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
}

} // namespace

void TestGuiControls::properCaseTyping_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two words") << 2 << "" << 0 << 0 << "john smith"
                               << "John Smith";
    QTest::newRow("digits start a word too") << 2 << "" << 0 << 0 << "1st place"
                                             << "1st Place";
    QTest::newRow("capitals stay") << 2 << "" << 0 << 0 << "JOHN o'neil"
                                   << "JOHN O'neil";
    QTest::newRow("sharp s stays one letter") << 2 << "" << 0 << 0 << "\u00dfa"
                                              << "\u00dfa";
    QTest::newRow("inside a word") << 2 << "jon" << 2 << 0 << "h"
                                   << "john";
    QTest::newRow("before existing text") << 2 << "mith" << 0 << 0 << "s"
                                          << "Smith";
    QTest::newRow("after a space in the text") << 2 << "a b" << 2 << 0 << "x"
                                               << "a Xb";
    QTest::newRow("over a selection from the start") << 2 << "john" << 0 << 4 << "p"
                                                     << "P";
    QTest::newRow("over a selection after a letter") << 2 << "john" << 1 << 3 << "x"
                                                     << "jx";
    QTest::newRow("existing text untouched") << 2 << "old words" << 9 << 0 << "!"
                                             << "old words!";
    QTest::newRow("no case mode") << 0 << "" << 0 << 0 << "john smith"
                                  << "john smith";
    QTest::newRow("caret mode") << 4 << "" << 0 << 0 << "john smith"
                                << "john smith";
}

void TestGuiControls::properCaseTyping() {
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    CCaseEdit edit;
    edit.SetCaseMode(mode);
    edit.setText(text);
    edit.setSelection(start, length);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), expected);
}

void TestGuiControls::properCaseLeavesPastedText() {
    CCaseEdit edit;
    edit.SetCaseMode(CCaseEdit::kProperCase);
    QApplication::clipboard()->setText(QStringLiteral("hello world"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("hello world"));
    QTest::keyClicks(&edit, QStringLiteral(" and more"));
    QCOMPARE(edit.text(), QStringLiteral("hello world And More"));
}

void TestGuiControls::properCaseComposedLetters() {
    CCaseEdit edit;
    edit.SetCaseMode(CCaseEdit::kProperCase);
    auto compose = [&](const QString& letter) {
        QInputMethodEvent event;
        event.setCommitString(letter);
        QApplication::sendEvent(&edit, &event);
    };
    compose(QStringLiteral("\u00e9"));
    QTest::keyClicks(&edit, QStringLiteral("mile "));
    compose(QStringLiteral("\u00e7"));
    compose(QStringLiteral("\u00e0"));
    QCOMPARE(edit.text(), QStringLiteral("\u00c9mile \u00c7\u00e0"));
}

void TestGuiControls::firstClickSelects_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("selectOnClick");
    QTest::addColumn<bool>("selectsAll");

    QTest::newRow("selects all") << 0 << true << true;
    QTest::newRow("proper case selects all") << 2 << true << true;
    QTest::newRow("caret mode puts the caret at the end") << 4 << true << false;
    QTest::newRow("select on click off") << 0 << false << false;
}

void TestGuiControls::firstClickSelects() {
    QFETCH(int, mode);
    QFETCH(bool, selectOnClick);
    QFETCH(bool, selectsAll);

    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* edit = new CCaseEdit(&window);
    edit->SetCaseMode(mode);
    edit->SetSelectOnClick(selectOnClick);
    edit->setText(QStringLiteral("Frequent flyer number"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(edit);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    const QPoint early(12, edit->height() / 2);
    const int clickedAt = edit->cursorPositionAt(early);
    QVERIFY(clickedAt > 0);
    QTest::mouseClick(edit, Qt::LeftButton, {}, early);
    QVERIFY(edit->hasFocus());
    if (selectsAll) {
        QCOMPARE(edit->selectedText(), edit->text());
    } else {
        QVERIFY(!edit->hasSelectedText());
        QCOMPARE(edit->cursorPosition(), mode == CCaseEdit::kCaretAtEnd ? edit->text().size() : clickedAt);
    }

    // The second click is an ordinary one: it places the caret.
    QTest::mouseClick(edit, Qt::LeftButton, {}, early);
    QVERIFY(!edit->hasSelectedText());
    QCOMPARE(edit->cursorPosition(), clickedAt);
}

void TestGuiControls::dragAfterFocusKeepsSelection() {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* edit = new CCaseEdit(&window);
    edit->setText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(edit);
    window.resize(400, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    const int y = edit->height() / 2;
    QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(8, y));
    QTest::mouseMove(edit, QPoint(40, y));
    QTest::mouseMove(edit, QPoint(60, y));
    QTest::mouseRelease(edit, Qt::LeftButton, {}, QPoint(60, y));
    QVERIFY(edit->hasSelectedText());
    QCOMPARE(edit->selectionStart(), edit->cursorPositionAt(QPoint(8, y)));
    QVERIFY2(edit->selectedText().size() < edit->text().size(), qPrintable(edit->selectedText()));
}

void TestGuiControls::protectedItemsDrawRed_data() {
    QTest::addColumn<bool>("treeFocused");
    QTest::newRow("tree focused") << true;
    QTest::newRow("tree not focused") << false;
}

void TestGuiControls::protectedItemsDrawRed() {
    QFETCH(bool, treeFocused);
    TreeFixture f;
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.tree->setCurrentIndex(f.Index(f.locked));
    (treeFocused ? static_cast<QWidget*>(f.tree) : f.other)->setFocus();
    QCOMPARE(f.tree->hasFocus(), treeFocused);

    const QImage image = Render(f.tree->viewport());
    QVERIFY(CountPixels(image, f.tree->visualRect(f.Index(f.secret)), IsRed) > 10);
    QCOMPARE(CountPixels(image, f.tree->visualRect(f.Index(f.bank)), IsRed), 0);
    QCOMPARE(CountPixels(image, f.tree->visualRect(f.Index(f.pin)), IsRed), 0);
    // Selected, a protected item shows in the selection's colours, not in red.
    const QRect selected = f.tree->visualRect(f.Index(f.locked));
    QCOMPARE(CountPixels(image, selected, IsRed), 0);
    // With the focus elsewhere the selection stays visible, in quieter colours: dark text on a light background.
    const QColor background = image.pixel(selected.right() - 2, selected.center().y());
    const QColor highlight = f.tree->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = image.pixel(selected.right() - 2, f.tree->visualRect(f.Index(f.bank)).center().y());
    if (treeFocused) {
        QVERIFY2(Near(background, highlight), qPrintable(background.name()));
    } else {
        QVERIFY(!Near(background, highlight) && !Near(background, base));
        QVERIFY(!IsDark(background.rgb()));
        QVERIFY(CountPixels(image, selected, IsDark) > 10);
    }
}

void TestGuiControls::listDrawsProtectedItemsRed() {
    QStandardItemModel model;
    QStandardItem* open = Item(QStringLiteral("Open"), 4);
    QStandardItem* guarded = Item(QStringLiteral("Guarded"), -5);
    open->setIcon(QIcon(Square(32)));
    guarded->setIcon(QIcon(Square(32)));
    model.appendRow(open);
    model.appendRow(guarded);
    CItemListCtrl list;
    list.setModel(&model);
    list.resize(300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    QImage image = Render(list.viewport());
    QVERIFY(CountPixels(image, list.visualRect(model.indexFromItem(guarded)), IsRed) > 10);
    QCOMPARE(CountPixels(image, list.visualRect(model.indexFromItem(open)), IsRed), 0);

    list.setCurrentIndex(model.indexFromItem(guarded));
    image = Render(list.viewport());
    QCOMPARE(CountPixels(image, list.visualRect(model.indexFromItem(guarded)), IsRed), 0);
}

void TestGuiControls::treeLevelsAndChildLookup() {
    TreeFixture f;
    QCOMPARE(CItemTreeCtrl::GetItemLevel(QModelIndex()), 0);
    QCOMPARE(CItemTreeCtrl::GetItemLevel(f.Index(f.root)), 0);
    QCOMPARE(CItemTreeCtrl::GetItemLevel(f.Index(f.secret)), 1);
    QCOMPARE(CItemTreeCtrl::GetItemLevel(f.Index(f.pin)), 2);

    const QModelIndex root = f.Index(f.root);
    QCOMPARE(f.tree->FindChildItem(QModelIndex(), 0), root);
    QCOMPARE(f.tree->FindChildItem(root, 6), f.Index(f.secret));
    QCOMPARE(f.tree->FindChildItem(root, -6), f.Index(f.secret));
    QCOMPARE(f.tree->FindChildItem(root, -5), f.Index(f.bank));
    // Direct children only: the card lies a level deeper.
    QVERIFY(!f.tree->FindChildItem(root, 9).isValid());
    QCOMPARE(f.tree->FindChildItem(f.Index(f.secret), 9), f.Index(f.pin));
    QVERIFY(!f.tree->FindChildItem(f.Index(f.pin), 9).isValid());
    QVERIFY(!f.tree->FindChildItem(root, 8).isValid());
}

void TestGuiControls::rightClickSelectsOnlyWhenCommandChosen_data() {
    QTest::addColumn<bool>("onItem");
    QTest::addColumn<int>("chosen");

    QTest::newRow("on an item, command chosen") << true << Command::Delete;
    QTest::newRow("on an item, dismissed") << true << 0;
    QTest::newRow("below the items, command chosen") << false << Command::NewCard;
}

void TestGuiControls::rightClickSelectsOnlyWhenCommandChosen() {
    QFETCH(bool, onItem);
    QFETCH(int, chosen);

    TreeFixture f;
    f.tree->setCurrentIndex(f.Index(f.bank));
    QModelIndex selectedWhenBuilt;
    f.tree->SetMenuBuilder([&] {
        selectedWhenBuilt = f.tree->currentIndex();
        return CommandMenu();
    });
    QList<QModelIndex> selectedWhenSent;
    QSignalSpy commands(f.tree, &CItemTreeCtrl::commandChosen);
    connect(f.tree, &CItemTreeCtrl::commandChosen, this, [&] { selectedWhenSent.append(f.tree->currentIndex()); });

    const QPoint pos = onItem ? f.Center(f.secret) : QPoint(20, f.tree->viewport()->height() - 4);
    QVERIFY(onItem == f.tree->indexAt(pos).isValid());
    // The press alone moves nothing: the menu is about the item selected now.
    QTest::mousePress(f.tree->viewport(), Qt::RightButton, {}, pos);
    QTest::mouseRelease(f.tree->viewport(), Qt::RightButton, {}, pos);
    QCOMPARE(f.tree->currentIndex(), f.Index(f.bank));
    WhenMenuOpens(chosen);
    SendMouseContextMenu(f.tree->viewport(), pos);

    QCOMPARE(selectedWhenBuilt, f.Index(f.bank));
    const QModelIndex expected = chosen != 0 && onItem ? f.Index(f.secret) : f.Index(f.bank);
    QCOMPARE(f.tree->currentIndex(), expected);
    QVERIFY(f.tree->selectionModel()->isSelected(expected));
    if (chosen == 0) {
        QCOMPARE(commands.size(), 0);
        return;
    }
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.first().first().toInt(), chosen);
    QCOMPARE(selectedWhenSent, QList<QModelIndex>{expected});

    // The next menu comes from the keyboard: the item clicked before is forgotten.
    f.tree->setCurrentIndex(f.Index(f.locked));
    WhenMenuOpens(chosen);
    SendKeyboardContextMenu(f.tree);
    QCOMPARE(f.tree->currentIndex(), f.Index(f.locked));
}

void TestGuiControls::keyboardMenuOpensAtSelectedLabel() {
    TreeFixture f;
    f.tree->SetMenuBuilder(CommandMenu);
    f.tree->setCurrentIndex(f.Index(f.pin));
    QPoint menuAt;
    WhenMenuOpens(0, [&](QMenu* menu) { menuAt = menu->pos(); });
    SendKeyboardContextMenu(f.tree);

    // 15 right of and 8 below the corner of the text, which begins after the item's 16-pixel icon.
    const QRect item = f.tree->visualRect(f.Index(f.pin));
    const QPoint corner = f.tree->viewport()->mapToGlobal(item.topLeft());
    QCOMPARE(menuAt.y(), corner.y() + 8);
    QVERIFY2(menuAt.x() >= corner.x() + 16 + 15 && menuAt.x() <= corner.x() + 16 + 15 + 12,
             qPrintable(QStringLiteral("menu at %1, item at %2").arg(menuAt.x()).arg(corner.x())));
}

void TestGuiControls::emptyListText_data() {
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("hasRow");
    QTest::addColumn<int>("width");

    QTest::newRow("shown") << true << false << 400;
    QTest::newRow("wrapped in a narrow list") << true << false << 120;
    QTest::newRow("not with a row") << true << true << 400;
    QTest::newRow("switched off") << false << false << 400;
}

void TestGuiControls::emptyListText() {
    QFETCH(bool, show);
    QFETCH(bool, hasRow);
    QFETCH(int, width);

    QStandardItemModel model;
    if (hasRow)
        model.appendRow(Item(QString(), 3));
    CItemListCtrl list;
    list.setModel(&model);
    list.SetEmptyText(kStrNoCards);
    list.SetShowEmptyText(show);
    list.resize(width, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    const QImage image = Render(list.viewport());
    const QRect text = PixelBounds(image, IsDark);
    if (!show || hasRow) {
        QVERIFY2(text.isEmpty(), "no text expected");
        return;
    }
    const QFontMetrics metrics(list.font());
    QVERIFY2(text.top() >= 10 && text.top() < 10 + metrics.height(), qPrintable(QString::number(text.top())));
    QVERIFY(qAbs(text.center().x() - image.width() / 2) <= 3);
    const int lineWidth = metrics.horizontalAdvance(LoadResString(kStrNoCards));
    const bool wraps = lineWidth > image.width();
    QCOMPARE(text.height() > metrics.height() * 3 / 2, wraps);
    QVERIFY(text.width() <= image.width());
}

void TestGuiControls::linkLabelStyles_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("style");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("link");
    QTest::addColumn<bool>("verdana");

    const QColor black(0, 0, 0);
    const QColor navy(0, 0, 128);
    const QColor blue(51, 51, 255);
    QTest::newRow("0 after 4") << 4 << 0 << black << false << false << false << false;
    QTest::newRow("1 after 3") << 3 << 1 << navy << true << false << false << false;
    QTest::newRow("2 after 3") << 3 << 2 << black << true << false << false << false;
    QTest::newRow("3 after 2") << 2 << 3 << blue << false << true << true << false;
    QTest::newRow("4 after 0") << 0 << 4 << blue << true << true << true << false;
    QTest::newRow("5 keeps a link's colour and underline") << 4 << 5 << blue << false << true << false << true;
    QTest::newRow("6 keeps navy") << 1 << 6 << navy << true << false << false << true;
    QTest::newRow("unknown only bold") << 0 << 9 << black << true << false << false << false;
}

void TestGuiControls::linkLabelStyles() {
    QFETCH(int, before);
    QFETCH(int, style);
    QFETCH(QColor, color);
    QFETCH(bool, bold);
    QFETCH(bool, underline);
    QFETCH(bool, link);
    QFETCH(bool, verdana);

    CLinkLabel label(QStringLiteral("Account <b>number</b>"));
    label.SetStyle(before);
    label.SetStyle(style);
    QCOMPARE(label.TextColor(), color);
    QCOMPARE(label.font().bold(), bold);
    QCOMPARE(label.font().underline(), underline);
    QCOMPARE(label.IsLink(), link);
    QCOMPARE(label.font().family() == QStringLiteral("Verdana"), verdana);
    QCOMPARE(label.cursor().shape(), link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QCOMPARE(label.textFormat(), Qt::PlainText);
}

void TestGuiControls::linkLabelOpensTarget_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("opened");

    QTest::newRow("mail") << "mailto:anna@example.com" << Qt::LeftButton << "mailto:anna@example.com";
    QTest::newRow("web address as typed") << "www.example.com" << Qt::LeftButton << "http://www.example.com";
    QTest::newRow("full address") << "https://example.com/a?b=1" << Qt::LeftButton << "https://example.com/a?b=1";
    QTest::newRow("right button") << "https://example.com" << Qt::RightButton << "";
    QTest::newRow("no target") << "" << Qt::LeftButton << "";
}

void TestGuiControls::linkLabelOpensTarget() {
    QFETCH(QString, target);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, opened);

    UrlRecorder recorder;
    const QStringList schemes{QStringLiteral("mailto"), QStringLiteral("http"), QStringLiteral("https")};
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &recorder, "Open");
    CLinkLabel label(QStringLiteral("value"));
    label.SetStyle(0);
    label.SetLinkTarget(target);
    label.show();
    QTest::mouseClick(&label, button);
    for (const QString& scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);

    QCOMPARE(label.cursor().shape(), target.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    QCOMPARE(recorder.opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(recorder.opened.first(), QUrl(opened));
}

void TestGuiControls::separatorLine() {
    CSeparatorLine line;
    line.SetColor(QColor(200, 0, 0));
    line.resize(50, 6);
    const QImage image = Render(&line);
    QCOMPARE(CountPixels(image, QRect(0, 2, 50, 1), IsRed), 50);
    QCOMPARE(CountPixels(image, QRect(0, 0, 50, 2), IsRed), 0);
    QCOMPARE(CountPixels(image, QRect(0, 3, 50, 3), IsRed), 0);
}

void TestGuiControls::datePickerDayClickCloses_data() {
    QTest::addColumn<bool>("startLong");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("longFormat");

    QTest::newRow("long kept") << true << "" << true;
    QTest::newRow("short chosen") << true << "shortFormat" << false;
    QTest::newRow("long chosen") << false << "longFormat" << true;
}

void TestGuiControls::datePickerDayClickCloses() {
    QFETCH(bool, startLong);
    QFETCH(QString, choice);
    QFETCH(bool, longFormat);

    CDlgDatePicker picker;
    picker.SetLongFormat(startLong);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto* longChoice = picker.findChild<QRadioButton*>(QStringLiteral("longFormat"));
    QCOMPARE(longChoice->isChecked(), startLong);
    const QDateTime example(QDate(2003, 5, 2), QTime(0, 0));
    QCOMPARE(longChoice->text(), QStringLiteral("&Long (e.g: %1)").arg(DateText(example, true)));
    QCOMPARE(picker.findChild<QRadioButton*>(QStringLiteral("shortFormat"))->text(),
             QStringLiteral("&Short (e.g: %1)").arg(DateText(example, false)));
    if (!choice.isEmpty())
        QTest::mouseClick(picker.findChild<QRadioButton*>(choice), Qt::LeftButton);
    QVERIFY(picker.isVisible());

    auto* calendar = picker.findChild<QCalendarWidget*>();
    auto* days = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    QModelIndex fifteenth;
    for (int row = 0; row < days->model()->rowCount() && !fifteenth.isValid(); ++row)
        for (int column = 0; column < days->model()->columnCount(); ++column)
            if (days->model()->index(row, column).data().toString() == QStringLiteral("15"))
                fifteenth = days->model()->index(row, column);
    QVERIFY(fifteenth.isValid());
    QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, days->visualRect(fifteenth).center());

    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(picker.Date(), QDateTime(QDate(calendar->yearShown(), calendar->monthShown(), 15), QTime(0, 0)));
    QCOMPARE(picker.Date().time(), QTime(0, 0));
    QCOMPARE(picker.LongFormat(), longFormat);
}

void TestGuiControls::datePickerEscapeCancels() {
    CDlgDatePicker picker;
    picker.SetLongFormat(true);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QTest::mouseClick(picker.findChild<QRadioButton*>(QStringLiteral("shortFormat")), Qt::LeftButton);
    QTest::keyClick(picker.findChild<QRadioButton*>(QStringLiteral("shortFormat")), Qt::Key_Escape);
    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.result(), int(QDialog::Rejected));
    QVERIFY2(picker.LongFormat(), "a cancelled choice is not taken");
}

QTEST_MAIN(TestGuiControls)
#include "TestGuiControls.moc"
