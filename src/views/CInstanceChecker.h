// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <QtGlobal>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Lets one instance of the program run per user. Start-ups take turns on a lock file; the running instance listens
// on a local socket, through which a later start finds it and asks it to bring its window forward. Both live in the
// user's runtime folder, which no other user can enter. Use in this order: WaitForStartupTurn, then
// IsAnotherInstanceRunning (and if so BringOtherInstanceForward and end), else PublishMainWindow once the window
// is shown. Without a runtime folder there is no guard: every start runs as the first.
class CInstanceChecker {
public:
    explicit CInstanceChecker(const QString& applicationTitle);
    ~CInstanceChecker();
    CInstanceChecker(const CInstanceChecker&) = delete;
    CInstanceChecker& operator=(const CInstanceChecker&) = delete;

    // The socket name of the running instance of `applicationTitle` for one user.
    static QString ServerName(const QString& applicationTitle, uint userId);

    // Waits as long as another instance is starting up, then holds the start-up lock.
    void WaitForStartupTurn();
    bool IsAnotherInstanceRunning() const;
    // Asks the running instance to restore, raise and activate its window; true when it did.
    bool BringOtherInstanceForward() const;
    // Serves requests to bring `window` forward from now on, then lets the next start-up go on.
    void PublishMainWindow(QWidget* window);

private:
    void Listen();
    void Serve(QLocalSocket* client);
    bool ComeForward() const;
    QString FilePath(const QString& fileName) const;

    QString m_applicationTitle;
    QString m_folder;
    std::unique_ptr<QLockFile> m_startupLock;
    std::unique_ptr<QLocalServer> m_server;
    QPointer<QWidget> m_window;
};
