#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class Clock;
class EventHook;
class IgnoreList;
class LineLog;
class Prompts;
class WindowRegistry;
struct Options;

// What the DCC modules reach outside themselves; Client fills it once.
struct DccContext
{
    std::function<void(const QString&)> sendLine; // to the IRC server
    std::function<QString()> ownNickname;
    // The IPv4 address an offer carries, dotted; empty (the reason already told as a
    // status line) when there is none, and then no offer may go out.
    std::function<QString()> ownAddress;
    WindowRegistry* windows = nullptr;
    LineLog* status = nullptr;
    EventHook* events = nullptr;
    Options* options = nullptr;
    Prompts* prompts = nullptr;
    IgnoreList* ignoreList = nullptr;
    const Clock* clock = nullptr;
    // Where files are received when no filter decides: "Received Files" in the program
    // folder, ending in "/".
    QString receiveFolder;
    // A shared sound named by a peer; the file name as received.
    std::function<void(const QString& file)> playSharedSound;
    // The peer as the Files panel names it: "nick (network)" for the active network while
    // two or more networks are in use, else the nick alone.
    std::function<QString(const QString& nick)> peerOnNetwork;
    QString peerLabel(const QString& nick) const
    {
        return peerOnNetwork ? peerOnNetwork(nick) : nick;
    }
};

// Sockets and servers are released with deleteLater, after their signals are cut, so a
// handler may end a transfer from inside its own socket's notification.
struct LaterDeleter
{
    void operator()(QObject* object) const
    {
        if (!object)
            return;
        object->disconnect();
        object->deleteLater();
    }
};
template <typename T> using LaterPtr = std::unique_ptr<T, LaterDeleter>;
