#include "irc/servermessages.h"

#include "core/linelog.h"
#include "core/options.h"
#include "irc/numerics.h"
#include "irc/serverline.h"
#include "irc/session.h"

namespace {
const QString allNicknamesTaken =
    QStringLiteral("All your Nicknames are in use by other users.  Please create a new Nickname.");

bool isAuth(const QString& target)
{
    return target.compare(QStringLiteral("auth"), Qt::CaseInsensitive) == 0;
}

bool isNicknameClash(int numeric)
{
    return numeric == Numeric::ERR_NICKNAMEINUSE || numeric == Numeric::ERR_ERRONEUSNICKNAME;
}
} // namespace

QString ServerMessages::alternativeAfter(const QStringList& nicknames, const QString& nickname)
{
    if (nicknames.isEmpty())
        return nickname;
    const qsizetype at = nicknames.indexOf(nickname);
    if (at < 0 || at == nicknames.size() - 1)
        return nicknames.first();
    return nicknames.at(at + 1);
}

void ServerMessages::servermessage(const QString& line)
{
    bool firstLine = false;
    if (session_.serverPrefix_.isEmpty()) {
        session_.serverPrefix_ = ServerLine::prefixOf(line);
        firstLine = true;
    }
    const std::optional<ServerLine> parsed = ServerLine::parse(line);
    if (!parsed)
        return;
    if (firstLine && handleFirstLine(*parsed))
        return;
    dispatch(*parsed);
}

// Returns true when the first line was consumed here.
bool ServerMessages::handleFirstLine(const ServerLine& line)
{
    if (isAuth(line.target))
        return false;
    const bool clash = isNicknameClash(line.numeric());
    if (line.target == QStringLiteral("*")) {
        // Early notices addressed to "*" are handled like those addressed to AUTH.
        if (!clash)
            return false;
        // The chosen nickname was refused before registration: forget the prefix so the
        // next line is again a first line, and try the next nickname.
        session_.serverPrefix_.clear();
        const QString next =
            alternativeAfter(session_.options_.user.nicknames, session_.lastNicknameTried_);
        if (next == session_.firstNickname_) {
            session_.status_.add(allNicknamesTaken);
            session_.closesession();
            return true;
        }
        session_.status_.add(session_.lastNicknameTried_ +
                             QStringLiteral(" is already in use, trying ") + next +
                             QStringLiteral(" instead..."));
        session_.sendline(QStringLiteral("NICK ") + next);
        session_.lastNicknameTried_ = next;
        return true;
    }
    session_.setCurrentNickname(line.target);
    session_.status_.add(QStringLiteral("You are now ") + line.target + QStringLiteral("."));
    return true;
}

void ServerMessages::dispatch(const ServerLine& line)
{
    if (line.command == QStringLiteral("NOTICE")) {
        session_.serverView_.add(line.parameters);
        return;
    }
    switch (line.numeric()) {
    case Numeric::ERR_NICKNAMEINUSE:
        nicknameInUse(line);
        break;
    case Numeric::RPL_ENDOFMOTD:
        session_.registrationComplete(line.target);
        break;
    default:
        break;
    }
}

void ServerMessages::nicknameInUse(const ServerLine& line)
{
    const qsizetype space = line.parameters.indexOf(u' ');
    if (space < 0)
        return;
    const QString word = line.parameters.left(space);
    if (session_.isRegistered()) {
        session_.status_.add(QStringLiteral("ERROR: ") + word +
                             QStringLiteral(" is already in use."));
        return;
    }
    const QString next = alternativeAfter(session_.options_.user.nicknames, word);
    if (next == session_.firstNickname_) {
        session_.status_.add(QStringLiteral("ERROR: ") + allNicknamesTaken);
        session_.closesession();
        return;
    }
    session_.status_.add(word + QStringLiteral(" is already in use, trying ") + next +
                         QStringLiteral(" instead..."));
    session_.sendline(QStringLiteral("NICK ") + next);
    session_.setCurrentNickname(next);
    session_.lastNicknameTried_ = next;
}
