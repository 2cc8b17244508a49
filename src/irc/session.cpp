#include "irc/session.h"

#include "core/clock.h"
#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "core/prompts.h"
#include "irc/messagetags.h"
#include "irc/offeraddress.h"
#include "irc/outbound.h"
#include "irc/portselection.h"
#include "irc/serverline.h"
#include "irc/wire.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <algorithm>

namespace {
constexpr int MaxHostLength = 255;
constexpr int LagIsonIntervalMs = 60000;
// The tags a client may put before a line, "@" and the space after them included.
constexpr qsizetype MaxClientTagBytes = 4094;

// The user name of the USER line is the e-mail field, which servers take only as one
// word: its first word, or "quorl" when the field is blank.
QString userName(const QString& email)
{
    const QString first =
        email.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0, QString::SectionSkipEmpty);
    return first.isEmpty() ? QStringLiteral("quorl") : first;
}

const Clock& systemClock()
{
    static const Clock clock;
    return clock;
}

// How a line leaves: registration lines and PONG outside the pacing altogether, QUIT
// ahead of the paced lines, everything else paced.
enum class Lane { Outside, Urgent, Paced };

Lane laneOf(const QString& command, bool registered)
{
    if (command == QLatin1String("PONG"))
        return Lane::Outside;
    if (command == QLatin1String("QUIT"))
        return Lane::Urgent;
    static const QStringList registration{QStringLiteral("CAP"), QStringLiteral("NICK"),
                                          QStringLiteral("USER"), QStringLiteral("PASS"),
                                          QStringLiteral("AUTHENTICATE")};
    return !registered && registration.contains(command) ? Lane::Outside : Lane::Paced;
}
} // namespace

Session::Session(Options& options, LineLog& status, LineLog& serverView, EventSink fireEvent,
                 Prompts& prompts, TimeoutTicker& ticker, QObject* parent)
    : QObject(parent), options_(options), status_(status), serverView_(serverView),
      fireEvent_(std::move(fireEvent)), prompts_(prompts), serverSocket_(ticker, this),
      ident_([this] { return options_.user.ident; }, status, this),
      outbound_(
          systemClock(), [this](const QByteArray& bytes) { writeLine(bytes); }, this),
      reconnect_(
          systemClock(), [this] { attemptReconnect(); }, this),
      cap_([this](const QString& line) { sendLine(line); },
           [this](const QString& line) { status_.add(line); }),
      clock_(&systemClock())
{
    cap_.setChangeHandler([this] { Q_EMIT capabilitiesChanged(); });
    cap_.setStsHandler([this](const QString& value) { return onStsOffered(value); });
    serverSocket_.setTimeOut(ServerTimeOutSeconds);
    connect(&serverSocket_, &ClientSocket::connectFinished, this, &Session::onConnectFinished);
    connect(&serverSocket_, &ClientSocket::readable, this, &Session::onReadable);
    connect(&serverSocket_, &ClientSocket::timedOut, this, &Session::onTimedOut);
    connect(&serverSocket_, &ClientSocket::disconnected, this, &Session::onPeerDisconnected);
    connect(&serverSocket_, &ClientSocket::sendOverflow, this, &Session::onSendOverflow);
    connect(&outbound_, &OutboundQueue::linesRefused, this, [this](int count) {
        status_.add(QString::number(count) +
                    (count == 1 ? QStringLiteral(" line was") : QStringLiteral(" lines were")) +
                    QStringLiteral(" not sent: ") +
                    QString::number(OutboundQueue::MaxWaitingLines) +
                    QStringLiteral(" lines are already waiting to go to the server."));
    });

    lagTimer_.setInterval(LagIsonIntervalMs);
    connect(&lagTimer_, &QTimer::timeout, this, &Session::onLagTick);

    currentNickname_ = options_.user.nickname;
}

Session::~Session()
{
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
}

void Session::setClock(const Clock& clock)
{
    outbound_.setClock(clock);
    reconnect_.setClock(clock);
    clock_ = &clock;
}

void Session::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    Q_EMIT stateChanged(state);
}

QStringList Session::nicknames() const
{
    return ownNicknames_.isEmpty() ? options_.user.nicknames : ownNicknames_;
}

void Session::tryNickname(const QString& name)
{
    sendLine(Outbound::nick(name));
    lastNicknameTried_ = name;
}

void Session::setCurrentNickname(const QString& nickname)
{
    currentNickname_ = nickname;
    // A network with nicknames of its own leaves the User page's as they are.
    if (ownNicknames_.isEmpty())
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
    startConnecting(host, choice.port, description, choice.tls);
    portList_ = portList;
}

void Session::connectToKnownHost(const QString& host, int port, const QString& description,
                                 bool tls)
{
    startConnecting(host, port, description, tls);
}

// A connection the user asks for ends any retrying of the last one.
void Session::startConnecting(const QString& host, int port, const QString& description, bool tls)
{
    reconnect_.cancel();
    reconnecting_ = false;
    userEnded_ = false;
    if (host.compare(host_, Qt::CaseInsensitive) != 0)
        acceptedOnce_.clear();
    host_ = host;
    port_ = port;
    description_ = description;
    tls_ = tls;
    portList_.clear();
    startLookup();
}

void Session::scheduleReconnect()
{
    const int delay = reconnect_.schedule();
    status_.add(QStringLiteral("Reconnecting to ") + host_ + QStringLiteral(" in ") +
                QString::number(delay) + QStringLiteral(" seconds..."));
    // Disconnect stays available: it stops the retries.
    setState(State::WaitingToReconnect);
}

void Session::attemptReconnect()
{
    if (!reconnecting_ || isConnected() || lookupPending_)
        return;
    // A directory entry walks its port list as a repeated Connect would: first the port
    // that worked, and after each attempt that never registered, the next one.
    if (!portList_.isEmpty()) {
        const PortChoice choice = selectPort(portList_, host_, host_, port_);
        if (choice.valid) {
            port_ = choice.port;
            tls_ = choice.tls;
        }
    }
    status_.add(QStringLiteral("Reconnecting to ") + host_ + QStringLiteral(" (attempt ") +
                QString::number(reconnect_.attempts()) + QStringLiteral(")..."));
    startLookup();
}

void Session::startLookup()
{
    status_.add(QString());
    if (const std::optional<int> port =
            sts_ && !tls_ ? sts_->upgradePort(host_, clock_->now()) : std::nullopt) {
        tls_ = true;
        port_ = *port;
        status_.add(host_ + QStringLiteral(" asked for secure connections until ") +
                    sts_->expiry(host_).toString(Qt::ISODate) +
                    QStringLiteral(": connecting with TLS on port ") + QString::number(*port) +
                    u'.');
    }
    status_.add(QStringLiteral("Looking up ") + description_ + QStringLiteral("..."));
    setState(State::Resolving);
    lookupPending_ = true;
    const QString host = host_.left(MaxHostLength);
    // A numeric address needs no lookup, but it still completes through the event loop
    // like any other, so the order of events is the same. It is not handed to the
    // resolver: that would start a thread for it and ask the name servers for its name.
    if (const QHostAddress numeric(host); !numeric.isNull()) {
        lookupId_ = nextNumericLookup_--;
        QMetaObject::invokeMethod(
            this,
            [this, id = lookupId_, address = numeric.toString()] {
                lookupComplete(id, address, QString());
            },
            Qt::QueuedConnection);
        return;
    }
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
        if (reconnecting_)
            scheduleReconnect();
        else
            setState(State::Disconnected);
        return;
    }
    attemptConnection(address);
}

void Session::attemptConnection(const QString& address)
{
    Q_EMIT connectionAttempted();
    setState(State::Connecting);
    serverSocket_.setPort(QString::number(port_ % RegisteredPortOffset));
    serverSocket_.setAddress(address);
    serverSocket_.setTls(
        tls_, host_, [this](const QString& fingerprint) { return acceptCertificate(fingerprint); });
    TlsSocket::ClientIdentity identity;
    if (tls_ && identityFor_)
        identity = identityFor_(host_);
    if (!identity.isEmpty()) {
        const QString problem = TlsSocket::checkIdentity(identity);
        if (!problem.isEmpty()) {
            status_.add(QStringLiteral("The client certificate is not used: ") + problem + u'.');
            identity = {};
        }
    }
    serverSocket_.setClientIdentity(identity);
    cap_.setCertificateLogin(!identity.isEmpty());
    applyProfile();
    lastAddress_ = address;
    status_.add(QStringLiteral("Attempting to Connect to ") + host_ + QStringLiteral(" on Port ") +
                QString::number(port_ % RegisteredPortOffset) +
                (tls_ ? QStringLiteral(" (TLS)") : QString()));
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
        const ClientSocket::Rejection rejected = serverSocket_.takeRejectedCertificate();
        if (!rejected.fingerprint.isEmpty() || !reconnecting_)
            setState(State::Disconnected);
        if (!rejected.fingerprint.isEmpty())
            askAboutCertificate(rejected.fingerprint, rejected.problems);
        else if (reconnecting_)
            scheduleReconnect();
        return;
    }
    linkUp_ = true;
    connectedSince_ = clock_->now();
    setState(State::Registering);
    framer_.clear();
    discardReported_ = false;
    outbound_.clear();
    status_.add(QStringLiteral("Connected - Logging In..."));
    if (tls_)
        status_.add(QStringLiteral("The connection is encrypted (") + serverSocket_.encryption() +
                    QStringLiteral(")."));
    Q_EMIT linkEstablished();
    firstNickname_ = currentNickname_;
    lastNicknameTried_ = currentNickname_;
    const auto [account, password] =
        accountFor_ ? accountFor_(host_) : std::pair<QString, QString>();
    cap_.setAccount(account, password);
    if (!password_.isEmpty() && host_.compare(passwordHost_, Qt::CaseInsensitive) == 0)
        sendLine(Outbound::pass(password_));
    cap_.start();
    sendLine(Outbound::nick(currentNickname_));
    // Servers such as InspIRCd refuse a USER line with an empty real name (461), and
    // registration would stop there: a blank name field sends the nickname instead.
    const QString realName = options_.user.realName.trimmed();
    sendLine(Outbound::user(userName(options_.user.email),
                            realName.isEmpty() ? currentNickname_ : realName));
    localAddress_ = serverSocket_.localAddress();
    ident_.open();
}

void Session::registrationComplete(const QString& addressedTo)
{
    fireEvent_(Event::YouConnecting);
    // The channel toolbar is enabled here once it exists (through registered()).
    setState(State::Registered);
    if (addressedTo != currentNickname_ &&
        addressedTo.compare(QStringLiteral("auth"), Qt::CaseInsensitive) != 0)
        sendLine(Outbound::nick(currentNickname_));
    status_.add(QStringLiteral("Ready."));
    Q_EMIT registeredWith(description_, host_, port_ % RegisteredPortOffset);
    registeredByReconnect_ = reconnecting_;
    reconnecting_ = false;
    // The back-off starts again only once this connection has lasted.
    reconnect_.connectionUp();
    lagTimerTicks_ = 0;
    lagTimer_.start();
    Q_EMIT lagTimerStarted();
    if (port_ < RegisteredPortOffset)
        port_ += RegisteredPortOffset;
    // The channel-list buttons are enabled here once the channel list exists.
    sendLine(Outbound::mode(currentNickname_, options_.connection.invisible
                                                  ? QStringLiteral("+i")
                                                  : QStringLiteral("-i")));
    if (options_.connection.away)
        sendLine(Outbound::away(expandEscapes(options_.connection.awayMessage)));
    else
        sendLine(Outbound::away());
    Q_EMIT registered();
}

void Session::onLagTick()
{
    // Work runs on every second tick: the notify poll and the expiry of inquiries,
    // stale DCC chat offers and resume records.
    ++lagTimerTicks_;
    if (lagTimerTicks_ % 2 == 0)
        Q_EMIT everySecondLagTick();
}

// --- the line channel ----------------------------------------------------------------

QString Session::sendLabeled(const QString& line)
{
    if (!cap_.isEnabled(QStringLiteral("labeled-response")) || !isConnected()) {
        sendLine(line);
        return {};
    }
    const QString label = QStringLiteral("q") + QString::number(++labels_);
    sendLine(QStringLiteral("@label=") + label + u' ' + line);
    return label;
}

void Session::sendLine(const QString& tagged)
{
    if (!isConnected())
        return;
    // Tags a line leads with go in front of it whole; the line's limit counts the rest.
    const QStringView line = MessageTags::withoutTags(tagged);
    QByteArray tags;
    if (line.size() != tagged.size()) {
        tags = QStringView(tagged).left(tagged.indexOf(u' ')).toUtf8();
        if (tags.size() > MaxClientTagBytes || tags.contains('\r') || tags.contains('\n') ||
            tags.contains('\0'))
            tags.clear();
        else
            tags += ' ';
    }
    const qsizetype space = line.indexOf(u' ');
    const QString command = (space < 0 ? line : line.left(space)).toString().toUpper();
    // AUTHENTICATE carries 400-byte chunks of credentials: it needs the protocol's limit.
    const QByteArray bytes =
        tags + Wire::encodeLine(line.toString(), command == QLatin1String("AUTHENTICATE")
                                                     ? Wire::ProtocolLineBytes
                                                     : Wire::MaxLineBytes);
    // A QUIT of the user's own (typed, or at Disconnect) is never answered by a reconnect.
    if (command == QLatin1String("QUIT"))
        userEnded_ = true;
    switch (laneOf(command, isRegistered())) {
    case Lane::Outside:
        outbound_.sendOutside(bytes);
        break;
    case Lane::Urgent:
        outbound_.sendUrgent(bytes);
        break;
    case Lane::Paced:
        outbound_.enqueue(bytes);
        break;
    }
}

void Session::writeLine(const QByteArray& bytes)
{
    if (!isConnected())
        return;
    serverSocket_.send(bytes);
    // What AUTHENTICATE and PASS carry is the user's password; the raw data never shows it.
    static const QByteArray authenticate("AUTHENTICATE ");
    static const QList<QByteArray> shown{"PLAIN", "EXTERNAL", "SCRAM-SHA-256", "+", "*"};
    if (bytes.startsWith(authenticate) &&
        !shown.contains(bytes.mid(authenticate.size()).chopped(2))) {
        Q_EMIT rawLineRecorded(QStringLiteral("AUTHENTICATE (hidden)"), QStringLiteral("user"));
        return;
    }
    if (bytes.startsWith("PASS ")) {
        Q_EMIT rawLineRecorded(QStringLiteral("PASS (hidden)"), QStringLiteral("user"));
        return;
    }
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
        handleLine(Wire::decode(line, fallbackDecoder_ ? &*fallbackDecoder_ : nullptr));
}

void Session::handleLine(const QString& whole)
{
    Q_EMIT rawLineRecorded(whole, QStringLiteral("server"));
    // Tags go with the line to the handlers; what the line is, and who sent it, is read
    // after them.
    const auto [tags, body] = MessageTags::split(whole);
    const QString line = body.toString();
    if (cap_.handleLine(line)) {
        if (stsUpgradePort_ > 0)
            upgradeToTls();
        return;
    }
    OpenBatches::Batch opened;
    OpenBatches::Batch closed;
    if (batches_.follow(tags, line, &opened, &closed)) {
        if (!opened.reference.isEmpty())
            Q_EMIT batchOpened(opened);
        if (!closed.reference.isEmpty()) {
            Q_EMIT batchClosed(closed);
            batches_.remove(closed.reference);
        }
        return;
    }
    if (!line.startsWith(u':')) {
        if (line.startsWith(QStringLiteral("PING :"))) {
            lastPong_ = Outbound::pong(line.mid(6));
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
        if (line.contains(u' '))
            Q_EMIT serverLineReceived(whole);
        return;
    }
    // The server's own lines are those whose first word is its prefix.
    if (line.startsWith(serverPrefix_) &&
        (line.size() == serverPrefix_.size() || line.at(serverPrefix_.size()) == u' ')) {
        if (line.mid(serverPrefix_.size(), 5) == QLatin1String(" 005 "))
            if (const std::optional<ServerLine> parsed = ServerLine::parse(line))
                features_.take(*parsed);
        Q_EMIT serverLineReceived(whole);
    } else {
        Q_EMIT userLineReceived(whole);
    }
}

// --- secure-connection policies ------------------------------------------------------

// A plain connection is moved to TLS on the port the server names (once the line that
// named it is handled); a TLS connection keeps or drops the host's policy.
bool Session::onStsOffered(const QString& value)
{
    const StsPolicies::Value policy = StsPolicies::parse(value);
    if (!tls_) {
        if (policy.port)
            stsUpgradePort_ = *policy.port;
        return policy.port.has_value();
    }
    if (sts_ && policy.durationSeconds)
        sts_->apply(host_, port_ % RegisteredPortOffset, *policy.durationSeconds, clock_->now());
    return false;
}

void Session::upgradeToTls()
{
    const int port = std::exchange(stsUpgradePort_, 0);
    status_.add(host_ +
                QStringLiteral(" asks for a secure connection: connecting again with TLS "
                               "on port ") +
                QString::number(port) + u'.');
    const QString host = host_;
    const QString description = description_;
    // The plain connection ends without QUIT and without a reconnect of its own.
    userEnded_ = true;
    endSession();
    startConnecting(host, port, description, true);
}

// --- leaving -------------------------------------------------------------------------

void Session::sendQuit()
{
    if (options_.connection.sendQuitMessage)
        sendLine(Outbound::quit(expandEscapes(options_.connection.quitMessage)));
    else
        sendLine(Outbound::quit());
}

void Session::disconnectFromServer()
{
    userEnded_ = true;
    const bool waiting = reconnect_.isPending() && !isConnected() && !lookupPending_;
    reconnect_.cancel();
    reconnecting_ = false;
    if (waiting) {
        status_.add(QStringLiteral("Reconnecting stopped."));
        setState(State::Disconnected);
        return;
    }
    lookupPending_ = false;
    sendQuit();
    endSession();
}

void Session::quitForShutdown()
{
    applicationClosing_ = true;
    reconnect_.cancel();
    reconnecting_ = false;
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
    if (state_ == State::Closing)
        return;
    // A connection that ends without the user asking is tried again, as is a failed
    // attempt to get it back.
    reconnecting_ = !userEnded_ && !applicationClosing_ && options_.connection.reconnect &&
                    (isRegistered() || reconnecting_);
    setState(State::Closing);
    outbound_.clear();

    lookupPending_ = false;
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    fireEvent_(Event::YouDisconnecting);
    framer_.clear();
    cap_.reset();
    batches_.clear();
    features_.clear();
    stsUpgradePort_ = 0;
    lastPong_.clear();
    serverPrefix_.clear();
    lagTimer_.stop();
    Q_EMIT sessionClosing();
    firstNickname_ = currentNickname_;
    status_.add(QStringLiteral("Disconnected."));
    serverSocket_.close();
    linkUp_ = false;
    serverView_.clear();
    ident_.close();
    // The notify list, the raw log, the chat windows and DCC follow the connection.
    Q_EMIT sessionClosed();
    if (reconnecting_)
        scheduleReconnect();
    else
        setState(State::Disconnected);
}

// --- user switches -------------------------------------------------------------------

void Session::setNickname(const QString& name)
{
    if (!isConnected()) {
        setCurrentNickname(name);
        return;
    }
    if (name != currentNickname_) {
        sendLine(Outbound::nick(name));
        status_.add(QStringLiteral("Trying to change your Nickname to ") + name +
                    QStringLiteral("."));
    }
}

void Session::adoptNickname(const QString& name)
{
    if (ownNicknames_.isEmpty())
        addNickname(options_.user, name);
    setCurrentNickname(name);
}

void Session::applyProfile()
{
    const HostProfile profile = profileFor_ ? profileFor_(host_) : HostProfile();
    const bool hadOwn = !ownNicknames_.isEmpty();
    ownNicknames_.clear();
    for (const QString& nick : profile.nicknames)
        if (!nick.trimmed().isEmpty())
            ownNicknames_.append(nick.trimmed());
    if (!ownNicknames_.isEmpty())
        setCurrentNickname(ownNicknames_.first());
    else if (hadOwn) // the network's own list was taken away: the User page's again
        setCurrentNickname(options_.user.nickname);
    fallbackDecoder_.reset();
    const QString encoding = profile.fallbackEncoding.trimmed();
    if (encoding.isEmpty())
        return;
    QStringDecoder decoder(encoding.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (decoder.isValid())
        fallbackDecoder_.emplace(std::move(decoder));
    else
        status_.add(QStringLiteral("The encoding ") + encoding +
                    QStringLiteral(" is not known; text that is not UTF-8 is read as Latin-1."));
}

void Session::setInvisible(bool invisible)
{
    options_.connection.invisible = invisible;
    sendLine(
        Outbound::mode(currentNickname_, invisible ? QStringLiteral("+i") : QStringLiteral("-i")));
}

void Session::setAway(bool away)
{
    options_.connection.away = away;
    if (!isConnected())
        return;
    if (away) {
        sendLine(Outbound::away(expandEscapes(options_.connection.awayMessage)));
        status_.add(QStringLiteral("You are now AWAY"));
    } else {
        sendLine(Outbound::away());
        status_.add(QStringLiteral("You are no longer AWAY"));
    }
}

// --- certificates --------------------------------------------------------------------

bool Session::acceptCertificate(const QString& fingerprint)
{
    if (!acceptedOnce_.isEmpty() && acceptedOnce_ == fingerprint)
        return true;
    const QString key = host_.toLower() + u':' + QString::number(port_ % RegisteredPortOffset);
    return trust_.isTrusted && trust_.isTrusted(key, fingerprint);
}

void Session::askAboutCertificate(const QString& fingerprint, const QString& problems)
{
    const QString key = host_.toLower() + u':' + QString::number(port_ % RegisteredPortOffset);
    const QString text = QStringLiteral("The certificate of ") + host_ +
                         QStringLiteral(" could not be verified (") + problems +
                         QStringLiteral(").\nSHA-256 fingerprint: ") + fingerprint +
                         QStringLiteral("\nConnect anyway?");
    const QString address = lastAddress_;
    prompts_.askChoice(
        text,
        {QStringLiteral("Accept once"), QStringLiteral("Always accept"), QStringLiteral("Refuse")},
        [this, key, fingerprint, address](int choice) {
            if (choice != 0 && choice != 1) {
                // A refused server is not tried again on its own.
                status_.add(QStringLiteral("The certificate of ") + host_ +
                            QStringLiteral(" was refused."));
                reconnecting_ = false;
                return;
            }
            if (choice == 1 && trust_.store)
                trust_.store(key, fingerprint);
            acceptedOnce_ = fingerprint;
            if (!isConnected() && !lookupPending_)
                attemptConnection(address);
        });
}

QString Session::dccOfferAddress()
{
    const QString address = ::dccOfferAddress(
        localAddress_, machineAddresses_ ? machineAddresses_() : QNetworkInterface::allAddresses());
    if (address.isEmpty())
        status_.add(QStringLiteral("DCC needs an IPv4 address, and this machine has none."));
    return address;
}
