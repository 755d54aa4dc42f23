// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CInstanceChecker.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {
const QByteArray kForwardRequest = QByteArrayLiteral("forward\n");
const QByteArray kBroughtForward = QByteArrayLiteral("done\n");
const QByteArray kNoWindow = QByteArrayLiteral("none\n");
// A request is one short line; a client that sends more without a line end is dropped.
constexpr qint64 kMaxRequest = 64;
constexpr int kConnectTimeoutMs = 1000;
// The running instance answers from its event loop, which a long save can hold up for a while.
constexpr int kAnswerTimeoutMs = 5000;

// True when an instance listens on `path`. A socket file left by a crashed instance refuses the connection.
bool Answers(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(kConnectTimeoutMs);
}
} // namespace

CInstanceChecker::CInstanceChecker(const QString& applicationTitle)
    : m_applicationTitle(applicationTitle),
      m_folder(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)) {}

// The members release the start-up lock and remove the socket file of a published window.
CInstanceChecker::~CInstanceChecker() = default;

QString CInstanceChecker::ServerName(const QString& applicationTitle, uint userId) {
    return QStringLiteral("CInstanceChecker_MMF_%1-%2").arg(applicationTitle).arg(userId);
}

QString CInstanceChecker::FilePath(const QString& fileName) const {
    return m_folder + u'/' + fileName;
}

void CInstanceChecker::WaitForStartupTurn() {
    if (m_folder.isEmpty() || m_startupLock)
        return;
    m_startupLock = std::make_unique<QLockFile>(FilePath(m_applicationTitle + QStringLiteral(".lock")));
    // An instance may take minutes to start (it can wait for a wallet password), so the lock never goes stale by
    // age; one left by a process that has died is taken over.
    m_startupLock->setStaleLockTime(0);
    if (!m_startupLock->lock())
        m_startupLock.reset();
}

bool CInstanceChecker::IsAnotherInstanceRunning() const {
    return !m_folder.isEmpty() && Answers(FilePath(ServerName(m_applicationTitle, ::getuid())));
}

bool CInstanceChecker::BringOtherInstanceForward() const {
    if (m_folder.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(FilePath(ServerName(m_applicationTitle, ::getuid())));
    if (!socket.waitForConnected(kConnectTimeoutMs) || socket.write(kForwardRequest) != kForwardRequest.size())
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return false;
    }
    return socket.readLine() == kBroughtForward;
}

void CInstanceChecker::PublishMainWindow(QWidget* window) {
    m_window = window;
    if (!m_folder.isEmpty() && !m_server)
        Listen();
    m_startupLock.reset();
}

void CInstanceChecker::Listen() {
    const QString path = FilePath(ServerName(m_applicationTitle, ::getuid()));
    // No socket options: with them the server is bound elsewhere and renamed into place, which would silently
    // replace the socket of a running instance. The runtime folder already keeps other users out.
    auto server = std::make_unique<QLocalServer>();
    if (!server->listen(path)) {
        // A socket file that nobody answers on was left by an instance that crashed. Holding the start-up lock, no
        // other instance can be publishing meanwhile, so removing it cannot cut off a live one.
        if (server->serverError() != QAbstractSocket::AddressInUseError || Answers(path))
            return;
        QLocalServer::removeServer(path);
        if (!server->listen(path))
            return;
    }
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection())
            Serve(client);
    });
    m_server = std::move(server);
}

void CInstanceChecker::Serve(QLocalSocket* client) {
    QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > kMaxRequest)
                client->abort();
            return;
        }
        const bool forward = client->readLine(kMaxRequest) == kForwardRequest;
        client->write(forward && ComeForward() ? kBroughtForward : kNoWindow);
        client->disconnectFromServer();
    });
}

bool CInstanceChecker::ComeForward() const {
    if (!m_window)
        return false;
    // Clearing only the minimised flag brings a maximised window back maximised.
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // A dialog open over the window is what the user has to answer first.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    return true;
}
