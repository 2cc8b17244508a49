#include "ui/dcc/transferlistview.h"

#include "dcc/transferlist.h"
#include "ui/dcc/bytesize.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>

namespace {
bool isSize(int column)
{
    return column == TransferRow::Size || column == TransferRow::Done;
}
} // namespace

QString TransferRowDelegate::shownText(int column, const QString& text)
{
    if (column == TransferRow::FileName) {
        const QString name = QFileInfo(text).fileName();
        return name.isEmpty() ? text : name;
    }
    bool number = false;
    const qint64 bytes = text.toLongLong(&number);
    if (isSize(column) && number && bytes >= 0)
        return ByteSize::shortText(bytes);
    return text;
}

int TransferRowDelegate::percent(const QString& text)
{
    bool number = false;
    const int value = (text.endsWith(u'%') ? text.chopped(1) : text).toInt(&number);
    return number && value >= 0 && value <= 100 ? value : -1;
}

QString TransferRowDelegate::toolTip(int column, const QString& text)
{
    if (column == TransferRow::FileName && shownText(column, text) != text)
        return text;
    bool number = false;
    const qint64 bytes = text.toLongLong(&number);
    if (isSize(column) && number && bytes >= 1024)
        return ByteSize::exactText(bytes);
    return QString();
}

void TransferRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = shownText(index.column(), option->text);
    if (index.column() == TransferRow::FileName)
        option->textElideMode = Qt::ElideMiddle;
}

void TransferRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    const int done = index.column() == TransferRow::Completed
                         ? percent(index.data(Qt::DisplayRole).toString())
                         : -1;
    if (done < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
    QStyleOptionProgressBar bar;
    bar.QStyleOption::operator=(option);
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = done;
    bar.text = QString::number(done) + u'%';
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

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
    setItemDelegate(new TransferRowDelegate(this));
    const int widths[] = {90, 220, 90, 75, 75, 60};
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
        const QString& text = row->texts.at(size_t(c));
        if (item->text(c) == text)
            continue;
        item->setText(c, text);
        item->setToolTip(c, TransferRowDelegate::toolTip(c, text));
    }
}

void TransferListView::removeRow(int id)
{
    delete items_.take(id);
}
