#pragma once

#include "ui/dialogs/smalldialog.h"

class Client;
struct ChatWindow;

// "Send Theme" asks before a window's theme goes to another user by DCC.
class SendThemeDialog : public SmallDialog
{
    Q_OBJECT
public:
    SendThemeDialog(Client& client, const QString& themeName, const QString& nick,
                    QWidget* parent = nullptr);
    // Opens the dialog for window's theme and the target its kind and the selection give;
    // nothing when there is no one to send to.
    static SendThemeDialog* openFor(Client& client, const ChatWindow& window,
                                    const QStringList& selectedNicks, QWidget* parent);
    // "Send"
    void send();

private:
    Client& client_;
    QString themeName_;
    QString nick_;
};
