#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CommandParser;
class WindowRegistry;
struct ChatWindow;
struct MenuModOptions;

// One line of a menu mod after the first: dots for its level, a caption and, after the
// first ":", the commands it runs. A line without ":" is a header that runs nothing.
struct MenuModEntry
{
    static constexpr int TopEntry = -1;
    static constexpr int NotPlaced = -2;

    QString caption;
    QString command;
    int level = 0;
    // The entry it hangs under (TopEntry for level 1), or NotPlaced when its level is
    // unused or the compile stopped before reaching it.
    int parent = NotPlaced;
};

// A compiled menu mod: the top entry's caption and the entries in line order, with the
// order in which they were hung under their parents.
struct CompiledMenuMod
{
    static constexpr int MaxLevel = 14;

    bool hasTop = false;
    QString topCaption;
    QList<MenuModEntry> entries;
    QList<int> placement;
    // The entry whose parent was missing, where the compile stopped; -1 when none did.
    int stoppedAt = -1;

    // The placed entries hung directly under parent (TopEntry for the top), in order.
    QList<int> childrenOf(int parent) const;
};

namespace MenuModText {
// The lines of menupile as compiled: trimmed, escapes expanded, empty ones dropped.
QStringList cleanLines(const QStringList& lines);
CompiledMenuMod compile(const QStringList& lines);
// The commands of an entry: cut before every "  /", trimmed at the front; empty pieces
// are dropped.
QStringList commandPieces(const QString& command);
} // namespace MenuModText

// The menu mod: the lines of the menu-mod page (menupile), its file in "Menu Mods", the
// compiled entries the chat context menu shows, and the running of a chosen entry's
// commands through the command parser.
class MenuMods : public QObject
{
    Q_OBJECT
public:
    using OwnNickname = std::function<QString()>;

    MenuMods(const QString& programFolder, MenuModOptions& options, CommandParser& commands,
             WindowRegistry& windows, OwnNickname ownNickname, QObject* parent = nullptr);

    QString folder() const { return programFolder_ + QStringLiteral("Menu Mods/"); }
    // The current mod's file.
    QString currentPath() const;
    // The page's line that names the current mod's file.
    QString label() const;

    QStringList lines() const { return lines_; }
    void setLines(const QStringList& lines) { lines_ = lines; }
    const CompiledMenuMod& compiled() const { return compiled_; }
    void compile();

    // The lines of a mod file: every non-empty value of keys "0" to "maxmod".
    static QStringList readModFile(const QString& path);
    // At start: the mod named by the settings, compiled (a missing file gives no entries).
    void loadCurrent();
    // "Load a Menu Mod": the chosen file's name becomes the current mod, read from
    // "Menu Mods".
    void loadMod(const QString& chosenPath);
    // "Save this Menu Mod": false when the file cannot be written (nothing changes then).
    bool saveMod(const QString& chosenPath);

    // Runs the first mod entry with this caption for a window; false when no entry of the
    // mod has it. selectedNicks are the nick list's selected nicknames, in order.
    bool runEntry(const QString& caption, ChatWindow* window, const QStringList& selectedNicks);

Q_SIGNALS:
    // The compiled entries changed: the chat context menu builds its mod part again.
    void menuCompiled();
    void labelChanged(const QString& label);
    // The lines were replaced by a loaded file.
    void linesLoaded();

private:
    QString programFolder_;
    MenuModOptions& options_;
    CommandParser& commands_;
    WindowRegistry& windows_;
    OwnNickname ownNickname_;
    QStringList lines_;
    CompiledMenuMod compiled_;
};
