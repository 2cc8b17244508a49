#pragma once

#include <QString>
#include <QStringList>

#include <deque>
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
    // Bytes sent by sendLine that the connection still holds: while there are more than
    // FileServer::OutputBoundBytes, a listing waits for FileServer::resume.
    virtual qint64 bytesWaiting() const { return 0; }
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
        // A listing on its way out: its entries, the next one to send, and the line that
        // follows the last (the folder).
        bool sending = false;
        std::vector<FileServerEntry> listing;
        size_t next = 0;
        QString after;
        // Commands that came while a listing was going out, taken one at a time.
        std::deque<QString> commands;
    };

    // A listing pauses while the peer's connection holds more than this to send.
    static constexpr qint64 OutputBoundBytes = 64 * 1024;
    // Commands kept while a listing goes out; more are dropped.
    static constexpr size_t MaxWaitingCommands = 16;

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

    // The "*.txt" files of the greeting folder, sorted by name.
    QStringList greetingFiles() const;
    // The greeting file in use: the chosen one while it exists, else the first.
    QString greetingFile() const;

    // The greeting, run when the user connects to a file-server chat: the greeting text,
    // the root folder, its listing and the folder again. Starts the session.
    void startSession(FileServerPeer& peer);
    // One complete line the user typed in the chat: a file server command.
    void handleLine(FileServerPeer& peer, const QString& line);
    // The chat closed.
    void endSession(FileServerPeer& peer);
    // The peer's connection has sent some of what it held: a paused listing goes on,
    // then the commands that waited for it.
    void resume(FileServerPeer& peer);
    // Whether a listing is still going out to the peer; its next command waits.
    bool busy(const FileServerPeer& peer) const;

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
    void runCommand(FileServerPeer& peer, Session& session, const QString& line);
    // Starts the folder's listing, followed by the line after; sendOutput sends it.
    void sendListing(Session& session, const QString& after);
    // Sends as much of the listing as the peer's connection takes, then the commands
    // that waited for it.
    void sendOutput(FileServerPeer& peer, Session& session);
    void get(FileServerPeer& peer, Session& session, const QString& name);
    void changeFolder(FileServerPeer& peer, Session& session, const QString& name);
    void parentFolder(FileServerPeer& peer, Session& session);
    std::optional<QString> resolveFolder(const QString& from, const QString& name) const;
    bool insideRoot(const QString& canonicalPath) const;
    static bool within(const QString& canonicalRoot, const QString& canonicalPath);

    const FileServerOptions& options_;
    QString greetingFolder_;
    std::function<void(const QString&)> statusLine_;
    std::map<const FileServerPeer*, Session> sessions_;
};
