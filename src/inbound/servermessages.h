#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class EventHook;
class Inquiries;
class LineLog;
class MessageTags;
class RegistrationControl;
class WindowRegistry;
struct ServerLine;

// Handles the lines that carry the server's own prefix. It learns that prefix,
// adopts the nickname the server reports, rotates through the user's nicknames while the
// chosen one is taken, and completes registration.
class ServerMessages
{
public:
    // Status lines go to status, the server's notices and replies to serverView.
    ServerMessages(RegistrationControl& session, LineLog& status, LineLog& serverView)
        : session_(session), status_(status), serverView_(serverView)
    {
    }

    // What the replies fill besides the session: windows, inquiries, events, the channel
    // modes reported at join, the channel list and the notify list.
    struct Targets
    {
        WindowRegistry* windows = nullptr;
        Inquiries* inquiries = nullptr;
        EventHook* events = nullptr;
        // A channel's modes (324): channel, mode letters with their arguments, the server.
        std::function<void(const QString& channel, const QString& modes, const QString& server)>
            channelModes;
        // LIST start, row and end (321, 322, 323) and the server's refusal (334).
        std::function<void(int numeric, const QString& parameters)> channelList;
        // The ISON answer for the notify list.
        std::function<void(const QString& parameters)> ison;
        // The label of the command a reply answers (labeled-response); empty for none.
        std::function<QString(const MessageTags& tags)> labelOf;
        // The MONITOR replies for the notify list (730 to 734), with their parameters.
        std::function<void(int numeric, const QString& parameters)> monitor;
    };
    void setTargets(Targets targets) { targets_ = std::move(targets); }

    void handleServerLine(const QString& line);

    // The number of channels the server reported (reply 254); sizes the channel list's
    // progress. 0 until a 254 arrives.
    int expectedChannelCount() const { return expectedChannelCount_; }
    void reset();

private:
    bool handleFirstLine(const ServerLine& line);
    void dispatch(const ServerLine& line);
    void nicknameInUse(const ServerLine& line);
    void showInServerView(const QString& text);
    void userCount(const ServerLine& line);
    void channelCount(const ServerLine& line);
    void away(const ServerLine& line);
    bool errorReply(const ServerLine& line);
    void whois(const ServerLine& line);
    void userHost(const ServerLine& line);
    void names(const ServerLine& line);
    void endOfNames(const ServerLine& line);
    void channelModes(const ServerLine& line);
    void topic(const ServerLine& line);
    void banList(const ServerLine& line);

    RegistrationControl& session_;
    LineLog& status_;
    LineLog& serverView_;
    Targets targets_;
    QString userCountSummary_;
    int expectedChannelCount_ = 0;
};
