#pragma once

#include <QString>
#include <QStringList>

class FileSends;
struct ChatWindow;
struct ThemeRecord;

// "Send Theme..." in the chat context menu: a window's theme file, and its background
// picture, offered to another user by DCC.
namespace ThemeSend {
// Who gets it: the partner of a private or DCC chat, else the first nickname selected in
// the channel's nick list. Empty when there is no one.
QString target(const ChatWindow& window, const QStringList& selectedNicks);
// Offers the theme's file from the themes folder and then its picture (when it shows one
// that is there), with the theme flag so the names arrive unchanged. Returns the files
// offered; none when the theme has no file.
QStringList offer(FileSends& sends, const QString& programFolder, const QString& nick,
                  const ThemeRecord& theme);
} // namespace ThemeSend
