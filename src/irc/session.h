#pragma once

#include "core/event.h"
#include "irc/capnegotiation.h"
#include "irc/clientsocket.h"
#include "irc/identresponder.h"
#include "irc/lineframer.h"
#include "irc/openbatches.h"
#include "irc/outboundqueue.h"
#include "irc/reconnectschedule.h"
#include "irc/registrationcontrol.h"
#include "irc/serverfeatures.h"
#include "irc/stspolicies.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringDecoder>
#include <QTimer>

#include <functional>
#include <optional>

class Clock;
class LineLog;
class Prompts;
struct Options;

// The one IRC session: host and port, lookup, connection, registration, routing of every
// received line, PING, ERROR, quitting and the cleanup after every kind of disconnect.
// sendLine is the only way anything talks to the server. What happens in it is told by
// signals, which Client connects.
class Session : public QObject, public RegistrationControl
{
    Q_OBJECT
public:
    // Where the session is. A lost connection that is tried again waits in
    // WaitingToReconnect between attempts; Closing lasts while the cleanup runs.
    enum class State {
        Disconnected,
        WaitingToReconnect,
        Resolving,
        Connecting,
        Registering,
        Registered,
        Closing
    };
    Q_ENUM(State)

    static constexpr int ServerTimeOutSeconds = 60;

    // Raises one of the client's events (Event::YouConnecting, ...).
    using EventSink = std::function<void(Event event)>;

    Session(Options& options, LineLog& status, LineLog& serverView, EventSink fireEvent,
            Prompts& prompts, TimeoutTicker& ticker, QObject* parent = nullptr);
    ~Session() override;

    // What the rest of the client may read.
    State state() const { return state_; }
    // The link to the server is up: lines are sent and read (while registering, once
    // registered, and while closing until the socket is closed).
    bool isConnected() const { return linkUp_; }
    bool isRegistered() const override { return state_ == State::Registered; }
    QString host() const { return host_; }
    int port() const { return port_; }
    QString description() const { return description_; }
    bool lookupPending() const { return lookupPending_; }
    QString currentNickname() const { return currentNickname_; }
    QString firstNickname() const override { return firstNickname_; }
    QString lastNicknameTried() const override { return lastNicknameTried_; }
    QString serverPrefix() const override { return serverPrefix_; }
    void setServerPrefix(const QString& prefix) override { serverPrefix_ = prefix; }
    QStringList nicknames() const override;
    void tryNickname(const QString& name) override;
    void useNickname(const QString& name) override { setCurrentNickname(name); }
    QString lastPong() const { return lastPong_; }
    QString localAddress() const { return localAddress_; }
    bool applicationClosing() const { return applicationClosing_; }
    void setApplicationClosing(bool closing) { applicationClosing_ = closing; }

    ClientSocket& serverSocket() { return serverSocket_; }
    IdentResponder& ident() { return ident_; }

    // Connects to a directory entry: port selection, then lookup.
    void connectToServer(const QString& host, const QString& portList, const QString& description);
    // Connects to a host and port already known (a recent server, an irc:// or ircs://
    // address); tls asks for an encrypted connection.
    void connectToKnownHost(const QString& host, int port, const QString& description,
                            bool tls = false);
    bool usesTls() const { return tls_; }

    // Time for pacing and reconnecting; the system clock until a client sets its own.
    void setClock(const Clock& clock);
    OutboundQueue& outbound() { return outbound_; }
    ReconnectSchedule& reconnectSchedule() { return reconnect_; }
    // True from a connection's unasked end until a new connection registers, while the
    // client tries again; registeredByReconnect() says the last registration was such.
    bool reconnecting() const { return reconnecting_; }
    bool registeredByReconnect() const { return registeredByReconnect_; }

    // Certificates that fail verification: isTrusted says whether the fingerprint stored
    // for key (host:port in lower case) is this one; store keeps it ("Always accept").
    struct CertificateTrust
    {
        std::function<bool(const QString& key, const QString& fingerprint)> isTrusted;
        std::function<void(const QString& key, const QString& fingerprint)> store;
    };
    void setCertificateTrust(CertificateTrust trust) { trust_ = std::move(trust); }
    // The SASL account and password for a host, both empty when it has none.
    using AccountLookup = std::function<std::pair<QString, QString>(const QString& host)>;
    void setAccountLookup(AccountLookup lookup) { accountFor_ = std::move(lookup); }
    // The client certificate a TLS connection to a host presents (and logs in with, by
    // SASL EXTERNAL, when the server offers it); empty when it has none.
    using IdentityLookup = std::function<TlsSocket::ClientIdentity(const QString& host)>;
    void setIdentityLookup(IdentityLookup lookup) { identityFor_ = std::move(lookup); }
    // The password a server (a bouncer among them) asks of its clients, sent as PASS
    // before the nickname, and only to that host; an empty password sends none.
    void setServerPassword(const QString& host, const QString& password)
    {
        passwordHost_ = host;
        password_ = password;
    }
    // What a host's network asks of the session beyond the User page: its own nicknames
    // (tried in order instead of the User page's; the User page's nickname stays as it
    // is) and the encoding of lines that are not UTF-8 (Latin-1 when empty). Looked up
    // at every connection attempt.
    struct HostProfile
    {
        QStringList nicknames;
        QString fallbackEncoding;
    };
    using ProfileLookup = std::function<HostProfile(const QString& host)>;
    void setProfileLookup(ProfileLookup lookup) { profileFor_ = std::move(lookup); }
    // Where the hosts' secure-connection policies are kept; without it a plain
    // connection is still moved to TLS when the server asks, but nothing is remembered.
    void setStsPolicies(StsPolicies* policies) { sts_ = policies; }
    const CapNegotiation& capabilities() const { return cap_; }
    CapNegotiation& capabilities() { return cap_; }
    // The server's open batches: OpenBatches::within(tags, u"chathistory") says a line
    // is history, labelOf(tags) which labeled command it answers.
    const OpenBatches& batches() const { return batches_; }
    // When the current connection was made (invalid before the first): a line the server
    // dates earlier is a replay of what was said before.
    QDateTime connectedSince() const { return connectedSince_; }
    // What the server's 005 replies said it supports: serverFeatures().value("MONITOR")
    // is how many nicknames MONITOR watches, and empty when it has no MONITOR.
    const ServerFeatures& serverFeatures() const { return features_; }
    // Sends a command with a label when the server answers labels (labeled-response);
    // its replies carry the label returned (directly or on their batch). Empty, and the
    // line sent plainly, when the server does not.
    QString sendLabeled(const QString& line);
    // The IPv4 address a DCC offer carries; empty, with a status line saying why, when
    // the machine has none.
    QString dccOfferAddress();
    // The machine's addresses that dccOfferAddress chooses from; the network interfaces'
    // until a test sets its own.
    void setMachineAddresses(std::function<QList<QHostAddress>()> addresses)
    {
        machineAddresses_ = std::move(addresses);
    }
    // The "Disconnect from Server" button.
    void disconnectFromServer();
    // Sends QUIT and closes the connection at shutdown, without the usual cleanup.
    void quitForShutdown();

    // Encodes, cuts to the line limit and sends; dropped unless connected.
    void sendLine(const QString& line);
    // One received line, answered (PING, ERROR) or routed by its prefix.
    void handleLine(const QString& line);
    // The cleanup after every kind of disconnect.
    void endSession() override;

    void setNickname(const QString& name);
    // The server confirmed a new nickname for the user: it becomes current and joins the
    // user's nickname list.
    void adoptNickname(const QString& name);
    void setInvisible(bool invisible);
    void setAway(bool away);

    // Reply 376 (422 from a server without a MOTD): registration is complete. addressedTo
    // is the nickname the reply names.
    void registrationComplete(const QString& addressedTo) override;

    // A lookup finished: error empty and the address text, or an error text.
    void lookupComplete(int lookupId, const QString& address, const QString& error);
    int currentLookupId() const { return lookupId_; }

    void onLagTick();

Q_SIGNALS:
    void stateChanged(Session::State state);
    void nicknameChanged(const QString& nickname);
    // Every line received from or sent to the server, for the raw data view and log (the
    // ident responder reports its own lines).
    void rawLineRecorded(const QString& line, const QString& direction);
    // A line whose first word after its tags is the server's prefix (numeric replies,
    // server notices); before the prefix is known, every prefixed line with a space. The
    // line comes as received, tags included: ServerLine::parse reads them.
    void serverLineReceived(const QString& line);
    // Any other prefixed line: what other users send, and the server's echo of our own;
    // tags included, which UserLine::parse reads.
    void userLineReceived(const QString& line);
    // The enabled capabilities changed (capabilities().enabled() says which).
    void capabilitiesChanged();
    // A batch opened (its lines follow, their "batch" tag naming it) and closed (the
    // batch is still in batches() while this signal runs).
    void batchOpened(const OpenBatches::Batch& batch);
    void batchClosed(const OpenBatches::Batch& batch);
    // A connection attempt starts (the raw data view starts afresh).
    void connectionAttempted();
    // The link is up and registration starts.
    void linkEstablished();
    // Registration completed; the lag timer has started (the notify list polls now).
    void lagTimerStarted();
    // Every second tick of the lag timer (the notify poll, expiries).
    void everySecondLagTick();
    // Registration completed with the server named label at host, on port.
    void registeredWith(const QString& label, const QString& host, int port);
    void registered();
    // The cleanup has begun: what belongs to the connection (replies half read, pending
    // inquiries) is forgotten now.
    void sessionClosing();
    // The connection is closed and cleaned up; reconnecting() says whether it is tried
    // again. The state becomes Disconnected or WaitingToReconnect right after.
    void sessionClosed();

private:
    void setState(State state);
    void startLookup();
    void attemptConnection(const QString& address);
    void onConnectFinished(bool ok, const QString& error);
    void onReadable();
    void onTimedOut();
    void onPeerDisconnected();
    void onSendOverflow();
    void setCurrentNickname(const QString& nickname);
    void sendQuit();
    // The host's network settings for this attempt: nicknames and the fallback encoding.
    void applyProfile();
    void writeLine(const QByteArray& bytes);
    void startConnecting(const QString& host, int port, const QString& description, bool tls);
    void attemptReconnect();
    void scheduleReconnect();
    bool acceptCertificate(const QString& fingerprint);
    bool onStsOffered(const QString& value);
    void upgradeToTls();
    void askAboutCertificate(const QString& fingerprint, const QString& problems);

    Options& options_;
    LineLog& status_;
    LineLog& serverView_;
    EventSink fireEvent_;
    Prompts& prompts_;

    ClientSocket serverSocket_;
    IdentResponder ident_;
    LineFramer framer_;
    QTimer lagTimer_;
    int lagTimerTicks_ = 0;

    State state_ = State::Disconnected;
    bool linkUp_ = false;
    QString host_;
    QString passwordHost_;
    QString password_;
    int port_ = 0;
    QString portList_; // of the directory entry connected to; empty for a known host
    QString description_;
    bool lookupPending_ = false;
    int lookupId_ = -1; // of the resolver; below -1 for a numeric address
    int nextNumericLookup_ = -2;
    bool applicationClosing_ = false;
    QString currentNickname_;
    QString firstNickname_;
    QString lastNicknameTried_;
    QString serverPrefix_;
    QString lastPong_;
    QString localAddress_;
    bool discardReported_ = false;

    OutboundQueue outbound_;
    ReconnectSchedule reconnect_;
    bool reconnecting_ = false;
    bool registeredByReconnect_ = false;
    bool userEnded_ = false;
    bool tls_ = false;
    QString lastAddress_;
    QString acceptedOnce_;
    CertificateTrust trust_;
    CapNegotiation cap_;
    AccountLookup accountFor_;
    IdentityLookup identityFor_;
    ProfileLookup profileFor_;
    QStringList ownNicknames_; // the network's own list; empty: the User page's
    std::optional<QStringDecoder> fallbackDecoder_;
    StsPolicies* sts_ = nullptr;
    int stsUpgradePort_ = 0; // set while a plain connection is to move to TLS
    OpenBatches batches_;
    QDateTime connectedSince_;
    ServerFeatures features_;
    quint64 labels_ = 0;
    const Clock* clock_;
    std::function<QList<QHostAddress>()> machineAddresses_;
};
