#pragma once

#include <QObject>
#include <QString>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

// One row of a transfer list. The columns of the outbound list are "Destination",
// "File Name", "Completed", "Size", "Sent", "K/sec.", "Status"; the inbound list has
// "From", "FileName", "Completed", "Size", "Received", "K/sec.", "Status".
struct TransferRow
{
    enum Column { Nick, FileName, Completed, Size, Done, Rate, Status, ColumnCount };
    int id = 0;
    std::array<QString, ColumnCount> texts;
    const QString& text(Column c) const { return texts.at(size_t(c)); }
};

// outboundfilelist / inboundfilelist: the rows the user sees. Rows outlive their
// transfers until removed; a transfer refers to its row by id, so a removed row is
// never written to.
class TransferList : public QObject
{
    Q_OBJECT
public:
    explicit TransferList(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<TransferRow>& rows() const { return rows_; }
    const TransferRow* row(int id) const;
    int addRow(const std::array<QString, TransferRow::ColumnCount>& texts);
    // Writes a text when it differs; false when the row is gone.
    bool setText(int id, TransferRow::Column column, const QString& text);
    void removeRow(int id);
    // The progress columns of a transfer that has moved done of size bytes, the rate
    // counted from where it started (a resume starts past 0) over elapsedMs.
    void showProgress(int id, qint64 done, qint64 size, qint64 startPosition, qint64 elapsedMs);

Q_SIGNALS:
    void rowAdded(int id);
    void rowChanged(int id);
    void rowRemoved(int id);

private:
    std::vector<TransferRow> rows_;
    int nextId_ = 1;
};

// Drops the transfer item from the list that owns it; sends and receives keep theirs so.
template <typename T> void eraseOwned(std::vector<std::unique_ptr<T>>& owned, const T* item)
{
    const auto it = std::find_if(owned.begin(), owned.end(),
                                 [item](const std::unique_ptr<T>& p) { return p.get() == item; });
    if (it != owned.end())
        owned.erase(it);
}
