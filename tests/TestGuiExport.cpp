// SPDX-License-Identifier: GPL-3.0-or-later
// Export Data in the desktop program: the categories ticked and the format chosen reach the file exactly as
// korvel-cli writes them; the file dialog, its cancel and the messages.
#include "CliRunner.h"
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "base/ResourceLibrary.h"
#include "dialogs/CDlgExport.h"
#include "document/CWallet.h"
#include "model/CCard.h"
#include "model/CCategory.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

namespace {
const QString kNewWalletOffer = QStringLiteral("A new wallet has been created");

// A wallet with three categories and cards that put the escaping and the line breaks of both formats to work; one
// card belongs to no category of the wallet. Gives the category ids in the wallet's order.
QList<qint32> MakeWallet(const QString& path) {
    if (!ResourceLibrary::IsLoaded())
        ResourceLibrary::Load();
    ScriptedPrompts quiet;
    CWallet wallet;
    wallet.LoadDefaults();
    while (wallet.Categories().Count() > 0) {
        quiet.Message(QStringLiteral("delete all the cards"), Prompts::Answer::Yes);
        wallet.DeleteCategory(wallet.Categories().At(0)->id);
    }
    QList<qint32> ids;
    for (const QString& name : {QStringLiteral("Zoo & Co"), QStringLiteral("Accounts"), QStringLiteral("Empty")}) {
        auto category = std::make_unique<CCategory>(wallet.NextId());
        category->description = name;
        ids.append(category->id);
        wallet.AddCategory(std::move(category));
    }
    const auto addCard = [&](const QString& name, qint32 category, const QString& value, const QString& notes) {
        auto card = std::make_unique<CCard>(wallet.NextId());
        card->description = name;
        card->categoryId = category;
        card->templateName = QStringLiteral("17");
        card->values.Set(1, value);
        card->notes = notes;
        wallet.AddCard(std::move(card));
    };
    addCard(QStringLiteral("say \"hi\""), ids[0], QStringLiteral("a&b <c>"), QStringLiteral("two\r\nlines"));
    addCard(QStringLiteral("bank"), ids[1], QStringLiteral("ada"), QString());
    addCard(QStringLiteral("bare"), ids[0], QString(), QString());
    addCard(QStringLiteral("stray"), ids[2] + 1000, QStringLiteral("lost"), QString());
    wallet.OnSaveDocument(path);
    return ids;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Program {
    ScriptedPrompts prompts;
    std::unique_ptr<CKorvelApp> app;

    bool Start(const QString& wallet) {
        app = std::make_unique<CKorvelApp>(&prompts, QString());
        return app->InitInstance({QStringLiteral("korvel"), wallet});
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    void Export() { Frame().Action(Command::ExportData)->trigger(); }
    QString Faults(const ModalDriver& driver) const { return (prompts.Faults() + driver.Faults()).join(u'\n'); }
};

void Untick(CDlgExport& dialog, const QString& name) {
    const QList<QTreeWidgetItem*> items = dialog.Categories().findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    items.first()->setCheckState(0, Qt::Unchecked);
}

void ClickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}
} // namespace

class TestGuiExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings().clear(); }

    void exportEqualsTheCommandLines_data() {
        QTest::addColumn<bool>("xml");
        QTest::addColumn<bool>("all");
        QTest::newRow("text, all") << false << true;
        QTest::newRow("xml, all") << true << true;
        QTest::newRow("text, two categories") << false << false;
        QTest::newRow("xml, two categories") << true << false;
    }
    void exportEqualsTheCommandLines() {
        QFETCH(bool, xml);
        QFETCH(bool, all);
        QTemporaryDir folder;
        const QString wallet = folder.filePath(QStringLiteral("data.kvx"));
        const QList<qint32> ids = MakeWallet(wallet);
        const QString extension = xml ? QStringLiteral(".xml") : QStringLiteral(".txt");
        const QString fromCli = folder.filePath(QStringLiteral("cli") + extension);
        QStringList arguments{QStringLiteral("export"), wallet, fromCli};
        if (xml)
            arguments.append(QStringLiteral("--xml"));
        if (!all) {
            for (qint32 id : {ids[0], ids[2]})
                arguments += {QStringLiteral("--category"), QString::number(id)};
        }
        const CliRun run = RunCli(arguments);
        QVERIFY2(run.status == 0, Shown(run));

        Program p;
        QVERIFY(p.Start(wallet));
        const QString fromDialog = folder.filePath(QStringLiteral("dialog") + extension);
        ModalDriver driver;
        driver.Then<CDlgExport>([&](CDlgExport& dialog) {
            if (xml)
                QTest::mouseClick(&dialog.Xml(), Qt::LeftButton);
            if (!all)
                Untick(dialog, QStringLiteral("Accounts"));
            p.prompts.SaveFile(fromDialog);
            p.prompts.Message(QStringLiteral("successfully exported to \"%1\"").arg(fromDialog), Prompts::Answer::Ok);
            ClickOk(dialog);
        });
        p.Export();
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
        QVERIFY(p.prompts.Asked().contains(QStringLiteral("save data")));
        QVERIFY(!Contents(fromCli).isEmpty());
        QCOMPARE(Contents(fromDialog), Contents(fromCli));
    }

    void cancelledOrFailedFileLeavesTheDialogOpen() {
        QTemporaryDir folder;
        const QString wallet = folder.filePath(QStringLiteral("data.kvx"));
        MakeWallet(wallet);
        Program p;
        QVERIFY(p.Start(wallet));
        ModalDriver driver;
        bool stayed = false;
        driver.Then<CDlgExport>([&](CDlgExport& dialog) {
            p.prompts.SaveFile(QString());
            ClickOk(dialog);
            // A folder cannot be written as a file.
            p.prompts.SaveFile(folder.path());
            p.prompts.Message(QStringLiteral("There was an error opening the selected file."), Prompts::Answer::Ok);
            ClickOk(dialog);
            stayed = dialog.isVisible();
            dialog.reject();
        });
        p.Export();
        QVERIFY(stayed);
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }

    // As in the tree: names without regard to case, equal names in the wallet's order.
    void categoriesAreListedWithoutRegardToCase() {
        if (!ResourceLibrary::IsLoaded())
            ResourceLibrary::Load();
        CWallet wallet;
        for (const QString& name :
             {QStringLiteral("beta"), QStringLiteral("alpha"), QStringLiteral("Gamma"), QStringLiteral("Alpha")}) {
            auto category = std::make_unique<CCategory>(wallet.NextId());
            category->description = name;
            wallet.AddCategory(std::move(category));
        }
        CDlgExport dialog(wallet);
        QStringList listed;
        for (int row = 0; row < dialog.Categories().topLevelItemCount(); ++row)
            listed.append(dialog.Categories().topLevelItem(row)->text(0));
        QCOMPARE(listed, (QStringList{"alpha", "Alpha", "beta", "Gamma"}));
    }

    void walletWithoutCardsHasNothingToExport() {
        QTemporaryDir folder;
        Program p;
        p.prompts.Message(kNewWalletOffer, Prompts::Answer::No);
        p.app = std::make_unique<CKorvelApp>(&p.prompts, QString());
        QVERIFY(p.app->InitInstance({QStringLiteral("korvel")}));
        ModalDriver driver;
        p.prompts.Message(QStringLiteral("You have no data to export."), Prompts::Answer::Ok);
        p.Export();
        QVERIFY2(p.Faults(driver).isEmpty(), qPrintable(p.Faults(driver)));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiExport)
#include "TestGuiExport.moc"
