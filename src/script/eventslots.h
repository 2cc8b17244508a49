#pragma once

#include <QString>
#include <QStringList>

#include <array>

// Where the events that script objects react to keep what the objects read.
// UserJoiningChannel, UserLeavingChannel and InboundMessage:
namespace UserInChannelSlot {
inline constexpr int nick = 1;   // who joined, left or spoke
inline constexpr int detail = 7; // the joiner's user and host; the text of a channel message
// The channel. A message in a private chat has the sender's user and host here instead, a
// message on a DCC chat its line.
inline constexpr int channel = 8;
} // namespace UserInChannelSlot
// UserKicked, UserDeopped and YouKicked:
namespace ChannelActionSlot {
inline constexpr int actor = 1; // the kicker or de-opper
inline constexpr int channel = 7;
inline constexpr int target = 8; // the kicked or de-opped nickname; for you, the kick reason
} // namespace ChannelActionSlot

// The eight text slots every event carries, numbered 1 to 8: scripts see them by number.
// A slot an event does not use is empty. Events fill them through the builders below, which
// are the one place that decides which slot holds what; as a rule slot 1 is who or what the
// event is about, slots 2 to 6 belong to WHOIS alone and slots 7 and 8 carry the rest.
class EventSlots
{
public:
    static constexpr int count = 8;

    EventSlots() = default;

    // Slot 1 alone: the channel (YouJoiningChannel, YouLeavingChannel, BanlistReceived),
    // the user (NotifyUserJoined and NotifyUserLeft, DccChatRequest, and InboundSound and
    // DccChatTerminated on a DCC chat), or a text (UserQuitting with the quit message,
    // YouSendingMessage with the line sent).
    static EventSlots about(const QString& subject);
    // A user in a channel: joining (detail: their user and host), leaving, or saying
    // something in it (detail: the text).
    static EventSlots userInChannel(const QString& nick, const QString& channel,
                                    const QString& detail = {});
    // A user and their address: CTCP queries, CTCP replies (detail: the answer), CTCP SOUND
    // (detail: the file name), private messages, ignoring and flooding.
    static EventSlots userFrom(const QString& nick, const QString& address,
                               const QString& detail = {});
    // A user's line outside a channel message: on a DCC chat, an action, a channel notice.
    static EventSlots userSays(const QString& nick, const QString& text);
    // A channel changed by someone: its modes (detail: the mode's nickname or mask), or an
    // invitation to it.
    static EventSlots channelChanged(const QString& channel, const QString& by,
                                     const QString& detail = {});
    static EventSlots channelTopic(const QString& channel, const QString& topic);
    // Someone acting on someone in a channel: kicks and the de-op of another user.
    static EventSlots channelAction(const QString& actor, const QString& channel,
                                    const QString& target);
    static EventSlots nickChanged(const QString& oldNick, const QString& newNick);
    static EventSlots fileTransfer(const QString& nick, const QString& fileName);
    // A host-name lookup the user asked for: its subject and the address found.
    static EventSlots lookup(const QString& subject, const QString& result);
    static EventSlots whois(const QString& nick, const QString& channels, const QString& signon,
                            const QString& idle, const QString& ircOperator, const QString& server,
                            const QString& realName, const QString& userHost);

    const QString& at(int slot) const { return texts_.at(slot - 1); }
    // By number, for the builders above and for code that handles slots as scripts do.
    EventSlots& set(int slot, const QString& text)
    {
        texts_.at(slot - 1) = text;
        return *this;
    }
    QStringList toList() const;

private:
    // The common shape: slot 1, slot 8 and, where the event has one, slot 7.
    static EventSlots outer(const QString& first, const QString& eighth,
                            const QString& seventh = {});

    std::array<QString, count> texts_;
};
