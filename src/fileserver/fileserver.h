#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

struct FileServerOptions;

// What a file-server session needs of the DCC chat it runs on. The DCC chat window of
// each file-server chat lends one of these for as long as the chat is open.
class FileServerPeer
{
public:
    virtual ~FileServerPeer() = default;

    // The nickname of the user at the other end.
    virtual QString peerNickname() const = 0;
    // Writes text to the chat followed by a single line feed, and shows it in the chat
    // window as one of the user's own lines ("<" + own nickname + "> " + text).
    virtual void sendLine(const QString& text) = 0;
    // Offers a file by DCC send: folder is a real folder ending in "/", fileName the
    // file's name on disk.
    virtual void offerFile(const QString& folder, const QString& fileName) = 0;
};

// One entry of a served folder, as the file system names it.
struct FileServerEntry
{
    QString name;
    bool folder = false;
    qint64 size = 0;
};

// The file server: lets other users browse one folder tree and fetch files from it over
// DCC chat, without the user's attention. Every folder and file it lists, enters or offers
// is resolved first (".." and symbolic links included) and must lie inside the root.
class FileServer
{
public:
    // A session's state: the folder it is in (canonical, without a trailing "/"; empty
    // until the root could be entered) and the files fetched so far.
    struct Session
    {
        QString folder;
        int gets = 0;
    };

    // greetingFolder is the program folder's "fileserver" folder, ending in "/".
    FileServer(const FileServerOptions& options, const QString& greetingFolder,
               std::function<void(const QString&)> statusLine);

    // Whether a message starts a session: the server is on and the text, ignoring case,
    // is the trimmed trigger word.
    static bool isTrigger(const FileServerOptions& options, const QString& text);
    // Whether another file-server chat may be offered while pendingOffers offers made for
    // the server wait for their users: offers and open sessions together stay below
    // "Max. Simultaneous Users".
    bool hasRoomForUser(int pendingOffers) const;

    // greet: the "*.txt" files of the greeting folder, sorted by name.
    QStringList greetingFiles() const;
    // The greeting file in use: the chosen one while it exists, else the first.
    QString greetingFile() const;

    // The greeting, run when the user connects to a file-server chat: the greeting text,
    // the root folder, its listing and the folder again. Starts the session.
    void startSession(FileServerPeer& peer);
    // fileServerCommand: one complete line the user typed in the chat.
    void handleLine(FileServerPeer& peer, const QString& line);
    // The chat closed.
    void endSession(FileServerPeer& peer);

    int userCount() const { return int(sessions_.size()); }
    const Session* session(const FileServerPeer& peer) const;

    // The entries of a folder that resolve inside the root, folders first, each group by
    // name ignoring case. Empty when the folder cannot be read.
    std::vector<FileServerEntry> entries(const QString& folder) const;
    // The root as a canonical path, or nothing when it is empty or not a folder.
    std::optional<QString> root() const;

private:
    Session& sessionOf(FileServerPeer& peer);
    bool enterRoot(Session& session);
    void sendGreeting(FileServerPeer& peer);
    void sendListing(FileServerPeer& peer, const Session& session);
    void get(FileServerPeer& peer, Session& session, const QString& name);
    void changeFolder(FileServerPeer& peer, Session& session, const QString& name);
    void parentFolder(FileServerPeer& peer, Session& session);
    std::optional<QString> resolveFolder(const QString& from, const QString& name) const;
    bool insideRoot(const QString& canonicalPath) const;

    const FileServerOptions& options_;
    QString greetingFolder_;
    std::function<void(const QString&)> statusLine_;
    std::map<const FileServerPeer*, Session> sessions_;
};
