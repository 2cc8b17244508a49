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
    QCheckBox* answerVersionCheck_;
    QLineEdit* versionReplyEdit_;
    QCheckBox* answerTimeCheck_;
    QLineEdit* timeMessageEdit_;
    QCheckBox* answerPingCheck_;
    QLineEdit* pingMessageEdit_;
    QCheckBox* sayOnLeaveCheck_;
    QLineEdit* leaveMessageEdit_;
    QCheckBox* autoJoinOnInviteCheck_;
    QCheckBox* reconnect_; // reconnect
    QCheckBox* ignorePrivateChatsCheck_;
    QLineEdit* highlightWords_; // highlightwords
    QCheckBox* notifications_;  // notifications
    QCheckBox* timestamps_;     // timestamps
    QSpinBox* historyLimit_;    // historylimit
    // The history store.
    QCheckBox* historyEnabled_;
    QCheckBox* historyPrivate_;
    QSpinBox* historyKeepDays_;
    QSpinBox* historyReopenLines_;
    QSpinBox* historyFetchLines_;
    QSpinBox* historyMemoryLines_;
};
