#include "inbound/modechanges.h"

#include "chat/chatwindow.h"
#include "script/eventhook.h"

#include <algorithm>
#include <iterator>

namespace ModeChanges {

namespace {
bool takesArgument(QChar letter)
{
    return QStringView(u"ovbkl").contains(letter);
}

// The six on/off channel flags and what is shown when they change.
struct FlagMode
{
    char16_t letter;
    bool ChatWindow::*flag;
    const char* onText;
    const char* offText;
};

constexpr FlagMode flagModes[] = {
    {u'm', &ChatWindow::moderated, " has changed the Channel Mode to: Moderated.",
     " has changed the Channel Mode to: UnModerated."},
    {u'n', &ChatWindow::noOutsideMessages,
     " has changed the Channel Mode to: No Outside Messages Allowed.",
     " has changed the Channel Mode to: Outside Messages Allowed."},
    {u't', &ChatWindow::topicByOpsOnly,
     " has changed the Channel Mode to: Topic Changes by Ops Only.",
     " has changed the Channel Mode to: Topic Changes can be made by anyone."},
    {u'p', &ChatWindow::privateChannel, " has changed the Channel Mode to: Private.",
     " has changed the Channel Mode to: Public"},
    {u's', &ChatWindow::secret, " has changed the Channel Mode to: Secret.",
     " has changed the Channel Mode to: Public"},
    {u'i', &ChatWindow::inviteOnly, " has changed the Channel Mode to: Invite Only.",
     " has changed the Channel Mode to: Not Invite Only."},
};

// Who gains or loses a rank, and the events for the user and for others.
struct RankMode
{
    char16_t letter;
    bool plus;
    QChar rank;
    const char* text; // %1 is the nickname
    Event myEvent;
    Event otherEvent;
};

constexpr RankMode rankModes[] = {
    {u'o', true, u'a', " has given %1 Ops.", Event::YouOpped, Event::UserOpped},
    {u'o', false, u'a', " has De-Opped %1.", Event::YouDeopped, Event::UserDeopped},
    {u'v', true, u'b', " has given %1 Voice.", Event::YouVoiced, Event::UserVoiced},
    {u'v', false, u'b', " has De-Voiced %1.", Event::YouDevoiced, Event::UserDevoiced},
};

QString starred(const QString& sender, const QString& text)
{
    return QStringLiteral("*** ") + sender + text;
}
} // namespace

QList<Change> parse(const QString& modeText)
{
    const qsizetype space = modeText.indexOf(u' ');
    const QString letters = space < 0 ? modeText : modeText.left(space);
    QString argumentText = space < 0 ? QString() : modeText.mid(space + 1).trimmed();
    // The last argument may come as the trailing parameter: "-o :alice" names alice.
    if (argumentText.startsWith(u':'))
        argumentText.remove(0, 1);
    else if (const qsizetype trailing = argumentText.indexOf(QStringLiteral(" :")); trailing >= 0)
        argumentText.remove(trailing + 1, 1);
    const QStringList arguments = space < 0 ? QStringList() : argumentText.split(u' ');
    QList<Change> changes;
    bool plus = true;
    qsizetype nextArgument = 0;
    for (QChar c : letters) {
        if (c == u'+' || c == u'-') {
            plus = c == u'+';
            continue;
        }
        Change change{c, plus, {}};
        if (takesArgument(c) && nextArgument < arguments.size())
            change.argument = arguments.at(nextArgument++);
        changes.append(change);
    }
    return changes;
}

void apply(const QList<Change>& changes, ChatWindow& window, const QString& sender, bool silent,
           const Effects& effects)
{
    const QString& channel = window.channelName;
    auto show = [&](const QString& text) {
        if (!silent)
            effects.addLine(&window, starred(sender, text));
    };
    auto fire = [&](Event event, const EventSlots& slots) {
        effects.fireEvent(&window, event, slots);
    };
    const EventSlots channelBySender = EventSlots::channelChanged(channel, sender);

    for (const Change& change : changes) {
        const QChar letter = change.letter;
        const QString& arg = change.argument;

        const auto flag = std::find_if(std::begin(flagModes), std::end(flagModes),
                                       [letter](const FlagMode& f) { return f.letter == letter; });
        if (flag != std::end(flagModes)) {
            window.*(flag->flag) = change.plus;
            // "Public" is only said when the channel is neither private nor secret now.
            const bool publicNote = !change.plus && (letter == u'p' || letter == u's');
            if (!publicNote || (!window.privateChannel && !window.secret))
                show(QString::fromLatin1(change.plus ? flag->onText : flag->offText));
            if (letter == u'm' && change.plus) {
                fire(Event::ModeChanged, channelBySender);
                if (!silent)
                    fire(Event::ChannelModerated, channelBySender);
            } else if (!silent) {
                fire(Event::ModeChanged, channelBySender);
            }
            continue;
        }

        if (letter == u'b') {
            show((change.plus ? QStringLiteral(" has Banned ") : QStringLiteral(" has UnBanned ")) +
                 arg);
            if (!silent)
                fire(change.plus ? Event::Banned : Event::Unbanned,
                     EventSlots::channelChanged(channel, sender, arg));
            continue;
        }
        if (letter == u'k') {
            window.keySet = change.plus;
            window.channelKey = change.plus ? arg : QString();
            show(change.plus ? QStringLiteral(" has set Channel Password to ") + arg + u'.'
                             : QStringLiteral(" has removed Channel Password."));
            fire(Event::ModeChanged, channelBySender);
            continue;
        }
        if (letter == u'l') {
            window.userLimitSet = change.plus;
            if (change.plus) {
                bool ok = false;
                const int limit = arg.toInt(&ok);
                if (ok)
                    window.userLimit = limit;
                show(QStringLiteral(" has set Channel User Limit to ") + arg + u'.');
            } else {
                window.userLimit = 100;
                show(QStringLiteral(" has removed Channel User Limit."));
            }
            fire(Event::ModeChanged, channelBySender);
            continue;
        }

        const auto rank =
            std::find_if(std::begin(rankModes), std::end(rankModes), [&](const RankMode& r) {
                return r.letter == letter && r.plus == change.plus;
            });
        // Other letters change nothing; a rank change that names nobody is malformed.
        if (rank == std::end(rankModes) || arg.isEmpty())
            continue;
        show(QString::fromLatin1(rank->text).replace(QStringLiteral("%1"), arg));
        // The user's own status follows the rank the nick list then shows.
        effects.changeRank(&window, arg, rank->rank, change.plus);
        const bool mine = effects.isMe(arg);
        if (mine) {
            fire(rank->myEvent, EventSlots::channelChanged(channel, sender, arg));
        } else if (letter == u'o' && !change.plus) {
            fire(rank->otherEvent, EventSlots::channelAction(sender, channel, arg));
        } else {
            fire(rank->otherEvent, EventSlots::channelChanged(channel, sender, arg));
        }
    }
}

} // namespace ModeChanges
