#pragma once

#include <QWidget>

class Client;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The "Notify List" settings page: the followed users with their details, the column
// toggles and the buttons that add, rename and delete users or act on the selected one.
class NotifyPage : public QWidget
{
    Q_OBJECT
public:
    explicit NotifyPage(Client& client, QWidget* parent = nullptr);

    QTreeWidget* notifyListView() const { return notifyListView_; }

    void editUser();

private:
    void showEntries();
    void showEntry(int index);
    void fillItem(QTreeWidgetItem* item, int index);
    void showSelection(int index);
    void showButtons();
    void layoutColumns();
    void editEnded(QTreeWidgetItem* item, int column);

    Client& client_;
    QTreeWidget* notifyListView_;
    QToolButton* columnButtons_[8] = {};
    QToolButton* addUserButton_;
    QToolButton* editUserButton_;
    QToolButton* deleteUserButton_;
    QToolButton* refreshUserButton_;
    QToolButton* dccChatButton_;
    QToolButton* privateChatButton_;
    bool showing_ = false;
};
