#pragma once

#include "core/soundlist.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>

// One remembered server. A slot is in use while its label is not empty.
struct RecentServer
{
    QString label;
    QString host;
    QString port; // decimal text as stored; checked when the entry is chosen
    bool inUse() const { return !label.isEmpty(); }
    bool operator==(const RecentServer&) const = default;
};

using RecentServerSlots = std::array<RecentServer, 10>;

// Every setting of the client, grouped by subsystem. Each field names the control that
// shows it. A field kept in quorl.ini starts at what the file reads when its key is
// missing, so a client that read no file and one that read an empty file agree.

struct UserOptions
{
    QStringList nicknames{QStringLiteral("Yournick")}; // mynicklistbox (kept sorted)
    QString nickname = QStringLiteral("Yournick");     // the chosen nickname
    QString realName;                                  // nametext, at most 30 characters
    // emailtext, at most 200 characters. Its first word is the user name of the USER
    // line; a new program folder's first quorl.ini gives a new user one.
    QString email;
    QString ident; // identdtext, at most 20 characters
};

// The user's nicknames are kept sorted without regard to case: rotation walks them in
// that order when a nickname is refused.
inline void sortNicknames(QStringList& nicknames)
{
    std::sort(nicknames.begin(), nicknames.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
}

// Adds name to the user's list; false when it is there already.
inline bool addNickname(UserOptions& user, const QString& name)
{
    if (user.nicknames.contains(name))
        return false;
    user.nicknames.append(name);
    sortNicknames(user.nicknames);
    return true;
}

struct ConnectionOptions
{
    QString quitMessage;           // Edit2, at most 200 characters
    bool sendQuitMessage = false;  // CheckBox6
    bool away = false;             // CheckBox8
    QString awayMessage;           // Edit14
    bool invisible = false;        // CheckBox10
    bool autoJoinOnInvite = false; // CheckBox1 "Auto-Join when you are Invited to a Channel"
    bool reconnect = true;         // reconnect "Reconnect when the connection is lost"
};

// Answers to other users' CTCP queries.
struct CtcpReplyOptions
{
    bool answerVersion = false; // CheckBox4 "On a VERSION Request"
    QString versionText;        // Edit11
    bool messageOnTime = false; // CheckBox5 "On a TIME request"
    QString timeMessage;        // Edit12
    bool messageOnPing = false; // CheckBox9 "On a PING Request"
    QString pingMessage;        // Edit15
};

struct DisplayOptions
{
    // The theme-use list: a theme name in lower case, then use tokens ",CH" + channel,
    // ",PC" + nick, ",DC" + nick, or ",CH!unused!" and so on for the defaults. Unlike
    // the other fields it does not start at what a file without it reads (no entry: the
    // built-in theme) but with the shipped theme.
    QStringList themeUses{QStringLiteral("quorl,CH!unused!,PC!unused!,DC!unused!")};
    bool autoLog = false;            // ToolButton7 "Auto-Log all Chats"
    bool hideTraffic = false;        // ToolButton4 "Hide All Channel Joins/Parts/Quits"
    bool ignorePrivateChats = false; // CheckBox11 "Ignore All Requests for Private Chat"
    bool sayOnLeave = false;         // CheckBox2 "When leaving a Channel, Private or DCC Chat"
    QString leaveMessage;            // Edit7
    // highlightwords: words that highlight a line as the own nickname does.
    QStringList highlightWords;
    bool notifications = true; // notifications "Desktop notifications while away from the window"
    bool timestamps = false;   // timestamps "Show the time before each line"
    // Lines each chat window keeps; the oldest leave past it (logs still get every line).
    int historyLimit = 200000; // historylimit "Lines kept per window (0 = no limit)"
};

// The history store: every line the windows show, kept across runs.
struct HistoryOptions
{
    bool enabled = true;      // enabled "Keep every line in the history store"
    bool privateChats = true; // private "Private and DCC chats too"
    int keepDays = 0;         // keepdays "Forget lines older than this many days (0 = never)"
    int reopenLines = 500;    // reopenlines "Lines a window shows from its past on opening"
    int fetchLines = 200;     // historyfetchlines "Lines asked of the server's history on joining"
    // memorylines "Lines a window keeps in memory (older ones are read back when scrolled
    // to)": about 130 bytes a line, so a busy window stays near 1.3 MB.
    int memoryLines = 10000;
};

struct SoundOptions
{
    SoundList soundlist;          // soundlist
    bool acceptRequests = false;  // CheckBox15 "Accept Sound Requests"
    bool privateRequests = false; // CheckBox14 "Your Sound Requests are Private"
    // Folders; empty means the program folder.
    QString soundFolder;      // ToolButton55 "Specify where your sound files are located"
    QString linkDialogFolder; // start folder of soundselect
    QString playDialogFolder; // start folder of psounddialog
};

struct NotifyOptions
{
    QStringList nicknames; // notifyListView, in list order
    // The column toggles, each shown unless switched off.
    bool showAddress = true;  // addressbutton
    bool showChannels = true; // channelsbutton
    bool showIdle = true;     // idlebutton
    bool showName = true;     // namebutton
    bool showPing = true;     // pingbutton
    bool showServer = true;   // serverbutton
    bool showTime = true;     // timebutton
    bool showVersion = true;  // versionbutton
};

struct DccOptions
{
    enum class ChatOffer { Ignore = 0, Accept = 1, Prompt = 2 };
    enum class FileOffer { Get = 0, Prompt = 1, Ignore = 2 };
    // RadioButton7 "Ignore it", RadioButton6 "Accept without Prompt", RadioButton8 "Prompt"
    // These are what a settings file without the keys reads as; a new program folder's
    // shipped quorl.ini asks ("Prompt") for both.
    ChatOffer chatInboundAction = ChatOffer::Ignore;
    // RadioButton5 "Get File without Prompt", RadioButton3 "Prompt", RadioButton4 "Ignore It"
    FileOffer fileInboundAction = FileOffer::Get;
    QString saveFolder;  // received files; empty means "Received Files" in the program folder
    QStringList filters; // filterlist: "*.ext folder" per line, blank lines kept
    // "Ask the other side to connect (behind NAT)": offers carry port 0 and a token, and
    // the peer listens instead.
    bool passive = false;
    // "Resume partial files automatically": a file taken without a prompt that exists and
    // is smaller than the offer is resumed instead of saved beside it.
    bool resumeAutomatically = false;
    // "Most files received at once": offers beyond it are refused with a status line.
    int maxIncoming = 10;
};

// The file server other users reach with the trigger word.
struct FileServerOptions
{
    bool enabled = false; // RadioButton1 "On" / RadioButton2 "Off"; not stored, starts Off
    // Edit22 "FileServer Root Folder". The client sets the program folder's "Shared Files"
    // as the default; empty serves nothing.
    QString root;
    QString trigger = QStringLiteral("!FileServe"); // Edit23 "Keyword Trigger"
    int maxUsers = 5;                               // TrackBar2 "Max. Simultaneous Users", 1 to 20
    int maxGets = 3;                                // TrackBar3 "Max. Gets per User", 1 to 20
    QString greeting; // greet: the chosen file of the "fileserver" folder; empty: the first
};

struct AppearanceOptions
{
    QString lastPoster = QStringLiteral("fl2xfvc.dcm"); // FileListBox1, a file in "posters"
    bool noPoster = false;                              // CheckBox13 "Don't use a Poster"
    qint32 tileFrameColor = 0; // Shape2: the tile frame's Windows colour value (0x00BBGGRR)
};

struct BrowserOptions
{
    bool useOther = false; // RadioButton9 "Use this Instead..." (else RadioButton10)
    QString path;          // Edit21
};

struct MenuModOptions
{
    // Label50: the file in "Menu Mods". A settings file without one names "1", which no
    // mod file has; a new program folder's shipped quorl.ini names Quorl.mnu.
    QString modName = QStringLiteral("1");
};

struct ScriptOptions
{
    QString lastScript = QStringLiteral("0dsae"); // base name of scripts/<name>.sct
};

struct ChannelListOptions
{
    QStringList favourites; // favchannels
};

struct IgnoreOptions
{
    // ComboBox1: index into the ignore durations, "1 minute" .. "Permanent" (3 is
    // "10 minutes"). The permanent entries themselves are kept by the ignore list.
    int ignoreTime = 3;
    bool floodProtection = false; // CheckBox3 "Enable Flood Protection.  ..."
    int floodLines = 10;          // SpinEdit2, 1 to 100
};

// What the text entry does with typed lines beyond plain chat.
struct TextEntryOptions
{
    // aliaslist: one alias a line, "/" + name + " " + expansion.
    QStringList aliases;
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
    NotifyOptions notify;
    TextEntryOptions textEntry;
    DccOptions dcc;
    FileServerOptions fileServer;
    AppearanceOptions appearance;
    BrowserOptions browser;
    MenuModOptions menuMod;
    ScriptOptions scripts;
    ChannelListOptions channels;
    ServerListOptions servers;
    HistoryOptions history;
};

namespace OptionLimits {
constexpr int realName = 30;
constexpr int email = 200;
constexpr int ident = 20;
constexpr int quitMessage = 200;
constexpr int awayMessage = 200;
constexpr int floodLinesMin = 1;
constexpr int floodLinesMax = 100;
constexpr int fileServerSliderMin = 1;
constexpr int fileServerSliderMax = 20;
constexpr int dccIncomingMin = 1;
constexpr int dccIncomingMax = 200;
} // namespace OptionLimits
