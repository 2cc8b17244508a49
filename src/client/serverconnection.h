#pragma once

#include "irc/session.h"

#include <QObject>

#include <functional>

// The server connection of the current window's network, as the main window and the
// settings pages show and steer it: its state, the user's nickname, away and invisible,
// and disconnecting. The widgets get this instead of a session, so none can send a line
// or reach the session's insides.
class ServerConnection : public QObject
{
    Q_OBJECT
public:
    // current gives the session of the network the current window belongs to.
    explicit ServerConnection(std::function<Session&()> current, QObject* parent = nullptr)
        : QObject(parent), current_(std::move(current))
    {
    }

    Session::State state() const { return current_().state(); }
    QString nickname() const { return current_().currentNickname(); }
    void setNickname(const QString& name) { current_().setNickname(name); }
    void setAway(bool away) { current_().setAway(away); }
    void setInvisible(bool invisible) { current_().setInvisible(invisible); }
    // The "Disconnect from Server" button: ends the current network's connection.
    void disconnectFromServer() { current_().disconnectFromServer(); }
    // Every session the client has, for "Disconnect All" while two or more are in use.
    void setAllSessions(std::function<QList<Session*>()> all) { all_ = std::move(all); }
    int sessionsInUse() const
    {
        int count = 0;
        for (const Session* session : all_ ? all_() : QList<Session*>())
            count += session->state() != Session::State::Disconnected;
        return count;
    }
    void disconnectAll()
    {
        for (Session* session : all_ ? all_() : QList<Session*>())
            if (session->state() != Session::State::Disconnected)
                session->disconnectFromServer();
    }

    // Calls slot of receiver (a member function or a functor) with each new state, or
    // each new nickname, for as long as receiver lives: of the current network, and
    // whenever another network becomes the current one.
    template <typename Receiver, typename Slot>
    QMetaObject::Connection onStateChanged(const Receiver* receiver, Slot slot)
    {
        return QObject::connect(this, &ServerConnection::stateChanged, receiver, slot);
    }
    template <typename Receiver, typename Slot>
    QMetaObject::Connection onNicknameChanged(const Receiver* receiver, Slot slot)
    {
        return QObject::connect(this, &ServerConnection::nicknameChanged, receiver, slot);
    }

    // The client passes on what a session says, and tells of a new current network.
    void follow(Session& session)
    {
        connect(&session, &Session::stateChanged, this, [this, &session](Session::State state) {
            if (&session == &current_())
                Q_EMIT stateChanged(state);
            Q_EMIT anyStateChanged();
        });
        connect(&session, &Session::nicknameChanged, this,
                [this, &session](const QString& nickname) {
                    if (&session == &current_())
                        Q_EMIT nicknameChanged(nickname);
                });
    }
    void currentChanged()
    {
        Q_EMIT stateChanged(state());
        Q_EMIT nicknameChanged(nickname());
    }

Q_SIGNALS:
    void stateChanged(Session::State state);
    void nicknameChanged(const QString& nickname);
    // A session of any network changed its state (one more or one fewer may be in use).
    void anyStateChanged();

private:
    std::function<Session&()> current_;
    std::function<QList<Session*>()> all_;
};
