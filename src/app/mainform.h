#pragma once

#include "app/uiprompts.h"

#include <QMainWindow>
#include <memory>

class Client;
class QComboBox;
class QLabel;
class QFrame;
class QTabWidget;
class QToolButton;
class ChatMenuWidget;
class MessagesSettingsPage;
class ServerInfoWidget;
class RecentServersMenuWidget;
class ServerTreePage;
class TPickerpanel;
class Txsplitter;
class IgnoreSettingsPage;
class UserSettingsPage;
struct Tpickeritem;

// The main window: the picker beside the work area (masterpanel) with its section panels
// and every chat window's container, and the status strip with the status list, the
// nickname panel and the connect buttons.
class Tmainform : public QMainWindow
{
    Q_OBJECT
public:
    // The picker's width when the window opens: room for the section labels.
    static constexpr int PickerWidth = 150;

    explicit Tmainform(const QString& programFolder, QWidget* parent = nullptr);
    ~Tmainform() override;

    Client& client() { return *client_; }

    void connectbuttonconnectClick();
    void connectbuttondisconnectClick();

    TPickerpanel* picker() const { return picker_; }
    ServerTreePage* serverPage() const { return serverPage_; }
    RecentServersMenuWidget* connectmenu() const { return connectmenu_; }
    QWidget* masterpanel() const { return masterpanel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the window does before it is first shown: reads the settings, fills the pages
    // from them and places itself. Steps for subsystems still to come have their place
    // marked inside.
    void runShowSequence();
    bool applyWindowPlacement();
    // Where the window is now, for the settings file.
    void recordWindowPlacement();
    void buildWorkArea(QWidget* central);
    QWidget* addSectionPanel(const QString& objectName, const QString& caption);
    void buildServerInfo();
    void addChatWindow(Tpickeritem* window);
    void dropChatWindow(Tpickeritem* window);
    // Places the containers as the picker decided: one alone, or the tiles.
    void layoutMaster();
    void placeTileFrame(int row);
    void fitPicker();
    void buildStatusStrip(QWidget* strip);
    void addStatusEntry(const QString& line);
    void showButtons(bool connectEnabled, bool disconnectEnabled);
    void showNickname(const QString& nickname);

    UiPrompts prompts_;
    std::unique_ptr<Client> client_;
    Txsplitter* mainSplitter_ = nullptr;
    TPickerpanel* picker_ = nullptr;
    QWidget* masterpanel_ = nullptr;
    QFrame* tileFrame_[4] = {}; // tleft, ttop, tright, tbot
    QTabWidget* settingspanel_ = nullptr;
    ServerTreePage* serverPage_ = nullptr;
    RecentServersMenuWidget* connectmenu_ = nullptr;
    UserSettingsPage* userPage_ = nullptr;
    ServerInfoWidget* serverInfo_ = nullptr;
    IgnoreSettingsPage* ignorePage_ = nullptr;
    ChatMenuWidget* chatMenu_ = nullptr;
    MessagesSettingsPage* messagesPage_ = nullptr;
    QComboBox* statuslist_ = nullptr;
    QLabel* panel6_ = nullptr;
    QToolButton* connectbuttonconnect_ = nullptr;
    QToolButton* connectbuttondisconnect_ = nullptr;
};
