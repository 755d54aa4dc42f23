// SPDX-License-Identifier: GPL-3.0-or-later
// Sealing in the desktop program: File > Seal Wallet... and Unseal Wallet..., the passphrase dialog, and the title
// that tells a sealed wallet.
#include "GuiProgram.h"
#include "GuiTestMain.h"
#include "TestFiles.h"
#include "views/CDlgPassphrase.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {
const QString kPassphrase = QStringLiteral("walrus cinnamon ladder 42 orbit");
} // namespace

class TestGuiSealing : public QObject {
    Q_OBJECT

    GuiProgram m_program;

    void Trigger(const QString& name) {
        QAction* action = m_program.Frame().menuBar()->findChild<QAction*>(name);
        QVERIFY(action);
        QVERIFY(action->isEnabled());
        action->trigger();
    }
    QAction* Unseal() { return m_program.Frame().menuBar()->findChild<QAction*>(QStringLiteral("unseal")); }

private Q_SLOTS:
    void init() { QVERIFY(m_program.Start()); }
    void cleanup() {
        QVERIFY2(m_program.prompts.Faults().isEmpty(), qPrintable(m_program.prompts.Faults().join(u'\n')));
        m_program.app.reset();
    }

    void sealReopenAndUnsealThroughTheMenu() {
        ScriptedPrompts& prompts = m_program.prompts;
        const QString path = m_program.folder.filePath(QStringLiteral("home.kvx"));
        QVERIFY(!Unseal()->isEnabled());
        // A wallet never saved is saved first, then sealed.
        prompts.SaveFile(path);
        prompts.Passphrase(kPassphrase);
        prompts.Message(QStringLiteral("\"home.kvx\" is sealed"), Prompts::Answer::Ok);
        Trigger(QStringLiteral("seal"));
        QVERIFY(FileBytes(path).startsWith("KVSEALED"));
        QCOMPARE(m_program.Frame().windowTitle(), QStringLiteral("home.kvx (sealed)[*]"));
        QVERIFY(Unseal()->isEnabled());

        prompts.Passphrase(kPassphrase);
        QVERIFY(m_program.Frame().OpenWalletFile(path));
        QVERIFY(m_program.Wallet().IsSealed());
        QVERIFY(m_program.Frame().windowTitle().contains(QStringLiteral("(sealed)")));

        // Declined, nothing changes; confirmed, the file is an ordinary wallet again.
        prompts.Message(QStringLiteral("Unseal \"home.kvx\"?"), Prompts::Answer::No);
        Trigger(QStringLiteral("unseal"));
        QVERIFY(FileBytes(path).startsWith("KVSEALED"));
        prompts.Message(QStringLiteral("Unseal \"home.kvx\"?"), Prompts::Answer::Yes);
        prompts.Message(QStringLiteral("is no longer sealed"), Prompts::Answer::Ok);
        Trigger(QStringLiteral("unseal"));
        QVERIFY(!FileBytes(path).startsWith("KVSEALED"));
        QCOMPARE(m_program.Frame().windowTitle(), QStringLiteral("home.kvx[*]"));
        QVERIFY(!Unseal()->isEnabled());
    }

    // OK waits for a passphrase strong enough, typed the same twice; the meter and the verdict say why.
    void newPassphraseDialog() {
        CDlgPassphrase dialog(QStringLiteral("home.kvx"), true);
        const QList<QLineEdit*> entries = dialog.findChildren<QLineEdit*>();
        QCOMPARE(entries.size(), 2);
        for (QLineEdit* entry : entries) {
            QCOMPARE(entry->echoMode(), QLineEdit::Password);
            QVERIFY(!entry->accessibleName().isEmpty());
        }
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        auto* meter = dialog.findChild<QProgressBar*>();
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(entries[0], QStringLiteral("dragon"));
        QTest::keyClicks(entries[1], QStringLiteral("dragon"));
        QVERIFY(!ok->isEnabled());
        const int weakMeter = meter->value();
        QString verdict;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            verdict += label->text();
        QVERIFY2(verdict.contains(QStringLiteral("too easy to guess")), qPrintable(verdict));
        entries[0]->clear();
        entries[1]->clear();
        QTest::keyClicks(entries[0], kPassphrase);
        QTest::keyClicks(entries[1], kPassphrase + u'x');
        QVERIFY(!ok->isEnabled());
        QVERIFY(meter->value() > weakMeter);
        QTest::keyClick(entries[1], Qt::Key_Backspace);
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.Passphrase(), kPassphrase);
    }

    void openingPassphraseDialog() {
        CDlgPassphrase dialog(QStringLiteral("home.kvx"), false);
        const QList<QLineEdit*> entries = dialog.findChildren<QLineEdit*>();
        QCOMPARE(entries.size(), 1);
        QVERIFY(dialog.findChild<QProgressBar*>() == nullptr);
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(entries[0], QStringLiteral("x"));
        QVERIFY(ok->isEnabled());
    }
};

KORVEL_GUI_TEST_MAIN(TestGuiSealing)
#include "TestGuiSealing.moc"
