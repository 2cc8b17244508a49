#pragma once

#include <QString>
#include <QStringList>

// What the handler of the server's own lines reads and steers in a session: the server's
// prefix, the nickname while registration runs, and registration itself.
class RegistrationControl
{
public:
    // The first word of the first line with a prefix; empty until one arrived.
    virtual QString serverPrefix() const = 0;
    // Learns the prefix; an empty one forgets it, so the next line counts as the first.
    virtual void setServerPrefix(const QString& prefix) = 0;
    // The user's nicknames, in the order the rotation walks them.
    virtual QStringList nicknames() const = 0;
    virtual QString firstNickname() const = 0;
    virtual QString lastNicknameTried() const = 0;
    // Sends NICK with name while registering; it becomes the last nickname tried.
    virtual void tryNickname(const QString& name) = 0;
    // The server names the nickname the user has now.
    virtual void useNickname(const QString& name) = 0;
    virtual bool isRegistered() const = 0;
    // Reply 376 (or 422): registration is complete; addressedTo is the nickname it names.
    virtual void registrationComplete(const QString& addressedTo) = 0;
    // The server refused every nickname: the session ends.
    virtual void endSession() = 0;

protected:
    ~RegistrationControl() = default;
};
