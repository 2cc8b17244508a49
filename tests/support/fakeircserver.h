#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// A loopback server that records every line the client sends and sends scripted lines;
// encrypted when given a certificate.
class FakeIrcServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeIrcServer(QObject* parent = nullptr);

    // Before listen: connections are TLS with this certificate and key (PEM files), and
    // the client is asked for a certificate of its own.
    bool enableTls(const QString& certificateFile, const QString& keyFile);
    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const { return server_->serverPort(); }
    // Stops listening: the next connection attempt is refused.
    void stopListening() { server_->close(); }
    // The certificate the connected client presented over TLS; null for none.
    QSslCertificate clientCertificate() const;

    bool hasClient() const { return !client_.isNull(); }
    int connectionCount() const { return connections_; }
    // Lines received, without their CR LF, in order; the raw bytes as well.
    const QStringList& received() const { return received_; }
    const QByteArray& receivedBytes() const { return bytes_; }
    void clearReceived();

    void sendLine(const QString& line); // appends CR LF
    void sendRaw(const QByteArray& bytes);
    // Bytes written that the client has not taken in yet (still in this side's buffer).
    qint64 bytesToWrite() const { return client_ ? client_->bytesToWrite() : 0; }
    void closeClient();
    // From now on reads nothing more from the client: what it sends piles up in the
    // system's buffers, as with a server that has stopped reading.
    void stopReading();

    // Waits (in the event loop) until a received line starts with prefix.
    bool waitForLine(const QString& prefix, int timeoutMs = 5000);
    bool waitForClient(int timeoutMs = 5000);
    bool waitForDisconnect(int timeoutMs = 5000);

Q_SIGNALS:
    void lineReceived(const QString& line);

private:
    void onNewConnection();
    void onReadyRead();

    std::unique_ptr<QTcpServer> server_;
    QPointer<QTcpSocket> client_;
    QByteArray bytes_;
    QByteArray partial_;
    QStringList received_;
    int connections_ = 0;
};
