#include "irc/session.h"

#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "irc/portselection.h"
#include "irc/wire.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {
constexpr int MaxHostLength = 255;
constexpr int LagIsonIntervalMs = 60000;

// The user name of the USER line is the e-mail field, which servers take only as one
// word: its first word, or "quorl" when the field is blank.
QString userName(const QString& email)
{
    const QString first =
        email.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0, QString::SectionSkipEmpty);
    return first.isEmpty() ? QStringLiteral("quorl") : first;
}
} // namespace

Session::Session(Options& options, LineLog& status, LineLog& serverView, EventSink fireEvent,
                 Prompts& prompts, TimeoutTicker& ticker, QObject* parent)
    : QObject(parent), options_(options), status_(status), serverView_(serverView),
      fireEvent_(std::move(fireEvent)), prompts_(prompts), serverSocket_(ticker, this),
      ident_([this] { return options_.user.ident; }, status, this)
{
    serverSocket_.setTimeOut(ServerTimeOutSeconds);
    connect(&serverSocket_, &ClientSocket::connectFinished, this, &Session::onConnectFinished);
    connect(&serverSocket_, &ClientSocket::readable, this, &Session::onReadable);
    connect(&serverSocket_, &ClientSocket::timedOut, this, &Session::onTimedOut);
    connect(&serverSocket_, &ClientSocket::disconnected, this, &Session::onPeerDisconnected);
    connect(&serverSocket_, &ClientSocket::sendOverflow, this, &Session::onSendOverflow);

    lagTimer_.setInterval(LagIsonIntervalMs);
    connect(&lagTimer_, &QTimer::timeout, this, &Session::onLagTimer);

    currentNickname_ = options_.user.nickname;
}

Session::~Session()
{
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
}

void Session::setButtons(bool connectEnabled, bool disconnectEnabled)
{
    connectEnabled_ = connectEnabled;
    disconnectEnabled_ = disconnectEnabled;
    Q_EMIT buttonsChanged(connectEnabled, disconnectEnabled);
}

void Session::setCurrentNickname(const QString& nickname)
{
    currentNickname_ = nickname;
    options_.user.nickname = nickname;
    Q_EMIT nicknameChanged(nickname);
}

// --- connect flow --------------------------------------------------------------------

void Session::connectToServer(const QString& host, const QString& portList,
                              const QString& description)
{
    const PortChoice choice = selectPort(portList, host, host_, port_);
    if (!choice.valid) {
        prompts_.warning(QStringLiteral("You have specified an invalid Port: ") + portList);
        return;
    }
    host_ = host;
    port_ = choice.port;
    description_ = description;
    startLookup();
}

void Session::connectToKnownHost(const QString& host, int port, const QString& description)
{
    host_ = host;
    port_ = port;
    description_ = description;
    startLookup();
}

void Session::startLookup()
{
    status_.add(QString());
    status_.add(QStringLiteral("Looking up ") + description_ + QStringLiteral("..."));
    setButtons(false, true);
    lookupPending_ = true;
    const QString host = host_.left(MaxHostLength);
    // A numeric address needs no lookup, but it still completes through the event loop
    // like any other, so the order of events is the same.
    lookupId_ = QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
        QString address;
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a.toString();
                break;
            }
        }
        if (address.isEmpty() && !info.addresses().isEmpty())
            address = info.addresses().first().toString();
        QString error;
        if (info.error() != QHostInfo::NoError || address.isEmpty())
            error = info.errorString().isEmpty() ? QStringLiteral("not found") : info.errorString();
        lookupComplete(info.lookupId(), address, error);
    });
}

void Session::lookupComplete(int lookupId, const QString& address, const QString& error)
{
    if (!lookupPending_ || lookupId != lookupId_)
        return;
    lookupPending_ = false;
    lookupId_ = -1;
    if (!error.isEmpty()) {
        status_.add(QStringLiteral("Can't find ") + host_ +
                    QStringLiteral(". Check Server Info and try again."));
        setButtons(true, false);
        return;
    }
    attemptConnection(address);
}

void Session::attemptConnection(const QString& address)
{
    if (rawDataHooks_.clearView)
        rawDataHooks_.clearView();
    setButtons(false, true);
    serverSocket_.setPort(QString::number(port_ % RegisteredPortOffset));
    serverSocket_.setAddress(address);
    status_.add(QStringLiteral("Attempting to Connect to ") + host_ + QStringLiteral(" on Port ") +
                QString::number(port_ % RegisteredPortOffset));
    const QString error = serverSocket_.connectToServer();
    if (!error.isEmpty()) {
        status_.add(error);
        if (error.contains(QStringLiteral("invalid address")))
            status_.add(QStringLiteral("Can't Connect: ") + host_ +
                        QStringLiteral(" is not available (check spelling of HOST)."));
    }
}

// --- registration --------------------------------------------------------------------

void Session::onConnectFinished(bool ok, const QString& error)
{
    if (!ok) {
        // A refused or unreachable server is said plainly, and the buttons go back.
        status_.add(QStringLiteral("Can't Connect: ") + host_ + QStringLiteral(" (") + error +
                    QStringLiteral(")"));
        setButtons(true, false);
        return;
    }
    setButtons(false, true);
    connectionState_ = connectedText();
    framer_.clear();
    discardReported_ = false;
    status_.add(QStringLiteral("Connected - Logging In..."));
    if (rawDataHooks_.enableInput)
        rawDataHooks_.enableInput();
    firstNickname_ = currentNickname_;
    lastNicknameTried_ = currentNickname_;
    sendLine(QStringLiteral("NICK ") + currentNickname_);
    sendLine(QStringLiteral("USER ") + userName(options_.user.email) +
             QStringLiteral(" empty empty :") + options_.user.realName.trimmed());
    localAddress_ = serverSocket_.localAddress();
    ident_.open();
}

void Session::registrationComplete(const QString& addressedTo)
{
    fireEvent_(QStringLiteral("You Connecting to Server"));
    // The channel toolbar is enabled here once it exists (through registered()).
    connectionState_ = connectedText();
    if (addressedTo != currentNickname_ &&
        addressedTo.compare(QStringLiteral("auth"), Qt::CaseInsensitive) != 0)
        sendLine(QStringLiteral("NICK ") + currentNickname_);
    status_.add(QStringLiteral("Ready."));
    if (recordRegisteredServer_)
        recordRegisteredServer_(description_, host_, port_ % RegisteredPortOffset);
    lagTimerTicks_ = 0;
    if (firstNotifyPoll_)
        firstNotifyPoll_();
    lagTimer_.start();
    if (port_ < RegisteredPortOffset)
        port_ += RegisteredPortOffset;
    // The channel-list buttons are enabled here once the channel list exists.
    sendLine(QStringLiteral("MODE ") + currentNickname_ +
             (options_.connection.invisible ? QStringLiteral(" +i") : QStringLiteral(" -i")));
    if (options_.connection.away)
        sendLine(QStringLiteral("AWAY :") + expandEscapes(options_.connection.awayMessage));
    else
        sendLine(QStringLiteral("AWAY"));
    Q_EMIT registered();
}

void Session::onLagTimer()
{
    // Work runs on every second tick: the notify poll and the expiry of inquiries,
    // stale DCC chat offers and resume records.
    ++lagTimerTicks_;
    if (lagTimerTicks_ % 2 == 0 && everySecondTick_)
        everySecondTick_();
}

// --- the line channel ----------------------------------------------------------------

void Session::sendLine(const QString& line)
{
    if (!isConnected())
        return;
    const QByteArray bytes = Wire::encodeLine(line);
    serverSocket_.send(bytes);
    Q_EMIT rawLineRecorded(Wire::decode(QByteArrayView(bytes).chopped(2)), QStringLiteral("user"));
}

void Session::onReadable()
{
    if (!isConnected())
        return;
    framer_.append(serverSocket_.readChunk());
    if (framer_.takeDiscardNotice() && !discardReported_) {
        discardReported_ = true;
        status_.add(QStringLiteral("The server sent more than ") +
                    QString::number(LineFramer::MaxPendingBytes) +
                    QStringLiteral(" bytes without a line end; they were discarded."));
    }
    QByteArray line;
    while (isConnected() && framer_.nextLine(line))
        handleLine(Wire::decode(line));
}

void Session::handleLine(const QString& line)
{
    Q_EMIT rawLineRecorded(line, QStringLiteral("server"));
    if (!line.startsWith(u':')) {
        if (line.startsWith(QStringLiteral("PING :"))) {
            lastPong_ = QStringLiteral("PONG ") + line.mid(5);
            sendLine(lastPong_);
        } else if (line.startsWith(QStringLiteral("ERROR :"))) {
            QString reason = line.mid(7);
            const qsizetype paren = reason.indexOf(u'(');
            if (paren >= 0)
                reason = reason.mid(paren);
            status_.add(reason);
            endSession();
        }
        return;
    }
    if (serverPrefix_.isEmpty()) {
        if (line.contains(u' ') && serverLineHandler_)
            serverLineHandler_(line);
        return;
    }
    // The server's own lines are those whose first word is its prefix.
    if (line.startsWith(serverPrefix_) &&
        (line.size() == serverPrefix_.size() || line.at(serverPrefix_.size()) == u' ')) {
        if (serverLineHandler_)
            serverLineHandler_(line);
    } else if (userMessageHandler_) {
        userMessageHandler_(line);
    }
}

// --- leaving -------------------------------------------------------------------------

void Session::sendQuit()
{
    if (options_.connection.sendQuitMessage)
        sendLine(QStringLiteral("QUIT :") + expandEscapes(options_.connection.quitMessage));
    else
        sendLine(QStringLiteral("QUIT"));
}

void Session::disconnectFromServer()
{
    lookupPending_ = false;
    sendQuit();
    endSession();
}

void Session::quitForShutdown()
{
    applicationClosing_ = true;
    sendQuit();
    if (isConnected())
        serverSocket_.close();
    ident_.close();
}

void Session::onTimedOut()
{
    status_.add(QStringLiteral("Connection Timeout - Can't find Server"));
    endSession();
}

void Session::onSendOverflow()
{
    status_.add(QStringLiteral("The server is not reading what we send (more than ") +
                QString::number(ClientSocket::MaxPendingSendBytes) +
                QStringLiteral(" bytes waiting); the connection was closed."));
    endSession();
}

void Session::onPeerDisconnected()
{
    if (!applicationClosing_)
        endSession();
}

void Session::endSession()
{
    // Lines still arriving while the socket closes can end the session themselves (an
    // ERROR); the cleanup runs once.
    if (closingSession_)
        return;
    closingSession_ = true;

    lookupPending_ = false;
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    fireEvent_(QStringLiteral("you disconnecting from server"));
    framer_.clear();
    lastPong_.clear();
    serverPrefix_.clear();
    if (resetServerLines_)
        resetServerLines_();
    lagTimer_.stop();
    if (discardInquiries_)
        discardInquiries_();
    firstNickname_ = currentNickname_;
    // The pending DNS inquiry and the DCC prompt queues are reset here once they exist.
    setButtons(true, false);
    status_.add(QStringLiteral("Disconnected."));
    serverSocket_.close();
    connectionState_ = disconnectedText();
    if (resetNotify_)
        resetNotify_();
    serverView_.clear();
    if (rawDataHooks_.endLog)
        rawDataHooks_.endLog();
    // DCC chats, transfers and the file server stop here once they exist.
    ident_.close();
    if (chatWindowCloser_)
        chatWindowCloser_();
    closingSession_ = false;
    Q_EMIT sessionClosed();
}

// --- user switches -------------------------------------------------------------------

void Session::setNickname(const QString& name)
{
    if (!isConnected()) {
        setCurrentNickname(name);
        return;
    }
    if (name != currentNickname_) {
        sendLine(QStringLiteral("NICK ") + name);
        status_.add(QStringLiteral("Trying to your change Nickname to ") + name +
                    QStringLiteral("."));
    }
}

void Session::adoptNickname(const QString& name)
{
    addNickname(options_.user, name);
    setCurrentNickname(name);
}

void Session::setInvisible(bool invisible)
{
    options_.connection.invisible = invisible;
    sendLine(QStringLiteral("MODE ") + currentNickname_ +
             (invisible ? QStringLiteral(" +i") : QStringLiteral(" -i")));
}

void Session::setAway(bool away)
{
    options_.connection.away = away;
    if (!isConnected())
        return;
    if (away) {
        sendLine(QStringLiteral("AWAY :") + expandEscapes(options_.connection.awayMessage));
        status_.add(QStringLiteral("You are now AWAY"));
    } else {
        sendLine(QStringLiteral("AWAY"));
        status_.add(QStringLiteral("You are no longer AWAY"));
    }
}
