#include "dcc/dccservice.h"

#include "irc/userline.h"

DccService::DccService(DccContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)), chats_(context_), sends_(context_),
      receives_(context_)
{
    chats_.setPortsInUse([this] { return sends_.ports() + receives_.ports(); });
    sends_.setPortsInUse([this] { return chats_.listeningPorts() + receives_.ports(); });
    receives_.setPortsInUse([this] { return chats_.listeningPorts() + sends_.ports(); });
}

DccService::~DccService()
{
    stopAll();
}

void DccService::handleCtcp(const UserLine& line, const QString& body)
{
    const QString lower = body.toLower();
    if (lower.startsWith(QStringLiteral("dcc chat chat")))
        chats_.handleDccChatOffer(line, body);
    else if (lower.startsWith(QStringLiteral("dcc send "))) {
        // The answer to a passive offer of a file made here, or a file offered.
        if (!sends_.handlePassiveAnswer(line.sender, body))
            receives_.handleDccSendOffer(line, body);
    } else if (lower.startsWith(QStringLiteral("dcc accept ")))
        receives_.handleDccAccept(line.sender, body);
    else if (lower.startsWith(QStringLiteral("dcc resume")))
        sends_.handleResumeRequest(line.sender, body);
}

void DccService::writeDccChat(ChatWindow* window, const QByteArray& bytes)
{
    if (DccChatSession* chat = DccChats::sessionOf(window))
        chat->write(bytes);
}

void DccService::expire()
{
    chats_.expirePending();
    receives_.expireResumes();
}

void DccService::stopAll()
{
    chats_.closeAll();
    sends_.stopAll();
    receives_.stopAll();
}
