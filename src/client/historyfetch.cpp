#include "client/historyfetch.h"

#include "history/historystore.h"
#include "irc/outbound.h"

#include <QDateTime>

HistoryFetch::HistoryFetch(HistoryStore* store, Send send, QObject* parent)
    : QObject(parent), store_(store), send_(std::move(send))
{
    if (store_)
        connect(store_, &HistoryStore::linesRead, this, &HistoryFetch::onLinesRead);
}

QString HistoryFetch::key(int network, const QString& channel)
{
    return QString::number(network) + u'\n' + channel.toLower();
}

void HistoryFetch::joined(int network, const QString& storeName, const QString& channel, int limit)
{
    if (limit <= 0)
        return;
    seen_[key(network, channel)];
    if (!store_ || store_->isOff() || !store_->settings().enabled) {
        send_(network, Outbound::chathistoryAfter(channel, QString(), limit));
        return;
    }
    reads_[store_->readLastLines(storeName, channel, limit)] = Pending{network, channel, limit};
}

void HistoryFetch::onLinesRead(quint64 request, const QList<HistoryRow>& rows)
{
    const auto read = reads_.find(request);
    if (read == reads_.end())
        return;
    const Pending pending = read->second;
    reads_.erase(read);
    const auto seen = seen_.find(key(pending.network, pending.channel));
    // The connection ended while the store was read.
    if (seen == seen_.end())
        return;
    // The point is the newest line the server dated with an id; the client's own lines
    // since (the join itself) carry none.
    QString point;
    for (const HistoryRow& row : rows) {
        if (row.line.msgid.isEmpty())
            continue;
        seen->insert(row.line.msgid);
        point = QStringLiteral("msgid=") + row.line.msgid;
    }
    send_(pending.network, Outbound::chathistoryAfter(pending.channel, point, pending.limit));
}

bool HistoryFetch::shown(int network, const QString& channel, const QString& msgid) const
{
    const auto seen = seen_.constFind(key(network, channel));
    return seen != seen_.cend() && seen->contains(msgid);
}

void HistoryFetch::noteShown(int network, const QString& channel, const QString& msgid)
{
    // Called for every line shown: nothing to do unless a fetch is under way.
    if (msgid.isEmpty() || seen_.isEmpty())
        return;
    const auto seen = seen_.find(key(network, channel));
    if (seen != seen_.end())
        seen->insert(msgid);
}

void HistoryFetch::finished(int network, const QString& channel)
{
    seen_.remove(key(network, channel));
}

void HistoryFetch::forgetNetwork(int network)
{
    const QString prefix = QString::number(network) + u'\n';
    for (auto it = seen_.begin(); it != seen_.end();)
        it = it.key().startsWith(prefix) ? seen_.erase(it) : std::next(it);
    std::erase_if(reads_, [network](const auto& read) { return read.second.network == network; });
}
