// SPDX-License-Identifier: GPL-3.0-or-later
// File > Import... in the desktop program, driven through its real menu on the offscreen platform.
#include "GuiTestMain.h"
#include "ScriptedPrompts.h"
#include "TestFiles.h"
#include "document/CWallet.h"
#include "views/CKorvelApp.h"
#include "views/CMainFrame.h"
#include "views/CTreeModel.h"
#include "views/CViewCategoriesCards.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestGuiImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CKorvelApp> m_app;

    CMainFrame& Frame() { return *m_app->MainFrame(); }

    QStringList Categories() {
        CTreeModel& model = Frame().Tree().Model();
        QStringList names;
        for (int row = 0; row < model.rowCount(model.RootIndex()); ++row)
            names.append(model.index(row, 0, model.RootIndex()).data().toString());
        return names;
    }

    void TriggerImport() {
        QAction* import = Frame().menuBar()->findChild<QAction*>(QStringLiteral("import"));
        QVERIFY(import);
        QCOMPARE(import->text(), QStringLiteral("&Import..."));
        import->trigger();
    }

private Q_SLOTS:
    void init() {
        QSettings().clear();
        m_app = std::make_unique<CKorvelApp>(&m_prompts, QString());
        m_prompts.Message(QStringLiteral("A new wallet has been created"), Prompts::Answer::No);
        QVERIFY(m_app->InitInstance({QStringLiteral("korvel")}));
    }

    void cleanup() {
        QVERIFY2(m_prompts.Faults().isEmpty(), qPrintable(m_prompts.Faults().join(u'\n')));
        m_app.reset();
    }

    void importShowsTheSummaryAndTheNewCategories() {
        m_prompts.OpenFile(QStringLiteral(KORVEL_TEST_SOURCE "/data/import/bitwarden.json"));
        m_prompts.Message(QStringLiteral("Imported 7 entries: 3 categories, 7 cards"), Prompts::Answer::Ok);
        TriggerImport();
        QVERIFY(Categories().contains(QStringLiteral("Work / Servers")));
        QVERIFY(m_app->Wallet()->IsModified());
    }

    // The categories of an export are hidden by a lock like those made by hand; the entries whose attached files the
    // export does not hold come in without them, named in the summary.
    void importedCategoriesLockAndMissingFilesAreNamed() {
        CWallet& wallet = *m_app->Wallet();
        wallet.SetPassword(QStringLiteral("2468"));
        m_prompts.OpenFile(QStringLiteral(KORVEL_TEST_SOURCE "/data/import/keepassxc-no-binaries.xml"));
        m_prompts.Message(QStringLiteral("Imported 3 entries: 2 categories, 3 cards"), Prompts::Answer::Ok);
        TriggerImport();
        QVERIFY2(
            m_prompts.Asked().last().endsWith(QStringLiteral("left out of 2 entries: \"Tax office\", \"Passport\"")),
            qPrintable(m_prompts.Asked().last()));
        QCOMPARE(wallet.Cards().Count(), 3);
        CTreeModel& model = Frame().Tree().Model();
        const int row = int(Categories().indexOf(QStringLiteral("Passwords")));
        QVERIFY(row >= 0);
        QCOMPARE(model.rowCount(model.index(row, 0, model.RootIndex())), 2);
        wallet.SetLocked(true);
        QCOMPARE(model.rowCount(model.index(row, 0, model.RootIndex())), 0);
    }

    void aDamagedFileChangesNothing() {
        const QString path =
            WriteFileBytes(m_folder.filePath(QStringLiteral("broken.csv")), "name,password\nfirst,1\n\"second,2\n");
        const QStringList before = Categories();
        m_prompts.OpenFile(path);
        m_prompts.Message(QStringLiteral("\"broken.csv\" cannot be imported: line 3"), Prompts::Answer::Ok);
        TriggerImport();
        QCOMPARE(Categories(), before);
        QCOMPARE(m_app->Wallet()->Cards().Count(), 0);
        QVERIFY(!m_app->Wallet()->IsModified());
    }

    // The limits of an import come from the settings file; an export beyond them is refused before the wallet changes.
    void theSettingsFileSetsTheLimits() {
        QSettings().setValue(QStringLiteral("Import/MaxTotalMiB"), 1);
        const QString path = WriteFileBytes(m_folder.filePath(QStringLiteral("large.csv")),
                                            "title,notes\na," + QByteArray(600000, 'n') + '\n');
        m_prompts.OpenFile(path);
        m_prompts.Message(QStringLiteral("\"large.csv\" cannot be imported: the entries come to more than 1 MiB"),
                          Prompts::Answer::Ok);
        TriggerImport();
        QCOMPARE(m_app->Wallet()->Cards().Count(), 0);
        QVERIFY(!m_app->Wallet()->IsModified());
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiImport)

#include "TestGuiImport.moc"
