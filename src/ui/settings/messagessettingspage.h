#pragma once

#include <QWidget>

class Client;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// What the client says for the user: answers to CTCP queries, the message on leaving,
// and how it treats invitations and private chats.
class MessagesSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit MessagesSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the values of the options model.
    void load();

private:
    Client& client_;
    QCheckBox* checkBox4_;
    QLineEdit* edit11_;
    QCheckBox* checkBox5_;
    QLineEdit* edit12_;
    QCheckBox* checkBox9_;
    QLineEdit* edit15_;
    QCheckBox* checkBox2_;
    QLineEdit* edit7_;
    QCheckBox* checkBox1_;
    QCheckBox* reconnect_; // reconnect
    QCheckBox* checkBox11_;
    QLineEdit* highlightWords_; // highlightwords
    QCheckBox* notifications_;  // notifications
    QCheckBox* timestamps_;     // timestamps
    QSpinBox* historyLimit_;    // historylimit
};
