#pragma once

#include "irc/session.h"

// The server connection as the main window and the settings pages show and steer it:
// its state, the user's nickname, away and invisible, and disconnecting. The widgets get
// this instead of the session, so none can send a line or reach the session's insides.
class ServerConnection
{
public:
    explicit ServerConnection(Session& session) : session_(session) {}

    Session::State state() const { return session_.state(); }
    QString nickname() const { return session_.currentNickname(); }
    void setNickname(const QString& name) { session_.setNickname(name); }
    void setAway(bool away) { session_.setAway(away); }
    void setInvisible(bool invisible) { session_.setInvisible(invisible); }
    // The "Disconnect from Server" button.
    void disconnectFromServer() { session_.disconnectFromServer(); }

    // Calls slot of receiver (a member function or a functor) with each new state, or
    // each new nickname, for as long as receiver lives.
    template <typename Receiver, typename Slot>
    QMetaObject::Connection onStateChanged(const Receiver* receiver, Slot slot)
    {
        return QObject::connect(&session_, &Session::stateChanged, receiver, slot);
    }
    template <typename Receiver, typename Slot>
    QMetaObject::Connection onNicknameChanged(const Receiver* receiver, Slot slot)
    {
        return QObject::connect(&session_, &Session::nicknameChanged, receiver, slot);
    }

private:
    Session& session_;
};
