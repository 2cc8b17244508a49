#pragma once

#include "app/uiprompts.h"

#include <QMainWindow>
#include <memory>

class Client;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class UserSettingsPage;

// The main window: the work area with its section panels, and the status strip with
// the status list, the nickname panel and the connect buttons.
class Tmainform : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tmainform(const QString& programFolder, QWidget* parent = nullptr);
    ~Tmainform() override;

    Client& client() { return *client_; }

    void connectbuttonconnectClick();
    void connectbuttondisconnectClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildStatusStrip(QWidget* strip);
    void addStatusEntry(const QString& line);
    void showButtons(bool connectEnabled, bool disconnectEnabled);
    void showNickname(const QString& nickname);

    UiPrompts prompts_;
    std::unique_ptr<Client> client_;
    QStackedWidget* masterpanel_ = nullptr;
    QTabWidget* settingspanel_ = nullptr;
    UserSettingsPage* userPage_ = nullptr;
    QPlainTextEdit* motdView_ = nullptr;
    QComboBox* statuslist_ = nullptr;
    QLabel* panel6_ = nullptr;
    QToolButton* connectbuttonconnect_ = nullptr;
    QToolButton* connectbuttondisconnect_ = nullptr;
};
