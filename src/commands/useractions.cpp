#include "commands/useractions.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/formatting.h"
#include "inbound/ctcp.h"
#include "inbound/inquiries.h"
#include "irc/outbound.h"

#include <algorithm>

namespace {
constexpr QChar ctcpDelimiter = QChar(0x01);

bool isChannelWindow(const ChatWindow* window)
{
    return window && window->conversationKind == ConversationKind::Channel;
}

struct ModeToggle
{
    const char* caption;
    char letter;
    bool ChatWindow::*flag;
    const char* settingLine;
    const char* removingLine;
};

const ModeToggle modeToggles[] = {
    {"Secret", 's', &ChatWindow::secret, "*** Trying to make Channel Secret...",
     "*** Trying to remove Secret Mode..."},
    {"Private", 'p', &ChatWindow::privateChannel, "*** Trying to make Channel Private...",
     "*** Trying to remove Private Mode..."},
    {"Moderated", 'm', &ChatWindow::moderated, "*** Trying to make Channel Moderated...",
     "*** Trying to remove Moderated Mode..."},
    {"Invitation Only", 'i', &ChatWindow::inviteOnly,
     "*** Trying to make Channel Invitation Only...",
     "*** Trying to remove Invitation Only Mode..."},
    {"Topic by Ops Only", 't', &ChatWindow::topicByOpsOnly,
     "*** Trying to make Channel Topic by Ops Only...",
     "*** Trying to remove Topic by Ops Only Mode..."},
    {"No Outside Messages", 'n', &ChatWindow::noOutsideMessages,
     "*** Trying to make Channel No Outside Messages...",
     "*** Trying to remove No Outside Messages Mode..."},
};

const ModeToggle* findModeToggle(const QString& caption)
{
    for (const ModeToggle& m : modeToggles) {
        if (caption == QLatin1String(m.caption))
            return &m;
    }
    return nullptr;
}
} // namespace

// Whom a nick-list action touches.
enum class Targets { First, Each, Channel };

struct UserActions::NickActionRow
{
    const char* caption;
    Targets targets;
    bool channelOnly; // makes no sense outside a channel (modes, kicks, bans, names)
    void (*run)(UserActions&, ChatWindow* window, const QString& nick);
};

const std::vector<UserActions::NickActionRow>& UserActions::nickActions()
{
    using A = UserActions;
    static const std::vector<NickActionRow> rows{
        {"Give Ops", Targets::First, true,
         [](A& a, ChatWindow* w, const QString& n) { a.sendChannelMode(w, "+o", n); }},
        {"Remove Ops", Targets::First, true,
         [](A& a, ChatWindow* w, const QString& n) { a.sendChannelMode(w, "-o", n); }},
        {"Give Voice", Targets::First, true,
         [](A& a, ChatWindow* w, const QString& n) { a.sendChannelMode(w, "+v", n); }},
        {"Remove Voice", Targets::First, true,
         [](A& a, ChatWindow* w, const QString& n) { a.sendChannelMode(w, "-v", n); }},
        {"Kick", Targets::First, true, [](A& a, ChatWindow* w, const QString& n) { a.kick(w, n); }},
        {"5 minutes", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ignore", "ignore5"); }},
        {"10 minutes", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ignore", "ignore10"); }},
        {"30 minutes", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ignore", "ignore30"); }},
        {"60 minutes", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ignore", "ignore60"); }},
        {"Permanent", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ignore", "ignorep"); }},
        {"Kick-Ban", Targets::Each, true,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "KickBan", "kickban"); }},
        {"Ban", Targets::Each, true,
         [](A& a, ChatWindow* w, const QString& n) { a.prepareWhois(w, n, "Ban", "ban"); }},
        {"Who Is", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.whoisUser(n, "display", w); }},
        {"Version", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.versionUser(n, "display", w); }},
        {"Ping", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.pingUser(n, "display", w); }},
        {"Time", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) { a.timeUser(n, "display", w); }},
        {"All", Targets::Each, false,
         [](A& a, ChatWindow* w, const QString& n) {
             a.whoisUser(n, "display", w);
             a.timeUser(n, "display", w);
             a.pingUser(n, "display", w);
             a.versionUser(n, "display", w);
         }},
        {"Lookup IP", Targets::First, false,
         [](A& a, ChatWindow* w, const QString& n) { a.lookupAddress(w, n); }},
        {"Private Chat", Targets::Each, false,
         [](A& a, ChatWindow*, const QString& n) { a.windows_.openPrivateChat(n); }},
        {"DCC Chat", Targets::Each, false,
         [](A& a, ChatWindow*, const QString& n) { Q_EMIT a.dccChatRequested(n); }},
        {"Show Ban List", Targets::Channel, true,
         [](A& a, ChatWindow* w, const QString&) { a.showBanList(w); }},
        {"Refresh User List", Targets::Channel, true,
         [](A& a, ChatWindow* w, const QString&) { a.refreshUserList(w); }},
    };
    return rows;
}

UserActions::UserActions(SendLine sendLine, Inquiries& inquiries, WindowRegistry& windows,
                         const Clock& clock, QObject* parent)
    : QObject(parent), sendLine_(std::move(sendLine)), inquiries_(inquiries), windows_(windows),
      clock_(clock)
{
    inquiries_.registerAction(QStringLiteral("kickban"),
                              [this](PendingInquiry& r) { return banFromWhois(r, true); });
    inquiries_.registerAction(QStringLiteral("ban"),
                              [this](PendingInquiry& r) { return banFromWhois(r, false); });
    inquiries_.registerAction(QStringLiteral("getbanlist"),
                              [this](PendingInquiry& r) { return finishBanList(r); });
    // "radar" belongs to the notify list, which registers it itself.
}

void UserActions::request(const QString& kind, const QString& nick, const QString& action,
                          ChatWindow* window, const QString& extra, const QString& line)
{
    inquiries_.startInquiry(kind, action, nick, extra, window ? window->windowName() : QString());
    sendLine_(line);
}

void UserActions::whoisUser(const QString& nick, const QString& action, ChatWindow* window)
{
    // A kick-ban or ban learns its channel from here.
    const QString channel = isChannelWindow(window) ? window->channelName : QString();
    // What the user asked to see goes out labelled where the server answers labels, so
    // its replies find the window that asked even when the same user is asked again.
    if (action == QLatin1String("display") && sendLabeled_) {
        PendingInquiry& record =
            inquiries_.startInquiry(QStringLiteral("whois"), action, nick, channel,
                                    window ? window->windowName() : QString());
        record.label = sendLabeled_(Outbound::whois(nick));
        return;
    }
    request(QStringLiteral("whois"), nick, action, window, channel, Outbound::whois(nick));
}

void UserActions::versionUser(const QString& nick, const QString& action, ChatWindow* window)
{
    request(QStringLiteral("version"), nick, action, window, QString(),
            Outbound::ctcp(nick, QStringLiteral("VERSION")));
}

void UserActions::timeUser(const QString& nick, const QString& action, ChatWindow* window)
{
    request(QStringLiteral("time"), nick, action, window, QString(),
            Outbound::ctcp(nick, QStringLiteral("TIME")));
}

void UserActions::pingUser(const QString& nick, const QString& action, ChatWindow* window)
{
    // The reply echoes the stamp, which finds this inquiry again; the CTCP module
    // measures the lag against the same clock.
    const QString stamp = QString::number(Ctcp::nowStamp(clock_));
    request(QStringLiteral("ping"), nick, action, window, stamp,
            Outbound::ctcp(nick, QStringLiteral("PING ") + stamp));
}

void UserActions::namesChannel(const QString& channel, const QString& action, ChatWindow* window)
{
    request(QStringLiteral("names"), channel, action, window, QString(), Outbound::names(channel));
}

void UserActions::lookupUser(const QString& nick, const QString& action, ChatWindow* window)
{
    request(QStringLiteral("dnsuserhost"), nick, action, window, QString(),
            Outbound::userhost(nick));
}

const UserActions::NickActionRow* UserActions::findNickAction(const QString& caption)
{
    for (const NickActionRow& row : nickActions()) {
        if (caption == QLatin1String(row.caption))
            return &row;
    }
    return nullptr;
}

bool UserActions::isNickAction(const QString& caption)
{
    return findNickAction(caption) != nullptr;
}

QStringList UserActions::targetsIn(const ChatWindow* window, const QStringList& selectedNicks)
{
    if (!window)
        return {};
    if (window->conversationKind == ConversationKind::Channel)
        return selectedNicks;
    return {window->peerNickname};
}

bool UserActions::runNickAction(const QString& caption, ChatWindow* window,
                                const QStringList& nicks)
{
    const NickActionRow* row = findNickAction(caption);
    if (!row)
        return false;
    if (row->channelOnly && !isChannelWindow(window))
        return true;
    switch (row->targets) {
    case Targets::Channel:
        row->run(*this, window, QString());
        break;
    case Targets::First:
        if (!nicks.isEmpty())
            row->run(*this, window, nicks.first());
        break;
    case Targets::Each:
        for (const QString& nick : nicks)
            row->run(*this, window, nick);
        break;
    }
    return true;
}

void UserActions::windowLine(ChatWindow* window, const QString& text)
{
    if (window)
        windows_.addLine(window, text, LineClass::Server);
    else
        windows_.addStatusLine(text);
}

void UserActions::sendChannelMode(ChatWindow* window, const QString& change, const QString& nick)
{
    sendLine_(Outbound::mode(window->channelName, change, nick));
}

void UserActions::kick(ChatWindow* window, const QString& nick)
{
    // KICK names the user before the reason; the nick doubles as the reason.
    sendLine_(Outbound::kick(window->channelName, nick, nick));
}

void UserActions::prepareWhois(ChatWindow* window, const QString& nick, const QString& purpose,
                               const QString& action)
{
    windowLine(window, QStringLiteral("*** Prepping ") + nick + QStringLiteral(" for ") + purpose +
                           QStringLiteral("..."));
    // The host the channel knows (from its names, the user's join or a host change) is
    // taken at once; a whois asks for it otherwise.
    const NickList::Details* known =
        isChannelWindow(window) ? window->nickList.details(nick) : nullptr;
    if (known && !known->userHost.isEmpty()) {
        PendingInquiry& record = inquiries_.startInquiry(QStringLiteral("whois"), action, nick,
                                                         window->channelName, window->windowName());
        record.userHost = known->userHost;
        inquiries_.completeInquiry(&record);
        return;
    }
    whoisUser(nick, action, window);
}

void UserActions::lookupAddress(ChatWindow* window, const QString& nick)
{
    if (inquiries_.lookupPending())
        return;
    lookupUser(nick, QStringLiteral("display"), window);
    windowLine(window, QStringLiteral("- Finding IP Address for ") + nick + QStringLiteral("..."));
}

void UserActions::showBanList(ChatWindow* window)
{
    const QString& channel = window->channelName;
    windowLine(window, QStringLiteral("*** Getting Ban List..."));
    inquiries_.startInquiry(QStringLiteral("banlist"), QStringLiteral("getbanlist"), channel,
                            channel, channel);
    sendLine_(Outbound::mode(channel, QStringLiteral("b")));
}

void UserActions::refreshUserList(ChatWindow* window)
{
    window->nickList.clear();
    sendLine_(Outbound::names(window->channelName));
}

bool UserActions::banFromWhois(PendingInquiry& record, bool alsoKick)
{
    const qsizetype at = record.userHost.indexOf(u'@');
    const QString& channel = record.extra;
    // Without an address or a channel there is nothing to ban; the record waits to expire.
    if (at < 0 || channel.isEmpty())
        return false;
    sendLine_(Outbound::mode(channel, QStringLiteral("+b"),
                             QStringLiteral("*!*") + record.userHost.mid(at)));
    if (alsoKick) {
        sendLine_(Outbound::kick(channel, record.subject, record.subject));
    }
    return true;
}

bool UserActions::finishBanList(PendingInquiry& record)
{
    Q_EMIT banListReady(record.extra, record.banMasks.split(ctcpDelimiter, Qt::SkipEmptyParts));
    return true;
}

QStringList UserActions::modeCaptions()
{
    QStringList captions;
    for (const ModeToggle& m : modeToggles)
        captions << QLatin1String(m.caption);
    return captions;
}

bool UserActions::modeIsSet(const ChatWindow* window, const QString& caption)
{
    const ModeToggle* mode = findModeToggle(caption);
    return mode && window && window->*(mode->flag);
}

bool UserActions::toggleChannelMode(const QString& caption, ChatWindow* window)
{
    const ModeToggle* mode = findModeToggle(caption);
    if (!mode || !isChannelWindow(window))
        return false;
    const bool removing = window->*(mode->flag);
    sendLine_(Outbound::mode(window->channelName,
                             QString(QChar(removing ? u'-' : u'+')) + QLatin1Char(mode->letter)));
    windowLine(window, QLatin1String(removing ? mode->removingLine : mode->settingLine));
    return true;
}

void UserActions::applyTopic(ChatWindow* window, const QString& topic)
{
    const QString trimmed = topic.trimmed();
    if (trimmed.isEmpty() || !isChannelWindow(window))
        return;
    const QString expanded = expandEscapes(trimmed);
    sendLine_(Outbound::topic(window->channelName, expanded));
    windowLine(window,
               QStringLiteral("*** Trying to set Topic to: ") + expanded + QStringLiteral("..."));
}

void UserActions::applyChannelKey(ChatWindow* window, const QString& key)
{
    const QString trimmed = key.trimmed();
    // "+k" without a key is refused by every server; sending it only earns an error.
    if (trimmed.isEmpty() || !isChannelWindow(window))
        return;
    sendLine_(Outbound::mode(window->channelName, QStringLiteral("+k"), trimmed));
    windowLine(window, QStringLiteral("*** Trying to set Channel Password to ") + trimmed +
                           QStringLiteral("..."));
}

void UserActions::removeChannelKey(ChatWindow* window)
{
    if (!isChannelWindow(window))
        return;
    // Servers want a parameter with "-k"; when the key was never seen, any word will do.
    const QString key = window->channelKey.isEmpty() ? QStringLiteral("*") : window->channelKey;
    sendLine_(Outbound::mode(window->channelName, QStringLiteral("-k"), key));
    windowLine(window, QStringLiteral("*** Trying to Remove Channel Password..."));
}

void UserActions::applyUserLimit(ChatWindow* window, int limit)
{
    if (!isChannelWindow(window))
        return;
    const QString number = QString::number(std::clamp(limit, UserLimitMin, UserLimitMax));
    sendLine_(Outbound::mode(window->channelName, QStringLiteral("+l"), number));
    windowLine(window,
               QStringLiteral("*** Trying to set User Limit to ") + number + QStringLiteral("..."));
}

void UserActions::removeUserLimit(ChatWindow* window)
{
    if (!isChannelWindow(window))
        return;
    sendLine_(Outbound::mode(window->channelName, QStringLiteral("-l")));
    windowLine(window, QStringLiteral("***Trying to Remove User Limit."));
}

void UserActions::unban(const QString& channel, const QStringList& masks)
{
    for (const QString& mask : masks)
        sendLine_(Outbound::mode(channel, QStringLiteral("-b"), mask));
}

int UserActions::initialUserLimit(const ChatWindow* window)
{
    const int limit = window && window->userLimitSet ? window->userLimit : 0;
    return limit < UserLimitMin ? UserLimitDefault : std::min(limit, UserLimitMax);
}

QString UserActions::deleteNicknames(QStringList& nicknames, const QStringList& chosen,
                                     const QString& current)
{
    for (const QString& nick : chosen) {
        if (nicknames.size() <= 1)
            break;
        nicknames.removeOne(nick);
    }
    if (nicknames.contains(current))
        return current;
    return nicknames.isEmpty() ? QString() : nicknames.first();
}
