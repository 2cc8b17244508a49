#pragma once

#include "core/linelog.h"
#include "filters/floodguard.h"
#include "inbound/ctcp.h"
#include "inbound/servermessages.h"
#include "inbound/usermessages.h"
#include "irc/session.h"

#include <QObject>

class Clock;
class EventHook;
class IgnoreList;
class Inquiries;
class Prompts;
class SharedSounds;
class TimeoutTicker;
class WindowRegistry;
struct Options;

// One server connection and what belongs to it alone: the session (socket, registration,
// CAP/SASL, reconnect, outbound pacing), the handlers of what its server and its users
// send, its CTCP answer budget and its flood guard. Whatever it handles runs with its
// number active in the window registry, so its lines find its own windows.
class Network : public QObject
{
    Q_OBJECT
public:
    // What every network shares with the others; the client owns it all.
    struct Shared
    {
        Options& options;
        LineLog& status;
        EventHook& events;
        Prompts& prompts;
        TimeoutTicker& ticker;
        const Clock& clock;
        WindowRegistry& windows;
        IgnoreList& ignoreList;
        Inquiries& inquiries;
        SharedSounds& sharedSounds;
    };

    Network(int id, const Shared& shared, QObject* parent = nullptr);

    // The number its windows carry (ChatWindow::network).
    int id() const { return id_; }
    // What the picker calls it: the server's description when the user named it, else the
    // name the server gives itself, else the host; empty before its first connection.
    QString name() const;
    // Whether a name a user wrote (a script object's network) stands for this network: its
    // name, its host or the name its server gives itself, ignoring case.
    bool answersTo(const QString& name) const;
    // The network is (or is becoming, or waits to be again) connected to a server.
    bool inUse() const { return session_.state() != Session::State::Disconnected; }

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    ServerMessages& serverMessages() { return serverMessages_; }
    UserMessages& userMessages() { return userMessages_; }
    Ctcp& ctcp() { return ctcp_; }
    FloodGuard& floodGuard() { return floodGuard_; }
    // Its server's notices and replies; the client shows the current network's.
    LineLog& serverView() { return serverView_; }

    // The channel an irc:// address named, joined once the session registers.
    QString channelToJoin() const { return channelToJoin_; }
    void setChannelToJoin(const QString& channel) { channelToJoin_ = channel; }
    // The channels it had open when the program last ended, joined again once a
    // connection at start registers ("#channel" or "#channel key").
    QStringList channelsToRestore() const { return channelsToRestore_; }
    void setChannelsToRestore(const QStringList& channels) { channelsToRestore_ = channels; }

private:
    int id_;
    WindowRegistry& windows_;
    LineLog serverView_;
    Session session_;
    ServerMessages serverMessages_;
    FloodGuard floodGuard_;
    Ctcp ctcp_;
    UserMessages userMessages_;
    QString channelToJoin_;
    QStringList channelsToRestore_;
};
