// SPDX-License-Identifier: GPL-3.0-or-later
// Password fields of the card sheet: masked in the row and its editor while the card hides passwords, revealed by
// Show and Ctrl+H without losing what is typed, and filled by the generator through the sheet's Generate button.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "Mnemonics.h"
#include "ModalDriver.h"
#include "dialogs/CDlgCard.h"
#include "dialogs/CDlgCardTab1.h"
#include "dialogs/CDlgCardTab2.h"
#include "dialogs/CDlgGenerator.h"
#include "dialogs/CListOptionsCtrl.h"
#include "dialogs/CListOptionsEdit.h"
#include "model/CCard.h"
#include "model/CCategory.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {
constexpr int kPasswordRow = 1;

struct Program : GuiProgram {
    // A card of a template with a user name, a password and a site; `hidden` is its "don't show passwords".
    CCard& AddCard(bool hidden) {
        auto made = std::make_unique<CCardTemplate>(Wallet().NextId() + 500);
        made->description = QStringLiteral("Login");
        made->internalName = QStringLiteral("login");
        made->fields[0] = {QStringLiteral("User"), FieldTypes::Default};
        made->fields[1] = {QStringLiteral("Password"), FieldTypes::Password};
        made->fields[2] = {QStringLiteral("Site"), FieldTypes::Default};
        Wallet().AddTemplate(std::move(made));
        auto card = std::make_unique<CCard>(Wallet().NextId());
        card->description = QStringLiteral("Mail");
        card->templateName = QStringLiteral("login");
        card->categoryId = (*Wallet().Categories().begin())->id;
        card->hidePasswords = hidden ? 1 : 0;
        card->values.Set(0, QStringLiteral("ann"));
        card->values.Set(1, QStringLiteral("s3cret"));
        CCard& kept = *card;
        Wallet().AddCard(std::move(card));
        return kept;
    }
};

QString Shown(CListOptionsCtrl& list, int row) {
    return list.topLevelItem(row)->text(1);
}

bool RowMasked(CListOptionsCtrl& list, int row) {
    return !Shown(list, row).contains(list.ValueText(row)) && list.topLevelItem(row)->toolTip(1).isEmpty() &&
           list.topLevelItem(row)->data(1, Qt::AccessibleTextRole).toString() == QStringLiteral("hidden");
}

QString Faults(const Program& p, const ModalDriver& driver) {
    return (p.prompts.Faults() + driver.Faults()).join(u'\n');
}
} // namespace

class TestGuiPasswordFields : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    // Dots in the row and in the editor; Ctrl+H and Show reveal in place, the editor keeping the focus and the text.
    void passwordsAreMaskedWhereTheyAreTyped() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(true);
        QList<bool> masked;
        bool editorKept = false;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            masked << RowMasked(list, 0) << RowMasked(list, kPasswordRow);
            list.EditRow(kPasswordRow);
            CListOptionsEdit* editor = list.Editor();
            masked << (editor->echoMode() == QLineEdit::Password);
            QTest::keyClicks(editor, QStringLiteral("!!"));
            QTest::keyClick(editor, Qt::Key_H, Qt::ControlModifier);
            masked << (editor->echoMode() == QLineEdit::Password) << RowMasked(list, kPasswordRow);
            QTest::mouseClick(&sheet.Details().RevealButton(), Qt::LeftButton);
            editorKept = list.Editor() == editor && editor->hasFocus();
            masked << (editor->echoMode() == QLineEdit::Password);
            QTest::keyClicks(editor, QStringLiteral("?"));
            QTest::keyClick(editor, Qt::Key_Tab);
            masked << RowMasked(list, kPasswordRow);
            QTest::keyClick(list.Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
            masked << (list.Editor()->echoMode() == QLineEdit::Password);
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(masked, (QList<bool>{false, true, true, false, false, true, true, true}));
        QVERIFY(editorKept);
        QCOMPARE(card.values[1], QStringLiteral("s3cret!!?"));
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));
    }

    // A card that shows its passwords shows them here too, and the Settings page's box is followed at once.
    void theCardsSettingDecides() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(false);
        QList<bool> masked;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            CListOptionsCtrl& list = sheet.Details().List();
            masked << RowMasked(list, kPasswordRow) << sheet.Details().RevealButton().isEnabled();
            QCOMPARE(Shown(list, kPasswordRow), QStringLiteral("s3cret"));
            sheet.Tabs().setCurrentIndex(1);
            sheet.Settings().HidePasswordsBox().setChecked(true);
            sheet.Tabs().setCurrentIndex(0);
            masked << RowMasked(list, kPasswordRow) << sheet.Details().RevealButton().isEnabled();
            sheet.accept();
        });
        QCOMPARE(card.Edit(), 1);
        QCOMPARE(masked, (QList<bool>{false, false, true, true}));
        QCOMPARE(card.hidePasswords, 1);
        QCOMPARE(card.values[1], QStringLiteral("s3cret"));
    }

    // Generate on the sheet: the password made with the chosen settings lands masked in the password field, and
    // the settings are offered again the next time.
    void generatedPasswordGoesIntoTheField() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        CCard& card = p.AddCard(true);
        QString made;
        bool landedMasked = false;
        QStringList unnamed;
        QStringList clashes;
        driver.Then<CDlgCard>([&](CDlgCard& sheet) {
            sheet.Details().List().EditRow(0);
            sheet.Details().GenerateButton().click();
            landedMasked = RowMasked(sheet.Details().List(), kPasswordRow);
            sheet.accept();
        });
        driver.Then<CDlgGenerator>([&](CDlgGenerator& generator) {
            for (QWidget* widget : generator.findChildren<QWidget*>()) {
                // Buttons are named by their text, a spin box's own line edit by the spin box.
                const bool named =
                    qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractSpinBox*>(widget->parentWidget());
                if (widget->focusPolicy() != Qt::NoFocus && widget->accessibleName().isEmpty() && !named)
                    unnamed.append(QLatin1String(widget->metaObject()->className()));
            }
            clashes = MnemonicClashes({&generator});
            generator.findChild<QSpinBox*>(QStringLiteral("length"))->setValue(12);
            generator.findChild<QCheckBox*>(QStringLiteral("symbols"))->setChecked(false);
            const QString first = generator.Password();
            generator.findChild<QPushButton*>(QStringLiteral("regenerate"))->click();
            QVERIFY(generator.Password() != first);
            made = generator.Password();
            generator.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(card.Edit(), 1);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
        QCOMPARE(made.size(), 12);
        QCOMPARE(card.values[1], made);
        QVERIFY(landedMasked);
        QVERIFY2(Faults(p, driver).isEmpty(), qPrintable(Faults(p, driver)));

        const CDlgGenerator again;
        QCOMPARE(again.findChild<QSpinBox*>(QStringLiteral("length"))->value(), 12);
        QVERIFY(!again.findChild<QCheckBox*>(QStringLiteral("symbols"))->isChecked());
        QVERIFY(!again.Password().contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9]"))));
    }

    // Without a word list, passphrases cannot be chosen and the dialog says which package brings one; impossible
    // settings give no password to take.
    void missingWordListAndImpossibleSettings() {
        qputenv("KORVEL_WORDLIST", "/nonexistent/words");
        CDlgGenerator generator;
        qunsetenv("KORVEL_WORDLIST");
        generator.show();
        QVERIFY(!generator.findChild<QRadioButton*>(QStringLiteral("wordMode"))->isEnabled());
        QVERIFY(generator.findChild<QLabel*>(QStringLiteral("missingWords"))->isVisible());
        QVERIFY(generator.findChild<QLabel*>(QStringLiteral("missingWords"))->text().contains(u"diceware"));
        for (const char* name : {"upper", "lower", "digits", "symbols"})
            generator.findChild<QCheckBox*>(QLatin1String(name))->setChecked(false);
        QVERIFY(generator.Password().isEmpty());
        QVERIFY(!generator.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(generator.findChild<QLabel*>(QStringLiteral("verdict"))->text().contains(u"no kind of character"));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiPasswordFields)
#include "TestGuiPasswordFields.moc"
