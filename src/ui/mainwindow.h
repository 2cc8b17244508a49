#pragma once

#include "irc/session.h"
#include "ui/dialogs/uiprompts.h"

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <type_traits>

class Client;
class QComboBox;
class QLabel;
class QFrame;
class QToolButton;
class ChatMenuWidget;
class FilesPanel;
class ServerInfoWidget;
class RecentServersMenu;
class ServerTreePage;
class SettingsPanel;
class PickerPanel;
class ChatSplitter;
class ImportDialog;
class QUrl;
struct ChatWindow;

// The main window: the picker beside the work area (masterPanel) with its section panels
// and every chat window's container, and the status strip with the status list, the
// nickname panel and the connect buttons.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The picker's width when the window opens: room for the section labels.
    static constexpr int PickerWidth = 150;
    // The smallest the window may be made: every settings page and the status strip
    // still show all their captions.
    static constexpr QSize MinimumSize{800, 560};

    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    Client& client() { return *client_; }

    // The "Connect to Server" and "Disconnect from Server" buttons.
    void connectToServer();
    void disconnectFromServer();

    PickerPanel* picker() const { return picker_; }
    ServerTreePage* serverPage() const { return serverPage_; }
    // The settings page of class P; a page whose tab was never shown is made now.
    template <class P> P* settingsPage()
    {
        return static_cast<P*>(settingsPage(P::staticMetaObject));
    }
    RecentServersMenu* connectMenu() const { return connectMenu_; }
    QWidget* masterPanel() const { return masterPanel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // What the window does before it is first shown: reads the settings, fills the pages
    // from them and places itself. Steps for subsystems still to come have their place
    // marked inside.
    void runShowSequence();
    bool applyWindowPlacement();
    // Where the window is now, for the settings file.
    void recordWindowPlacement();
    void buildWorkArea(QWidget* central);
    QWidget* addSectionPanel(const QString& objectName, const QString& caption,
                             QWidget* content = nullptr);
    void buildSettingsPanel();
    // A settings tab whose page make(tab) builds, inside the tab, when it is first shown.
    template <class Make> void addPage(const QString& caption, Make make)
    {
        using Page = std::remove_pointer_t<std::invoke_result_t<Make, QWidget*>>;
        addPage(caption, Page::staticMetaObject,
                [make](QWidget* tab) -> QWidget* { return make(tab); });
    }
    void addPage(const QString& caption, const QMetaObject& type,
                 std::function<QWidget*(QWidget*)> make);
    void makeSettingsPage(int index);
    QWidget* settingsPage(const QMetaObject& type);
    void buildServerInfo();
    // The Files panel's transfer lists, made on first use.
    FilesPanel* filesPanel();
    // Alt+1..9, Ctrl+PgUp/PgDn and Ctrl+W over the chat windows.
    void installWindowKeys();
    // Ctrl+Shift+F: a search over the history store.
    void openHistorySearch();
    // The chat window the keyboard is in: the one holding the focus, else the one
    // selected.
    ChatWindow* currentChatWindow() const;
    void addChatWindow(ChatWindow* window);
    void dropChatWindow(ChatWindow* window);
    // Places the containers as the picker decided: one alone, or the tiles.
    void layoutMaster();
    void placeTileFrame(int row);
    void fitPicker();
    // The colour of the four tile frame bars (chosen on the Misc page).
    void paintTileFrame(const QColor& colour);
    // Web links, help and "Go There" open in the browser the Misc page chose.
    void openUrl(const QUrl& url);
    void buildStatusStrip(QWidget* strip);
    void addStatusEntry(const QString& line);
    void showSessionState(Session::State state);
    void showNickname(const QString& nickname);

    UiPrompts prompts_;
    std::unique_ptr<Client> client_;
    ChatSplitter* mainSplitter_ = nullptr;
    PickerPanel* picker_ = nullptr;
    QWidget* masterPanel_ = nullptr;
    QFrame* tileFrame_[4] = {}; // tleft, ttop, tright, tbot
    SettingsPanel* settingspanel_ = nullptr;
    struct PageMaker
    {
        const QMetaObject* type;
        std::function<QWidget*(QWidget*)> make;
    };
    // The tabs whose pages are still to be made, by index.
    QHash<int, PageMaker> pageMakers_;
    ServerTreePage* serverPage_ = nullptr;
    ImportDialog* importDialog_ = nullptr;
    RecentServersMenu* connectMenu_ = nullptr;
    ServerInfoWidget* serverInfo_ = nullptr;
    ChatMenuWidget* chatMenu_ = nullptr;
    QWidget* filesHolder_ = nullptr;
    FilesPanel* filesPanel_ = nullptr;
    QComboBox* statuslist_ = nullptr;
    QLabel* nicknamePanel_ = nullptr;
    QToolButton* connectButton_ = nullptr;
    QToolButton* disconnectButton_ = nullptr;
};
