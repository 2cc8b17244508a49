#pragma once

#include "irc/capnegotiation.h"
#include "irc/clientsocket.h"
#include "irc/identresponder.h"
#include "irc/lineframer.h"
#include "irc/outboundqueue.h"
#include "irc/reconnectschedule.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class Clock;
class LineLog;
class Prompts;
struct Options;

// The one IRC session: host and port, lookup, connection, registration, routing of every
// received line, PING, ERROR, quitting and the cleanup after every kind of disconnect.
// sendLine is the only way anything talks to the server.
class Session : public QObject
{
    Q_OBJECT
public:
    static constexpr int ServerTimeOutSeconds = 60;

    // Raises one of the client's named events ("You Connecting to Server", ...).
    using EventSink = std::function<void(const QString& event)>;

    Session(Options& options, LineLog& status, LineLog& serverView, EventSink fireEvent,
            Prompts& prompts, TimeoutTicker& ticker, QObject* parent = nullptr);
    ~Session() override;

    // What the rest of the client may read.
    QString connectionState() const { return connectionState_; }
    bool isConnected() const { return connectionState_ == connectedText(); }
    // Registration is complete while lagTimer runs.
    bool isRegistered() const { return lagTimer_.isActive(); }
    QString host() const { return host_; }
    int port() const { return port_; }
    QString description() const { return description_; }
    bool lookupPending() const { return lookupPending_; }
    QString currentNickname() const { return currentNickname_; }
    QString firstNickname() const { return firstNickname_; }
    QString lastNicknameTried() const { return lastNicknameTried_; }
    QString serverPrefix() const { return serverPrefix_; }
    QString lastPong() const { return lastPong_; }
    QString localAddress() const { return localAddress_; }
    bool connectEnabled() const { return connectEnabled_; }
    bool disconnectEnabled() const { return disconnectEnabled_; }
    bool applicationClosing() const { return applicationClosing_; }
    void setApplicationClosing(bool closing) { applicationClosing_ = closing; }

    ClientSocket& serverSocket() { return serverSocket_; }
    // Where the lines that carry the server's own prefix go (the numeric replies), and
    // what forgets their state when the session ends; unset, they are dropped.
    void setServerLineHandler(std::function<void(const QString&)> handler,
                              std::function<void()> reset)
    {
        serverLineHandler_ = std::move(handler);
        resetServerLines_ = std::move(reset);
    }
    // What runs on every second tick of lagTimer (the notify poll, expiries).
    void setEverySecondTick(std::function<void()> work) { everySecondTick_ = std::move(work); }
    // The notify list polls once as soon as registration completes, and forgets who was
    // present when the session closes.
    void setNotifyHooks(std::function<void()> firstPoll, std::function<void()> reset)
    {
        firstNotifyPoll_ = std::move(firstPoll);
        resetNotify_ = std::move(reset);
    }
    IdentResponder& ident() { return ident_; }
    QTimer& lagTimer() { return lagTimer_; }

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
    const CapNegotiation& capabilities() const { return cap_; }
    CapNegotiation& capabilities() { return cap_; }
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

    // sendline: encodes, cuts to the line limit and sends; dropped unless connected.
    void sendLine(const QString& line);
    // handleline: one received line, answered (PING, ERROR) or routed by its prefix.
    void handleLine(const QString& line);
    // closesession: the cleanup after every kind of disconnect.
    void endSession();

    void setNickname(const QString& name);
    // The server confirmed a new nickname for the user: it becomes current and joins the
    // user's nickname list.
    void adoptNickname(const QString& name);
    void setInvisible(bool invisible);
    void setAway(bool away);

    // Where lines from other users go (the inbound dispatcher); unset, they are dropped.
    void setUserMessageHandler(std::function<void(const QString&)> handler)
    {
        userMessageHandler_ = std::move(handler);
    }

    // Closes every chat window when the session ends; unset, there are none to close.
    void setChatWindowCloser(std::function<void()> closer)
    {
        chatWindowCloser_ = std::move(closer);
    }
    // Pending inquiries belong to the connection; endSession discards them through this.
    void setInquiryDiscarder(std::function<void()> discard)
    {
        discardInquiries_ = std::move(discard);
    }

    // The raw data facility's part in a session: its view is cleared at every connection
    // attempt, its input enabled once connected, and its log ended when the session closes.
    struct RawDataHooks
    {
        std::function<void()> clearView;
        std::function<void()> enableInput;
        std::function<void()> endLog;
    };
    void setRawDataHooks(RawDataHooks hooks) { rawDataHooks_ = std::move(hooks); }

    // Registration completed: the server (label, host, port used) joins the recent servers.
    void setRegisteredServerRecorder(
        std::function<void(const QString& label, const QString& host, int port)> record)
    {
        recordRegisteredServer_ = std::move(record);
    }

    // Reply 376 (422 from a server without a MOTD): registration is complete. addressedTo
    // is the nickname the reply names.
    void registrationComplete(const QString& addressedTo);

    // A lookup finished: error empty and the address text, or an error text.
    void lookupComplete(int lookupId, const QString& address, const QString& error);
    int currentLookupId() const { return lookupId_; }

    void onLagTimer();

    static QString connectedText() { return QStringLiteral("connected"); }
    static QString disconnectedText() { return QStringLiteral("disconnected"); }

Q_SIGNALS:
    void buttonsChanged(bool connectEnabled, bool disconnectEnabled);
    void nicknameChanged(const QString& nickname);
    // Every line received from or sent to the server, for the raw data view and log (the
    // ident responder reports its own lines).
    void rawLineRecorded(const QString& line, const QString& direction);
    void registered();
    void sessionClosed();

private:
    friend class ServerMessages;

    void startLookup();
    void attemptConnection(const QString& address);
    void onConnectFinished(bool ok, const QString& error);
    void onReadable();
    void onTimedOut();
    void onPeerDisconnected();
    void onSendOverflow();
    void setButtons(bool connectEnabled, bool disconnectEnabled);
    void setCurrentNickname(const QString& nickname);
    void sendQuit();
    void writeLine(const QByteArray& bytes);
    void startConnecting(const QString& host, int port, const QString& description, bool tls);
    void attemptReconnect();
    void scheduleReconnect();
    bool acceptCertificate(const QString& fingerprint);
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
    std::function<void(const QString&)> serverLineHandler_;
    std::function<void()> resetServerLines_;
    std::function<void(const QString&)> userMessageHandler_;
    std::function<void()> chatWindowCloser_;
    std::function<void()> everySecondTick_;
    std::function<void()> discardInquiries_;
    std::function<void()> firstNotifyPoll_;
    std::function<void()> resetNotify_;
    std::function<void(const QString&, const QString&, int)> recordRegisteredServer_;
    RawDataHooks rawDataHooks_;

    QString connectionState_ = disconnectedText();
    QString host_;
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
    bool connectEnabled_ = true;
    bool disconnectEnabled_ = false;
    bool discardReported_ = false;
    bool closingSession_ = false;

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
    std::function<QList<QHostAddress>()> machineAddresses_;
};
