#pragma once

#include <QString>
#include <QStringList>

// The lines the client sends to the server, one factory for each command. Each returns
// the line's text without CR LF (Session::sendLine encodes, cuts and ends it). Where a
// command's last parameter is free text, it follows " :" even when it is empty or holds
// blanks or a leading colon, so the server always reads it whole.
namespace Outbound {

// "JOIN #chan" or "JOIN #chan key". channel may be a comma list as the user typed it.
QString join(const QString& channel, const QString& key = QString());
// "JOIN #a,#b,#c k1,k2": the keys pair with the first channels, so keyed channels come
// first.
QString join(const QStringList& channels, const QStringList& keys);
QString part(const QString& channel);

QString privmsg(const QString& target, const QString& text);
QString notice(const QString& target, const QString& text);
// A CTCP query ("PRIVMSG" with the body between two 0x01 characters) and its answer
// ("NOTICE").
QString ctcp(const QString& target, const QString& body);
QString ctcpReply(const QString& target, const QString& body);
// "/me": the CTCP ACTION.
QString action(const QString& target, const QString& text);

// "MODE target" asks for the modes; with modes (and an argument, which follows after a
// blank even when empty) it changes them.
QString mode(const QString& target);
QString mode(const QString& target, const QString& modes);
QString mode(const QString& target, const QString& modes, const QString& argument);
QString kick(const QString& channel, const QString& nick, const QString& reason);
// A kick without a reason: the nickname is the last parameter. Written "Kick", which
// servers read as any other spelling of the command.
QString kick(const QString& channel, const QString& nick);
QString topic(const QString& channel, const QString& text);
QString invite(const QString& nick, const QString& channel);

QString whois(const QString& nick);
QString names(const QString& channel);
QString userhost(const QString& nick);
// "ISON a b c"; the caller keeps the line within the byte limit.
QString ison(const QStringList& nicks);
// "MONITOR + a,b" watches nicknames where the server offers MONITOR, "MONITOR - a,b"
// stops; the caller keeps the line within the byte limit.
QString monitor(bool add, const QStringList& nicks);
// The lines of target said after a point: "CHATHISTORY AFTER #chan msgid=abc 200" (or
// "timestamp=2026-...Z"); with no point, the latest lines ("LATEST #chan * 200").
QString chathistoryAfter(const QString& target, const QString& point, int limit);
// "LIST", or "LIST >min,<max" for the channels with that many users.
QString list();
QString list(int minimumUsers, int maximumUsers);

QString nick(const QString& name);
// The server's password, sent before the nickname: "PASS secret" (a password with a space
// or a leading colon goes as the line's text).
QString pass(const QString& password);
// Registration: the user name, two unused words and the real name.
QString user(const QString& userName, const QString& realName);
QString away(const QString& message);
// "AWAY" without a message: back again.
QString away();
QString quit(const QString& message);
QString quit();
// The answer to "PING :token".
QString pong(const QString& token);

} // namespace Outbound
