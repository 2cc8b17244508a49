#include "chat/windowregistry.h"

#include "chat/highlight.h"

#include "core/appendfile.h"
#include "core/clock.h"
#include "core/formatting.h"
#include "core/linelog.h"
#include "core/options.h"
#include "irc/outbound.h"
#include "script/eventhook.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <tuple>

namespace {
const Clock& systemClock()
{
    static const Clock clock;
    return clock;
}

struct Section
{
    const char* label;
    int kindNumber;
};
constexpr Section sections[] = {
    {"Settings", PickerKind::Settings},
    {"Public Chat", PickerKind::PublicChat},
    {"Private Chat", PickerKind::PrivateChat},
    {"DCC Chat", PickerKind::DccChat},
    {"Files", PickerKind::Files},
};

bool sameName(const QString& a, const QString& b)
{
    return a.toLower() == b.toLower();
}

// A window name comes from the server or another user; it must not reach outside the
// logs folder or name a hidden file.
QString logFileName(const QString& name)
{
    QString safe;
    for (const QChar c : name)
        safe += (c == u'/' || c == u'\\' || c.unicode() < 0x20) ? QChar(u'_') : c;
    if (safe.startsWith(u'.'))
        safe.replace(0, 1, u'_');
    return safe;
}

QString logRule()
{
    return QString(WindowRegistry::LogRuleLength, u'-');
}
} // namespace

WindowRegistry::WindowRegistry(SendLine sendLine, LineLog& status, EventHook& events,
                               Options& options, const QString& programFolder,
                               OwnNickname ownNickname, QObject* parent)
    : QObject(parent), sendLine_(std::move(sendLine)), status_(status), events_(events),
      options_(options), programFolder_(programFolder), ownNickname_(std::move(ownNickname)),
      chooseTheme_([](ConversationKind, const QString&) { return ThemeRecord::fileDefaults(); }),
      clock_(&systemClock()), picker_(*this), lineLimit_(options.display.historyLimit)
{
    if (!programFolder_.isEmpty() && !programFolder_.endsWith(u'/'))
        programFolder_ += u'/';
    setUpPicker();
    picker_.selectRow(0);
}

WindowRegistry::~WindowRegistry()
{
    // Whoever listened to the status list may be gone by now; the logs still end properly.
    for (auto& item : items_)
        finishLogFile(item.get());
}

void WindowRegistry::setClock(const Clock* clock)
{
    clock_ = clock ? clock : &systemClock();
}

void WindowRegistry::followDisplayOptions()
{
    lineLimit_ = options_.display.historyLimit;
    for (const auto& item : items_) {
        if (item->document)
            item->document->setLineLimit(lineLimitFor(*item));
    }
}

void WindowRegistry::setLineStore(LineStore store)
{
    lineStore_ = std::move(store);
    followDisplayOptions();
}

qsizetype WindowRegistry::lineLimitFor(const ChatWindow& window) const
{
    const qsizetype memory = options_.history.memoryLines;
    if (!window.isChat() || memory <= 0 || !lineStore_.keeps || !lineStore_.keeps(&window))
        return lineLimit_;
    return lineLimit_ > 0 ? std::min(lineLimit_, memory) : memory;
}

void WindowRegistry::setUpPicker()
{
    items_.clear();
    for (const Section& s : sections) {
        auto item = std::make_unique<ChatWindow>();
        item->kindNumber = s.kindNumber;
        item->label = QString::fromLatin1(s.label);
        item->unseenActivity = false;
        items_.push_back(std::move(item));
    }
}

int WindowRegistry::activeNetwork() const
{
    return scoped_ != NoScope ? scoped_ : currentNetwork();
}

int WindowRegistry::currentNetwork() const
{
    if (const ChatWindow* shown = picker_.shownAlone();
        shown && (shown->isChat() || shown->kindNumber == PickerKind::NetworkNode))
        lastShown_ = shown->network;
    // The network shown last is no longer in use: one that is stands for it.
    if (!groups_.isEmpty() &&
        std::none_of(groups_.begin(), groups_.end(),
                     [this](const NetworkGroup& group) { return group.network == lastShown_; }))
        return groups_.first().network;
    return lastShown_;
}

void WindowRegistry::setNetworkGroups(const QList<NetworkGroup>& groups)
{
    groups_ = groups;
    syncNodes();
    Q_EMIT pickerChanged();
}

void WindowRegistry::syncNodes()
{
    const auto groupOf = [this](int network) -> const NetworkGroup* {
        for (const NetworkGroup& group : std::as_const(groups_))
            if (group.network == network)
                return &group;
        return nullptr;
    };
    // Every network in use has a node under Public Chat, where a click shows its server
    // messages; under Private and DCC Chat only while it has windows there.
    const auto wanted = [this, &groupOf](int section, int network) {
        if (!grouped() || !groupOf(network))
            return false;
        if (section == PickerKind::PublicChat)
            return true;
        const int kind = section == PickerKind::PrivateChat ? PickerKind::PrivateWindow
                                                            : PickerKind::DccChatWindow;
        return std::any_of(items_.begin(), items_.end(), [&](const auto& it) {
            return it->kindNumber == kind && it->network == network;
        });
    };
    bool removed = false;
    for (qsizetype i = count() - 1; i >= 0; --i) {
        ChatWindow* node = at(i);
        if (node->kindNumber != PickerKind::NetworkNode)
            continue;
        if (wanted(node->nodeSection, node->network)) {
            const NetworkGroup* group = groupOf(node->network);
            node->label = group->name;
            node->disconnected = !group->connected;
            continue;
        }
        if (node->pickerState != PickerState::Normal && node->pickerState != PickerState::Hot)
            picker_.moveAwayFrom(node);
        items_.erase(items_.begin() + indexOf(node));
        removed = true;
    }
    QList<ChatWindow*> created;
    for (const int section :
         {PickerKind::PublicChat, PickerKind::PrivateChat, PickerKind::DccChat}) {
        for (const NetworkGroup& group : std::as_const(groups_)) {
            const bool present = std::any_of(items_.begin(), items_.end(), [&](const auto& it) {
                return it->kindNumber == PickerKind::NetworkNode && it->nodeSection == section &&
                       it->network == group.network;
            });
            if (present || !wanted(section, group.network))
                continue;
            auto node = std::make_unique<ChatWindow>();
            node->kindNumber = PickerKind::NetworkNode;
            node->nodeSection = section;
            node->network = group.network;
            node->label = group.name;
            node->disconnected = !group.connected;
            node->unseenActivity = false;
            created << node.get();
            items_.push_back(std::move(node));
        }
    }
    regroup();
    if (removed)
        picker_.windowRemoved();
    for (ChatWindow* node : std::as_const(created))
        Q_EMIT networkNodeCreated(node);
}

void WindowRegistry::regroup()
{
    if (!grouped())
        return;
    // The section a row belongs to, by the order of the section entries.
    const auto sectionOf = [](const ChatWindow& row) {
        const int kind =
            row.kindNumber == PickerKind::NetworkNode ? row.nodeSection : row.kindNumber;
        switch (kind) {
        case PickerKind::Settings:
            return 0;
        case PickerKind::PublicChat:
        case PickerKind::ChannelWindow:
            return 1;
        case PickerKind::PrivateChat:
        case PickerKind::PrivateWindow:
            return 2;
        case PickerKind::DccChat:
        case PickerKind::DccChatWindow:
            return 3;
        default:
            return 4;
        }
    };
    const auto groupOf = [this](const ChatWindow& row) {
        if (row.isSection() && row.kindNumber != PickerKind::NetworkNode)
            return -1;
        for (qsizetype i = 0; i < groups_.size(); ++i)
            if (groups_.at(i).network == row.network)
                return int(i);
        return int(groups_.size());
    };
    const auto key = [&](const ChatWindow& row) {
        return std::tuple(sectionOf(row), groupOf(row), row.isSection() ? 0 : 1);
    };
    std::stable_sort(items_.begin(), items_.end(),
                     [&](const auto& a, const auto& b) { return key(*a) < key(*b); });
}

qsizetype WindowRegistry::indexOf(const ChatWindow* item) const
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item)
            return qsizetype(i);
    }
    return -1;
}

// --- creating -------------------------------------------------------------------------

qsizetype WindowRegistry::insertionIndex(int sectionKind, int windowKind) const
{
    qsizetype after = -1;
    for (size_t i = 0; i < items_.size(); ++i) {
        const int kind = items_[i]->kindNumber;
        if (kind == sectionKind || kind == windowKind)
            after = qsizetype(i);
    }
    return after + 1;
}

std::unique_ptr<ChatWindow>
WindowRegistry::newChatItem(int kindNumber, ConversationKind conversationKind, const QString& name)
{
    auto item = std::make_unique<ChatWindow>();
    item->kindNumber = kindNumber;
    item->label = name;
    item->conversationKind = conversationKind;
    item->network = activeNetwork();
    item->hideJoins = item->hideParts = item->hideQuits = options_.display.hideTraffic;
    item->theme = chooseTheme_(conversationKind, name);
    item->document = std::make_unique<ChatDocument>();
    item->document->setLineLimit(lineLimitFor(*item));
    ChatWindow* window = item.get();
    connect(item->document.get(), &ChatDocument::olderLinesWanted, this,
            [this, window] { askForOlder(window); });
    connect(item->document.get(), &ChatDocument::newerLinesWanted, this,
            [this, window] { askForNewer(window); });
    item->document->applyTheme(item->theme);
    showThemeErrors(*item);
    return item;
}

void WindowRegistry::showThemeErrors(ChatWindow& window)
{
    // What went wrong loading the theme (a font, a picture) is told in the window itself.
    for (const QString& error : window.theme.errorLines())
        window.document->appendLine(LineClass::Server, error);
}

ChatWindow* WindowRegistry::insertChatWindow(std::unique_ptr<ChatWindow> item, int sectionKind)
{
    const qsizetype at = insertionIndex(sectionKind, item->kindNumber);
    ChatWindow* window = item.get();
    items_.insert(items_.begin() + at, std::move(item));
    if (grouped())
        syncNodes();
    if (options_.display.autoLog)
        startLog(window);
    Q_EMIT windowCreated(window);
    Q_EMIT pickerChanged();
    return window;
}

ChatWindow* WindowRegistry::createChannelWindow(const QString& channel)
{
    auto item = newChatItem(PickerKind::ChannelWindow, ConversationKind::Channel, channel);
    item->channelName = channel;
    ChatWindow* window = insertChatWindow(std::move(item), PickerKind::PublicChat);
    showIfAskedFor(window);
    return window;
}

ChatWindow* WindowRegistry::createPrivateWindow(const QString& nick, const QString& address)
{
    auto item = newChatItem(PickerKind::PrivateWindow, ConversationKind::Private, nick);
    item->peerNickname = nick;
    item->peerAddress = address;
    // A chat opened by replayed history holds nothing new.
    if (inbound_.history)
        item->unseenActivity = false;
    return insertChatWindow(std::move(item), PickerKind::PrivateChat);
}

ChatWindow* WindowRegistry::createDccChatWindow(const QString& nick, const QString& address,
                                                std::unique_ptr<QObject> pendingChat)
{
    auto item = newChatItem(PickerKind::DccChatWindow, ConversationKind::DccChat, nick);
    item->peerNickname = nick;
    item->peerAddress = address;
    item->pendingDccChat = std::move(pendingChat);
    return insertChatWindow(std::move(item), PickerKind::DccChat);
}

ChatWindow* WindowRegistry::createDccChatWindowConnected(const QString& nick,
                                                         const QString& address,
                                                         std::unique_ptr<QAbstractSocket> socket,
                                                         std::unique_ptr<QObject> session)
{
    auto item = newChatItem(PickerKind::DccChatWindow, ConversationKind::DccChat, nick);
    item->peerNickname = nick;
    item->peerAddress = address;
    item->dccSocket = std::move(socket);
    item->dccSession = std::move(session);
    return insertChatWindow(std::move(item), PickerKind::DccChat);
}

// --- finding --------------------------------------------------------------------------

ChatWindow* WindowRegistry::findChannelWindow(const QString& name) const
{
    const int network = activeNetwork();
    for (const auto& item : items_) {
        if (item->conversationKind == ConversationKind::Channel && item->network == network &&
            sameName(item->channelName, name))
            return item.get();
    }
    return nullptr;
}

ChatWindow* WindowRegistry::findPrivateWindow(const QString& nick) const
{
    const int network = activeNetwork();
    for (const auto& item : items_) {
        if (item->conversationKind == ConversationKind::Private && item->network == network &&
            sameName(item->peerNickname, nick))
            return item.get();
    }
    return nullptr;
}

ChatWindow* WindowRegistry::findWindowByView(const ChatDocument* view) const
{
    for (const auto& item : items_) {
        if (view && item->document.get() == view)
            return item.get();
    }
    return nullptr;
}

ChatWindow* WindowRegistry::findWindowByContainer(const QObject* container) const
{
    for (const auto& item : items_) {
        if (container && item->container == container)
            return item.get();
    }
    return nullptr;
}

// --- lines ----------------------------------------------------------------------------

void WindowRegistry::addLine(ChatWindow* window, const QString& text, int lineClass, bool highlight)
{
    const bool own = lineClass == LineClass::You && ownNickname_;
    showLine(window, text, lineClass, highlight, own ? ownNickname_() : QString());
}

void WindowRegistry::showLine(ChatWindow* window, const QString& text, int lineClass,
                              bool highlight, const QString& sender)
{
    if (!window || !window->document)
        return;
    const QString stamp = lineTimestamp();
    const QString shownText = options_.display.timestamps ? stamp + text : text;
    const qint64 timeMs =
        (inbound_.time.isValid() ? inbound_.time : clock_->now()).toMSecsSinceEpoch();
    const ChatStorePlace place{
        timeMs, lineStore_.add ? lineStore_.add(window, sender, text, lineClass, timeMs) : 0};
    // Scrolled back beyond memory, the newest lines are in the store: a line kept there is
    // read with them when the view comes back down.
    ChatDocument& view = *window->document;
    if (!view.hasMoreAfter() || !place.isStored())
        view.appendLine(lineClass, shownText, highlight, place);
    if (window->awaitingPast || window->newerAsked)
        window->heldLines.push_back({lineClass, shownText, highlight, place});
    if (window->logging)
        writeLog(window, stamp + text);
    if (!window->shown && !window->unseenActivity && !inbound_.history) {
        window->unseenActivity = true;
        Q_EMIT pickerChanged();
    }
    Q_EMIT lineShown(window, sender, text, lineClass);
}

void WindowRegistry::awaitPast(ChatWindow* window)
{
    if (window)
        window->awaitingPast = true;
}

QString WindowRegistry::pastDivider()
{
    return QStringLiteral("---------------- history ----------------");
}

void WindowRegistry::showPast(ChatWindow* window, const QList<PastLine>& lines)
{
    if (!window || !window->document)
        return;
    window->awaitingPast = false;
    std::vector<ChatWindow::HeldLine> held;
    held.swap(window->heldLines);
    if (lines.isEmpty())
        return;
    // The lines shown while the past was read are drawn again after it.
    ChatDocument& view = *window->document;
    view.clear();
    showThemeErrors(*window);
    for (const PastLine& line : lines)
        view.appendLine(line.lineClass, pastText(line), false, {line.timeMs, line.row});
    view.appendLine(LineClass::Server, pastDivider(), false, {0, ChatStorePlace::ShownOnly});
    for (const ChatWindow::HeldLine& line : held)
        view.appendLine(line.lineClass, line.text, line.highlight, line.place);
    // A full answer may not be all there is.
    if (lines.size() >= options_.history.reopenLines)
        view.setMoreBefore(true);
}

QString WindowRegistry::pastText(const PastLine& line) const
{
    if (!options_.display.timestamps)
        return line.text;
    const QTimeZone zone = clock_->now().timeZone();
    return timestampOf(QDateTime::fromMSecsSinceEpoch(line.timeMs, zone)) + line.text;
}

int WindowRegistry::scrollbackPage(const ChatDocument& view)
{
    // A quarter of what memory keeps at most: the lines on screen stay when the far end
    // goes back to the store.
    const qsizetype limit = view.lineLimit();
    return limit > 0 ? int(std::clamp<qsizetype>(limit / 4, 1, ScrollbackPage)) : ScrollbackPage;
}

void WindowRegistry::askForOlder(ChatWindow* window)
{
    ChatDocument& view = *window->document;
    if (window->olderAsked || window->awaitingPast)
        return;
    for (qsizetype i = 0; i < view.lineCount(); ++i) {
        if (view.place(i).isStored()) {
            window->olderAsked = true;
            Q_EMIT olderLinesWanted(window, view.place(i), scrollbackPage(view));
            return;
        }
    }
    view.setMoreBefore(false); // nothing here came from the store
}

void WindowRegistry::askForNewer(ChatWindow* window)
{
    ChatDocument& view = *window->document;
    if (window->newerAsked || window->awaitingPast)
        return;
    for (qsizetype i = view.lineCount() - 1; i >= 0; --i) {
        if (view.place(i).isStored()) {
            window->newerAsked = true;
            Q_EMIT newerLinesWanted(window, view.place(i), scrollbackPage(view));
            return;
        }
    }
    view.setMoreAfter(false);
}

void WindowRegistry::showOlder(ChatWindow* window, const QList<PastLine>& lines)
{
    if (!window || !window->document || !window->olderAsked)
        return;
    window->olderAsked = false;
    ChatDocument& view = *window->document;
    std::vector<ChatDocument::PlacedLine> placed;
    placed.reserve(size_t(lines.size()));
    for (const PastLine& line : lines)
        placed.push_back({line.lineClass, pastText(line), {line.timeMs, line.row}});
    view.setMoreBefore(lines.size() >= scrollbackPage(view));
    view.prependLines(placed);
    // Memory stays within the limit: the newest lines go back to the store, when all of
    // them can be read from it again (or were only drawn).
    const qsizetype limit = view.lineLimit();
    const qsizetype count = view.lineCount();
    if (limit <= 0 || count <= limit || window->newerAsked)
        return;
    for (qsizetype i = limit; i < count; ++i) {
        if (!view.place(i).canLeave())
            return;
    }
    view.dropBack(count - limit);
    view.setMoreAfter(true);
}

void WindowRegistry::showNewer(ChatWindow* window, const QList<PastLine>& lines)
{
    if (!window || !window->document || !window->newerAsked)
        return;
    window->newerAsked = false;
    std::vector<ChatWindow::HeldLine> held;
    held.swap(window->heldLines);
    ChatDocument& view = *window->document;
    for (const PastLine& line : lines)
        view.appendLine(line.lineClass, pastText(line), false, {line.timeMs, line.row});
    if (lines.size() >= scrollbackPage(view))
        return;
    // The end: what was shown while the answer came follows it.
    view.setMoreAfter(false);
    for (const ChatWindow::HeldLine& line : held) {
        if (line.place.isStored())
            view.appendLine(line.lineClass, line.text, line.highlight, line.place);
    }
}

bool WindowRegistry::revealStored(ChatWindow* window, qint64 row)
{
    if (!window || !window->document || row <= 0)
        return false;
    const ChatDocument& view = *window->document;
    for (qsizetype i = view.lineCount() - 1; i >= 0; --i) {
        if (view.place(i).row == row) {
            Q_EMIT storedLineShown(window, i);
            return true;
        }
    }
    return false;
}

void WindowRegistry::showAround(ChatWindow* window, const QList<PastLine>& lines, qint64 row)
{
    if (!window || !window->document || lines.isEmpty() || revealStored(window, row))
        return;
    ChatDocument& view = *window->document;
    if (window->awaitingPast || window->olderAsked || window->newerAsked)
        return;
    for (qsizetype i = 0; i < view.lineCount(); ++i) {
        if (!view.place(i).canLeave())
            return; // a line that could not be read back would be lost
    }
    view.clear();
    for (const PastLine& line : lines)
        view.appendLine(line.lineClass, pastText(line), false, {line.timeMs, line.row});
    // Both ways the store has more, or tells so when asked.
    view.setMoreBefore(true);
    view.setMoreAfter(true);
    window->heldLines.clear();
    revealStored(window, row);
}

void WindowRegistry::addMessage(ChatWindow* window, const QString& sender, const QString& message,
                                const QString& line)
{
    if (!window)
        return;
    noteSpeaker(window, sender);
    const bool highlight = mentionsUser(message);
    showLine(window, line, LineClass::Other, highlight, sender);
    // What was said before the user came is drawn as it was, without alerts.
    if (inbound_.history)
        return;
    if (highlight && !window->shown && !window->highlighted) {
        window->highlighted = true;
        Q_EMIT pickerChanged();
    }
    if (highlight || window->conversationKind == ConversationKind::Private)
        Q_EMIT attentionWanted(window, sender, message, highlight);
}

bool WindowRegistry::mentionsUser(const QString& message) const
{
    return Highlight::mentions(message, ownNickname_ ? ownNickname_() : QString(),
                               options_.display.highlightWords);
}

void WindowRegistry::noteSpeaker(ChatWindow* window, const QString& nick)
{
    if (window->conversationKind != ConversationKind::Channel || nick.isEmpty())
        return;
    QStringList& speakers = window->recentSpeakers;
    speakers.removeIf([&nick](const QString& s) { return sameName(s, nick); });
    speakers.prepend(nick);
    if (speakers.size() > MaxRecentSpeakers)
        speakers.removeLast();
}

void WindowRegistry::addStatusLine(const QString& text)
{
    status_.add(text);
}

// --- opening --------------------------------------------------------------------------

bool WindowRegistry::isService(const QString& nick)
{
    const QString lower = nick.toLower();
    return lower == QLatin1String("chanserv") || lower == QLatin1String("nickserv");
}

void WindowRegistry::joinChannel(const QString& name)
{
    const QString channel = name.trimmed();
    if (channel.isEmpty())
        return;
    // A window kept from a lost connection is not on the channel: it is joined again.
    if (ChatWindow* open = findChannelWindow(channel); open && !open->disconnected) {
        addStatusLine(QStringLiteral("You are already on ") + channel + u'.');
        picker_.selectRow(int(indexOf(open)));
        return;
    }
    sendLine_(Outbound::join(channel));
    addStatusLine(QStringLiteral("Trying to Join ") + channel + u'.');
    showOnceJoined(channel);
}

void WindowRegistry::showOnceJoined(const QString& channels)
{
    const QString names = channels.trimmed().section(u' ', 0, 0);
    for (const QString& name : names.split(u',', Qt::SkipEmptyParts))
        askedFor_.insert(askedForKey(activeNetwork(), name));
}

void WindowRegistry::showIfAskedFor(ChatWindow* channel)
{
    if (askedFor_.remove(askedForKey(channel->network, channel->channelName)))
        picker_.selectRow(int(indexOf(channel)));
}

void WindowRegistry::openPrivateChat(const QString& nick)
{
    if (sameName(nick, ownNickname_()))
        return;
    if (findPrivateWindow(nick)) {
        addStatusLine(QStringLiteral("Already in a Private Chat with ") + nick);
        return;
    }
    createPrivateWindow(nick, QString());
}

void WindowRegistry::routePrivateMessage(const QString& nick, const QString& address,
                                         const QString& text, const QString& message)
{
    const QString said = message.isNull() ? text : message;
    const EventSlots texts = EventSlots::userFrom(nick, address);
    const int network = activeNetwork();
    // A private message belongs to the window it reached, so it sounds only while that
    // chat is on screen with its sound on.
    for (const auto& item : items_) {
        ChatWindow* window = item.get();
        if (window->conversationKind != ConversationKind::Private || window->network != network)
            continue;
        if (sameName(window->peerNickname, nick)) {
            window->peerAddress = address;
            addMessage(window, nick, said, text);
            events_.fireEvent(window, Event::InboundMessage, texts);
            return;
        }
        // An empty address says nothing about who is behind it, so it never renames.
        if (!address.isEmpty() && sameName(window->peerAddress, address) && !isService(nick)) {
            addLine(window, window->peerNickname + QStringLiteral(" is now ") + nick + u'.',
                    LineClass::Server);
            window->peerNickname = nick;
            window->label = nick;
            addMessage(window, nick, said, text);
            Q_EMIT pickerChanged();
            events_.fireEvent(window, Event::InboundMessage, texts);
            return;
        }
    }
    if (options_.display.ignorePrivateChats && !isService(nick))
        return;
    ChatWindow* window = createPrivateWindow(nick, address);
    addMessage(window, nick, said, text);
    events_.fireEvent(Event::PrivateChatRequest, texts);
}

// --- closing --------------------------------------------------------------------------

void WindowRegistry::leaveWindow(ChatWindow* window, bool raiseEvent)
{
    if (!window)
        return;
    const NetworkScope scope(*this, window->network);
    switch (window->conversationKind) {
    case ConversationKind::Channel: {
        const QString channel = window->channelName;
        if (options_.display.sayOnLeave) {
            sendLine_(Outbound::privmsg(channel, expandEscapes(options_.display.leaveMessage)));
        }
        sendLine_(Outbound::part(channel));
        if (raiseEvent)
            events_.fireEvent(Event::YouLeavingChannel, EventSlots::about(channel));
        addStatusLine(QStringLiteral("Left ") + channel + u'.');
        closeChannelWindow(channel);
        break;
    }
    case ConversationKind::Private:
        closePrivateWindow(window->peerNickname);
        break;
    case ConversationKind::DccChat:
        closeDccChatWindow(window->peerNickname);
        break;
    default:
        break;
    }
}

void WindowRegistry::closeChannelWindow(const QString& name)
{
    if (ChatWindow* window = findChannelWindow(name))
        destroyChatWindow(window, false);
}

void WindowRegistry::closePrivateWindow(const QString& nick)
{
    const int network = activeNetwork();
    for (const auto& item : items_) {
        if (item->isChat() && item->conversationKind != ConversationKind::Channel &&
            (item->conversationKind == ConversationKind::DccChat || item->network == network) &&
            sameName(item->peerNickname, nick)) {
            destroyChatWindow(item.get(), false);
            return;
        }
    }
}

void WindowRegistry::closeDccChatWindow(const QString& nick)
{
    for (const auto& item : items_) {
        ChatWindow* window = item.get();
        if (!sameName(window->peerNickname, nick) ||
            (!window->pendingDccChat && !window->dccSocket))
            continue;
        window->pendingDccChat.reset();
        if (window->dccSocket && window->dccSocket->state() == QAbstractSocket::ConnectedState)
            window->dccSocket->close();
        window->dccSession.reset();
        destroyChatWindow(window, false);
        return;
    }
}

void WindowRegistry::destroyChatWindow(ChatWindow* window, bool quiet)
{
    if (!window || window->isSection() || indexOf(window) < 0)
        return;
    if (!quiet)
        picker_.moveAwayFrom(window);
    if (window->logging)
        endLog(window);
    Q_EMIT windowDestroying(window);
    const qsizetype at = indexOf(window);
    std::unique_ptr<ChatWindow> owned = std::move(items_[size_t(at)]);
    items_.erase(items_.begin() + at);
    owned.reset();
    picker_.windowRemoved();
    if (grouped())
        syncNodes();
    Q_EMIT pickerChanged();
}

void WindowRegistry::closeAllWindows()
{
    for (qsizetype i = count() - 1; i >= 0; --i) {
        // Closing a network's last window there takes its node along: fewer rows remain.
        if (i >= count())
            continue;
        ChatWindow* item = at(i);
        if (item->isChat()) {
            destroyChatWindow(item, true);
        } else {
            items_.erase(items_.begin() + i);
        }
    }
    Q_EMIT pickerChanged();
}

void WindowRegistry::closeChatWindowsForDisconnect()
{
    const int network = activeNetwork();
    forgetAskedFor(network);
    const ChatWindow* shown = picker_.shownAlone();
    bool othersRemain = false;
    bool shownGoes = false;
    for (qsizetype i = count() - 1; i >= 0; --i) {
        ChatWindow* window = at(i);
        if (!window->isChat())
            continue;
        if (window->network != network) {
            othersRemain = true;
            continue;
        }
        shownGoes = shownGoes || window == shown;
        destroyChatWindow(window, true);
    }
    // Another network's windows stay as they are shown, unless the one shown went.
    if (!othersRemain || shownGoes)
        picker_.resetToFirstSection();
}

QString WindowRegistry::askedForKey(int network, const QString& channel)
{
    return QString::number(network) + u'/' + channel.toLower();
}

void WindowRegistry::forgetAskedFor(int network)
{
    const QString prefix = QString::number(network) + u'/';
    askedFor_.removeIf([&prefix](const QString& key) { return key.startsWith(prefix); });
}

QStringList WindowRegistry::keepChatWindowsForReconnect()
{
    // What the user asked for on the lost connection is not shown when the reconnect
    // joins it again.
    const int network = activeNetwork();
    forgetAskedFor(network);
    QStringList kept;
    for (qsizetype i = count() - 1; i >= 0; --i) {
        ChatWindow* window = at(i);
        if (window->network != network)
            continue;
        if (window->conversationKind == ConversationKind::DccChat) {
            destroyChatWindow(window, false);
            continue;
        }
        if (!window->isChat())
            continue;
        kept.prepend(window->windowName());
        if (window->disconnected)
            continue;
        window->disconnected = true;
        // Nobody is known to be in a channel the user is not in; its members come again
        // with the join.
        if (window->conversationKind == ConversationKind::Channel) {
            window->nickList.clear();
            window->myStatus = QStringLiteral("slime");
        }
        addLine(window, QStringLiteral("*** Disconnected."), LineClass::Server);
    }
    Q_EMIT pickerChanged();
    return kept;
}

void WindowRegistry::reconnectWindow(ChatWindow* window)
{
    if (!window || !window->disconnected)
        return;
    window->disconnected = false;
    if (window->conversationKind == ConversationKind::Channel) {
        // The channel's state comes again from the server: its names, topic and modes.
        window->nickList.clear();
        window->moderated = window->noOutsideMessages = window->topicByOpsOnly = false;
        window->privateChannel = window->secret = window->inviteOnly = false;
        window->userLimitSet = window->keySet = false;
        window->channelKey.clear();
        window->userLimit = 0;
        setTopic(window, QString());
        showIfAskedFor(window);
    }
    Q_EMIT pickerChanged();
}

QList<std::pair<QString, QString>> WindowRegistry::channelsToRejoin() const
{
    QList<std::pair<QString, QString>> channels;
    const int network = activeNetwork();
    for (qsizetype i = 0; i < count(); ++i) {
        const ChatWindow* window = at(i);
        if (window->conversationKind == ConversationKind::Channel && window->disconnected &&
            window->network == network)
            channels.append({window->channelName, window->keySet ? window->channelKey : QString()});
    }
    return channels;
}

QString WindowRegistry::captionFor(const ChatWindow* window)
{
    const QString topic = stripFormatting(window->topic);
    return topic.isEmpty() ? window->channelName
                           : window->channelName + QStringLiteral(": ") + topic;
}

void WindowRegistry::setTopic(ChatWindow* channel, const QString& topic)
{
    if (!channel)
        return;
    channel->topic = topic;
    Q_EMIT topicChanged(channel);
}

// --- logs -----------------------------------------------------------------------------

QString WindowRegistry::logPathFor(const ChatWindow* window) const
{
    // The first network's logs keep the plain names; another network's name follows.
    QString name = window->windowName();
    if (window->network != 0) {
        QString network = QString::number(window->network);
        for (const NetworkGroup& group : groups_)
            if (group.network == window->network && !group.name.isEmpty())
                network = group.name;
        name += QStringLiteral(" (") + network + u')';
    }
    return programFolder_ + QStringLiteral("logs/") + logFileName(name) + QStringLiteral(".txt");
}

QString WindowRegistry::lineTimestamp() const
{
    return timestampOf(inbound_.time.isValid() ? inbound_.time.toLocalTime() : clock_->now());
}

QString WindowRegistry::timestampOf(const QDateTime& time)
{
    return time.time().toString(QStringLiteral("'['HH:mm'] '"));
}

QString WindowRegistry::logTimestamp() const
{
    const QDateTime now = clock_->now();
    const QLocale locale;
    // The long time format names the zone, which a time of day on its own cannot give.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't');
    return locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral(" at ") +
           locale.toString(now.time(), timeFormat.trimmed());
}

bool WindowRegistry::writeLog(ChatWindow* window, const QString& text)
{
    const QByteArray bytes = (text + QStringLiteral("\r\n")).toUtf8();
    if (window->logFile->write(bytes) == bytes.size())
        return true;
    window->logging = false;
    window->logFile.reset();
    return false;
}

bool WindowRegistry::startLog(ChatWindow* window)
{
    if (!window || window->isSection() || window->logging)
        return window && window->logging;
    const QString path = logPathFor(window);
    auto file = std::make_unique<QFile>();
    // Unbuffered, so a full disk shows at the line that did not fit. The name comes from
    // a channel or a nickname, so a link planted under it is refused, not followed.
    switch (openForAppend(*file, path)) {
    case AppendOpen::Opened:
        break;
    case AppendOpen::Refused:
        if (!refusedLogs_.contains(path)) {
            refusedLogs_.insert(path);
            addStatusLine(QStringLiteral("Not logging to ") + path +
                          QStringLiteral(": it is a symbolic link or not a regular file."));
        }
        return false;
    case AppendOpen::Failed:
        addStatusLine(QStringLiteral("Can't create a LogFile."));
        return false;
    }
    window->logFile = std::move(file);
    window->logPath = path;
    window->logging = true;

    QString header;
    QString status;
    const QString name = window->windowName();
    switch (window->conversationKind) {
    case ConversationKind::Channel:
        header = QStringLiteral("Logging Started for Channel ") + name;
        status = QStringLiteral("Now Logging ") + name;
        break;
    case ConversationKind::Private:
        header = QStringLiteral("Logging Started for Private Chat with ") + name;
        status = QStringLiteral("Now Logging Private Chat with ") + name;
        break;
    default:
        header = QStringLiteral("Logging Started for DCC Chat with ") + name;
        status = QStringLiteral("Now Logging DCC Chat with ") + name;
        break;
    }
    if (!writeLog(window, header + QStringLiteral(" at ") + logTimestamp()) ||
        !writeLog(window, logRule()))
        return false;
    addStatusLine(status + QStringLiteral(" as ") + path);
    return true;
}

void WindowRegistry::endLog(ChatWindow* window)
{
    if (!window || !window->logging)
        return;
    finishLogFile(window);
    addStatusLine(QStringLiteral("Logging Terminated. (") + window->logPath + u')');
}

void WindowRegistry::finishLogFile(ChatWindow* window)
{
    if (!window->logging)
        return;
    const QString footer = QStringLiteral("Log Terminated. ") + logTimestamp();
    // The footer ends with an empty line, so the next log appended starts apart.
    if (writeLog(window, logRule()))
        writeLog(window, footer + QStringLiteral("\r\n"));
    window->logging = false;
    window->logFile.reset();
}

// --- nick list ------------------------------------------------------------------------

void WindowRegistry::followOwnRank(ChatWindow* channel, const QString& nick, QChar rank)
{
    if (!sameName(nick, ownNickname_()))
        return;
    if (rank == NickList::Operator)
        channel->myStatus = QStringLiteral("op");
    else if (rank == NickList::Voiced)
        channel->myStatus = QStringLiteral("voice");
    else
        channel->myStatus = QStringLiteral("slime");
}

void WindowRegistry::addNames(ChatWindow* channel, const QStringList& names)
{
    if (!channel)
        return;
    channel->nickList.addNames(names);
    for (const QString& word : names) {
        const NickList::Name name = NickList::parseName(word);
        followOwnRank(channel, name.nick,
                      name.ranks.isEmpty() ? NickList::Member : name.ranks.at(0));
    }
}

void WindowRegistry::addMember(ChatWindow* channel, const QString& nick)
{
    if (channel)
        channel->nickList.add(NickList::Member, nick);
}

void WindowRegistry::removeMember(ChatWindow* channel, const QString& nick)
{
    if (channel)
        channel->nickList.remove(nick);
}

void WindowRegistry::setMemberRank(ChatWindow* channel, const QString& nick, QChar rank)
{
    if (!channel)
        return;
    channel->nickList.setRank(nick, rank);
    followOwnRank(channel, nick, rank);
}

void WindowRegistry::changeMemberRank(ChatWindow* channel, const QString& nick, QChar rank,
                                      bool held)
{
    if (!channel)
        return;
    if (!channel->nickList.changeRank(nick, rank, held))
        channel->nickList.setRank(nick, held ? rank : NickList::Member);
    followOwnRank(channel, nick, channel->nickList.rankOf(nick));
}

void WindowRegistry::renameMember(ChatWindow* channel, const QString& oldNick,
                                  const QString& newNick)
{
    if (!channel)
        return;
    channel->nickList.rename(oldNick, newNick);
    for (QString& speaker : channel->recentSpeakers) {
        if (sameName(speaker, oldNick))
            speaker = newNick;
    }
}
