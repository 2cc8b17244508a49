#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Clock;
class Inquiries;
class WindowRegistry;
struct PendingInquiry;
struct ChatWindow;

// What the user does to other users and to channels: the requests that wait for a reply
// through the inquiry registry, the actions those replies complete, the nick-list
// actions, the channel mode toggles and the results of the channel dialogs.
class UserActions : public QObject
{
    Q_OBJECT
public:
    using SendLine = std::function<void(const QString&)>;

    UserActions(SendLine sendLine, Inquiries& inquiries, WindowRegistry& windows,
                const Clock& clock, QObject* parent = nullptr);

    // Sends a line with a label its replies return (labeled-response); the label, empty
    // when the line went plainly.
    void setLabeledSender(std::function<QString(const QString&)> send)
    {
        sendLabeled_ = std::move(send);
    }

    // Each starts an inquiry for the reply, then sends its line.
    void whoisUser(const QString& nick, const QString& action, ChatWindow* window);
    void versionUser(const QString& nick, const QString& action, ChatWindow* window);
    void timeUser(const QString& nick, const QString& action, ChatWindow* window);
    void pingUser(const QString& nick, const QString& action, ChatWindow* window);
    void namesChannel(const QString& channel, const QString& action, ChatWindow* window);
    void lookupUser(const QString& nick, const QString& action, ChatWindow* window);

    // The nick-list actions by their menu caption ("Give Ops", "Kick-Ban", "Lookup IP",
    // "Show Ban List" ...). nicks are the selected nicknames without rank letters; each
    // action takes the first of them, each of them, or none, as it needs. False when the
    // caption names no such action.
    bool runNickAction(const QString& caption, ChatWindow* window, const QStringList& nicks);
    static bool isNickAction(const QString& caption);
    // Who a user action in this window is aimed at: the selection in a channel, the
    // partner in a private or DCC chat.
    static QStringList targetsIn(const ChatWindow* window, const QStringList& selectedNicks);

    // The six channel mode entries ("Secret", "Private", "Moderated", "Invitation Only",
    // "Topic by Ops Only", "No Outside Messages").
    static QStringList modeCaptions();
    // Whether the window's channel has the mode a caption names.
    static bool modeIsSet(const ChatWindow* window, const QString& caption);
    // Asks the server to flip the mode; the flag follows only when the server confirms.
    bool toggleChannelMode(const QString& caption, ChatWindow* window);

    // Results of the channel dialogs.
    void applyTopic(ChatWindow* window, const QString& topic);
    void applyChannelKey(ChatWindow* window, const QString& key);
    void removeChannelKey(ChatWindow* window);
    void applyUserLimit(ChatWindow* window, int limit);
    void removeUserLimit(ChatWindow* window);
    void unban(const QString& channel, const QStringList& masks);
    // Where the user-limit dialog starts for this window.
    static int initialUserLimit(const ChatWindow* window);
    static constexpr int UserLimitMin = 1;
    static constexpr int UserLimitMax = 1000;
    static constexpr int UserLimitDefault = 100;

    // "Delete Nickname": removes the chosen entries but never the last one left, and
    // returns the entry that becomes the nickname (the current one when it stayed,
    // else the first).
    static QString deleteNicknames(QStringList& nicknames, const QStringList& chosen,
                                   const QString& current);

Q_SIGNALS:
    // A ban-list reply is complete: the front end shows the masks for unbanning.
    void banListReady(const QString& channel, const QStringList& masks);
    // "DCC Chat" on a user; the DCC chat module makes the offer.
    void dccChatRequested(const QString& nick);

private:
    struct NickActionRow;
    static const std::vector<NickActionRow>& nickActions();
    static const NickActionRow* findNickAction(const QString& caption);

    void request(const QString& kind, const QString& nick, const QString& action,
                 ChatWindow* window, const QString& extra, const QString& line);
    void windowLine(ChatWindow* window, const QString& text);
    void sendChannelMode(ChatWindow* window, const QString& change, const QString& nick);
    void kick(ChatWindow* window, const QString& nick);
    void prepareWhois(ChatWindow* window, const QString& nick, const QString& purpose,
                      const QString& action);
    void lookupAddress(ChatWindow* window, const QString& nick);
    void showBanList(ChatWindow* window);
    void refreshUserList(ChatWindow* window);
    bool banFromWhois(PendingInquiry& record, bool alsoKick);
    bool finishBanList(PendingInquiry& record);

    SendLine sendLine_;
    std::function<QString(const QString&)> sendLabeled_;
    Inquiries& inquiries_;
    WindowRegistry& windows_;
    const Clock& clock_;
};
