#pragma once

#include "chat/chatwindow.h"
#include "chat/pickerlayout.h"

#include <QDateTime>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Clock;
class QDateTime;
class EventHook;
class LineLog;
struct Options;

// The window list: the picker's five section entries and every chat window, in the order
// the picker shows them. It creates, finds, routes to and closes chat windows, adds their
// lines and keeps their logs.
class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    using SendLine = std::function<void(const QString&)>;
    using OwnNickname = std::function<QString()>;
    using ThemeChooser =
        std::function<ThemeRecord(ConversationKind conversationKind, const QString& name)>;

    static constexpr int LogRuleLength = 55;

    WindowRegistry(SendLine sendLine, LineLog& status, EventHook& events, Options& options,
                   const QString& programFolder, OwnNickname ownNickname,
                   QObject* parent = nullptr);
    ~WindowRegistry() override;

    // The history store as the windows use it: whether it keeps a window's lines, and
    // keeping a line (with the time it is stored under); add returns the line's row in
    // the store, 0 when it is not kept.
    struct LineStore
    {
        std::function<bool(const ChatWindow*)> keeps;
        std::function<qint64(ChatWindow*, const QString& sender, const QString& text, int lineClass,
                             qint64 timeMs)>
            add;
    };
    // Windows the store keeps hold at most options.history.memoryLines lines in memory
    // (within the display page's limit); the rest is read back when scrolled to.
    void setLineStore(LineStore store);
    // Lines read from the store per scroll past either end of what is in memory: this
    // many, or a quarter of the window's limit when that is less.
    static constexpr int ScrollbackPage = 1000;
    static int scrollbackPage(const ChatDocument& view);

    // Without a chooser every window gets the theme file defaults.
    void setThemeChooser(ThemeChooser chooser) { chooseTheme_ = std::move(chooser); }
    void setClock(const Clock* clock);
    // Reads again the display options every window keeps (the line limit) and gives them
    // to the open windows; the client calls it when they change. Lines do not read them.
    void followDisplayOptions();

    // The network that inbound lines and commands act on. While a NetworkScope lives (a
    // network handles one of its lines, a command runs in a window), it is the scope's;
    // otherwise the network of the window shown alone, else the one shown last.
    int activeNetwork() const;
    // The network of the window shown alone (or of the network node shown), else the one
    // shown last; what a NetworkScope names does not count.
    int currentNetwork() const;

    // The networks in use, in the client's order. With two or more, each section shows a
    // node per network (its name; drawn as disconnected until it is registered) with that
    // network's windows under it; with one or none the picker is as without networks.
    struct NetworkGroup
    {
        int network = 0;
        QString name;
        bool connected = false;
    };
    void setNetworkGroups(const QList<NetworkGroup>& groups);
    bool grouped() const { return groups_.size() > 1; }
    class NetworkScope
    {
    public:
        NetworkScope(WindowRegistry& registry, int network)
            : registry_(registry), previous_(registry.scoped_)
        {
            registry_.scoped_ = network;
        }
        ~NetworkScope() { registry_.scoped_ = previous_; }
        NetworkScope(const NetworkScope&) = delete;
        NetworkScope& operator=(const NetworkScope&) = delete;

    private:
        WindowRegistry& registry_;
        int previous_;
    };

    // The inbound line being handled, as its server dated it: a line with a time is shown,
    // logged and stored with that time instead of its arrival's; msgid names it. A replay
    // of what was said before (history) is shown but marks no window unread or
    // highlighted and asks for no attention. Outside an InboundScope every field is empty.
    struct InboundLine
    {
        QDateTime time;
        QString msgid;
        bool history = false;
    };
    const InboundLine& inboundLine() const { return inbound_; }
    class InboundScope
    {
    public:
        InboundScope(WindowRegistry& registry, InboundLine line)
            : registry_(registry), previous_(std::exchange(registry.inbound_, std::move(line)))
        {
        }
        ~InboundScope() { registry_.inbound_ = std::move(previous_); }
        InboundScope(const InboundScope&) = delete;
        InboundScope& operator=(const InboundScope&) = delete;

    private:
        WindowRegistry& registry_;
        InboundLine previous_;
    };

    qsizetype count() const { return static_cast<qsizetype>(items_.size()); }
    ChatWindow* at(qsizetype index) const { return items_.at(size_t(index)).get(); }
    qsizetype indexOf(const ChatWindow* item) const;
    PickerLayout& picker() { return picker_; }

    ChatWindow* createChannelWindow(const QString& channel);
    ChatWindow* createPrivateWindow(const QString& nick, const QString& address);
    // An outgoing DCC chat request: the window owns the offer until the peer answers.
    ChatWindow* createDccChatWindow(const QString& nick, const QString& address,
                                    std::unique_ptr<QObject> pendingChat);
    // An accepted DCC chat: the window owns the connection and its session.
    ChatWindow* createDccChatWindowConnected(const QString& nick, const QString& address,
                                             std::unique_ptr<QAbstractSocket> socket,
                                             std::unique_ptr<QObject> session);

    ChatWindow* findChannelWindow(const QString& name) const;
    ChatWindow* findPrivateWindow(const QString& nick) const;
    ChatWindow* findWindowByView(const ChatDocument* view) const;
    ChatWindow* findWindowByContainer(const QObject* container) const;

    // highlight draws the line in the theme's highlight colour. With timestamps on, the
    // view shows "[HH:MM] " before the line; the log always gets it.
    void addLine(ChatWindow* window, const QString& text, int lineClass, bool highlight = false);
    // A line the window showed before it was last closed (or the program last ended).
    struct PastLine
    {
        qint64 timeMs = 0;
        int lineClass = 0;
        QString text;
        qint64 row = 0; // in the history store
    };
    // The window's past is being read: the lines shown meanwhile are kept until showPast.
    void awaitPast(ChatWindow* window);
    // Draws the past (oldest first), a "history" divider, then again the lines shown
    // while it was read. The past is only drawn: no log, no marks, no events, not stored
    // again.
    void showPast(ChatWindow* window, const QList<PastLine>& lines);
    static QString pastDivider();
    // The answers to olderLinesWanted and newerLinesWanted (oldest first): older lines go
    // before the first line in memory and the newest beyond the window's limit go back to
    // the store; newer lines go after the last. A short answer means the end was reached.
    void showOlder(ChatWindow* window, const QList<PastLine>& lines);
    void showNewer(ChatWindow* window, const QList<PastLine>& lines);
    // A stored line asked for (a search result): when it is in memory, storedLineShown
    // tells where, and true is returned.
    bool revealStored(ChatWindow* window, qint64 row);
    // The lines around a stored line, read for it: they take the place of what the window
    // holds (when all of that can be read back from the store), and the window scrolls on
    // from them either way.
    void showAround(ChatWindow* window, const QList<PastLine>& lines, qint64 row);
    // What another user said (line is how it is shown, message what they said): the
    // speaker counts as active, and a message that mentions the user is highlighted and
    // marks the window's row. A highlight, or any message in a private chat, asks for
    // the user's attention.
    void addMessage(ChatWindow* window, const QString& sender, const QString& message,
                    const QString& line);
    // The message mentions the user's nickname or a highlight word.
    bool mentionsUser(const QString& message) const;
    static constexpr int MaxRecentSpeakers = 100;
    void addStatusLine(const QString& text);

    // The user joins a channel (a typed /join, a channel link, a favourite, the link the
    // program was started with): its window is shown once the server confirms the join.
    void joinChannel(const QString& name);
    // channels (one, a comma list, or either with a key after a blank) were asked for by
    // the user: each is shown once joined. Joins nobody asked for here (a rejoin after a
    // reconnect, an invitation) leave the view where it is.
    void showOnceJoined(const QString& channels);
    void openPrivateChat(const QString& nick);
    // text is the line to show; message, when given, what the user said in it.
    void routePrivateMessage(const QString& nick, const QString& address, const QString& text,
                             const QString& message = QString());

    // The user closes a window. raiseEvent is for "/leave" and the context menu's "Leave";
    // the picker's own close command raises nothing.
    void leaveWindow(ChatWindow* window, bool raiseEvent = false);
    void closeChannelWindow(const QString& name);
    void closePrivateWindow(const QString& nick);
    void closeDccChatWindow(const QString& nick);
    void destroyChatWindow(ChatWindow* window, bool quiet);
    // At exit: chat windows destroyed quietly, last first; section entries dropped.
    void closeAllWindows();
    // The active network's connection closed: its chat windows go, and "Settings" is
    // shown when no other network's remain.
    void closeChatWindowsForDisconnect();
    // The active network's connection was lost and is tried again: its channel and private
    // windows stay, marked disconnected, with their lines; its DCC chat windows go.
    // Returns the names kept.
    QStringList keepChatWindowsForReconnect();
    // A kept window is in use again: its channel joined again, or the connection back.
    void reconnectWindow(ChatWindow* window);
    // The active network's channel windows kept for a reconnect, with the keys to join
    // them again.
    QList<std::pair<QString, QString>> channelsToRejoin() const;

    // A channel window's caption: the channel, ": " and the topic without its codes; the
    // channel alone while it has no topic.
    static QString captionFor(const ChatWindow* window);
    void setTopic(ChatWindow* channel, const QString& topic);

    // Chat logs under the program folder's logs/.
    bool startLog(ChatWindow* window);
    void endLog(ChatWindow* window);
    QString logPathFor(const ChatWindow* window) const;

    // The nick list as the server's replies maintain it; the user's own entry decides
    // their status in the channel.
    void addNames(ChatWindow* channel, const QStringList& names);
    void addMember(ChatWindow* channel, const QString& nick);
    void removeMember(ChatWindow* channel, const QString& nick);
    void setMemberRank(ChatWindow* channel, const QString& nick, QChar rank);
    // A mode gives or takes one rank; the member keeps the others (a voiced operator
    // stays voiced when de-opped). A nick not listed is added under what it then holds.
    void changeMemberRank(ChatWindow* channel, const QString& nick, QChar rank, bool held);
    void renameMember(ChatWindow* channel, const QString& oldNick, const QString& newNick);

Q_SIGNALS:
    void windowCreated(ChatWindow* window);
    // A network node was added to the picker; the front end gives it what it shows.
    void networkNodeCreated(ChatWindow* node);
    // Sent before the record goes: the front end drops the window's widgets.
    void windowDestroying(ChatWindow* window);
    // The picker's rows need painting again (a label, a mark or the list changed).
    void pickerChanged();
    void topicChanged(ChatWindow* channel);
    // A message that mentions the user, or a private message, arrived in window.
    void attentionWanted(ChatWindow* window, const QString& sender, const QString& message,
                         bool highlight);
    // A line went into a chat window (without its timestamp); sender is who said it, the
    // user for the user's own lines, empty for the client's and the server's. While it is
    // sent, inboundLine() holds the time and msgid the server gave the line, if any.
    void lineShown(ChatWindow* window, const QString& sender, const QString& text, int lineClass);
    // The view was scrolled past the first (last) line in memory: count lines before
    // (after) a place are to be read from the store and given to showOlder (showNewer).
    void olderLinesWanted(ChatWindow* window, ChatStorePlace before, int count);
    // A stored line asked for is in the window's document, at line.
    void storedLineShown(ChatWindow* window, qsizetype line);
    void newerLinesWanted(ChatWindow* window, ChatStorePlace after, int count);

private:
    void setUpPicker();
    // Adds and drops network nodes as the networks in use and their windows ask, puts
    // them in place and each window under its network's node.
    void syncNodes();
    void regroup();
    void showLine(ChatWindow* window, const QString& text, int lineClass, bool highlight,
                  const QString& sender);
    qsizetype insertionIndex(int sectionKind, int windowKind) const;
    ChatWindow* insertChatWindow(std::unique_ptr<ChatWindow> item, int sectionKind);
    std::unique_ptr<ChatWindow> newChatItem(int kindNumber, ConversationKind conversationKind,
                                            const QString& name);
    void showThemeErrors(ChatWindow& window);
    qsizetype lineLimitFor(const ChatWindow& window) const;
    void askForOlder(ChatWindow* window);
    void askForNewer(ChatWindow* window);
    QString pastText(const PastLine& line) const;
    void followOwnRank(ChatWindow* channel, const QString& nick, QChar rank);
    bool writeLog(ChatWindow* window, const QString& text);
    void finishLogFile(ChatWindow* window);
    QString logTimestamp() const;
    QString lineTimestamp() const;
    static QString timestampOf(const QDateTime& time);
    void noteSpeaker(ChatWindow* window, const QString& nick);
    // Shows a channel window the user asked for, once.
    void showIfAskedFor(ChatWindow* channel);
    static QString askedForKey(int network, const QString& channel);
    void forgetAskedFor(int network);
    static bool isService(const QString& nick);

    SendLine sendLine_;
    LineLog& status_;
    EventHook& events_;
    Options& options_;
    QString programFolder_;
    OwnNickname ownNickname_;
    ThemeChooser chooseTheme_;
    const Clock* clock_;
    std::vector<std::unique_ptr<ChatWindow>> items_;
    PickerLayout picker_;
    QSet<QString> refusedLogs_; // log paths already reported as links; said once each
    qsizetype lineLimit_;       // lines each window keeps; 0 keeps all
    QSet<QString> askedFor_;    // "network/channel", lower case: to show once joined
    static constexpr int NoScope = -1;
    int scoped_ = NoScope;      // the network a NetworkScope names
    mutable int lastShown_ = 0; // the network of the chat window shown alone last
    QList<NetworkGroup> groups_;
    InboundLine inbound_;
    LineStore lineStore_;
};
