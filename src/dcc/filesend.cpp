#include "dcc/filesend.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "dcc/dccwire.h"
#include "dcc/transfersupervision.h"
#include "irc/outbound.h"
#include "script/eventhook.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

bool sameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

qint64 FileSends::Transfer::sent() const
{
    return socket ? position - socket->bytesToWrite() : position;
}

FileSends::FileSends(const DccContext& context, QObject* parent)
    : QObject(parent), context_(context)
{
    // Supervision of the outgoing transfers.
    timer_.setInterval(TimerMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &FileSends::supervise);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(RefreshMilliseconds);
    connect(&refreshTimer_, &QTimer::timeout, this, &FileSends::refreshRows);
}

FileSends::~FileSends()
{
    finishAll();
}

QList<int> FileSends::ports() const
{
    QList<int> ports;
    for (const auto& t : transfers_) {
        if (t->server)
            ports << t->port;
    }
    return ports;
}

FileSends::Transfer* FileSends::byRow(int row) const
{
    for (const auto& t : transfers_) {
        if (t->row == row)
            return t.get();
    }
    return nullptr;
}

void FileSends::fire(Event event, const Transfer* t)
{
    context_.events->fireEvent(event, EventSlots::fileTransfer(t->nick, t->fileName));
}

void FileSends::setStatus(const Transfer* t, const QString& text)
{
    list_.setText(t->row, TransferRow::Status, text);
}

void FileSends::sendFile(const QString& nick, const QString& fileName, const QString& folderIn,
                         bool theme)
{
    const QString folder = folderIn.endsWith(u'/') ? folderIn : folderIn + u'/';
    const auto cannot = [&](const QString& why) {
        context_.status->add(QStringLiteral("Cannot send ") + folder + fileName +
                             QStringLiteral(" to ") + nick + QStringLiteral(": ") + why);
    };
    if (nick.trimmed().isEmpty() || sameText(nick, context_.ownNickname()))
        return;
    const int network = context_.windows->activeNetwork();
    for (const auto& t : transfers_) {
        if (t->network == network && sameText(t->fileName, fileName) && sameText(t->nick, nick))
            return;
    }
    QString offered = theme ? fileName + QStringLiteral("zzz") : fileName;
    if (!theme)
        offered.replace(u' ', u'_');
    const QFileInfo info(folder + fileName);
    QFile probe(info.filePath());
    if (fileName.isEmpty() || info.isDir()) {
        cannot(QStringLiteral("it is a folder, not a file."));
        return;
    }
    if (!info.exists()) {
        cannot(QStringLiteral("there is no such file."));
        return;
    }
    if (!info.isFile() || !probe.open(QIODevice::ReadOnly)) {
        cannot(QStringLiteral("it cannot be read (") + probe.errorString() + QStringLiteral(")."));
        return;
    }
    const qint64 size = probe.size();
    probe.close();
    // Without an address of its own (or when the user asks for it) the client asks the
    // receiver to listen: a passive offer, answered with the receiver's address and port.
    const QString address = context_.options->dcc.passive ? QString() : context_.ownAddress();
    const bool passive = address.isEmpty();

    auto t = std::make_unique<Transfer>();
    t->network = network;
    t->nick = nick;
    t->fileName = fileName;
    t->folder = folder;
    t->size = size;
    t->startTime = t->lastActivity = context_.clock->now();
    t->row = list_.addRow({context_.peerLabel(nick), folder + fileName, QStringLiteral("---"),
                           QString::number(size), QStringLiteral("---"), QStringLiteral("---"),
                           lookingStatus(0)});
    Transfer* raw = t.get();
    const QString name = theme ? u'"' + offered + u'"' : offered;
    if (passive) {
        t->token = DccWire::newToken();
        context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC SEND ") + name + u' ' +
                                                   DccWire::passiveAddress + QStringLiteral(" 0 ") +
                                                   QString::number(size) + u' ' + t->token));
    } else {
        QList<int> used = ports();
        if (portsInUse_)
            used << portsInUse_();
        t->server.reset(new QTcpServer);
        t->server->setMaxPendingConnections(1);
        const int port = DccWire::listen(*t->server, used);
        if (port == 0) {
            cannot(t->server->errorString());
            setStatus(t.get(), QStringLiteral("Error: Can't Open Socket"));
            return;
        }
        t->port = quint16(port);
        connect(t->server.get(), &QTcpServer::newConnection, this,
                [this, raw] { onConnection(raw); });
        context_.sendLine(Outbound::notice(nick, QStringLiteral("DCC Send ") + name +
                                                     QStringLiteral(" (") + address + u')'));
        context_.sendLine(Outbound::ctcp(
            nick, QStringLiteral("DCC SEND ") + name + u' ' + DccWire::dottedToDecimal(address) +
                      u' ' + QString::number(port) + u' ' + QString::number(size)));
    }
    fire(Event::FileSendStarted, raw);
    transfers_.push_back(std::move(t));
    timer_.start();
    raw->state = State::Looking;
    context_.status->add(QStringLiteral("Sending ") + fileName + QStringLiteral(" to ") + nick);
}

bool FileSends::handlePassiveAnswer(const QString& nick, const QString& body)
{
    const DccWire::ParsedSendOffer answer = DccWire::parseSendOffer(body);
    if (answer.problem == DccWire::OfferProblem::Malformed || answer.offer.passive() ||
        answer.offer.token.isEmpty())
        return false;
    for (const auto& p : transfers_) {
        Transfer* t = p.get();
        if (t->network != context_.windows->activeNetwork() || t->token != answer.offer.token ||
            !sameText(t->nick, nick))
            continue;
        // Only the first answer counts; a repeated one is dropped.
        if (t->socket || t->state != State::Looking)
            return true;
        t->port = answer.offer.port;
        t->socket.reset(new QTcpSocket);
        connect(t->socket.get(), &QTcpSocket::connected, this, [this, t] { startSending(t); });
        t->socket->connectToHost(answer.offer.address, answer.offer.port);
        if (t->socket->state() == QAbstractSocket::UnconnectedState) {
            context_.status->add(QStringLiteral("Cannot send ") + t->folder + t->fileName +
                                 QStringLiteral(" to ") + nick + QStringLiteral(": ") +
                                 t->socket->errorString());
            fail(t, QStringLiteral("Error: Can't Open Socket"));
        }
        return true;
    }
    return false;
}

void FileSends::onConnection(Transfer* t)
{
    QTcpSocket* socket = takeOnlyConnection(*t->server, bool(t->socket)); // one receiver
    if (!socket)
        return;
    t->socket.reset(socket);
    startSending(t);
}

void FileSends::startSending(Transfer* t)
{
    QTcpSocket* socket = t->socket.get();
    socket->disconnect(this);
    const QDateTime now = context_.clock->now();
    t->startTime = now.addSecs(-1);
    t->state = State::Connected;
    t->lastActivity = now;
    setStatus(t, QStringLiteral("Connected..."));
    list_.setText(t->row, TransferRow::Completed, QStringLiteral("0"));
    list_.setText(t->row, TransferRow::Done, QStringLiteral("0"));
    list_.setText(t->row, TransferRow::Rate, QStringLiteral("0"));

    t->file.setFileName(t->folder + t->fileName);
    if (!t->file.open(QIODevice::ReadOnly)) {
        fail(t, QStringLiteral("Error: Can't Open File"));
        return;
    }
    t->position = t->resumePosition;
    if (!t->file.seek(t->resumePosition)) {
        fail(t, QStringLiteral("Error: Can't Send File"));
        return;
    }
    t->acknowledged = t->resumePosition;
    connect(socket, &QTcpSocket::bytesWritten, this, [this, t] {
        t->lastActivity = context_.clock->now();
        fillSocket(t);
    });
    // The receiver's position reports: the send ends when one covers the whole file.
    connect(socket, &QTcpSocket::readyRead, this, [this, t] { readAcknowledgements(t); });
    connect(socket, &QTcpSocket::disconnected, this, [this, t] {
        t->lastActivity = context_.clock->now();
        if (t->state != State::Done) {
            t->state = State::KilledByDest;
            showProgress(t);
        }
    });
    setStatus(t, QStringLiteral("Sending..."));
    t->state = State::Sending;
    fillSocket(t);
}

void FileSends::fillSocket(Transfer* t)
{
    if (t->state != State::Sending || !t->socket)
        return;
    while (!t->endOfFile && t->socket->bytesToWrite() < QueuedBytes) {
        // A block of its own, which the socket keeps as it is instead of copying it.
        QByteArray block(BlockBytes, Qt::Uninitialized);
        const qint64 read = t->file.read(block.data(), BlockBytes);
        if (read > 0)
            block.truncate(read);
        if (read < 0 || (read > 0 && t->socket->write(block) != read)) {
            fail(t, QStringLiteral("Error: Can't Send File"));
            return;
        }
        t->position += read;
        // A short read is the end of the file.
        if (read < BlockBytes)
            t->endOfFile = true;
    }
    if (t->endOfFile && t->socket->bytesToWrite() == 0) {
        t->state = State::Done;
        t->lastByteAt = context_.clock->now();
        showProgress(t);
        setStatus(t, QStringLiteral("Shutting Down..."));
        finishWhenAcknowledged(t);
        return;
    }
    scheduleRefresh();
}

void FileSends::readAcknowledgements(Transfer* t)
{
    QTcpSocket* socket = t->socket.get();
    // Only the latest report matters; a receiver that sends nonsense gets no more than
    // its last four bytes read as one.
    const QByteArray bytes = t->ackBytes + socket->read(socket->bytesAvailable());
    const qsizetype whole = bytes.size() - bytes.size() % 4;
    t->ackBytes = bytes.mid(whole);
    if (whole == 0)
        return;
    const auto* last = reinterpret_cast<const uchar*>(bytes.constData() + whole - 4);
    const quint32 reported =
        quint32(last[0]) << 24 | quint32(last[1]) << 16 | quint32(last[2]) << 8 | quint32(last[3]);
    // Reports count modulo 2^32: the new one lies that far past the last one. A report
    // beyond what has been sent is not believed.
    const qint64 ahead = qint64(quint32(reported - quint32(quint64(t->acknowledged))));
    if (t->acknowledged + ahead <= t->sent())
        t->acknowledged += ahead;
    finishWhenAcknowledged(t);
}

bool FileSends::finishWhenAcknowledged(Transfer* t)
{
    if (t->state != State::Done || t->acknowledged < t->size)
        return false;
    showSent(t);
    finish(t);
    return true;
}

void FileSends::showSent(Transfer* t)
{
    fire(Event::FileSent, t);
    fire(Event::FileSendFinished, t);
    showProgress(t);
    showDone(list_, t->row, t->size);
    context_.status->add(QStringLiteral("File Successfully Sent to ") + t->nick + u'(' +
                         t->fileName + u')');
}

void FileSends::scheduleRefresh()
{
    if (!refreshTimer_.isActive())
        refreshTimer_.start();
}

void FileSends::refreshRows()
{
    for (const auto& t : transfers_) {
        if (t->state != State::Looking)
            showProgress(t.get());
    }
}

void FileSends::showProgress(Transfer* t)
{
    // Once the last byte has left, the rate no longer counts the wait that follows.
    const QDateTime end = t->lastByteAt.isValid() ? t->lastByteAt : context_.clock->now();
    list_.showProgress(t->row, t->sent(), t->size, t->resumePosition, t->startTime.msecsTo(end));
}

void FileSends::fail(Transfer* t, const QString& status)
{
    setStatus(t, status);
    finish(t);
}

void FileSends::finish(Transfer* t)
{
    t->file.close();
    if (t->socket) {
        t->socket->disconnect();
        t->socket->close();
    }
    eraseOwned(transfers_, t);
    if (transfers_.empty())
        timer_.stop();
}

void FileSends::supervise()
{
    const QDateTime now = context_.clock->now();
    superviseTransfers(
        transfers_,
        [&](Transfer* t) {
            const qint64 idle = t->lastActivity.msecsTo(now);
            switch (t->state) {
            case State::Looking:
                if (idle <= TimeoutMilliseconds) {
                    setStatus(t, lookingStatus(idle));
                    return false;
                }
                fire(Event::FileSendError, t);
                setStatus(t, QStringLiteral("Timeout Error: Can't find ") + t->nick);
                context_.status->add(QStringLiteral("File Send Aborted: Can't find ") + t->nick);
                return true;
            case State::Done:
                // A receiver that never reports its position is let go after a while.
                if (idle <= FinishMilliseconds)
                    return false;
                showSent(t);
                return true;
            case State::Connected:
            case State::Sending:
                if (idle <= TimeoutMilliseconds)
                    return false;
                fire(Event::FileSendError, t);
                setStatus(t, QStringLiteral("Timeout Error: Can't find ") + t->nick +
                                 QStringLiteral(" anymore."));
                return true;
            case State::KilledByDest:
                if (idle <= FinishMilliseconds)
                    return false;
                fire(Event::FileSendError, t);
                setStatus(t, QStringLiteral("Transfer Terminated by ") + t->nick);
                rateNotApplicable(list_, t->row);
                context_.status->add(QStringLiteral("File Send Terminated by ") + t->nick);
                return true;
            }
            return false;
        },
        [this](Transfer* t) { finish(t); });
    if (transfers_.empty())
        timer_.stop();
}

void FileSends::handleResumeRequest(const QString& nick, const QString& body)
{
    const auto request = DccWire::parseResumeRequest(body);
    if (!request)
        return;
    for (const auto& t : transfers_) {
        if (t->network != context_.windows->activeNetwork() ||
            QString::number(t->port) != request->port)
            continue;
        // Only the receiver may move its own transfer, before it starts, within the file.
        if (!sameText(t->nick, nick) || t->state != State::Looking || request->position > t->size)
            return;
        t->position = t->resumePosition = request->position;
        const QString token = request->token.isEmpty() ? QString() : u' ' + request->token;
        context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC ACCEPT ") + request->name +
                                                   u' ' + request->port + u' ' +
                                                   QString::number(request->position) + token));
        return;
    }
}

void FileSends::removeRows(const QList<int>& rowIds)
{
    for (int id : rowIds) {
        // A live transfer whose row goes is stopped, so nothing runs unseen.
        if (Transfer* t = byRow(id))
            finish(t);
        list_.removeRow(id);
    }
}

void FileSends::removeDeadRows()
{
    ::removeDeadRows(list_);
}

void FileSends::stopAll()
{
    // A stopped transfer's row says so, and goes with the dead ones.
    for (const auto& t : transfers_)
        setStatus(t.get(), QStringLiteral("Transfer Stopped"));
    finishAll();
}

void FileSends::finishAll()
{
    while (!transfers_.empty())
        finish(transfers_.front().get());
}
