#pragma once

#include "dcc/dcccontext.h"
#include "dcc/dccwire.h"
#include "irc/userline.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
struct ChatWindow;

// One established DCC chat: reads the peer's lines into its window and writes the
// user's. The window owns the socket and this session. Other services (the file server)
// ride on a chat through the line hook, which sees every complete line received, and
// sendLine.
class DccChatSession : public QObject
{
    Q_OBJECT
public:
    using LineHook = std::function<void(DccChatSession& chat, const QString& line)>;

    DccChatSession(QTcpSocket& socket, const QString& nick, bool offeredHere, bool forFileServer,
                   quint16 listenPort, const DccContext& context);
    ~DccChatSession() override;

    void attach(ChatWindow* window) { window_ = window; }
    ChatWindow* window() const { return window_; }
    QString peerNickname() const { return nick_; }
    // Offered by this client (it listened) rather than accepted.
    bool offeredHere() const { return offeredHere_; }
    bool forFileServer() const { return forFileServer_; }
    quint16 listenPort() const { return listenPort_; }
    bool isOpen() const;

    void setLineHook(LineHook hook) { lineHook_ = std::move(hook); }
    // While the gate is closed, received lines wait (and so does reading, so TCP slows
    // the peer); whoever closed it calls showWaitingLines when it opens again.
    void setLineGate(std::function<bool()> open) { lineGate_ = std::move(open); }
    // Bytes written to the peer that the connection has not yet sent.
    qint64 bytesToWrite() const;
    // One line to the peer, a line feed appended.
    void sendLine(const QString& line);
    void write(const QByteArray& bytes);

    // A received chat line as the window shows it ("<nick> text", "*nick waves").
    static QString formatLine(const QString& nick, const QString& line,
                              QString* soundFile = nullptr);

    // Lines handled per slice before the rest waits for a queued call, so a flood of
    // lines never stalls the window.
    static constexpr int LinesPerSlice = 50;
    // A line is shown up to this many bytes, cut between two characters; the rest of it
    // is dropped. A peer that never sends a line feed gets its text shown at this bound.
    static constexpr int MaxPartialBytes = 8192;
    static constexpr int MaxLineBytes = MaxPartialBytes;
    // Received bytes read ahead of the lines shown; beyond this the peer waits.
    static constexpr qint64 ReadAheadBytes = 64 * 1024;

    // Works through the received lines that wait; tests call it to drain the queue.
    void showWaitingLines();
    qsizetype waitingLines() const { return qsizetype(waiting_.size()); }
    // Reads what the socket holds; data may arrive before the window is set up.
    void readAvailable() { readText(); }

Q_SIGNALS:
    void terminated(DccChatSession* chat);
    // Some of what was written left for the peer.
    void bytesWritten();

private:
    void readText();
    void queueLine(QByteArray line);
    bool gateOpen() const { return closing_ || !lineGate_ || lineGate_(); }
    void onDisconnected();

    QTcpSocket& socket_;
    QString nick_;
    bool offeredHere_;
    bool forFileServer_;
    quint16 listenPort_;
    const DccContext& context_;
    ChatWindow* window_ = nullptr;
    LineHook lineHook_;
    std::function<bool()> lineGate_;
    QByteArray partial_;
    std::deque<QString> waiting_;
    bool sliceQueued_ = false;
    bool closing_ = false;
    bool skippingLine_ = false; // a line was cut: the bytes up to its line feed go
    bool terminated_ = false;
};

// DCC chat offers both ways: offerDccChat, handleDccChatOffer, acceptDccChat, and the
// pending chats that wait for their connection.
class DccChats : public QObject
{
    Q_OBJECT
public:
    explicit DccChats(const DccContext& context, QObject* parent = nullptr);
    ~DccChats() override;

    // Listens and tells the peer where.
    void offerDccChat(const QString& nick, bool forFileServer = false);
    // A "DCC CHAT chat" CTCP from another user.
    void handleDccChatOffer(const UserLine& line, const QString& body);
    // Connects to an offer.
    void acceptDccChat(const QString& nick, const QString& address, quint16 port);
    // Runs on every second tick of the session's lag timer: offers and connections older than 0.004
    // days go.
    void expirePending();
    // The session ended: offers withdrawn, the prompt's queue emptied.
    void closeAll();

    // The ports of the chats this client listens for, pending or established.
    QList<int> listeningPorts() const;
    qsizetype pendingCount() const { return qsizetype(pending_.size()); }

    static constexpr qint64 PendingLifeMilliseconds = 345600; // 0.004 days

    // Ports held by others that listen for DCC (the outgoing file transfers).
    void setPortsInUse(std::function<QList<int>()> ports) { portsInUse_ = std::move(ports); }

    // The file server's part in a chat offered for it: how many it may run at once, and
    // what it does when its chat connects (the greeting and the line hook).
    void setFileServerUsers(std::function<int()> maxUsers)
    {
        fileServerUsers_ = std::move(maxUsers);
    }
    void setFileServerStarter(std::function<void(DccChatSession&)> start)
    {
        startFileServer_ = std::move(start);
    }

    // The session of a DCC chat window, when it has a live one.
    static DccChatSession* sessionOf(const ChatWindow* window);

private:
    // A chat not yet connected: an offer made here (listening) or an accepted offer
    // (connecting).
    struct Pending
    {
        bool offered = false; // "1": a listening offer; "0": an accepted one connecting
        // The network the offer went out or came in on; its window belongs to it.
        int network = 0;
        QDateTime created;
        QString nick;
        QString address;
        bool forFileServer = false;
        quint16 port = 0;
        // A passive offer made here waits for the peer's answer carrying this token; a
        // passive offer taken listens (server) and answers with the peer's token.
        QString token;
        LaterPtr<QTcpServer> server;
        LaterPtr<QTcpSocket> socket;
    };

    bool hasChatWindow(const QString& nick) const;
    void offerAccepted(Pending* pending);
    void offerConnected(Pending* pending);
    void chatOpened(std::unique_ptr<Pending> pending, QTcpSocket* socket);
    bool answerToPassiveOffer(const QString& nick, const DccWire::ChatOffer& offer);
    void acceptPassive(const QString& nick, const DccWire::ChatOffer& offer);
    void connectPending(std::unique_ptr<Pending> pending);
    std::unique_ptr<Pending> takePending(Pending* pending);
    void openWindow(std::unique_ptr<QTcpSocket> socket, const Pending& pending, bool offeredHere);
    void replayWaitingOffer();

    const DccContext& context_;
    std::vector<std::unique_ptr<Pending>> pending_;
    bool promptOpen_ = false;
    // Offers that came while the prompt was open, handled again after its answer.
    // Offers that came while a question was open, each with the network it came in on.
    struct WaitingOffer
    {
        UserLine line;
        QString body;
        int network = 0;
    };
    std::deque<WaitingOffer> waitingOffers_;
    std::function<int()> fileServerUsers_;
    std::function<void(DccChatSession&)> startFileServer_;
    std::function<QList<int>()> portsInUse_;
};
