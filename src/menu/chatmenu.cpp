#include "menu/chatmenu.h"

#include "chat/windowregistry.h"
#include "commands/soundactions.h"
#include "commands/useractions.h"

namespace {
struct EntryRow
{
    const char* id;
    const char* parent;
    bool checkable;
};

constexpr EntryRow entryRows[] = {
    {"Misc", "", false},
    {"Show Topic", "Misc", false},
    {"Show Theme Info", "Misc", false},
    {"Send Theme...", "Misc", false},
    {"Log to File", "Misc", true},
    {"Sound", "", false},
    {"Enable for this Chat", "Sound", true},
    {"-sound", "Sound", false},
    {"Play Sound to User", "Sound", false},
    {"Play Sound to Channel", "Sound", false},
    {"Sample a Sound", "Sound", false},
    {"Send File...", "", false},
    {"DCC Chat", "", false},
    {"Private Chat", "", false},
    {"-chats", "", false},
    {"Channel", "", false},
    {"Topic...", "Channel", false},
    {"Password...", "Channel", false},
    {"User Limit...", "Channel", false},
    {"-channel", "Channel", false},
    {"No Outside Messages", "Channel", true},
    {"Topic by Ops Only", "Channel", true},
    {"Invitation Only", "Channel", true},
    {"Moderated", "Channel", true},
    {"Private", "Channel", true},
    {"Secret", "Channel", true},
    {"User", "", false},
    {"Give Ops", "User", false},
    {"Remove Ops", "User", false},
    {"-ops", "User", false},
    {"Give Voice", "User", false},
    {"Remove Voice", "User", false},
    {"-voice", "User", false},
    {"Kick", "User", false},
    {"Kick-Ban", "User", false},
    {"Ban", "User", false},
    {"Show Ban List", "User", false},
    {"Ignore", "User", false},
    {"5 minutes", "Ignore", false},
    {"10 minutes", "Ignore", false},
    {"30 minutes", "Ignore", false},
    {"60 minutes", "Ignore", false},
    {"Permanent", "Ignore", false},
    {"-refresh", "User", false},
    {"Refresh User List", "User", false},
    {"Inquire", "", false},
    {"Ping", "Inquire", false},
    {"Version", "Inquire", false},
    {"Who Is", "Inquire", false},
    {"Time", "Inquire", false},
    {"-all", "Inquire", false},
    {"All", "Inquire", false},
    {"-lookup", "Inquire", false},
    {"Lookup IP", "Inquire", false},
    {"-inquire", "", false},
    {"Clear", "", false},
    {"Tile", "", false},
    {"Untile", "", false},
    {"Server Messages", "", false},
    {"Hide All", "Server Messages", false},
    {"-servermessages", "Server Messages", false},
    {"Joins", "Server Messages", true},
    {"Parts", "Server Messages", true},
    {"Quits", "Server Messages", true},
    {"-leave", "", false},
    {"Leave", "", false},
    {"-history", "", false},
    {"Forget this window's history", "", false},
};

// The entries an operator needs; members and voiced users see them greyed.
const char* const operatorEntries[] = {
    "Give Ops", "Remove Ops", "Give Voice",  "Remove Voice",  "Kick",
    "Kick-Ban", "Ban",        "Password...", "User Limit...",
};

// What a private or DCC chat has no use for: it has no channel to act on.
const char* const channelOnlyEntries[] = {
    "Show Topic",
    "Play Sound to Channel",
    "Channel",
    "Give Ops",
    "Remove Ops",
    "-ops",
    "Give Voice",
    "Remove Voice",
    "-voice",
    "Kick",
    "Kick-Ban",
    "Ban",
    "Show Ban List",
    "-refresh",
    "Refresh User List",
};

const char* const dialogEntries[] = {"Topic...", "Password...", "User Limit...", "Send Theme...",
                                     "Forget this window's history"};

template <std::size_t N> bool listed(const char* const (&names)[N], const QString& caption)
{
    for (const char* name : names) {
        if (caption == QLatin1String(name))
            return true;
    }
    return false;
}

void showLines(WindowRegistry& windows, ChatWindow* window, const QStringList& lines)
{
    for (const QString& line : lines)
        windows.addLine(window, line, LineClass::Server);
}

struct WindowEntry
{
    const char* caption;
    bool channelOnly;
    void (*run)(WindowRegistry&, ChatWindow*);
};

const WindowEntry windowEntries[] = {
    {"Leave", false, [](WindowRegistry& r, ChatWindow* w) { r.leaveWindow(w, true); }},
    {"Tile", false,
     [](WindowRegistry& r, ChatWindow* w) { r.picker().addTile(int(r.indexOf(w))); }},
    {"Untile", false,
     [](WindowRegistry& r, ChatWindow* w) { r.picker().removeTile(int(r.indexOf(w))); }},
    {"Clear", false,
     [](WindowRegistry&, ChatWindow* w) {
         if (w->document)
             w->document->clear();
     }},
    {"Enable for this Chat", false,
     [](WindowRegistry&, ChatWindow* w) { w->soundEnabled = !w->soundEnabled; }},
    {"Show Topic", true,
     [](WindowRegistry& r, ChatWindow* w) {
         r.addLine(w, QStringLiteral("TOPIC: ") + w->topic, LineClass::Server);
     }},
    {"Show Theme Info", false,
     [](WindowRegistry& r, ChatWindow* w) {
         showLines(r, w, ChatMenuActions::themeInfoLines(*w));
     }},
    {"Joins", true, [](WindowRegistry&, ChatWindow* w) { w->hideJoins = !w->hideJoins; }},
    {"Parts", true, [](WindowRegistry&, ChatWindow* w) { w->hideParts = !w->hideParts; }},
    {"Quits", true, [](WindowRegistry&, ChatWindow* w) { w->hideQuits = !w->hideQuits; }},
    {"Log to File", false,
     [](WindowRegistry& r, ChatWindow* w) {
         if (w->logging)
             r.endLog(w);
         else
             r.startLog(w);
     }},
    // Hides all three kinds, or shows them all again when all three were hidden.
    {"Hide All", true,
     [](WindowRegistry&, ChatWindow* w) {
         const bool hide = !(w->hideJoins && w->hideParts && w->hideQuits);
         w->hideJoins = w->hideParts = w->hideQuits = hide;
     }},
};

void prepareChannel(ChatMenuState& state, const ChatWindow& window)
{
    const bool op = window.myStatus == QLatin1String("op");
    for (const char* caption : operatorEntries)
        state[QLatin1String(caption)].enabled = op;
    for (const QString& mode : UserActions::modeCaptions()) {
        state[mode].checked = UserActions::modeIsSet(&window, mode);
        state[mode].enabled = op;
    }
    state[QStringLiteral("Topic...")].enabled = op || !window.topicByOpsOnly;
    state[QStringLiteral("Joins")].checked = !window.hideJoins;
    state[QStringLiteral("Parts")].checked = !window.hideParts;
    state[QStringLiteral("Quits")].checked = !window.hideQuits;
}

void prepareChat(ChatMenuState& state, bool dcc)
{
    for (const char* id : channelOnlyEntries)
        state[QLatin1String(id)].visible = false;
    // The chat you are in is not offered again; the other kind is.
    state[QStringLiteral("Private Chat")].visible = dcc;
    state[QStringLiteral("DCC Chat")].visible = !dcc;
}
} // namespace

const std::vector<ChatMenuEntry>& chatMenuEntries()
{
    static const std::vector<ChatMenuEntry> entries = [] {
        std::vector<ChatMenuEntry> list;
        for (const EntryRow& row : entryRows)
            list.push_back({QLatin1String(row.id), QLatin1String(row.parent), row.checkable});
        return list;
    }();
    return entries;
}

int chatMenuContext(const ChatWindow* window)
{
    if (!window)
        return ChatMenuContext::None;
    switch (window->conversationKind) {
    case ConversationKind::Channel:
        return ChatMenuContext::Channel;
    case ConversationKind::Private:
        return ChatMenuContext::Private;
    case ConversationKind::DccChat:
        return ChatMenuContext::Dcc;
    default:
        return ChatMenuContext::None;
    }
}

ChatMenuState prepareChatMenu(const ChatWindow& window)
{
    ChatMenuState state;
    for (const ChatMenuEntry& entry : chatMenuEntries())
        state.insert(entry.id, ChatMenuItemState());
    state[QStringLiteral("Enable for this Chat")].checked = window.soundEnabled;
    state[QStringLiteral("Log to File")].checked = window.logging;
    state[QStringLiteral("Tile")].visible = !window.isTiled();
    state[QStringLiteral("Untile")].visible = window.isTiled();

    switch (chatMenuContext(&window)) {
    case ChatMenuContext::Channel:
        prepareChannel(state, window);
        break;
    case ChatMenuContext::Private:
        prepareChat(state, false);
        break;
    case ChatMenuContext::Dcc:
        prepareChat(state, true);
        break;
    default:
        break;
    }
    return state;
}

ChatMenuActions::ChatMenuActions(UserActions& actions, WindowRegistry& windows)
    : actions_(actions), windows_(windows)
{
}

ChatMenuActions::Outcome ChatMenuActions::run(const QString& caption, ChatWindow* window,
                                              const QStringList& selectedNicks)
{
    // The sound entries ask for a file first (SoundActions carries out the choice).
    if (listed(dialogEntries, caption) || SoundActions::isSoundEntry(caption))
        return Outcome::NeedsDialog;
    if (!window)
        return Outcome::Unknown;
    if (UserActions::isNickAction(caption)) {
        actions_.runNickAction(caption, window, UserActions::targetsIn(window, selectedNicks));
        return Outcome::Done;
    }
    if (UserActions::modeCaptions().contains(caption)) {
        actions_.toggleChannelMode(caption, window);
        return Outcome::Done;
    }
    return runWindowEntry(caption, window) ? Outcome::Done : Outcome::Unknown;
}

bool ChatMenuActions::runWindowEntry(const QString& caption, ChatWindow* window)
{
    for (const WindowEntry& entry : windowEntries) {
        if (caption != QLatin1String(entry.caption))
            continue;
        if (!entry.channelOnly || window->conversationKind == ConversationKind::Channel)
            entry.run(windows_, window);
        return true;
    }
    return false;
}

QStringList ChatMenuActions::themeInfoLines(const ChatWindow& window)
{
    const ThemeRecord& theme = window.theme;
    const QString rule(30, u'-');
    const QStringList errors = theme.errorLines();
    QStringList lines{rule,
                      QStringLiteral("------ Theme Information -----"),
                      QStringLiteral("--Name: ") + theme.name,
                      QStringLiteral("--Author: ") + theme.author,
                      QStringLiteral("--Description: ") + theme.description,
                      errors.isEmpty() ? QStringLiteral("--Errors: None.")
                                       : QStringLiteral("--Errors:")};
    for (const QString& error : errors)
        lines << QStringLiteral("-- ") + error;
    lines << rule;
    return lines;
}
