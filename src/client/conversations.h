#pragma once

#include <QString>

#include <functional>

class WindowRegistry;
struct ChatWindow;
struct Options;

// The door the widgets take into conversations: joining and leaving, private chats,
// invitations and sound requests. No widget writes a server line or reaches the session;
// what is sent here is made by the factories of irc/outbound.h.
class Conversations
{
public:
    using SendLine = std::function<void(const QString&)>;

    Conversations(SendLine sendLine, WindowRegistry& windows, const Options& options);

    // A channel the user named ("#chan", or "#chan key" from a favourite): a channel
    // already open is only said to be so; else the status line tells of the attempt.
    void join(const QString& channel);
    // A channel picked from the server's channel list: joined at once, with no status line.
    // Either way the window is shown once the server confirms the join.
    void joinListed(const QString& channel);
    // Leaves a channel (saying the leave message first when the user wants it) or closes
    // a chat.
    void leave(ChatWindow* window);
    void openPrivateChat(const QString& nick);
    // Invites nick to channel, both without their blanks, and says so in the status line.
    // False, with nothing sent, when either is empty.
    bool invite(const QString& nick, const QString& channel);
    // Asks owner for a sound file another user named in window: in the channel, or
    // privately when the user keeps sound requests private; the window notes the request.
    void requestSound(ChatWindow& window, const QString& owner, const QString& file);

private:
    SendLine sendLine_;
    WindowRegistry& windows_;
    const Options& options_;
};
