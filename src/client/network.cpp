#include "client/network.h"

#include "chat/windowregistry.h"
#include "script/eventhook.h"

Network::Network(int id, const Shared& shared, QObject* parent)
    : QObject(parent), id_(id), windows_(shared.windows),
      session_(
          shared.options, shared.status, serverView_,
          [&events = shared.events](Event event) { events.fireEvent(event); }, shared.prompts,
          shared.ticker, this),
      serverMessages_(session_, shared.status, serverView_),
      floodGuard_(shared.options, shared.ignoreList, shared.status, shared.events, shared.clock,
                  NicknameControl{[this] { return session_.currentNickname(); },
                                  [this](const QString& nick) { session_.setNickname(nick); }},
                  this),
      ctcp_(session_, shared.windows, shared.events, shared.inquiries, shared.sharedSounds,
            shared.options, shared.clock),
      userMessages_(session_, shared.windows, shared.events, shared.status, shared.options,
                    floodGuard_, ctcp_, shared.clock)
{
    // What the server and other users send is handled with this network active, so each
    // line reaches the windows of this connection only.
    connect(&session_, &Session::userLineReceived, this, [this](const QString& line) {
        const WindowRegistry::NetworkScope scope(windows_, id_);
        userMessages_.handleUserLine(line);
    });
    connect(&session_, &Session::batchClosed, this, [this](const OpenBatches::Batch& batch) {
        const WindowRegistry::NetworkScope scope(windows_, id_);
        userMessages_.batchClosed(batch);
    });
    connect(&session_, &Session::serverLineReceived, this, [this](const QString& line) {
        const WindowRegistry::NetworkScope scope(windows_, id_);
        serverMessages_.handleServerLine(line);
    });
}

namespace {
// The name the server gives itself, without the prefix's colon.
QString serverNameOf(const Session& session)
{
    QString server = session.serverPrefix();
    if (server.startsWith(u':'))
        server.remove(0, 1);
    return server;
}
} // namespace

bool Network::answersTo(const QString& name) const
{
    for (const QString& own : {this->name(), session_.host(), serverNameOf(session_)})
        if (!own.isEmpty() && own.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString Network::name() const
{
    const QString host = session_.host();
    const QString description = session_.description();
    if (!description.isEmpty() && description.compare(host, Qt::CaseInsensitive) != 0)
        return description;
    const QString server = serverNameOf(session_);
    return server.isEmpty() ? host : server;
}
