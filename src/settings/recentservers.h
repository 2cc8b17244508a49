#pragma once

#include "core/options.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class Session;

// The last ten servers the user registered with, most recent first, offered on
// press-and-hold of "Connect to Server". The slots live in the options, where the
// settings file reads and writes them.
class RecentServers : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 10;

    RecentServers(RecentServerSlots& slots, Session& session, QObject* parent = nullptr);

    const RecentServerSlots& slots() const { return slots_; }
    // Registration completed with this server: it goes to the top, once.
    void remember(const QString& label, const QString& host, int port);
    // Connects to slot n. False when the slot is unused or its port is not a number.
    bool choose(int n);
    // "Clear Recently Used Server List"
    void clear();
    // The slots read from the settings file at start.
    void setSlots(const RecentServerSlots& slots);
    // Where a chosen server is connected; the session's own connection until one is set
    // (a client with several networks picks the network for the host).
    using Connector = std::function<void(const QString& host, int port, const QString& label)>;
    void setConnector(Connector connector) { connector_ = std::move(connector); }
    // The hint of "Connect to Server" shows only while there is no recent server to offer.
    bool connectHintShown() const { return !slots_[0].inUse(); }

Q_SIGNALS:
    void changed();

private:
    RecentServerSlots& slots_;
    Session& session_;
    Connector connector_;
};
