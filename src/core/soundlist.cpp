#include "core/soundlist.h"

#include <QStringView>

namespace {
struct SoundRow
{
    QStringView caption;
    bool interrupts;
};

// "as Left" is the row's historical spelling; event names are matched against it.
constexpr std::array<SoundRow, SoundList::rowCount> rows{{
    {u"You Connecting to Server", true},
    {u"You Disconnecting from Server", true},
    {u"A User on your Notify List has Joined IRC", false},
    {u"A User on your Notify List as Left IRC", false},
    {u"You Joining Channel", true},
    {u"You Leaving Channel", true},
    {u"You Being Kicked from Channel", true},
    {u"A User is Joining Channel", false},
    {u"A User is Leaving Channel", false},
    {u"A User is Kicked from Channel", false},
    {u"A User is Quitting IRC", false},
    {u"You Receiving Invitation to Join a Channel", false},
    {u"You are Promoted to Channel Operator", true},
    {u"You are No longer Channel Operator", false},
    {u"You are Promoted to Channel Voice", false},
    {u"You are No longer Channel Voice", false},
    {u"A User is Promoted to Channel Operator", false},
    {u"A User is No longer Channel Operator", false},
    {u"A User is Promoted to Channel Voice", false},
    {u"A User is No longer Channel Voice", false},
    {u"Someone being Banned", false},
    {u"Someone being UnBanned", false},
    {u"You Changing Nickname", true},
    {u"A User is Changing Nickname", false},
    {u"A User is Requesting a Private Chat", true},
    {u"Inbound Message", false},
    {u"Inbound Action", false},
    {u"You Sending Message", false},
    {u"A User is Requesting a DCC Chat", true},
    {u"Inbound DCC File Transfer Request", false},
    {u"Inbound DCC File Transfer Finish", false},
    {u"Outbound DCC File Transfer Finish", false},
    {u"You are being Flooded", true},
    {u"Channel Topic has Changed", false},
    {u"Channel Mode has Changed", false},
}};
} // namespace

QString SoundList::caption(int row)
{
    return rows.at(row).caption.toString();
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
