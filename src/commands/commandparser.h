#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>

enum class ConversationKind;

class EventHook;
class LineLog;
class WindowRegistry;
struct Options;
struct ChatWindow;

// What happens to a line typed into a chat window: plain chat, "!" requests, slash
// commands and the user's aliases.
class CommandParser : public QObject
{
    Q_OBJECT
public:
    using SendLine = std::function<void(const QString&)>;
    // A request whose reply arrives later; action says what the reply does ("display").
    using UserRequest =
        std::function<void(const QString& subject, const QString& action, ChatWindow* window)>;

    // Everything outside the window list that commands reach. An unset hook makes its
    // command do nothing beyond its own lines.
    struct Hooks
    {
        std::function<QString()> ownNickname;
        // "/nick": the session decides between renaming at once and asking the server.
        std::function<void(const QString&)> setNickname;
        // "/connect HOST PORT": to a network already connected again, else beside the
        // networks in use.
        std::function<void(const QString& host, int port, const QString& password)> connectTo;
        UserRequest whoisUser;
        UserRequest versionUser;
        UserRequest timeUser;
        UserRequest pingUser;
        UserRequest namesChannel;
        UserRequest lookupUser;
        std::function<bool()> lookupPending;
        // folder ends with "/".
        std::function<void(const QString& nick, const QString& folder, const QString& fileName)>
            offerDccSend;
        std::function<void(const QString& nick)> offerDccChat;
        // "/run": false when the file cannot be opened.
        std::function<bool(const QString& fileName)> openFile;
        std::function<void(ChatWindow* window, const QString& file)> playSound;
        // The server echoes what the user says (echo-message): a line said in a window is
        // shown when it comes back, not when it is sent.
        std::function<bool()> echoesOwnLines;
        // Bytes for a DCC chat window's live connection.
        std::function<void(ChatWindow* window, const QByteArray& bytes)> writeDccChat;
    };

    // Lines said in one window that may wait for the server's echo at once.
    static constexpr qsizetype MaxAwaitingEcho = 100;
    // One typed line may set off at most this many alias expansions.
    static constexpr int MaxExpansions = 16;
    // An expansion longer than this is stopped: an alias that repeats its arguments and
    // calls itself would double its text at every step.
    static constexpr qsizetype MaxExpandedCharacters = 8192;

    CommandParser(SendLine sendLine, WindowRegistry& windows, LineLog& status, EventHook& events,
                  Options& options, Hooks hooks = {}, QObject* parent = nullptr);

    Hooks& hooks() { return hooks_; }

    // The text the user entered in a window's text entry, as typed: escapes are expanded
    // here, then the line is handled as the window's kind needs.
    void enterLine(ChatWindow* window, const QString& typed);
    // A slash command (or alias) for a window; target is its channel or peer.
    void runCommand(ChatWindow* window, ConversationKind windowKind, const QString& target,
                    const QString& text);

    static const QStringList& helpLines();
    // The command words a window of this kind knows, in table order ("/dcc send" and
    // the like included): what Tab completes a "/" to.
    static QStringList commandWords(ConversationKind windowKind);
    // The pieces of a pasted text, split at any line end; empty pieces are dropped.
    static QStringList linePieces(const QString& text);
    // Puts the arguments in place of "$1" to "$5". Argument text is never searched again,
    // so an argument that itself reads "$1" stays as typed.
    static QString fillPlaceholders(const QString& expansion, const QStringList& arguments);

Q_SIGNALS:
    // A definition typed as a command added a line to the alias list.
    void aliasesChanged();

private:
    struct Context
    {
        ChatWindow* window;
        ConversationKind kind;
        QString target;
    };
    struct Command;
    static std::span<const Command> commandTable();
    static const Command* findCommand(const QString& text, ConversationKind windowKind);

    void handleLine(ChatWindow* window, const QString& text);
    bool requestFromChannel(ChatWindow* window, const QString& text);
    void requestFromPeer(ChatWindow* window, const QString& text, bool overDcc);
    void sayInWindow(ChatWindow* window, const QString& text);
    void sayOverDcc(ChatWindow* window, const QString& text);
    void youSent(ChatWindow* window, const QString& text);
    void runAlias(const Context& c, const QString& text);

    void help(const Context& c, const QString& args);
    void textFile(const Context& c, const QString& args);
    void raw(const Context& c, const QString& args);
    void dccSend(const Context& c, const QString& args);
    void dccChat(const Context& c, const QString& args);
    void run(const Context& c, const QString& args);
    void notice(const Context& c, const QString& args);
    void statusClear(const Context& c, const QString& args);
    void showTopic(const Context& c, const QString& args);
    void leave(const Context& c, const QString& args);
    void clear(const Context& c, const QString& args);
    void join(const Context& c, const QString& args);
    void nick(const Context& c, const QString& args);
    void connectTo(const Context& c, const QString& args);
    void quit(const Context& c, const QString& args);
    void whois(const Context& c, const QString& args);
    void version(const Context& c, const QString& args);
    void dns(const Context& c, const QString& args);
    void ping(const Context& c, const QString& args);
    void time(const Context& c, const QString& args);
    void action(const Context& c, const QString& args);
    void msg(const Context& c, const QString& args);
    void ctcp(const Context& c, const QString& args);
    void kick(const Context& c, const QString& args);
    void invite(const Context& c, const QString& args);
    void topic(const Context& c, const QString& args);
    void omsg(const Context& c, const QString& args);
    void mode(const Context& c, const QString& args);
    void sound(const Context& c, const QString& args);
    void names(const Context& c, const QString& args);

    void request(const UserRequest& send, const Context& c, const QString& args);
    // Adds a line to the window unless a command has closed it meanwhile.
    void show(ChatWindow* window, const QString& text, int lineClass = 0);
    bool isOpen(const ChatWindow* window) const;
    QString ownNickname() const;

    SendLine sendLine_;
    WindowRegistry& windows_;
    LineLog& status_;
    EventHook& events_;
    Options& options_;
    Hooks hooks_;
    int depth_ = 0;
    int expansions_ = 0;
};
