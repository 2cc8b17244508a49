#pragma once

#include "menu/chatmenu.h"

#include <QHash>
#include <QMenu>
#include <QStringList>

class Client;
class QAction;

// The chat context menu (chatmenu) of every chat window. The chat window's "Control"
// button and its nick list's right click open it with showChatMenu.
class ChatMenuWidget : public QMenu
{
    Q_OBJECT
public:
    explicit ChatMenuWidget(Client& client, QWidget* parent = nullptr);

    // Opens the menu for a window. selectedNicks are the nick list's selected
    // nicknames without their rank letters (empty outside channels); the menu then opens
    // under a title naming them (nickMenu).
    void showChatMenu(ChatWindow* window, const QPoint& globalPos,
                      const QStringList& selectedNicks);
    // The menu a right click on the nick list opens: the nicknames as a title, then
    // every entry of this menu.
    QMenu* nickMenu() const { return nickMenu_; }
    // Sets every entry up for the window without opening the menu.
    void prepare(ChatWindow* window, const QStringList& selectedNicks);
    // Does what choosing the entry with this caption does: a fixed entry's action first,
    // so a mod entry with a fixed caption runs the fixed action, else the mod's commands.
    void choose(const QString& caption);
    // The menu with the mod just compiled, for no window: choosing does nothing.
    void showPreview(const QPoint& globalPos);
    // The mod's top entry, when the compiled mod has one.
    QMenu* modMenu() const { return modTop_; }

    QAction* entry(const QString& id) const { return entries_.value(id); }
    ChatWindow* window() const { return window_; }

    // Shows a completed ban list; "UnBan" removes the chosen bans.
    static void showBanList(Client& client, const QString& channel, const QStringList& masks,
                            QWidget* parent);

Q_SIGNALS:
    // An entry that is not one of the fixed ones (a menu mod's entry) was chosen.
    void otherEntryChosen(ChatWindow* window, const QString& caption,
                          const QStringList& selectedNicks);

private:
    void build();
    // Puts the compiled menu mod in place of the previous one: a separator and the mod's
    // top entry at position 14, before the last separator and "Leave".
    void buildMod();
    void addModEntries(QMenu* menu, int parent);
    void openDialog(const QString& caption);
    // psounddialog for the sound entries.
    void openSoundDialog(const QString& caption);

    Client& client_;
    ChatMenuActions actions_;
    QHash<QString, QAction*> entries_;
    ChatWindow* window_ = nullptr;
    QStringList selectedNicks_;
    QAction* modSeparator_ = nullptr;
    QMenu* modTop_ = nullptr;
    QMenu* nickMenu_ = nullptr;
};
