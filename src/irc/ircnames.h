#pragma once

#include <QString>
#include <QStringList>

// Whether a message target names a channel rather than a user. Both "#" and "&"
// channels are channels.
inline bool isChannelName(const QString& target)
{
    return target.startsWith(u'#') || target.startsWith(u'&');
}

// Nicknames and channel names are compared without regard to letter case.
inline bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The nickname tried after nickname in the user's (sorted) list, wrapping round.
inline QString nicknameAfter(const QStringList& nicknames, const QString& nickname)
{
    if (nicknames.isEmpty())
        return nickname;
    const qsizetype at = nicknames.indexOf(nickname);
    if (at < 0 || at == nicknames.size() - 1)
        return nicknames.first();
    return nicknames.at(at + 1);
}
