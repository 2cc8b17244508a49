#pragma once

#include "irc/outboundqueue.h"

#include <QString>

class Clock;
class EventHook;
class Inquiries;
class Session;
class SharedSounds;
class WindowRegistry;
struct Options;
struct UserLine;

// Client-to-client queries inside PRIVMSG and their answers inside NOTICE, framed by
// byte 0x01: VERSION, TIME and PING are answered, ACTION and SOUND shown, and answers to
// the user's own queries completed.
class Ctcp
{
public:
    Ctcp(Session& session, WindowRegistry& windows, EventHook& events, Inquiries& inquiries,
         SharedSounds& sharedSounds, Options& options, const Clock& clock);

    void handleQuery(const UserLine& m, const QString& body);
    void handleReply(const UserLine& m, const QString& body);

    // DCC offers and answers are not queries this handles.
    static bool isDccOffer(const QString& body);
    // VERSION, TIME and PING answers complete an inquiry; other answers are notices.
    static bool isInquiryReply(const QString& body);

    // Whole seconds since 1970 of the local date and time, the stamp PING queries carry.
    static qint64 nowStamp(const Clock& clock);
    // Automatic answers (VERSION, TIME, PING, sound requests) share one budget across
    // all senders; false means this one is dropped.
    bool takeAnswer() { return answers_.take(); }

private:
    void sound(const UserLine& m, const QString& body);
    void action(const UserLine& m, const QString& body);

    Session& session_;
    WindowRegistry& windows_;
    EventHook& events_;
    Inquiries& inquiries_;
    SharedSounds& sharedSounds_;
    Options& options_;
    const Clock& clock_;
    AnswerBudget answers_{clock_};
};
