#pragma once

#include <QString>
#include <QStringList>

// Every setting of the client, grouped by subsystem. Each field names the control that
// shows it.

struct UserOptions
{
    QStringList nicknames{QStringLiteral("Yournick")}; // mynicklistbox (kept sorted)
    QString nickname = QStringLiteral("Yournick");     // the chosen nickname
    QString realName = QStringLiteral("QuorlIRC User"); // nametext, at most 30 characters
    // emailtext, at most 200 characters. Its text is the user name of the USER line, so
    // a new user starts with one that servers accept.
    QString email = QStringLiteral("quorl");
    QString ident = QStringLiteral("quorl"); // identdtext, at most 20 characters
};

struct ConnectionOptions
{
    QString quitMessage;          // Edit2, at most 200 characters
    bool sendQuitMessage = false; // CheckBox6
    bool away = false;            // CheckBox8
    QString awayMessage;          // Edit14
    bool invisible = false;       // CheckBox10
};

struct Options
{
    UserOptions user;
    ConnectionOptions connection;
};

namespace OptionLimits {
constexpr int realName = 30;
constexpr int email = 200;
constexpr int ident = 20;
constexpr int quitMessage = 200;
constexpr int awayMessage = 200;
} // namespace OptionLimits
