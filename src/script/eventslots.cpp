#include "script/eventslots.h"

EventSlots EventSlots::outer(const QString& first, const QString& eighth, const QString& seventh)
{
    return EventSlots().set(1, first).set(7, seventh).set(8, eighth);
}

EventSlots EventSlots::about(const QString& subject)
{
    return EventSlots().set(1, subject);
}

EventSlots EventSlots::userInChannel(const QString& nick, const QString& channel,
                                     const QString& detail)
{
    return EventSlots()
        .set(UserInChannelSlot::nick, nick)
        .set(UserInChannelSlot::detail, detail)
        .set(UserInChannelSlot::channel, channel);
}

EventSlots EventSlots::userFrom(const QString& nick, const QString& address, const QString& detail)
{
    return outer(nick, address, detail);
}

EventSlots EventSlots::userSays(const QString& nick, const QString& text)
{
    return outer(nick, text);
}

EventSlots EventSlots::channelChanged(const QString& channel, const QString& by,
                                      const QString& detail)
{
    return outer(channel, by, detail);
}

EventSlots EventSlots::channelTopic(const QString& channel, const QString& topic)
{
    return outer(channel, topic);
}

EventSlots EventSlots::channelAction(const QString& actor, const QString& channel,
                                     const QString& target)
{
    return EventSlots()
        .set(ChannelActionSlot::actor, actor)
        .set(ChannelActionSlot::channel, channel)
        .set(ChannelActionSlot::target, target);
}

EventSlots EventSlots::nickChanged(const QString& oldNick, const QString& newNick)
{
    return outer(oldNick, newNick);
}

EventSlots EventSlots::fileTransfer(const QString& nick, const QString& fileName)
{
    return outer(nick, fileName);
}

EventSlots EventSlots::lookup(const QString& subject, const QString& result)
{
    return outer(subject, result, result);
}

EventSlots EventSlots::whois(const QString& nick, const QString& channels, const QString& signon,
                             const QString& idle, const QString& ircOperator, const QString& server,
                             const QString& realName, const QString& userHost)
{
    return EventSlots()
        .set(1, nick)
        .set(2, channels)
        .set(3, signon)
        .set(4, idle)
        .set(5, ircOperator)
        .set(6, server)
        .set(7, realName)
        .set(8, userHost);
}

QStringList EventSlots::toList() const
{
    return QStringList(texts_.begin(), texts_.end());
}
