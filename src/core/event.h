#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Everything noteworthy the client reports to the event hook, for sounds and script
// objects to react to. The events that have a row in the sound list come first.
enum class Event {
    YouConnecting,
    YouDisconnecting,
    NotifyUserJoined,
    NotifyUserLeft,
    YouJoiningChannel,
    YouLeavingChannel,
    YouKicked,
    UserJoiningChannel,
    UserLeavingChannel,
    UserKicked,
    UserQuitting,
    YouInvited,
    YouOpped,
    YouDeopped,
    YouVoiced,
    YouDevoiced,
    UserOpped,
    UserDeopped,
    UserVoiced,
    UserDevoiced,
    Banned,
    Unbanned,
    YouChangingNick,
    UserChangingNick,
    PrivateChatRequest,
    InboundMessage,
    InboundAction,
    YouSendingMessage,
    DccChatRequest,
    FileReceiveRequest,
    FileReceiveFinished,
    FileSendFinished,
    Flooded,
    TopicChanged,
    ModeChanged,

    ChannelNotice,
    ChannelModerated,
    InboundVersion,
    InboundTime,
    InboundPing,
    InboundSound,
    VersionReply,
    TimeReply,
    PingReply,
    WhoisReply,
    DnsReply,
    InitialTopic,
    BanlistReceived,
    IgnoringUser,
    UserUnignored,
    DccChatTerminated,
    FileReceiveStarted,
    FileReceiveError,
    FileSendStarted,
    FileSent,
    FileSendError,
};

inline constexpr int eventCount = int(Event::FileSendError) + 1;

// The event's name as scripts and the sound list know it, letter case included: sounds
// match it ignoring case, script objects match it exactly.
QString eventName(Event event);
// The label of the event's row in the sound list: the name, in title case where the name
// is all lower case.
QString eventTitle(Event event);
// The event of exactly this name, letter case included.
std::optional<Event> eventNamed(QStringView name);
