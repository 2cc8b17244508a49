#include "inbound/servermessages.h"

#include "chat/windowregistry.h"
#include "core/formatting.h"
#include "core/linelog.h"
#include "inbound/inquiries.h"
#include "irc/ircnames.h"
#include "irc/numerics.h"
#include "irc/registrationcontrol.h"
#include "irc/serverline.h"
#include "script/eventhook.h"

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

// Replies shown in the server view: their text, which is the trailing parameter (the
// user counts of 265 and 266 say their numbers again there), or, for a reply without one
// (004), the parameters as words.
constexpr int shownReplies[] = {
    Numeric::RPL_WELCOME,   Numeric::RPL_YOURHOST,   Numeric::RPL_CREATED,     Numeric::RPL_MYINFO,
    Numeric::RPL_LUSERME,   Numeric::RPL_LOCALUSERS, Numeric::RPL_GLOBALUSERS, Numeric::RPL_MOTD,
    Numeric::RPL_MOTDSTART, Numeric::RPL_MOTD2,
};

// Error replies turned into status lines. %1 is the first word of the parameters, %2
// all of them as words. Each needs a space in its parameters.
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
    {Numeric::ERR_TOOMANYTARGETS, "ERROR: Duplicate recipients. No message sent to %1."},
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

void ServerMessages::handleServerLine(const QString& line)
{
    bool firstLine = false;
    if (session_.serverPrefix().isEmpty()) {
        session_.setServerPrefix(ServerLine::prefixOf(line));
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
        session_.setServerPrefix(QString());
        const QString next = nicknameAfter(session_.nicknames(), session_.lastNicknameTried());
        if (next == session_.firstNickname()) {
            status_.add(allNicknamesTaken);
            session_.endSession();
            return true;
        }
        status_.add(session_.lastNicknameTried() + QStringLiteral(" is already in use, trying ") +
                    next + QStringLiteral(" instead..."));
        session_.tryNickname(next);
        return true;
    }
    session_.useNickname(line.target);
    status_.add(QStringLiteral("You are now ") + line.target + QStringLiteral("."));
    return true;
}

void ServerMessages::reset()
{
    userCountSummary_.clear();
}

void ServerMessages::showInServerView(const QString& text)
{
    serverView_.add(text);
}

void ServerMessages::dispatch(const ServerLine& line)
{
    if (line.command == QStringLiteral("NOTICE")) {
        showInServerView(line.words());
        return;
    }
    const int numeric = line.numeric();
    if (numeric < 0)
        return;
    if (std::find(std::begin(shownReplies), std::end(shownReplies), numeric) !=
        std::end(shownReplies)) {
        showInServerView(line.trailingAt < 0 ? line.words() : line.trailing());
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
    case Numeric::RPL_USERHOST:
        userHost(line);
        return;
    case Numeric::RPL_ISON:
        if (targets_.ison)
            targets_.ison(line.parameters);
        return;
    case Numeric::RPL_MONONLINE:
    case Numeric::RPL_MONOFFLINE:
    case Numeric::RPL_MONLIST:
    case Numeric::RPL_ENDOFMONLIST:
    case Numeric::ERR_MONLISTFULL:
        if (targets_.monitor)
            targets_.monitor(numeric, line.parameters);
        return;
    case Numeric::RPL_WHOISUSER:
    case Numeric::RPL_WHOISSERVER:
    case Numeric::RPL_WHOISOPERATOR:
    case Numeric::RPL_WHOISIDLE:
    case Numeric::RPL_ENDOFWHOIS:
    case Numeric::RPL_WHOISCHANNELS:
    case Numeric::RPL_WHOISACCOUNT:
        whois(line);
        return;
    case Numeric::RPL_LISTSTART:
    case Numeric::RPL_LIST:
    case Numeric::RPL_LISTEND:
    case Numeric::RPL_LISTSERVERDENIED:
        if (numeric == Numeric::RPL_LISTSERVERDENIED)
            status_.add(QStringLiteral(
                "Unable to get Channel List.  Enable 'Special Processing' then try again."));
        if (targets_.channelList)
            targets_.channelList(numeric, line.parameters);
        return;
    case Numeric::RPL_CHANNELMODEIS:
        channelModes(line);
        return;
    case Numeric::RPL_TOPIC:
        topic(line);
        return;
    case Numeric::RPL_NAMREPLY:
        names(line);
        return;
    case Numeric::RPL_ENDOFNAMES:
        endOfNames(line);
        return;
    case Numeric::RPL_BANLIST:
    case Numeric::RPL_ENDOFBANLIST:
        banList(line);
        return;
    case Numeric::ERR_NICKNAMEINUSE:
        nicknameInUse(line);
        return;
    case Numeric::RPL_ENDOFMOTD:
        session_.registrationComplete(line.target);
        return;
    case Numeric::ERR_NOMOTD:
        // A server without a message of the day ends it with this instead of 376; a later
        // one (the user asked for the MOTD) only says so.
        errorReply(line);
        if (!session_.isRegistered())
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
    const QString text = line.words();
    if (line.numeric() == Numeric::RPL_LUSERCLIENT) {
        userCountSummary_ = text;
    } else {
        status_.add(userCountSummary_ + QStringLiteral(", ") + text);
    }
    showInServerView(text);
}

void ServerMessages::channelCount(const ServerLine& line)
{
    const QString text = line.words();
    const qsizetype space = text.indexOf(u' ');
    if (space < 0) {
        expectedChannelCount_ = 60000;
    } else {
        bool ok = false;
        const int count = text.left(space).toInt(&ok);
        if (ok)
            expectedChannelCount_ = count;
    }
    status_.add(text);
    showInServerView(text);
}

void ServerMessages::away(const ServerLine& line)
{
    const QString p = line.words();
    const qsizetype space = p.indexOf(u' ');
    if (space < 0)
        return;
    status_.add(p.left(space) + QStringLiteral(" is AWAY (") + p.mid(space + 1) +
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
    status_.add(fillErrorText(found->text, line.parameters.left(space), line.words()));
    return true;
}

void ServerMessages::nicknameInUse(const ServerLine& line)
{
    const qsizetype space = line.parameters.indexOf(u' ');
    if (space < 0)
        return;
    const QString word = line.parameters.left(space);
    if (session_.isRegistered()) {
        const QString text =
            QStringLiteral("ERROR: ") + word + QStringLiteral(" is already in use.");
        status_.add(text);
        // The user asked for the nickname from a window, most likely the one shown.
        if (targets_.windows) {
            if (ChatWindow* shown = targets_.windows->picker().selectedChatWindow())
                targets_.windows->addLine(shown, QStringLiteral("*** ") + text, LineClass::Server);
        }
        return;
    }
    const QString next = nicknameAfter(session_.nicknames(), word);
    if (next == session_.firstNickname()) {
        status_.add(QStringLiteral("ERROR: ") + allNicknamesTaken);
        session_.endSession();
        return;
    }
    status_.add(word + QStringLiteral(" is already in use, trying ") + next +
                QStringLiteral(" instead..."));
    session_.tryNickname(next);
    session_.useNickname(next);
}

// --- replies that fill windows and inquiries ------------------------------------------

namespace {
QString firstWord(const QString& text)
{
    const qsizetype space = text.indexOf(u' ');
    return space < 0 ? text : text.left(space);
}

QString afterFirstWord(const QString& text)
{
    const qsizetype space = text.indexOf(u' ');
    return space < 0 ? QString() : text.mid(space + 1);
}

// Where the channel name begins in a NAMES reply: its first "#" or "&", whichever comes
// first (the names after it may carry "&" as a rank sign); -1 when there is neither.
qsizetype channelStart(const QString& parameters)
{
    const qsizetype hash = parameters.indexOf(u'#');
    const qsizetype ampersand = parameters.indexOf(u'&');
    if (hash < 0 || ampersand < 0)
        return std::max(hash, ampersand);
    return std::min(hash, ampersand);
}
} // namespace

void ServerMessages::whois(const ServerLine& line)
{
    if (!targets_.inquiries)
        return;
    const QString& p = line.parameters;
    const QString nick = firstWord(p);
    const QString label = targets_.labelOf ? targets_.labelOf(line.tags) : QString();
    PendingInquiry* record = label.isEmpty() ? nullptr : targets_.inquiries->findLabeled(label);
    if (!record)
        record = targets_.inquiries->findInquiry(QStringLiteral("whois"), nick);
    if (!record)
        return;
    const QStringList words = p.split(u' ');
    switch (line.numeric()) {
    case Numeric::RPL_WHOISUSER:
        if (words.size() >= 3)
            record->userHost = words.at(1) + u'@' + words.at(2);
        // An IPv6 host holds colons: the name is the trailing parameter.
        if (line.trailingAt > 0)
            record->realName = line.trailing().trimmed();
        break;
    case Numeric::RPL_WHOISSERVER: {
        // "nick server :information": the server, its information in brackets.
        const QString server = words.size() >= 2 ? words.at(1) : QString();
        const QString information = line.trailing().trimmed();
        record->server = information.isEmpty() || line.trailingAt <= 0
                             ? afterFirstWord(line.words()).trimmed()
                             : server + QStringLiteral(" (") + information + u')';
        break;
    }
    case Numeric::RPL_WHOISOPERATOR:
        record->ircOperator = QStringLiteral("yes");
        break;
    case Numeric::RPL_WHOISACCOUNT: // "nick account :is logged in as"
        if (words.size() >= 2 && !words.at(1).startsWith(u':'))
            record->account = words.at(1);
        break;
    case Numeric::RPL_WHOISIDLE:
        if (words.size() >= 3) {
            record->idle = words.at(1) + QStringLiteral(" secs.");
            record->signon = words.at(2);
        }
        break;
    case Numeric::RPL_WHOISCHANNELS: {
        const QString list = line.trailingAt > 0 ? line.trailing() : afterFirstWord(line.words());
        record->channels = (record->channels + u' ' + list).trimmed();
        break;
    }
    case Numeric::RPL_ENDOFWHOIS: {
        if (targets_.events)
            targets_.events->fireEvent(Event::WhoisReply,
                                       EventSlots::whois(nick, record->channels, record->signon,
                                                         record->idle, record->ircOperator,
                                                         record->server, record->realName,
                                                         record->userHost));
        targets_.inquiries->completeInquiry(record);
        break;
    }
    default:
        break;
    }
}

// 302: "nick=+user@host" (an IRC operator's nick carries a "*" before the "=").
void ServerMessages::userHost(const ServerLine& line)
{
    if (!targets_.inquiries)
        return;
    const QString& p = line.parameters;
    const qsizetype equals = p.indexOf(u'=');
    const qsizetype at = p.indexOf(u'@');
    if (equals < 0 || at < 0)
        return;
    QString nick = p.left(equals).trimmed();
    if (nick.endsWith(u'*'))
        nick.chop(1);
    PendingInquiry* record = targets_.inquiries->findInquiry(QStringLiteral("dnsuserhost"), nick);
    if (!record)
        return;
    record->userHost = p.mid(at + 1).trimmed();
    targets_.inquiries->completeInquiry(record);
}

// 324: "#channel +modes arguments".
void ServerMessages::channelModes(const ServerLine& line)
{
    if (!targets_.channelModes)
        return;
    QString channel = firstWord(line.parameters);
    QString modes = afterFirstWord(line.parameters);
    if (modes.startsWith(u':'))
        modes.remove(0, 1);
    if (channel.startsWith(u':'))
        channel.remove(0, 1);
    targets_.channelModes(channel, modes, line.prefix.mid(1));
}

void ServerMessages::topic(const ServerLine& line)
{
    if (!targets_.windows)
        return;
    const QString channel = firstWord(line.parameters);
    QString topic = afterFirstWord(line.parameters);
    if (topic.startsWith(u':'))
        topic.remove(0, 1);
    ChatWindow* window = targets_.windows->findChannelWindow(channel);
    if (!window)
        return;
    targets_.windows->setTopic(window, topic);
    if (targets_.events)
        targets_.events->fireEvent(Event::InitialTopic, EventSlots::channelTopic(channel, topic));
}

// 353: "= #channel :@op +voice member", the channel found from its "#" or "&".
void ServerMessages::names(const ServerLine& line)
{
    QString p = line.parameters.trimmed();
    const qsizetype start = channelStart(p);
    if (start < 0)
        return;
    p = p.mid(start);
    const qsizetype split = p.indexOf(QStringLiteral(" :"));
    if (split < 0)
        return;
    const QString channel = p.left(split).trimmed();
    const QString namesText = p.mid(split + 2);
    ChatWindow* window = targets_.windows ? targets_.windows->findChannelWindow(channel) : nullptr;
    if (window) {
        targets_.windows->addNames(window, namesText.split(u' ', Qt::SkipEmptyParts));
        return;
    }
    if (!targets_.inquiries)
        return;
    if (PendingInquiry* record = targets_.inquiries->findInquiry(QStringLiteral("names"), channel))
        record->namesText += u' ' + namesText;
}

void ServerMessages::endOfNames(const ServerLine& line)
{
    const QString& p = line.parameters;
    if (channelStart(p) < 0 || !targets_.inquiries)
        return;
    const qsizetype split = p.indexOf(QStringLiteral(" :"));
    const QString channel = (split < 0 ? p : p.left(split)).trimmed();
    if (PendingInquiry* record = targets_.inquiries->findInquiry(QStringLiteral("names"), channel))
        targets_.inquiries->completeInquiry(record);
}

void ServerMessages::banList(const ServerLine& line)
{
    const QString& p = line.parameters;
    const QString channel = firstWord(p);
    PendingInquiry* record =
        targets_.inquiries ? targets_.inquiries->findInquiry(QStringLiteral("banlist"), channel)
                           : nullptr;
    if (line.numeric() == Numeric::RPL_BANLIST) {
        if (record)
            record->banMasks += firstWord(afterFirstWord(p)) + Formatting::CtcpDelimiter;
        return;
    }
    if (targets_.events)
        targets_.events->fireEvent(Event::BanlistReceived, EventSlots::about(channel));
    if (record)
        targets_.inquiries->completeInquiry(record);
}
