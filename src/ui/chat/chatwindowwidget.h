#pragma once

#include "chat/completion.h"

#include <QFrame>
#include <QUrl>

#include <functional>

class QLabel;
class TextEntry;
class QPushButton;
class QSplitter;
class ChatView;
class FindBar;
class NickListView;
class Conversations;
class WindowRegistry;
struct Options;
struct ChatWindow;

// What a chat window reaches beyond its own record: the registry of windows, the
// conversations its links join, open or ask in, the user's nickname and options, and the
// desktop.
struct ChatWindowContext
{
    WindowRegistry* registry = nullptr;
    Conversations* conversations = nullptr;
    std::function<QString()> ownNickname;
    const Options* options = nullptr;
    // The theme's background picture is read from here.
    QString themesFolder;
    // A yes/no question that does not block; the answer arrives through the callback.
    // Unset: a window-modal message box.
    std::function<void(const QString& question, std::function<void(bool yes)> answer)> askYesNo;
    // Unset: the desktop's web browser.
    std::function<void(const QUrl&)> openUrl;
    // A line (or a pasted block) typed into the window's entry.
    std::function<void(ChatWindow*, const QString&)> enterLine;
    // The chat context menu, for the window and the nicknames selected in its nick list.
    std::function<void(ChatWindow*, const QPoint& globalPos, const QStringList& nicks)> showMenu;
    // A DCC chat offered to a nick the user right-clicked.
    std::function<void(const QString& nick)> offerDccChat;
};

// The container of one chat window: for a channel the caption strip and the nick-list
// column beside the view; the view, the text entry and the "Control" button for all.
class ChatWindowWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int NickColumnWidth = 80;

    ChatWindowWidget(ChatWindow& window, ChatWindowContext context, QWidget* parent = nullptr);

    ChatWindow& window() { return window_; }
    // The parts below the caption are made when the window is first shown or asked for,
    // so a window that was never looked at costs its model alone.
    TextEntry* textEntry() { return built().entry_; }
    NickListView* nickList() { return built().nickList_; }
    QLabel* caption() const { return caption_; }
    QPushButton* controlButton() { return built().control_; }
    ChatView* view() { return built().view_; }
    FindBar* findBar() { return built().findBar_; }
    void setVisible(bool visible) override;
    // What Tab in the entry completes from: the nick list and who spoke last, the
    // commands and aliases, the open channels.
    Completion::Sources completionSources() const;

    void updateCaption();
    // The nick-list column takes the width its entries need; the button follows it.
    void fitNickColumn();

    // What the view's links do.
    void channelLinkClicked(const QString& channel);
    void nicknameLinkClicked(const QString& nick, Qt::MouseButton button);
    void webLinkClicked(const QString& text);
    void soundLinkClicked(const QString& owner, const QString& file);

private:
    ChatWindowWidget& built();
    QWidget* buildViewPanel();
    QWidget* buildBottomStrip(bool channel);
    QWidget* buildNickColumn();
    void buildFindBar();
    void applyEntryTheme();
    void askYesNo(const QString& question, std::function<void(bool)> answer);
    void showMenu(const QPoint& globalPos);

    ChatWindow& window_;
    ChatWindowContext context_;
    QLabel* caption_ = nullptr;
    ChatView* view_ = nullptr;
    NickListView* nickList_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QPushButton* control_ = nullptr;
    TextEntry* entry_ = nullptr;
    FindBar* findBar_ = nullptr;
};
