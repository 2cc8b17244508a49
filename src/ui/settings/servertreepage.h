#pragma once

#include <QWidget>

class Client;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class NetworkSettingsDialog;
class ServerTreeWidget;

// The server page of the settings: the toolbar that edits the directory and the tree.
class ServerTreePage : public QWidget
{
    Q_OBJECT
public:
    explicit ServerTreePage(Client& client, QWidget* parent = nullptr);

    ServerTreeWidget* tree() const { return tree_; }
    // Recomputes which toolbar buttons the selected node allows.
    void updateButtons();
    // The host whose SASL account the fields below the tree show; empty when the
    // selected node is no server.
    QString saslHost() const { return saslHost_; }
    // The settings of the selected node's network, in a dialog that keeps them on OK;
    // none when the node belongs to no network.
    NetworkSettingsDialog* openNetworkSettings();

Q_SIGNALS:
    void connectRequested();
    // importbutton "Import settings".
    void importRequested();

private:
    QToolButton* addButton(const char* objectName, const QString& hint, const QIcon& icon);
    void showSaslAccount();
    void saveSaslAccount();

    Client& client_;
    ServerTreeWidget* tree_ = nullptr;
    QToolButton* newFolder_ = nullptr;
    QToolButton* newServer_ = nullptr;
    QToolButton* edit_ = nullptr;
    QToolButton* down_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* delete_ = nullptr;
    QToolButton* network_ = nullptr;
    QLabel* saslLabel_ = nullptr;
    QLineEdit* saslAccount_ = nullptr;
    QLineEdit* saslPassword_ = nullptr;
    QPushButton* saslSave_ = nullptr;
    QString saslHost_;
    bool saslShown_ = false;
};
