#include "core/event.h"

#include <array>

namespace {
struct EventRow
{
    Event event;
    QStringView name;
    // Empty when the sound list shows the name itself.
    QStringView title = {};
};

// Several events have always been raised under an all lower-case name while the sound list
// shows them in title case.
constexpr std::array<EventRow, eventCount> events{{
    {Event::YouConnecting, u"You Connecting to Server"},
    {Event::YouDisconnecting, u"you disconnecting from server", u"You Disconnecting from Server"},
    {Event::NotifyUserJoined, u"a user on your notify list has joined irc",
     u"A User on your Notify List has Joined IRC"},
    {Event::NotifyUserLeft, u"a user on your notify list has left irc",
     u"A User on your Notify List has Left IRC"},
    {Event::YouJoiningChannel, u"you joining channel", u"You Joining Channel"},
    {Event::YouLeavingChannel, u"you leaving channel", u"You Leaving Channel"},
    {Event::YouKicked, u"you being kicked from channel", u"You Being Kicked from Channel"},
    {Event::UserJoiningChannel, u"a user is joining channel", u"A User is Joining Channel"},
    {Event::UserLeavingChannel, u"a user is leaving channel", u"A User is Leaving Channel"},
    {Event::UserKicked, u"a user is kicked from channel", u"A User is Kicked from Channel"},
    {Event::UserQuitting, u"a user is quitting irc", u"A User is Quitting IRC"},
    {Event::YouInvited, u"you receiving invitation to join a channel",
     u"You Receiving Invitation to Join a Channel"},
    {Event::YouOpped, u"You are Promoted to Channel Operator"},
    {Event::YouDeopped, u"You are No longer Channel Operator"},
    {Event::YouVoiced, u"You are Promoted to Channel Voice"},
    {Event::YouDevoiced, u"You are No longer Channel Voice"},
    {Event::UserOpped, u"A User is Promoted to Channel Operator"},
    {Event::UserDeopped, u"A User is No longer Channel Operator"},
    {Event::UserVoiced, u"A User is Promoted to Channel Voice"},
    {Event::UserDevoiced, u"A User is No longer Channel Voice"},
    {Event::Banned, u"Someone being Banned"},
    {Event::Unbanned, u"Someone being UnBanned"},
    {Event::YouChangingNick, u"You Changing Nickname"},
    {Event::UserChangingNick, u"A User is Changing Nickname"},
    {Event::PrivateChatRequest, u"A User is Requesting a Private Chat"},
    {Event::InboundMessage, u"Inbound Message"},
    {Event::InboundAction, u"Inbound Action"},
    {Event::YouSendingMessage, u"You Sending Message"},
    {Event::DccChatRequest, u"A User is Requesting a DCC Chat"},
    {Event::FileReceiveRequest, u"Inbound DCC File Transfer Request"},
    {Event::FileReceiveFinished, u"Inbound DCC File Transfer Finish"},
    {Event::FileSendFinished, u"Outbound DCC File Transfer Finish"},
    {Event::Flooded, u"You are being Flooded"},
    {Event::TopicChanged, u"Channel Topic has Changed"},
    {Event::ModeChanged, u"Channel Mode has Changed"},

    {Event::ChannelNotice, u"Channel Notice"},
    {Event::ChannelModerated, u"Channel now Moderated"},
    {Event::InboundVersion, u"Inbound VERSION"},
    {Event::InboundTime, u"Inbound TIME"},
    {Event::InboundPing, u"Inbound PING"},
    {Event::InboundSound, u"Inbound SOUND"},
    {Event::VersionReply, u"Response to my VERSION"},
    {Event::TimeReply, u"Response to my TIME"},
    {Event::PingReply, u"Response to my PING"},
    {Event::WhoisReply, u"Response to my WHOIS"},
    {Event::DnsReply, u"Response to my dns"},
    {Event::InitialTopic, u"Initial TOPIC"},
    {Event::BanlistReceived, u"Received Banlist"},
    {Event::IgnoringUser, u"Ignoring User"},
    {Event::UserUnignored, u"User UnIgnored"},
    {Event::DccChatTerminated, u"DCC Chat has been terminated"},
    {Event::FileReceiveStarted, u"Receiving File from User"},
    {Event::FileReceiveError, u"Error Receiving File"},
    {Event::FileSendStarted, u"Sending File to User"},
    {Event::FileSent, u"File Sent"},
    {Event::FileSendError, u"Error Sending File"},
}};

// Rows are found by the event's value, so each row must sit at its event's place.
constexpr bool inEventOrder()
{
    for (int i = 0; i < eventCount; ++i) {
        if (events[i].event != Event(i))
            return false;
    }
    return true;
}
static_assert(inEventOrder(), "the event table must list the events in their declared order");

const EventRow& row(Event event)
{
    return events[std::size_t(event)];
}

// The table's texts live for the whole run, so a name is handed out without a copy.
QString staticText(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}
} // namespace

QString eventName(Event event)
{
    return staticText(row(event).name);
}

QString eventTitle(Event event)
{
    const EventRow& r = row(event);
    return staticText(r.title.isEmpty() ? r.name : r.title);
}

std::optional<Event> eventNamed(QStringView name)
{
    for (const EventRow& r : events) {
        if (r.name == name)
            return r.event;
    }
    return std::nullopt;
}
