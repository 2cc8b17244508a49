#include "ui/chat/nicklistview.h"

#include "chat/nicklist.h"
#include "core/fontrecord.h"
#include "core/wincolor.h"

#include <QItemSelection>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {
constexpr int TextLeft = 3;
constexpr int TextTop = 2;
// A row is the height of the letter "A" in the list's font and this much more.
constexpr int RowPadding = 4;

// An away member's text: halfway between its colour and the row's background.
QColor greyed(const QColor& text, const QColor& back)
{
    return QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                  (text.blue() + back.blue()) / 2);
}

class NickDelegate : public QStyledItemDelegate
{
public:
    explicit NickDelegate(NickListView* list) : QStyledItemDelegate(list), list_(list) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {0, NickListView::rowHeightFor(list_->font())};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const ThemeRecord& t = list_->theme();
        const QString entry = index.data(Qt::UserRole).toString();
        const QChar rank = entry.isEmpty() ? NickList::Member : entry.at(0);
        qint32 back = t.nicklistslimebackcolor;
        qint32 text = t.nicklistslimetextcolor;
        if (rank == NickList::Operator) {
            back = t.nicklistopbackcolor;
            text = t.nicklistoptextcolor;
        } else if (rank == NickList::Voiced) {
            back = t.nicklistvoicebackcolor;
            text = t.nicklistvoicetextcolor;
        }
        if (QStringView(entry).mid(1).compare(list_->ownNickname(), Qt::CaseInsensitive) == 0)
            text = t.nicklistmetextcolor;
        if (option.state & QStyle::State_Selected) {
            back = t.nicklistselectbackcolor;
            text = t.nicklistselecttextcolor;
        }
        QColor pen = colorFromWin(text);
        const NickList::Details* details = list_->nicks().details(NickList::nickOf(entry));
        if (details && details->away)
            pen = greyed(pen, colorFromWin(back));
        painter->save();
        painter->fillRect(option.rect, colorFromWin(back));
        painter->setPen(pen);
        painter->setFont(list_->font());
        const QRect textRect = option.rect.adjusted(TextLeft, TextTop, 0, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, NickList::displayText(entry));
        painter->restore();
    }

private:
    NickListView* list_;
};

QString nickKey(const QString& entry)
{
    return NickList::nickOf(entry).toLower();
}
} // namespace

QVariant NickListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole)
        return NickList::displayText(rows_.at(index.row()));
    if (role == Qt::UserRole)
        return rows_.at(index.row());
    if (role == Qt::ToolTipRole)
        return nicks_.describe(NickList::nickOf(rows_.at(index.row())));
    return {};
}

void NickListModel::reset(const QStringList& rows)
{
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

NickListView::NickListView(NickList& nicks, std::function<QString()> ownNickname, QWidget* parent)
    : QListView(parent), nicks_(nicks), ownNickname_(std::move(ownNickname)), model_(nicks)
{
    setAccessibleName(QStringLiteral("Nicknames"));
    setModel(&model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new NickDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    reloadTimer_.setSingleShot(true);
    connect(&reloadTimer_, &QTimer::timeout, this, &NickListView::reload);
    connect(&nicks_, &NickList::changed, this, &NickListView::scheduleReload);
    reload();
}

void NickListView::applyTheme(const ThemeRecord& theme)
{
    theme_ = theme;
    setFont(FontRecord(theme.nicklistfont, theme.nicklistfontsize).toFont());
    QPalette p = palette();
    p.setColor(QPalette::Base, colorFromWin(theme.nicklistbackcolor));
    p.setColor(QPalette::Text, colorFromWin(theme.nicklistslimetextcolor));
    setPalette(p);
    // Row heights are cached by the view; a new font must reach them.
    doItemsLayout();
    viewport()->update();
}

void NickListView::scheduleReload()
{
    if (!dirty_)
        pendingSince_.start();
    dirty_ = true;
    if (!isVisible())
        return; // taken when the list shows
    const qint64 waited = pendingSince_.elapsed();
    reloadTimer_.start(waited >= MaxReloadDelayMs
                           ? 0
                           : std::min<qint64>(ReloadDelayMs, MaxReloadDelayMs - waited));
}

void NickListView::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    if (dirty_)
        reload();
}

// Takes the nick list's entries again, keeping the selected nicks selected and the
// list where the user had scrolled it.
void NickListView::reload()
{
    dirty_ = false;
    reloadTimer_.stop();
    const int scrolled = verticalScrollBar()->value();
    QSet<QString> selected;
    QString current;
    if (selectionModel()) {
        for (const QModelIndex& index : selectionModel()->selectedIndexes())
            selected.insert(nickKey(model_.rows().at(index.row())));
        if (currentIndex().isValid())
            current = nickKey(model_.rows().at(currentIndex().row()));
    }

    model_.reset(nicks_.entries());
    restoreSelection(selected, current);
    if (scrolled > 0) {
        executeDelayedItemsLayout(); // the scroll range follows the new rows
        verticalScrollBar()->setValue(scrolled);
    }
}

void NickListView::restoreSelection(const QSet<QString>& selected, const QString& current)
{
    if (selected.isEmpty() && current.isEmpty())
        return;
    QItemSelection again;
    const QStringList& rows = model_.rows();
    for (int row = 0; row < rows.size(); ++row) {
        const QString key = nickKey(rows.at(row));
        if (key == current)
            selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::NoUpdate);
        if (!selected.contains(key))
            continue;
        // Neighbouring rows join into one range.
        if (!again.isEmpty() && again.last().bottom() == row - 1)
            again.last() = QItemSelectionRange(again.last().topLeft(), model_.index(row));
        else
            again.select(model_.index(row), model_.index(row));
    }
    selectionModel()->select(again, QItemSelectionModel::Select);
}

QString NickListView::rowText(int row) const
{
    return model_.index(row).data().toString();
}

int NickListView::rowHeightFor(const QFont& font)
{
    return QFontMetrics(font).height() + RowPadding;
}

int NickListView::fittingWidth() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& entry : nicks_.entries())
        widest = std::max(widest, metrics.horizontalAdvance(entry));
    int width = widest + 15;
    if (nicks_.count() * metrics.height() > viewport()->height())
        width += 12;
    return width;
}

QStringList NickListView::selectedNicks() const
{
    QModelIndexList rows = selectionModel()->selectedIndexes();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList nicks;
    for (const QModelIndex& index : rows)
        nicks << NickList::nickOf(model_.rows().at(index.row()));
    return nicks;
}
