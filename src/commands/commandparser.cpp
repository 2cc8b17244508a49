#include "commands/commandparser.h"

#include "chat/windowregistry.h"
#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "irc/outbound.h"
#include "irc/wire.h"
#include "script/eventhook.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <array>

struct CommandParser::Command
{
    QLatin1StringView word;
    bool channelOnly;
    void (CommandParser::*handler)(const Context&, const QString&);
};

namespace {

using namespace Qt::StringLiterals;

constexpr QChar ctcpDelimiter = Formatting::CtcpDelimiter;

struct Split
{
    QString first;
    QString rest;
};

// The commands' own word rule: with no space at all the first word is empty and the rest
// is the whole text, so "/msg bob" has an empty destination and the message "bob".
Split firstWord(const QString& text)
{
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return {QString(), text};
    return {text.left(space), text.mid(space + 1)};
}

} // namespace

CommandParser::CommandParser(SendLine sendLine, WindowRegistry& windows, LineLog& status,
                             EventHook& events, Options& options, Hooks hooks, QObject* parent)
    : QObject(parent), sendLine_(std::move(sendLine)), windows_(windows), status_(status),
      events_(events), options_(options), hooks_(std::move(hooks))
{
}

const QStringList& CommandParser::helpLines()
{
    static const QStringList lines{
        u"----- Command Reference -----"_s,
        u"  /showtopic  -  Shows the current Topic"_s,
        u"  /leave  -  Exits the current Chat"_s,
        u"  /clear  -  Exits the Chat window"_s,
        u"  /join #channelname  -  Joins the channel called #channelname"_s,
        u"  /nick  -  Changes your Nickname to nick"_s,
        u"  /whois nick  -  Does a Whois on nick"_s,
        u"  /version nick  -  Does a Version on nick"_s,
        u"  /ping nick  -  Does a Ping on nick"_s,
        u"  /time nick  -  Does a Time on nick"_s,
        u"  /action message  -  Does action with message in current Chat"_s,
        u"  /me message  -  Does action with message in current Chat"_s,
        u"  /msg dest message -  Sends a Private Message to dest"_s,
        u"  /ctcp dest message -  Sends a CTCP to dest with message"_s,
        u"  /kick nick message  -  Kicks nick with message"_s,
        u"  /invite nick #channelname -  Invites nick to channelname"_s,
        u"  /topic topictext  -  Sets the Topic to topictext in current Channel"_s,
        u"  /omsg message  -  Sends message to Ops in Channel."_s,
        u"  /mode nickorchannel mode argument -  Sets mode in nickorchannel"_s,
        u"  /sound soundfile  -  Plays soundfile (.wav or .mid) in current Chat"_s,
        u"  /names #channelname  - List the users in #channelname"_s,
        u"  /statusclear  -  Clears the status list"_s,
        u"  /dns nickname  -  Gets the IP address for nickname"_s,
        u"  /notice nickorchannel message  -  Sends a Notice to nick or channel"_s,
        u"  /raw rawservercommand -  Sends rawservercommand to server in RFC 1459 form"_s,
        u"  /dcc send nickname filename -  Sends file like 'c:\\autoexec.bat' to nick"_s,
        u"  /dcc chat nickname  -  Requests DCC Chat with nickname"_s,
        u"  /run filename  -  Opens the filename.  filename must be full path like "
        u"'c:\\readme.txt' or 'c:\\windows\\notepad.exe'"_s,
        u"  /text filename  -  Displays the text file in current chat.  filename must be full "
        u"path like 'c:\\readme.txt'"_s,
        u"----- End -----"_s,
    };
    return lines;
}

QStringList CommandParser::linePieces(const QString& text)
{
    // A paste from this platform's clipboard ends lines with LF alone; any line end left in
    // a piece would be cut off on the wire with everything after it.
    static const QRegularExpression lineEnd(u"\r\n|\n|\r"_s);
    return text.split(lineEnd, Qt::SkipEmptyParts);
}

QString CommandParser::fillPlaceholders(const QString& expansion, const QStringList& arguments)
{
    QString result;
    result.reserve(expansion.size());
    for (qsizetype i = 0; i < expansion.size(); ++i) {
        const QChar c = expansion.at(i);
        if (c == u'$' && i + 1 < expansion.size() && expansion.at(i + 1) >= u'1' &&
            expansion.at(i + 1) <= u'5') {
            result += arguments.value(expansion.at(i + 1).digitValue() - 1);
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

void CommandParser::enterLine(ChatWindow* window, const QString& typed)
{
    if (!window || typed.trimmed().isEmpty())
        return;
    const QString text = expandEscapes(typed);
    // A pasted block of commands or requests is taken line by line, as if each had been
    // typed; plain pasted text stays one message of several lines.
    const bool special = text.startsWith(u'/') || text.startsWith(u'!');
    if (special && (text.contains(u'\r') || text.contains(u'\n'))) {
        for (const QString& piece : linePieces(text)) {
            if (!isOpen(window))
                return;
            if (!piece.trimmed().isEmpty())
                handleLine(window, piece);
        }
        return;
    }
    handleLine(window, text);
}

void CommandParser::handleLine(ChatWindow* window, const QString& text)
{
    const ConversationKind kind = window->conversationKind;
    if (kind != ConversationKind::Channel && kind != ConversationKind::Private &&
        kind != ConversationKind::DccChat)
        return;
    // What a line does, it does on the network of the window it was typed in.
    const WindowRegistry::NetworkScope scope(windows_, window->network);
    if (text.startsWith(u'/')) {
        runCommand(window, kind, window->windowName(), text);
        youSent(window, text);
        return;
    }
    const bool request = text.startsWith(u'!') && text.contains(u' ');
    if (kind == ConversationKind::Channel) {
        if (request && requestFromChannel(window, text))
            return;
        sayInWindow(window, text);
    } else if (kind == ConversationKind::Private) {
        if (request) {
            requestFromPeer(window, text, false);
            return;
        }
        sayInWindow(window, text);
    } else {
        if (request) {
            requestFromPeer(window, text, true);
            youSent(window, text);
            return;
        }
        sayOverDcc(window, text);
    }
}

bool CommandParser::requestFromChannel(ChatWindow* window, const QString& text)
{
    const auto [nick, rest] = firstWord(text.mid(1).trimmed());
    if (nick.isEmpty() || window->nickList.indexOf(nick) < 0)
        return false;
    const QString file = rest.trimmed();
    const QString to = options_.sound.privateRequests ? nick : window->channelName;
    sendLine_(Outbound::privmsg(to, u'!' + nick + u' ' + file));
    show(window, u"- Requesting "_s + file + u" from "_s + nick + u'.');
    return true;
}

void CommandParser::requestFromPeer(ChatWindow* window, const QString& text, bool overDcc)
{
    const auto [nick, rest] = firstWord(text.mid(1).trimmed());
    if (nick.isEmpty()) {
        // "! file" names nobody to ask: it is said as written.
        if (overDcc)
            sayOverDcc(window, text);
        else
            sayInWindow(window, text);
        return;
    }
    const QString file = rest.trimmed();
    if (overDcc && hooks_.writeDccChat)
        hooks_.writeDccChat(window, (file + u"\r\n"_s).toUtf8());
    sendLine_(Outbound::privmsg(nick, u'!' + nick + u' ' + file));
    show(window, u"- Requesting "_s + file + u" from "_s + nick + u'.');
}

void CommandParser::sayInWindow(ChatWindow* window, const QString& text)
{
    // A window kept from a lost connection has nobody to say it to until it is back.
    if (window->disconnected) {
        show(window, u"*** Not sent: the connection to the server is lost."_s);
        return;
    }
    const QString target = window->windowName();
    const QString you = u'<' + ownNickname() + u"> "_s;
    const bool echoed = hooks_.echoesOwnLines && hooks_.echoesOwnLines();
    QString last;
    for (const QString& piece : linePieces(text)) {
        sendLine_(Outbound::privmsg(target, piece));
        if (echoed) {
            // Refused lines never come back: the oldest go once too many wait.
            if (window->awaitingEcho.size() >= MaxAwaitingEcho)
                window->awaitingEcho.removeFirst();
            window->awaitingEcho.append(piece);
        } else {
            show(window, you + piece, LineClass::You);
        }
        last = piece;
    }
    youSent(window, last);
}

void CommandParser::sayOverDcc(ChatWindow* window, const QString& text)
{
    const QString you = u'<' + ownNickname() + u"> "_s;
    QString last;
    for (const QString& piece : linePieces(text)) {
        if (hooks_.writeDccChat)
            hooks_.writeDccChat(window, (piece + u'\n').toUtf8());
        show(window, you + piece, LineClass::You);
        last = piece;
    }
    youSent(window, last);
}

void CommandParser::youSent(ChatWindow* window, const QString& text)
{
    // "/leave" may have closed the window; the event then belongs to no window.
    events_.fireEvent(isOpen(window) ? window : nullptr, Event::YouSendingMessage,
                      EventSlots::about(text));
}

std::span<const CommandParser::Command> CommandParser::commandTable()
{
    // Matched in this order by the first characters of the line, so "/joinx" is "/join" and
    // "/message" is "/me"; the order is part of the command language.
    static const std::array<Command, 31> commandTable{{
        {"/help"_L1, false, &CommandParser::help},
        {"/text"_L1, false, &CommandParser::textFile},
        {"/raw"_L1, false, &CommandParser::raw},
        {"/dcc send"_L1, false, &CommandParser::dccSend},
        {"/dcc chat"_L1, false, &CommandParser::dccChat},
        {"/run"_L1, false, &CommandParser::run},
        {"/notice"_L1, false, &CommandParser::notice},
        {"/statusclear"_L1, false, &CommandParser::statusClear},
        {"/showtopic"_L1, false, &CommandParser::showTopic},
        {"/leave"_L1, false, &CommandParser::leave},
        {"/clear"_L1, false, &CommandParser::clear},
        {"/connect"_L1, false, &CommandParser::connectTo},
        {"/quit"_L1, false, &CommandParser::quit},
        {"/join"_L1, false, &CommandParser::join},
        {"/nick"_L1, false, &CommandParser::nick},
        {"/whois"_L1, false, &CommandParser::whois},
        {"/version"_L1, false, &CommandParser::version},
        {"/dns"_L1, false, &CommandParser::dns},
        {"/ping"_L1, false, &CommandParser::ping},
        {"/time"_L1, false, &CommandParser::time},
        {"/action"_L1, false, &CommandParser::action},
        {"/me"_L1, false, &CommandParser::action},
        {"/msg"_L1, false, &CommandParser::msg},
        {"/ctcp"_L1, false, &CommandParser::ctcp},
        {"/kick"_L1, true, &CommandParser::kick},
        {"/invite"_L1, false, &CommandParser::invite},
        {"/topic"_L1, true, &CommandParser::topic},
        {"/omsg"_L1, true, &CommandParser::omsg},
        {"/mode"_L1, false, &CommandParser::mode},
        {"/sound"_L1, false, &CommandParser::sound},
        {"/names"_L1, false, &CommandParser::names},
    }};
    return commandTable;
}

QStringList CommandParser::commandWords(ConversationKind windowKind)
{
    QStringList words;
    for (const Command& command : commandTable()) {
        if (!command.channelOnly || windowKind == ConversationKind::Channel)
            words.append(command.word);
    }
    return words;
}

const CommandParser::Command* CommandParser::findCommand(const QString& text,
                                                         ConversationKind windowKind)
{
    for (const Command& command : commandTable()) {
        if (command.channelOnly && windowKind != ConversationKind::Channel)
            continue;
        if (text.left(command.word.size()).toLower() == command.word)
            return &command;
    }
    return nullptr;
}

void CommandParser::runCommand(ChatWindow* window, ConversationKind windowKind,
                               const QString& target, const QString& text)
{
    if (depth_ == 0)
        expansions_ = 0;
    ++depth_;
    std::optional<WindowRegistry::NetworkScope> scope;
    if (window && window->isChat())
        scope.emplace(windows_, window->network);
    const Context c{window, windowKind, target};
    if (const Command* command = findCommand(text, windowKind))
        (this->*command->handler)(c, text.mid(command->word.size() + 1));
    else
        runAlias(c, text);
    --depth_;
}

void CommandParser::runAlias(const Context& c, const QString& text)
{
    if (text.mid(1).contains(u" /"_s)) {
        options_.textEntry.aliases.append(text);
        show(c.window, u"-- ALIAS ADDED: "_s + text);
        Q_EMIT aliasesChanged();
        return;
    }
    const qsizetype space = text.indexOf(u' ');
    const QString name = space < 0 ? text : text.left(space);
    const QStringList arguments =
        space < 0 ? QStringList() : text.mid(space + 1).split(u' ').mid(0, 5);
    for (const QString& alias : std::as_const(options_.textEntry.aliases)) {
        // Every typed command walks the whole list: names are compared in place.
        const qsizetype nameEnd = alias.indexOf(u' ');
        if (nameEnd <= 0 ||
            QStringView(alias).left(nameEnd).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString expansion = alias.mid(nameEnd + 1);
        // Aliases that call each other in a circle would otherwise never end.
        if (++expansions_ > MaxExpansions) {
            show(c.window, u"-- Alias loop stopped."_s);
            return;
        }
        const QString expanded = expandEscapes(fillPlaceholders(expansion, arguments));
        if (expanded.size() > MaxExpandedCharacters) {
            show(c.window, u"-- Alias stopped: its text grew past "_s +
                               QString::number(MaxExpandedCharacters) + u" characters."_s);
            return;
        }
        runCommand(c.window, c.kind, c.target, expanded);
        return;
    }
}

void CommandParser::help(const Context& c, const QString&)
{
    for (const QString& line : helpLines())
        show(c.window, line);
}

void CommandParser::textFile(const Context& c, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        show(c.window, u"-- Can't find "_s + fileName);
        return;
    }
    const QString you = u'<' + ownNickname() + u"> "_s;
    int emptyLines = 0;
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
            return;
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        if (bytes.isEmpty()) {
            if (++emptyLines == 2)
                return;
            continue;
        }
        const QString text = Wire::decode(bytes);
        show(c.window, you + text, LineClass::You);
        sendLine_(Outbound::privmsg(c.target, text));
    }
}

void CommandParser::raw(const Context& c, const QString& args)
{
    show(c.window, u"-- RAW SERVER COMMAND: "_s + args);
    sendLine_(args);
}

void CommandParser::dccSend(const Context& c, const QString& args)
{
    const auto [nick, rest] = firstWord(args);
    // A path with blanks may be given in double quotes.
    QString file = rest.trimmed();
    if (file.size() >= 2 && file.startsWith(u'"') && file.endsWith(u'"'))
        file = file.mid(1, file.size() - 2);
    if (nick.isEmpty() || file.isEmpty()) {
        show(c.window, u"-- Usage: /dcc send nickname filename"_s);
        return;
    }
    show(c.window, u"-- Sending "_s + file + u" to "_s + nick);
    if (!hooks_.offerDccSend)
        return;
    const QFileInfo info(file);
    QString folder = info.path();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    hooks_.offerDccSend(nick, folder, info.fileName());
}

void CommandParser::dccChat(const Context& c, const QString& nick)
{
    show(c.window, u"-- Requesting DCC Chat with "_s + nick + u"..."_s);
    if (hooks_.offerDccChat)
        hooks_.offerDccChat(nick);
}

void CommandParser::run(const Context& c, const QString& fileName)
{
    show(c.window, u"-- Opening "_s + fileName + u"..."_s);
    if (!hooks_.openFile || !hooks_.openFile(fileName))
        show(c.window, u"-- Can't find "_s + fileName);
}

void CommandParser::notice(const Context& c, const QString& args)
{
    const auto [target, message] = firstWord(args);
    show(c.window, u"-- Notice to "_s + target + u": "_s + message);
    sendLine_(Outbound::notice(target, message));
}

void CommandParser::statusClear(const Context&, const QString&)
{
    status_.clear();
}

void CommandParser::showTopic(const Context& c, const QString&)
{
    if (isOpen(c.window) && c.window->conversationKind == ConversationKind::Channel)
        show(c.window, u"TOPIC: "_s + c.window->topic);
}

void CommandParser::leave(const Context& c, const QString&)
{
    if (isOpen(c.window))
        windows_.leaveWindow(c.window, true);
}

void CommandParser::clear(const Context& c, const QString&)
{
    if (isOpen(c.window) && c.window->document)
        c.window->document->clear();
}

void CommandParser::join(const Context&, const QString& channel)
{
    windows_.joinChannel(channel);
}

void CommandParser::connectTo(const Context&, const QString& args)
{
    // "HOST [PORT [PASSWORD]]"; 6667 when no port is given. The password is what the server
    // (a bouncer's "user/network:password") asks of its clients.
    const QStringList words = args.simplified().split(u' ', Qt::SkipEmptyParts);
    bool portOk = true;
    const int port = words.size() > 1 ? words.at(1).toInt(&portOk) : 6667;
    if (words.isEmpty() || words.size() > 3 || !portOk || port <= 0 || port > 65535) {
        status_.add(u"Usage: /connect HOST [PORT [PASSWORD]]"_s);
        return;
    }
    if (hooks_.connectTo)
        hooks_.connectTo(words.first(), port, words.value(2));
}

void CommandParser::quit(const Context&, const QString& args)
{
    // Ends the connection of the window's network; the others stay.
    const QString message = args.trimmed();
    sendLine_(message.isEmpty() ? Outbound::quit() : Outbound::quit(message));
}

void CommandParser::nick(const Context&, const QString& args)
{
    // An empty nickname would leave the user without one at the next registration.
    const QString newNick = args.trimmed();
    if (!newNick.isEmpty() && hooks_.setNickname)
        hooks_.setNickname(newNick);
}

void CommandParser::request(const UserRequest& send, const Context& c, const QString& args)
{
    // A request without a subject could never be paired with a reply.
    const QString subject = args.trimmed();
    if (!subject.isEmpty() && send)
        send(subject, u"display"_s, c.window);
}

void CommandParser::whois(const Context& c, const QString& args)
{
    request(hooks_.whoisUser, c, args);
}

void CommandParser::version(const Context& c, const QString& args)
{
    request(hooks_.versionUser, c, args);
}

void CommandParser::dns(const Context& c, const QString& args)
{
    const QString nick = args.trimmed();
    if (nick.isEmpty() || (hooks_.lookupPending && hooks_.lookupPending()))
        return;
    request(hooks_.lookupUser, c, nick);
    show(c.window, u"- Finding IP Address for "_s + nick + u"..."_s);
}

void CommandParser::ping(const Context& c, const QString& args)
{
    request(hooks_.pingUser, c, args);
}

void CommandParser::time(const Context& c, const QString& args)
{
    request(hooks_.timeUser, c, args);
}

void CommandParser::action(const Context& c, const QString& message)
{
    show(c.window, u"* "_s + ownNickname() + u' ' + message, LineClass::You);
    // In a DCC chat the action travels over the chat's own connection, where the peer
    // shows it in the chat; through the server it would land in a private window.
    if (c.kind == ConversationKind::DccChat) {
        if (hooks_.writeDccChat)
            hooks_.writeDccChat(
                c.window,
                (ctcpDelimiter + u"ACTION "_s + message + ctcpDelimiter + u'\n').toUtf8());
        return;
    }
    sendLine_(Outbound::action(c.target, message));
}

void CommandParser::msg(const Context& c, const QString& args)
{
    const auto [dest, message] = firstWord(args);
    show(c.window, u"-- Message to "_s + dest + u": "_s + message);
    sendLine_(Outbound::privmsg(dest, message));
}

void CommandParser::ctcp(const Context& c, const QString& args)
{
    const auto [dest, message] = firstWord(args);
    show(c.window, u"-- CTCP to "_s + dest + u": "_s + message);
    sendLine_(Outbound::ctcp(dest, message));
}

void CommandParser::kick(const Context& c, const QString& args)
{
    const auto [nick, message] = firstWord(args);
    sendLine_(Outbound::kick(c.target, nick, message));
}

void CommandParser::invite(const Context&, const QString& args)
{
    const auto [nick, channel] = firstWord(args);
    sendLine_(Outbound::invite(nick, channel));
    status_.add(u"Invited "_s + nick + u" to "_s + channel + u'.');
}

void CommandParser::topic(const Context& c, const QString& text)
{
    sendLine_(Outbound::topic(c.target, text));
}

void CommandParser::omsg(const Context& c, const QString& message)
{
    if (!isOpen(c.window) || c.window->myStatus != u"op"_s)
        return;
    show(c.window, u"-- Message to Ops Only: "_s + message);
    const QString me = ownNickname().toLower();
    // Copied: a send may lead to changes of the list before the loop ends.
    const QStringList entries = c.window->nickList.entries();
    for (const QString& entry : entries) {
        const QString nick = NickList::nickOf(entry);
        if (entry.startsWith(NickList::Operator) && nick.toLower() != me)
            sendLine_(Outbound::privmsg(nick, message));
    }
}

void CommandParser::mode(const Context& c, const QString& args)
{
    const auto [target, rest] = firstWord(args);
    const auto [modeWord, argument] = firstWord(rest);
    show(c.window, u"-- MODE: "_s + target + u' ' + modeWord + u' ' + argument);
    sendLine_(Outbound::mode(target, modeWord, argument));
}

void CommandParser::sound(const Context& c, const QString& file)
{
    if (hooks_.playSound)
        hooks_.playSound(c.window, file);
    show(c.window, u"* "_s + ownNickname() + u" Plays "_s + file);
    sendLine_(Outbound::ctcp(c.target, u"SOUND "_s + file));
}

void CommandParser::names(const Context& c, const QString& args)
{
    const QString channel = args.trimmed();
    if (!channel.isEmpty() && windows_.findChannelWindow(channel)) {
        show(c.window, u"*** You are already on "_s + channel);
        return;
    }
    request(hooks_.namesChannel, c, channel);
}

void CommandParser::show(ChatWindow* window, const QString& text, int lineClass)
{
    if (isOpen(window))
        windows_.addLine(window, text, lineClass);
}

bool CommandParser::isOpen(const ChatWindow* window) const
{
    return window && windows_.indexOf(window) >= 0;
}

QString CommandParser::ownNickname() const
{
    return hooks_.ownNickname ? hooks_.ownNickname() : QString();
}
