#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <QHash>

class TransferList;

// How a transfer row's columns are drawn: the file's name without its folder, sizes in
// KB/MB/GB, Completed as a progress bar with its percentage. The rows keep the transfer
// list's own texts; their tooltips give the whole path and the exact bytes.
class TransferRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // What a column shows for the list's text.
    static QString shownText(int column, const QString& text);
    // The percentage a Completed text stands for, or -1 when it stands for none ("---"
    // before the transfer starts).
    static int percent(const QString& text);
    // The tooltip of a column for the list's text; empty when the text says it all.
    static QString toolTip(int column, const QString& text);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

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
