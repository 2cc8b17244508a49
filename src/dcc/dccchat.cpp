#include "dcc/dccchat.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "dcc/dccwire.h"
#include "filters/ignorelist.h"
#include "irc/outbound.h"
#include "script/eventhook.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>
#include <utility>

namespace {

bool sameNick(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString decodeText(const QByteArray& bytes)
{
    // UTF-8 when it is valid, Latin-1 otherwise, as every line from the network.
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter) && !bytes.contains("\xef\xbf\xbd"))
        text = QString::fromLatin1(bytes);
    return text;
}

// The longest start of bytes no longer than most that does not cut a UTF-8 character.
qsizetype utf8Cut(const QByteArray& bytes, qsizetype most)
{
    if (bytes.size() <= most)
        return bytes.size();
    qsizetype cut = most;
    // Step back over continuation bytes (10xxxxxx) to the start of a character.
    for (int back = 0; back < 4 && cut > 0 && (uchar(bytes.at(cut)) & 0xc0) == 0x80; ++back)
        --cut;
    return cut > 0 ? cut : most;
}

// What a chat's lines set off (script objects, the file server's offers) acts on the
// network of the chat's window.
std::optional<WindowRegistry::NetworkScope> networkOf(const DccContext& context,
                                                      const ChatWindow* window)
{
    if (!window)
        return std::nullopt;
    return std::optional<WindowRegistry::NetworkScope>(std::in_place, *context.windows,
                                                       window->network);
}

// Listens for one connection on a port no chat and no transfer holds.
int listenForOne(QTcpServer& server, QList<int> used, const std::function<QList<int>()>& portsInUse)
{
    if (portsInUse)
        used << portsInUse();
    server.setMaxPendingConnections(1);
    return DccWire::listen(server, used);
}

} // namespace

// --- one chat ------------------------------------------------------------------------

DccChatSession::DccChatSession(QTcpSocket& socket, const QString& nick, bool offeredHere,
                               bool forFileServer, quint16 listenPort, const DccContext& context)
    : socket_(socket), nick_(nick), offeredHere_(offeredHere), forFileServer_(forFileServer),
      listenPort_(listenPort), context_(context)
{
    // A chat is a line at a time, typed by a person: each should leave at once, not wait
    // for the peer's delayed acknowledgement of the one before.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setReadBufferSize(ReadAheadBytes);
    connect(&socket_, &QTcpSocket::readyRead, this, &DccChatSession::readText);
    connect(&socket_, &QTcpSocket::bytesWritten, this, &DccChatSession::bytesWritten);
    connect(&socket_, &QTcpSocket::disconnected, this, &DccChatSession::onDisconnected);
}

DccChatSession::~DccChatSession()
{
    socket_.disconnect(this);
}

bool DccChatSession::isOpen() const
{
    return !terminated_ && socket_.state() == QAbstractSocket::ConnectedState;
}

qint64 DccChatSession::bytesToWrite() const
{
    return socket_.bytesToWrite();
}

void DccChatSession::sendLine(const QString& line)
{
    write((line + u'\n').toUtf8());
}

void DccChatSession::write(const QByteArray& bytes)
{
    if (isOpen())
        socket_.write(bytes);
}

QString DccChatSession::formatLine(const QString& nick, const QString& lineIn, QString* soundFile)
{
    const QChar delimiter(0x01);
    // irssi frames a CTCP inside a chat as "CTCP_MESSAGE " + the CTCP: the same thing.
    static const QString irssiPrefix = QStringLiteral("CTCP_MESSAGE ");
    const QString line =
        lineIn.startsWith(irssiPrefix) && lineIn.mid(irssiPrefix.size()).startsWith(delimiter)
            ? lineIn.mid(irssiPrefix.size())
            : lineIn;
    if (line.size() >= 2 && line.startsWith(delimiter) && line.endsWith(delimiter)) {
        const QString inner = line.mid(1, line.size() - 2);
        const QString command = inner.section(u' ', 0, 0).toLower();
        if (command == QStringLiteral("sound")) {
            const QString rest = inner.mid(6);
            if (soundFile)
                *soundFile = rest.trimmed().toLower();
            return u'*' + nick + QStringLiteral(" Plays ") + rest;
        }
        if (command == QStringLiteral("action"))
            return u'*' + nick + u' ' + inner.mid(7);
        return u'<' + nick + QStringLiteral("> ") + inner;
    }
    return u'<' + nick + QStringLiteral("> ") + line;
}

void DccChatSession::readText()
{
    // Nothing more is read while lines wait: the socket's buffer fills and TCP slows
    // the peer down.
    if (!waiting_.empty())
        return;
    const QByteArray bytes = socket_.read(ReadAheadBytes);
    if (bytes.isEmpty())
        return;
    const std::optional<WindowRegistry::NetworkScope> scope = networkOf(context_, window_);
    // The connecting side reports each read whole, before its lines are shown.
    if (!offeredHere_ && window_)
        context_.events->fireEvent(window_, Event::InboundMessage,
                                   EventSlots::userSays(nick_, decodeText(bytes)));
    partial_ += bytes;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = partial_.indexOf('\n', start);
        if (end < 0)
            break;
        // The rest of a line already cut short is dropped.
        if (!std::exchange(skippingLine_, false)) {
            QByteArray line = partial_.mid(start, end - start);
            if (line.endsWith('\r'))
                line.chop(1);
            queueLine(std::move(line));
        }
        start = end + 1;
    }
    partial_.remove(0, start);
    if (skippingLine_) {
        partial_.clear();
    } else if (partial_.size() > MaxPartialBytes) {
        // A line split across two reads is kept for the next one, unless it grows too
        // long: then it is shown as far as the bound, and the rest of it is dropped.
        queueLine(partial_);
        partial_.clear();
        skippingLine_ = true;
    }
    showWaitingLines();
}

void DccChatSession::queueLine(QByteArray line)
{
    if (line.size() > MaxLineBytes)
        line.truncate(utf8Cut(line, MaxLineBytes));
    waiting_.push_back(decodeText(line));
}

void DccChatSession::showWaitingLines()
{
    const std::optional<WindowRegistry::NetworkScope> scope = networkOf(context_, window_);
    sliceQueued_ = false;
    QPointer<DccChatSession> alive(this);
    for (int n = 0; n < LinesPerSlice && !waiting_.empty(); ++n) {
        if (!gateOpen())
            return;
        const QString line = waiting_.front();
        waiting_.pop_front();
        QString sound;
        const QString shown = formatLine(nick_, line, &sound);
        if (window_)
            context_.windows->addLine(window_, shown, 1);
        if (!sound.isEmpty()) {
            if (context_.playSharedSound)
                context_.playSharedSound(sound);
            if (window_)
                context_.events->fireEvent(window_, Event::InboundSound, EventSlots::about(nick_));
        }
        if (offeredHere_) {
            if (lineHook_)
                lineHook_(*this, line);
            if (!alive)
                return;
            if (window_)
                context_.events->fireEvent(window_, Event::InboundMessage,
                                           EventSlots::userSays(nick_, line));
        } else if (lineHook_) {
            lineHook_(*this, line);
        }
        if (!alive)
            return;
    }
    if (closing_)
        return;
    // The next slice, or the next read once every line is shown.
    if ((!waiting_.empty() || socket_.bytesAvailable() > 0) && !sliceQueued_) {
        sliceQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            if (waiting_.empty())
                readText();
            else
                showWaitingLines();
        });
    }
}

void DccChatSession::onDisconnected()
{
    if (terminated_)
        return;
    // What arrived just before the close is still shown, then the end.
    closing_ = true;
    QPointer<DccChatSession> alive(this);
    while (!waiting_.empty() || socket_.bytesAvailable() > 0) {
        if (waiting_.empty())
            readText();
        else
            showWaitingLines();
        if (!alive)
            return;
    }
    if (!skippingLine_ && !partial_.trimmed().isEmpty())
        queueLine(partial_);
    partial_.clear();
    while (!waiting_.empty()) {
        showWaitingLines();
        if (!alive)
            return;
    }
    terminated_ = true;
    if (window_) {
        context_.windows->addLine(window_, QStringLiteral("DCC Chat has been Terminated."), 0);
        context_.events->fireEvent(window_, Event::DccChatTerminated, EventSlots::about(nick_));
    }
    Q_EMIT terminated(this);
}

// --- offers and pending chats --------------------------------------------------------

DccChats::DccChats(const DccContext& context, QObject* parent) : QObject(parent), context_(context)
{
}

DccChats::~DccChats() = default;

DccChatSession* DccChats::sessionOf(const ChatWindow* window)
{
    if (!window || window->conversationKind != ConversationKind::DccChat)
        return nullptr;
    return qobject_cast<DccChatSession*>(window->dccSession.get());
}

bool DccChats::hasChatWindow(const QString& nick) const
{
    const WindowRegistry& windows = *context_.windows;
    for (qsizetype i = 0; i < windows.count(); ++i) {
        const ChatWindow* window = windows.at(i);
        if (window->conversationKind == ConversationKind::DccChat &&
            sameNick(window->peerNickname, nick))
            return true;
    }
    return false;
}

QList<int> DccChats::listeningPorts() const
{
    QList<int> ports;
    for (const auto& pending : pending_) {
        if (pending->server)
            ports << pending->port;
    }
    const WindowRegistry& windows = *context_.windows;
    for (qsizetype i = 0; i < windows.count(); ++i) {
        if (const DccChatSession* chat = sessionOf(windows.at(i)); chat && chat->offeredHere())
            ports << chat->listenPort();
    }
    return ports;
}

void DccChats::offerDccChat(const QString& nick, bool forFileServer)
{
    if (nick.trimmed().isEmpty() || sameNick(nick, context_.ownNickname()) || hasChatWindow(nick))
        return;
    if (forFileServer) {
        qsizetype serving = 0;
        for (const auto& pending : pending_)
            serving += pending->forFileServer ? 1 : 0;
        const int maxUsers = fileServerUsers_ ? fileServerUsers_() : 5;
        if (maxUsers < serving)
            forFileServer = false;
    }
    // Without an address of its own (or when the user asks for it) the client asks the
    // peer to listen: a passive offer, answered with the peer's address and port.
    const QString address = context_.options->dcc.passive ? QString() : context_.ownAddress();
    const bool passive = address.isEmpty();
    if (!forFileServer)
        context_.status->add(QStringLiteral("Requesting DCC Chat with ") + nick +
                             QStringLiteral("...."));
    auto pending = std::make_unique<Pending>();
    pending->network = context_.windows->activeNetwork();
    pending->offered = true;
    pending->created = context_.clock->now();
    pending->nick = nick;
    pending->forFileServer = forFileServer;
    if (passive) {
        pending->token = DccWire::newToken();
        context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC CHAT chat ") +
                                                   DccWire::passiveAddress + QStringLiteral(" 0 ") +
                                                   pending->token));
        pending_.push_back(std::move(pending));
        return;
    }
    LaterPtr<QTcpServer> server(new QTcpServer);
    const int port = listenForOne(*server, listeningPorts(), portsInUse_);
    if (port == 0) {
        context_.status->add(QStringLiteral("Unable to Connect to ") + nick);
        return;
    }
    pending->port = quint16(port);
    Pending* raw = pending.get();
    connect(server.get(), &QTcpServer::newConnection, this, [this, raw] { offerAccepted(raw); });
    pending->server = std::move(server);
    pending_.push_back(std::move(pending));
    context_.sendLine(Outbound::notice(nick, QStringLiteral("DCC Chat (") + address + u')'));
    context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC CHAT chat ") +
                                               DccWire::dottedToDecimal(address) + u' ' +
                                               QString::number(port)));
}

std::unique_ptr<DccChats::Pending> DccChats::takePending(Pending* pending)
{
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->get() == pending) {
            std::unique_ptr<Pending> taken = std::move(*it);
            pending_.erase(it);
            return taken;
        }
    }
    return nullptr;
}

void DccChats::offerAccepted(Pending* raw)
{
    QTcpSocket* connection = raw->server->nextPendingConnection();
    if (!connection)
        return;
    std::unique_ptr<Pending> pending = takePending(raw);
    if (!pending) {
        connection->deleteLater();
        return;
    }
    connection->setParent(nullptr);
    pending->server->close();
    if (!pending->offered) {
        // A passive offer taken here: the peer connected to the answer.
        pending->address = connection->peerAddress().toString();
        chatOpened(std::move(pending), connection);
        return;
    }
    openWindow(std::unique_ptr<QTcpSocket>(connection), *pending, true);
}

void DccChats::openWindow(std::unique_ptr<QTcpSocket> socket, const Pending& pending,
                          bool offeredHere)
{
    const WindowRegistry::NetworkScope scope(*context_.windows, pending.network);
    auto session = std::make_unique<DccChatSession>(*socket, pending.nick, offeredHere,
                                                    pending.forFileServer, pending.port, context_);
    DccChatSession* chat = session.get();
    ChatWindow* window = context_.windows->createDccChatWindowConnected(
        pending.nick, offeredHere ? QString() : pending.address, std::move(socket),
        std::move(session));
    chat->attach(window);
    if (pending.forFileServer && startFileServer_)
        startFileServer_(*chat);
    // Bytes that came with the connection are not lost to the window's creation.
    if (window->dccSocket && window->dccSocket->bytesAvailable() > 0)
        QTimer::singleShot(0, chat, &DccChatSession::readAvailable);
}

void DccChats::handleDccChatOffer(const UserLine& line, const QString& body)
{
    // The answer to a passive offer made here is no new offer: the user asked for it.
    if (const auto answer = DccWire::parseChatOffer(body);
        answer && answerToPassiveOffer(line.sender, *answer))
        return;
    using Action = DccOptions::ChatOffer;
    const Action action = context_.options->dcc.chatInboundAction;
    if (action == Action::Ignore)
        return;
    if (promptOpen_ && action == Action::Prompt) {
        waitingOffers_.push_back({line, body, context_.windows->activeNetwork()});
        return;
    }
    const auto offer = DccWire::parseChatOffer(body);
    if (!offer || hasChatWindow(line.sender))
        return;
    if (action == Action::Accept) {
        if (offer->passive())
            acceptPassive(line.sender, *offer);
        else
            acceptDccChat(line.sender, offer->address, offer->port);
        return;
    }
    promptOpen_ = true;
    const QString nick = line.sender;
    const QString address = line.address;
    QPointer<DccChats> alive(this);
    // The answer goes out on the offer's network, whichever window is shown by then.
    const int network = context_.windows->activeNetwork();
    context_.prompts->askDccChat(
        nick, [this, alive, nick, address, network, offer = *offer](ChatRequestAnswer answer) {
            if (!alive)
                return;
            promptOpen_ = false;
            std::optional<WindowRegistry::NetworkScope> scope(std::in_place, *context_.windows,
                                                              network);
            switch (answer) {
            case ChatRequestAnswer::Accept:
                if (offer.passive())
                    acceptPassive(nick, offer);
                else
                    acceptDccChat(nick, offer.address, offer.port);
                break;
            case ChatRequestAnswer::IgnoreUser:
                context_.ignoreList->addIgnore(nick, address, IgnoreList::ChosenDuration);
                break;
            case ChatRequestAnswer::Reject:
                break;
            }
            scope.reset();
            replayWaitingOffer();
        });
}

void DccChats::replayWaitingOffer()
{
    if (waitingOffers_.empty())
        return;
    const WaitingOffer offer = std::move(waitingOffers_.front());
    waitingOffers_.pop_front();
    const WindowRegistry::NetworkScope scope(*context_.windows, offer.network);
    handleDccChatOffer(offer.line, offer.body);
}

void DccChats::acceptDccChat(const QString& nick, const QString& address, quint16 port)
{
    if (sameNick(nick, context_.ownNickname()))
        return;
    auto pending = std::make_unique<Pending>();
    pending->network = context_.windows->activeNetwork();
    pending->offered = false;
    pending->created = context_.clock->now();
    pending->nick = nick;
    pending->address = address;
    pending->port = port;
    connectPending(std::move(pending));
}

void DccChats::connectPending(std::unique_ptr<Pending> pending)
{
    LaterPtr<QTcpSocket> socket(new QTcpSocket);
    Pending* raw = pending.get();
    connect(socket.get(), &QTcpSocket::connected, this, [this, raw] { offerConnected(raw); });
    socket->connectToHost(pending->address, pending->port);
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        context_.status->add(socket->errorString());
        return;
    }
    pending->socket = std::move(socket);
    pending_.push_back(std::move(pending));
}

bool DccChats::answerToPassiveOffer(const QString& nick, const DccWire::ChatOffer& offer)
{
    if (offer.passive() || offer.token.isEmpty())
        return false;
    for (const auto& p : pending_) {
        if (!p->offered || p->socket || p->server || p->token != offer.token ||
            p->network != context_.windows->activeNetwork() || !sameNick(p->nick, nick))
            continue;
        std::unique_ptr<Pending> pending = takePending(p.get());
        pending->address = offer.address;
        pending->port = offer.port;
        connectPending(std::move(pending));
        return true;
    }
    return false;
}

void DccChats::acceptPassive(const QString& nick, const DccWire::ChatOffer& offer)
{
    if (sameNick(nick, context_.ownNickname()))
        return;
    const QString address = context_.ownAddress();
    if (address.isEmpty())
        return; // the reason is already a status line
    LaterPtr<QTcpServer> server(new QTcpServer);
    const int port = listenForOne(*server, listeningPorts(), portsInUse_);
    if (port == 0) {
        context_.status->add(QStringLiteral("Unable to Connect to ") + nick + QStringLiteral(": ") +
                             server->errorString());
        return;
    }
    auto pending = std::make_unique<Pending>();
    pending->network = context_.windows->activeNetwork();
    pending->offered = false;
    pending->created = context_.clock->now();
    pending->nick = nick;
    pending->port = quint16(port);
    pending->token = offer.token;
    Pending* raw = pending.get();
    connect(server.get(), &QTcpServer::newConnection, this, [this, raw] { offerAccepted(raw); });
    pending->server = std::move(server);
    pending_.push_back(std::move(pending));
    context_.sendLine(Outbound::ctcp(nick, QStringLiteral("DCC CHAT chat ") +
                                               DccWire::dottedToDecimal(address) + u' ' +
                                               QString::number(port) + u' ' + offer.token));
}

void DccChats::offerConnected(Pending* raw)
{
    std::unique_ptr<Pending> pending = takePending(raw);
    if (!pending)
        return;
    QTcpSocket* socket = pending->socket.release();
    socket->disconnect(this);
    // A passive offer made here: the peer answered and this side connected to it.
    if (pending->offered) {
        openWindow(std::unique_ptr<QTcpSocket>(socket), *pending, true);
        return;
    }
    chatOpened(std::move(pending), socket);
}

void DccChats::chatOpened(std::unique_ptr<Pending> pending, QTcpSocket* socket)
{
    context_.events->fireEvent(Event::DccChatRequest, EventSlots::about(pending->nick));
    openWindow(std::unique_ptr<QTcpSocket>(socket), *pending, false);
    context_.status->add(pending->nick + QStringLiteral(" has Requested a DCC Chat."));
}

void DccChats::expirePending()
{
    const QDateTime now = context_.clock->now();
    for (bool removed = true; removed;) {
        removed = false;
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            if ((*it)->created.msecsTo(now) <= PendingLifeMilliseconds)
                continue;
            const std::unique_ptr<Pending> gone = std::move(*it);
            pending_.erase(it);
            context_.status->add(
                gone->offered
                    ? QStringLiteral("Gave up trying to setup DCC Chat with ") + gone->nick + u'.'
                    : gone->nick + QStringLiteral(" Requested a DCC Chat but can't be found."));
            removed = true;
            break;
        }
    }
}

void DccChats::closeAll()
{
    pending_.clear();
    waitingOffers_.clear();
}
