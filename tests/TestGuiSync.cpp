// SPDX-License-Identifier: GPL-3.0-or-later
// Handheld synchronisation in the desktop program: the partnerships read from the settings, the panel of the
// wallet's save dialog that goes to a device's folder, and the command that starts the synchronisation manager.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "ModalDriver.h"
#include "ScriptedPrompts.h"
#include "base/Utilities.h"
#include "dialogs/CSyncFileDialog.h"
#include "dialogs/SyncPartnerships.h"
#include "document/CWallet.h"
#include "resources/StringTable.h"
#include "views/CMainFrame.h"
#include "views/CWidgetPrompts.h"
#include "widgets/Commands.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kPartners = QStringLiteral("Software/Microsoft/Windows CE Services/Partners/");

// A partnership as the synchronisation program records it; an invalid `disabled` leaves out the file objects' key.
void AddPartnership(const QString& id, const QString& folder, const QVariant& disabled = 0,
                    const QString& displayName = QString()) {
    QSettings settings;
    settings.beginGroup(kPartners + id);
    if (!displayName.isEmpty())
        settings.setValue(QStringLiteral("DisplayName"), displayName);
    settings.setValue(QStringLiteral("Services/Synchronization/Briefcase Path"), folder);
    if (disabled.isValid())
        settings.setValue(QStringLiteral("Services/Synchronization/Objects/File/Disabled"), disabled);
}

QStringList Entries(const QComboBox& box) {
    QStringList entries;
    for (int row = 0; row < box.count(); ++row)
        entries.append(box.itemText(row));
    return entries;
}

QLineEdit& NameEdit(CSyncFileDialog& dialog) {
    return *dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

} // namespace

class TestGuiSync : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The program's own settings, also for the cases that start no program.
    void initTestCase() {
        QCoreApplication::setOrganizationName(QString::fromLatin1(CKorvelApp::kOrganization));
        QCoreApplication::setApplicationName(QString::fromLatin1(CKorvelApp::kApplication));
    }
    void init() { QSettings().clear(); }

    void synchronizationFolder_data() {
        QTest::addColumn<QVariant>("path");
        QTest::addColumn<QVariant>("disabled");
        QTest::addColumn<bool>("offered");
        QTest::newRow("files synchronised") << QVariant("/home/ada/Sync") << QVariant(0) << true;
        QTest::newRow("files switched off") << QVariant("/home/ada/Sync") << QVariant(1) << false;
        QTest::newRow("no file objects key") << QVariant("/home/ada/Sync") << QVariant() << false;
        QTest::newRow("switch not a number") << QVariant("/home/ada/Sync") << QVariant("no") << false;
        QTest::newRow("empty path") << QVariant("") << QVariant(0) << false;
    }
    void synchronizationFolder() {
        QFETCH(QVariant, path);
        QFETCH(QVariant, disabled);
        QFETCH(bool, offered);
        QSettings settings;
        const QString key = kPartners + QStringLiteral("7A1F/Services/Synchronization/");
        if (path.isValid())
            settings.setValue(key + QStringLiteral("Briefcase Path"), path);
        if (disabled.isValid())
            settings.setValue(key + QStringLiteral("Objects/File/Disabled"), disabled);
        settings.sync();
        QCOMPARE(SyncPartnerships::SynchronizationFolder(QStringLiteral("7A1F")),
                 offered ? path.toString() : QString());
        QCOMPARE(SyncPartnerships::SynchronizationFolder(QStringLiteral("other")), QString());
    }

    // Devices show under their display name where the partnership has one; the ids stay behind the entries.
    void thePanelListsThePartnershipsAndFollowsTheSelection() {
        {
            CSyncFileDialog none;
            QCOMPARE(Entries(none.Devices()), QStringList{"<No Partnerships Available>"});
            QVERIFY(!none.Devices().isEnabled());
            QVERIFY(!none.OpenFolderButton().isEnabled());
        }
        QTemporaryDir folder;
        AddPartnership(QStringLiteral("1111"), folder.path(), 0, QStringLiteral("Ada's iPAQ"));
        AddPartnership(QStringLiteral("2222"), folder.path(), 1);
        CSyncFileDialog dialog;
        QCOMPARE(Entries(dialog.Devices()), (QStringList{"Ada's iPAQ", "2222"}));
        QVERIFY(dialog.Devices().isEnabled());
        QCOMPARE(dialog.Devices().currentIndex(), 0);
        QVERIFY(dialog.OpenFolderButton().isEnabled());
        dialog.Devices().setCurrentIndex(1);
        QVERIFY(!dialog.OpenFolderButton().isEnabled());
        dialog.Devices().setCurrentIndex(0);
        QVERIFY(dialog.OpenFolderButton().isEnabled());
        auto* panel = dialog.findChild<QWidget*>(QStringLiteral("syncPanel"));
        QCOMPARE(panel->findChild<QLabel*>()->buddy(), &dialog.Devices());
        QVERIFY(!dialog.Devices().accessibleName().isEmpty());
        QVERIFY(!dialog.OpenFolderButton().accessibleName().isEmpty());
    }

    void openFolderShowsTheFolderAndKeepsTheTypedName() {
        QTemporaryDir start;
        QTemporaryDir sync;
        AddPartnership(QStringLiteral("1111"), sync.path());
        CSyncFileDialog dialog(nullptr, QString(), start.path());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        NameEdit(dialog).clear();
        QTest::keyClicks(&NameEdit(dialog), QStringLiteral("Travel.kvx"));
        QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), &dialog.Devices());
        // The button's key clicks it a moment later, as a press would.
        QTest::keyClick(&dialog, Qt::Key_F, Qt::AltModifier);
        QTRY_COMPARE(QFileInfo(dialog.directory().path()), QFileInfo(sync.path()));
        QCOMPARE(NameEdit(dialog).text(), QStringLiteral("Travel.kvx"));
        QTest::keyClick(&NameEdit(dialog), Qt::Key_Return);
        QCOMPARE(dialog.selectedFiles(), QStringList{QDir(sync.path()).filePath(QStringLiteral("Travel.kvx"))});
    }

    void aFolderThatIsGoneIsReported() {
        QTemporaryDir start;
        AddPartnership(QStringLiteral("1111"), start.filePath(QStringLiteral("gone")), 0, QStringLiteral("iPAQ"));
        ScriptedPrompts prompts;
        prompts.Message(QStringLiteral("\"%1\" of \"iPAQ\" does not exist").arg(start.filePath("gone")),
                        Prompts::Answer::Ok);
        CSyncFileDialog dialog(nullptr, QString(), start.path());
        dialog.OpenFolderButton().click();
        QCOMPARE(QFileInfo(dialog.directory().path()), QFileInfo(start.path()));
        QVERIFY2(prompts.Faults().isEmpty(), qPrintable(prompts.Faults().join(u'\n')));
    }

    // The wallet's save dialog goes to the device's folder; its overwrite question still guards an existing file.
    // Template files keep the plain dialog.
    void theWalletIsSavedThroughThePanel() {
        GuiProgram p;
        QVERIFY(p.Start());
        QTemporaryDir sync;
        AddPartnership(QStringLiteral("1111"), sync.path());
        QFile taken(sync.filePath(QStringLiteral("Taken.kvx")));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        CWidgetPrompts widgets;
        Prompts::Install(&widgets);
        ModalDriver driver;
        bool asked = false;
        driver.Then<CSyncFileDialog>([&](CSyncFileDialog& dialog) {
            dialog.OpenFolderButton().click();
            driver.Then<QMessageBox>([&](QMessageBox& box) {
                asked = true;
                box.button(QMessageBox::No)->click();
            });
            NameEdit(dialog).setText(QStringLiteral("Taken.kvx"));
            QTest::keyClick(&NameEdit(dialog), Qt::Key_Return);
            // Back from the question, the user types on in the file name.
            dialog.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            NameEdit(dialog).setFocus();
            NameEdit(dialog).setText(QStringLiteral("Pocket"));
            QTest::keyClick(&NameEdit(dialog), Qt::Key_Return);
        });
        p.Frame().Action(Command::Save)->trigger();
        driver.Then<QFileDialog>([](QFileDialog& dialog) {
            QVERIFY(!qobject_cast<CSyncFileDialog*>(&dialog));
            dialog.reject();
        });
        const QString plain = Prompts::Get().SaveFileName(LoadResString(kStrTemplateFilter), QStringLiteral("kvt"),
                                                          QStringLiteral("Gym"));
        Prompts::Install(&p.prompts);
        QVERIFY(asked);
        QVERIFY(plain.isEmpty());
        QCOMPARE(p.Wallet().PathName(), QDir(sync.path()).filePath(QStringLiteral("Pocket.kvx")));
        QVERIFY(QFileInfo(p.Wallet().PathName()).size() > 0);
        QCOMPARE(QFileInfo(taken.fileName()).size(), 0);
        QVERIFY2(driver.Faults().isEmpty(), qPrintable(driver.Faults().join(u'\n')));
    }

    // The command runs as written, arguments quoted as in a shell, on its own. A value written by hand into the
    // settings file may hold a comma outside quotes, which the file's format would read as a list.
    void theSyncManagerCommandStartsTheConfiguredProgram_data() {
        QTest::addColumn<bool>("byHand");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("set by a program") << false << QStringLiteral("|/show|");
        QTest::newRow("written by hand") << true << QStringLiteral("|/show,|now|");
    }
    void theSyncManagerCommandStartsTheConfiguredProgram() {
        QFETCH(bool, byHand);
        QFETCH(QString, arguments);
        GuiProgram p;
        QVERIFY(p.Start());
        QTemporaryDir folder;
        QDir().mkpath(folder.filePath(QStringLiteral("sync tool")));
        const QString script = folder.filePath(QStringLiteral("sync tool/manager.sh"));
        const QString marker = folder.filePath(QStringLiteral("ran it"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s|' \"$@\" > \"$1.tmp\" && mv \"$1.tmp\" \"$1\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        if (byHand) {
            QFile settings(QSettings().fileName());
            QVERIFY(QDir().mkpath(QFileInfo(settings).path()));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write(QStringLiteral("[Settings]\nSyncManager=\\\"%1\\\" \\\"%2\\\" /show, now\n")
                               .arg(script, marker)
                               .toUtf8());
        } else {
            QSettings().setValue(QStringLiteral("Settings/SyncManager"),
                                 QStringLiteral("\"%1\" \"%2\" /show").arg(script, marker));
        }
        QAction* command = p.Frame().Action(Command::SyncManager);
        QVERIFY(command->isEnabled());
        command->trigger();
        QTRY_VERIFY(QFile::exists(marker));
        QFile written(marker);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()), marker + arguments);
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join(u'\n')));
    }

    void whatCannotStartIsReported_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << QString() << QStringLiteral("No synchronisation manager is set up");
        QTest::newRow("only blanks") << QStringLiteral("  \"\" ") << QStringLiteral("No synchronisation manager");
        QTest::newRow("missing program") << QStringLiteral("/nonexistent/wcesmgr /show")
                                         << QStringLiteral("\"/nonexistent/wcesmgr\" could not be started");
    }
    void whatCannotStartIsReported() {
        QFETCH(QString, setting);
        QFETCH(QString, message);
        GuiProgram p;
        QVERIFY(p.Start());
        if (!setting.isEmpty())
            QSettings().setValue(QStringLiteral("Settings/SyncManager"), setting);
        p.prompts.Message(message, Prompts::Answer::Ok);
        p.Frame().Action(Command::SyncManager)->trigger();
        QVERIFY2(p.prompts.Faults().isEmpty(), qPrintable(p.prompts.Faults().join(u'\n')));
        // The message says where the setting goes.
        QVERIFY(p.prompts.Asked().last().contains(QStringLiteral("\"SyncManager\" of the group [Settings]")));
        QVERIFY(p.prompts.Asked().last().contains(QSettings().fileName()));
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiSync)
#include "TestGuiSync.moc"
