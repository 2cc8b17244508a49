#include "irc/clientsocket.h"

#include "irc/tlssocket.h"
#include "irc/wire.h"

#include <QHostAddress>

#include <algorithm>

TimeoutTicker::TimeoutTicker(QObject* parent) : QObject(parent)
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &TimeoutTicker::tick);
}

void TimeoutTicker::startCountdown(ClientSocket* socket, int seconds)
{
    if (seconds <= 0)
        return;
    countdowns_.insert(socket, seconds);
    if (!timer_.isActive())
        timer_.start();
}

void TimeoutTicker::stopCountdown(ClientSocket* socket)
{
    countdowns_.remove(socket);
    if (countdowns_.isEmpty())
        timer_.stop();
}

void TimeoutTicker::tick()
{
    QList<ClientSocket*> expired;
    for (auto it = countdowns_.begin(); it != countdowns_.end();) {
        if (--it.value() <= 0) {
            expired.append(it.key());
            it = countdowns_.erase(it);
        } else {
            ++it;
        }
    }
    if (countdowns_.isEmpty())
        timer_.stop();
    for (ClientSocket* socket : expired)
        socket->fireTimeout();
}

ClientSocket::ClientSocket(TimeoutTicker& ticker, QObject* parent)
    : QObject(parent), ticker_(ticker)
{
}

ClientSocket::~ClientSocket()
{
    ticker_.stopCountdown(this);
    release();
}

QString ClientSocket::connectToServer()
{
    if (state_ == State::Connected || state_ == State::Connecting)
        return QStringLiteral("Socket Error: already connected");
    bool ok = false;
    const uint port = port_.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return QStringLiteral("Socket Error: invalid port ") + port_;
    const QHostAddress address(address_);
    if (address.isNull())
        return QStringLiteral("Socket Error: invalid address ") + address_;

    release();
    sendOverflowed_ = false;
    rejected_ = {};
    QTcpSocket* socket = tls_ ? TlsSocket::create(
                                    this, acceptCertificate_,
                                    [this](const QString& fingerprint, const QString& problems) {
                                        rejected_ = {fingerprint, problems};
                                    },
                                    identity_)
                              : new QTcpSocket(this);
    attach(socket);
    state_ = State::Connecting;
    if (timeOut_ > 0)
        ticker_.startCountdown(this, timeOut_);
    if (tls_)
        TlsSocket::connect(socket, address, static_cast<quint16>(port), peerName_, this,
                           [this] { onConnected(); });
    else
        socket->connectToHost(address, static_cast<quint16>(port));
    return {};
}

void ClientSocket::attach(QTcpSocket* socket)
{
    socket_ = socket;
    socket->setReadBufferSize(ReadBufferBytes);
    // IRC is small lines, and the server's delayed acknowledgement would hold each one
    // back behind the last (MODE and AWAY after the MOTD, a PONG) for some 40 ms. Set
    // once the TCP connection is up, before any TLS handshake, which gains from it too.
    connect(socket, &QTcpSocket::connected, socket,
            [socket] { socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    if (!tls_) // an encrypted connection is ready once its handshake is done
        connect(socket, &QTcpSocket::connected, this, &ClientSocket::onConnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &ClientSocket::onError);
    connect(socket, &QTcpSocket::disconnected, this, &ClientSocket::onDisconnected);
    connect(socket, &QTcpSocket::readyRead, this, &ClientSocket::onReadyRead);
}

// Lets go of the current system socket: it finishes writing what it holds (a QUIT, say)
// and frees itself; it raises no more signals here.
void ClientSocket::release()
{
    if (!socket_)
        return;
    QTcpSocket* old = socket_;
    socket_ = nullptr;
    old->disconnect(this);
    old->setParent(nullptr);
    if (old->state() == QAbstractSocket::UnconnectedState) {
        old->deleteLater();
        return;
    }
    if (sendOverflowed_) {
        // A server that reads nothing would keep the unsent megabyte alive for good.
        old->abort();
        old->deleteLater();
        return;
    }
    connect(old, &QTcpSocket::disconnected, old, &QObject::deleteLater);
    connect(old, &QTcpSocket::errorOccurred, old, &QObject::deleteLater);
    old->disconnectFromHost();
    // An attempt still connecting is abandoned at once, without a disconnected signal.
    if (old->state() == QAbstractSocket::UnconnectedState)
        old->deleteLater();
}

void ClientSocket::close()
{
    ticker_.stopCountdown(this);
    if (state_ == State::Connected && socket_) {
        state_ = State::Closing;
        // A server that keeps sending must not hold the close up: only what had arrived
        // when it began, and no more than the bound, is handed over.
        deliverRemaining(std::min(socket_->bytesAvailable(), CloseDeliveryBytes));
    }
    release();
    state_ = State::Idle;
}

QByteArray ClientSocket::readChunk()
{
    if ((state_ != State::Connected && state_ != State::Closing) || !socket_)
        return {};
    if (state_ == State::Connected)
        return socket_->read(ChunkBytes);
    const QByteArray chunk = socket_->read(std::min<qint64>(ChunkBytes, closingBudget_));
    closingBudget_ -= chunk.size();
    return chunk;
}

qint64 ClientSocket::bytesWaiting() const
{
    return socket_ ? socket_->bytesAvailable() : 0;
}

qint64 ClientSocket::send(const QByteArray& bytes)
{
    if (state_ != State::Connected || !socket_ || sendOverflowed_)
        return 0;
    // Lines come cut to their limit (Wire::encodeLine); this only guards the protocol's.
    const QByteArray chunk = bytes.left(Wire::ProtocolLineBytes);
    if (socket_->bytesToWrite() + chunk.size() > MaxPendingSendBytes) {
        sendOverflowed_ = true;
        QMetaObject::invokeMethod(this, &ClientSocket::reportOverflow, Qt::QueuedConnection);
        return 0;
    }
    const qint64 written = socket_->write(chunk);
    socket_->flush();
    return written < 0 ? 0 : written;
}

// Raised from the event loop, never from inside the send of some handler's line.
void ClientSocket::reportOverflow()
{
    if (sendOverflowed_ && state_ == State::Connected)
        Q_EMIT sendOverflow();
}

QString ClientSocket::localAddress() const
{
    if (!socket_)
        return {};
    QHostAddress local = socket_->localAddress();
    bool mapped = false;
    const quint32 v4 = local.toIPv4Address(&mapped);
    if (mapped)
        return QHostAddress(v4).toString();
    return local.toString();
}

void ClientSocket::fireTimeout()
{
    Q_EMIT timedOut();
}

void ClientSocket::onConnected()
{
    ticker_.stopCountdown(this);
    state_ = State::Connected;
    Q_EMIT connectFinished(true, {});
}

void ClientSocket::onError(QAbstractSocket::SocketError error)
{
    Q_UNUSED(error);
    if (state_ == State::Connecting) {
        ticker_.stopCountdown(this);
        const QString reason = socket_ ? socket_->errorString() : QString();
        release();
        state_ = State::Idle;
        Q_EMIT connectFinished(false, reason);
    }
    // Errors on an established connection end in disconnected(), handled there.
}

void ClientSocket::onDisconnected()
{
    if (state_ != State::Connected)
        return;
    // Whatever the server sent before closing is still handed over: all of it, as
    // nothing more can arrive.
    state_ = State::Closing;
    deliverRemaining(socket_ ? socket_->bytesAvailable() : 0);
    if (state_ != State::Closing)
        return; // the handler closed us meanwhile
    release();
    state_ = State::Idle;
    Q_EMIT disconnected();
}

// Hands over at most limit bytes of what has arrived and not been read yet, chunk by
// chunk, stopping early when the reader takes nothing more.
void ClientSocket::deliverRemaining(qint64 limit)
{
    closingBudget_ = limit;
    while (socket_ && state_ == State::Closing && closingBudget_ > 0 &&
           socket_->bytesAvailable() > 0) {
        const qint64 before = closingBudget_;
        Q_EMIT readable();
        if (closingBudget_ >= before)
            break;
    }
    closingBudget_ = 0;
}

void ClientSocket::onReadyRead()
{
    deliverPending();
}

// One chunk per readable(); while more is waiting, the next delivery is queued behind
// the events already pending, so a long burst never starves the interface. With the read
// buffer bounded, readyRead comes only for new data, never again for what is buffered:
// hence the loop until the buffer is empty. Reading makes room, and Qt then takes more
// from the system and raises readyRead again.
void ClientSocket::deliverPending()
{
    deliveryQueued_ = false;
    if (!socket_ || state_ != State::Connected || socket_->bytesAvailable() <= 0)
        return;
    Q_EMIT readable();
    if (socket_ && state_ == State::Connected && socket_->bytesAvailable() > 0 &&
        !deliveryQueued_) {
        deliveryQueued_ = true;
        QMetaObject::invokeMethod(this, &ClientSocket::deliverPending, Qt::QueuedConnection);
    }
}

void ClientSocket::setTls(bool tls, const QString& peerName, CertificateCheck accept)
{
    tls_ = tls;
    peerName_ = peerName;
    acceptCertificate_ = std::move(accept);
}

QString ClientSocket::encryption() const
{
    return TlsSocket::describe(socket_);
}
