#pragma once

#include "dcc/soundlist.h"
#include "settings/recentservers.h"

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
    bool autoJoinOnInvite = false; // CheckBox1 "Auto-Join when you are Invited to a Channel"
};

// Answers to other users' CTCP queries.
struct CtcpReplyOptions
{
    bool answerVersion = true;                        // CheckBox4 "On a VERSION Request"
    QString versionText = QStringLiteral("QuorlIRC v2.00"); // Edit11
    bool messageOnTime = false;                       // CheckBox5 "On a TIME request"
    QString timeMessage;                              // Edit12
    bool messageOnPing = false;                       // CheckBox9 "On a PING Request"
    QString pingMessage;                              // Edit15
};

struct DisplayOptions
{
    // The theme-use list: a theme name in lower case, then use tokens ",CH" + channel,
    // ",PC" + nick, ",DC" + nick, or ",CH!unused!" and so on for the defaults.
    QStringList themeUses{QStringLiteral("quorl,CH!unused!,PC!unused!,DC!unused!")};
    bool autoLog = false;      // ToolButton7 "Auto-Log all Chats"
    bool hideTraffic = false;  // ToolButton4 "Hide All Channel Joins/Parts/Quits"
    bool ignorePrivateChats = false; // CheckBox11 "Ignore All Requests for Private Chat"
    bool sayOnLeave = false;   // CheckBox2 "When leaving a Channel, Private or DCC Chat"
    QString leaveMessage;      // Edit7
};

struct SoundOptions
{
    SoundList soundlist; // soundlist
};

struct IgnoreOptions
{
    // ComboBox1: index into the ignore durations, "1 minute" .. "Permanent" (3 is
    // "10 minutes"). The permanent entries themselves are kept by the ignore list.
    int ignoreTime = 3;
    bool floodProtection = false; // CheckBox3 "Enable Flood Protection.  ..."
    int floodLines = 10;          // SpinEdit2, 1 to 100
};

struct ServerListOptions
{
    // Position of the selected node of servertree in display order; -1 when none.
    int serverListBookmark = 1;
    RecentServerSlots recent; // connectmenu rec0..rec9, most recent first
};

struct Options
{
    UserOptions user;
    ConnectionOptions connection;
    DisplayOptions display;
    SoundOptions sound;
    IgnoreOptions ignore;
    CtcpReplyOptions ctcp;
    ServerListOptions servers;
};

namespace OptionLimits {
constexpr int realName = 30;
constexpr int email = 200;
constexpr int ident = 20;
constexpr int quitMessage = 200;
constexpr int awayMessage = 200;
constexpr int floodLinesMin = 1;
constexpr int floodLinesMax = 100;
} // namespace OptionLimits
