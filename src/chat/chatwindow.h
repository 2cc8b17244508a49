#pragma once

#include "chat/chatdocument.h"
#include "chat/nicklist.h"
#include "theme/themerecord.h"

#include <QAbstractSocket>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Picker kind numbers; each is also the index of the row's icon.
namespace PickerKind {
constexpr int Settings = 19;
constexpr int PublicChat = 49;
constexpr int PrivateChat = 9;
constexpr int DccChat = 6;
constexpr int Files = 12;
constexpr int ChannelWindow = 5;
constexpr int PrivateWindow = 10;
constexpr int DccChatWindow = 7;
// With several networks, the node each section groups one network's windows under.
constexpr int NetworkNode = 20;
} // namespace PickerKind

// What a row of the window list is: a section entry, or a chat window of one kind.
enum class ConversationKind { Section = -1, Channel = 0, Private = 1, DccChat = 2 };

namespace PickerState {
constexpr int Normal = 0;
constexpr int Hot = 1;
constexpr int Selected = 2;
constexpr int FirstTile = 10;
constexpr int MaxTiles = 8;
} // namespace PickerState

namespace LineClass {
constexpr int Server = 0;
constexpr int Other = 1;
constexpr int You = 2;
} // namespace LineClass

// One row of the window list: a section entry or a chat window, with everything the
// window owns. The widgets that present it belong to the front end, which finds them
// through container and drops them when the registry announces the window's end.
struct ChatWindow
{
    int kindNumber = 0;
    QString label;
    int pickerState = PickerState::Normal;
    QPointer<QObject> container;
    bool unseenActivity = true;
    // A line that mentions the user arrived while the window was not shown: a stronger
    // mark than unseen activity, cleared with it.
    bool highlighted = false;
    ConversationKind conversationKind = ConversationKind::Section;
    QString channelName;
    QString topic;
    bool userLimitSet = false;
    int userLimit = 0;
    bool keySet = false;
    QString channelKey;
    QString peerNickname;
    QString peerAddress;

    // DCC chat: the offer still waiting for its peer (outgoing request), or the live
    // connection with its session (accepted chat). Freeing the offer withdraws it.
    std::unique_ptr<QObject> pendingDccChat;
    std::unique_ptr<QAbstractSocket> dccSocket;
    std::unique_ptr<QObject> dccSession;

    ThemeRecord theme;
    std::unique_ptr<ChatDocument> document;
    NickList nickList; // channel windows only
    // Who spoke here, most recent first (channel windows): completion offers them first.
    QStringList recentSpeakers;
    // Lines typed into this window's text entry, owned here so they end with it.
    QStringList entryHistory;

    bool shown = false;
    bool hideJoins = false;
    bool hideParts = false;
    bool hideQuits = false;

    bool moderated = false;
    bool noOutsideMessages = false;
    bool topicByOpsOnly = false;
    bool privateChannel = false;
    bool secret = false;
    bool inviteOnly = false;

    QString myStatus = QStringLiteral("slime");

    bool logging = false;
    std::unique_ptr<QFile> logFile;
    QString logPath;

    bool soundEnabled = true;
    // The server connection was lost and is tried again: the window stays with its lines
    // until it is joined again (channel) or the connection is back (private chat).
    bool disconnected = false;

    // The server connection the window belongs to, by the number the client gives each
    // network (the first is 0). A channel or private chat is found only on its own network;
    // a DCC chat keeps the network its offer came in on.
    int network = 0;

    // While the window's past is read from the history store, the lines shown meanwhile
    // are also kept here (as the view draws them), to be drawn again after the past.
    struct HeldLine
    {
        int lineClass = 0;
        QString text;
        bool highlight = false;
        ChatStorePlace place;
    };
    bool awaitingPast = false;
    std::vector<HeldLine> heldLines;
    // What the user said here that is shown once the server echoes it (echo-message),
    // oldest first; a line the server refused never comes back.
    QStringList awaitingEcho;
    // Scrolling beyond memory: older or newer lines asked of the store and not yet shown.
    // While newer lines are read, the lines shown meanwhile wait in heldLines too.
    bool olderAsked = false;
    bool newerAsked = false;
    // A network node: the section entry's kind number it sits under.
    int nodeSection = 0;

    bool isSection() const { return conversationKind == ConversationKind::Section; }
    bool isChat() const { return !isSection(); }
    bool isTiled() const { return pickerState >= PickerState::FirstTile; }
    // The name the window goes by: its channel or its peer.
    QString windowName() const
    {
        return conversationKind == ConversationKind::Channel ? channelName : peerNickname;
    }
};
