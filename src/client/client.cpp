#include "client/client.h"

#include "chat/chatthemes.h"
#include "core/formatting.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

Client::Client(const QString& programFolder, Prompts& prompts, QObject* parent)
    : Client(programFolder, prompts, std::make_unique<Clock>(), nullptr, parent)
{
}

Client::Client(const QString& programFolder, Prompts& prompts, const Clock& clock, QObject* parent)
    : Client(programFolder, prompts, nullptr, &clock, parent)
{
}

Client::Client(const QString& programFolder, Prompts& prompts, std::unique_ptr<Clock> ownClock,
               const Clock* clock, QObject* parent)
    : QObject(parent), ownClock_(std::move(ownClock)), clock_(clock ? *clock : *ownClock_),
      programFolder_(programFolder),
      sharedSounds_(options_.sound, programFolder + QStringLiteral("sounds/"), sounds_),
      fileServer_(options_.fileServer, programFolder + QStringLiteral("fileserver/"),
                  [this](const QString& line) { statusLog_.add(line); }),
      events_(options_.sound.soundlist, sounds_),
      session_(
          options_, statusLog_, serverView_,
          [this](const QString& event) { events_.fireEvent(event); }, prompts, ticker_, this),
      windows_([this](const QString& line) { session_.sendLine(line); }, statusLog_, events_,
               options_, programFolder, [this] { return session_.currentNickname(); }, this),
      ignoreList_(options_.ignore, statusLog_, events_, this),
      floodGuard_(options_, ignoreList_, statusLog_, events_, clock_,
                  NicknameControl{[this] { return session_.currentNickname(); },
                                  [this](const QString& nick) { session_.setNickname(nick); }},
                  this),
      inquiries_(statusLog_, events_, ignoreList_, clock_, this),
      ctcp_(session_, windows_, events_, inquiries_, sharedSounds_, options_, clock_),
      userMessages_(session_, windows_, events_, statusLog_, options_, floodGuard_, ctcp_, clock_),
      notifyList_(
          options_.notify, statusLog_, events_, prompts,
          [this](const QString& line) { session_.sendLine(line); }, this),
      userActions_([this](const QString& line) { session_.sendLine(line); }, inquiries_, windows_,
                   clock_, this),
      commands_([this](const QString& line) { session_.sendLine(line); }, windows_, statusLog_,
                events_, options_, {}, this),
      soundActions_([this](const QString& line) { session_.sendLine(line); }, windows_, sounds_,
                    options_.sound, [this] { return session_.currentNickname(); }),
      serverTree_(prompts, this), recentServers_(options_.servers.recent, session_, this),
      rawData_(
          programFolder, statusLog_, clock_,
          [this](const QString& line) { session_.sendLine(line); }, this)
{
    // Never the whole disk: a new user serves an empty folder of the program folder.
    options_.fileServer.root = programFolder_ + QStringLiteral("Shared Files/");
    sharedSounds_.setOwnNickname([this] { return session_.currentNickname(); });
    userMessages_.setSoundRequestHandler([this](const QString& sender, const QString& text) {
        sharedSounds_.answerSoundRequest(sender, text);
    });
    connect(&session_, &Session::rawLineRecorded, &rawData_, &RawData::recordRawLine);
    session_.setRawDataHooks({[this] { rawData_.clearView(); }, [this] { rawData_.enableInput(); },
                              [this] { rawData_.endLogForShutdown(); }});
    session_.setRegisteredServerRecorder(
        [this](const QString& label, const QString& host, int port) {
            recentServers_.remember(label, host, port);
        });
    CommandParser::Hooks& commandHooks = commands_.hooks();
    commandHooks.whoisUser = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.whoisUser(s, a, w);
    };
    commandHooks.versionUser = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.versionUser(s, a, w);
    };
    commandHooks.timeUser = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.timeUser(s, a, w);
    };
    commandHooks.pingUser = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.pingUser(s, a, w);
    };
    commandHooks.namesChannel = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.namesChannel(s, a, w);
    };
    commandHooks.lookupUser = [this](const QString& s, const QString& a, ChatWindow* w) {
        userActions_.lookupUser(s, a, w);
    };
    commandHooks.ownNickname = [this] { return session_.currentNickname(); };
    commandHooks.setNickname = [this](const QString& nick) { session_.setNickname(nick); };
    commandHooks.lookupPending = [this] { return inquiries_.lookupPending(); };
    commandHooks.openFile = [](const QString& fileName) {
        return QFileInfo::exists(fileName) &&
               QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
    };
    commandHooks.playSound = [this](ChatWindow*, const QString& file) {
        const QString path = sharedSounds_.soundFile(file.trimmed());
        if (!path.isEmpty())
            sounds_.playSound(path, false);
    };
    session_.setUserMessageHandler(
        [this](const QString& line) { userMessages_.handleUserLine(line); });
    ServerMessages::Targets replies;
    replies.windows = &windows_;
    replies.inquiries = &inquiries_;
    replies.events = &events_;
    replies.handleUserLine = [this](const QString& line) { userMessages_.handleUserLine(line); };
    replies.ison = [this](const QString& parameters) { notifyList_.handleIsonAnswer(parameters); };
    replies.channelList = [this](int numeric, const QString& parameters) {
        channelList_.handleReply(numeric, parameters);
    };
    ChannelList::Hooks listHooks;
    listHooks.sendLine = [this](const QString& line) { session_.sendLine(line); };
    listHooks.statusLine = [this](const QString& text) { addStatusLine(text); };
    listHooks.connected = [this] { return session_.isConnected(); };
    listHooks.serverName = [this] { return session_.serverPrefix(); };
    listHooks.expectedCount = [this] { return serverMessages_.expectedChannelCount(); };
    channelList_.setHooks(std::move(listHooks));
    serverMessages_.setTargets(std::move(replies));
    session_.setServerLineHandler(
        [this](const QString& line) { serverMessages_.handleServerLine(line); },
        [this] { serverMessages_.reset(); });
    session_.setEverySecondTick([this] {
        notifyList_.sendIson();
        inquiries_.expireInquiries();
    });
    // Inquiry results go to the window they were asked from, or to the status list.
    inquiries_.setWindowLines([this](const QString& name, const QString& text, int lineClass) {
        ChatWindow* window = windows_.findChannelWindow(name);
        if (!window)
            window = windows_.findPrivateWindow(name);
        if (!window)
            return false;
        windows_.addLine(window, text, lineClass);
        return true;
    });
    windows_.setClock(&clock_);
    windows_.setThemeChooser([this](ConversationKind conversationKind, const QString& name) {
        return ChatThemes::windowTheme(programFolder_, options_.display.themeUses, conversationKind,
                                       name);
    });
    // A window's events make sounds only while it is on screen and its sound is on.
    events_.setWindowPlaysSounds(
        [](const ChatWindow* window) { return window->shown && window->soundEnabled; });
    session_.setChatWindowCloser([this] { windows_.closeChatWindowsForDisconnect(); });
    session_.setInquiryDiscarder([this] {
        inquiries_.clearInquiries();
        inquiries_.clearPendingLookup();
    });
    wireNotifyList();
    connect(&session_, &Session::registered, this, [this] {
        if (!channelToJoin_.isEmpty())
            windows_.joinChannel(channelToJoin_);
    });
}

void Client::wireNotifyList()
{
    // Registration starts from a clean slate, whatever was polled while disconnected.
    session_.setNotifyHooks(
        [this] {
            notifyList_.resetPresence();
            notifyList_.sendIson();
        },
        [this] { notifyList_.resetPresence(); });
    inquiries_.registerAction(QStringLiteral("radar"),
                              [this](PendingInquiry& record) { return notifyList_.radar(record); });
    // The user-detail requests, with no window to show in.
    const QString radar = QStringLiteral("radar");
    NotifyList::Queries queries;
    queries.ping = [this, radar](const QString& nick) {
        userActions_.pingUser(nick, radar, nullptr);
    };
    queries.version = [this, radar](const QString& nick) {
        userActions_.versionUser(nick, radar, nullptr);
    };
    queries.time = [this, radar](const QString& nick) {
        userActions_.timeUser(nick, radar, nullptr);
    };
    queries.whois = [this, radar](const QString& nick) {
        userActions_.whoisUser(nick, radar, nullptr);
    };
    notifyList_.setQueries(std::move(queries));
}

bool Client::connectToAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QStringLiteral("irc"), Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty())
        return false;
    const int port = url.port(6667);
    if (port <= 0 || port > 65535)
        return false;
    QString channel = url.path();
    if (channel.startsWith(u'/'))
        channel.remove(0, 1);
    if (!url.fragment().isEmpty())
        channel = u'#' + url.fragment(); // irc://host/#chan puts the name in the fragment
    if (!channel.isEmpty() && !channel.startsWith(u'#') && !channel.startsWith(u'&'))
        channel.prepend(u'#');
    channelToJoin_ = channel;
    session_.connectToKnownHost(url.host(), port, url.host());
    return true;
}

bool Client::readPosterSettings()
{
    SettingsFile file(settingsFileName());
    const bool ok = file.load();
    file.readPoster(options_);
    return ok;
}

void Client::loadPoster()
{
    AppearanceOptions& look = options_.appearance;
    if (look.noPoster) {
        poster_.load(programFolder_, Poster::noPosterName(), {});
        return;
    }
    if (look.lastPoster == Poster::noPosterName())
        look.lastPoster = defaultPosterName();
    poster_.load(programFolder_, look.lastPoster,
                 [this](const QString& text) { addStatusLine(text); });
}

bool Client::readSettings()
{
    SettingsFile file(settingsFileName());
    if (!file.load())
        return false;
    file.readSettings(options_, stored_);
    for (const QString& key : file.problems())
        qWarning("quorl.ini: the value of %s is not used", qPrintable(key));
    ignoreList_.restorePermanent(stored_.permanentIgnores);
    notifyList_.setNicknames(options_.notify.nicknames);
    options_.servers.serverListBookmark = stored_.serverListBookmark;
    for (size_t n = 0; n < options_.servers.recent.size(); ++n) {
        const RecentServerSlot& slot = stored_.recentServers.at(n);
        options_.servers.recent.at(n) =
            slot.inUse() ? RecentServer{slot.label, slot.host, slot.port} : RecentServer{};
    }
    session_.setNickname(options_.user.nickname);
    settingsRead_ = true;
    return true;
}

bool Client::readWindowPlacement()
{
    SettingsFile file(settingsFileName());
    if (!file.load())
        return false;
    file.readWindowPlacement(stored_);
    return true;
}

bool Client::writeSettings()
{
    stored_.permanentIgnores = ignoreList_.permanentNicknames();
    options_.notify.nicknames = notifyList_.nicknames();
    stored_.serverListBookmark = options_.servers.serverListBookmark;
    for (size_t n = 0; n < options_.servers.recent.size(); ++n) {
        const RecentServer& entry = options_.servers.recent.at(n);
        RecentServerSlot& slot = stored_.recentServers.at(n);
        // Keys of a slot no longer in use stay in the file as they were.
        if (!entry.label.isEmpty())
            slot = RecentServerSlot{entry.label, entry.host, entry.port};
        else
            slot.label.clear();
    }
    SettingsFile file(settingsFileName());
    // Keys of other releases in the file stay; a file that cannot be read is not replaced.
    bool ok = file.load();
    if (ok) {
        file.writeSettings(options_, stored_);
        ok = file.save();
    }
    if (!ok)
        addStatusLine(QStringLiteral("Unable to write to ") + settingsFileName());
    return ok;
}

void Client::shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    addStatusLine(QStringLiteral("Shutting Down..."));
    rawData_.endLogForShutdown();
    session_.quitForShutdown();
    windows_.closeAllWindows();
    // DCC connections and transfers end here once they exist.
    serverTree_.save(serverListPath());
    options_.servers.serverListBookmark = serverTree_.bookmark();
    if (settingsRead_)
        writeSettings();
}

void Client::loadServerList()
{
    serverTree_.load(serverListPath(), options_.servers.serverListBookmark);
}

bool Client::connectToSelectedServer()
{
    // A double-click reaches here too, and must not start a second connection.
    const auto target = ServerTree::targetOf(serverTree_.selected());
    if (!target || !session_.connectEnabled())
        return false;
    session_.connectToServer(target->host, target->portList, target->description);
    return true;
}
