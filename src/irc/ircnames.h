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

// A nickname servers accept: a letter or one of []\`_^{|} first, then letters, digits,
// those characters and "-", at most 30 in all.
inline bool isValidNickname(const QString& name)
{
    static const QString special = QStringLiteral("[]\\`_^{|}");
    if (name.isEmpty() || name.size() > 30)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool digitOrDash = (c >= u'0' && c <= u'9') || c == u'-';
        if (!letter && !special.contains(c) && (i == 0 || !digitOrDash))
            return false;
    }
    return true;
}
