#include "import/settingsimport.h"

#include "core/options.h"
#include "core/privateprofile.h"
#include "inbound/notifylist.h"
#include "irc/ircnames.h"

#include <QFileInfo>
#include <QHash>

namespace {
const QString endOfIni = QStringLiteral("endofini");

std::unique_ptr<ServerNode> node(const QString& text, int kind)
{
    auto made = std::make_unique<ServerNode>();
    made->text = text;
    made->kind = kind;
    return made;
}

ServerNode* addChild(ServerNode* parent, std::unique_ptr<ServerNode> child)
{
    child->parent = parent;
    parent->children.push_back(std::move(child));
    return parent->children.back().get();
}

void addServer(ServerNode* parent, const QString& description, const QString& host,
               const QString& ports)
{
    ServerNode* server = addChild(parent, node(description, ServerKind::Server));
    addChild(server, node(QStringLiteral("HOST: ") + host, ServerKind::ServerData));
    addChild(server, node(QStringLiteral("PORT: ") + ports, ServerKind::ServerData));
}

// A value taken only when it is there and differs from the reader's default.
std::optional<QString> changed(const PrivateProfile& file, const char* section, const char* key,
                               const QString& defaultValue, int limit)
{
    const QString value =
        file.classicValue(QLatin1String(section), QLatin1String(key), defaultValue);
    if (value == defaultValue || value.trimmed().isEmpty())
        return std::nullopt;
    return value.left(limit);
}

// A nickname from another client's file, taken only when servers would accept it.
std::optional<QString> importedNickname(const QString& value, ImportedSettings& out)
{
    const QString nick = value.trimmed();
    if (isValidNickname(nick))
        return nick;
    out.refusedNicknames << nick;
    return std::nullopt;
}

bool isMirc(const QString& source)
{
    return source.left(4) == QLatin1String("Mirc");
}

void readMirc(const QString& source, const QString& folder, ImportedSettings& out)
{
    const PrivateProfile ini(folder + QStringLiteral("mirc.ini"));
    QStringList notify;
    for (int i = 0; i < 30; ++i) {
        QString value =
            ini.classicValue(QStringLiteral("NOTIFY"), QStringLiteral("n") + QString::number(i));
        const qsizetype note = value.indexOf(QLatin1String("NOTE"));
        if (note >= 0)
            value = value.left(note);
        value = value.trimmed();
        if (value.isEmpty())
            break;
        notify << value;
    }
    if (!notify.isEmpty())
        out.notify = notify;
    out.ident = changed(ini, "Ident", "userid", QStringLiteral("YourIdent"), OptionLimits::ident);
    out.realName = changed(ini, "mirc", "user", QStringLiteral("YourName"), OptionLimits::realName);
    out.email = changed(ini, "mirc", "email", QStringLiteral("YourEmail"), OptionLimits::email);
    std::optional<QString> nick;
    if (const auto value = changed(ini, "mirc", "nick", QStringLiteral("YourNick1"), 1024))
        nick = importedNickname(*value, out);
    if (nick) {
        out.nicknames = QStringList{*nick};
        out.nickname = *nick;
    }
    // The alternative nickname joins the list; alone, it leaves the current nickname be.
    if (const auto value = changed(ini, "mirc", "anick", QStringLiteral("YourNick2"), 1024)) {
        if (const auto other = importedNickname(*value, out)) {
            QStringList& list = out.nicknames ? *out.nicknames : out.moreNicknames;
            if (!list.contains(*other, Qt::CaseInsensitive))
                list << *other;
        }
    }

    static const QStringList inServersFile{"Mirc 5.02", "Mirc 5.00", "Mirc 4.72", "Mirc 4.70",
                                           "Mirc 4.50"};
    const bool serversFile = inServersFile.contains(source);
    const PrivateProfile servers =
        serversFile ? PrivateProfile(folder + QStringLiteral("servers.ini")) : ini;
    const QString prefix = serversFile ? QStringLiteral("n") : QStringLiteral("sv");
    auto folderNode = node(QStringLiteral("Imported ") + source, ServerKind::Folder);
    // The group folders made so far, by their text: the folder's only children that are
    // not servers.
    QHash<QString, ServerNode*> groups;
    for (int index = 0;; ++index) {
        const QString entry = servers.classicValue(QStringLiteral("Servers"),
                                                   prefix + QString::number(index), endOfIni);
        if (entry == endOfIni)
            break;
        const auto server = SettingsImport::parseMircServer(entry);
        if (!server)
            continue;
        ServerNode* parent = folderNode.get();
        if (!server->group.isEmpty()) {
            ServerNode*& group = groups[server->group];
            if (!group)
                group = addChild(folderNode.get(), node(server->group, ServerKind::Folder));
            parent = group;
        }
        addServer(parent, server->description, server->host, server->ports);
        ++out.serverCount;
    }
    if (out.serverCount > 0)
        out.folder = std::move(folderNode);
}

// The notify list and identity of quorlirc.ini; nothing when the folder has no such file.
void readOwnIdentity(const QString& folder, ImportedSettings& out)
{
    const QString fileName = folder + QStringLiteral("quorlirc.ini");
    if (!QFileInfo(fileName).isFile())
        return;
    const PrivateProfile ini(fileName);
    bool ok = false;
    const int topNotify =
        ini.classicValue(QStringLiteral("NOTIFY"), QStringLiteral("topnotify"), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    if (ok && topNotify >= 0) {
        QStringList notify;
        for (int i = 0; i <= topNotify && i < 1000; ++i) {
            const QString nick = ini.classicValue(QStringLiteral("NOTIFY"),
                                                  QStringLiteral("notify") + QString::number(i))
                                     .trimmed();
            if (!nick.isEmpty() && !notify.contains(nick))
                notify << nick;
        }
        if (!notify.isEmpty())
            out.notify = notify;
    }
    out.realName = changed(ini, "user", "name", QStringLiteral("YourName"), OptionLimits::realName);
    out.email = changed(ini, "user", "email", QStringLiteral("YourEmail"), OptionLimits::email);
    out.ident =
        changed(ini, "user", "useridentdid", QStringLiteral("YourIdentd"), OptionLimits::ident);
    const int topNick =
        ini.classicValue(QStringLiteral("user"), QStringLiteral("topnick"), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    if (ok && topNick > 0) {
        QStringList nicks;
        for (int i = 0; i <= topNick && i < 1000; ++i) {
            const QString value = ini.classicValue(QStringLiteral("user"),
                                                   QStringLiteral("nick") + QString::number(i))
                                      .trimmed();
            if (value.isEmpty())
                continue;
            const auto nick = importedNickname(value, out);
            if (nick && !nicks.contains(*nick))
                nicks << *nick;
        }
        if (nicks.isEmpty())
            nicks << QStringLiteral("YourNick");
        out.nickname = nicks.first();
        out.nicknames = nicks;
    }
}

void readRelease124(const QString& source, const QString& folder, ImportedSettings& out)
{
    const PrivateProfile servers(folder + QStringLiteral("servmstr.ini"));
    bool ok = false;
    const int top =
        servers.classicValue(QStringLiteral("Servers"), QStringLiteral("topserver"), endOfIni)
            .trimmed()
            .toInt(&ok);
    if (!ok || top < 0)
        return;
    auto folderNode = node(QStringLiteral("Imported ") + source, ServerKind::Folder);
    for (int index = 0;; ++index) {
        const QString entry = servers.classicValue(
            QStringLiteral("SERVERS"), QString::number(index) + QStringLiteral("server"), endOfIni);
        if (entry == endOfIni)
            break;
        const QStringList fields = entry.split(u'|');
        if (fields.size() < 5 || fields.at(1).trimmed().isEmpty())
            continue;
        addServer(folderNode.get(), fields.at(0), fields.at(1), fields.at(3));
        ++out.serverCount;
    }
    if (out.serverCount > 0)
        out.folder = std::move(folderNode);
}

void readRelease12x(const QString& source, const QString& folder, ImportedSettings& out)
{
    const PrivateProfile ini(folder + QStringLiteral("quorlirc.ini"));
    bool ok = false;
    const int top =
        ini.classicValue(QStringLiteral("Servers"), QStringLiteral("topserver"), endOfIni)
            .trimmed()
            .toInt(&ok);
    if (!ok || top < 0)
        return;
    auto folderNode = node(QStringLiteral("Imported ") + source, ServerKind::Folder);
    for (int i = 0; i <= top && i < 100000; ++i) {
        const QString number = QString::number(i);
        const QString description = ini.classicValue(
            QStringLiteral("SERVERS"), number + QStringLiteral("serverdescription"), endOfIni);
        const QString host = ini.classicValue(QStringLiteral("SERVERS"),
                                              number + QStringLiteral("serverhostname"), endOfIni);
        const QString port = ini.classicValue(QStringLiteral("SERVERS"),
                                              number + QStringLiteral("serverport"), endOfIni);
        if (description == endOfIni || host == endOfIni || port == endOfIni ||
            host.trimmed().isEmpty())
            continue;
        addServer(folderNode.get(), description, host, port);
        ++out.serverCount;
    }
    if (out.serverCount > 0)
        out.folder = std::move(folderNode);
}
} // namespace

namespace SettingsImport {
const QStringList& sources()
{
    static const QStringList names{"Mirc 5.02",     "Mirc 5.00",     "Mirc 4.72",
                                   "Mirc 4.70",     "Mirc 4.52",     "Mirc 4.50",
                                   "Mirc 4.10",     "QuorlIRC 1.20", "QuorlIRC 1.21",
                                   "QuorlIRC 1.22", "QuorlIRC 1.23", "QuorlIRC 1.24"};
    return names;
}

std::optional<MircServer> parseMircServer(const QString& entry)
{
    MircServer server;
    QString rest = entry;
    const qsizetype colon = rest.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    const QString group = rest.left(colon).trimmed();
    if (!group.contains(u' ')) {
        // The group, its ":" and the one character after it.
        server.group = group;
        rest = rest.mid(colon + 2);
    }
    const qsizetype serverAt = rest.indexOf(QLatin1String("SERVER:"));
    if (serverAt < 0)
        return std::nullopt;
    server.description = rest.left(serverAt);
    rest = rest.mid(serverAt + 7);
    const qsizetype hostEnd = rest.indexOf(u':');
    if (hostEnd < 0)
        return std::nullopt;
    server.host = rest.left(hostEnd);
    rest = rest.mid(hostEnd + 1);
    const qsizetype groupAt = rest.indexOf(QLatin1String("GROUP:"));
    if (groupAt < 0)
        return std::nullopt;
    server.ports = rest.left(groupAt);
    if (server.host.trimmed().isEmpty() || server.description.isEmpty())
        return std::nullopt;
    return server;
}

ImportedSettings read(const QString& source, const QString& folder)
{
    ImportedSettings out;
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith(u'/'))
        base += u'/';
    if (!sources().contains(source))
        return out;
    if (isMirc(source)) {
        readMirc(source, base, out);
    } else {
        readOwnIdentity(base, out);
        if (source == QLatin1String("QuorlIRC 1.24"))
            readRelease124(source, base, out);
        else
            readRelease12x(source, base, out);
    }
    return out;
}

void apply(ImportedSettings& settings, UserOptions& user, NotifyList& notify, ServerTree& tree)
{
    if (!settings.found())
        return;
    if (settings.notify) {
        notify.clear();
        for (const QString& nick : *settings.notify)
            notify.addEntry(nick);
        notify.setSelectedIndex(0);
    }
    if (settings.ident)
        user.ident = *settings.ident;
    if (settings.realName)
        user.realName = *settings.realName;
    if (settings.email)
        user.email = *settings.email;
    if (settings.nicknames && !settings.nicknames->isEmpty()) {
        user.nicknames = *settings.nicknames;
        sortNicknames(user.nicknames);
        user.nickname = settings.nickname.isEmpty() ? user.nicknames.first() : settings.nickname;
    }
    for (const QString& nick : std::as_const(settings.moreNicknames)) {
        if (!user.nicknames.contains(nick, Qt::CaseInsensitive))
            addNickname(user, nick);
    }
    tree.appendBranch(std::move(settings.folder));
}
} // namespace SettingsImport
