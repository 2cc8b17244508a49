#pragma once

#include "dcc/dccchat.h"
#include "dcc/dcccontext.h"
#include "dcc/filereceive.h"
#include "dcc/filesend.h"

#include <QObject>

struct UserLine;

// DCC as the rest of the client sees it: chats, sends and receives, the offers and
// answers that reach them through CTCP, and their shared port rule.
class DccService : public QObject
{
    Q_OBJECT
public:
    explicit DccService(DccContext context, QObject* parent = nullptr);
    ~DccService() override;

    DccContext& context() { return context_; }
    DccChats& chats() { return chats_; }
    FileSends& sends() { return sends_; }
    FileReceives& receives() { return receives_; }

    // Every CTCP from another user whose text is a DCC offer or answer.
    void handleCtcp(const UserLine& line, const QString& body);
    // Bytes typed into a DCC chat window.
    void writeDccChat(ChatWindow* window, const QByteArray& bytes);
    // On every second tick of the session's lag timer.
    void expire();
    // The server connection closed, or the client shuts down.
    void stopAll();

private:
    DccContext context_;
    DccChats chats_;
    FileSends sends_;
    FileReceives receives_;
};
