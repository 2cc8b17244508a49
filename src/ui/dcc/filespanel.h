#pragma once

#include <QWidget>

class Client;
class QPlainTextEdit;
class QToolButton;
class TransferListView;

// The "Files" section: outboundfilelist and inboundfilelist with their buttons, and the
// download filters (filterlist) behind "Show Filter Settings".
class FilesPanel : public QWidget
{
    Q_OBJECT
public:
    explicit FilesPanel(Client& client, QWidget* parent = nullptr);

    TransferListView* outbound() const { return outbound_; }
    TransferListView* inbound() const { return inbound_; }
    // The filters as stored (after the settings are read).
    void loadFilters();
    // "Send a File" and the chat menu's "Send File...": nick pre-fills the receiver when given.
    void openSendDialog(const QString& nick = QString());

private:
    QToolButton* addButton(QWidget* bar, const QString& name, const QString& text);
    void openSelectedFile();

    Client& client_;
    TransferListView* outbound_ = nullptr;
    TransferListView* inbound_ = nullptr;
    QWidget* filterPanel_ = nullptr;
    QPlainTextEdit* filterlist_ = nullptr;
};

// The "DCC Chat" section: a nick and "Do" to offer a chat.
class DccChatPanel : public QWidget
{
    Q_OBJECT
public:
    explicit DccChatPanel(Client& client, QWidget* parent = nullptr);
};
