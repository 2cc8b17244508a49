#include "behaviours/behaviours.h"

#include "chat/windowregistry.h"
#include "core/linelog.h"
#include "irc/outbound.h"
#include "script/scriptobjects.h"
#include "script/scripttext.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using ScriptText::expandPlaceholders;

namespace {
// What "<word>" becomes where no word fired.
const QString noWord = u"zemptyslotx"_s;
} // namespace

Behaviours::Behaviours(const Scripts& scripts, WindowRegistry& windows, LineLog& status,
                       SendLine sendLine, Hooks hooks)
    : scripts_(scripts), windows_(windows), status_(status), sendLine_(std::move(sendLine)),
      hooks_(std::move(hooks))
{
}

QString Behaviours::ownNickname() const
{
    return hooks_.ownNickname ? hooks_.ownNickname() : QString();
}

void Behaviours::run(const ScriptObjectRef& ref, const ChatWindow* eventWindow, Event event,
                     const EventSlots& s)
{
    if (ref.index < 0 || ref.index >= scripts_.count())
        return;
    // The registry hands out the record it owns; a window it no longer holds is none.
    const qsizetype at = eventWindow ? windows_.indexOf(eventWindow) : -1;
    ChatWindow* window = at >= 0 ? windows_.at(at) : nullptr;
    const ScriptObject& o = scripts_.object(ref.index);
    switch (o.type) {
    case ObjectType::Greet:
    case ObjectType::Farewell:
        greet(o, window, s);
        break;
    case ObjectType::AutoOp:
    case ObjectType::AutoVoice:
        giveStatus(o, window, s);
        break;
    case ObjectType::Protect:
        protect(o, window, event, s);
        break;
    case ObjectType::AutoSend:
        sendFileOnKeyword(o, s);
        break;
    case ObjectType::OnText:
        answerText(o, window, s);
        break;
    }
}

namespace {
// The send modes of "sendas" and "messageoption". A greeter notes only what it says in
// the channel; the raw command is the responder's alone.
struct SendMode
{
    QStringView value;
    // The line's factory; none: the text is the server line itself.
    QString (*line)(const QString& target, const QString& text);
    bool toChannel;
    bool action;
    QStringView privateNote; // "-- Message to " and so on; empty for the channel modes
    bool responderOnly;
};

constexpr SendMode sendModes[] = {
    {u"0", &Outbound::privmsg, false, false, u"-- Message to ", false},
    {u"1", &Outbound::notice, false, false, u"-- Notice to ", false},
    {u"2", &Outbound::action, false, true, u"-- Action to ", false},
    {u"3", &Outbound::privmsg, true, false, u"", false},
    {u"4", &Outbound::action, true, true, u"", false},
    {u"5", nullptr, false, false, u"", true},
};
} // namespace

Behaviours::Outgoing Behaviours::sendModeLine(const QString& mode, const QString& nick,
                                              const QString& channel, const QString& ownNick,
                                              const QString& text, bool withNotes)
{
    // An empty text makes no line: the server would only answer with an error.
    if (text.isEmpty())
        return {};
    const auto row = std::find_if(std::begin(sendModes), std::end(sendModes),
                                  [&](const SendMode& m) { return m.value == mode; });
    if (row == std::end(sendModes) || (row->responderOnly && !withNotes))
        return {};
    if (!row->line)
        return {text, u"-- Raw Command "_s + text, LineClass::Server};
    const QString target = row->toChannel ? channel : nick;
    const QString line = row->line(target, text);
    if (row->toChannel) {
        const QString shown =
            row->action ? u"* "_s + ownNick + u' ' + text : u"<"_s + ownNick + u"> "_s + text;
        return {line, shown, LineClass::You};
    }
    if (!withNotes)
        return {line, QString(), LineClass::Server};
    return {line, row->privateNote.toString() + nick + u": "_s + text, LineClass::Server};
}

void Behaviours::send(ChatWindow* window, const Outgoing& outgoing)
{
    if (outgoing.line.isEmpty())
        return;
    sendLine_(outgoing.line);
    if (!outgoing.note.isEmpty())
        note(window, outgoing.note, outgoing.noteClass);
}

void Behaviours::note(ChatWindow* window, const QString& text, int lineClass)
{
    if (window)
        windows_.addLine(window, text, lineClass);
}

// Greeter and farewell: one line to the nick or the channel.
void Behaviours::greet(const ScriptObject& o, ChatWindow* window, const EventSlots& s)
{
    const QString& nick = s.at(UserInChannelSlot::nick);
    const QString& channel = s.at(UserInChannelSlot::channel);
    if (!(o.sendTo == u"0" || (o.sendTo == u"1" && ScriptText::inList(o.sendNickList, nick))))
        return;
    const QString own = ownNickname();
    const QString text = expandPlaceholders(o.message, nick, own, channel, noWord);
    send(window, sendModeLine(o.sendAs, nick, channel, own, text, false));
}

// Auto-op and auto-voice: only an operator can give either.
void Behaviours::giveStatus(const ScriptObject& o, ChatWindow* window, const EventSlots& s)
{
    const QString& nick = s.at(UserInChannelSlot::nick);
    const QString& channel = s.at(UserInChannelSlot::channel);
    const QString& userHost = s.at(UserInChannelSlot::detail);
    if (!window || window->myStatus != u"op" ||
        !ScriptText::addressMatch(o.addressList, nick, userHost))
        return;
    const QString change = o.type == ObjectType::AutoOp ? u"+o"_s : u"+v"_s;
    sendLine_(Outbound::mode(channel, change, nick));
}

void Behaviours::protect(const ScriptObject& o, ChatWindow* window, Event event,
                         const EventSlots& s)
{
    const QString& offender = s.at(ChannelActionSlot::actor);
    const QString& channel = s.at(ChannelActionSlot::channel);
    const QString& victim = s.at(ChannelActionSlot::target);
    if (!window || window->myStatus != u"op" || !ScriptText::inList(o.nickList, victim))
        return;
    // The user's own kicks and de-ops, and a protected nick stepping down by itself, are
    // not attacks: answering them would throw the user or the friend out.
    const QString own = ownNickname();
    if (offender.compare(own, Qt::CaseInsensitive) == 0 ||
        offender.compare(victim, Qt::CaseInsensitive) == 0)
        return;
    if (o.response != u"0" && o.response != u"1" && o.response != u"2")
        return;
    const QString reason = expandPlaceholders(o.kickMsg, victim, own, channel, noWord);
    const QString kickLine = o.kickMsg.isEmpty() ? Outbound::kick(channel, offender)
                                                 : Outbound::kick(channel, offender, reason);
    const bool deop = event == Event::UserDeopped;
    note(window, u"PROTECTION ALERT- "_s + offender +
                     (deop ? u" has De-Opped "_s : u" has Kicked "_s) + victim +
                     u".  Responding..."_s);
    if (deop) {
        sendLine_(Outbound::mode(channel, u"+o"_s, victim));
        note(window, u"PROTECTION - Re-Opping "_s + victim + u"..."_s);
    }
    if (o.response == u"0") {
        sendLine_(kickLine);
        note(window, u"PROTECTION - Kicking "_s + offender + u"..."_s);
    } else if (o.response == u"1") {
        sendLine_(Outbound::mode(channel, u"-o"_s, offender));
        note(window, u"PROTECTION - De-Opping "_s + offender + u"..."_s);
    } else {
        sendLine_(kickLine);
        if (hooks_.kickBan)
            hooks_.kickBan(window, offender);
        note(window, u"PROTECTION - KickBanning "_s + offender + u"..."_s);
    }
}

// The file sender offers exactly the file its object names, to whoever says the keyword.
void Behaviours::sendFileOnKeyword(const ScriptObject& o, const EventSlots& s)
{
    const QString& nick = s.at(UserInChannelSlot::nick);
    const QString& message = s.at(UserInChannelSlot::detail);
    if (message.compare(o.keywordText, Qt::CaseInsensitive) != 0)
        return;
    if (o.userOption == u"1" && !ScriptText::inList(o.nickList, nick))
        return;
    const QFileInfo file(o.file);
    if (o.file.isEmpty() || !file.isFile()) {
        status_.add(u"Auto-File Sender: "_s + o.file + u" does not exist; nothing was sent to "_s +
                    nick + u'.');
        return;
    }
    if (hooks_.sendFile)
        hooks_.sendFile(nick, file.absolutePath() + u'/', file.fileName());
}

// The responder answers the first listed word the message contains, once.
void Behaviours::answerText(const ScriptObject& o, ChatWindow* window, const EventSlots& s)
{
    const QString& nick = s.at(UserInChannelSlot::nick);
    const QString& message = s.at(UserInChannelSlot::detail);
    const QString& channel = s.at(UserInChannelSlot::channel);
    for (const QString& word : o.words) {
        if (word.isEmpty() || !message.contains(word))
            continue;
        const QString own = ownNickname();
        const QString text = expandPlaceholders(o.message, nick, own, channel, word);
        send(window, sendModeLine(o.messageOption, nick, channel, own, text, true));
        return;
    }
}
