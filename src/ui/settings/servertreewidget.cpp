#include "ui/settings/servertreewidget.h"

#include "settings/servertree.h"
#include "ui/standardicons.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>

namespace {
const QString dragFormat = QStringLiteral("application/x-quorl-servernode");
}

ServerTreeWidget::ServerTreeWidget(ServerTree& tree, QWidget* parent)
    : QTreeWidget(parent), tree_(tree)
{
    setObjectName(QStringLiteral("servertree"));
    setAccessibleName(QStringLiteral("Servers"));
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    // Our own timer scrolls during a drag, in the bands the user knows.
    setAutoScroll(false);
    setExpandsOnDoubleClick(false);

    serverTreeEditTimer_.setObjectName(QStringLiteral("servertreeedittimer"));
    serverTreeEditTimer_.setSingleShot(true);
    serverTreeEditTimer_.setInterval(EditWindowMs);
    serverTreeTimer_.setObjectName(QStringLiteral("servertreetimer"));
    serverTreeTimer_.setInterval(ScrollIntervalMs);
    connect(&serverTreeTimer_, &QTimer::timeout, this, &ServerTreeWidget::autoScrollStep);

    connect(&tree_, &ServerTree::changed, this, &ServerTreeWidget::sync);
    connect(&tree_, &ServerTree::editRequested, this, [this](ServerNode* node) {
        sync();
        if (QTreeWidgetItem* item = itemFor(node)) {
            serverTreeEditTimer_.start();
            scrollToItem(item);
            editItem(item);
        }
    });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!syncing_ && current)
            tree_.select(nodeOf(current));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (!syncing_)
            tree_.commitEdit(nodeOf(item), item->text(0));
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!syncing_)
            tree_.setExpanded(nodeOf(item), true);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (!syncing_)
            tree_.setExpanded(nodeOf(item), false);
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (ServerTree::targetOf(nodeOf(item)))
            Q_EMIT connectRequested();
    });
    sync();
}

QIcon ServerTreeWidget::iconForKind(int kind)
{
    QStyle* style = QApplication::style();
    switch (kind) {
    case ServerKind::Root:
        return StandardIcons::icon(style, QStyle::SP_ComputerIcon);
    case ServerKind::EmptyFolder:
        return StandardIcons::icon(style, QStyle::SP_DirIcon);
    case ServerKind::Folder:
        return StandardIcons::icon(style, QStyle::SP_DirClosedIcon);
    case ServerKind::OpenFolder:
        return StandardIcons::icon(style, QStyle::SP_DirOpenIcon);
    case ServerKind::Server:
        return StandardIcons::icon(style, QStyle::SP_DriveNetIcon);
    default:
        return StandardIcons::icon(style, QStyle::SP_FileIcon);
    }
}

const QIcon& ServerTreeWidget::kindIcon(int kind)
{
    auto it = kindIcons_.constFind(kind);
    if (it == kindIcons_.cend())
        it = kindIcons_.insert(kind, iconForKind(kind));
    return *it;
}

void ServerTreeWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange && !kindIcons_.isEmpty()) {
        kindIcons_.clear();
        // Every item takes its icon afresh from the new style.
        for (QTreeWidgetItem* item : std::as_const(items_))
            item->setData(0, KindRole, QVariant());
        sync();
    }
    QTreeWidget::changeEvent(event);
}

QTreeWidgetItem* ServerTreeWidget::itemFor(const ServerNode* node) const
{
    return node ? items_.value(node->id) : nullptr;
}

ServerNode* ServerTreeWidget::nodeOf(const QTreeWidgetItem* item) const
{
    return item ? tree_.findById(item->data(0, Qt::UserRole).toULongLong()) : nullptr;
}

void ServerTreeWidget::sync()
{
    syncing_ = true;
    if (revisionShown_ != tree_.revision())
        rebuild();
    for (ServerNode* node : tree_.nodes())
        if (QTreeWidgetItem* item = itemFor(node))
            showNode(item, node);
    setCurrentItem(itemFor(tree_.selected()));
    syncing_ = false;
}

// The items are built apart from the view, each with its text and icon, and handed to
// it in one piece: an item added to the view, or changed in it, costs a model signal.
void ServerTreeWidget::rebuild()
{
    clear();
    items_.clear();
    QList<QTreeWidgetItem*> tops;
    for (const auto& top : tree_.topLevel())
        tops << buildItem(top.get());
    addTopLevelItems(tops);
    revisionShown_ = tree_.revision();
}

QTreeWidgetItem* ServerTreeWidget::buildItem(ServerNode* node)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, Qt::UserRole, node->id);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setText(0, node->text);
    item->setData(0, KindRole, node->kind);
    item->setIcon(0, kindIcon(node->kind));
    items_.insert(node->id, item);
    QList<QTreeWidgetItem*> children;
    children.reserve(node->childCount());
    for (const auto& child : node->children)
        children << buildItem(child.get());
    item->addChildren(children);
    return item;
}

void ServerTreeWidget::showNode(QTreeWidgetItem* item, const ServerNode* node)
{
    if (item->text(0) != node->text)
        item->setText(0, node->text);
    if (item->data(0, KindRole).toInt() != node->kind) {
        item->setData(0, KindRole, node->kind);
        item->setIcon(0, kindIcon(node->kind));
    }
    if (item->isExpanded() != node->expanded)
        item->setExpanded(node->expanded);
}

void ServerTreeWidget::editSelected()
{
    if (QTreeWidgetItem* item = itemFor(tree_.selected())) {
        serverTreeEditTimer_.start();
        editItem(item);
    }
}

bool ServerTreeWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // A name is only changed on purpose: editing is open for one second after an edit
    // button, so a slow second click never renames a node by accident.
    if (trigger != NoEditTriggers && !serverTreeEditTimer_.isActive())
        return false;
    return QTreeWidget::edit(index, trigger, event);
}

void ServerTreeWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && state() != EditingState) {
        if (tree_.buttons().remove)
            tree_.deleteSelected();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// --- drag and drop -------------------------------------------------------------------

void ServerTreeWidget::startDrag(Qt::DropActions)
{
    ServerNode* node = nodeOf(currentItem());
    if (!ServerTree::canDrag(node))
        return;
    dragged_ = node->id;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(dragFormat, QByteArray::number(node->id));
    drag->setMimeData(mime);
    drag->setPixmap(kindIcon(node->kind).pixmap(16, 16));
    drag->exec(Qt::MoveAction);
    dragged_ = 0;
    stopScrolling();
}

ServerNode* ServerTreeWidget::dropTarget(const QPoint& viewportPos) const
{
    // The whole row counts, wherever on it the pointer is.
    const QModelIndex index = indexAt(QPoint(viewport()->width() / 2, viewportPos.y()));
    const QModelIndex row = index.isValid() ? index.siblingAtColumn(0) : index;
    return nodeOf(itemFromIndex(row));
}

void ServerTreeWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this && event->mimeData()->hasFormat(dragFormat))
        event->accept();
    else
        event->ignore();
}

void ServerTreeWidget::dragMoveEvent(QDragMoveEvent* event)
{
    const QPoint pos = event->position().toPoint();
    updateScrollBand(pos);
    if (ServerTree::canDrop(tree_.findById(dragged_), dropTarget(pos))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ServerTreeWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopScrolling();
    QTreeWidget::dragLeaveEvent(event);
}

void ServerTreeWidget::dropEvent(QDropEvent* event)
{
    stopScrolling();
    ServerNode* dragged = tree_.findById(dragged_);
    ServerNode* target = dropTarget(event->position().toPoint());
    if (tree_.drop(dragged, target)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ServerTreeWidget::updateScrollBand(const QPoint& viewportPos)
{
    int direction = 0;
    if (viewportPos.y() < TopScrollBand)
        direction = -1;
    else if (viewportPos.y() >= viewport()->height() - BottomScrollBand)
        direction = 1;
    scrollDirection_ = direction;
    if (direction == 0)
        serverTreeTimer_.stop();
    else if (!serverTreeTimer_.isActive())
        serverTreeTimer_.start();
}

void ServerTreeWidget::autoScrollStep()
{
    QScrollBar* bar = verticalScrollBar();
    if (scrollDirection_ < 0 && bar->value() > bar->minimum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (scrollDirection_ > 0 && bar->value() < bar->maximum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    else
        stopScrolling();
}

void ServerTreeWidget::stopScrolling()
{
    scrollDirection_ = 0;
    serverTreeTimer_.stop();
}
