// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/CSystemClipboard.h"
#include "views/CWidgetPrompts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CInstanceChecker;
class CMainFrame;
class CWallet;

// Starts and ends the desktop program: one instance per user, the settings, the resource library, the wallet to
// open first, the main window. It owns the wallet document and the main window for the program's life.
class CKorvelApp : public QObject {
    Q_OBJECT

public:
    // Settings live under this organisation and application name.
    static constexpr const char* kOrganization = "Ostrande";
    static constexpr const char* kApplication = "Korvel";

    // `prompts` answers the core's questions; by default the program's dialogs do. The resource library is loaded
    // from `libraryFolder`, by default the program's own folder.
    explicit CKorvelApp(Prompts* prompts = nullptr, const QString& libraryFolder = QString());
    ~CKorvelApp() override;

    // Start-up with the program's arguments. False when the program must end at once, with ExitCode().
    bool InitInstance(const QStringList& arguments);
    int ExitCode() const { return m_exitCode; }
    CMainFrame* MainFrame() const { return m_frame.get(); }
    CWallet* Wallet() const { return m_wallet.get(); }
    CSystemClipboard& SystemClipboard() { return m_clipboard; }

private:
    bool LoadLibrary();
    void OpenFirstWallet(const QStringList& arguments);
    bool Quit(int exitCode);

    CWidgetPrompts m_widgetPrompts;
    CSystemClipboard m_clipboard;
    Prompts* m_prompts;
    QString m_libraryFolder;
    std::unique_ptr<CInstanceChecker> m_checker;
    std::unique_ptr<CWallet> m_wallet;
    std::unique_ptr<CMainFrame> m_frame;
    int m_exitCode = 0;
};
