#pragma once

#include "behaviours/behaviours.h"
#include "chat/rawdata.h"
#include "chat/windowregistry.h"
#include "client/conversations.h"
#include "client/historyfetch.h"
#include "client/network.h"
#include "client/notifier.h"
#include "client/serverconnection.h"
#include "commands/commandparser.h"
#include "commands/soundactions.h"
#include "commands/useractions.h"
#include "core/clock.h"
#include "core/linelog.h"
#include "core/options.h"
#include "dcc/dccservice.h"
#include "fileserver/fileserver.h"
#include "filters/ignorelist.h"
#include "history/historystore.h"
#include "inbound/inquiries.h"
#include "inbound/notifylist.h"
#include "irc/clientsocket.h"
#include "irc/session.h"
#include "menu/menumod.h"
#include "script/eventhook.h"
#include "script/scriptobjects.h"
#include "settings/channellist.h"
#include "settings/networksettings.h"
#include "settings/recentservers.h"
#include "settings/servertree.h"
#include "settings/settingschanges.h"
#include "settings/settingsfile.h"
#include "sound/sharedsounds.h"
#include "sound/soundplayer.h"
#include "theme/poster.h"
#include "theme/themeeditor.h"

#include <QObject>

#include <memory>
#include <unordered_map>
#include <vector>

class Prompts;

// Everything that lives for the whole run. The main window owns one Client and presents
// it; tests drive one without any window.
class Client : public QObject
{
    Q_OBJECT
public:
    Client(const QString& programFolder, Prompts& prompts, QObject* parent = nullptr);
    // Tests hand in a clock they move by hand; it must outlive the client.
    Client(const QString& programFolder, Prompts& prompts, const Clock& clock,
           QObject* parent = nullptr);

    QString programFolder() const { return programFolder_; }
    Options& options() { return options_; }
    // Whoever changes options announces their group here; consumers follow it.
    SettingsChanges& settingsChanges() { return settingsChanges_; }
    LineLog& statusLog() { return statusLog_; }
    // The server's own notices and replies ("Message of the Day"), of the current network.
    LineLog& serverView() { return serverView_; }
    Sounds& sounds() { return sounds_; }
    SharedSounds& sharedSounds() { return sharedSounds_; }
    FileServer& fileServer() { return fileServer_; }
    EventHook& events() { return events_; }
    TimeoutTicker& ticker() { return ticker_; }
    // The networks, each one server connection; the first exists from the start. A new
    // one opens when the user connects to another network while connected.
    qsizetype networkCount() const { return qsizetype(networks_.size()); }
    Network& network(qsizetype index) { return *networks_.at(size_t(index)); }
    // The network that commands and inbound lines act on now: the one handling a line or a
    // typed command, else the one whose window is shown (WindowRegistry::activeNetwork).
    Network& activeNetwork();
    // The network of the window shown (or shown last), whatever is being handled: the one
    // the status strip and the connection buttons present.
    Network& currentNetwork();
    // The active network's session and handlers.
    Session& session() { return activeNetwork().session(); }
    ServerMessages& serverMessages() { return activeNetwork().serverMessages(); }
    WindowRegistry& windows() { return windows_; }
    const Clock& clock() const { return clock_; }
    IgnoreList& ignoreList() { return ignoreList_; }
    FloodGuard& floodGuard() { return activeNetwork().floodGuard(); }
    Inquiries& inquiries() { return inquiries_; }
    UserMessages& userMessages() { return activeNetwork().userMessages(); }
    NotifyList& notifyList() { return notifyList_; }
    UserActions& userActions() { return userActions_; }
    CommandParser& commands() { return commands_; }
    SoundActions& soundActions() { return soundActions_; }
    ServerTree& serverTree() { return serverTree_; }
    RecentServers& recentServers() { return recentServers_; }
    RawData& rawData() { return rawData_; }
    Scripts& scripts() { return scripts_; }
    MenuMods& menuMods() { return menuMods_; }
    DccService& dcc() { return *dcc_; }
    ChannelList& channelList() { return channelList_; }
    // Every line the windows show, kept in history.db for search and reading back; none
    // when the program folder does not exist.
    HistoryStore* history() { return history_.get(); }
    // Deletes the window's lines from the history store, once the user confirms.
    void forgetHistory(ChatWindow* window);
    // Brings the stored line on row into the window's view (a search result), reading it
    // and the lines around it from the store when it is not in memory.
    void showStoredLine(ChatWindow* window, qint64 row);
    // The open window that keeps its lines in the history under this network and window
    // name (a search result's), one on that network first; null when none is open. A DCC
    // chat that is closed cannot be opened again without its peer: a status line says so.
    ChatWindow* windowOfStoredLines(const QString& network, const QString& name);
    // Reads the text logs of the logs folder into the history store, each log once; a
    // status line tells how many lines came in, or why none could.
    void importLogs();
    // The widgets' doors: conversations (join, leave, chats, invitations, sound requests)
    // and the connection (state, nickname, away, invisible, disconnect).
    Conversations& conversations() { return conversations_; }
    ServerConnection& connection() { return connection_; }
    // Desktop notifications for highlights and private messages.
    AttentionNotifications& notifications() { return notifications_; }

    QString serverListPath() const { return programFolder_ + ServerTree::fileName(); }
    // Reads the server list and selects the bookmarked node (start-up, after the settings).
    void loadServerList();
    // "Connect to Server": connects to the selected node when it is a server.
    bool connectToSelectedServer();
    // Start-up, after the server list: every network marked "connect at start" connects
    // to its first server and, once registered, joins the channels it had open at the
    // last shutdown.
    void connectAtStart();
    // The settings of the network a server belongs to in the server list (networks.ini);
    // the defaults for a server of no network.
    NetworkSettings networkSettingsOf(const QString& host, int port) const;

    void addStatusLine(const QString& text) { statusLog_.add(text); }

    // An irc://HOST[:PORT][/CHANNEL] address: connects as a recent server does. The
    // channel waits for registration. False when the address is not one.
    bool connectToAddress(const QString& url);
    // The network a connection to host goes to: the one in use on that host (and port,
    // unless 0) connects again; else one not in use, else a new one beside those in use.
    // Connects network to host with the server's password (empty: none).
    void connectNetwork(Network& network, const QString& host, int port, const QString& password,
                        bool tls);
    Network& networkForHost(const QString& host, int port = 0);
    QString channelToJoin() { return activeNetwork().channelToJoin(); }

    // The settings file, quorl.ini in the program folder.
    QString settingsFileName() const { return SettingsFile::fileName(programFolder_); }
    // Settings that live outside the options model; the window puts its placement here
    // before shutdown.
    StoredState& storedState() { return stored_; }
    // The read passes of the start sequence, in its order. Each returns false when the
    // file exists but cannot be read.
    bool readPosterSettings();
    // The poster behind the picker: none when "Don't use a Poster" is ticked, else the
    // last one chosen; settings that name none give none (a new program folder's
    // settings name the shipped Slate.bmp).
    void loadPoster();
    Poster& poster() { return poster_; }
    // The theme page's open theme; at start the one the settings name (DISPLAY recent).
    ThemeEditor& themeEditor() { return themeEditor_; }
    void openRecentTheme();
    bool readSettings();
    // The user's login name on this machine.
    static QString loginName();
    // At the first start in a new program folder: the login name becomes the nickname in
    // quorl.ini, when it is a valid one and the file names no nickname yet. False when
    // nothing was written.
    static bool startNewSettings(const QString& programFolder, const QString& login);
    bool readWindowPlacement();
    // Start-up: the script named by SCRIPTS last, when its file exists; and the menu mod
    // named by MISC modname.
    void loadLastScript();
    void loadMenuMod();
    // False, with the status line "Unable to write to " + the file, when it cannot be
    // written; the old file then stays as it was.
    bool writeSettings();
    // Settings are written at shutdown only once they were read, so a client that never
    // read its file (or could not) does not overwrite it with defaults.
    bool settingsRead() const { return settingsRead_; }

    bool shuttingDown() const { return shuttingDown_; }
    void shutdown();

Q_SIGNALS:
    // The settings file was read: whatever shows a setting shows it again.
    void settingsLoaded();
    // The server connection closed and took the file server down with it.
    void fileServerSwitchedOff();

private:
    Client(const QString& programFolder, Prompts& prompts, std::unique_ptr<Clock> ownClock,
           const Clock* clock, QObject* parent);
    // The wiring, by area. Session and inbound belong to the one server connection; the
    // rest is shared by whatever is connected.
    // A new network, not yet wired (the first is made before what it is wired to).
    Network& createNetwork();
    Network& openNetwork();
    void wireSession(Network& network);
    void wireInbound(Network& network);
    void wireWindows();
    void wireCommands();
    void wireNotifyList();
    // The notify list watches or polls the network once it registers.
    void watchNotifyList(Network& network);
    void wireScripts();
    void wireDcc(Prompts& prompts);
    void wireFileServer();
    void wireSettings();
    void wireHistory();
    void storeServerMessages(Network& network);
    // A channel joined on a network whose server keeps history gets what it missed.
    void fetchHistoryOn(Network& network);
    // A channel or private window that opens reads its last lines from the store.
    void readPast(ChatWindow* window);
    void wireScrollback();
    static QList<WindowRegistry::PastLine> pastLines(const QList<HistoryRow>& rows);
    // Whether the window keeps its lines in the history under this network and name.
    bool storesAs(const ChatWindow& window, const QString& network, const QString& name);
    // The window's name in the history store.
    static QString storedName(const ChatWindow& window);
    void endFileServerSession(const QObject* chat);
    void onSessionClosed(Network& network);
    void onRegistered(Network& network);
    // What a network's settings add to its session (nicknames, encoding, certificate),
    // to its registration (connect commands, channels), and to shutdown (the channels
    // it had open).
    void wireNetworkSettings(Network& network);
    void runConnectSteps(Network& network, bool freshConnection);
    // The server list's name for the network a session is on; empty for none.
    QString folderOf(const Network& network) const;
    void storeOpenChannels();
    // Closes the active network's windows kept from a lost connection that will not come
    // back.
    void closeKeptWindows();
    // Runs f (with the arguments of the signal it answers) with network active.
    template <typename F> auto within(Network& network, F f)
    {
        return [this, &network, f](auto&&... arguments) {
            const WindowRegistry::NetworkScope scope(windows_, network.id());
            f(arguments...);
        };
    }
    Network::Shared shared(Prompts& prompts);
    // The network with that number; the first for a number no network has.
    Network& networkNumbered(int id);
    // Tells the picker which networks are in use, and the connection door when the
    // current window's network is another one.
    void showNetworks();
    void followCurrentNetwork();

    std::unique_ptr<Clock> ownClock_;
    const Clock& clock_;
    QString programFolder_;
    Options options_;
    SettingsChanges settingsChanges_;
    LineLog statusLog_;
    LineLog serverView_;
    Sounds sounds_;
    SharedSounds sharedSounds_;
    FileServer fileServer_;
    EventHook events_;
    TimeoutTicker ticker_;
    Prompts& prompts_;
    WindowRegistry windows_;
    IgnoreList ignoreList_;
    Inquiries inquiries_;
    std::vector<std::unique_ptr<Network>> networks_;
    // The first network; recent servers follow it.
    Network& primary_;
    NotifyList notifyList_;
    UserActions userActions_;
    CommandParser commands_;
    SoundActions soundActions_;
    ServerTree serverTree_;
    RecentServers recentServers_;
    RawData rawData_;
    Scripts scripts_;
    Behaviours behaviours_;
    MenuMods menuMods_;
    std::unique_ptr<DccService> dcc_;
    ChannelList channelList_;
    DesktopNotifier desktopNotifier_;
    AttentionNotifications notifications_;
    Poster poster_;
    ThemeEditor themeEditor_;
    Conversations conversations_{[this](const QString& line) { session().sendLine(line); },
                                 windows_, options_};
    ServerConnection connection_{[this]() -> Session& { return currentNetwork().session(); }};
    int shownNetwork_ = 0; // the network the connection door last told of
    StoredState stored_;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<HistoryFetch> historyFetch_;
    // The hosts' secure-connection policies, read at start and kept as servers give them;
    // in memory only for a client without a program folder.
    StsPolicies stsPolicies_;
    // The windows whose past is being read, by the store's request number.
    // The windows whose past is being read, by the store's request number; and those
    // scrolled beyond memory, with the side read (older or newer lines).
    std::unordered_map<quint64, ChatWindow*> pastReads_;
    // Reads for a window's scrolling, by request: a page before or after what it holds, or
    // the lines around a stored line asked for.
    struct ScrollRead
    {
        enum Kind { Older, Newer, Around };
        ChatWindow* window = nullptr;
        Kind kind = Older;
        qint64 row = 0; // of the line asked for
    };
    std::unordered_map<quint64, ScrollRead> scrollReads_;
    bool settingsRead_ = false;
    bool shuttingDown_ = false;
    // The file server's peers, one for each DCC chat offered for it, by chat session. The
    // chats' connections hang on fileServerLinks_, declared last so that it goes first and
    // no chat that ends while the client is torn down reaches the map.
    std::unordered_map<const QObject*, std::unique_ptr<FileServerPeer>> fileServerPeers_;
    QObject fileServerLinks_;
};
