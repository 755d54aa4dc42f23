// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CKorvelApp.h"

#include "base/ResourceLibrary.h"
#include "base/Utilities.h"
#include "document/CWallet.h"
#include "model/CAttachment.h"
#include "resources/StringTable.h"
#include "views/CInstanceChecker.h"
#include "views/CMainFrame.h"
#include "views/CProgramIcon.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>

CKorvelApp::CKorvelApp(Prompts* prompts, const QString& libraryFolder)
    : m_prompts(prompts ? prompts : &m_widgetPrompts), m_libraryFolder(libraryFolder) {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplication));
    QGuiApplication::setApplicationDisplayName(StringTable::Text(kStrAppTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvel"));
    Prompts::Install(m_prompts);
    Clipboard::Install(&m_clipboard);
}

// Attachments opened from cards were copied in the clear for their viewers, and a secret may be on the clipboard:
// both go with the program.
CKorvelApp::~CKorvelApp() {
    m_frame.reset();
    m_wallet.reset();
    CAttachment::RemoveOpenedCopies();
    m_clipboard.Forget();
    Clipboard::Install(nullptr);
    Prompts::Install(nullptr);
    ResourceLibrary::Unload();
}

bool CKorvelApp::Quit(int exitCode) {
    m_exitCode = exitCode;
    return false;
}

bool CKorvelApp::InitInstance(const QStringList& arguments) {
    m_checker = std::make_unique<CInstanceChecker>(StringTable::Text(kStrAppTitle));
    m_checker->WaitForStartupTurn();
    if (m_checker->IsAnotherInstanceRunning()) {
        m_checker->BringOtherInstanceForward();
        return Quit(0);
    }
    // What runs that crashed left opened goes now; the copies of a run still going are kept by its locks.
    CAttachment::RemoveLeftoverCopies();
    QApplication::setWindowIcon(CProgramIcon::ProgramIcon());
    m_wallet = std::make_unique<CWallet>();
    if (!LoadLibrary()) {
        m_wallet->SetQuitting(true);
        Prompts::Warn(LoadResString(kStrOpenError));
        return Quit(0);
    }
    m_frame = std::make_unique<CMainFrame>(*m_wallet);
    m_widgetPrompts.SetParentWindow(m_frame.get());
    connect(m_wallet.get(), &CWallet::quitRequested, this, [this](int code) {
        m_exitCode = code;
        QCoreApplication::exit(code);
    });
    OpenFirstWallet(arguments);
    if (m_wallet->IsQuitting())
        return Quit(-1);
    m_frame->CreateViews();
    m_frame->show();
    m_checker->PublishMainWindow(m_frame.get());
    m_wallet->SetStarted(true);
    return true;
}

bool CKorvelApp::LoadLibrary() {
    return m_libraryFolder.isEmpty() ? ResourceLibrary::Load() : ResourceLibrary::Load(m_libraryFolder);
}

// A wallet named on the command line comes first; a damaged one is reported (a user who opened it from the file
// manager must learn why nothing opened) and a new wallet takes its place. Without one, the last wallet is opened
// again, silently passed over when it is gone.
void CKorvelApp::OpenFirstWallet(const QStringList& arguments) {
    const QString named = arguments.size() > 1 ? arguments.at(1) : QString();
    bool opened = false;
    if (!named.isEmpty()) {
        m_wallet->SetStarted(true);
        opened = m_wallet->OnOpenDocument(QFileInfo(named).absoluteFilePath());
        m_wallet->SetStarted(false);
    } else {
        const QString last = QSettings().value(QStringLiteral("Settings/LastDoc")).toString();
        opened = !last.isEmpty() && m_wallet->OnOpenDocument(last);
    }
    if (!opened && !m_wallet->IsQuitting())
        m_wallet->OnNewDocument();
}
