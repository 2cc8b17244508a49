#include "core/soundlist.h"

namespace {
struct SoundRow
{
    Event event;
    bool interrupts;
};

constexpr std::array<SoundRow, SoundList::rowCount> rows{{
    {Event::YouConnecting, true},
    {Event::YouDisconnecting, true},
    {Event::NotifyUserJoined, false},
    {Event::NotifyUserLeft, false},
    {Event::YouJoiningChannel, true},
    {Event::YouLeavingChannel, true},
    {Event::YouKicked, true},
    {Event::UserJoiningChannel, false},
    {Event::UserLeavingChannel, false},
    {Event::UserKicked, false},
    {Event::UserQuitting, false},
    {Event::YouInvited, false},
    {Event::YouOpped, true},
    {Event::YouDeopped, false},
    {Event::YouVoiced, false},
    {Event::YouDevoiced, false},
    {Event::UserOpped, false},
    {Event::UserDeopped, false},
    {Event::UserVoiced, false},
    {Event::UserDevoiced, false},
    {Event::Banned, false},
    {Event::Unbanned, false},
    {Event::YouChangingNick, true},
    {Event::UserChangingNick, false},
    {Event::PrivateChatRequest, true},
    {Event::InboundMessage, false},
    {Event::InboundAction, false},
    {Event::YouSendingMessage, false},
    {Event::DccChatRequest, true},
    {Event::FileReceiveRequest, false},
    {Event::FileReceiveFinished, false},
    {Event::FileSendFinished, false},
    {Event::Flooded, true},
    {Event::TopicChanged, false},
    {Event::ModeChanged, false},
}};
} // namespace

Event SoundList::event(int row)
{
    return rows.at(row).event;
}

QString SoundList::caption(int row)
{
    return eventTitle(event(row));
}

bool SoundList::interrupts(int row)
{
    return rows.at(row).interrupts;
}

QString SoundList::text(int row) const
{
    const SoundEntry& e = entry(row);
    if (e.path.isEmpty())
        return caption(row);
    return caption(row) + QStringLiteral(" - ") + e.path;
}

QString encodeSoundSetting(const SoundEntry& entry)
{
    return (entry.checked ? QStringLiteral("1,") : QStringLiteral("0,")) + entry.path.trimmed();
}

SoundEntry decodeSoundSetting(const QString& value)
{
    return {value.startsWith(u'1'), value.mid(2).trimmed()};
}
