#pragma once

#include "irc/tlssocket.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

class ClientSocket;

// One shared one-second ticker for every connection attempt that has a time-out. It
// runs only while some countdown is active; tick() is public so tests can step it.
class TimeoutTicker : public QObject
{
    Q_OBJECT
public:
    explicit TimeoutTicker(QObject* parent = nullptr);

    void startCountdown(ClientSocket* socket, int seconds);
    void stopCountdown(ClientSocket* socket);
    bool isRunning() const { return timer_.isActive(); }
    int remaining(ClientSocket* socket) const { return countdowns_.value(socket, 0); }

    void tick();

private:
    QTimer timer_;
    QHash<ClientSocket*, int> countdowns_;
};

// The client socket component over QTcpSocket: connect without blocking, read in chunks
// of at most 255 bytes, send whole lines, and report completion, readable data, the
// peer's close and a connect time-out as signals on the one UI thread.
class ClientSocket : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Connecting, Connected, Closing };
    static constexpr qsizetype ChunkBytes = 255;
    // What close() still hands over of the data received and not yet read: the lines a
    // server sent just before we went, but never an endless flood.
    static constexpr qint64 CloseDeliveryBytes = 64 * 1024;
    // What is taken from the system ahead of the reader. A server that floods us then
    // waits in the kernel and TCP slows it down, instead of the whole flood piling up in
    // our memory.
    static constexpr qint64 ReadBufferBytes = 64 * 1024;
    // Outgoing data the server has not taken yet; beyond this the connection is given up.
    static constexpr qint64 MaxPendingSendBytes = 1024 * 1024;

    explicit ClientSocket(TimeoutTicker& ticker, QObject* parent = nullptr);
    ~ClientSocket() override;

    void setAddress(const QString& address) { address_ = address; }
    QString address() const { return address_; }
    void setPort(const QString& port) { port_ = port; }
    QString port() const { return port_; }
    // Whole seconds allowed for a connection attempt; 0 switches the time-out off.
    void setTimeOut(int seconds) { timeOut_ = seconds < 0 ? 0 : seconds; }
    int timeOut() const { return timeOut_; }
    // TLS for the next attempts: the certificate is verified against the system's store
    // and peerName; one that fails is accepted when accept says so for its SHA-256
    // fingerprint (64 lower-case hex digits).
    using CertificateCheck = std::function<bool(const QString& fingerprint)>;
    void setTls(bool tls, const QString& peerName, CertificateCheck accept);
    // The client certificate the next encrypted attempts present; empty for none.
    void setClientIdentity(const TlsSocket::ClientIdentity& identity) { identity_ = identity; }
    // A certificate refused by the last attempt, with what was wrong with it.
    struct Rejection
    {
        QString fingerprint;
        QString problems;
    };
    Rejection takeRejectedCertificate() { return std::exchange(rejected_, {}); }
    // The protocol and cipher of an encrypted connection, e.g. "TLSv1.3, ...".
    QString encryption() const;

    // Starts a connection attempt. Returns an error text when it cannot even start
    // (already connected, a port that is not a number, an address that is not one).
    QString connectToServer();
    // Stops the countdown and closes the connection. Data received and not read yet is
    // delivered first through readable(), one chunk at a time, up to CloseDeliveryBytes:
    // what arrives meanwhile, or lies beyond that, is dropped.
    void close();
    QByteArray readChunk();
    // Bytes received and not read yet.
    qint64 bytesWaiting() const;
    // Queues bytes for the server. Once more than MaxPendingSendBytes would be waiting,
    // nothing more is queued and sendOverflow() follows from the event loop.
    qint64 send(const QByteArray& bytes);
    QString localAddress() const;
    State state() const { return state_; }
    bool isConnected() const { return state_ == State::Connected; }

    void fireTimeout();

Q_SIGNALS:
    // The attempt completed; ok is false when it failed, error then says why.
    void connectFinished(bool ok, const QString& error);
    void readable();
    // The peer closed the connection (never raised for our own close()).
    void disconnected();
    void timedOut();
    // The server stopped taking what we send; the owner closes the connection.
    void sendOverflow();

private:
    void attach(QTcpSocket* socket);
    void release();
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onReadyRead();
    void deliverPending();
    void deliverRemaining(qint64 limit);
    void reportOverflow();

    TimeoutTicker& ticker_;
    QPointer<QTcpSocket> socket_;
    QString address_;
    QString port_;
    int timeOut_ = 0;
    State state_ = State::Idle;
    bool deliveryQueued_ = false;
    qint64 closingBudget_ = 0; // bytes readChunk() may still hand over while Closing
    bool sendOverflowed_ = false;
    bool tls_ = false;
    QString peerName_;
    CertificateCheck acceptCertificate_;
    TlsSocket::ClientIdentity identity_;
    Rejection rejected_;
};
