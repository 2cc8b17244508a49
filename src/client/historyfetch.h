#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <unordered_map>

class HistoryStore;
struct HistoryRow;

// What was said in a channel while the user was away, asked of a server that keeps
// history (CHATHISTORY) when the user joins: the lines after the newest one the history
// store holds of the window with a msgid, else the latest; at most the limit given. Until
// the answer is complete, a replayed line whose msgid the window already showed (read
// back from the store, or shown live meanwhile) is told apart, so none is shown twice.
class HistoryFetch : public QObject
{
    Q_OBJECT
public:
    using Send = std::function<void(int network, const QString& line)>;

    // Without a store (or with one that is off) the latest lines are asked for.
    HistoryFetch(HistoryStore* store, Send send, QObject* parent = nullptr);

    // The user joined channel on network, whose lines the store keeps under storeName.
    void joined(int network, const QString& storeName, const QString& channel, int limit);
    // A replayed line of channel with msgid was shown in its window already.
    bool shown(int network, const QString& channel, const QString& msgid) const;
    // A line with msgid was shown in channel's window while its past is being fetched.
    void noteShown(int network, const QString& channel, const QString& msgid);
    // The answer for channel is complete: what it was told apart from is forgotten.
    void finished(int network, const QString& channel);
    // The network's connection ended.
    void forgetNetwork(int network);

private:
    static QString key(int network, const QString& channel);
    void onLinesRead(quint64 request, const QList<HistoryRow>& rows);

    struct Pending
    {
        int network = 0;
        QString channel;
        int limit = 0;
    };
    HistoryStore* store_;
    Send send_;
    std::unordered_map<quint64, Pending> reads_;
    // By network number and channel: the msgids its window showed.
    QHash<QString, QSet<QString>> seen_;
};
