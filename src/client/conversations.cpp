#include "client/conversations.h"

#include "chat/windowregistry.h"
#include "commands/linkactions.h"
#include "core/options.h"
#include "irc/outbound.h"
#include "settings/channellist.h"

#include <utility>

Conversations::Conversations(SendLine sendLine, WindowRegistry& windows, const Options& options)
    : sendLine_(std::move(sendLine)), windows_(windows), options_(options)
{
}

void Conversations::join(const QString& channel)
{
    windows_.joinChannel(channel);
}

void Conversations::joinListed(const QString& channel)
{
    if (channel.isEmpty())
        return;
    sendLine_(Outbound::join(channel));
    windows_.showOnceJoined(channel);
}

void Conversations::leave(ChatWindow* window)
{
    windows_.leaveWindow(window);
}

void Conversations::openPrivateChat(const QString& nick)
{
    windows_.openPrivateChat(nick);
}

bool Conversations::invite(const QString& nick, const QString& channel)
{
    const QString line = Favourites::inviteLine(nick, channel);
    if (line.isEmpty())
        return false;
    sendLine_(line);
    windows_.addStatusLine(QStringLiteral("Invited ") + nick.trimmed() + QStringLiteral(" to ") +
                           channel.trimmed() + u'.');
    return true;
}

void Conversations::requestSound(ChatWindow& window, const QString& owner, const QString& file)
{
    sendLine_(LinkActions::soundRequestLine(window, owner, file, options_.sound.privateRequests));
    windows_.addLine(&window, LinkActions::soundRequestNotice(owner, file), LineClass::Server);
}
