#include "client/network.h"

#include "chat/windowregistry.h"
#include "script/eventhook.h"

Network::Network(int id, LineLog& serverView, const Shared& shared, QObject* parent)
    : QObject(parent), id_(id), windows_(shared.windows), serverView_(serverView),
      session_(
          shared.options, shared.status, serverView,
          [&events = shared.events](Event event) { events.fireEvent(event); }, shared.prompts,
          shared.ticker, this),
      serverMessages_(session_, shared.status, serverView),
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
    connect(&session_, &Session::serverLineReceived, this, [this](const QString& line) {
        const WindowRegistry::NetworkScope scope(windows_, id_);
        serverMessages_.handleServerLine(line);
    });
}

QString Network::name() const
{
    const QString description = session_.description();
    return description.isEmpty() ? session_.host() : description;
}
