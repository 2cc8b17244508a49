#include "ui/dialogs/historysearchdialog.h"

#include "history/historyquery.h"
#include "history/historystore.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Time, Network, Window, Line };
constexpr int RowRole = Qt::UserRole;

// The plain text as rich text, each marked range in bold.
QString markedLine(const HistoryMatch& m)
{
    QString html;
    int at = 0;
    for (const auto& [start, length] : m.marks) {
        html += m.plainText.mid(at, start - at).toHtmlEscaped();
        html += QStringLiteral("<b>") + m.plainText.mid(start, length).toHtmlEscaped() +
                QStringLiteral("</b>");
        at = start + length;
    }
    return html + m.plainText.mid(at).toHtmlEscaped();
}

} // namespace

HistorySearchDialog::HistorySearchDialog(HistoryStore* store, QWidget* parent)
    : QDialog(parent), store_(store)
{
    setObjectName(QStringLiteral("historysearchform"));
    setWindowTitle(QStringLiteral("Search History"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("historysearchedit"));
    edit_->setPlaceholderText(
        QStringLiteral("words \"a phrase\" from:nick in:#channel net:network after:2026-01-31"));
    layout->addWidget(edit_);
    results_ = new QTreeWidget(this);
    results_->setObjectName(QStringLiteral("historyresults"));
    results_->setRootIsDecorated(false);
    results_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Network"),
                               QStringLiteral("Window"), QStringLiteral("Line")});
    results_->header()->setStretchLastSection(true);
    layout->addWidget(results_, 1);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("historystate"));
    layout->addWidget(state_);
    resize(760, 420);

    if (!store_ || store_->isOff()) {
        edit_->setEnabled(false);
        state_->setText(QStringLiteral("History is off."));
        return;
    }
    connect(edit_, &QLineEdit::returnPressed, this, &HistorySearchDialog::search);
    connect(store_, &HistoryStore::searched, this, &HistorySearchDialog::showMatches);
    connect(results_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        Q_EMIT windowWanted(item->text(Network), item->text(Window),
                            item->data(Time, RowRole).toLongLong());
    });
}

void HistorySearchDialog::search()
{
    const HistoryQuery query = HistoryQuery::parse(edit_->text());
    if (!query.error.isEmpty()) {
        state_->setText(query.error);
        return;
    }
    state_->setText(QStringLiteral("Searching..."));
    request_ = store_->search(query);
}

void HistorySearchDialog::showMatches(quint64 request, const QList<HistoryMatch>& matches)
{
    if (request != request_)
        return; // an earlier search, overtaken
    results_->clear();
    for (const HistoryMatch& m : matches) {
        auto* item = new QTreeWidgetItem(results_);
        item->setText(Time, QDateTime::fromMSecsSinceEpoch(m.row.line.timeMs)
                                .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        item->setData(Time, RowRole, m.row.id);
        item->setText(Network, m.row.line.network);
        item->setText(Window, m.row.line.window);
        item->setText(Line, m.plainText);
        auto* line = new QLabel(markedLine(m), results_);
        line->setTextFormat(Qt::RichText);
        results_->setItemWidget(item, Line, line);
        item->setText(Line, QString()); // the label shows it
        item->setToolTip(Line, m.plainText);
    }
    for (int c = Time; c < Line; ++c)
        results_->resizeColumnToContents(c);
    state_->setText(matches.isEmpty()
                        ? QStringLiteral("Nothing found.")
                        : QStringLiteral("%1 found, newest first.").arg(matches.size()));
}
