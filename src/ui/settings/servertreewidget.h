#pragma once

#include <QHash>
#include <QTimer>
#include <QTreeWidget>

class ServerTree;
struct ServerNode;

// The server directory view (servertree): shows the ServerTree model, edits a node's text
// in place for one second after an edit button, and moves folders and servers by drag and
// drop with auto-scroll at the edges.
class ServerTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    static constexpr int EditWindowMs = 1000;
    static constexpr int ScrollIntervalMs = 100;
    static constexpr int TopScrollBand = 3;
    static constexpr int BottomScrollBand = 8;
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit ServerTreeWidget(ServerTree& tree, QWidget* parent = nullptr);

    static QIcon iconForKind(int kind);
    // iconForKind made once per kind: the style decodes its image files on every call.
    const QIcon& kindIcon(int kind);
    QTreeWidgetItem* itemFor(const ServerNode* node) const;
    ServerNode* nodeOf(const QTreeWidgetItem* item) const;

    // "Edit Folder, Server Description or Server Data": opens the window in which the
    // selected node's text may be edited, and starts editing it.
    void editSelected();
    bool isEditing() const { return state() == EditingState; }
    QTimer& serverTreeEditTimer() { return serverTreeEditTimer_; }
    QTimer& serverTreeTimer() { return serverTreeTimer_; }
    // One step of drag auto-scroll: -1 up, 1 down, 0 none.
    int scrollDirection() const { return scrollDirection_; }
    void autoScrollStep();
    // Where a drag at this viewport position would scroll.
    void updateScrollBand(const QPoint& viewportPos);

Q_SIGNALS:
    // A server node was double-clicked.
    void connectRequested();

protected:
    void changeEvent(QEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void sync();
    void rebuild();
    QTreeWidgetItem* buildItem(ServerNode* node);
    void showNode(QTreeWidgetItem* item, const ServerNode* node);
    ServerNode* dropTarget(const QPoint& viewportPos) const;
    void stopScrolling();

    ServerTree& tree_;
    QHash<quint64, QTreeWidgetItem*> items_;
    QHash<int, QIcon> kindIcons_;
    QTimer serverTreeEditTimer_;
    QTimer serverTreeTimer_;
    int scrollDirection_ = 0;
    int revisionShown_ = -1;
    bool syncing_ = false;
    quint64 dragged_ = 0;
};
