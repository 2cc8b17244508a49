#include "ui/flowlayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent)
{
    if (!parent)
        setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    items_.append(item);
    invalidate();
}

void FlowLayout::addSpacing(int width)
{
    addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= items_.size())
        return nullptr;
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

int FlowLayout::gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    return owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner)
                 : 6;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // As narrow as the widest control; the height follows the width (heightForWidth).
    QSize size;
    for (QLayoutItem* item : items_) {
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    }
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // Everything in one row.
    int width = 0;
    int height = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty() && !item->spacerItem())
            continue;
        width += item->sizeHint().width() + (width > 0 ? gap() : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int space = gap();
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem* item : items_) {
        const bool spacer = item->spacerItem() != nullptr;
        if (item->isEmpty() && !spacer)
            continue;
        const QSize size = item->sizeHint().boundedTo(QSize(area.width(), QWIDGETSIZE_MAX));
        // A gap that would start a row is dropped.
        if (spacer && x == area.x())
            continue;
        if (x > area.x() && x + size.width() > area.right() + 1) {
            if (spacer)
                continue;
            x = area.x();
            y += rowHeight + space;
            rowHeight = 0;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + space;
        rowHeight = std::max(rowHeight, size.height());
    }
    return y + rowHeight - rect.y() + contentsMargins().bottom();
}
