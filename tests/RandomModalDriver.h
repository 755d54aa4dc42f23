// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Clock.h"
#include "views/CDlgPassword.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include <functional>

// Answers whatever modal dialog or popup opens, as a user would, decided by a seeded generator: a few edits, clicks,
// choices and keys first, then OK, Cancel, Enter or Escape. The keypad gets the right password, a wrong one or none;
// a message box one of its buttons. A dialog that does not close after several tries is closed by force and noted
// as a fault, so a run never hangs on one.
class RandomModalDriver : public QObject {
public:
    using Note = std::function<void(const QString&)>;

    RandomModalDriver(QRandomGenerator& random, std::function<QString()> keypadPassword, Note note)
        : m_random(random), m_keypadPassword(std::move(keypadPassword)), m_note(std::move(note)) {
        Tick();
    }

    // Something that may happen while a dialog waits for the user, such as a timer of the program running out;
    // now and then it happens in place of the user's next action.
    void SetMeanwhile(std::function<void()> meanwhile) { m_meanwhile = std::move(meanwhile); }

    QStringList TakeFaults() {
        QStringList faults;
        faults.swap(m_faults);
        return faults;
    }

    // Types `text` into `widget` key by key; characters that have no key of their own come as text alone, as an
    // input method gives them.
    static void Type(QWidget* widget, const QString& text) {
        for (QChar character : text) {
            if (character.unicode() >= 0x20 && character.unicode() < 0x7F)
                QTest::keyClick(widget, char(character.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
        }
    }

private:
    static constexpr int kTickMs = 2;
    static constexpr const char* kActions = "exerciserActions";
    static constexpr const char* kBudget = "exerciserBudget";
    static constexpr const char* kTries = "exerciserTries";
    // Tries to close before the dialog is rejected without asking, and before it is hidden by force.
    static constexpr int kTriesBeforeReject = 4;
    static constexpr int kTriesBeforeForce = 8;

    int Roll(int bound) { return int(m_random.bounded(bound)); }
    bool Chance(int percent) { return Roll(100) < percent; }

    static QString Name(const QObject& object) {
        QString name = QLatin1String(object.metaObject()->className());
        if (const auto* button = qobject_cast<const QAbstractButton*>(&object); button && !button->text().isEmpty())
            return name + QStringLiteral(" \"%1\"").arg(button->text());
        if (!object.objectName().isEmpty())
            name += u' ' + object.objectName();
        return name;
    }

    void Tick() {
        QTimer::singleShot(kTickMs, this, &RandomModalDriver::Tick);
        if (QWidget* popup = QApplication::activePopupWidget()) {
            PassTime();
            if (auto* dialog = qobject_cast<QDialog*>(popup))
                Act(*dialog);
            else
                ActOnPopup(*popup);
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            PassTime();
            Act(*dialog);
        }
    }

    // A person takes a moment between two actions; the program's clock, frozen by the caller, moves on by as much,
    // so what the program times by it (a burst of typing) sees a person's pace rather than the driver's.
    void PassTime() { Clock::Advance(40 + Roll(360)); }

    void ActOnPopup(QWidget& popup) {
        // A popup that outlives a few keys is closed with a click elsewhere, which no key can stand in for.
        const int tries = popup.property(kTries).toInt() + 1;
        popup.setProperty(kTries, tries);
        if (tries > kTriesBeforeReject) {
            m_note(QStringLiteral("popup %1: click elsewhere").arg(Name(popup)));
            popup.close();
            return;
        }
        if (auto* menu = qobject_cast<QMenu*>(&popup)) {
            QList<QAction*> enabled;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled() && action->isVisible())
                    enabled.append(action);
            }
            if (enabled.isEmpty() || Chance(30)) {
                m_note(QStringLiteral("menu: escape"));
                QTest::keyClick(menu, Qt::Key_Escape);
                return;
            }
            QAction* chosen = enabled[Roll(int(enabled.size()))];
            m_note(QStringLiteral("menu: %1").arg(chosen->text()));
            if (Chance(70)) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
            } else {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            }
            return;
        }
        // A combo box's list.
        if (auto* view = popup.findChild<QAbstractItemView*>(); view && view->model() && Chance(70)) {
            const int rows = view->model()->rowCount(view->rootIndex());
            if (rows > 0) {
                const QModelIndex index = view->model()->index(Roll(rows), 0, view->rootIndex());
                m_note(QStringLiteral("list: %1").arg(index.data().toString()));
                view->setCurrentIndex(index);
                QTest::keyClick(view, Qt::Key_Return);
                return;
            }
        }
        m_note(QStringLiteral("popup %1: escape").arg(Name(popup)));
        QTest::keyClick(&popup, Qt::Key_Escape);
        if (popup.isVisible())
            popup.close();
    }

    void Act(QDialog& dialog) {
        if (m_meanwhile && Chance(3)) {
            m_meanwhile();
            return;
        }
        if (!dialog.property(kBudget).isValid())
            dialog.setProperty(kBudget, Chance(20) ? Roll(25) : Roll(7)); // now and then a long session
        if (auto* keypad = qobject_cast<CDlgPassword*>(&dialog))
            return Keypad(*keypad);
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            return AnswerBox(*box);
        const int actions = dialog.property(kActions).toInt();
        if (actions < dialog.property(kBudget).toInt()) {
            dialog.setProperty(kActions, actions + 1);
            Fiddle(dialog);
            return;
        }
        Finish(dialog);
    }

    // Counts a try to close; true when the dialog was closed by force instead.
    bool Forced(QDialog& dialog) {
        const int tries = dialog.property(kTries).toInt() + 1;
        dialog.setProperty(kTries, tries);
        if (tries < kTriesBeforeReject)
            return false;
        if (tries < kTriesBeforeForce) {
            m_note(QStringLiteral("%1: reject").arg(Name(dialog)));
            dialog.reject();
            return true;
        }
        m_faults.append(QStringLiteral("%1 does not close").arg(Name(dialog)));
        m_note(QStringLiteral("%1: does not close, hidden").arg(Name(dialog)));
        dialog.done(QDialog::Rejected);
        dialog.hide();
        return true;
    }

    void Keypad(CDlgPassword& keypad) {
        if (Forced(keypad))
            return;
        const QString right = m_keypadPassword();
        const int roll = Roll(100);
        if (roll < 25) {
            m_note(QStringLiteral("keypad: types the right password"));
            QTest::keyClicks(&keypad, right);
        } else if (roll < 45) {
            m_note(QStringLiteral("keypad: clicks the right password"));
            for (QChar digit : right) {
                if (auto* key = keypad.findChild<QPushButton*>(QStringLiteral("digit") + digit))
                    key->click();
            }
        } else if (roll < 65) {
            m_note(QStringLiteral("keypad: a wrong password and OK"));
            QTest::keyClicks(&keypad, QStringLiteral("9090"));
            if (auto* ok = keypad.findChild<QPushButton*>(QStringLiteral("ok")))
                ok->click();
        } else if (roll < 75) {
            m_note(QStringLiteral("keypad: CLR"));
            if (auto* clear = keypad.findChild<QPushButton*>(QStringLiteral("clear")))
                clear->click();
        } else if (roll < 88) {
            m_note(QStringLiteral("keypad: enter"));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &keypad, Qt::Key_Return);
        } else {
            m_note(QStringLiteral("keypad: escape"));
            QTest::keyClick(&keypad, Qt::Key_Escape);
        }
    }

    void AnswerBox(QMessageBox& box) {
        if (Forced(box))
            return;
        const QList<QAbstractButton*> buttons = box.buttons();
        const int roll = Roll(100);
        if (roll < 60 && !buttons.isEmpty()) {
            QAbstractButton* button = buttons[Roll(int(buttons.size()))];
            m_note(QStringLiteral("message box: %1").arg(button->text()));
            button->click();
        } else if (roll < 80) {
            m_note(QStringLiteral("message box: enter"));
            QTest::keyClick(&box, Qt::Key_Return);
        } else {
            m_note(QStringLiteral("message box: escape"));
            QTest::keyClick(&box, Qt::Key_Escape);
        }
    }

    void Finish(QDialog& dialog) {
        if (Forced(dialog))
            return;
        const QDialogButtonBox* box = dialog.findChild<QDialogButtonBox*>();
        QAbstractButton* accept = nullptr;
        QAbstractButton* reject = nullptr;
        for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>()) {
            const QDialogButtonBox::ButtonRole role = box->buttonRole(button);
            if (role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::YesRole)
                accept = accept ? accept : button;
            else if (role == QDialogButtonBox::RejectRole || role == QDialogButtonBox::NoRole)
                reject = reject ? reject : button;
        }
        QWidget* focus = QApplication::focusWidget();
        const int roll = Roll(100);
        if (roll < 35) {
            m_note(QStringLiteral("%1: OK").arg(Name(dialog)));
            if (accept && accept->isEnabled())
                accept->click();
            else
                dialog.accept();
        } else if (roll < 60) {
            m_note(QStringLiteral("%1: Cancel").arg(Name(dialog)));
            if (reject && reject->isEnabled())
                reject->click();
            else
                dialog.reject();
        } else if (roll < 80) {
            m_note(QStringLiteral("%1: enter").arg(Name(dialog)));
            QTest::keyClick(focus && focus->window() == &dialog ? focus : &dialog, Qt::Key_Return);
        } else {
            m_note(QStringLiteral("%1: escape").arg(Name(dialog)));
            QTest::keyClick(focus && focus->window() == &dialog ? focus : &dialog, Qt::Key_Escape);
        }
    }

    QString Text() {
        static const QStringList texts{QStringLiteral("Visa"),
                                       QStringLiteral("a"),
                                       QStringLiteral("12345"),
                                       QStringLiteral("  "),
                                       QStringLiteral("Ünïcødé ✓ 漢字"),
                                       QStringLiteral("http://example.com/a?b=c"),
                                       QStringLiteral("someone@example.com"),
                                       QStringLiteral("&Amp && <b>bold</b>"),
                                       QStringLiteral("0"),
                                       QStringLiteral("-12.50"),
                                       QStringLiteral("line\tafter tab")};
        if (Chance(5))
            return QString(300, u'x');
        return texts[Roll(int(texts.size()))];
    }

    void Fiddle(QDialog& dialog) {
        QList<QWidget*> controls;
        for (QWidget* widget : dialog.findChildren<QWidget*>()) {
            if (widget->window() != &dialog || !widget->isVisible() || !widget->isEnabled())
                continue;
            const auto* edit = qobject_cast<QLineEdit*>(widget);
            const auto* plain = qobject_cast<QPlainTextEdit*>(widget);
            const auto* rich = qobject_cast<QTextEdit*>(widget);
            const auto* label = qobject_cast<QLabel*>(widget);
            if ((edit && !edit->isReadOnly()) || (plain && !plain->isReadOnly()) || (rich && !rich->isReadOnly()) ||
                (label && !LinkOf(*label).isEmpty()) || qobject_cast<QAbstractButton*>(widget) ||
                qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                qobject_cast<QTabBar*>(widget) || qobject_cast<QAbstractItemView*>(widget))
                controls.append(widget);
        }
        if (controls.isEmpty() || Chance(15)) {
            static const Qt::Key keys[] = {Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_Down,  Qt::Key_Up,
                                           Qt::Key_Left, Qt::Key_Right,   Qt::Key_Space, Qt::Key_Delete,
                                           Qt::Key_Home, Qt::Key_End,     Qt::Key_A,     Qt::Key_F4};
            const Qt::Key key = keys[Roll(int(std::size(keys)))];
            QWidget* focus = QApplication::focusWidget();
            m_note(QStringLiteral("%1: key %2").arg(Name(dialog), QKeySequence(key).toString()));
            QTest::keyClick(focus && focus->window() == &dialog ? focus : &dialog, key);
            return;
        }
        QWidget* control = controls[Roll(int(controls.size()))];
        const QString where = QStringLiteral("%1: %2").arg(Name(dialog), Name(*control));
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            const QString text = Text();
            m_note(QStringLiteral("%1: types \"%2\"").arg(where, text.left(20)));
            if (Chance(40))
                edit->clear();
            Type(edit, text);
        } else if (qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QTextEdit*>(control)) {
            const QString text = Text();
            m_note(QStringLiteral("%1: types \"%2\"").arg(where, text.left(20)));
            Type(control, text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            m_note(QStringLiteral("%1: click").arg(where));
            button->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            const int roll = Roll(100);
            if (roll < 50) {
                m_note(QStringLiteral("%1: key down").arg(where));
                QTest::keyClick(combo, Chance(70) ? Qt::Key_Down : Qt::Key_Up);
            } else if (roll < 75 && combo->count() > 0) {
                const int index = Roll(combo->count());
                m_note(QStringLiteral("%1: item %2").arg(where).arg(index));
                combo->setCurrentIndex(index);
            } else {
                m_note(QStringLiteral("%1: opens its list").arg(where));
                combo->showPopup();
            }
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
            const int roll = Roll(100);
            m_note(QStringLiteral("%1: %2").arg(where, roll < 60 ? QStringLiteral("steps") : QStringLiteral("types")));
            if (roll < 60) {
                QTest::keyClick(spin, Chance(50) ? Qt::Key_Up : Qt::Key_Down);
            } else {
                QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(spin, QString::number(Roll(2000) - 100));
            }
        } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
            const int index = Roll(tabs->count());
            m_note(QStringLiteral("%1: tab %2").arg(where).arg(index));
            tabs->setCurrentIndex(index);
        } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
            FiddleView(*view, where);
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            const QString link = LinkOf(*label);
            m_note(QStringLiteral("%1: follows the link %2").arg(where, link));
            Q_EMIT label->linkActivated(link);
        }
    }

    // The first link of a label's rich text.
    static QString LinkOf(const QLabel& label) {
        static const QRegularExpression anchor(QStringLiteral("<a\\s+href=\"([^\"]*)\""));
        return anchor.match(label.text()).captured(1);
    }

    void FiddleView(QAbstractItemView& view, const QString& where) {
        QAbstractItemModel* model = view.model();
        const int rows = model ? model->rowCount(view.rootIndex()) : 0;
        if (rows == 0) {
            m_note(QStringLiteral("%1: key down on an empty list").arg(where));
            QTest::keyClick(&view, Qt::Key_Down);
            return;
        }
        QModelIndex index =
            model->index(Roll(rows), Roll(std::max(1, model->columnCount(view.rootIndex()))), view.rootIndex());
        if (qobject_cast<QTreeView*>(&view) && model->rowCount(index) > 0 && Chance(50))
            index = model->index(Roll(model->rowCount(index)), 0, index);
        view.scrollTo(index);
        const QRect rect = view.visualRect(index);
        const int roll = Roll(100);
        if (roll < 50 && rect.isValid()) {
            m_note(QStringLiteral("%1: clicks \"%2\"").arg(where, index.data().toString().left(20)));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
        } else if (roll < 65 && rect.isValid()) {
            m_note(QStringLiteral("%1: double-clicks \"%2\"").arg(where, index.data().toString().left(20)));
            QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rect.center());
        } else if (roll < 80) {
            m_note(QStringLiteral("%1: selects \"%2\"").arg(where, index.data().toString().left(20)));
            view.setCurrentIndex(index);
        } else {
            static const Qt::Key keys[] = {Qt::Key_Down,  Qt::Key_Up, Qt::Key_Return,
                                           Qt::Key_Space, Qt::Key_F2, Qt::Key_Tab};
            const Qt::Key key = keys[Roll(int(std::size(keys)))];
            m_note(QStringLiteral("%1: key %2").arg(where, QKeySequence(key).toString()));
            QTest::keyClick(&view, key);
        }
    }

    QRandomGenerator& m_random;
    std::function<QString()> m_keypadPassword;
    Note m_note;
    std::function<void()> m_meanwhile;
    QStringList m_faults;
};
