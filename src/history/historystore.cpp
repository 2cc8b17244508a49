#include "history/historystore.h"

#include "history/historydatabase.h"
#include "history/redaction.h"

#include <QDateTime>
#include <QTimer>

// The store's thread: owns the database connection, writes the queue, answers reads.
class HistoryWriter : public QObject
{
public:
    HistoryWriter(HistoryStore* store, QString path, std::shared_ptr<HistoryStore::Queue> queue)
        : store_(store), path_(std::move(path)), queue_(std::move(queue))
    {
    }

    void start()
    {
        timer_ = new QTimer(this);
        timer_->setInterval(HistoryStore::BatchIntervalMs);
        QObject::connect(timer_, &QTimer::timeout, this, [this] { writeQueue(); });
        timer_->start();
        if (!db_.open(path_, HistoryDatabase::Access::ReadWrite))
            fail();
    }

    void writeQueue()
    {
        std::vector<HistoryLine> batch;
        {
            std::lock_guard lock(queue_->mutex);
            batch.swap(queue_->lines);
            queue_->wakeAsked = false;
        }
        write(std::move(batch));
    }

    void write(std::vector<HistoryLine> batch)
    {
        if (batch.empty() || !db_.isOpen())
            return;
        for (HistoryLine& line : batch)
            line.text = Redaction::redact(line.window, line.text);
        if (db_.write(batch) < 0)
            fail();
    }

    void forgetBefore(qint64 timeMs)
    {
        writeQueue();
        if (db_.isOpen() && !db_.forgetBefore(timeMs))
            fail();
    }

    void forgetWindow(const QString& network, const QString& window)
    {
        writeQueue();
        if (db_.isOpen() && !db_.forgetWindow(network, window))
            fail();
    }

    void readRows(quint64 request, std::vector<HistoryRow> rows)
    {
        handBack(&HistoryStore::linesRead, request, std::move(rows));
    }

    void found(quint64 request, std::vector<HistoryMatch> matches)
    {
        handBack(&HistoryStore::searched, request, std::move(matches));
    }

    HistoryDatabase& db() { return db_; }

    // Answers reach the store on its own thread, by a queued call.
    template <typename Item>
    void handBack(void (HistoryStore::*answer)(quint64, const QList<Item>&), quint64 request,
                  std::vector<Item> items)
    {
        HistoryStore* store = store_;
        QMetaObject::invokeMethod(
            store,
            [store, answer, request, list = QList<Item>(items.begin(), items.end())] {
                Q_EMIT(store->*answer)(request, list);
            },
            Qt::QueuedConnection);
    }

private:
    // Reported once: the connection closes, and whatever comes later is dropped.
    void fail()
    {
        const QString why = db_.error();
        db_.close();
        HistoryStore* store = store_;
        QMetaObject::invokeMethod(
            store, [store, why] { store->onWriterFailed(why); }, Qt::QueuedConnection);
    }

    HistoryStore* store_;
    QString path_;
    std::shared_ptr<HistoryStore::Queue> queue_;
    HistoryDatabase db_;
    QTimer* timer_ = nullptr;
};

QString HistoryStore::pathIn(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("history.db");
}

HistoryStore::HistoryStore(const QString& path, QObject* parent)
    : QObject(parent), path_(path), queue_(std::make_shared<Queue>())
{
    thread_.setObjectName(QStringLiteral("history"));
    writer_ = new HistoryWriter(this, path_, queue_);
    writer_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
    thread_.start();
    onWriter([](HistoryWriter& w) { w.start(); });
}

HistoryStore::~HistoryStore()
{
    sync();
    thread_.quit();
    thread_.wait();
}

template <typename Work> void HistoryStore::onWriter(Work work)
{
    HistoryWriter* writer = writer_;
    QMetaObject::invokeMethod(
        writer, [writer, work] { work(*writer); }, Qt::QueuedConnection);
}

void HistoryStore::setSettings(const Settings& settings)
{
    settings_ = settings;
    if (settings_.keepDays > 0) {
        const qint64 before =
            QDateTime::currentMSecsSinceEpoch() - qint64(settings_.keepDays) * 24 * 3600 * 1000;
        onWriter([before](HistoryWriter& w) { w.forgetBefore(before); });
    }
}

void HistoryStore::add(HistoryLine line, bool privateChat)
{
    if (off_ || !settings_.enabled || (privateChat && !settings_.privateChats))
        return;
    bool wake = false;
    {
        std::lock_guard lock(queue_->mutex);
        queue_->lines.push_back(std::move(line));
        if (queue_->lines.size() >= size_t(BatchLines) && !queue_->wakeAsked)
            wake = queue_->wakeAsked = true;
    }
    if (wake)
        onWriter([](HistoryWriter& w) { w.writeQueue(); });
}

std::vector<HistoryLine> HistoryStore::takeQueued()
{
    std::vector<HistoryLine> lines;
    std::lock_guard lock(queue_->mutex);
    lines.swap(queue_->lines);
    return lines;
}

quint64 HistoryStore::readLastLines(const QString& network, const QString& window, int count)
{
    const quint64 request = ++lastRequest_;
    onWriter([=, queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.readRows(request, w.db().lastLines(network, window, count));
    });
    return request;
}

quint64 HistoryStore::readLinesBefore(const QString& network, const QString& window, qint64 id,
                                      int count)
{
    const quint64 request = ++lastRequest_;
    onWriter([=, queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.readRows(request, w.db().linesBefore(network, window, id, count));
    });
    return request;
}

quint64 HistoryStore::search(const HistoryQuery& query)
{
    const quint64 request = ++lastRequest_;
    onWriter([=, queued = takeQueued()](HistoryWriter& w) {
        w.write(queued);
        w.found(request, w.db().search(query));
    });
    return request;
}

void HistoryStore::forgetWindow(const QString& network, const QString& window)
{
    onWriter([=](HistoryWriter& w) { w.forgetWindow(network, window); });
}

void HistoryStore::sync()
{
    HistoryWriter* writer = writer_;
    QMetaObject::invokeMethod(
        writer, [writer] { writer->writeQueue(); }, Qt::BlockingQueuedConnection);
}

void HistoryStore::onWriterFailed(const QString& why)
{
    if (off_)
        return;
    off_ = true;
    {
        std::lock_guard lock(queue_->mutex);
        queue_->lines.clear();
    }
    Q_EMIT failed(QStringLiteral("History is off for this session: %1: %2").arg(path_, why));
}
