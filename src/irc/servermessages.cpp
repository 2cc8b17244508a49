#include "irc/servermessages.h"

#include "core/linelog.h"
#include "core/options.h"
#include "irc/numerics.h"
#include "irc/serverline.h"
#include "irc/session.h"

#include <algorithm>
#include <iterator>

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

// Replies whose parameters are simply shown in the server view.
constexpr int shownReplies[] = {
    Numeric::RPL_WELCOME,   Numeric::RPL_YOURHOST,   Numeric::RPL_CREATED,     Numeric::RPL_MYINFO,
    Numeric::RPL_LUSERME,   Numeric::RPL_LOCALUSERS, Numeric::RPL_GLOBALUSERS, Numeric::RPL_MOTD,
    Numeric::RPL_MOTDSTART, Numeric::RPL_MOTD2,
};

// Error replies turned into status lines. %1 is the first word of the parameters, %2
// all of them. Each needs a space in its parameters.
struct ErrorText
{
    int numeric;
    const char* text;
};

constexpr ErrorText errorTexts[] = {
    {Numeric::ERR_NOSUCHNICK, "ERROR: %1 doesn't exist on this IRC Network."},
    {Numeric::ERR_NOSUCHSERVER, "ERROR: %1 is not a server on this IRC Network."},
    {Numeric::ERR_NOSUCHCHANNEL, "ERROR: %1 does not exist on this IRC Network."},
    {Numeric::ERR_CANNOTSENDTOCHAN, "ERROR:  Cannot send to %1."},
    {Numeric::ERR_TOOMANYCHANNELS,
     "ERROR:  The IRC Server won't allow you to join any more channels."},
    {Numeric::ERR_WASNOSUCHNICK, "ERROR: %1 doesn't exist on this IRC Network."},
    {Numeric::ERR_TOOMANYTARGETS, "ERROR: Duplicate recipients. No message send to %1."},
    {Numeric::ERR_NORECIPIENT, "ERROR: No recipient given for this command: %1"},
    {Numeric::ERR_NOTEXTTOSEND, "ERROR: No text to send"},
    {Numeric::ERR_UNKNOWNCOMMAND, "ERROR: Unknown command: %1"},
    {Numeric::ERR_NOMOTD, "ERROR: Server has no MOTD."},
    {Numeric::ERR_ERRONEUSNICKNAME, "ERROR: %1 cannot be used as a Nickname."},
    {Numeric::ERR_NICKCOLLISION, "ERROR: Server has no MOTD."},
    {Numeric::ERR_NOTONCHANNEL, "ERROR: You're not on %1"},
    {Numeric::ERR_USERONCHANNEL, "ERROR: %2"},
    {Numeric::ERR_KEYSET, "ERROR: %2"},
    {Numeric::ERR_CHANOPRIVSNEEDED, "ERROR: %2"},
    {Numeric::ERR_CHANNELISFULL, "ERROR: Can't Join %1 because it is full."},
    {Numeric::ERR_INVITEONLYCHAN, "ERROR: %1 is Invite-Only.  You can't Join it."},
    {Numeric::ERR_BANNEDFROMCHAN, "ERROR: Can't Join %1.  You're Banned from this Channel."},
    {Numeric::ERR_BADCHANNELKEY, "ERROR: Wrong Channel Password."},
};
// One pass, so a server's text holding "%2" is never expanded again.
QString fillErrorText(const char* pattern, const QString& word, const QString& all)
{
    const QString text = QString::fromLatin1(pattern);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 1 < text.size() &&
            (text.at(i + 1) == u'1' || text.at(i + 1) == u'2')) {
            out += text.at(i + 1) == u'1' ? word : all;
            ++i;
        } else {
            out += text.at(i);
        }
    }
    return out;
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

void ServerMessages::reset()
{
    userCountSummary_.clear();
}

void ServerMessages::showInServerView(const QString& text)
{
    session_.serverView_.add(text);
}

void ServerMessages::dispatch(const ServerLine& line)
{
    if (line.command == QStringLiteral("NOTICE")) {
        showInServerView(line.parameters);
        return;
    }
    const int numeric = line.numeric();
    if (numeric < 0)
        return;
    if (std::find(std::begin(shownReplies), std::end(shownReplies), numeric) !=
        std::end(shownReplies)) {
        showInServerView(line.parameters);
        return;
    }
    switch (numeric) {
    case Numeric::RPL_LUSERCLIENT:
    case Numeric::RPL_LUSEROP:
        userCount(line);
        return;
    case Numeric::RPL_LUSERCHANNELS:
        channelCount(line);
        return;
    case Numeric::RPL_AWAY:
        away(line);
        return;
    case Numeric::ERR_NICKNAMEINUSE:
        nicknameInUse(line);
        return;
    case Numeric::RPL_ENDOFMOTD:
        session_.registrationComplete(line.target);
        return;
    default:
        errorReply(line);
        return;
    }
}

// 251 opens a summary that 252 completes in one status line.
void ServerMessages::userCount(const ServerLine& line)
{
    const QString text = QString(line.parameters).remove(u':');
    if (line.numeric() == Numeric::RPL_LUSERCLIENT) {
        userCountSummary_ = text;
    } else {
        session_.status_.add(userCountSummary_ + QStringLiteral(", ") + text);
    }
    showInServerView(text);
}

void ServerMessages::channelCount(const ServerLine& line)
{
    const QString text = QString(line.parameters).remove(u':');
    const qsizetype space = text.indexOf(u' ');
    if (space < 0) {
        expectedChannelCount_ = 60000;
    } else {
        bool ok = false;
        const int count = text.left(space).toInt(&ok);
        if (ok)
            expectedChannelCount_ = count;
    }
    session_.status_.add(text);
    showInServerView(text);
}

void ServerMessages::away(const ServerLine& line)
{
    const QString& p = line.parameters;
    const qsizetype space = p.indexOf(u' ');
    if (space < 0)
        return;
    // The away text follows the nickname, its space and the ":".
    session_.status_.add(p.left(space) + QStringLiteral(" is AWAY (") + p.mid(space + 2) +
                         QStringLiteral(")"));
}

bool ServerMessages::errorReply(const ServerLine& line)
{
    const int numeric = line.numeric();
    const auto found = std::find_if(std::begin(errorTexts), std::end(errorTexts),
                                    [numeric](const ErrorText& e) { return e.numeric == numeric; });
    if (found == std::end(errorTexts))
        return false;
    const qsizetype space = line.parameters.indexOf(u' ');
    if (space < 0)
        return false;
    session_.status_.add(fillErrorText(found->text, line.parameters.left(space), line.parameters));
    return true;
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
