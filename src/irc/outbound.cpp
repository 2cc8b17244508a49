#include "irc/outbound.h"

#include "core/formatting.h"

using namespace Qt::StringLiterals;

namespace Outbound {
namespace {
// A command whose last parameter is free text.
QString withText(const QString& command, const QString& target, const QString& text)
{
    return command + u' ' + target + u" :"_s + text;
}

QString ctcpBody(const QString& body)
{
    return Formatting::CtcpDelimiter + body + Formatting::CtcpDelimiter;
}
} // namespace

QString join(const QString& channel, const QString& key)
{
    return join(QStringList{channel}, key.isEmpty() ? QStringList() : QStringList{key});
}

QString join(const QStringList& channels, const QStringList& keys)
{
    QString line = u"JOIN "_s + channels.join(u',');
    if (!keys.isEmpty())
        line += u' ' + keys.join(u',');
    return line;
}

QString part(const QString& channel)
{
    return u"PART :"_s + channel;
}

QString privmsg(const QString& target, const QString& text)
{
    return withText(u"PRIVMSG"_s, target, text);
}

QString notice(const QString& target, const QString& text)
{
    return withText(u"NOTICE"_s, target, text);
}

QString ctcp(const QString& target, const QString& body)
{
    return privmsg(target, ctcpBody(body));
}

QString ctcpReply(const QString& target, const QString& body)
{
    return notice(target, ctcpBody(body));
}

QString action(const QString& target, const QString& text)
{
    return ctcp(target, u"ACTION "_s + text);
}

QString mode(const QString& target)
{
    return u"MODE "_s + target;
}

QString mode(const QString& target, const QString& modes)
{
    return mode(target) + u' ' + modes;
}

QString mode(const QString& target, const QString& modes, const QString& argument)
{
    return mode(target, modes) + u' ' + argument;
}

QString kick(const QString& channel, const QString& nick, const QString& reason)
{
    return withText(u"KICK"_s, channel + u' ' + nick, reason);
}

QString kick(const QString& channel, const QString& nick)
{
    return withText(u"Kick"_s, channel, nick);
}

QString topic(const QString& channel, const QString& text)
{
    return withText(u"TOPIC"_s, channel, text);
}

QString invite(const QString& nick, const QString& channel)
{
    return u"INVITE "_s + nick + u' ' + channel;
}

QString whois(const QString& nick)
{
    return u"WHOIS "_s + nick;
}

QString names(const QString& channel)
{
    return u"NAMES "_s + channel;
}

QString userhost(const QString& nick)
{
    return u"USERHOST "_s + nick;
}

QString ison(const QStringList& nicks)
{
    return u"ISON "_s + nicks.join(u' ');
}

QString monitor(bool add, const QStringList& nicks)
{
    return (add ? u"MONITOR + "_s : u"MONITOR - "_s) + nicks.join(u',');
}

QString chathistoryAfter(const QString& target, const QString& point, int limit)
{
    if (point.isEmpty())
        return u"CHATHISTORY LATEST "_s + target + u" * "_s + QString::number(limit);
    return u"CHATHISTORY AFTER "_s + target + u' ' + point + u' ' + QString::number(limit);
}

QString list()
{
    return u"LIST"_s;
}

QString list(int minimumUsers, int maximumUsers)
{
    return list() + u" >"_s + QString::number(minimumUsers) + u",<"_s +
           QString::number(maximumUsers);
}

QString nick(const QString& name)
{
    return u"NICK "_s + name;
}

QString pass(const QString& password)
{
    if (password.contains(u' ') || password.startsWith(u':'))
        return u"PASS :"_s + password;
    return u"PASS "_s + password;
}

QString user(const QString& userName, const QString& realName)
{
    return withText(u"USER"_s, userName + u" empty empty"_s, realName);
}

QString away(const QString& message)
{
    return u"AWAY :"_s + message;
}

QString away()
{
    return u"AWAY"_s;
}

QString quit(const QString& message)
{
    return u"QUIT :"_s + message;
}

QString quit()
{
    return u"QUIT"_s;
}

QString pong(const QString& token)
{
    return u"PONG :"_s + token;
}

} // namespace Outbound
