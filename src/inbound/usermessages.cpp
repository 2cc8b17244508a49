#include "inbound/usermessages.h"

#include "chat/windowregistry.h"
#include "core/clock.h"
#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "fileserver/fileserver.h"
#include "filters/floodguard.h"
#include "inbound/ctcp.h"
#include "inbound/modechanges.h"
#include "irc/ircnames.h"
#include "irc/openbatches.h"
#include "irc/outbound.h"
#include "irc/session.h"
#include "script/eventhook.h"

namespace {
constexpr int AwayAnswerIntervalSeconds = 60;

bool isCtcp(const QString& rest)
{
    return rest.size() >= 2 && rest.startsWith(Formatting::CtcpDelimiter) &&
           rest.endsWith(Formatting::CtcpDelimiter);
}

QString ctcpBody(const QString& rest)
{
    return rest.mid(1, rest.size() - 2);
}

bool inNickList(const ChatWindow* window, const QString& nick)
{
    return window->nickList.indexOf(nick) >= 0;
}

// The parameters after the command as one text: "AWAY :gone to lunch" gives "gone to
// lunch", "SETNAME :Joe Bloggs" gives "Joe Bloggs".
QString parametersText(const UserLine& m)
{
    QString text = m.rest.isEmpty() ? m.target : m.target + u' ' + m.rest;
    if (text.startsWith(u':'))
        text.remove(0, 1);
    return text;
}

// An account name as the server says it: "*" for none.
QString accountName(const QString& word)
{
    return word == QLatin1String("*") ? QString() : word;
}
} // namespace

UserMessages::UserMessages(Session& session, WindowRegistry& windows, EventHook& events,
                           LineLog& status, Options& options, FloodGuard& gate, Ctcp& ctcp,
                           const Clock& clock)
    : session_(session), windows_(windows), events_(events), status_(status), options_(options),
      gate_(gate), ctcp_(ctcp), clock_(clock)
{
    // Names replies are read with every rank and with the hosts, and invitations of others
    // are told apart from the user's own.
    for (const char* capability : {"multi-prefix", "userhost-in-names", "invite-notify"})
        session_.capabilities().want(QLatin1String(capability));
}

bool UserMessages::isMe(const QString& nick) const
{
    return sameName(nick, session_.currentNickname());
}

void UserMessages::fire(const ChatWindow* window, Event event, const EventSlots& slots)
{
    events_.fireEvent(window, event, slots);
}

void UserMessages::handleUserLine(const QString& line)
{
    const std::optional<UserLine> parsed = UserLine::parse(line);
    if (!parsed)
        return;
    const UserLine& m = *parsed;
    // Only a return from away comes without a parameter.
    if (m.target.isEmpty() && m.command != QLatin1String("AWAY"))
        return;
    const bool history = isHistory(m);
    if (gate_.shouldDrop(m.command, m.target, m.sender, m.address, history))
        return;
    // Replayed joins, parts and mode changes tell who was there then, not who is now;
    // what was said is shown, with its time, and answers nothing.
    if (history && m.command != QLatin1String("PRIVMSG") && m.command != QLatin1String("NOTICE"))
        return;
    if (history && replayShown_ && !m.tags.msgid().isEmpty() &&
        replayShown_(m.target, m.tags.msgid()))
        return;
    const WindowRegistry::InboundScope inbound(windows_, {m.tags.time(), m.tags.msgid(), history});
    const EventHook::Hush hush(events_, history);
    if (!history &&
        (m.command == QLatin1String("PRIVMSG") || m.command == QLatin1String("NOTICE")) &&
        isMe(m.sender) && session_.capabilities().isEnabled(QStringLiteral("echo-message"))) {
        ownEcho(m);
        return;
    }

    using Handler = void (UserMessages::*)(const UserLine&);
    struct Command
    {
        const char* word;
        Handler handler;
    };
    static constexpr Command commands[] = {
        {"PRIVMSG", &UserMessages::privmsg},    {"NOTICE", &UserMessages::notice},
        {"JOIN", &UserMessages::join},          {"PART", &UserMessages::part},
        {"QUIT", &UserMessages::quit},          {"NICK", &UserMessages::nick},
        {"MODE", &UserMessages::mode},          {"TOPIC", &UserMessages::topic},
        {"KICK", &UserMessages::kick},          {"INVITE", &UserMessages::invite},
        {"AWAY", &UserMessages::away},          {"ACCOUNT", &UserMessages::account},
        {"CHGHOST", &UserMessages::changeHost}, {"SETNAME", &UserMessages::setName},
    };
    if (!history && !m.tags.account().isEmpty())
        noteAccountTag(m);
    for (const Command& c : commands) {
        if (m.command == QLatin1String(c.word)) {
            (this->*c.handler)(m);
            return;
        }
    }
}

bool UserMessages::isHistory(const UserLine& m) const
{
    const OpenBatches& batches = session_.batches();
    if (batches.within(m.tags, u"chathistory") || batches.within(m.tags, u"znc.in/playback"))
        return true;
    // A bouncer that plays its buffer back without a batch still dates each line.
    const QDateTime time = m.tags.time();
    const QDateTime since = session_.connectedSince();
    return time.isValid() && since.isValid() && time < since;
}

// --- membership ----------------------------------------------------------------------

void UserMessages::join(const UserLine& m)
{
    const QString channel = m.target;
    if (channel.isEmpty())
        return;
    if (isMe(m.sender)) {
        fire(nullptr, Event::YouJoiningChannel, EventSlots::about(channel));
        status_.add(QStringLiteral("Joined ") + channel);
        // A second echo of the same join must not open a second window; a window kept
        // from a lost connection is joined again.
        if (ChatWindow* kept = windows_.findChannelWindow(channel))
            windows_.reconnectWindow(kept);
        else
            windows_.createChannelWindow(channel);
        session_.sendLine(Outbound::mode(channel));
        if (ownJoin_)
            ownJoin_(channel);
        return;
    }
    ChatWindow* window = windows_.findChannelWindow(channel);
    if (!window || inNickList(window, m.sender))
        return;
    windows_.addMember(window, m.sender);
    NickList& nicks = window->nickList;
    nicks.setUserHost(m.sender, m.address);
    // An extended join names the account ("*" for none) and the real name.
    if (!m.rest.isEmpty()) {
        const qsizetype space = m.rest.indexOf(u' ');
        nicks.setAccount(m.sender, accountName(space < 0 ? m.rest : m.rest.left(space)));
        if (space >= 0) {
            QString realName = m.rest.mid(space + 1).trimmed();
            if (realName.startsWith(u':'))
                realName.remove(0, 1);
            nicks.setRealName(m.sender, realName);
        }
    }
    if (!m.tags.account().isEmpty())
        nicks.setAccount(m.sender, m.tags.account());
    if (!window->hideJoins)
        windows_.addLine(window,
                         QStringLiteral("*** ") + m.sender + QStringLiteral(" (") + m.address +
                             QStringLiteral(") has Joined the Channel."),
                         LineClass::Server);
    fire(window, Event::UserJoiningChannel,
         EventSlots::userInChannel(m.sender, channel, m.address));
}

void UserMessages::part(const UserLine& m)
{
    // The user's own leaving was carried out when the user asked for it.
    if (isMe(m.sender))
        return;
    ChatWindow* window = windows_.findChannelWindow(m.target);
    if (!window || !inNickList(window, m.sender))
        return;
    windows_.removeMember(window, m.sender);
    if (window->hideParts)
        return;
    windows_.addLine(window,
                     QStringLiteral("*** ") + m.sender + QStringLiteral(" has Left the Channel."),
                     LineClass::Server);
    fire(window, Event::UserLeavingChannel, EventSlots::userInChannel(m.sender, m.target));
}

void UserMessages::quit(const UserLine& m)
{
    QString reason = m.rest.isEmpty() ? m.target : m.target + u' ' + m.rest;
    if (reason.startsWith(u':'))
        reason.remove(0, 1);
    const QString line =
        QStringLiteral("*** ") + m.sender + QStringLiteral(" has Quit IRC (") + reason + u')';
    // The quits of a netsplit are counted per channel and told when its batch closes.
    const OpenBatches::Batch* batch = session_.batches().batchOf(m.tags);
    QHash<QString, int>* split = nullptr;
    if (batch && batch->type == QLatin1String("netsplit") &&
        (splits_.contains(batch->reference) || splits_.size() < OpenBatches::MaxOpen))
        split = &splits_[batch->reference];
    const int network = windows_.activeNetwork();
    for (qsizetype i = 0; i < windows_.count(); ++i) {
        ChatWindow* window = windows_.at(i);
        if (window->network != network)
            continue;
        if (window->conversationKind == ConversationKind::Channel) {
            if (!inNickList(window, m.sender))
                continue;
            windows_.removeMember(window, m.sender);
            if (window->hideQuits)
                continue;
            if (split) {
                ++(*split)[window->channelName.toLower()];
                continue;
            }
            windows_.addLine(window, line, LineClass::Server);
            fire(nullptr, Event::UserQuitting, EventSlots::about(reason));
        } else if (window->isChat() && sameName(window->peerNickname, m.sender)) {
            windows_.addLine(window, line, LineClass::Server);
        }
    }
}

void UserMessages::batchClosed(const OpenBatches::Batch& batch)
{
    const QHash<QString, int> lost = splits_.take(batch.reference);
    for (auto it = lost.cbegin(); it != lost.cend(); ++it) {
        ChatWindow* window = windows_.findChannelWindow(it.key());
        if (!window)
            continue;
        const QString split = QStringLiteral("Netsplit: ") + batch.parameters.join(u' ');
        const QString users =
            it.value() == 1 ? QStringLiteral(" user)") : QStringLiteral(" users)");
        windows_.addLine(window,
                         QStringLiteral("*** ") + split + QStringLiteral(" (") +
                             QString::number(it.value()) + users,
                         LineClass::Server);
        fire(window, Event::UserQuitting, EventSlots::about(split));
    }
}

void UserMessages::nick(const UserLine& m)
{
    const QString oldNick = m.sender;
    const QString newNick = m.target;
    if (newNick.isEmpty())
        return;
    const bool mine = isMe(oldNick);
    const EventSlots slots = EventSlots::nickChanged(oldNick, newNick);
    if (mine) {
        status_.add(QStringLiteral("You are now ") + newNick + u'.');
        fire(nullptr, Event::YouChangingNick, slots);
    } else {
        fire(nullptr, Event::UserChangingNick, slots);
    }

    const QString line =
        QStringLiteral("*** ") + oldNick + QStringLiteral(" is now ") + newNick + u'.';
    bool relabelled = false;
    const int network = windows_.activeNetwork();
    for (qsizetype i = 0; i < windows_.count(); ++i) {
        ChatWindow* window = windows_.at(i);
        if (window->network != network)
            continue;
        if (window->conversationKind == ConversationKind::Channel) {
            if (!inNickList(window, oldNick))
                continue;
            windows_.renameMember(window, oldNick, newNick);
            windows_.addLine(window, line, LineClass::Server);
        } else if (window->isChat()) {
            if (sameName(window->peerNickname, oldNick)) {
                windows_.addLine(window, line, LineClass::Server);
                window->peerNickname = newNick;
                window->label = newNick;
                relabelled = true;
            } else if (mine) {
                windows_.addLine(window, line, LineClass::Server);
            }
        }
    }
    if (relabelled)
        Q_EMIT windows_.pickerChanged();
    if (mine)
        session_.adoptNickname(newNick);
}

void UserMessages::topic(const UserLine& m)
{
    ChatWindow* window = windows_.findChannelWindow(m.target);
    if (!window)
        return;
    windows_.setTopic(window, m.rest);
    windows_.addLine(window, QStringLiteral("TOPIC by ") + m.sender + QStringLiteral(": ") + m.rest,
                     LineClass::Server);
    fire(window, Event::TopicChanged, EventSlots::channelTopic(window->channelName, m.rest));
}

void UserMessages::invite(const UserLine& m)
{
    const QString channel = m.rest;
    // Someone else invited to a channel the user is in: told in that channel.
    if (!m.target.isEmpty() && !isMe(m.target)) {
        if (ChatWindow* window = windows_.findChannelWindow(channel))
            windows_.addLine(window,
                             QStringLiteral("*** ") + m.sender + QStringLiteral(" has Invited ") +
                                 m.target + QStringLiteral(" to ") + window->channelName + u'.',
                             LineClass::Server);
        return;
    }
    fire(nullptr, Event::YouInvited, EventSlots::channelChanged(channel, m.sender));
    status_.add(m.sender + QStringLiteral(" has Invited you to ") + channel + u'.');
    // Only a single channel name is joined: "0" or a list would make the invitation
    // part every channel or join several.
    const bool plainChannel =
        isChannelName(channel) && !channel.contains(u' ') && !channel.contains(u',');
    if (options_.connection.autoJoinOnInvite && plainChannel) {
        session_.sendLine(Outbound::join(channel));
        status_.add(QStringLiteral("Trying to Join ") + channel + u'.');
    }
}

void UserMessages::kick(const UserLine& m)
{
    const qsizetype space = m.rest.indexOf(u' ');
    if (space < 0)
        return;
    const QString channel = m.target;
    const QString kicker = m.sender;
    const QString victim = m.rest.left(space);
    QStringView reasonView = QStringView(m.rest).mid(space + 1);
    if (reasonView.startsWith(u':'))
        reasonView = reasonView.mid(1);
    const QString reason = reasonView.trimmed().toString();
    const bool reasonIsKicker = sameName(reason, kicker);

    if (isMe(victim)) {
        fire(nullptr, Event::YouKicked, EventSlots::channelAction(kicker, channel, reason));
        QString text =
            QStringLiteral("You were Kicked from ") + channel + QStringLiteral(" by ") + kicker;
        text += reasonIsKicker
                    ? QStringLiteral(".")
                    : QStringLiteral(" (") + stripFormatting(reason) + QStringLiteral(").");
        status_.add(text);
        windows_.closeChannelWindow(channel);
        return;
    }
    ChatWindow* window = windows_.findChannelWindow(channel);
    if (!window || !inNickList(window, victim))
        return;
    windows_.removeMember(window, victim);
    QString text =
        QStringLiteral("*** ") + victim + QStringLiteral(" has been Kicked by ") + kicker;
    text += reasonIsKicker ? QStringLiteral(".")
                           : QStringLiteral(" (") + reason + Formatting::Plain + u')';
    windows_.addLine(window, text, LineClass::Server);
    fire(window, Event::UserKicked, EventSlots::channelAction(kicker, channel, victim));
}

// --- what is known of a user --------------------------------------------------------

void UserMessages::eachChannel(const std::function<void(ChatWindow*)>& apply)
{
    const int network = windows_.activeNetwork();
    for (qsizetype i = 0; i < windows_.count(); ++i) {
        ChatWindow* window = windows_.at(i);
        if (window->network == network && window->conversationKind == ConversationKind::Channel)
            apply(window);
    }
}

void UserMessages::away(const UserLine& m)
{
    // With a message the user went away; without one the user is back.
    const bool gone = !parametersText(m).isEmpty();
    eachChannel([&](ChatWindow* w) { w->nickList.setAway(m.sender, gone); });
}

void UserMessages::account(const UserLine& m)
{
    const QString name = accountName(m.target);
    eachChannel([&](ChatWindow* w) { w->nickList.setAccount(m.sender, name); });
}

void UserMessages::noteAccountTag(const UserLine& m)
{
    if (!isChannelName(m.target) || m.command == QLatin1String("JOIN"))
        return;
    if (ChatWindow* window = windows_.findChannelWindow(m.target))
        window->nickList.setAccount(m.sender, m.tags.account());
}

// The user's host changed: no quit and no join, the user stays where they were, and the
// new host is what the lists and a private chat know from now on.
void UserMessages::changeHost(const UserLine& m)
{
    if (m.target.isEmpty() || m.rest.isEmpty() || m.rest.contains(u' '))
        return;
    const QString userHost = (m.target + u'@' + m.rest).toLower();
    eachChannel([&](ChatWindow* w) { w->nickList.setUserHost(m.sender, userHost); });
    for (qsizetype i = 0; i < windows_.count(); ++i) {
        ChatWindow* window = windows_.at(i);
        if (window->network == windows_.activeNetwork() &&
            window->conversationKind == ConversationKind::Private &&
            sameName(window->peerNickname, m.sender))
            window->peerAddress = userHost;
    }
}

void UserMessages::setName(const UserLine& m)
{
    const QString realName = parametersText(m);
    eachChannel([&](ChatWindow* w) { w->nickList.setRealName(m.sender, realName); });
}

// --- messages ------------------------------------------------------------------------

void UserMessages::privmsg(const UserLine& m)
{
    if (isCtcp(m.rest)) {
        const QString body = ctcpBody(m.rest);
        if (Ctcp::isDccOffer(body)) {
            // DCC offers are answered by the DCC subsystem; without it they are dropped.
            if (dccHandler_)
                dccHandler_(m, body);
            return;
        }
        // Of a replayed query only an action is shown; nothing is answered or played.
        if (replaying() &&
            body.section(u' ', 0, 0).compare(QLatin1String("ACTION"), Qt::CaseInsensitive) != 0)
            return;
        ctcp_.handleQuery(m, body);
        return;
    }
    if (!isChannelName(m.target)) {
        privateMessageToUser(m);
        return;
    }
    ChatWindow* window = windows_.findChannelWindow(m.target);
    if (!window)
        return;
    checkFileServerTrigger(m);
    windows_.addMessage(window, m.sender, m.rest, u'<' + m.sender + QStringLiteral("> ") + m.rest);
    fire(window, Event::InboundMessage,
         EventSlots::userInChannel(m.sender, window->channelName, m.rest));
    checkSoundRequest(m);
}

void UserMessages::ownEcho(const UserLine& m)
{
    // Actions and queries were shown or asked when they were sent; what went out by
    // /msg or /notice was shown then too. Only a line said in a window waits for this.
    if (isCtcp(m.rest) || m.command != QLatin1String("PRIVMSG"))
        return;
    ChatWindow* window = isChannelName(m.target) ? windows_.findChannelWindow(m.target)
                                                 : windows_.findPrivateWindow(m.target);
    if (!window)
        return;
    const qsizetype waiting = window->awaitingEcho.indexOf(m.rest);
    if (waiting < 0)
        return;
    window->awaitingEcho.removeAt(waiting);
    windows_.addLine(window, u'<' + m.sender + QStringLiteral("> ") + m.rest, LineClass::You);
}

bool UserMessages::replaying() const
{
    return windows_.inboundLine().history;
}

bool UserMessages::checkFileServerTrigger(const UserLine& m)
{
    if (!FileServer::isTrigger(options_.fileServer, m.rest))
        return false;
    if (startFileServer_ && !replaying())
        startFileServer_(m.sender);
    return true;
}

void UserMessages::checkSoundRequest(const UserLine& m)
{
    if (m.rest.startsWith(u'!') && answerSoundRequest_ && !replaying())
        answerSoundRequest_(m.sender, m.rest);
}

void UserMessages::privateMessageToUser(const UserLine& m)
{
    // The trigger word is tested before sound requests: the usual one begins with "!" too,
    // and would otherwise never start a session from a private message.
    if (checkFileServerTrigger(m))
        return;
    // Sound requests ("!nick file") are never shown.
    if (m.rest.startsWith(u'!')) {
        checkSoundRequest(m);
        return;
    }
    if (options_.connection.away && !replaying()) {
        answerAway(m);
        return;
    }
    windows_.routePrivateMessage(m.sender, m.address,
                                 u'<' + m.sender + QStringLiteral("> ") + m.rest, m.rest);
}

void UserMessages::answerAway(const UserLine& m)
{
    const QString key = m.senderLower();
    const QDateTime now = clock_.now();
    const auto last = awayAnswered_.constFind(key);
    if (last != awayAnswered_.constEnd() && last->secsTo(now) < AwayAnswerIntervalSeconds)
        return;
    if (awayAnswered_.size() > 1000)
        awayAnswered_.clear();
    awayAnswered_.insert(key, now);
    session_.sendLine(Outbound::privmsg(m.sender, options_.connection.awayMessage.trimmed()));
}

void UserMessages::notice(const UserLine& m)
{
    QString text = m.rest;
    if (isCtcp(text)) {
        const QString body = ctcpBody(text);
        if (Ctcp::isInquiryReply(body)) {
            // A replayed reply answers no inquiry made now.
            if (!replaying())
                ctcp_.handleReply(m, body);
            return;
        }
        text = body.trimmed();
    }
    if (isChannelName(m.target)) {
        ChatWindow* window = windows_.findChannelWindow(m.target);
        if (!window)
            return;
        windows_.addLine(window,
                         QStringLiteral("NOTICE from ") + m.sender + QStringLiteral(": ") + text,
                         LineClass::Server);
        fire(window, Event::ChannelNotice, EventSlots::userSays(m.sender, text));
        return;
    }
    if (text.startsWith(QStringLiteral("dcc chat"), Qt::CaseInsensitive) ||
        text.startsWith(QStringLiteral("dcc send"), Qt::CaseInsensitive))
        return;
    windows_.routePrivateMessage(m.sender, m.address, u'<' + m.sender + QStringLiteral("> ") + text,
                                 text);
}

// --- modes ---------------------------------------------------------------------------

void UserMessages::mode(const UserLine& m)
{
    applyModes(m.target, m.rest, m.sender, false);
}

void UserMessages::applyChannelModes(const QString& channel, const QString& modes,
                                     const QString& server)
{
    applyModes(channel, modes, server, true);
}

void UserMessages::applyModes(const QString& channel, const QString& modes, const QString& sender,
                              bool silent)
{
    ChatWindow* window = windows_.findChannelWindow(channel.trimmed());
    if (!window)
        return;
    ModeChanges::apply(
        ModeChanges::parse(modes.trimmed()), *window, sender, silent,
        ModeChanges::Effects{
            [this](ChatWindow* w, const QString& text) {
                windows_.addLine(w, text, LineClass::Server);
            },
            [this](const ChatWindow* w, Event event, const EventSlots& s) { fire(w, event, s); },
            [this](ChatWindow* w, const QString& nick, QChar rank, bool held) {
                windows_.changeMemberRank(w, nick, rank, held);
            },
            [this](const QString& nick) { return isMe(nick); },
        });
}
