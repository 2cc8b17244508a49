#pragma once

#include <QString>

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
