#pragma once

#include <QWidget>

class ChatMenuWidget;
class MenuMods;
class QLabel;
class QPlainTextEdit;

// The menu-mod page: the mod's lines in menupile, the name of its file, and
// the buttons that compile, preview, save and load it.
class MenuModPage : public QWidget
{
    Q_OBJECT
public:
    MenuModPage(MenuMods& mods, ChatMenuWidget& menu, QWidget* parent = nullptr);

    QPlainTextEdit* pile() const { return menupile_; }

    // "Compile Menu": the lines as they stand become the mod's entries.
    void compileMenu();
    // "Compile and View Menu": compiles, then shows the menu at the screen's top-left
    // corner, where choosing an entry does nothing.
    void compileAndView();
    void saveMod();
    void loadMod();

private:
    void showLines();

    MenuMods& mods_;
    ChatMenuWidget& menu_;
    QPlainTextEdit* menupile_;
    QLabel* modLabel_;
};
