#pragma once

#include <QStringList>
#include <QTreeWidget>

#include <QHash>

class TransferList;

// outboundfilelist / inboundfilelist: a transfer list's rows as list-view rows. Rows
// follow the model's own changes, which the transfers write a few times a second at most.
class TransferListView : public QTreeWidget
{
    Q_OBJECT
public:
    TransferListView(TransferList& list, const QStringList& columns, QWidget* parent = nullptr);

    QList<int> selectedRowIds() const;

private:
    void addRow(int id);
    void updateRow(int id);
    void removeRow(int id);

    TransferList& list_;
    QHash<int, QTreeWidgetItem*> items_;
};
