#pragma once

#include <QString>
#include <QStringList>

class Session;
struct ServerLine;

// servermessage: the lines that carry the server's own prefix. It learns that prefix,
// adopts the nickname the server reports, rotates through the user's nicknames while the
// chosen one is taken, and completes registration.
class ServerMessages
{
public:
    explicit ServerMessages(Session& session) : session_(session) {}

    void servermessage(const QString& line);

    // The number of channels the server reported (reply 254); sizes the channel list's
    // progress. 0 until a 254 arrives.
    int expectedChannelCount() const { return expectedChannelCount_; }
    void reset();

    // The nickname tried after nickname in the user's (sorted) list, wrapping round.
    static QString alternativeAfter(const QStringList& nicknames, const QString& nickname);

private:
    bool handleFirstLine(const ServerLine& line);
    void dispatch(const ServerLine& line);
    void nicknameInUse(const ServerLine& line);
    void showInServerView(const QString& text);
    void userCount(const ServerLine& line);
    void channelCount(const ServerLine& line);
    void away(const ServerLine& line);
    bool errorReply(const ServerLine& line);

    Session& session_;
    QString userCountSummary_;
    int expectedChannelCount_ = 0;
};
