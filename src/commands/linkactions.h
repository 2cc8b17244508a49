#pragma once

#include <QString>
#include <QUrl>

struct ChatWindow;

// What a click on a link in a chat window sends or opens.
namespace LinkActions {

// The address a web link opens: "http://" before a bare "www." address. Only web and
// FTP addresses are opened; anything else another user typed (file:, custom schemes)
// gives an empty URL.
QUrl webLinkUrl(const QString& linkText);

// The request for a sound file of owner's: to the owner alone when the user keeps sound
// requests private, else to the window's channel (or to the peer of a private or DCC
// chat, which has no channel).
QString soundRequestLine(const ChatWindow& window, const QString& owner, const QString& file,
                         bool privateRequest);
QString soundRequestNotice(const QString& owner, const QString& file);

QString dccChatQuestion(const QString& nick);
QString dccChatUnavailable(const QString& nick);

} // namespace LinkActions
