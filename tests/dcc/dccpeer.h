#pragma once

#include "client/client.h"
#include "core/clock.h"
#include "support/scriptedprompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A client of its own with a hand-moved clock, whose lines to the IRC server are kept
// instead of sent: a test hands them to another peer as the server would.
struct DccPeer
{
    QTemporaryDir home;
    ManualClock clock;
    ScriptedPrompts prompts;
    QString nick;
    std::unique_ptr<Client> client;
    QStringList sent;

    explicit DccPeer(const QString& name) : nick(name)
    {
        client = std::make_unique<Client>(home.path() + u'/', prompts, clock);
        client->session().ident().setPort(0);
        // Offers are asked about unless a test chooses otherwise, as in a new program
        // folder (whose shipped settings say "Prompt").
        client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Prompt;
        client->options().dcc.fileInboundAction = DccOptions::FileOffer::Prompt;
        QDir(home.path()).mkpath(QStringLiteral("Received Files"));
        DccContext& c = client->dcc().context();
        c.sendLine = [this](const QString& line) { sent << line; };
        c.ownNickname = [this] { return nick; };
        c.ownAddress = [] { return QStringLiteral("127.0.0.1"); };
    }

    DccService& dcc() { return client->dcc(); }
    QString folder() const { return home.path() + QStringLiteral("/Received Files/"); }
    QString path(const QString& name) const { return home.path() + u'/' + name; }
    QStringList status() { return client->statusLog().lines(); }

    // A line as the server delivers it from another user.
    void hear(const QString& from, const QString& line)
    {
        client->userMessages().handleUserLine(u':' + from + u'!' + from +
                                              QStringLiteral("@localhost ") + line);
    }
    // Hands every CTCP this peer sent to the other peer, as the server would.
    int relayTo(DccPeer& other)
    {
        const QStringList lines = std::exchange(sent, {});
        int relayed = 0;
        for (const QString& line : lines) {
            if (line.startsWith(QStringLiteral("PRIVMSG ")) && line.contains(QChar(1))) {
                other.hear(nick, line);
                ++relayed;
            }
        }
        return relayed;
    }
    ChatWindow* dccWindow(const QString& peer)
    {
        WindowRegistry& w = client->windows();
        for (qsizetype i = 0; i < w.count(); ++i) {
            ChatWindow* window = w.at(i);
            if (window->conversationKind == ConversationKind::DccChat &&
                window->peerNickname.compare(peer, Qt::CaseInsensitive) == 0)
                return window;
        }
        return nullptr;
    }
    QStringList windowLines(ChatWindow* window)
    {
        return window && window->document ? window->document->plainLines() : QStringList();
    }
    // Advances the clock and runs both transfer timers, as five-second ticks would.
    void tick(qint64 seconds)
    {
        clock.advanceSeconds(seconds);
        dcc().sends().supervise();
        dcc().receives().supervise();
    }
};

inline QByteArray patternBytes(qint64 size, int seed = 7)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
