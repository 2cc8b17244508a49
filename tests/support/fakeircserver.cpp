#include "support/fakeircserver.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

FakeIrcServer::FakeIrcServer(QObject* parent)
    : QObject(parent), server_(std::make_unique<QTcpServer>())
{
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this,
            &FakeIrcServer::onNewConnection);
}

bool FakeIrcServer::enableTls(const QString& certificateFile, const QString& keyFile)
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificateFile);
    QFile keyData(keyFile);
    if (certificates.isEmpty() || !keyData.open(QIODevice::ReadOnly))
        return false;
    const QSslKey key(keyData.readAll(), QSsl::Rsa);
    if (key.isNull())
        return false;
    auto tls = std::make_unique<QSslServer>();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(certificates.first());
    configuration.setPrivateKey(key);
    configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
    tls->setSslConfiguration(configuration);
    server_ = std::move(tls);
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this,
            &FakeIrcServer::onNewConnection);
    return true;
}

QSslCertificate FakeIrcServer::clientCertificate() const
{
    const auto* tls = qobject_cast<const QSslSocket*>(client_.data());
    return tls ? tls->peerCertificate() : QSslCertificate();
}

bool FakeIrcServer::listen(quint16 port, const QHostAddress& address)
{
    return server_->listen(address, port);
}

void FakeIrcServer::clearReceived()
{
    received_.clear();
    bytes_.clear();
}

void FakeIrcServer::onNewConnection()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++connections_;
        if (client_)
            client_->deleteLater();
        client_ = socket;
        partial_.clear();
        connect(socket, &QTcpSocket::readyRead, this, &FakeIrcServer::onReadyRead);
    }
}

void FakeIrcServer::onReadyRead()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket)
        return;
    const QByteArray data = socket->readAll();
    bytes_ += data;
    partial_ += data;
    qsizetype end;
    while ((end = partial_.indexOf("\r\n")) >= 0) {
        const QString line = QString::fromUtf8(partial_.left(end));
        partial_.remove(0, end + 2);
        received_ << line;
        Q_EMIT lineReceived(line);
    }
}

void FakeIrcServer::sendLine(const QString& line)
{
    sendRaw(line.toUtf8() + "\r\n");
}

void FakeIrcServer::sendRaw(const QByteArray& bytes)
{
    if (!client_)
        return;
    client_->write(bytes);
    client_->flush();
}

void FakeIrcServer::stopReading()
{
    if (!client_)
        return;
    client_->disconnect(this);
    client_->setReadBufferSize(1);
}

void FakeIrcServer::closeClient()
{
    if (client_) {
        client_->flush();
        client_->disconnectFromHost();
    }
}

bool FakeIrcServer::waitForLine(const QString& prefix, int timeoutMs)
{
    auto seen = [&] {
        for (const QString& l : received_) {
            if (l.startsWith(prefix))
                return true;
        }
        return false;
    };
    return QTest::qWaitFor(seen, timeoutMs);
}

bool FakeIrcServer::waitForClient(int timeoutMs)
{
    return QTest::qWaitFor([this] { return hasClient(); }, timeoutMs);
}

bool FakeIrcServer::waitForDisconnect(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] { return !client_ || client_->state() == QAbstractSocket::UnconnectedState; },
        timeoutMs);
}
