#pragma once

#include <QWidget>

class Client;
class QCheckBox;
class QLineEdit;
class QListWidget;

// The settings page for who the user is and how the session behaves: nicknames, real
// name, e-mail, ident name, quit and away messages, invisible.
class UserSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit UserSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model.
    void load();

    // "Add Nickname": asks for one in the add-nickname dialog.
    void askNickname();
    // "Delete Nickname": the selected entries go, never the last one.
    void deleteSelectedNicknames();

private:
    void showNicknames();
    void addNickname(const QString& nickname);

    Client& client_;
    QListWidget* mynicklistbox_;
    QLineEdit* nametext_;
    QLineEdit* emailtext_;
    QLineEdit* identdtext_;
    QLineEdit* quitMessageEdit_;
    QCheckBox* sendQuitMessageCheck_;
    QCheckBox* awayCheck_;
    QLineEdit* awayMessageEdit_;
    QCheckBox* invisibleCheck_;
};
