#pragma once

#include "irc/openbatches.h"
#include "irc/userline.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>

class Clock;
class Ctcp;
class EventHook;
class EventSlots;
enum class Event;
class FloodGuard;
class LineLog;
class Session;
class WindowRegistry;
struct Options;
struct ChatWindow;

// Handles every line from another user (or from the client itself, echoed by the
// server). It drops ignored and flooding senders, then carries out the command: nick
// lists and window state, lines in the right chat window, answers, and events.
class UserMessages
{
public:
    // A DCC offer or answer inside a CTCP query, with the whole line it came in.
    using DccHandler = std::function<void(const UserLine& line, const QString& body)>;

    UserMessages(Session& session, WindowRegistry& windows, EventHook& events, LineLog& status,
                 Options& options, FloodGuard& gate, Ctcp& ctcp, const Clock& clock);

    void handleUserLine(const QString& line);
    // A batch the server closed: the users a netsplit took are told now, in one line in
    // each channel they left.
    void batchClosed(const OpenBatches::Batch& batch);
    // The server's answer to "MODE #channel" (sent at join): the modes set the window's
    // flags without a word; server names who reports them.
    void applyChannelModes(const QString& channel, const QString& modes, const QString& server);

    void setDccHandler(DccHandler handler) { dccHandler_ = std::move(handler); }
    // Offers a file-server chat to the nickname that said the trigger word.
    void setFileServerStarter(std::function<void(const QString& nick)> start)
    {
        startFileServer_ = std::move(start);
    }
    // Answers a sound request: a message "!" + nickname + " " + file name from sender.
    void
    setSoundRequestHandler(std::function<void(const QString& sender, const QString& text)> answer)
    {
        answerSoundRequest_ = std::move(answer);
    }

    // The server confirmed the user's own join of a channel (its window is open).
    void setOwnJoinHandler(std::function<void(const QString& channel)> joined)
    {
        ownJoin_ = std::move(joined);
    }
    // Says whether a replayed line (history) with this msgid was already shown in the
    // target's window; such a line is not shown again.
    void setReplayShown(std::function<bool(const QString& target, const QString& msgid)> shown)
    {
        replayShown_ = std::move(shown);
    }

private:
    // The server's echo of what the user said (echo-message).
    void ownEcho(const UserLine& m);
    // The line replays what was said before: it is in a history playback batch, or dated
    // before this connection was made.
    bool isHistory(const UserLine& m) const;
    // The line being handled is such a replay.
    bool replaying() const;
    void join(const UserLine& m);
    void part(const UserLine& m);
    void quit(const UserLine& m);
    void nick(const UserLine& m);
    void topic(const UserLine& m);
    void invite(const UserLine& m);
    void kick(const UserLine& m);
    void privmsg(const UserLine& m);
    void notice(const UserLine& m);
    void mode(const UserLine& m);
    void away(const UserLine& m);
    void account(const UserLine& m);
    void changeHost(const UserLine& m);
    void setName(const UserLine& m);
    // The sender's account tag, kept in the nick list of the channel the line went to.
    void noteAccountTag(const UserLine& m);
    // Calls apply with each channel window of the active network.
    void eachChannel(const std::function<void(ChatWindow*)>& apply);
    void applyModes(const QString& channel, const QString& modes, const QString& sender,
                    bool silent);
    void privateMessageToUser(const UserLine& m);
    void answerAway(const UserLine& m);
    bool checkFileServerTrigger(const UserLine& m);
    void checkSoundRequest(const UserLine& m);

    bool isMe(const QString& nick) const;
    void fire(const ChatWindow* window, Event event, const EventSlots& slots);

    Session& session_;
    WindowRegistry& windows_;
    EventHook& events_;
    LineLog& status_;
    Options& options_;
    FloodGuard& gate_;
    Ctcp& ctcp_;
    const Clock& clock_;
    DccHandler dccHandler_;
    std::function<void(const QString&)> ownJoin_;
    std::function<bool(const QString&, const QString&)> replayShown_;
    std::function<void(const QString&)> startFileServer_;
    std::function<void(const QString&, const QString&)> answerSoundRequest_;
    // When each sender last had the away message, so two away clients never answer each
    // other without end.
    QHash<QString, QDateTime> awayAnswered_;
    // The open netsplit batches' quits: batch reference, then channel (lower case) and
    // how many users it lost.
    QHash<QString, QHash<QString, int>> splits_;
};
