#pragma once

#include <QWidget>

class Client;
class QPlainTextEdit;

// The settings page of the user's aliases: one alias a line, "/" + name + " " + expansion.
class AliasSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit AliasSettingsPage(Client& client, QWidget* parent = nullptr);

    // Shows the alias list of the options model.
    void load();

private:
    void store();

    Client& client_;
    QPlainTextEdit* aliaslist_;
    bool showing_ = false;
};
