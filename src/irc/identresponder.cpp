#include "irc/identresponder.h"

#include "core/linelog.h"
#include "irc/wire.h"

#include <QTcpSocket>

IdentResponder::IdentResponder(std::function<QString()> identName, LineLog& status, QObject* parent)
    : QObject(parent), identName_(std::move(identName)), status_(status)
{
}

QString IdentResponder::answerFor(const QString& request, const QString& identName)
{
    return request + QStringLiteral(": USERID : UNIX : ") + identName.trimmed();
}

void IdentResponder::open()
{
    close();
    server_ = new QTcpServer(this);
    connect(server_, &QTcpServer::newConnection, this, &IdentResponder::onNewConnection);
    if (!server_->listen(QHostAddress::Any, port_)) {
        // Port 113 needs privileges most users lack; registration goes on without it.
        status_.add(QStringLiteral("Ident server not started: can't listen on port ") +
                    QString::number(port_) + QStringLiteral(" (") + server_->errorString() +
                    QStringLiteral(")"));
        delete server_;
        server_ = nullptr;
    }
}

void IdentResponder::close()
{
    // Connections that have not asked yet go with the listener.
    for (const QPointer<QTcpSocket>& peer : std::as_const(peers_)) {
        if (peer && peer->state() == QAbstractSocket::ConnectedState && peer->bytesToWrite() == 0)
            peer->abort();
    }
    peers_.clear();
    if (!server_)
        return;
    server_->close();
    server_->deleteLater();
    server_ = nullptr;
}

void IdentResponder::onNewConnection()
{
    if (!server_)
        return;
    while (QTcpSocket* peer = server_->nextPendingConnection()) {
        peer->setParent(this);
        peers_.append(peer);
        connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QTcpSocket::readyRead, this, [this, peer] {
            if (!server_) {
                peer->abort();
                return;
            }
            // The first piece of the query is the query.
            const QString request = Wire::decode(peer->readAll()).trimmed();
            Q_EMIT rawLineRecorded(request, QStringLiteral("server"));
            const QString answer = answerFor(request, identName_());
            Q_EMIT rawLineRecorded(answer, QStringLiteral("user"));
            peer->write(Wire::encodeLine(answer));
            peer->disconnectFromHost();
            peers_.removeAll(peer);
            close();
        });
    }
}
