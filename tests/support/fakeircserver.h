#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A loopback server that records every line the client sends and sends scripted lines.
class FakeIrcServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeIrcServer(QObject* parent = nullptr);

    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const { return server_.serverPort(); }
    // Stops listening: the next connection attempt is refused.
    void stopListening() { server_.close(); }

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

    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QByteArray bytes_;
    QByteArray partial_;
    QStringList received_;
    int connections_ = 0;
};
