// SPDX-License-Identifier: GPL-3.0-or-later
// Manage Templates, the Template dialog and the Field dialog in the desktop program: the six tasks with their
// messages and refusals, and the field list's editing.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "dialogs/CDlgField.h"
#include "dialogs/CDlgManageTemplates.h"
#include "dialogs/CDlgSelectTemplate.h"
#include "dialogs/CDlgTemplate.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCardTemplate.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CViewCategoriesCards.h"
#include "widgets/CCaseEdit.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

namespace {
const QString kNewWalletOffer = QStringLiteral("A new wallet has been created");

struct Program : GuiProgram {
    QString Faults(const ModalDriver& driver) const { return (prompts.Faults() + driver.Faults()).join(u'\n'); }
    const CCardTemplate* Named(const QString& description) const {
        for (const CCardTemplate* cardTemplate : app->Wallet()->Templates()) {
            if (cardTemplate->description == description)
                return cardTemplate;
        }
        return nullptr;
    }
};

// Runs tasks in one Manage Templates dialog, each after the steps that answer its own dialogs are queued.
void RunTasks(Program& p, ModalDriver& driver, const QList<std::function<void(CDlgManageTemplates&)>>& tasks) {
    driver.Then<CDlgManageTemplates>([tasks](CDlgManageTemplates& dialog) {
        for (const auto& task : tasks)
            task(dialog);
        dialog.reject();
    });
    p.Frame().Action(Command::ManageTemplates)->trigger();
}

void Pick(ModalDriver& driver, const QString& description) {
    driver.Then<CDlgSelectTemplate>([description](CDlgSelectTemplate& picker) {
        const QList<QTreeWidgetItem*> items = picker.List().findItems(description, Qt::MatchExactly);
        if (!items.isEmpty())
            picker.List().setCurrentItem(items.first());
        picker.accept();
    });
}

QStringList Rows(CDlgTemplate& dialog) {
    QStringList names;
    for (int row = 0; row < dialog.Fields().topLevelItemCount(); ++row)
        names.append(dialog.Fields().topLevelItem(row)->text(0));
    return names;
}

void SetFields(CCardTemplate& cardTemplate, int count) {
    for (int slot = 0; slot < count; ++slot)
        cardTemplate.fields[slot].name = QStringLiteral("F%1").arg(slot + 1);
}
} // namespace

class TestGuiTemplates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    void createCancelledLeavesTheWalletAsItWas() {
        Program p;
        QVERIFY(p.Start());
        const qsizetype templates = p.Wallet().Templates().Count();
        const qint32 nextId = p.Wallet().PeekNextId();
        ModalDriver driver;
        RunTasks(p, driver, {[&](CDlgManageTemplates& dialog) {
                     driver.Then<CDlgTemplate>([](CDlgTemplate& editor) {
                         editor.Description().setText(QStringLiteral("Unwanted"));
                         editor.reject();
                     });
                     dialog.SetTask(CDlgManageTemplates::Create);
                     dialog.accept();
                 }});
        QCOMPARE(p.Wallet().Templates().Count(), templates);
        QCOMPARE(p.Wallet().PeekNextId(), nextId);
        QVERIFY(!p.Wallet().IsModified());
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void createWithAFieldThenDuplicate() {
        Program p;
        QVERIFY(p.Start());
        ModalDriver driver;
        RunTasks(p, driver,
                 {[&](CDlgManageTemplates& dialog) {
                      driver.Then<CDlgTemplate>([&](CDlgTemplate& editor) {
                          editor.Description().setText(QStringLiteral("Gym Locker"));
                          driver.Then<CDlgField>([](CDlgField& field) {
                              field.Name().setText(QStringLiteral("Combination"));
                              field.Type().setCurrentIndex(3);
                              field.accept();
                          });
                          editor.AddField();
                          editor.accept();
                      });
                      p.prompts.Message(QStringLiteral("\"Gym Locker\" has been successfully added"),
                                        Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Create);
                      dialog.accept();
                  },
                  [&](CDlgManageTemplates& dialog) {
                      Pick(driver, QStringLiteral("Gym Locker"));
                      p.prompts.Message(QStringLiteral("\"Copy of Gym Locker\" has been successfully added"),
                                        Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Duplicate);
                      dialog.accept();
                  }});
        const CCardTemplate* made = p.Named(QStringLiteral("Gym Locker"));
        const CCardTemplate* copy = p.Named(QStringLiteral("Copy of Gym Locker"));
        QVERIFY(made && copy);
        QCOMPARE(made->fields[0].name, QStringLiteral("Combination"));
        QCOMPARE(made->fields[0].type, 3);
        QCOMPARE(copy->fields, made->fields);
        QVERIFY(copy->id != made->id);
        QVERIFY(copy->internalName != made->internalName);
        QVERIFY(p.Wallet().IsModified());
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void templatesInUseAreNeitherModifiedNorDeleted() {
        Program p;
        QVERIFY(p.Start());
        CCardTemplate* used = p.Wallet().Templates().At(0);
        auto card = std::make_unique<CCard>(p.Wallet().NextId());
        card->templateName = used->internalName;
        card->categoryId = (*p.Wallet().Categories().begin())->id;
        p.Wallet().AddCard(std::move(card));
        const qsizetype templates = p.Wallet().Templates().Count();
        ModalDriver driver;
        RunTasks(p, driver,
                 {[&](CDlgManageTemplates& dialog) {
                      Pick(driver, used->description);
                      p.prompts.Message(QStringLiteral("cannot be altered"), Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Modify);
                      dialog.accept();
                  },
                  [&](CDlgManageTemplates& dialog) {
                      Pick(driver, used->description);
                      p.prompts.Message(QStringLiteral("cannot be deleted"), Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Delete);
                      dialog.accept();
                  }});
        QCOMPARE(p.Wallet().Templates().Count(), templates);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void deleteAsksFirst() {
        Program p;
        QVERIFY(p.Start());
        const QString name = p.Wallet().Templates().At(1)->description;
        const qsizetype templates = p.Wallet().Templates().Count();
        ModalDriver driver;
        const auto remove = [&](Prompts::Answer answer) {
            return [&, answer](CDlgManageTemplates& dialog) {
                Pick(driver, name);
                p.prompts.Message(QStringLiteral("Are you sure?"), answer);
                if (answer == Prompts::Answer::Yes)
                    p.prompts.Message(QStringLiteral("\"%1\" has been deleted").arg(name), Prompts::Answer::Ok);
                dialog.SetTask(CDlgManageTemplates::Delete);
                dialog.accept();
            };
        };
        RunTasks(p, driver, {remove(Prompts::Answer::No)});
        QCOMPARE(p.Wallet().Templates().Count(), templates);
        RunTasks(p, driver, {remove(Prompts::Answer::Yes)});
        QCOMPARE(p.Wallet().Templates().Count(), templates - 1);
        QVERIFY(!p.Named(name));
        // A question that destroys something offers No first.
        QList<Prompts::Answer> defaults;
        for (qsizetype asked = 0; asked < p.prompts.Asked().size(); ++asked) {
            if (p.prompts.Asked()[asked].contains(QStringLiteral("Are you sure?")))
                defaults.append(p.prompts.Defaults()[asked]);
        }
        QCOMPARE(defaults, (QList<Prompts::Answer>{Prompts::Answer::No, Prompts::Answer::No}));
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    // Names without regard to case, equal names in the wallet's order.
    void pickerListsTemplatesWithoutRegardToCase() {
        CWallet wallet;
        qint32 id = 500;
        for (const QString& name :
             {QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("Alpha")}) {
            auto made = std::make_unique<CCardTemplate>(++id);
            made->description = name;
            made->internalName = name + QString::number(id);
            wallet.AddTemplate(std::move(made));
        }
        CDlgSelectTemplate picker(wallet, QString(), false);
        QStringList listed;
        for (int row = 0; row < picker.List().topLevelItemCount(); ++row)
            listed.append(picker.List().topLevelItem(row)->text(0));
        QCOMPARE(listed, (QStringList{"alpha", "Alpha", "Beta", "zeta"}));
    }

    void importAnnouncesAndMarksAFileFromAnotherWallet() {
        Program p;
        QVERIFY(p.Start());
        auto own = std::make_unique<CCardTemplate>(p.Wallet().NextId() + 500);
        own->description = QStringLiteral("Chess Club");
        own->internalName = QStringLiteral("chess-club-1");
        SetFields(*own, 2);
        p.Wallet().AddTemplate(std::move(own));
        p.Wallet().SetModified(true);
        const QString file = p.folder.filePath(QStringLiteral("chess.kvt"));
        ModalDriver driver;
        RunTasks(p, driver,
                 {[&](CDlgManageTemplates& dialog) {
                      Pick(driver, QStringLiteral("Chess Club"));
                      p.prompts.SaveFile(file);
                      p.prompts.Message(QStringLiteral("successfully exported"), Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Export);
                      dialog.accept();
                  },
                  [&](CDlgManageTemplates& dialog) {
                      p.prompts.OpenFile(file);
                      p.prompts.Message(QStringLiteral("\"Chess Club\" already exists"), Prompts::Answer::Ok);
                      dialog.SetTask(CDlgManageTemplates::Import);
                      dialog.accept();
                  }});
        QVERIFY(!p.Named(QStringLiteral("Chess Club (Imported)")));
        p.prompts.Message(QStringLiteral("Do you want to save the changes"), Prompts::Answer::No);
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        p.Frame().Action(Command::NewWallet)->trigger();
        QVERIFY(!p.Named(QStringLiteral("Chess Club")));
        RunTasks(p, driver, {[&](CDlgManageTemplates& dialog) {
                     p.prompts.OpenFile(file);
                     p.prompts.Message(QStringLiteral("\"Chess Club\" has been successfully added"),
                                       Prompts::Answer::Ok);
                     dialog.SetTask(CDlgManageTemplates::Import);
                     dialog.accept();
                 }});
        const CCardTemplate* imported = p.Named(QStringLiteral("Chess Club (Imported)"));
        QVERIFY(imported);
        QCOMPARE(imported->internalName, QStringLiteral("chess-club-1"));
        QCOMPARE(imported->fields.UsedCount(), 2);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void pickerLinkOpensManageTemplates() {
        Program p;
        QVERIFY(p.Start());
        p.Frame().Tree().SelectCategory((*p.Wallet().Categories().begin())->id);
        const qsizetype cards = p.Wallet().Cards().Count();
        ModalDriver driver;
        bool opened = false;
        driver.Then<CDlgSelectTemplate>([](CDlgSelectTemplate& picker) {
            auto* link = picker.findChild<QLabel*>(QStringLiteral("createTemplate"));
            QVERIFY(link);
            Q_EMIT link->linkActivated(QStringLiteral("create"));
        });
        driver.Then<CDlgManageTemplates>([&](CDlgManageTemplates& dialog) {
            opened = true;
            dialog.reject();
        });
        p.Frame().Action(Command::NewCard)->trigger();
        QVERIFY(opened);
        QCOMPARE(p.Wallet().Cards().Count(), cards);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    void fieldListEditing() {
        ScriptedPrompts prompts;
        CCardTemplate edited(1);
        SetFields(edited, 3);
        CDlgTemplate dialog(edited);
        dialog.Fields().setCurrentItem(dialog.Fields().topLevelItem(0));
        dialog.MoveField(-1);
        QCOMPARE(Rows(dialog), (QStringList{"F1", "F2", "F3"}));
        dialog.Fields().setCurrentItem(dialog.Fields().topLevelItem(2));
        dialog.MoveField(1);
        QCOMPARE(Rows(dialog), (QStringList{"F1", "F2", "F3"}));
        dialog.MoveField(-1);
        QCOMPARE(Rows(dialog), (QStringList{"F1", "F3", "F2"}));
        QCOMPARE(dialog.SelectedSlot(), 1);
        dialog.DeleteField();
        QCOMPARE(Rows(dialog), (QStringList{"F1", "F2"}));
        QCOMPARE(dialog.Fields().currentItem()->text(0), QStringLiteral("F2"));
        QCOMPARE(edited.fields.UsedCount(), 2);
        // Cancel takes back what was done to the fields.
        dialog.reject();
        QCOMPARE(edited.fields.UsedCount(), 3);
        QCOMPARE(edited.fields[1].name, QStringLiteral("F2"));
        QVERIFY(prompts.Faults().isEmpty());
    }

    void fifteenFieldsAreTheLimitAndFieldsNeedNames() {
        ScriptedPrompts prompts;
        CCardTemplate full(1);
        SetFields(full, 15);
        CDlgTemplate dialog(full);
        prompts.Message(QStringLiteral("You can have a maximum of 15 fields in a template."), Prompts::Answer::Ok);
        dialog.AddField();
        QCOMPARE(full.fields.UsedCount(), 15);
        CTemplateField field;
        CDlgField fieldDialog(field);
        prompts.Message(QStringLiteral("Please enter a name"), Prompts::Answer::Ok);
        fieldDialog.accept();
        QVERIFY(field.IsFree());
        QVERIFY(fieldDialog.result() != QDialog::Accepted);
        QVERIFY2(prompts.Faults().isEmpty(), qPrintable(prompts.Faults().join(u'\n')));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiTemplates)
#include "TestGuiTemplates.moc"
