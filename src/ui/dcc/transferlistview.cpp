#include "ui/dcc/transferlistview.h"

#include "dcc/transferlist.h"

#include <QHeaderView>

TransferListView::TransferListView(TransferList& list, const QStringList& columns, QWidget* parent)
    : QTreeWidget(parent), list_(list)
{
    setColumnCount(int(columns.size()));
    setHeaderLabels(columns);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(true);
    const int widths[] = {90, 260, 75, 85, 85, 60};
    for (int i = 0; i < 6 && i < columns.size(); ++i)
        setColumnWidth(i, widths[i]);
    for (const TransferRow& row : list_.rows())
        addRow(row.id);
    connect(&list_, &TransferList::rowAdded, this, &TransferListView::addRow);
    connect(&list_, &TransferList::rowChanged, this, &TransferListView::updateRow);
    connect(&list_, &TransferList::rowRemoved, this, &TransferListView::removeRow);
}

QList<int> TransferListView::selectedRowIds() const
{
    QList<int> ids;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = topLevelItem(i);
        if (item->isSelected())
            ids << item->data(0, Qt::UserRole).toInt();
    }
    return ids;
}

void TransferListView::addRow(int id)
{
    auto* item = new QTreeWidgetItem(this);
    item->setData(0, Qt::UserRole, id);
    items_.insert(id, item);
    updateRow(id);
}

void TransferListView::updateRow(int id)
{
    QTreeWidgetItem* item = items_.value(id);
    const TransferRow* row = list_.row(id);
    if (!item || !row)
        return;
    for (int c = 0; c < TransferRow::ColumnCount; ++c) {
        if (item->text(c) != row->texts.at(size_t(c)))
            item->setText(c, row->texts.at(size_t(c)));
    }
}

void TransferListView::removeRow(int id)
{
    delete items_.take(id);
}
