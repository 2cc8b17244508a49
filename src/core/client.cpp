#include "core/client.h"

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
      programFolder_(programFolder), events_(options_.sound.soundlist, sounds_),
      session_(options_, statusLog_, serverView_, events_, prompts, ticker_, this),
      windows_([this](const QString& line) { session_.sendline(line); }, statusLog_, events_,
               options_, programFolder, [this] { return session_.currentNickname(); }, this),
      ignoreList_(options_.ignore, statusLog_, events_, this),
      floodGuard_(options_, ignoreList_, statusLog_, events_, clock_,
                  NicknameControl{[this] { return session_.currentNickname(); },
                                  [this](const QString& nick) { session_.setNickname(nick); }},
                  this),
      inquiries_(statusLog_, events_, ignoreList_, clock_, this),
      ctcp_(session_, windows_, events_, inquiries_, sounds_, options_, clock_,
            programFolder + QStringLiteral("sounds/")),
      userMessages_(session_, windows_, events_, statusLog_, options_, floodGuard_, ctcp_, clock_),
      serverTree_(prompts, this), recentServers_(options_.servers.recent, session_, this)
{
    session_.setRegisteredServerRecorder(
        [this](const QString& label, const QString& host, int port) {
            recentServers_.remember(label, host, port);
        });
    session_.setUserMessageHandler([this](const QString& line) { userMessages_.usermessage(line); });
    ServerMessages::Targets replies;
    replies.windows = &windows_;
    replies.inquiries = &inquiries_;
    replies.events = &events_;
    replies.usermessage = [this](const QString& line) { userMessages_.usermessage(line); };
    session_.setServerReplyTargets(std::move(replies));
    session_.setEverySecondTick([this] { inquiries_.expireInquiries(); });
    // Inquiry results go to the window they were asked from, or to the status list.
    inquiries_.setWindowLines([this](const QString& name, const QString& text, int lineClass) {
        Tpickeritem* window = windows_.findChannelWindow(name);
        if (!window)
            window = windows_.findPrivateWindow(name);
        if (!window)
            return false;
        windows_.addLine(window, text, lineClass);
        return true;
    });
    windows_.setClock(&clock_);
    // A window's events make sounds only while it is on screen and its sound is on.
    events_.setWindowPlaysSounds(
        [](const Tpickeritem* window) { return window->shown && window->soundEnabled; });
    session_.setChatWindowCloser([this] { windows_.closeChatWindowsForDisconnect(); });
    session_.setInquiryDiscarder([this] {
        inquiries_.clearInquiries();
        inquiries_.clearPendingLookup();
    });
    connect(&session_, &Session::registered, this, [this] {
        if (!channelToJoin_.isEmpty())
            windows_.joinChannel(channelToJoin_);
    });
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

void Client::shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    addStatusLine(QStringLiteral("Shutting Down..."));
    // Raw logging ends here once the raw log exists.
    session_.quitForShutdown();
    windows_.closeAllWindows();
    // DCC connections and transfers end here once they exist.
    serverTree_.save(serverListPath());
    options_.servers.serverListBookmark = serverTree_.bookmark();
    // The settings file is written here once it exists.
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
