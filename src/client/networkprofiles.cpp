// The client's side of the networks' own settings (networks.ini): what a session to a
// network's host takes from them, what runs once it registers, what start-up connects
// and what shutdown keeps.
#include "client/client.h"

#include "irc/ircnames.h"
#include "irc/outbound.h"
#include "irc/portselection.h"

namespace {
// "#channel key" into its name and key.
std::pair<QString, QString> channelAndKey(const QString& entry)
{
    const QString text = entry.simplified();
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? std::pair{text, QString()}
                     : std::pair{text.left(blank), text.mid(blank + 1)};
}
} // namespace

NetworkSettings Client::networkSettingsOf(const QString& host, int port) const
{
    const QString network = serverTree_.networkOfServer(host, port % RegisteredPortOffset);
    if (network.isEmpty())
        return {};
    NetworkSettingsFile file(programFolder_);
    if (!file.load())
        return {};
    return file.settings(network);
}

void Client::wireNetworkSettings(Network& network)
{
    Session& session = network.session();
    session.setProfileLookup([this, &session](const QString& host) {
        const NetworkSettings settings = networkSettingsOf(host, session.port());
        return Session::HostProfile{settings.nicknames, settings.encoding};
    });
    session.setIdentityLookup([this, &session](const QString& host) {
        return TlsSocket::ClientIdentity{networkSettingsOf(host, session.port()).certificateFile,
                                         QString()};
    });
}

void Client::runConnectSteps(Network& network, bool freshConnection)
{
    NetworkSettingsFile file(programFolder_);
    const NetworkSettings settings =
        file.load() ? file.settings(folderOf(network)) : NetworkSettings();
    // Typed lines, as in a window of no channel: "/msg NickServ ...", "/mode ...". A line
    // without its slash is taken as a command all the same.
    for (const QString& line : settings.commands) {
        const QString command = line.startsWith(u'/') ? line : u'/' + line;
        commands_.runCommand(nullptr, ConversationKind::Private, QString(), command);
    }
    // A reconnect joins what was open when the connection was lost instead.
    if (!freshConnection)
        return;
    QStringList channels = settings.channels + network.channelsToRestore();
    network.setChannelsToRestore({});
    QStringList joined;
    for (const QString& entry : std::as_const(channels)) {
        const auto [channel, key] = channelAndKey(entry);
        if (channel.isEmpty() || std::any_of(joined.cbegin(), joined.cend(), [&](const QString& n) {
                return sameName(n, channel);
            }))
            continue;
        joined << channel;
        if (key.isEmpty()) {
            windows_.joinChannel(channel);
        } else {
            network.session().sendLine(Outbound::join(channel, key));
            windows_.showOnceJoined(channel);
        }
    }
}

QString Client::folderOf(const Network& network) const
{
    const Session& session = network.session();
    return serverTree_.networkOfServer(session.host(), session.port() % RegisteredPortOffset);
}

void Client::connectAtStart()
{
    NetworkSettingsFile file(programFolder_);
    if (!file.load())
        return;
    for (const ServerNode* folder : serverTree_.networks()) {
        const NetworkSettings settings = file.settings(folder->text);
        const std::optional<ServerTarget> target = ServerTree::firstServerOf(folder);
        if (!settings.connectAtStart || !target)
            continue;
        // Each network on a connection of its own, once; several may share a host.
        Network* network = nullptr;
        bool connected = false;
        for (const auto& candidate : networks_) {
            if (candidate->inUse())
                connected = connected || folderOf(*candidate) == folder->text;
            else if (!network)
                network = candidate.get();
        }
        if (connected)
            continue;
        if (!network)
            network = &openNetwork();
        network->setChannelsToRestore(settings.openChannels);
        network->session().connectToServer(target->host, target->portList, target->description);
    }
}

void Client::storeOpenChannels()
{
    // Only networks that connect at start rejoin what they had open, so only theirs is
    // kept; a network not connected now keeps what it had the last time.
    NetworkSettingsFile file(programFolder_);
    if (!file.load())
        return;
    bool changed = false;
    for (const auto& network : networks_) {
        const QString name = folderOf(*network);
        NetworkSettings settings = file.settings(name);
        if (!network->inUse() || !settings.connectAtStart)
            continue;
        QStringList open;
        for (qsizetype i = 0; i < windows_.count(); ++i) {
            const ChatWindow* window = windows_.at(i);
            if (window->network == network->id() &&
                window->conversationKind == ConversationKind::Channel)
                open << (window->keySet && !window->channelKey.isEmpty()
                             ? window->channelName + u' ' + window->channelKey
                             : window->channelName);
        }
        settings.openChannels = open;
        file.setSettings(name, settings);
        changed = true;
    }
    if (changed && !file.save())
        addStatusLine(QStringLiteral("Unable to write to ") +
                      NetworkSettingsFile::fileName(programFolder_));
}
