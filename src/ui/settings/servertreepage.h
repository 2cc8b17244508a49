#pragma once

#include <QWidget>

class Client;
class QToolButton;
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

Q_SIGNALS:
    void connectRequested();
    // importbutton "Import settings".
    void importRequested();

private:
    QToolButton* addButton(const char* objectName, const QString& hint, const QIcon& icon);

    Client& client_;
    ServerTreeWidget* tree_ = nullptr;
    QToolButton* newFolder_ = nullptr;
    QToolButton* newServer_ = nullptr;
    QToolButton* edit_ = nullptr;
    QToolButton* down_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* delete_ = nullptr;
};
