#pragma once

#include "script/eventhook.h"

#include <QString>

#include <functional>

class LineLog;
class Scripts;
class WindowRegistry;
struct ChatWindow;
struct ScriptObject;

// What script objects do when the event hook hands them an event: greet, bid farewell,
// give operator or voice status, protect listed nicks, send a file on a keyword and
// answer listed words. The hook has already matched the object's type and channel.
//
// Every line goes out through sendLine, the one outbound path that typed lines take
// (encoded, cut at the line limit and at any line break, dropped while not connected).
// A greeter, farewell or responder sends at most one line for the event that woke it.
class Behaviours
{
public:
    using SendLine = std::function<void(const QString&)>;
    struct Hooks
    {
        std::function<QString()> ownNickname;
        // The user action "kickban" on a nick in a channel window.
        std::function<void(ChatWindow* window, const QString& nick)> kickBan;
        // Offers one file over DCC: nick, folder ending in "/", file name.
        std::function<void(const QString& nick, const QString& folder, const QString& fileName)>
            sendFile;
    };

    Behaviours(const Scripts& scripts, WindowRegistry& windows, LineLog& status, SendLine sendLine,
               Hooks hooks = {});
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The event hook's behaviour runner.
    void run(const ScriptObjectRef& ref, const ChatWindow* window, Event event,
             const EventSlots& eventSlots);

    // The one line a greeter's or responder's send mode makes, or empty for a mode it
    // does not know; note is what the window shows for it (empty for none).
    struct Outgoing
    {
        QString line;
        QString note;
        int noteClass = 0;
    };
    static Outgoing sendModeLine(const QString& mode, const QString& nick, const QString& channel,
                                 const QString& ownNick, const QString& text, bool withNotes);

private:
    void greet(const ScriptObject& o, ChatWindow* window, const EventSlots& s);
    void giveStatus(const ScriptObject& o, ChatWindow* window, const EventSlots& s);
    void protect(const ScriptObject& o, ChatWindow* window, Event event, const EventSlots& s);
    void sendFileOnKeyword(const ScriptObject& o, const EventSlots& s);
    void answerText(const ScriptObject& o, ChatWindow* window, const EventSlots& s);

    void send(ChatWindow* window, const Outgoing& outgoing);
    void note(ChatWindow* window, const QString& text, int lineClass = 0);
    QString ownNickname() const;

    const Scripts& scripts_;
    WindowRegistry& windows_;
    LineLog& status_;
    SendLine sendLine_;
    Hooks hooks_;
};
