#include "ui/chat/nicklistview.h"

#include "chat/nicklist.h"
#include "core/fontrecord.h"
#include "core/wincolor.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace {
constexpr int TextLeft = 3;
constexpr int TextTop = 2;
// A row is the height of the letter "A" in the list's font and this much more.
constexpr int RowPadding = 4;

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
        if (NickList::nickOf(entry).compare(list_->ownNickname(), Qt::CaseInsensitive) == 0)
            text = t.nicklistmetextcolor;
        if (option.state & QStyle::State_Selected) {
            back = t.nicklistselectbackcolor;
            text = t.nicklistselecttextcolor;
        }
        painter->save();
        painter->fillRect(option.rect, colorFromWin(back));
        painter->setPen(colorFromWin(text));
        painter->setFont(list_->font());
        const QRect textRect = option.rect.adjusted(TextLeft, TextTop, 0, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, NickList::displayText(entry));
        painter->restore();
    }

private:
    NickListView* list_;
};
} // namespace

NickListView::NickListView(NickList& nicks, std::function<QString()> ownNickname, QWidget* parent)
    : QListWidget(parent), nicks_(nicks), ownNickname_(std::move(ownNickname))
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new NickDelegate(this));
    setUniformItemSizes(true);
    reloadTimer_.setSingleShot(true);
    reloadTimer_.setInterval(ReloadDelayMs);
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

// A big channel's list changes many times a second (a names reply comes in hundreds of
// lines, joins and quits stream in): the rows are rebuilt once the changes pause, and not
// at all while the list is hidden.
void NickListView::scheduleReload()
{
    dirty_ = true;
    if (isVisible() && !reloadTimer_.isActive())
        reloadTimer_.start();
}

void NickListView::showEvent(QShowEvent* event)
{
    QListWidget::showEvent(event);
    if (dirty_)
        reload();
}

void NickListView::reload()
{
    dirty_ = false;
    reloadTimer_.stop();
    setUpdatesEnabled(false);
    clear();
    for (const QString& entry : nicks_.entries()) {
        auto* item = new QListWidgetItem(NickList::displayText(entry), this);
        item->setData(Qt::UserRole, entry);
    }
    setUpdatesEnabled(true);
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
    QStringList nicks;
    for (int row = 0; row < count(); ++row) {
        const QListWidgetItem* it = item(row);
        if (it->isSelected())
            nicks << NickList::nickOf(it->data(Qt::UserRole).toString());
    }
    return nicks;
}
