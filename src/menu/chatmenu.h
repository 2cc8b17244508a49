#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class UserActions;
class WindowRegistry;
struct ChatWindow;

// One entry of the fixed chat context menu. Entries are listed parents first, in menu
// order; separators carry a name of their own (starting with "-") so the preparation can
// hide them with their neighbours.
struct ChatMenuEntry
{
    QString id;     // the caption, or the separator's name
    QString parent; // empty for the top level
    bool checkable = false;

    bool isSeparator() const { return id.startsWith(u'-'); }
};

// The entries of the fixed chat menu, in order.
const std::vector<ChatMenuEntry>& chatMenuEntries();

// How an entry looks while the menu is open.
struct ChatMenuItemState
{
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};
using ChatMenuState = QHash<QString, ChatMenuItemState>;

namespace ChatMenuContext {
constexpr int Preview = -1;
constexpr int None = 0;
constexpr int Channel = 1;
constexpr int Private = 2;
constexpr int Dcc = 3;
} // namespace ChatMenuContext

int chatMenuContext(const ChatWindow* window);

// Every entry's visibility, enabled state and check mark for this window and the user's
// rank in it.
ChatMenuState prepareChatMenu(const ChatWindow& window);

// Runs the fixed entries by caption.
class ChatMenuActions
{
public:
    enum class Outcome {
        Done,        // handled (possibly by doing nothing yet)
        NeedsDialog, // "Topic...", "Password...", "User Limit...", "Send Theme...",
                     // "Forget this window's history", the sound entries: the front end asks first
        Unknown,     // not a fixed entry: a menu mod's entry may take it
    };

    ChatMenuActions(UserActions& actions, WindowRegistry& windows);

    // selectedNicks are the nick list's selected nicknames without rank letters.
    Outcome run(const QString& caption, ChatWindow* window, const QStringList& selectedNicks);

    // The lines "Show Theme Info" adds.
    static QStringList themeInfoLines(const ChatWindow& window);

private:
    bool runWindowEntry(const QString& caption, ChatWindow* window);

    UserActions& actions_;
    WindowRegistry& windows_;
};
