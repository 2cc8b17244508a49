#include "fileserver/fileserver.h"

#include "core/options.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {
// A greeting is a short text; a huge file picked by mistake must not stall the client.
constexpr qint64 GreetingLimit = 64 * 1024;

// How a folder is shown to the user: lower case, ending in "/".
QString shown(const QString& folder)
{
    QString text = folder.toLower();
    if (!text.endsWith(u'/'))
        text += u'/';
    return text;
}

QString withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString decodeText(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(bytes) : text;
}

// The entry named name: one spelled exactly so first, else the first that differs only
// in letter case.
const FileServerEntry* findEntry(const std::vector<FileServerEntry>& entries, const QString& name,
                                 bool folder)
{
    const FileServerEntry* caseless = nullptr;
    for (const FileServerEntry& entry : entries) {
        if (entry.folder != folder)
            continue;
        if (entry.name == name)
            return &entry;
        if (!caseless && entry.name.compare(name, Qt::CaseInsensitive) == 0)
            caseless = &entry;
    }
    return caseless;
}
} // namespace

FileServer::FileServer(const FileServerOptions& options, const QString& greetingFolder,
                       std::function<void(const QString&)> statusLine)
    : options_(options), greetingFolder_(withSlash(greetingFolder)),
      statusLine_(std::move(statusLine))
{
}

bool FileServer::isTrigger(const FileServerOptions& options, const QString& text)
{
    const QString trigger = options.trigger.trimmed();
    return options.enabled && !trigger.isEmpty() && text.toLower() == trigger.toLower();
}

bool FileServer::hasRoomForUser(int pendingOffers) const
{
    const int most = std::clamp(options_.maxUsers, OptionLimits::fileServerSliderMin,
                                OptionLimits::fileServerSliderMax);
    return pendingOffers + userCount() < most;
}

QStringList FileServer::greetingFiles() const
{
    return QDir(greetingFolder_)
        .entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden,
                   QDir::Name | QDir::IgnoreCase);
}

QString FileServer::greetingFile() const
{
    const QStringList files = greetingFiles();
    if (files.contains(options_.greeting))
        return options_.greeting;
    return files.isEmpty() ? QString() : files.first();
}

std::optional<QString> FileServer::root() const
{
    const QString configured = options_.root.trimmed();
    if (configured.isEmpty())
        return std::nullopt;
    const QFileInfo info(configured);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isDir())
        return std::nullopt;
    return canonical;
}

bool FileServer::insideRoot(const QString& canonicalPath) const
{
    const std::optional<QString> top = root();
    return top && within(*top, canonicalPath);
}

bool FileServer::within(const QString& canonicalRoot, const QString& canonicalPath)
{
    if (canonicalPath.isEmpty())
        return false;
    return canonicalPath == canonicalRoot || canonicalPath.startsWith(withSlash(canonicalRoot));
}

std::vector<FileServerEntry> FileServer::entries(const QString& folder) const
{
    std::vector<FileServerEntry> result;
    const std::optional<QString> top = root();
    const QString canonicalFolder =
        folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
    if (!top || canonicalFolder.isEmpty())
        return result;
    // Only a link leads somewhere else than where it lies: the root and the folder are
    // resolved once, and each link on its own (resolving every path, component by
    // component, holds a folder of 50,000 files up for seconds).
    const QString folderSlash = withSlash(canonicalFolder);
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : infos) {
        // A link is listed only when what it leads to is inside the root; a broken one
        // leads nowhere.
        const QString canonical =
            info.isSymLink() ? info.canonicalFilePath() : folderSlash + info.fileName();
        if (!within(*top, canonical))
            continue;
        if (info.isDir())
            result.push_back({info.fileName(), true, 0});
        else if (info.isFile())
            result.push_back({info.fileName(), false, info.size()});
    }
    return result;
}

FileServer::Session& FileServer::sessionOf(FileServerPeer& peer)
{
    return sessions_[&peer];
}

const FileServer::Session* FileServer::session(const FileServerPeer& peer) const
{
    const auto it = sessions_.find(&peer);
    return it == sessions_.end() ? nullptr : &it->second;
}

bool FileServer::enterRoot(Session& session)
{
    const std::optional<QString> top = root();
    if (!top)
        return false;
    session.folder = *top;
    return true;
}

void FileServer::startSession(FileServerPeer& peer)
{
    Session& session = sessionOf(peer);
    // The session starts at the root even when no greeting is sent, so a later "dir"
    // never lists whatever folder the client happens to run in.
    const bool rootValid = enterRoot(session);

    const QString greeting = greetingFile();
    if (greeting.isEmpty())
        return;
    QFile file(greetingFolder_ + greeting);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = decodeText(file.read(GreetingLimit));
    text.remove(u'\r');
    peer.sendLine(text);

    if (!rootValid) {
        statusLine_(QStringLiteral("Can't start FileServer - Invalid Root Folder."));
        return;
    }
    peer.sendLine(shown(session.folder));
    sendListing(session, shown(session.folder));
    sendOutput(peer, session);
}

void FileServer::endSession(FileServerPeer& peer)
{
    sessions_.erase(&peer);
}

void FileServer::sendListing(Session& session, const QString& after)
{
    session.sending = true;
    session.listing = entries(session.folder);
    session.next = 0;
    session.after = after;
}

void FileServer::sendOutput(FileServerPeer& peer, Session& session)
{
    for (;;) {
        while (session.sending) {
            if (peer.bytesWaiting() > OutputBoundBytes)
                return;
            if (session.next < session.listing.size()) {
                const FileServerEntry& entry = session.listing[session.next++];
                if (entry.folder)
                    peer.sendLine(QStringLiteral(" [") + entry.name.toLower() + u']');
                else
                    peer.sendLine(QStringLiteral("  ") + entry.name.toLower() +
                                  QStringLiteral(" - ") + QString::number(entry.size));
                continue;
            }
            session.sending = false;
            session.listing = {};
            peer.sendLine(session.after);
        }
        if (session.commands.empty())
            return;
        const QString line = session.commands.front();
        session.commands.pop_front();
        runCommand(peer, session, line);
    }
}

void FileServer::resume(FileServerPeer& peer)
{
    const auto it = sessions_.find(&peer);
    if (it != sessions_.end())
        sendOutput(peer, it->second);
}

bool FileServer::busy(const FileServerPeer& peer) const
{
    const Session* s = session(peer);
    return s && s->sending;
}

void FileServer::handleLine(FileServerPeer& peer, const QString& line)
{
    Session& session = sessionOf(peer);
    if (session.sending) {
        if (session.commands.size() < MaxWaitingCommands)
            session.commands.push_back(line);
        return;
    }
    runCommand(peer, session, line);
    sendOutput(peer, session);
}

void FileServer::runCommand(FileServerPeer& peer, Session& session, const QString& line)
{
    // A root that was invalid when the chat opened may have been mended since.
    if (session.folder.isEmpty())
        enterRoot(session);

    // Peers on other systems end their lines with CR LF.
    const QString typed = line.trimmed();
    const QString command = typed.toLower();
    if (command == QLatin1String("dir")) {
        if (session.folder.isEmpty())
            return;
        sendListing(session, shown(session.folder));
    } else if (command.startsWith(QLatin1String("get"))) {
        get(peer, session, typed.mid(3).trimmed());
    } else if (command.startsWith(QLatin1String("cd "))) {
        changeFolder(peer, session, typed.mid(3).trimmed());
    } else if (command.startsWith(QLatin1String("cd.."))) {
        parentFolder(peer, session);
    }
}

void FileServer::get(FileServerPeer& peer, Session& session, const QString& typedName)
{
    const QString name = typedName.toLower();
    const int most = std::clamp(options_.maxGets, OptionLimits::fileServerSliderMin,
                                OptionLimits::fileServerSliderMax);
    if (session.gets >= most) {
        peer.sendLine(QStringLiteral("File Limit Exceeded."));
        return;
    }
    const std::vector<FileServerEntry> listed = entries(session.folder);
    const FileServerEntry* entry = findEntry(listed, typedName, false);
    if (!entry) {
        peer.sendLine(QStringLiteral("Can't find ") + name);
        return;
    }
    peer.sendLine(QStringLiteral("Sending ") + name);
    peer.offerFile(withSlash(session.folder), entry->name);
    ++session.gets;
}

std::optional<QString> FileServer::resolveFolder(const QString& from, const QString& name) const
{
    QString path = from;
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    for (const QString& part : name.split(separators, Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            path = QFileInfo(path).path();
            continue;
        }
        const std::vector<FileServerEntry> listed = entries(path);
        const FileServerEntry* entry = findEntry(listed, part, true);
        if (!entry)
            return std::nullopt;
        path = withSlash(path) + entry->name;
    }
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!QFileInfo(canonical).isDir() || !insideRoot(canonical))
        return std::nullopt;
    return canonical;
}

void FileServer::changeFolder(FileServerPeer& peer, Session& session, const QString& typedName)
{
    const QString name = typedName.toLower();
    const std::optional<QString> target =
        session.folder.isEmpty() ? std::nullopt : resolveFolder(session.folder, typedName);
    if (!target) {
        peer.sendLine(QStringLiteral("Can't find ") + name);
        return;
    }
    session.folder = *target;
    peer.sendLine(shown(session.folder));
}

void FileServer::parentFolder(FileServerPeer& peer, Session& session)
{
    const std::optional<QString> top = root();
    if (!top || session.folder.isEmpty())
        return;
    // A folder outside the root can only be left over from a root changed since; the
    // session goes back to the root rather than climb further.
    if (session.folder == *top || !insideRoot(session.folder)) {
        session.folder = *top;
        peer.sendLine(shown(session.folder));
        return;
    }
    session.folder = QFileInfo(session.folder).path();
    peer.sendLine(shown(session.folder));
}
