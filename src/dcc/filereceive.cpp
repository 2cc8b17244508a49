#include "dcc/filereceive.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "dcc/transfersupervision.h"
#include "filters/ignorelist.h"
#include "irc/outbound.h"
#include "script/eventhook.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <optional>

namespace {

bool sameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

FileReceives::FileReceives(const DccContext& context, QObject* parent)
    : QObject(parent), context_(context), buffer_(ReadBytes, Qt::Uninitialized)
{
    // Supervision of the incoming transfers.
    timer_.setInterval(TimerMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &FileReceives::supervise);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(RefreshMilliseconds);
    connect(&refreshTimer_, &QTimer::timeout, this, &FileReceives::refreshRows);
}

FileReceives::~FileReceives()
{
    finishAll();
}

FileReceives::Transfer* FileReceives::byRow(int row) const
{
    for (const auto& t : transfers_) {
        if (t->row == row)
            return t.get();
    }
    return nullptr;
}

void FileReceives::fire(Event event, const Transfer* t)
{
    context_.events->fireEvent(event, EventSlots::fileTransfer(t->nick, t->fileName));
}

void FileReceives::setStatus(const Transfer* t, const QString& text)
{
    list_.setText(t->row, TransferRow::Status, text);
}

// --- offers --------------------------------------------------------------------------

void FileReceives::handleDccSendOffer(const UserLine& line, const QString& body)
{
    using Action = DccOptions::FileOffer;
    const Action action = context_.options->dcc.fileInboundAction;
    if (action == Action::Ignore)
        return;
    if (promptOpen_ && action == Action::Prompt) {
        waitingOffers_.push_back({line, body, context_.windows->activeNetwork()});
        return;
    }
    const DccWire::ParsedSendOffer parsed = DccWire::parseSendOffer(body);
    if (parsed.problem == DccWire::OfferProblem::Malformed)
        return;
    if (parsed.problem == DccWire::OfferProblem::UnsafeName) {
        context_.status->add(QStringLiteral("Refused the file ") +
                             DccWire::printable(parsed.offeredName) + QStringLiteral(" from ") +
                             line.sender + QStringLiteral(": its name is not a plain file name."));
        return;
    }
    if (!roomForAnother(line.sender, parsed.offer.fileName))
        return;
    const QString fallback = context_.options->dcc.saveFolder.isEmpty()
                                 ? context_.receiveFolder
                                 : context_.options->dcc.saveFolder;
    const QString folder =
        DccWire::saveFolderFor(context_.options->dcc.filters, parsed.offer.fileName, fallback);
    if (action == Action::Get) {
        const qint64 position =
            context_.options->dcc.resumeAutomatically
                ? resumableSize(folder, parsed.offer.fileName, parsed.offer.size)
                : 0;
        if (position > 0)
            requestResume(line.sender, parsed.offer, parsed.offeredName, folder, position);
        else
            accept(line.sender, parsed.offer, parsed.offeredName, folder);
        return;
    }
    askUser(line, parsed, folder);
}

bool FileReceives::roomForAnother(const QString& nick, const QString& fileName)
{
    const int most = context_.options->dcc.maxIncoming;
    if (qsizetype(transfers_.size()) < most)
        return true;
    context_.status->add(QStringLiteral("Refused the file ") + fileName + QStringLiteral(" from ") +
                         nick + QStringLiteral(": ") + QString::number(most) +
                         QStringLiteral(" files are already being received."));
    return false;
}

void FileReceives::accept(const QString& nick, const DccWire::SendOffer& offer,
                          const QString& offeredName, const QString& folder)
{
    if (offer.passive())
        receivePassive(nick, offer, offeredName, folder);
    else
        receiveFile(nick, offer.fileName, folder, 0, offer.port, offer.address, offer.size);
}

void FileReceives::requestResume(const QString& nick, const DccWire::SendOffer& offer,
                                 const QString& offeredName, const QString& folder, qint64 position)
{
    // A passive offer's resume carries its token, as the sender's answer will.
    const QString token = offer.passive() ? u' ' + offer.token : QString();
    context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC RESUME file.ext ") +
                                               QString::number(offer.port) + u' ' +
                                               QString::number(position) + token));
    resumes_.push_back(ResumeRecord{context_.windows->activeNetwork(), nick, offer.fileName, folder,
                                    offer.size, offer.address, offer.port, position,
                                    context_.clock->now(),
                                    offer.passive() ? offer.token : QString(), offeredName});
}

void FileReceives::askUser(const UserLine& line, const DccWire::ParsedSendOffer& parsed,
                           const QString& folder)
{
    promptOpen_ = true;
    const DccWire::SendOffer& offer = parsed.offer;
    FileOfferQuestion question{line.sender, offer.fileName, offer.size, offer.theme, folder};
    QPointer<FileReceives> alive(this);
    const QString nick = line.sender;
    const QString userAddress = line.address;
    const QString offeredName = parsed.offeredName;
    // The answer goes out on the offer's network, whichever window is shown by then.
    const int network = context_.windows->activeNetwork();
    context_.prompts->askReceiveFile(question, [this, alive, nick, userAddress, offer, offeredName,
                                                folder, network](const FileOfferAnswer& answer) {
        if (!alive)
            return;
        promptOpen_ = false;
        std::optional<WindowRegistry::NetworkScope> scope(std::in_place, *context_.windows,
                                                          network);
        const QString chosen = answer.folder.isEmpty() ? folder : answer.folder;
        switch (answer.choice) {
        case FileOfferChoice::Accept:
            accept(nick, offer, offeredName, chosen);
            break;
        case FileOfferChoice::Resume: {
            const qint64 position = resumableSize(chosen, offer.fileName, offer.size);
            if (position > 0)
                requestResume(nick, offer, offeredName, chosen, position);
            break;
        }
        case FileOfferChoice::IgnoreUser:
            context_.ignoreList->addIgnore(nick, userAddress, IgnoreList::ChosenDuration);
            break;
        case FileOfferChoice::Reject:
            break;
        }
        scope.reset();
        replayWaitingOffer();
    });
}

void FileReceives::replayWaitingOffer()
{
    if (waitingOffers_.empty())
        return;
    const WaitingOffer offer = std::move(waitingOffers_.front());
    waitingOffers_.pop_front();
    const WindowRegistry::NetworkScope scope(*context_.windows, offer.network);
    handleDccSendOffer(offer.line, offer.body);
}

qint64 FileReceives::resumableSize(const QString& folder, const QString& fileName, qint64 offered)
{
    const QFileInfo info(QDir(folder).filePath(fileName));
    if (!info.isFile() || info.size() >= offered)
        return 0;
    return info.size();
}

void FileReceives::handleDccAccept(const QString& nick, const QString& body)
{
    const auto accept = DccWire::parseResumeRequest(body);
    if (!accept)
        return;
    for (auto it = resumes_.begin(); it != resumes_.end(); ++it) {
        if (it->network != context_.windows->activeNetwork() ||
            QString::number(it->port) != accept->port || !sameText(it->nick, nick) ||
            it->token != accept->token)
            continue;
        const ResumeRecord record = *it;
        resumes_.erase(it);
        if (!record.token.isEmpty()) {
            DccWire::SendOffer offer;
            offer.fileName = record.fileName;
            offer.size = record.size;
            offer.token = record.token;
            receivePassive(record.nick, offer, record.offeredName, record.folder, record.position);
            return;
        }
        receiveFile(record.nick, record.fileName, record.folder, record.position, record.port,
                    record.address, record.size);
        return;
    }
}

void FileReceives::expireResumes()
{
    const QDateTime now = context_.clock->now();
    std::erase_if(resumes_, [&](const ResumeRecord& r) {
        return r.created.msecsTo(now) > ResumeLifeMilliseconds;
    });
}

// --- the transfer --------------------------------------------------------------------

FileReceives::Transfer* FileReceives::addTransfer(const QString& nick, const QString& fileName,
                                                  const QString& folderIn, qint64 resumePosition,
                                                  quint16 port, const QString& address, qint64 size)
{
    if (sameText(nick, context_.ownNickname()))
        return nullptr;
    const int network = context_.windows->activeNetwork();
    for (const auto& t : transfers_) {
        if (t->network != network || !sameText(t->offeredName, fileName) ||
            !sameText(t->nick, nick))
            continue;
        // A transfer whose sender has gone only waits out its few seconds before it is
        // reported; an offer of the same file meanwhile (a resume after an interruption)
        // reports it now instead of being lost.
        const bool senderGone =
            t->state == State::KilledBySender ||
            (t->state == State::Done &&
             (!t->socket || t->socket->state() != QAbstractSocket::ConnectedState));
        if (!senderGone)
            return nullptr;
        Transfer* ended = t.get();
        endIfDue(ended, context_.clock->now(), true);
        finish(ended);
        break;
    }
    // An offer accepted from a prompt may find the others started meanwhile.
    if (!roomForAnother(nick, fileName))
        return nullptr;
    const QString folder = folderIn.endsWith(u'/') ? folderIn : folderIn + u'/';
    auto t = std::make_unique<Transfer>();
    t->network = network;
    t->nick = nick;
    t->offeredName = t->fileName = fileName;
    t->folder = folder;
    t->address = address;
    t->port = port;
    t->size = size;
    t->received = resumePosition;
    t->resumePosition = resumePosition;
    t->startTime = t->lastActivity = context_.clock->now();
    t->row = list_.addRow({context_.peerLabel(nick), folder + fileName, QStringLiteral("---"),
                           QString::number(size), QStringLiteral("---"), QStringLiteral("---"),
                           lookingStatus(0)});
    transfers_.push_back(std::move(t));
    return transfers_.back().get();
}

void FileReceives::watchSocket(Transfer* raw)
{
    // The socket takes at most one read's worth from the network at a time, so a pass of
    // the event loop writes at most that much of each transfer to disk, however many run
    // and however fast their senders are; the network waits meanwhile.
    raw->socket->setReadBufferSize(ReadBytes);
    connect(raw->socket.get(), &QTcpSocket::readyRead, this, [this, raw] { onReadyRead(raw); });
    connect(raw->socket.get(), &QTcpSocket::disconnected, this,
            [this, raw] { onDisconnected(raw); });
}

void FileReceives::receiveFile(const QString& nick, const QString& fileName, const QString& folder,
                               qint64 resumePosition, quint16 port, const QString& address,
                               qint64 size)
{
    Transfer* raw = addTransfer(nick, fileName, folder, resumePosition, port, address, size);
    if (!raw)
        return;
    raw->socket.reset(new QTcpSocket);
    connect(raw->socket.get(), &QTcpSocket::connected, this, [this, raw] { onConnected(raw); });
    watchSocket(raw);
    // A refused or failed connection is a sender that cannot be found: the time-out says so.
    raw->socket->connectToHost(address, port);
    if (raw->socket->state() == QAbstractSocket::UnconnectedState) {
        // No socket at all (out of descriptors, no network): said at once, not left to time out.
        context_.status->add(QStringLiteral("Could not receive ") + fileName +
                             QStringLiteral(" from ") + nick + QStringLiteral(": ") +
                             raw->socket->errorString());
        setStatus(raw, QStringLiteral("Error: Can't Open Socket"));
        eraseOwned(transfers_, raw);
        return;
    }
    fire(Event::FileReceiveStarted, raw);
    timer_.start();
    raw->state = State::Looking;
    context_.status->add(nick + QStringLiteral(" is Sending you ") + fileName + u'.');
}

QList<int> FileReceives::ports() const
{
    QList<int> ports;
    for (const auto& t : transfers_) {
        if (t->server)
            ports << t->port;
    }
    return ports;
}

void FileReceives::receivePassive(const QString& nick, const DccWire::SendOffer& offer,
                                  const QString& offeredName, const QString& folder,
                                  qint64 resumePosition)
{
    const QString address = context_.ownAddress();
    if (address.isEmpty())
        return; // the reason is already a status line
    Transfer* raw =
        addTransfer(nick, offer.fileName, folder, resumePosition, 0, QString(), offer.size);
    if (!raw)
        return;
    QList<int> used = ports();
    if (portsInUse_)
        used << portsInUse_();
    raw->server.reset(new QTcpServer);
    const int port = DccWire::listen(*raw->server, used);
    if (port == 0) {
        context_.status->add(QStringLiteral("Could not receive ") + offer.fileName +
                             QStringLiteral(" from ") + nick + QStringLiteral(": ") +
                             raw->server->errorString());
        setStatus(raw, QStringLiteral("Error: Can't Open Socket"));
        eraseOwned(transfers_, raw);
        return;
    }
    raw->port = quint16(port);
    raw->server->setMaxPendingConnections(1);
    connect(raw->server.get(), &QTcpServer::newConnection, this,
            [this, raw] { onPassiveConnection(raw); });
    const QString name = offeredName.contains(u' ') ? u'"' + offeredName + u'"' : offeredName;
    context_.sendLine(Outbound::ctcp(
        nick, QStringLiteral("DCC SEND ") + name + u' ' + DccWire::dottedToDecimal(address) + u' ' +
                  QString::number(port) + u' ' + QString::number(offer.size) + u' ' + offer.token));
    fire(Event::FileReceiveStarted, raw);
    timer_.start();
    raw->state = State::Looking;
    context_.status->add(nick + QStringLiteral(" is Sending you ") + offer.fileName + u'.');
}

void FileReceives::onPassiveConnection(Transfer* t)
{
    QTcpSocket* socket = takeOnlyConnection(*t->server, bool(t->socket)); // one sender
    if (!socket)
        return;
    t->socket.reset(socket);
    t->address = socket->peerAddress().toString();
    watchSocket(t);
    onConnected(t);
}

bool FileReceives::openFile(Transfer* t)
{
    if (t->resumePosition > 0) {
        t->file.setFileName(t->folder + t->fileName);
        // The file must still hold what the resume counted on.
        return t->file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) &&
               t->file.size() >= t->resumePosition && t->file.seek(t->resumePosition);
    }
    // An existing file is never overwritten: the first free "name(n).ext" is used.
    for (int attempt = 0; attempt < 100; ++attempt) {
        t->fileName = DccWire::freeFileName(t->folder, t->offeredName);
        t->file.setFileName(t->folder + t->fileName);
        if (t->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (!QFileInfo::exists(t->file.fileName()))
            return false;
    }
    return false;
}

void FileReceives::onConnected(Transfer* t)
{
    const QDateTime now = context_.clock->now();
    t->startTime = now.addSecs(-1);
    t->state = State::Connected;
    t->lastActivity = now;
    setStatus(t, QStringLiteral("Connected..."));
    list_.setText(t->row, TransferRow::Completed, QStringLiteral("0"));
    list_.setText(t->row, TransferRow::Done, QStringLiteral("0"));
    list_.setText(t->row, TransferRow::Rate, QStringLiteral("0"));
    if (!openFile(t)) {
        fail(t, QStringLiteral("Error: Can't Create File  ") + t->folder + t->fileName);
        return;
    }
    list_.setText(t->row, TransferRow::FileName, t->folder + t->fileName);
    setStatus(t, QStringLiteral("Receiving..."));
    t->state = State::Receiving;
    fire(Event::FileReceiveRequest, t);
    if (t->received >= t->size) {
        t->complete = true;
        t->lastByteAt = now;
        t->state = State::Done;
        showProgress(t);
        setStatus(t, QStringLiteral("Shutting Down..."));
    }
    if (t->socket->bytesAvailable() > 0)
        onReadyRead(t);
}

void FileReceives::onReadyRead(Transfer* t)
{
    if (t->state != State::Receiving && t->state != State::Done)
        return;
    bool extra = false;
    bool readAny = false;
    while (t->socket->bytesAvailable() > 0) {
        const qint64 read = t->socket->read(buffer_.data(), ReadBytes);
        if (read <= 0)
            break;
        readAny = true;
        // Bytes past the announced size are never written: the file does not grow beyond
        // what was offered.
        const qint64 keep = std::min(read, std::max<qint64>(0, t->size - t->received));
        if (keep > 0 && t->file.write(buffer_.constData(), keep) != keep) {
            fail(t, QStringLiteral("Error: Can't Write File  ") + t->folder + t->fileName);
            return;
        }
        t->received += keep;
        extra = extra || keep < read;
    }
    if (!readAny)
        return;
    t->lastActivity = context_.clock->now();
    t->socket->write(DccWire::acknowledgement(t->received));
    t->socket->flush();
    if (!refreshTimer_.isActive())
        refreshTimer_.start();
    if (t->received >= t->size && !t->complete) {
        t->complete = true;
        t->lastByteAt = t->lastActivity;
        t->state = State::Done;
        showProgress(t);
        setStatus(t, QStringLiteral("Shutting Down..."));
    }
    if (extra)
        t->socket->close(); // a sender that overran the offer gets nothing more read
}

void FileReceives::onDisconnected(Transfer* t)
{
    t->lastActivity = context_.clock->now();
    if (t->state == State::Looking)
        return; // never connected: the time-out reports it
    t->state = t->complete ? State::Done : State::KilledBySender;
    showProgress(t);
    t->file.close();
}

void FileReceives::refreshRows()
{
    for (const auto& t : transfers_) {
        if (t->state != State::Looking)
            showProgress(t.get());
    }
}

void FileReceives::showProgress(Transfer* t)
{
    // Once the last byte is in, the rate no longer counts the wait for the sender's close.
    const QDateTime end = t->lastByteAt.isValid() ? t->lastByteAt : context_.clock->now();
    list_.showProgress(t->row, t->received, t->size, t->resumePosition, t->startTime.msecsTo(end));
}

void FileReceives::fail(Transfer* t, const QString& status)
{
    setStatus(t, status);
    finish(t);
}

void FileReceives::finish(Transfer* t)
{
    t->file.close();
    if (t->socket) {
        t->socket->disconnect();
        t->socket->abort();
    }
    if (t->server)
        t->server->close();
    eraseOwned(transfers_, t);
    if (transfers_.empty())
        timer_.stop();
}

void FileReceives::supervise()
{
    const QDateTime now = context_.clock->now();
    superviseTransfers(
        transfers_, [&](Transfer* t) { return endIfDue(t, now, false); },
        [this](Transfer* t) { finish(t); });
    if (transfers_.empty())
        timer_.stop();
}

bool FileReceives::endIfDue(Transfer* t, const QDateTime& now, bool ended)
{
    const qint64 idle = t->lastActivity.msecsTo(now);
    const QString path = t->folder + t->fileName;
    switch (t->state) {
    case State::Done:
        if (!ended && idle <= FinishMilliseconds)
            return false;
        fire(Event::FileReceiveFinished, t);
        showProgress(t);
        showDone(list_, t->row, t->size);
        context_.status->add(QStringLiteral("Successfully Received ") + path +
                             QStringLiteral(" from ") + t->nick + u'.');
        return true;
    case State::KilledBySender:
        if (!ended && idle <= FinishMilliseconds)
            return false;
        fire(Event::FileReceiveError, t);
        rateNotApplicable(list_, t->row);
        setStatus(t, QStringLiteral("Transfer Terminated by ") + t->nick);
        context_.status->add(QStringLiteral("File Receive Terminated (") + path +
                             QStringLiteral(") by ") + t->nick + u'.');
        return true;
    case State::Receiving:
    case State::Connected:
    case State::Looking:
        if (idle > TimeoutMilliseconds) {
            fire(Event::FileReceiveError, t);
            setStatus(t, QStringLiteral("Timeout Error: Can't find ") + t->nick);
            context_.status->add(QStringLiteral("File Receive Aborted (") + path +
                                 QStringLiteral(") Can't find ") + t->nick + u'.');
            return true;
        }
        if (t->state == State::Looking)
            setStatus(t, lookingStatus(idle));
        return false;
    }
    return false;
}

void FileReceives::removeRows(const QList<int>& rowIds)
{
    for (int id : rowIds) {
        if (Transfer* t = byRow(id))
            finish(t);
        list_.removeRow(id);
    }
}

void FileReceives::removeDeadRows()
{
    ::removeDeadRows(list_);
}

QString FileReceives::openablePath(const QList<int>& rowIds) const
{
    for (int id : rowIds) {
        const TransferRow* row = list_.row(id);
        if (row && row->text(TransferRow::Status) == QStringLiteral("Done."))
            return row->text(TransferRow::FileName);
    }
    return {};
}

void FileReceives::stopAll()
{
    // A stopped transfer's row says so, and goes with the dead ones.
    for (const auto& t : transfers_)
        setStatus(t.get(), QStringLiteral("Transfer Stopped"));
    finishAll();
    resumes_.clear();
    waitingOffers_.clear();
    promptOpen_ = false;
}

void FileReceives::finishAll()
{
    while (!transfers_.empty())
        finish(transfers_.front().get());
}
