#pragma once

#include "theme/themerecord.h"

#include <QString>
#include <QStringList>

enum class ConversationKind;

// The themes the client's views are given: a chat window's, from the theme-use list, and
// the server view's.
namespace ChatThemes {

// The theme of a new window of a conversation kind (channel, private, DCC chat) named
// name, read from its file. The picture name is the file the loader found, so a view
// that reads it from the themes folder finds the same file whatever its capitals.
ThemeRecord windowTheme(const QString& programFolder, const QStringList& themeUses,
                        ConversationKind conversationKind, const QString& name);

// The server view has no window of its own: it takes the channel default theme, or
// "NewTheme1" when that would leave its text unreadable (no file: black on black).
ThemeRecord serverViewTheme(const QString& programFolder, const QStringList& themeUses);

// True when every text class differs in colour from the background.
bool isReadable(const ThemeRecord& theme);

} // namespace ChatThemes
