#include "dcc/transferlist.h"

#include "dcc/dccwire.h"

#include <algorithm>

const TransferRow* TransferList::row(int id) const
{
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [id](const TransferRow& r) { return r.id == id; });
    return found == rows_.end() ? nullptr : &*found;
}

int TransferList::addRow(const std::array<QString, TransferRow::ColumnCount>& texts)
{
    TransferRow row;
    row.id = nextId_++;
    row.texts = texts;
    rows_.push_back(std::move(row));
    Q_EMIT rowAdded(rows_.back().id);
    return rows_.back().id;
}

bool TransferList::setText(int id, TransferRow::Column column, const QString& text)
{
    auto* found = const_cast<TransferRow*>(row(id));
    if (!found)
        return false;
    QString& slot = found->texts.at(size_t(column));
    if (slot != text) {
        slot = text;
        Q_EMIT rowChanged(id);
    }
    return true;
}

void TransferList::removeRow(int id)
{
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [id](const TransferRow& r) { return r.id == id; });
    if (found == rows_.end())
        return;
    rows_.erase(found);
    Q_EMIT rowRemoved(id);
}

void TransferList::showProgress(int id, qint64 done, qint64 size, qint64 startPosition,
                                qint64 elapsedMs)
{
    setText(id, TransferRow::Done, QString::number(done));
    setText(id, TransferRow::Completed, DccWire::percentText(done, size));
    setText(id, TransferRow::Rate, DccWire::rateText(done - startPosition, elapsedMs));
}
